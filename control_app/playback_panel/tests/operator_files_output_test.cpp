// What the panel writes and what it trusts of the operator's files: the overwrite question removes
// only a regular file, no output replaces a file the panel reads, a failed output says what
// happened, and sizes and index records that lie are refused rather than sent to the board.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "index_formats/picture_index.h"
#include "panel_fixture.h"
#include "play_lists/video_play_list.h"
#include "playback_panel/alpha_channel.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/dv_record.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/video_channel.h"
#include "record_output/record_output.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
namespace fs = std::filesystem;

constexpr const char* kInUse = " is a clip, index, list or data file Velmar reads: choose another output";

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The playback panel with every group of its own: a clip with its index on Video A, an alpha
// stream with its index, a video play list and an audio file.
struct FilesFixture : PanelFixture {
    FilesFixture() : PanelFixture(true, 0x8120) {
        files.Write("clip.mpg", MpegClip());
        files.Write("clip.mdb", MpegIndex());
        files.Write("song.wav", std::string(64, 's'));
        alpha_stream::AlphaGenParams fade;
        fade.fieldCount = 4;
        fade.outputFile = (fs::current_path() / "fade.alp").string();
        alpha_stream::AlphaGenRun run;
        EXPECT_EQ(alpha_stream::GenerateFadeCrossAlpha(fade, run).status, platform::RunStatus::Done);
        EXPECT_TRUE(alpha_stream::BuildAlphaIndexFile(fade.outputFile));
        files.Write("list.vpl", "<clip.mpg><0><2><0>\n");
        SetKey("PATHVA", Here("clip.mpg"));
        SetKey("PATHALP", fade.outputFile);
        SetKey("PATHPL", Here("list.vpl"));
        SetKey("PATHAUD", Here("song.wav"));
        SetKey("PATHDVR", Here("take.dv"));
        SetKey("LINKDVR", "0");
        SetKey("LOGFILE", "files.log");
        library.bus.readAnswers = {{0x31, 0x00}, {0x21, 8}};  // EEPROM ready, DSP revision 8
        Make();
        InstallVideoChannels(*panel);
        InstallAlphaAndPlayList(*panel);
        InstallAudioChannel(*panel);
        InstallDvRecord(*panel);
        StartUp();
        library.WaitDaemonRunning();
        Mark();
    }

    static std::string Here(const std::string& name) { return (fs::current_path() / name).string(); }
    void Mark() {
        seen = LoggedLines("files.log").size();
        boxes = ui.Boxes().size();
    }
    // Board command lines since Mark().
    Calls NewLines() {
        const auto all = LoggedLines("files.log");
        Calls out;
        for (std::size_t i = seen; i < all.size(); ++i)
            if (all[i].rfind("mwcmd", 0) == 0 && all[i].rfind("mwcmd -s 0xffffffff 0x0009", 0) != 0)
                out.push_back(all[i]);
        return out;
    }
    bool Sent(const std::string& start) {
        for (const auto& line : NewLines())
            if (line.rfind(start, 0) == 0) return true;
        return false;
    }
    // Box texts since Mark().
    std::vector<std::string> NewBoxes() const {
        std::vector<std::string> texts;
        for (std::size_t i = boxes; i < ui.Boxes().size(); ++i) texts.push_back(ui.Boxes()[i].text);
        return texts;
    }
    CVideoChannel& VideoA() { return static_cast<CVideoChannel&>(*panel->Channels().videoA); }
    void RecordDvTo(const std::string& path) {
        view.Type(kPathDv, path);
        Mark();
        panel->Command(kRecordDv);
    }
    void DecodeTo(const std::string& path) {
        view.Type(kDecodePath, path);
        view.Type(kDecodeFields, "30");
        Mark();
        panel->Command(kPlayA);
    }

    std::size_t seen = 0, boxes = 0;
};

TEST(OperatorFiles, OverwriteRemovesOnlyARegularFile) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        bool removed;
    };
    const std::vector<Case> cases{
        {"regular file", [](const std::string& p) { std::ofstream(p) << "old take"; }, true},
        {"pipe", [](const std::string& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false},
        {"empty folder", [](const std::string& p) { fs::create_directory(p); }, false},
        {"link to a file", [](const std::string& p) {
             std::ofstream("target.dv") << "kept";
             fs::create_symlink("target.dv", p);
         }, false},
        {"link to a device", [](const std::string& p) { fs::create_symlink("/dev/null", p); }, false},
    };
    // The question is the record panel's too (ConfirmOverwrite); DV record's Yes is the box's default.
    for (const auto& c : cases) {
        FilesFixture f;
        const std::string path = f.Here("take.dv");
        c.make(path);
        f.RecordDvTo(path);
        const bool present = fs::exists(fs::symlink_status(path));
        if (c.removed) {
            EXPECT_FALSE(present) << c.name;
            EXPECT_TRUE(f.Sent("mwcmd -o6B <" + path + ">")) << c.name;
            EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{"File Already Exists Do You Wish to Overwrite?"});
            continue;
        }
        EXPECT_TRUE(present) << c.name;
        EXPECT_FALSE(f.Sent("mwcmd -o6B")) << c.name;
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{path + " is not a regular file and is not overwritten"})
            << c.name;
    }
}

TEST(OperatorFiles, NoOutputOverwritesAnInputInUse) {
    // Each file the panel reads, under the name the operator might give it as an output: refused
    // in one box.
    const std::vector<std::string> inputs{"clip.mpg", "clip.mdb", "./clip.mpg", "fade.alp", "fade.adb",
                                          "list.vpl", "song.wav", "mpeg/black1.mpg", "ucode/dsp.hex",
                                          "link-to-clip.mpg"};
    for (const auto& name : inputs) {
        for (bool decode : {false, true}) {
            FilesFixture f;
            fs::create_symlink("clip.mpg", "link-to-clip.mpg");
            const std::string before = ReadAll(name);
            if (decode) f.DecodeTo(name);
            else f.RecordDvTo(name);
            EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{name + kInUse}) << name << (decode ? " decode" : " DV");
            EXPECT_EQ(ReadAll(name), before) << name;
            EXPECT_FALSE(f.Sent(decode ? "mwcmd -o5B" : "mwcmd -o6B")) << name;
        }
    }
    // An output beside them is taken as before.
    FilesFixture f;
    f.RecordDvTo("take.dv");
    EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{});
    EXPECT_TRUE(f.Sent("mwcmd -o6B <take.dv>"));
}

// Decode to file and DV record say why an output cannot be written.
TEST(OperatorFiles, FailedOutputsSayWhatHappened) {
    const std::string tooLong = fs::current_path().string() + "/" + std::string(260, 'n') + ".flm";
    {
        FilesFixture f;
        f.DecodeTo(tooLong);
        ASSERT_EQ(f.NewBoxes().size(), 1u) << "one box";
        EXPECT_EQ(f.NewBoxes().front().rfind("The path is longer than 259 characters", 0), 0u);
        EXPECT_FALSE(f.Sent("mwcmd -o5B"));
    }
    {
        FilesFixture f;
        const std::string missing = f.Here("no-such-folder/take.dv");
        f.RecordDvTo(missing);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{"Can't create " + missing + ": its folder does not exist"});
        EXPECT_FALSE(f.Sent("mwcmd -o6B"));
    }
    {
        // A full disk when the trailer is appended: the file may not grow past what it holds.
        FilesFixture f;
        const std::string out = f.Here("out.flm");
        f.DecodeTo(out);
        ASSERT_TRUE(f.VideoA().Decoding());
        constexpr std::size_t kPicture = 720 * 2 * 480;  // one NTSC frame, 4:2:2
        std::ofstream(out, std::ios::binary) << std::string(kPicture, 'p');
        rlimit previous{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = previous;
        full.rlim_cur = kPicture;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
        f.Mark();
        f.panel->Command(kStopA);
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(f.NewBoxes(),
                  std::vector<std::string>{"Can't write the end of the decode output file " + out +
                                           ": the disk may be full"});
    }
}

TEST(OperatorFiles, HugeIndexesKeepTheClipLengthInRange) {
    // Indexes of 2^31 and 2^32 words (holes in the file: nothing is written).
    for (std::uintmax_t bytes : {std::uintmax_t{8} << 30, std::uintmax_t{16} << 30}) {
        FilesFixture f;
        fs::resize_file("clip.mdb", bytes);
        f.VideoA().ReloadClip();
        EXPECT_EQ(f.VideoA().Length(), 0x7FFFFFFFu);
        f.view.Type(kStartA, "00000004");
        f.panel->EditLostFocus(kStartA);
        f.Mark();
        f.panel->Command(kPlayA);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{});
        EXPECT_EQ(f.VideoA().State(), VideoState::Playing);
        fs::resize_file("clip.mdb", 0);
    }
}

TEST(OperatorFiles, IndexAndListEntriesThatLieAreRefused) {
    {
        // Every record claims 255 pictures of its group before it: the group would begin before
        // the clip.
        FilesFixture f;
        std::vector<index_formats::PictureIndexRecord> records(6, {0, 255, 1, true});
        const auto bytes = index_formats::EncodePictureIndex(records);
        f.files.Write("clip.mdb", std::string(bytes.begin(), bytes.end()));
        f.view.Type(kStartA, "00000004");
        f.panel->EditLostFocus(kStartA);
        f.Mark();
        f.panel->Command(kPlayA);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{"Invalid Offset detected"});
        EXPECT_FALSE(f.Sent("mwcmd -i0B"));
    }
    // A last frame past the board's 32-bit field words holds no entry; the largest it reaches does.
    EXPECT_FALSE(play_lists::ParseVideoListEntry("<clip.mpg><0><4294967296><0>"));
    EXPECT_FALSE(play_lists::ParseVideoListEntry("<clip.mpg><0><2147483647><0>"));
    EXPECT_TRUE(play_lists::ParseVideoListEntry("<clip.mpg><0><2147483646><0>"));
    {
        FilesFixture f;
        f.files.Write("list.vpl", "<clip.mpg><0><4294967296><0>\n");
        f.Mark();
        f.panel->Command(kPlayList);
        EXPECT_EQ(f.NewBoxes(),
                  std::vector<std::string>{"No entry of the play list " + f.Here("list.vpl") +
                                           " holds the start position"});
        EXPECT_FALSE(f.Sent("mwcmd -i0B"));
    }
    // An audio list entry naming the list itself or a video clip, first or queued after it.
    for (const char* entries : {"<list.apl><0><10><0>\n", "<clip.mpg><0><10><0>\n",
                                "<song.wav><0><0><0>\n<clip.mpg><0><10><0>\n"}) {
        FilesFixture f;
        f.files.Write("list.apl", entries);
        f.view.Type(kPathAudio, f.Here("list.apl"));
        f.Mark();
        f.panel->Command(kPlayAudio);
        EXPECT_EQ(f.NewBoxes(), std::vector<std::string>{"The audio play list " + f.Here("list.apl") +
                                                         " has no valid entry"})
            << entries;
        EXPECT_FALSE(f.Sent("mwcmd -i3B")) << entries;
        EXPECT_FALSE(f.Sent("mwcmd -q14")) << entries;
    }
}

}  // namespace
}  // namespace velmar
