// DV record: the command lines of RECORD and STOP for each standard, size and audio choice, the
// overwrite question, the WAVE header at the audio channel's rate, a header that cannot be written,
// a disk overrun (both files cut back to whole frames and samples), and the group's file choices.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "panel_fixture.h"
#include "playback_panel/dv_record.h"
#include "wave_format/wave_header.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
namespace fs = std::filesystem;

class ReloadingVideo : public Recording<VideoChannel> {
public:
    using Recording::Recording;
    void ReloadClip() override { calls_.push_back(name_ + " reload"); }
};

class ReloadingAudio : public Recording<AudioChannel> {
public:
    using Recording::Recording;
    void ReloadFile() override { calls_.push_back(name_ + " reload"); }
};

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

struct DvFixture : PanelFixture {
    // A 2000-type board: only there does start-up take the DV50 key.
    explicit DvFixture(bool pal = false, bool dv50 = false, bool audio = true) : PanelFixture(true, 0x8120) {
        dv = (fs::current_path() / "take.dv").string();
        wav = (fs::current_path() / "take.wav").string();
        SetKey("PATHDVR", dv);
        SetKey("PATHDVAR", wav);
        SetKey("LINKDVR", audio ? "1" : "0");
        SetKey("LOGFILE", "dv.log");
        if (pal) SetKey("PALMODE", "1");
        if (dv50) SetKey("DV50", "1");
        library.bus.readAnswers = {{0x31, 0x00}, {0x21, 8}};  // EEPROM ready, DSP revision 8
        Make();
        auto a = std::make_unique<ReloadingVideo>("A", calls);
        auto b = std::make_unique<ReloadingVideo>("B", calls);
        auto sound = std::make_unique<ReloadingAudio>("Audio", calls);
        audioChannel = sound.get();
        panel->Channels().videoA = std::move(a);
        panel->Channels().videoB = std::move(b);
        panel->Channels().audio = std::move(sound);
        InstallDvRecord(*panel);
        channel = static_cast<CDvRecordChannel*>(panel->Channels().dvRecord.get());
        StartUp();
        library.WaitDaemonRunning();
        Mark();
    }

    void Mark() {
        seen = LoggedLines("dv.log").size();
        calls.clear();
        host.events.clear();
    }
    // The board command lines since Mark(), file paths replaced by DV and WAV.
    Calls NewLines() {
        const auto all = LoggedLines("dv.log");
        Calls out;
        for (std::size_t i = seen; i < all.size(); ++i) {
            std::string line = all[i];
            if (line.rfind("mwcmd", 0) != 0 || line.rfind("mwcmd -s 0xffffffff 0x0009", 0) == 0) continue;
            for (auto [path, name] : {std::pair{dv, "DV"}, std::pair{wav, "WAV"}})
                if (auto at = line.find(path); at != std::string::npos) line.replace(at, path.size(), name);
            out.push_back(line);
        }
        seen = all.size();
        return out;
    }
    // What the board's writer leaves behind: `frames` DV frames and `samples` stereo samples.
    void WriteRecording(std::size_t dvBytes, std::size_t wavBytes) {
        std::ofstream(dv, std::ios::binary) << std::string(dvBytes, '\x1f');
        std::ofstream(wav, std::ios::binary) << std::string(wavBytes, '\0');
    }

    std::string dv, wav;
    CDvRecordChannel* channel = nullptr;
    ReloadingAudio* audioChannel = nullptr;
    std::size_t seen = 0;
};

TEST(DvRecord, RecordAndStopSendTheirLinesForEachStandardSizeAndAudioChoice) {
    const struct {
        bool pal, dv50, audio;
        Calls record, stop;
    } cases[] = {
        {false, false, true,
         {"mwcmd -p 0x0 0x9f0600", "mwcmd -o7B -R <WAV>", "mwcmd -o6B <DV>",
          "mwcmd -p 0x0 0x900F05 0x1000000  0x00010000 0x00000001 0x108080 0x1",
          "mwcmd -p 0x0 0x9a0f03 0xfffffff0 0 0x2 0x0 0x980704 0xffffffff 0 0 0"},
         {"mwcmd -p 0x0 0x9e0f00 0x0 0x990701 0x1", "mwcmd -U7", "mwcmd -U6",
          "mwcmd -p 0x0 0x900F05 0x1000000  0x00000000 0x00000001 0x108080 0x0"}},
        {true, true, true,
         {"mwcmd -p 0x0 0x9f0600", "mwcmd -o7B -R <WAV>", "mwcmd -o6B <DV>",
          "mwcmd -p 0x0 0x900F05 0x1000001  0x00010000 0x00000001 0x108080 0x1",
          "mwcmd -p 0x0 0x9a0f03 0xfffffff0 0 0x4 0x0 0x980704 0xffffffff 0 0 0"},
         {"mwcmd -p 0x0 0x9e0f00 0x0 0x990701 0x1", "mwcmd -U7", "mwcmd -U6",
          "mwcmd -p 0x0 0x900F05 0x1000001  0x00000000 0x00000001 0x108080 0x0"}},
        {true, false, false,
         {"mwcmd -p 0x0 0x9f0600", "mwcmd -o6B <DV>",
          "mwcmd -p 0x0 0x900F05 0x1000001  0x00010000 0x00000001 0x108080 0x1",
          "mwcmd -p 0x0 0x9a0f03 0xfffffff0 0 0x2"},
         {"mwcmd -p 0x0 0x9e0f00", "mwcmd -U6", "mwcmd -p 0x0 0x900F05 0x1000001  0x00000000 0x00000001 0x108080 0x0"}},
        {false, true, false,
         {"mwcmd -p 0x0 0x9f0600", "mwcmd -o6B <DV>",
          "mwcmd -p 0x0 0x900F05 0x1000000  0x00010000 0x00000001 0x108080 0x1",
          "mwcmd -p 0x0 0x9a0f03 0xfffffff0 0 0x4"},
         {"mwcmd -p 0x0 0x9e0f00", "mwcmd -U6", "mwcmd -p 0x0 0x900F05 0x1000000  0x00000000 0x00000001 0x108080 0x0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pal ? "PAL" : "NTSC") + (c.dv50 ? " DV50" : " DV25") + (c.audio ? " audio" : ""));
        DvFixture f(c.pal, c.dv50, c.audio);
        f.board.SetWord(window::kDiskOverrunCounter, 3);  // left from an earlier recording
        f.panel->Command(kRecordDv);
        EXPECT_EQ(f.NewLines(), c.record);
        EXPECT_EQ(f.board.Word(window::kDiskOverrunCounter), 0u);
        EXPECT_TRUE(f.channel->Recording());
        EXPECT_TRUE(f.view.Flat(kRecordDv));
        EXPECT_FALSE(f.view.Flat(kStopDv));
        f.panel->Command(kRecordDv);  // already recording: nothing
        EXPECT_EQ(f.NewLines(), Calls{});

        const std::uint64_t frame = DvFrameBytes(c.pal, c.dv50);
        f.WriteRecording(3 * frame, 44 + 4 * 960);
        f.Mark();
        f.panel->Command(kStopDv);
        EXPECT_EQ(f.NewLines(), c.stop);
        EXPECT_FALSE(f.channel->Recording());
        EXPECT_FALSE(f.view.Flat(kRecordDv));
        EXPECT_TRUE(f.view.Flat(kStopDv));
        EXPECT_EQ(f.host.events, (Calls{"show close", "close close"}));
        EXPECT_EQ(f.calls, c.audio ? (Calls{"Audio reload", "A reload", "B reload"}) : (Calls{"A reload", "B reload"}));
        EXPECT_EQ(f.ui.Boxes().size(), 0u);
        EXPECT_EQ(fs::file_size(f.dv), 3 * frame);
        if (c.audio) {
            const std::string wave = ReadAll(f.wav);
            EXPECT_EQ(wave.substr(0, 4), "RIFF");
            EXPECT_EQ(wave.size(), 44u + 4 * 960);
        }
        f.panel->Command(kStopDv);  // idle: nothing
        EXPECT_EQ(f.NewLines(), Calls{});
    }
}

TEST(DvRecord, RefusedOverwriteRecordsNothingAndKeepsWhatWasRefused) {
    using velmar_ui::BoxAnswer;
    const struct {
        std::vector<BoxAnswer> answers;
        bool dvKept;
        std::size_t boxes;
    } cases[] = {{{BoxAnswer::No}, true, 1}, {{BoxAnswer::Yes, BoxAnswer::No}, false, 2}};
    for (const auto& c : cases) {
        DvFixture f;
        f.WriteRecording(10, 50);
        for (BoxAnswer answer : c.answers) f.ui.ScriptAnswer(answer);
        f.panel->Command(kRecordDv);
        EXPECT_EQ(f.NewLines(), Calls{"mwcmd -p 0x0 0x9f0600"});
        const auto boxes = f.ui.Boxes();
        ASSERT_EQ(boxes.size(), c.boxes);
        EXPECT_EQ(boxes.back().text, "File Already Exists Do You Wish to Overwrite?");
        EXPECT_EQ(boxes.back().caption, "Velmar File Warning?");
        EXPECT_EQ(fs::exists(f.dv), c.dvKept);  // a Yes deleted it
        EXPECT_EQ(fs::file_size(f.wav), 50u);
        EXPECT_FALSE(f.channel->Recording());
        EXPECT_TRUE(f.view.Flat(kStopDv));
    }
}

TEST(DvRecord, WaveHeaderCarriesTheAudioRateAndAnUnwritableOneIsReported) {
    const struct {
        int rateCode;
        std::uint32_t rate;
    } rates[] = {{2, 48000}, {1, 44100}, {0, 32000}};
    for (const auto& r : rates) {
        DvFixture f;
        f.panel->SetAudioRateCode(r.rateCode);
        f.panel->Command(kRecordDv);
        f.WriteRecording(120000, 44 + 400);
        f.panel->Command(kStopDv);
        const std::string wave = ReadAll(f.wav);
        const auto layout = wav::ParseWaveLayout(std::vector<std::uint8_t>(wave.begin(), wave.end()), wave.size());
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->sampleRate, r.rate);
        EXPECT_EQ(layout->dataBytes, 400u);
    }
    // The board never wrote the audio file: bounded tries, then a message, and STOP completes.
    DvFixture f;
    f.panel->Command(kRecordDv);
    f.Mark();
    f.panel->Command(kStopDv);
    EXPECT_EQ(f.Captions(), Calls{"Can't write the WAVE header of " + f.wav});
    EXPECT_EQ(f.NewLines().size(), 4u);
    EXPECT_TRUE(f.view.Flat(kStopDv));
}

TEST(DvRecord, DiskOverrunIsReportedAndLeavesBothFilesReadable) {
    DvFixture f(true, false, true);
    f.panel->Command(kRecordDv);
    // The service loop stopped writing in the middle of a frame and of a sample.
    f.WriteRecording(2 * 144000 + 5000, 44 + 4 * 100 + 2);
    f.board.SetWord(window::kDiskOverrunCounter, 1);
    f.panel->Command(kStopDv);
    EXPECT_EQ(f.Captions(), Calls{"Recording Stopped due Disk Overrun"});
    EXPECT_EQ(f.ui.Boxes()[0].caption, "Velmar Error");
    EXPECT_EQ(fs::file_size(f.dv), 2u * 144000);
    const std::string wave = ReadAll(f.wav);
    ASSERT_EQ(wave.size(), 44u + 400);
    const auto layout = wav::ParseWaveLayout(std::vector<std::uint8_t>(wave.begin(), wave.end()), wave.size());
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->dataBytes, 400u);
}

TEST(DvRecord, InitBrowseAndEditsKeepTheirKeys) {
    DvFixture f;
    EXPECT_EQ(f.view.Text(kPathDv), f.dv);
    EXPECT_EQ(f.view.Text(kPathDvAudio), f.wav);
    EXPECT_TRUE(f.view.Checked(kRecordAudioDv));
    EXPECT_TRUE(f.view.Flat(kStopDv));

    const struct {
        ControlId button, edit;
        const char *key, *stored, *initial, *extension, *filter;
    } browses[] = {
        {kFileDv, kPathDv, "PATHDVR", "/x/old", "*.dv", "dv", "DV Files (*.dv)|*.dv|All Files (*.*)|*.*||"},
        {kFileDvAudio, kPathDvAudio, "PATHDVAR", "/x/old.aud", "*.aud", "wav",
         "Audio Files (*.wav)|*.wav|All Files (*.*)|*.*||"},
    };
    for (const auto& b : browses) {
        f.SetKey(b.key, b.stored);
        f.ui.choosers.clear();
        f.ui.ScriptChoice(std::string("/x/new.") + b.extension);
        f.panel->Command(b.button);
        ASSERT_EQ(f.ui.choosers.size(), 1u);
        EXPECT_EQ(f.ui.choosers[0].initialName, b.initial);
        EXPECT_EQ(f.ui.choosers[0].defaultExtension, b.extension);
        EXPECT_EQ(f.ui.choosers[0].filter, b.filter);
        EXPECT_EQ(f.ui.choosers[0].startFolder, "/x");
        EXPECT_FALSE(f.ui.choosers[0].askBeforeReplacing);
        EXPECT_EQ(f.profile.GetString("BOARD1", b.key), std::string("/x/new.") + b.extension);
        EXPECT_EQ(f.view.Text(b.edit), std::string("/x/new.") + b.extension);
    }

    f.view.Type(kPathDv, "/y/typed.dv");
    f.panel->EditLostFocus(kPathDv);
    f.view.Type(kPathDvAudio, "/y/typed.wav");
    f.panel->EditLostFocus(kPathDvAudio);
    f.view.Click(kRecordAudioDv);
    f.panel->Command(kRecordAudioDv);
    EXPECT_EQ(f.profile.GetString("BOARD1", "PATHDVR"), "/y/typed.dv");
    EXPECT_EQ(f.profile.GetString("BOARD1", "PATHDVAR"), "/y/typed.wav");
    EXPECT_EQ(f.profile.GetString("BOARD1", "LINKDVR"), "0");

    // Nothing to record into: a message, and no output is opened.
    f.view.Type(kPathDv, "");
    f.Mark();
    f.panel->Command(kRecordDv);
    EXPECT_EQ(f.Captions(), Calls{"Choose the DV record files first"});
    EXPECT_EQ(f.NewLines(), Calls{"mwcmd -p 0x0 0x9f0600"});
}

}  // namespace
}  // namespace velmar
