// The alpha channel and the video play list: the command lines of every transition, text for
// text, the stream checks, the list's seek and A/B roll schedule, and the lists that must not loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "board_link/format.h"
#include "index_formats/picture_index.h"
#include "panel_fixture.h"
#include "playback_panel/alpha_channel.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/video_channel.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
namespace fs = std::filesystem;

constexpr std::uint32_t k2000Board = 0x8120;
constexpr std::uint32_t kCounter = 100;  // c' = 116 = 0x74

struct MixFixture : PanelFixture {
    explicit MixFixture(std::uint32_t boardType = k2000Board) : PanelFixture(true, boardType) {
        for (const char* name : {"a", "b"}) {
            files.Write(std::string(name) + ".mpg", MpegClip());
            files.Write(std::string(name) + ".mdb", MpegIndex());
        }
        alpha_stream::AlphaGenParams fade;
        fade.fieldCount = 4;
        fade.outputFile = (fs::current_path() / "fade.alp").string();
        alpha_stream::AlphaGenRun run;
        EXPECT_EQ(alpha_stream::GenerateFadeCrossAlpha(fade, run).status, platform::RunStatus::Done);
        EXPECT_TRUE(alpha_stream::BuildAlphaIndexFile(fade.outputFile));
        alp = fade.outputFile;
        SetKey("PATHVA", (fs::current_path() / "a.mpg").string());
        SetKey("PATHVB", (fs::current_path() / "b.mpg").string());
        SetKey("LOGFILE", "mix.log");
        Make();
        InstallVideoChannels(*panel);
        InstallAlphaAndPlayList(*panel);
        InstallAudioChannel(*panel);
        alphaChannel = static_cast<CAlphaChannel*>(panel->Channels().alpha.get());
        list = static_cast<CPlayListChannel*>(panel->Channels().playList.get());
        StartUp();
        library.WaitDaemonRunning();
        board.SetWord(window::kChannelAStatus + 4, kCounter);
        board.SetWord(window::kChannelBStatus + 4, kCounter);
        Mark();
    }

    void Mark() { seen = LoggedLines("mix.log").size(); }
    // Board command lines since Mark(), the folder of the test's files replaced by "./".
    Calls NewLines() {
        const auto all = LoggedLines("mix.log");
        const std::string folder = fs::current_path().string() + "/";
        Calls out;
        for (std::size_t i = seen; i < all.size(); ++i) {
            std::string line = all[i];
            if (line.rfind("mwcmd", 0) != 0 || line.rfind("mwcmd -s 0xffffffff 0x0009", 0) == 0) continue;
            for (auto at = line.find(folder); at != std::string::npos; at = line.find(folder))
                line.replace(at, folder.size(), "./");
            out.push_back(line);
        }
        Mark();
        return out;
    }
    void Enter(ControlId id, const std::string& text) {
        view.Type(id, text);
        panel->EditChanged(id);
        panel->EditLostFocus(id);
    }

    std::string alp;
    CAlphaChannel* alphaChannel = nullptr;
    CPlayListChannel* list = nullptr;
    std::size_t seen = 0;
};

// Without a clip, an alpha stream, an audio file or a list, or without the index that measures it,
// the length displays show nothing: the defaults kept inside are no lengths.
TEST(PanelDisplays, LengthsShowNothingWithoutAFileOrItsIndex) {
    MixFixture f;
    f.files.Write("plain.mpg", MpegClip());
    f.files.Write("tone.wav", std::string(640640, '\x11'));  // 100 frames at 48 kHz in NTSC
    fs::copy_file(f.alp, "plain.alp");
    const std::string a = (fs::current_path() / "a.mpg").string();
    const struct {
        ControlId path, display;
        std::string file, shown;
    } cases[] = {
        {kPathA, kLengthA, a, "00:00:00:06  R"},     {kPathA, kLengthA, "", ""},
        {kPathA, kLengthA, a, "00:00:00:06  R"},     {kPathA, kLengthA, "missing.mpg", ""},
        {kPathA, kLengthA, a, "00:00:00:06  R"},     {kPathA, kLengthA, "plain.mpg", ""},
        {kPathB, kLengthB, "", ""},                  {kPathAlpha, kCountAlpha, f.alp, "0000004 R"},
        {kPathAlpha, kCountAlpha, "plain.alp", ""},  {kPathAlpha, kCountAlpha, f.alp, "0000004 R"},
        {kPathAlpha, kCountAlpha, "", ""},           {kPathList, kLengthList, "missing.vpl", ""},
        {kPathAudio, kLengthAudio, "tone.wav", "00:00:03:10"}, {kPathAudio, kLengthAudio, "missing.wav", ""},
        {kPathAudio, kLengthAudio, "", ""},
    };
    for (const auto& c : cases) {
        f.Enter(c.path, c.file);
        EXPECT_EQ(f.view.Text(c.display), c.shown) << c.path << " " << c.file;
    }
}

TEST(AlphaChannel, TransitionsOutsideAListTextForText) {
    MixFixture f;
    const auto boxes = f.ui.Boxes().size();  // start-up's own
    f.Enter(kPathAlpha, f.alp);
    EXPECT_EQ(f.view.Text(kCountAlpha), "0000004 R");  // 4 frames, in the 2000-type board's order
    f.NewLines();
    struct Step {
        ControlId button;
        Calls lines;
        AlphaState state;
        bool viewB;
    };
    const Step steps[] = {
        {kPlayAlpha, {"mwcmd -i2B -l0 -O 0x0 0x0 0 0x0 -F <./fade.alp>", "mwcmd -p 0x0  0x9b0102 0xffffffff 0x0 -L2"}, AlphaState::Playing, true},
        {kPlayAlpha, {}, AlphaState::Playing, true},
        {kPauseAlpha, {"mwcmd -p 0x0 0x9c0101 1"}, AlphaState::Paused, true},
        {kPauseAlpha, {}, AlphaState::Paused, true},
        {kPlayAlpha, {"mwcmd -s 0xffffffff 0x9c0101 0"}, AlphaState::Playing, true},
        {kStopAlpha, {"mwcmd -p 0x0 0x9c0101 1"}, AlphaState::Stopped, true},
        {kStopAlpha, {}, AlphaState::Stopped, true},
        {kPauseAlpha,
         {"mwcmd -i2B -l0 -O 0x0 0x0 0 0x0 -F <./fade.alp>", "mwcmd -p 0x0 0x9b0002 0x74 0x0 -L2", "mwcmd -s 0x74 0x9c0001 1"},
         AlphaState::Paused, false},
        {kPlayAlpha, {"mwcmd -s 0xffffffff 0x9c0001 0"}, AlphaState::Playing, false},
        {kStopAlpha, {"mwcmd -p 0x0 0x9c0001 1"}, AlphaState::Stopped, false},
    };
    f.board.SetWord(window::kAlphaStopWord, 5);
    for (const Step& step : steps) {
        f.panel->Command(step.button);
        EXPECT_EQ(f.NewLines(), step.lines) << step.button;
        EXPECT_EQ(f.alphaChannel->State(), step.state);
        EXPECT_EQ(f.view.Checked(kViewB), step.viewB);
        EXPECT_EQ(f.view.Checked(kViewA), !step.viewB);
        EXPECT_EQ(f.view.Flat(kStopAlpha), step.state == AlphaState::Stopped);
    }
    EXPECT_EQ(f.board.Word(window::kAlphaStopWord), 0u);

    // An odd start frame is lowered to even and found through the .adb; without Loop Forever -l1.
    f.view.Type(kStartAlpha, "3");
    f.panel->OnEnterKey();
    EXPECT_EQ(f.view.Text(kStartAlpha), "00000003");
    f.view.SetChecked(kLoopAlpha, false);
    f.panel->Command(kPlayAlpha);
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -i2B -l1 -O 0x0 0x0 0 0x280 -F <./fade.alp>",
                                   "mwcmd -p 0x0  0x9b0102 0xffffffff 0x0 -L2"}));
    f.panel->Command(kStopAlpha);

    // No alpha path: every transition is a cut and nothing is loaded.
    f.Enter(kPathAlpha, "");
    f.NewLines();
    f.panel->Command(kPlayAlpha);
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -s 0xffffffff 0x9c0001 0x1"}));
    EXPECT_EQ(f.ui.Boxes().size(), boxes);
}

TEST(AlphaChannel, TheOtherBoardTakesTheStreamReversed) {
    MixFixture f(0);
    f.Enter(kPathAlpha, f.alp);
    EXPECT_EQ(f.view.Text(kCountAlpha), "0000004");
    EXPECT_TRUE(f.alphaChannel->Reversed());
    f.NewLines();
    f.panel->Command(kPlayAlpha);
    EXPECT_EQ(f.NewLines()[0], "mwcmd -i2B -l0 -O 0x0 0x0 0 0x0 -R -F <./fade.alp>");
    EXPECT_EQ(AlphaOrderOf(0x43434241, true), AlphaOrder::Reversed);
    EXPECT_EQ(AlphaOrderOf(0x41424343, true), AlphaOrder::AsStored);
    EXPECT_EQ(AlphaOrderOf(0x41424343, false), AlphaOrder::Reversed);
    EXPECT_EQ(AlphaOrderOf(0xB3010000, false), AlphaOrder::Invalid);
}

TEST(AlphaChannel, RefusesStreamsItCannotPlay) {
    MixFixture f;
    std::ifstream in(f.alp, std::ios::binary);
    const std::string good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    struct Case {
        const char* name;
        std::string bytes;  // empty: no file at all
        const char* box;
    };
    std::string truncated = good.substr(0, good.size() - 100);
    std::string badTable = good;
    badTable[68 + 3] = 4;  // a luma table entry inside the table
    const Case cases[] = {
        {"missing.alp", "", "Bad File Name"},
        {"mpeg.alp", MpegClip(), "Invalid ALPHA File detected"},
        {"short.alp", truncated, "Invalid ALPHA File detected"},
        {"table.alp", badTable, "Invalid ALPHA File detected"},
    };
    for (const Case& c : cases) {
        if (!c.bytes.empty()) f.files.Write(c.name, c.bytes);
        f.Enter(kPathAlpha, (fs::current_path() / c.name).string());
        f.NewLines();
        const auto before = f.ui.Boxes().size();
        f.panel->Command(kPlayAlpha);
        EXPECT_TRUE(f.NewLines().empty()) << c.name;
        ASSERT_EQ(f.ui.Boxes().size(), before + 1) << c.name;
        EXPECT_EQ(f.ui.Boxes().back().text, c.box) << c.name;
        EXPECT_EQ(f.ui.Boxes().back().caption, "Velmar File Error");
        EXPECT_EQ(f.alphaChannel->State(), AlphaState::Stopped);
    }
    // Without an .adb a start frame needs the index builder; when it fails the stream starts at
    // its first frame.
    fs::remove(index_formats::IndexPathBeside(f.alp, ".adb"));
    f.Enter(kPathAlpha, f.alp);
    f.view.Type(kStartAlpha, "2");
    f.panel->OnEnterKey();
    f.NewLines();
    f.panel->Command(kPlayAlpha);
    EXPECT_EQ(f.ui.Boxes().back().text, "Can't Find " + (fs::current_path() / "fade.adb").string() +
                                            " - Alpha Will Start From 1st Frame");
    EXPECT_EQ(f.NewLines()[0], "mwcmd -i2B -l0 -O 0x0 0x0 0 0x0 -F <./fade.alp>");
}

std::string ThreeEntries() {
    const std::string dir = fs::current_path().string() + "/";
    return "; an A/B roll\n<" + dir + "a.mpg><0><5><0><" + dir + "fade.alp><3>\n<*" + dir + "b.mpg><0><5><0>\n<" +
           dir + "b.mpg><1><5><7>\n<" + dir + "a.mpg><3><5><0>\n";
}

// A controller's request names the list and the frame to play it from; the same list again is
// not scanned again.
TEST(PlayList, RemoteRequestPlaysTheNamedListFromItsFrame) {
    MixFixture f;
    const std::string roll = (fs::current_path() / "roll.vpl").string();
    f.files.Write("roll.vpl", ThreeEntries());
    f.SetKey("PLAYLIST", roll);
    EXPECT_EQ(f.remote.Handle(kRemoteLoadAndCue, kRequestPlayList, 8), 1);
    f.Tick();
    EXPECT_EQ(f.view.Text(kPathList), roll);
    EXPECT_EQ(f.view.Text(kStartList), "00000008");
    EXPECT_EQ(f.view.Position(kSliderList), 8);
    EXPECT_EQ(f.list->Total(), 11);
    EXPECT_TRUE(f.list->Active());

    f.files.Write("roll.vpl", "; shorter now\n<" + (fs::current_path() / "a.mpg").string() + "><0><5><0>\n");
    f.remote.Handle(kRemoteCommand, kRequestPlayList, 2);
    f.Tick();
    EXPECT_EQ(f.list->Total(), 11);
    EXPECT_EQ(f.view.Text(kStartList), "00000002");
    EXPECT_TRUE(f.list->Active());
}

TEST(PlayList, ARollOfThreeEntriesTextForText) {
    MixFixture f;
    f.files.Write("roll.vpl", ThreeEntries());
    f.Enter(kPathList, (fs::current_path() / "roll.vpl").string());
    EXPECT_EQ(f.list->Total(), 11);  // 3 (to the mix) + 5 + 3
    EXPECT_EQ(f.view.Text(kLengthList), "00:00:00:11");
    f.NewLines();
    // A takes the first entry and B the second at once; A's alpha stream keys A into B.
    f.panel->Command(kPlayList);
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -p 0x0 0x9c0001 0x1",
                                   "mwcmd -i0B -l0 -O 0x0 0x100 0x0 0x0 -F <./a.mpg>",
                                   "mwcmd -p 0x0 0x930004 0xffffffff 0x74 0 0x0 -L0",
                                   "mwcmd -i2B -l0 -O 0x0 0x500 0 0x0 -F <./fade.alp>",
                                   "mwcmd -i1B -l0 -O 0x0 0x100 0x0 0x0 -F <./b.mpg>",
                                   "mwcmd -p 0x0 0x930104 0xffffffff 0x78 0 0x0 -L1",
                                   "mwcmd -p 0x0 0x9b0102 0x6 0x2 -L2",
                                   "mwcmd -s 0xc 0x9e2000",
                                   "mwcmd -s 0x6 0x9c1101 1"}));
    EXPECT_TRUE(f.list->Active());
    EXPECT_TRUE(f.view.Flat(kPlayList));
    EXPECT_EQ(f.board.Word(0x13B4), 1u);
    EXPECT_EQ(f.list->Words(0).transitionTime, 6u);
    EXPECT_EQ(f.list->Words(1).transitionTime, 12u);
    EXPECT_EQ(f.list->Words(1).endTime, 12u);
    // The third entry goes to A, queued; B's entry has no alpha stream: a cut at B's transition.
    f.Tick();
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -q4 -O 0x0 0x100 0x0 0x80 <./a.mpg>", "mwcmd -s 0xc 0x961000",
                                   "mwcmd -s 0xc 0x9c1001 0x1", "mwcmd -s 0xc 0x9e1100"}));
    EXPECT_EQ(f.board.Word(window::kQueueSlotFlags[0]), 1u);
    // After the last entry the list starts again: the first entry goes to B, its alpha queued.
    f.Tick();
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -q6 -O 0x0 0x100 0x0 0x0 <./a.mpg>", "mwcmd -s 0x12 0x962100",
                                   "mwcmd -s 0x12 0x9c2101 0x1", "mwcmd -s 0x12 0x9e2000",
                                   "mwcmd -q10 -O 0x0 0x500 0 0x0 <./fade.alp>"}));
    EXPECT_EQ(f.board.Word(window::kQueueSlotFlags[1]), 1u);
    EXPECT_EQ(f.board.Word(window::kQueueSlotFlags[2]), 1u);
    EXPECT_EQ(f.alphaChannel->PreparedLine(), "mwcmd -s 0x12 0x9c1001 0");
    // A's next entry waits while B's current queue slot is taken.
    f.board.SetWord(window::kQueueSlotFlags[1] + 4, 1);
    f.Tick();
    EXPECT_EQ(f.NewLines(), Calls{});
    f.board.SetWord(window::kQueueSlotFlags[1] + 4, 0);
    f.Tick();
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -q5 -O 0x0 0x100 0x0 0x0 <./b.mpg>", "mwcmd -s 0x10 0x961000",
                                   "mwcmd -s 0x12 0x9c1001 0", "mwcmd -s 0x18 0x9e1100", "mwcmd -s 0x18 0x9c2001 1"}));

    f.panel->Command(kStopList);
    const Calls stop = f.NewLines();
    EXPECT_EQ(stop.back(), "mwcmd -p 0x0 0x9f0f00");
    EXPECT_FALSE(f.list->Active());
    EXPECT_TRUE(f.view.Flat(kStopList));
}

// While a list plays, each channel shows the clip it plays and that clip's length, not an entry
// queued behind it; a queued entry shows once the board has taken it (cleared its slot's word).
TEST(PlayList, EachChannelShowsTheEntryItPlays) {
    MixFixture f;
    const std::string dir = fs::current_path().string() + "/";
    f.files.Write("c.mpg", MpegClip().substr(0, 128));  // one group of three pictures
    std::vector<index_formats::PictureIndexRecord> records;
    for (int k = 0; k < 3; ++k)
        records.push_back({0, static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(3 - k), true});
    const auto index = index_formats::EncodePictureIndex(records);
    f.files.Write("c.mdb", std::string(index.begin(), index.end()));
    f.files.Write("roll.vpl", "<" + dir + "a.mpg><0><5><0>\n<" + dir + "b.mpg><0><5><0>\n<" + dir + "c.mpg><0><2><0>\n");
    f.Enter(kPathList, dir + "roll.vpl");
    f.panel->Command(kPlayList);
    f.Tick();  // c queued on A
    f.Tick();  // the list starts over: a queued on B
    ASSERT_EQ(f.board.Word(window::kQueueSlotFlags[0]), 1u);
    ASSERT_EQ(f.board.Word(window::kQueueSlotFlags[1]), 1u);
    struct Shown {
        const char* when;
        ControlId path, length;
        std::string clip, total;
    };
    const auto check = [&](const Shown& shown) {
        EXPECT_EQ(f.view.Text(shown.path), dir + shown.clip) << shown.when;
        EXPECT_EQ(f.view.Text(shown.length), shown.total) << shown.when;
    };
    for (const Shown& shown : {Shown{"A plays", kPathA, kLengthA, "a.mpg", "00:00:00:06  R"},
                               Shown{"B waits for its cue", kPathB, kLengthB, "b.mpg", "00:00:00:06  R"}})
        check(shown);
    f.board.SetWord(window::kQueueSlotFlags[0], 0);  // the board took c on A
    f.Tick();
    check({"A took its queued entry", kPathA, kLengthA, "c.mpg", "00:00:00:03  R"});
    check({"B still plays its first", kPathB, kLengthB, "b.mpg", "00:00:00:06  R"});
    f.panel->Command(kStopList);
}

TEST(PlayList, SeeksTheEntryThatHoldsThePosition) {
    MixFixture f;
    f.files.Write("roll.vpl", ThreeEntries());
    f.Enter(kPathList, (fs::current_path() / "roll.vpl").string());
    struct Seek {
        const char* start;
        const char* aStart;  // A's start time code: in + (position - the lengths before)
        const char* load;
    };
    const Seek seeks[] = {
        {"00000009", "00000004", "mwcmd -i0B -l0 -O 0x0 0x100 0x0 0x80 -F <./a.mpg>"},  // inside the third entry
        {"00000008", "00000003", "mwcmd -i0B -l0 -O 0x0 0x100 0x0 0x80 -F <./a.mpg>"},  // on its first frame
        {"00000003", "00000001", "mwcmd -i0B -l0 -O 0x0 0x100 0x0 0x0 -F <./b.mpg>"},   // on the second's
        {"00000099", "00000005", "mwcmd -i0B -l0 -O 0x0 0x100 0x0 0x80 -F <./a.mpg>"},  // clamped to the last frame
    };
    for (const Seek& seek : seeks) {
        f.view.Type(kStartList, seek.start);
        f.panel->EditLostFocus(kStartList);
        f.NewLines();
        f.panel->Command(kPlayList);
        const Calls lines = f.NewLines();
        ASSERT_GE(lines.size(), 2u) << seek.start;
        EXPECT_EQ(lines[1], seek.load) << seek.start;
        EXPECT_EQ(f.view.Text(kStartA), seek.aStart) << seek.start;
        f.panel->Command(kStopList);
    }
}

TEST(PlayList, ListsWithoutAnEntryToPlayStopWithAMessage) {
    MixFixture f;
    const std::string path = (fs::current_path() / "roll.vpl").string();
    f.files.Write("roll.vpl", "; nothing here\n<*a.mpg><0><5><0>\n<a.mpg><0><5>\n");
    f.Enter(kPathList, path);
    EXPECT_EQ(f.list->Total(), 0);
    const auto boxes = f.ui.Boxes().size();
    f.panel->Command(kPlayList);
    ASSERT_EQ(f.ui.Boxes().size(), boxes + 1);
    EXPECT_EQ(f.ui.Boxes().back().text, "No entry of the play list " + path + " holds the start position");
    EXPECT_FALSE(f.list->Active());

    // A start beyond the list as it is on disk now (it changed since its scan).
    f.files.Write("roll.vpl", ThreeEntries());
    f.panel->Command(kCheckList);
    f.view.Type(kStartList, "00000010");
    f.panel->EditLostFocus(kStartList);
    f.files.Write("roll.vpl", "<a.mpg><0><2><0>\n");
    f.panel->Command(kPlayList);
    EXPECT_EQ(f.ui.Boxes().size(), boxes + 2);
    EXPECT_FALSE(f.list->Active());

    // The list loses its entries while it plays: the engine stops after one pass.
    f.files.Write("roll.vpl", ThreeEntries());
    f.view.Type(kStartList, "00000000");
    f.panel->EditLostFocus(kStartList);
    f.panel->Command(kPlayList);
    ASSERT_TRUE(f.list->Active());
    f.files.Write("roll.vpl", "; emptied\n");
    f.Tick();
    f.Tick();
    EXPECT_FALSE(f.list->Active());
    EXPECT_EQ(f.ui.Boxes().back().text, "The play list " + path + " holds no entry to play");
    EXPECT_EQ(f.NewLines().back(), "mwcmd -p 0x0 0x9f0f00");
}

TEST(PlayList, RemoteRequestsLoadCueAndStopTheList) {
    MixFixture f;
    f.files.Write("roll.vpl", ThreeEntries());
    f.SetKey("PLAYLIST", (fs::current_path() / "roll.vpl").string());
    EXPECT_EQ(f.remote.Handle(kRemoteLoadAndCue, kRequestPlayList, 9), 1);
    f.Tick();
    EXPECT_TRUE(f.list->Active());
    EXPECT_EQ(f.list->Total(), 11);
    f.remote.Handle(kRemoteCommand, kRequestStopList, 0);
    f.Tick();
    EXPECT_FALSE(f.list->Active());
    EXPECT_EQ(f.NewLines().back(), "mwcmd -p 0x0 0x9f0f00");
}

TEST(PlayList, MissingListsAndPause) {
    MixFixture f;
    f.Enter(kPathList, (fs::current_path() / "none.vpl").string());
    EXPECT_EQ(f.list->Total(), 99);
    f.panel->Command(kCheckList);
    EXPECT_EQ(f.ui.Boxes().back().text, "Can't find file " + (fs::current_path() / "none.vpl").string());
    EXPECT_EQ(f.ui.Boxes().back().caption, "File Error");
    f.panel->Command(kPlayList);
    EXPECT_EQ(f.ui.Boxes().back().text, "Bad File Name");
    f.panel->Command(kPauseList);
    EXPECT_EQ(f.ui.Boxes().back().text, "This feature has not yet been implemented");
}

TEST(AlphaChannel, PlayAllStartsTheKeyAtItsScheduledField) {
    MixFixture f;
    f.Enter(kPathAlpha, f.alp);
    f.view.Type(kDelayAlpha, "6");
    f.NewLines();
    f.panel->Command(kPlayAll);
    const Calls lines = f.NewLines();
    // s = the counter, made odd, + 15 = 116; the alpha's delay 6.
    EXPECT_NE(std::find(lines.begin(), lines.end(), "mwcmd -p 0x0  0x9b0102 0x7a 0x0 -L2"), lines.end());
    // The key's own PLAY afterwards takes its transition at once again.
    f.panel->Command(kStopAlpha);
    f.NewLines();
    f.panel->Command(kPlayAlpha);
    EXPECT_EQ(f.NewLines().back(), "mwcmd -p 0x0  0x9b0002 0xffffffff 0x0 -L2");
}

// The audio list linked to the video list: it is cued from the list's position and started with
// the list's first entry on A, follows the list's slider, and stops with the list.
TEST(PlayList, LinkedAudioListFollowsTheListTextForText) {
    MixFixture f;
    f.files.Write("x.wav", std::string(640640, '\x11'));
    f.files.Write("y.wav", std::string(640640, '\x22'));
    f.files.Write("sound.apl", "; the roll's sound\n<x.wav><0><4><0>\n<y.wav><10><59><0>\n<x.wav><20><29><0>\n");
    f.files.Write("roll.vpl", ThreeEntries());
    f.Enter(kPathList, (fs::current_path() / "roll.vpl").string());
    f.Enter(kPathAudio, "sound.apl");
    f.view.SetChecked(kLinkAudio, true);
    f.panel->Command(kLinkAudio);
    f.view.SetChecked(kLoopAudio, false);
    f.NewLines();
    // The list's slider moves the audio's: the list's eighth frame is the audio list's too.
    f.panel->OnPositionSlider({velmar_ui::EventKind::SliderEvent, kSliderList, {}, 8, false});
    EXPECT_EQ(f.view.Text(kStartAudio), "00000008");
    EXPECT_EQ(f.view.Position(kSliderAudio), 17);  // fields: 2 x 8 + 1
    EXPECT_EQ(f.NewLines(), Calls{});
    // The eighth frame is A's third entry at its first picture, and the audio list's second
    // entry at its thirteenth frame (26 fields of 3203.2 bytes); the two entries after it queued.
    f.panel->Command(kPlayList);
    const Calls lines = f.NewLines();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(Calls(lines.begin(), lines.begin() + 9),
              (Calls{"mwcmd -p 0x0 0x9c0001 0x1", "mwcmd -i0B -l0 -O 0x0 0x100 0x0 0x80 -F <./a.mpg>",
                     "mwcmd -p 0x0 0x990301 0x1", "mwcmd -p 0x0 0x9f0300",
                     "mwcmd -q14 -R -O 0 0x2eec0 0 0x1f480 <x.wav>", "mwcmd -q15 -R -O 0 0x7d20 0 0x0 <x.wav>",
                     "mwcmd -i3B -R -l1 -O 0 0x5dd80 0 0x14550 -F <y.wav>",
                     "mwcmd -p 0x0 0x980304 0xffffffff 0x0 0x0 0x0 -L3",
                     "mwcmd -p 0x0 0x930004 0xffffffff 0x74 0 0x0 -L0"}));
    auto& audio = static_cast<CAudioChannel&>(*f.panel->Channels().audio);
    EXPECT_EQ(audio.State(), AudioState::Playing);
    // A's next entry leaves the playing audio alone.
    f.Tick();
    for (const auto& line : f.NewLines()) EXPECT_EQ(line.find("0x9803"), std::string::npos) << line;
    // STOP ends the audio with the list (linked, with Video A's stop) and takes the link box as
    // it is now.
    f.view.SetChecked(kLinkAudio, false);
    f.panel->Command(kStopList);
    const Calls stop = f.NewLines();
    const Calls audioStop{"mwcmd -p 0x0 0x990301 0x1", "mwcmd -p 0x0 0x9f0300", "mwcmd -i3B -l1 -F <.\\mpeg\\black1.mpg>"};
    EXPECT_NE(std::search(stop.begin(), stop.end(), audioStop.begin(), audioStop.end()), stop.end());
    EXPECT_EQ(stop.back(), "mwcmd -p 0x0 0x9f0f00");
    EXPECT_EQ(audio.State(), AudioState::Stopped);
    EXPECT_FALSE(audio.Linked());

    // A linked audio file that is not there stops the list before its schedule is sent.
    f.view.SetChecked(kLinkAudio, true);
    f.panel->Command(kLinkAudio);
    f.Enter(kPathAudio, "gone.wav");
    f.NewLines();
    f.panel->Command(kPlayList);
    EXPECT_FALSE(f.list->Active());
    EXPECT_EQ(f.ui.Boxes().back().text, "Bad File Name");
    const Calls failed = f.NewLines();
    for (const auto& line : failed) EXPECT_EQ(line.find("0x930004"), std::string::npos) << line;
    EXPECT_EQ(failed.back(), "mwcmd -p 0x0 0x9f0f00");
}

}  // namespace
}  // namespace velmar
