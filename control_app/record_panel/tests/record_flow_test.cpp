// The status loop over a fake board window, the restart switches, and the record flow: output
// files, RECORD / PAUSE / FR STEP / STOP, audio, and compress-from-file sources.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "record_fixture.h"

namespace velmar {
namespace {

using namespace record_testing;
using namespace record_ids;

constexpr std::uint32_t kOutput0Status = 0x11A4;

TEST(RecordTimer, DisplaysOverrunAndDrainCounters) {
    RecordFixture f;
    f.SetKey("PALMODE", "1");
    f.SetKey("RPATHV", "take.mpg");
    f.StartUp();
    f.Tick();
    EXPECT_EQ(f.view.Text(kVideoCount), "not recoding");
    f.view.SetText(kVideoCount, "touched");
    f.Tick();
    EXPECT_EQ(f.view.Text(kVideoCount), "touched");  // written once, not on every tick

    f.board.SetWord(window::kRecordTimecode + 12, 0x81020304);
    f.Tick();
    EXPECT_EQ(f.view.Text(kVitcDisplay), "01:02:03:04");

    f.panel->Command(kRecordVideo);
    ASSERT_EQ(f.panel->GetRecordState(), RecordState::Recording);
    // The board counts fields: 50 of them are one second in PAL.
    f.board.SetWord(window::kRecordStatus + 16, 50);
    f.Tick();
    EXPECT_EQ(f.view.Text(kVideoCount), "00:00:01:00");

    // The drain counters climb on unchanged ticks and stop at 40.
    for (int i = 0; i < 50; ++i) f.Tick();
    EXPECT_EQ(f.panel->Drain(0).count, 40);
    f.board.SetWord(kOutput0Status, 7);
    f.Tick();
    EXPECT_EQ(f.panel->Drain(0).count, 0);

    // An overrun stops the recording on the next tick, with its message.
    f.board.SetWord(window::kDiskOverrunCounter, 1);
    f.Tick();
    EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
    EXPECT_EQ(f.BoxTexts().back(), "Recording Stopped due Disk Overrun");
    f.Tick();
    EXPECT_EQ(f.view.Text(kVideoCount), "not recoding");
}

TEST(RecordTimer, ServiceLoopEndClosesThePanel) {
    RecordFixture f;
    f.StartUp();
    f.library.EndDaemon(10);
    f.panel->Link()->JoinDaemon();
    f.Tick();
    EXPECT_TRUE(f.host.destroyed);
    EXPECT_EQ(f.Key("RECPLAY"), "1");
    EXPECT_EQ(f.Key("RECREF"), "4");
    EXPECT_EQ(f.BoxTexts().back(),
              "Video Error or No Video Source Detected. Program will Switch to Freerun and Close.");
}

TEST(RecordSwitches, RestartUnlessAlreadyActive) {
    RecordFixture f;
    f.SetKey("RECMODE", "1");
    f.StartUp();
    std::size_t mark = f.Mark();
    f.panel->Command(kMode422);
    f.panel->Command(kNtsc);
    EXPECT_TRUE(f.Sent(mark).empty());
    EXPECT_TRUE(f.ui.programs.empty());

    f.panel->Command(kPal);
    EXPECT_EQ(f.Key("PALMODE"), "1");
    EXPECT_EQ(f.Key("RECMODE"), "1");
    ASSERT_EQ(f.ui.programs.size(), 1u);
    EXPECT_EQ(f.ui.programs[0].program, "Velmar");
    EXPECT_NE(f.ui.programs[0].arguments[0].find("-1 -mr"), std::string::npos);
    EXPECT_TRUE(f.panel->Restarting());

    RecordFixture g;
    g.StartUp();
    mark = g.Mark();
    g.panel->Command(kModeMpeg1);
    EXPECT_EQ(g.Key("RECMODE"), "4");
    EXPECT_EQ(g.Sent(mark), (Lines{"mwcmd -p 0x0 0xd0107 0x01010000 0x01000101 0xbb80 0x0 0x010000 0x0 0x0"}));
    RecordFixture h;
    h.StartUp();
    h.panel->Command(kSwitchPlayback);
    EXPECT_NE(h.ui.programs.at(0).arguments[0].find("-1 -mp"), std::string::npos);
}

struct FlowFixture : RecordFixture {
    explicit FlowFixture(std::uint32_t type = window::kNewerBoardType) : RecordFixture(type) {
        SetKey("RPATHV", "take.mpg");
        SetKey("RPATHA", "take.wav");
        StartUp();
    }
};

TEST(RecordFlow, LiveRecordPauseResumeAndStop) {
    FlowFixture f;
    f.board.SetWord(window::kDiskOverrunCounter, 0);
    f.files.Write("take.mdb", "old index");
    std::size_t mark = f.Mark();
    f.panel->Command(kRecordVideo);
    Lines sent = f.Sent(mark);
    EXPECT_EQ(sent.front(), "mwcmd -o0B <take.mpg>");
    EXPECT_EQ(sent[1], "mwcmd -s 0xffffffff 0xb1130002 0x0 0x1");
    EXPECT_EQ(sent.back(), "mwcmd -p 0xffffffff 0x80010000");
    EXPECT_FALSE(std::filesystem::exists("take.mdb"));
    EXPECT_TRUE(f.view.Flat(kRecordVideo));
    EXPECT_FALSE(f.view.Flat(kStopVideo));

    mark = f.Mark();
    f.panel->Command(kRecordVideo);  // already recording
    f.panel->Command(kPauseVideo);
    f.panel->Command(kRecordVideo);  // resumes at once: time word 0
    EXPECT_EQ(f.Sent(mark), (Lines{"mwcmd -p 0xffffffff 0x80030000", "mwcmd -p 0x0 0x80040000"}));

    mark = f.Mark();
    f.host.events.clear();
    f.panel->Command(kStopVideo);
    EXPECT_EQ(f.Sent(mark), (Lines{"mwcmd -p 0xffffffff 0x80020001 0x1", "mwcmd -U0"}));
    EXPECT_EQ(f.host.events, (std::vector<std::string>{"show close", "close close"}));
    EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
    EXPECT_TRUE(f.view.Flat(kStopVideo));
    EXPECT_FALSE(f.view.Flat(kRecordVideo));
    mark = f.Mark();
    f.panel->Command(kStopVideo);
    EXPECT_TRUE(f.Sent(mark).empty());
}

TEST(RecordFlow, PauseAndFrameStepFromIdle) {
    FlowFixture f;
    f.board.SetWord(window::kRecordTimecode + 4, 0x00000010);  // frame 10
    f.board.SetWord(window::kDiskOverrunCounter, 3);           // left from an earlier run
    f.board.SetWord(window::kEncoderIndexRing, 55);
    std::size_t mark = f.Mark();
    f.panel->Command(kFrameStep);
    Lines sent = f.Sent(mark);
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(Lines(sent.end() - 2, sent.end()),
              (Lines{"mwcmd -s 0x18 0x80010000", "mwcmd -s 0x25 0x80030000"}));
    EXPECT_EQ(f.board.Word(window::kDiskOverrunCounter), 0u);
    EXPECT_EQ(f.board.Word(window::kEncoderIndexRing), 0u);
    EXPECT_EQ(f.panel->GetRecordState(), RecordState::Paused);
    mark = f.Mark();
    f.panel->Command(kFrameStep);
    EXPECT_EQ(f.Sent(mark), (Lines{"mwcmd -s 0x18 0x80040000", "mwcmd -s 0x19 0x80030000"}));
    f.Tick();
    EXPECT_EQ(f.panel->GetRecordState(), RecordState::Paused);  // no stale overrun stops it
}

TEST(RecordFlow, AudioRecordAfterAnOverrunKeepsRecording) {
    FlowFixture f;
    f.board.SetWord(window::kDiskOverrunCounter, 2);  // left from an earlier run
    f.panel->Command(kRecordAudio);
    ASSERT_TRUE(f.panel->AudioRecording());
    f.Tick();
    EXPECT_TRUE(f.panel->AudioRecording());
    EXPECT_EQ(f.board.Word(window::kDiskOverrunCounter), 0u);
}

TEST(RecordFlow, Linked422RecordingEndsWithTheWaveHeader) {
    RecordFixture f;
    f.SetKey("RECMODE", "1");
    f.SetKey("PALMODE", "1");
    f.SetKey("LINKRAUD", "1");
    f.SetKey("RAUDRATE", "44");
    f.SetKey("RPATHV", "take.mpg");
    f.SetKey("RPATHA", "take.wav");
    f.StartUp();
    std::size_t mark = f.Mark();
    f.panel->Command(kRecordVideo);
    Lines sent = f.Sent(mark);
    EXPECT_EQ(sent[0], "mwcmd -o1B -R <take.wav>");
    EXPECT_EQ(sent[1], "mwcmd -o0B <take.mpg>");
    EXPECT_EQ(sent.back(), "mwcmd -p 0xffffffff 0x80010000 0xffffffff 0x80010100");
    EXPECT_TRUE(f.panel->AudioRecording());
    // What the service loop would have written by the stop.
    f.files.Write("take.wav", std::string(44 + 1764, '\x01'));
    mark = f.Mark();
    f.panel->Command(kStopVideo);
    EXPECT_EQ(f.Sent(mark), (Lines{"mwcmd -p 0xffffffff 0x80020001 0x1 0xffffffff 0x80020101 0x1", "mwcmd -U0",
                                   "mwcmd -U1", "mwcmd -s 0xffffffff 0xb1110001 0x4"}));
    EXPECT_FALSE(f.panel->AudioRecording());
    std::ifstream wav("take.wav", std::ios::binary);
    std::vector<char> head(44);
    wav.read(head.data(), 44);
    const auto layout = wav::ParseWaveLayout(std::vector<std::uint8_t>(head.begin(), head.end()), 44 + 1764);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->sampleRate, 44100u);
    EXPECT_EQ(layout->dataBytes, 1764u);
}

// Closing the window under a recording ends it as STOP does before the service loop is told to
// quit, so its files are complete.
TEST(RecordFlow, ClosingTheWindowStopsTheRecordingFirst) {
    RecordFixture f;
    f.SetKey("LINKRAUD", "1");
    f.SetKey("RPATHV", "take.mpg");
    f.SetKey("RPATHA", "take.wav");
    f.StartUp();
    f.panel->Command(kRecordVideo);
    f.files.Write("take.wav", std::string(44 + 1766, '\x01'));  // a loop cut off mid-sample
    const std::size_t mark = f.Mark();
    f.panel->OnDestroy();
    const Lines sent = f.Sent(mark);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(Lines(sent.begin(), sent.begin() + 3),
              (Lines{"mwcmd -p 0xffffffff 0x80020001 0x1 0xffffffff 0x80020101 0x1", "mwcmd -U0", "mwcmd -U1"}));
    EXPECT_EQ(sent.back(), "mquit");
    EXPECT_FALSE(f.panel->AudioRecording());
    std::ifstream wav("take.wav", std::ios::binary);
    std::vector<char> head(44);
    wav.read(head.data(), 44);
    const auto layout = wav::ParseWaveLayout(std::vector<std::uint8_t>(head.begin(), head.end()), 44 + 1764);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->dataBytes, 1764u) << "whole samples, and the header says so";
}

TEST(RecordFlow, OutputFilesByteSwapOverwriteAndEmptyPaths) {
    struct Case {
        std::uint32_t type;
        bool swap;
        const char* line;
    };
    for (const Case& c : {Case{window::kNewerBoardType, true, "mwcmd -o0B -R <take.mpg>"},
                          Case{window::kNewerBoardType, false, "mwcmd -o0B <take.mpg>"},
                          Case{0x1234, true, "mwcmd -o0B <take.mpg>"}, Case{0x1234, false, "mwcmd -o0B -R <take.mpg>"}}) {
        FlowFixture f(c.type);
        f.view.SetChecked(kByteSwap, c.swap);
        const std::size_t mark = f.Mark();
        f.panel->Command(kRecordVideo);
        EXPECT_EQ(f.Sent(mark).front(), c.line);
    }
    FlowFixture f;
    f.files.Write("take.mpg", "old");
    f.ui.ScriptAnswer(velmar_ui::BoxAnswer::No);
    std::size_t mark = f.Mark();
    f.panel->Command(kRecordVideo);
    EXPECT_TRUE(f.Sent(mark).empty());
    EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
    EXPECT_EQ(f.ui.Boxes().back().caption, "Velmar File Warning?");
    EXPECT_TRUE(std::filesystem::exists("take.mpg"));

    f.view.SetText(kVideoPath, "");
    mark = f.Mark();
    f.panel->Command(kRecordVideo);
    EXPECT_TRUE(f.Sent(mark).empty());
    EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
    f.panel->Command(kRecordAudio);
    f.view.SetText(kAudioPath, "");
    f.panel->Flow().StopAudioRecord();
    f.panel->Command(kPauseAudio);
    EXPECT_EQ(f.BoxTexts().back(), "Feature Not Yet Implemented");
}

TEST(RecordFlow, Mpeg1StopRemovesThePictureIndex) {
    RecordFixture f;
    f.SetKey("RECMODE", "4");
    f.SetKey("RPATHV", "take.mpg");
    f.StartUp();
    f.panel->Command(kRecordVideo);
    f.files.Write("take.mdb", "written by the service loop");
    f.panel->Command(kStopVideo);
    EXPECT_FALSE(std::filesystem::exists("take.mdb"));
}

std::string FilmStrip(std::uint32_t frames, std::uint16_t width, std::uint16_t height) {
    std::string trailer(36, '\0');
    std::memcpy(trailer.data(), "Rand", 4);
    for (int i = 0; i < 4; ++i) trailer[4 + i] = static_cast<char>(frames >> (24 - 8 * i));
    trailer[12] = static_cast<char>(width >> 8), trailer[13] = static_cast<char>(width);
    trailer[14] = static_cast<char>(height >> 8), trailer[15] = static_cast<char>(height);
    return std::string(64, 'p') + trailer;
}

TEST(CompressFromFile, SourcesAreCheckedBeforeAnythingStarts) {
    struct Case {
        const char* path;
        int fields;
        bool fieldMode;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"strip.flm", 200, false, nullptr},
        {"strip.flm", 201, false, "File \"strip.flm\" only contains 200 fields"},
        {"strip.flm", 100, true, "File \"strip.flm\" does not match encoding resolution \nFile resolution = 720x480 "
                                 "\nEncoder setting = 720x480"},
        {"half.flm", 100, true, nullptr},
        {"half.flm", 101, true, "File \"half.flm\" only contains 100 fields"},
        {"STRIP.FLM", 2, false, "File must end in .flm, .tga, or .mov"},
        {"nothing.flm", 2, false, "File Error opening file \"nothing.flm\""},
        {"junk.flm", 2, false, "File \"junk.flm\" is not a valid \"filmstrip\" file"},
        {"frame.tga", 2, false, "No digit found on end of file base."},
        {"frame0001.tga", 2, false, nullptr},
        {"rle0001.tga", 2, false, "File \"rle0001.tga\" is not a supported \"Targa\" format"},
        {"clip.mov", 2, false, nullptr},
    };
    for (const Case& c : cases) {
        FlowFixture f;
        f.files.Write("strip.flm", FilmStrip(100, 720, 480));
        f.files.Write("half.flm", FilmStrip(100, 720, 240));
        f.files.Write("STRIP.FLM", FilmStrip(100, 720, 480));
        f.files.Write("junk.flm", std::string(80, 'j'));
        std::string tga(18, '\0');
        tga[2] = 2, tga[12] = static_cast<char>(0xD0), tga[13] = 2, tga[14] = static_cast<char>(0xE0), tga[15] = 1;
        tga[16] = 24;
        f.files.Write("frame.tga", tga);
        f.files.Write("frame0001.tga", tga);
        tga[2] = 10;
        f.files.Write("rle0001.tga", tga);
        f.files.Write("clip.mov", "moov");
        f.view.Click(c.fieldMode ? kFieldRadio : kFrameRadio);
        f.view.SetText(kCompressPath, c.path);
        f.view.SetText(kCompressFields, std::to_string(c.fields));
        const std::size_t mark = f.Mark();
        f.panel->Command(kRecordVideo);
        const Lines sent = f.Sent(mark);
        if (c.message) {
            EXPECT_EQ(f.BoxTexts().back(), c.message) << c.path;
            EXPECT_EQ(sent, (Lines{"mwcmd -p 0x0 0x9f0500"})) << c.path;
            EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
            continue;
        }
        EXPECT_EQ(f.panel->GetRecordState(), RecordState::Recording) << c.path;
        const std::string name = c.path;
        const std::string input = name == "half.flm" ? "mwcmd -i2B -l1 <half.flm>" : "mwcmd -i2B -l1 -I <" + name + ">";
        EXPECT_EQ(sent[1], input);
        EXPECT_EQ(sent[2], "mwcmd -o0B <take.mpg>");
        EXPECT_EQ(sent[sent.size() - 2], "mwr 0x40030 0x00000001");
        EXPECT_EQ(sent.back().rfind("mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 ", 0), 0u) << sent.back();
        const FrameSourceDescriptor d = f.panel->Descriptor();
        if (name == "strip.flm") {
            EXPECT_EQ(sent.back(), "mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 0x00120000 -s 0xFFFFFFFF 0x00100001 0x64");
            EXPECT_EQ(d.bytesPerLine, 2880u);
            EXPECT_EQ(d.lines, 480u);
        }
        if (name == "frame0001.tga") {
            EXPECT_EQ(d.bytesPerLine, 2160u);
        }
        if (name == "clip.mov") {
            EXPECT_EQ(d.skip, 8u);
        }
        // STOP turns compress-from-file off again.
        const std::size_t stopMark = f.Mark();
        f.panel->Command(kStopVideo);
        EXPECT_EQ(f.Sent(stopMark).back(), "mwr 0x40030 0x00000000");
    }
}

TEST(RecordFlow, BrowseOffersTheStoredExtension) {
    FlowFixture f;
    f.ui.ScriptChoice(std::string("/data/new.mpg"));
    f.panel->Command(kVideoFile);
    ASSERT_EQ(f.ui.choosers.size(), 1u);
    EXPECT_EQ(f.ui.choosers[0].initialName, "*.mpg");
    EXPECT_EQ(f.ui.choosers[0].defaultExtension, "mpg");
    // Outputs are chosen with a save form that offers the elementary stream extensions too.
    EXPECT_TRUE(f.ui.choosers[0].save);
    EXPECT_FALSE(f.ui.choosers[0].askBeforeReplacing);
    EXPECT_EQ(f.ui.choosers[0].filter.rfind("MPEG Files (*.mpg;*.m2v;*.m1v)|*.mpg;*.m2v;*.m1v|", 0), 0u);
    EXPECT_EQ(f.Key("RPATHV"), "/data/new.mpg");
    EXPECT_EQ(f.view.Text(kVideoPath), "/data/new.mpg");
    f.view.SetText(kCompressPath, "a.xyz");
    f.panel->EditChanged(kCompressPath);
    f.panel->Command(kCompressFile);
    EXPECT_EQ(f.ui.choosers[1].initialName, "*.*");
    EXPECT_EQ(f.ui.choosers[1].filter.rfind("All Files (*.*)|*.*|FilmStrip", 0), 0u);
    f.panel->EditLostFocus(kCompressPath);
    EXPECT_EQ(f.Key("PATHEIO"), "a.xyz");
    f.panel->Command(kAudioFile);
    EXPECT_TRUE(f.ui.choosers[2].save);
    EXPECT_FALSE(f.ui.choosers[1].save);
}

TEST(RecordFlow, PathsLongerThanTheBoardTakesAreRefused) {
    const std::string tooLong = "/data/" + std::string(250, 'n') + ".mpg";  // 260 characters
    FlowFixture f;
    f.ui.ScriptChoice(tooLong);
    f.panel->Command(kVideoFile);
    EXPECT_EQ(f.Key("RPATHV"), "take.mpg");
    EXPECT_EQ(f.ui.Boxes().back().caption, "Velmar File Error");
    for (const velmar_ui::ControlId path : {kVideoPath, kAudioPath}) {
        f.view.SetText(path, tooLong);
        f.panel->EditChanged(path);
        const std::size_t mark = f.Mark();
        f.panel->Command(path == kVideoPath ? kRecordVideo : kRecordAudio);
        EXPECT_TRUE(f.Sent(mark).empty());
        EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
        EXPECT_FALSE(f.panel->AudioRecording());
        f.view.SetText(path, path == kVideoPath ? "take.mpg" : "take.wav");
        f.panel->EditChanged(path);
    }
    const std::string longest = tooLong.substr(1);
    std::filesystem::create_directories("data");  // an output goes only into a folder that exists
    f.view.SetText(kVideoPath, longest);
    const std::size_t mark = f.Mark();
    f.panel->Command(kRecordVideo);
    EXPECT_EQ(f.Sent(mark).front(), "mwcmd -o0B <" + longest + ">");
}

}  // namespace
}  // namespace velmar
