// Video channels A and B: the command lines of every mode transition, clip loading and its
// failures, speed, slider and start arithmetic, file choice, and decode to file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "board_link/format.h"
#include "index_formats/picture_index.h"
#include "panel_fixture.h"
#include "playback_panel/video_channel.h"
#include "record_output/record_output.h"

namespace velmar {
namespace {

using namespace panel_testing;
using namespace panel_ids;
namespace fs = std::filesystem;

constexpr std::uint32_t k2000Board = 0x8120;
constexpr std::uint32_t kCounter = 100;  // each channel's board counter at +4 in these tests

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

struct ChannelFixture : PanelFixture {
    explicit ChannelFixture(std::uint32_t boardType = 0, bool pal = false) : PanelFixture(true, boardType) {
        files.Write("clip.mpg", MpegClip());
        files.Write("clip.mdb", MpegIndex());
        files.Write("b.mpg", MpegClip());
        files.Write("b.mdb", MpegIndex());
        clip = (fs::current_path() / "clip.mpg").string();
        clipB = (fs::current_path() / "b.mpg").string();
        SetKey("PATHVA", clip);
        SetKey("PATHVB", clipB);
        SetKey("LOGFILE", "video.log");
        if (pal) SetKey("PALMODE", "1");
        Make();
        InstallVideoChannels(*panel);
        a = static_cast<CVideoChannel*>(panel->Channels().videoA.get());
        b = static_cast<CVideoChannel*>(panel->Channels().videoB.get());
        StartUp();
        library.WaitDaemonRunning();
        board.SetWord(window::kChannelAStatus + 4, kCounter);
        board.SetWord(window::kChannelBStatus + 4, kCounter);
        Mark();
    }

    // Forgets the lines logged so far.
    void Mark() { seen = LoggedLines("video.log").size(); }
    // The board command lines logged since Mark(), clip paths replaced by CLIP / CLIPB.
    Calls NewLines() {
        const auto all = LoggedLines("video.log");
        Calls out;
        for (std::size_t i = seen; i < all.size(); ++i) {
            std::string line = all[i];
            // Leave out the reference switching (register lines, or a device message).
            if (line.rfind("mwcmd", 0) != 0 || line.rfind("mwcmd -s 0xffffffff 0x0009", 0) == 0) continue;
            for (auto [path, name] : {std::pair{clip, "CLIP"}, std::pair{clipB, "CLIPB"}})
                if (auto at = line.find(path); at != std::string::npos) line.replace(at, path.size(), name);
            out.push_back(line);
        }
        Mark();
        return out;
    }
    void Press(ControlId id) { panel->Command(id); }
    void Enter(ControlId id, const std::string& text) {
        view.Type(id, text);
        panel->EditLostFocus(id);
    }

    std::string clip, clipB;
    CVideoChannel* a = nullptr;
    CVideoChannel* b = nullptr;
    std::size_t seen = 0;
};

TEST(VideoClip, ClassificationFrameSizeAndStartWords) {
    using K = VideoKind;
    const struct {
        std::uint32_t word;
        std::optional<K> on2000, onOther;
    } cases[] = {
        {0xB3010000, K::Mpeg, K::MpegReversed},  {0x000001B3, K::MpegReversed, K::Mpeg},
        {0x3F00071F, K::Dv, K::DvReversed},      {0xBF00071F, K::Dv, std::nullopt},
        {0x1F07003F, K::DvReversed, K::Dv},      {0x1F0700BF, K::DvReversed, std::nullopt},
        {0x46464952, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyClip(c.word, true), c.on2000) << std::hex << c.word;
        EXPECT_EQ(ClassifyClip(c.word, false), c.onOther) << std::hex << c.word;
    }
    EXPECT_EQ(DvFrameSize(0x3F00071F, K::Dv, 0u), 120000);
    EXPECT_EQ(DvFrameSize(0xBF00071F, K::Dv, std::nullopt), 144000);
    EXPECT_EQ(DvFrameSize(0xBF00071F, K::Dv, 0xBF000F1Fu), 288000);
    EXPECT_EQ(DvFrameSize(0x1F07003F, K::DvReversed, 0x1F0F003Fu), 240000);
    EXPECT_EQ(DvSecondHeaderOffset(0x1F0700BF, K::DvReversed), 144000u);

    // Each kind's start word is the first word of a clip classified as that kind on that board.
    const struct {
        std::uint32_t word;
        K kind;
        bool on2000, matches;
    } starts[] = {
        {0xB3010000, K::Mpeg, true, true},        {0x000001B3, K::Mpeg, false, true},
        {0x000001B3, K::Mpeg, true, false},       {0xBF00071F, K::Dv, true, true},  // bit 31: 625 lines
        {0x1F0700BF, K::DvReversed, true, true},  {0x1F07003F, K::Dv, true, false},
        {0x1F07003F, K::Dv, false, true},         {0x3F00071F, K::DvReversed, false, true},
        {0x3F00071F, K::Dv, false, false},        {0x1F07003F, K::DvReversed, false, false},
    };
    for (const auto& s : starts)
        EXPECT_EQ(StartWordMatches(s.word, s.kind, s.on2000), s.matches) << std::hex << s.word << " " << s.on2000;

    const auto t = UncompressTrailer(15, 720, 480, 30);
    EXPECT_EQ(std::string(t.begin(), t.end()),
              "Rand" + Bytes({0, 0, 0, 15, 0, 0, 0, 0, 0x02, 0xD0, 0x01, 0xE0, 0, 0, 0, 30}) + std::string(16, '\0'));
}

TEST(VideoClip, SpeedArithmetic) {
    const struct {
        int percent, rate;
    } rates[] = {{100, 256}, {50, 512}, {200, 128}, {1, 25600}, {0, 25600}, {33, 775}};
    for (const auto& r : rates) EXPECT_EQ(RateForPercent(r.percent), r.rate) << r.percent;
    // Slow motion or normal speed entered from faster play, I / IP only (rate 200) or normal speed
    // first freezes and resumes; staying at normal speed, going faster or slowing further does not.
    const struct {
        int rate, previous;
        bool restart;
    } restarts[] = {{512, 256, true},  {512, 200, true},  {256, 128, true},  {256, 200, true},
                    {512, 300, false}, {128, 256, false}, {256, 256, false}, {128, 200, false}};
    for (const auto& r : restarts)
        EXPECT_EQ(RateNeedsRestart(r.rate, r.previous), r.restart) << r.rate << " from " << r.previous;
    EXPECT_EQ(CueField(100), 116u);
    EXPECT_EQ(CueField(101), 116u);
}

// Every cell of the transition table, for A and for B. The clip starts at picture 4, the second
// picture of its group at byte 128: start field 8, picture in group 1, s0 = 6. The counter is
// 100: the cue field is 116 (0x74), the paused freeze at 118 (0x76). Speed 50 %: rate 0x200.
struct Cell {
    int from;  // 0..5
    ControlId button;
    Calls lines;
    int to;
};

const Calls kStopLines{"mwcmd -p 0x0 0x9e0000", "mwcmd -i0B -l1 -R -F <.\\mpeg\\black1.mpg>",
                       "mwcmd -p 0x0 0x930004 0x1 0xffffffff 0x0 0x0 -L0"};
const std::string kLoad = "mwcmd -i0B -l0 -O 0x0 0x0 0x0 0x80 -R -F <CLIP>";
const std::string kCued = "mwcmd -p 0x0 0x930004 0xffffffff 0x74 0x6 0x0 -L0";
const std::string kFreeze = "mwcmd -p 0x0 0x9e0000", kResume = "mwcmd -p 0x0 0x960000";
const std::string kSpeed = "mwcmd -p 0x0  0x940002 0x0 0x200";
const std::string kIp = "mwcmd -p 0x0  0x940002 0x1 0x0", kI = "mwcmd -p 0x0  0x940002 0x2 0x0";
const std::string kField = "mwcmd -p 0x0 0x950001 0x0", kFrame = "mwcmd -p 0x0 0x950001 0x1";

const std::vector<Cell>& Cells() {
    static const std::vector<Cell> cells{
        {0, kPlayA, {kLoad, "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x6 0x0 -L0"}, 1},
        {0, kPauseA, {kLoad, kCued, "mwcmd -s 0x76 0x9e0000"}, 2},
        {0, kFieldStepA, {kLoad, kCued, "mwcmd -s 0x76 0x9e0000"}, 2},
        {0, kFrameStepA, {kLoad, kCued, "mwcmd -s 0x76 0x9e0000"}, 2},
        {0, kVarPlayA, {kLoad, kCued, "mwcmd -s 0x74  0x940002 0x0 0x200"}, 3},
        {0, kIpOnlyA, {kLoad, kCued, "mwcmd -s 0x74 0x940002 0x1 0x0"}, 4},
        {0, kIOnlyA, {kLoad, kCued, "mwcmd -s 0x74 0x940002 0x2 0x0"}, 5},
        {0, kStopA, {}, 0},
        {1, kPlayA, {}, 1},
        {1, kPauseA, {kFreeze}, 2},
        {1, kFieldStepA, {kField}, 2},
        {1, kFrameStepA, {kFrame}, 2},
        {1, kVarPlayA, {kFreeze, kResume, kSpeed}, 3},  // from rate 256 into slow motion
        {1, kIpOnlyA, {kFreeze, kIp}, 4},
        {1, kIOnlyA, {kFreeze, kI}, 5},
        {1, kStopA, kStopLines, 0},
        {2, kPlayA, {"mwcmd -s 0x0 0x960000"}, 1},
        {2, kPauseA, {}, 2},
        {2, kFieldStepA, {kField}, 2},
        {2, kFrameStepA, {kFrame}, 2},
        {2, kVarPlayA, {kResume, kFreeze, kResume, kSpeed}, 3},
        {2, kIpOnlyA, {kIp}, 4},
        {2, kIOnlyA, {kI}, 5},
        {2, kStopA, kStopLines, 0},
        {3, kPlayA, {kFreeze, kResume}, 1},
        {3, kPauseA, {kFreeze}, 2},
        {3, kFieldStepA, {kField}, 2},
        {3, kFrameStepA, {kFrame}, 2},
        {3, kVarPlayA, {kSpeed}, 3},  // already at 0x200
        {3, kIpOnlyA, {kFreeze, kIp}, 4},
        {3, kIOnlyA, {kFreeze, kI}, 5},
        {3, kStopA, kStopLines, 0},
        {4, kPlayA, {kFreeze, kResume}, 1},
        {4, kPauseA, {kFreeze}, 2},
        {4, kFieldStepA, {kField}, 2},
        {4, kVarPlayA, {kFreeze, kResume, kSpeed}, 3},  // from rate 200
        {4, kIpOnlyA, {}, 4},
        {4, kIOnlyA, {kI}, 5},
        {4, kStopA, kStopLines, 0},
        {5, kPlayA, {kFreeze, kResume}, 1},
        {5, kFrameStepA, {kFrame}, 2},
        {5, kVarPlayA, {kFreeze, kResume, kSpeed}, 3},
        {5, kIpOnlyA, {kIp}, 4},
        {5, kIOnlyA, {}, 5},
        {5, kStopA, kStopLines, 0},
    };
    return cells;
}

// Channel B's ids and words for channel A's.
ControlId OnB(ControlId id) {
    const std::map<ControlId, ControlId> b{{kPlayA, kPlayB},       {kPauseA, kPauseB},       {kStopA, kStopB},
                                           {kVarPlayA, kVarPlayB}, {kIpOnlyA, kIpOnlyB},     {kIOnlyA, kIOnlyB},
                                           {kFieldStepA, kFieldStepB}, {kFrameStepA, kFrameStepB}};
    return b.at(id);
}
std::string OnB(std::string line) {
    for (auto [from, to] : {std::pair{"0x930004", "0x930104"}, {"-L0", "-L1"}, {"0x9e0000", "0x9e0100"},
                            {"0x960000", "0x960100"}, {"0x940002", "0x940102"}, {"0x950001", "0x950101"},
                            {"-i0B", "-i1B"}, {"<CLIP>", "<CLIPB>"}})
        if (auto at = line.find(from); at != std::string::npos) line.replace(at, std::string(from).size(), to);
    return line;
}

TEST(VideoChannel, EveryTransitionOfChannelsAAndB) {
    const ControlId entry[] = {kStopA, kPlayA, kPauseA, kVarPlayA, kIpOnlyA, kIOnlyA};
    const ControlId modeButton[] = {kStopA, kPlayA, kPauseA, kVarPlayA, kIpOnlyA, kIOnlyA};
    for (bool onB : {false, true}) {
        for (const Cell& cell : Cells()) {
            ChannelFixture f;
            const auto id = [&](ControlId a) { return onB ? OnB(a) : a; };
            f.Enter(onB ? kStartB : kStartA, "00000004");
            f.Enter(onB ? kSpeedB : kSpeedA, "50");
            if (cell.from != 0) f.Press(id(entry[cell.from]));
            CVideoChannel& channel = onB ? *f.b : *f.a;
            ASSERT_EQ(channel.State(), static_cast<VideoState>(cell.from));
            f.Mark();
            f.Press(id(cell.button));
            Calls expected = cell.lines;
            if (onB)
                for (auto& line : expected) line = OnB(line);
            const std::string where = std::string(onB ? "B" : "A") + " from " + std::to_string(cell.from) +
                                      " button " + std::to_string(cell.button);
            EXPECT_EQ(f.NewLines(), expected) << where;
            EXPECT_EQ(channel.State(), static_cast<VideoState>(cell.to)) << where;
            for (int mode = 0; mode < 6; ++mode)
                EXPECT_EQ(f.view.Flat(id(modeButton[mode])), mode == cell.to) << where << " mode " << mode;
        }
    }
}

// STOP on Video A stops its linked audio from every mode, paused and stepped included; STOP on
// Video B leaves it alone.
TEST(VideoChannel, StopOnAStopsItsLinkedAudioFromEveryMode) {
    const struct {
        std::vector<ControlId> presses;
        ControlId stop;
        Calls audio;
    } cases[] = {
        {{kPlayA}, kStopA, {"Audio stop"}},           {{kPauseA}, kStopA, {"Audio stop"}},
        {{kPlayA, kPauseA}, kStopA, {"Audio stop"}},  {{kPlayA, kFieldStepA}, kStopA, {"Audio stop"}},
        {{kVarPlayA}, kStopA, {"Audio stop"}},        {{kIpOnlyA}, kStopA, {"Audio stop"}},
        {{kPlayB}, kStopB, {}},
    };
    for (const auto& c : cases) {
        ChannelFixture f;
        f.audio->SetLinked(true);
        for (ControlId id : c.presses) f.Press(id);
        f.calls.clear();
        f.Press(c.stop);
        EXPECT_EQ(f.calls, c.audio) << c.presses.size() << " presses, last " << c.presses.back();
    }
}

TEST(VideoChannel, LoadLinesByBoardStartEndAndLoop) {
    {
        // The whole file opens without its index; the 2000-type board takes it as stored.
        ChannelFixture f(k2000Board);
        f.files.Remove("clip.mdb");
        f.view.Click(kLoopA);
        const auto boxes = f.ui.Boxes().size();  // start-up's own
        f.Press(kPlayA);
        EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -i0B -l1 -O 0x0 0x0 0x0 0x0 -F <CLIP>",
                                       "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x0 0x0 -L0"}));
        EXPECT_EQ(f.ui.Boxes().size(), boxes);
        EXPECT_EQ(f.view.Text(kLengthA), "00:00:00:06  R");  // 12 index words
    }
    {
        // A start past the end plays the last picture; an end picture past the clip wraps by
        // whole file lengths (picture 11 of 6 is picture 5, the last).
        ChannelFixture f;
        f.Enter(kStartA, "00100000");
        EXPECT_EQ(f.view.Text(kStartA), "00000005");
        f.a->PlayListEntry(11);
        EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -i0B -l0 -O 0x0 0x200 0x0 0x80 -R -F <CLIP>",
                                       "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x6 0x0 -L0"}));
        EXPECT_EQ(f.a->PicturesAfterEnd(), 0);
        f.Press(kStopA);
        // Picture 1 ends where the next group starts; one picture of its group follows it.
        f.Mark();
        f.a->PlayListEntry(1);
        EXPECT_EQ(f.NewLines().at(0), "mwcmd -i0B -l0 -O 0x0 0x80 0x0 0x80 -R -F <CLIP>");
        EXPECT_EQ(f.a->PicturesAfterEnd(), 1);
    }
}

TEST(VideoChannel, BadClipsAndIndexesGetTheirMessagesAndSendNothing) {
    struct Case {
        const char* name;
        std::function<void(ChannelFixture&)> arrange;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases{
        {"missing clip", [](ChannelFixture& f) { f.files.Remove("clip.mpg"); }, {"Bad File Name"}},
        {"neither MPEG nor DV", [](ChannelFixture& f) { f.files.Write("clip.mpg", "RIFF....WAVE"); },
         {"Invalid MPEG2 File detected"}},
        {"empty clip", [](ChannelFixture& f) { f.files.Write("clip.mpg", ""); }, {"Invalid MPEG2 File detected"}},
        {"625-line DV on the older board", [](ChannelFixture& f) { f.files.Write("clip.mpg", Bytes({0x1F, 7, 0, 0xBF})); },
         {"Invalid MPEG2 File detected"}},
        {"index pointing off a header",
         [](ChannelFixture& f) {
             std::string index = MpegIndex();
             index[4 * 8] = 1;  // record 4's group now starts at word 33
             f.files.Write("clip.mdb", index);
         },
         {"Invalid Offset detected"}},
        {"index shorter than the start",
         [](ChannelFixture& f) { f.files.Write("clip.mdb", MpegIndex().substr(0, 16)); },
         {"Invalid Offset detected"}},
    };
    for (const auto& c : cases) {
        ChannelFixture f;
        f.Enter(kStartA, "00000004");
        c.arrange(f);
        f.Press(kPlayA);
        EXPECT_EQ(f.NewLines(), Calls{}) << c.name;
        EXPECT_EQ(f.Captions(), c.boxes) << c.name;
        EXPECT_EQ(f.a->State(), VideoState::Stopped) << c.name;
        EXPECT_FALSE(f.a->Loaded()) << c.name;
    }
}

TEST(VideoChannel, MissingIndexRunsTheBuilderOrStartsAtTheFirstPicture) {
    for (const char* index : {"", "abcd", "abcdefg"}) {  // missing, or too short for one record
        ChannelFixture f;
        f.Enter(kStartA, "00000004");
        if (*index) f.files.Write("clip.mdb", index);
        else f.files.Remove("clip.mdb");
        std::vector<std::string> built;
        f.host.buildIndex = [&](const std::string& stream) {
            built.push_back(stream);
            return false;
        };
        f.Press(kPlayA);
        EXPECT_EQ(built, std::vector<std::string>{f.clip});
        EXPECT_EQ(f.Captions(), std::vector<std::string>{"Can't Find " + (fs::current_path() / "clip.mdb").string() +
                                                         " - Video Will Start From 1st Frame"});
        EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -i0B -l0 -O 0x0 0x0 0x0 0x0 -R -F <CLIP>",
                                       "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x0 0x0 -L0"}));
    }
    // A builder that succeeds leaves the index; the clip opens at the start picture's group.
    ChannelFixture f;
    f.Enter(kStartA, "00000004");
    f.files.Remove("clip.mdb");
    f.host.buildIndex = [&](const std::string&) {
        f.files.Write("clip.mdb", MpegIndex());
        return true;
    };
    f.Press(kPlayA);
    EXPECT_TRUE(f.ui.Boxes().empty());
    EXPECT_EQ(f.NewLines().at(0), kLoad);
    EXPECT_EQ(f.view.Text(kLengthA), "00:00:00:06");
}

TEST(VideoChannel, DvStartOffsetsBeyondFourGibKeepTheirHighWord) {
    ChannelFixture f(k2000Board);
    // A sparse 525-line DV25 clip with frame headers at 0 and at frame 36000 (byte 4,320,000,000).
    const std::uint64_t at = 36000ull * 120000;
    {
        std::ofstream file("big.dv", std::ios::binary);
        file << Bytes({0x1F, 7, 0, 0x3F});
    }
    fs::resize_file("big.dv", at + 120000);
    {
        std::fstream file("big.dv", std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(at));
        file << Bytes({0x1F, 7, 0, 0xBF});  // bit 31 of the word is not part of the check
    }
    f.view.Type(kPathA, (fs::current_path() / "big.dv").string());
    f.panel->EditChanged(kPathA);
    f.panel->EditLostFocus(kPathA);
    EXPECT_EQ(f.a->Kind(), VideoKind::Dv);
    EXPECT_EQ(f.a->Length(), 72002u);
    f.Enter(kStartA, Format("%.8x", FramesToTimecode(36000, TvStandard::Ntsc)));
    f.Mark();
    f.Press(kPlayA);
    const auto lines = f.NewLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("mwcmd -i0B -l0 -O 0x0 0x0 0x1 0x17df800 -F <", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x11940 0x2 -L0");
    // DV has no I and P pictures to trick-play.
    f.Mark();
    f.Press(kIpOnlyA);
    f.Press(kIOnlyA);
    EXPECT_EQ(f.NewLines(), Calls{});
    EXPECT_EQ(f.a->State(), VideoState::Playing);
    fs::remove("big.dv");
}

TEST(VideoChannel, StartEditSliderAndSpeedRecueAndClamp) {
    ChannelFixture f;
    f.Press(kPlayA);
    // A new start time code while playing re-cues the channel in its mode.
    f.Mark();
    f.Enter(kStartA, "00000004");
    EXPECT_EQ(f.NewLines(), (Calls{kLoad, "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x6 0x0 -L0"}));
    EXPECT_EQ(f.a->Position(), 8);
    EXPECT_EQ(f.view.Position(kSliderA), 8);
    // The same start again changes nothing.
    f.Enter(kStartA, "00000004");
    EXPECT_EQ(f.NewLines(), Calls{});

    // Dragging the slider only shows the time code; the release re-cues (field 6 is picture 3,
    // the first of the second group).
    f.panel->Slider(kSliderA, 7, true);
    EXPECT_EQ(f.view.Text(kStartA), "00000003");
    EXPECT_EQ(f.NewLines(), Calls{});
    f.panel->Slider(kSliderA, 6, false);
    EXPECT_EQ(f.NewLines(), (Calls{kLoad, "mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x6 0x0 -L0"}));

    // Speed edits clamp to 1..200 and move the track bar; outside VAR PLY nothing is sent.
    f.Enter(kSpeedA, "0");
    EXPECT_EQ(f.view.Text(kSpeedA), "1");
    f.Enter(kSpeedA, "500");
    EXPECT_EQ(f.view.Text(kSpeedA), "200");
    EXPECT_EQ(f.view.Position(kSpeedBarA), 200);
    EXPECT_EQ(f.NewLines(), Calls{});

    // In VAR PLY the track bar sends on its end-scroll only.
    f.Press(kVarPlayA);
    f.Mark();
    f.panel->Scroll(kSpeedBarA, velmar_ui::ScrollCode::ThumbTrack, 25);
    EXPECT_EQ(f.view.Text(kSpeedA), "25");
    EXPECT_EQ(f.NewLines(), Calls{});
    f.panel->Scroll(kSpeedBarA, velmar_ui::ScrollCode::EndScroll, 25);
    EXPECT_EQ(f.NewLines(), (Calls{kFreeze, kResume, "mwcmd -p 0x0  0x940002 0x0 0x400"}));
    EXPECT_EQ(f.a->Rate(), 1024);
}

TEST(VideoChannel, FileChoiceStoresTheKeyAndStopsTheChannel) {
    for (bool onB : {false, true}) {
        ChannelFixture f;
        f.Press(onB ? kPlayB : kPlayA);
        f.ui.ScriptChoice((fs::current_path() / "b.mpg").string());
        f.Mark();
        f.Press(onB ? kFileB : kFileA);
        ASSERT_EQ(f.ui.choosers.size(), 1u);
        const auto& chooser = f.ui.choosers[0];
        EXPECT_EQ(chooser.initialName, "*.mpg");
        EXPECT_EQ(chooser.defaultExtension, "mpg");
        EXPECT_EQ(chooser.startFolder, fs::current_path().string());
        EXPECT_EQ(chooser.filter, "MPEG Files (*.mpg)|*.mpg|DV Files (*.dv)|*.dv|Audio Files (*.wav)|*.wav|Data Files "
                                  "(*.mpg;*.dv;*.wav)|*.mpg; *.dv; *.wav|All Files (*.*)|*.*||");
        EXPECT_EQ(f.profile.GetString("BOARD1", onB ? "PATHVB" : "PATHVA"), f.clipB);
        EXPECT_EQ(f.view.Text(onB ? kPathB : kPathA), f.clipB);
        EXPECT_EQ(f.view.Text(onB ? kStartB : kStartA), "00000000");
        EXPECT_EQ((onB ? f.b : f.a)->State(), VideoState::Stopped);
        EXPECT_EQ(f.NewLines().size(), 3u);  // the stop
    }
}

TEST(VideoChannel, DecodeOutputChooserFollowsTheStoredExtension) {
    const struct {
        const char* stored;
        const char* initial;
        const char* filterStart;
    } cases[] = {{"", "*.flm", "FilmStrip Files (*.flm)|*.flm|Targa"},
                 {"/x/out.tga", "*.tga", "Targa Files (*.tga)|*.tga|FilmStrip"},
                 {"/x/out.mov", "*.mov", "QuickTime Files (*.mov)|*.mov|Targa"},
                 {"/x/out.yuv", "*.*", "All Files (*.*)|*.*|FilmStrip"}};
    for (const auto& c : cases) {
        ChannelFixture f;
        f.SetKey("PATHDIO", c.stored);
        f.ui.ScriptChoice("/x/new.flm");
        f.Press(kDecodeFile);
        ASSERT_EQ(f.ui.choosers.size(), 1u);
        EXPECT_EQ(f.ui.choosers[0].initialName, c.initial);
        // The save form, leaving the question about an existing file to the decode's start.
        EXPECT_TRUE(f.ui.choosers[0].save);
        EXPECT_FALSE(f.ui.choosers[0].askBeforeReplacing);
        EXPECT_EQ(f.ui.choosers[0].defaultExtension, "flm");
        EXPECT_EQ(f.ui.choosers[0].filter.rfind(c.filterStart, 0), 0u) << f.ui.choosers[0].filter;
        EXPECT_EQ(f.profile.GetString("BOARD1", "PATHDIO"), "/x/new.flm");
        EXPECT_EQ(f.view.Text(kDecodePath), "/x/new.flm");
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(VideoChannel, DecodeToFileOpensTheOutputAndAppendsTheTrailerAfterTheDrain) {
    for (bool pal : {false, true}) {
        ChannelFixture f(0, pal);
        const std::string out = (fs::current_path() / "out.flm").string();
        f.view.Type(kDecodePath, out);
        f.view.Type(kDecodeFields, "30");
        f.Enter(kStartA, "00000004");
        f.Press(kPlayA);
        auto lines = f.NewLines();
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(lines[1], "mwcmd -p 0x0 0x9f0500");
        EXPECT_EQ(lines[2], "mwcmd -o5B -I <" + out + ">");
        EXPECT_EQ(lines[3], pal ? "mwcmd -s 0x8 0x000B2502 0x02D00120 0x00120000"
                                : "mwcmd -s 0x8 0x000B2502 0x02D000F0 0x00120000");
        EXPECT_EQ(lines[4], "mwcmd -s 0x25 0x000C2500");
        EXPECT_EQ(f.board.Word(window::kFrameSourceDescriptor), 720u);
        EXPECT_EQ(f.board.Word(window::kFrameSourceDescriptor + 4), pal ? 576u : 480u);
        EXPECT_TRUE(f.a->Decoding());

        // What the board decoded: the 15 frames asked for, 4:2:2, and the first field of a 16th,
        // which goes: the pictures end where the trailer begins.
        const std::size_t pictures = std::size_t{15} * 720 * 2 * (pal ? 576 : 480);
        std::ofstream(out, std::ios::binary) << std::string(pictures + 720 * 2 * (pal ? 288 : 240), 'p');
        f.host.events.clear();
        // The output was quiet while the board held its pictures: the drain still waits ten ticks
        // from the stop, for what the stop flushes.
        for (int tick = 0; tick < 12; ++tick) f.Tick();
        const long long stopped = f.ui.NowMs();
        f.Press(kStopA);
        EXPECT_GE(f.ui.NowMs() - stopped, 100 + kDrainQuietTicks * 100);
        lines = f.NewLines();
        EXPECT_EQ(lines.back(), "mwcmd -U5");
        EXPECT_EQ(f.host.events, (std::vector<std::string>{"show close", "close close"}));
        const std::string height = pal ? Bytes({0x02, 0x40}) : Bytes({0x01, 0xE0});
        EXPECT_EQ(ReadAll(out).substr(pictures), "Rand" + Bytes({0, 0, 0, 15, 0, 0, 0, 0, 0x02, 0xD0}) + height +
                                                     Bytes({0, 0, 0, pal ? 25 : 30}) + std::string(16, '\0'));
        EXPECT_EQ(f.view.Text(kDecodeFields), "0");
        EXPECT_FALSE(f.a->Decoding());
    }
}

// The trailer names the pictures the file holds, in the standard they were decoded in: PAL's
// 576-line frames (288-line fields) at 25, NTSC's 480 (240) at 30. Readers take the picture size
// and rate from it.
TEST(VideoChannel, DecodeTrailerNamesTheStandardsPictureSizeAndRate) {
    const struct {
        bool pal, field;
        int lines, rate;
    } cases[] = {{false, false, 480, 30}, {false, true, 240, 30}, {true, false, 576, 25}, {true, true, 288, 25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pal ? "PAL" : "NTSC") + (c.field ? " field" : " frame"));
        ChannelFixture f(0, c.pal);
        const std::string out = (fs::current_path() / "standard.flm").string();
        fs::remove(out);
        f.view.Type(kDecodePath, out);
        f.view.Type(kDecodeFields, "8");
        if (c.field) f.view.Click(kDecodeField);
        f.Press(kPlayA);
        const int pictures = c.field ? 8 : 4;
        const std::size_t bytes = std::size_t(pictures) * 720 * 2 * c.lines;
        std::ofstream(out, std::ios::binary) << std::string(bytes, 'p');
        f.Press(kStopA);
        const std::string file = ReadAll(out);
        ASSERT_EQ(file.size(), bytes + kUncompressTrailerBytes);
        EXPECT_EQ(file.substr(bytes, 20), "Rand" + Bytes({0, 0, 0, pictures, 0, 0, 0, 0, 0x02, 0xD0, c.lines >> 8,
                                                          c.lines & 0xFF, 0, 0, 0, c.rate}));
    }
}

TEST(VideoChannel, BackslashPathsNameTheSameFilesAsTheBoardOpens) {
    // Settings and lists carried over from the Windows system hold backslashes.
    ChannelFixture f;
    fs::create_directories("sub");
    f.files.Write("sub/clip.mpg", MpegClip());
    f.files.Write("sub/clip.mdb", MpegIndex());
    f.view.Type(kPathA, "sub\\clip.mpg");
    f.view.Type(kDecodePath, "sub\\out.flm");
    f.view.Type(kDecodeFields, "30");
    f.Enter(kStartA, "00000004");
    f.Press(kPlayA);
    EXPECT_EQ(f.Captions(), std::vector<std::string>{});
    EXPECT_TRUE(f.a->Decoding());
    f.Press(kStopA);
    EXPECT_EQ(ReadAll("sub/out.flm").substr(0, 4), "Rand");
    EXPECT_FALSE(fs::exists("sub\\out.flm"));
}

TEST(VideoChannel, DecodeOutputIsNeverTruncatedWithoutTheQuestionNorAppendedToWhenRefused) {
    // Fields, from paused, into an existing file the operator keeps.
    ChannelFixture f;
    const std::string out = (fs::current_path() / "keep.flm").string();
    f.files.Write("keep.flm", "precious");
    f.view.Type(kDecodePath, out);
    f.view.Type(kDecodeFields, "8");
    f.view.Click(kDecodeField);
    f.Press(kPauseA);
    f.ui.ScriptAnswer(velmar_ui::BoxAnswer::No);
    f.Mark();
    f.Press(kPlayA);
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -p 0x0 0x9f0500", "mwcmd -s 0x0 0x960000"}));
    const auto boxes = f.ui.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "File Already Exists Do You Wish to Overwrite?");
    EXPECT_EQ(boxes[0].caption, "Velmar File Warning?");
    EXPECT_EQ(boxes[0].buttons, velmar_ui::BoxButtons::YesNo);
    EXPECT_EQ(boxes[1].text, "Can't open decode output file");
    f.Press(kStopA);
    EXPECT_EQ(ReadAll(out), "precious");
    EXPECT_EQ(f.NewLines().size(), 3u);  // no drain, no "-U5"

    // Yes: from paused the range starts at the shown field counter; fields keep 240 lines.
    f.board.SetWord(window::kChannelAStatus + 8, 0x40);
    f.Press(kPauseA);
    f.ui.ScriptAnswer(velmar_ui::BoxAnswer::Yes);
    f.Mark();
    f.Press(kPlayA);
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -p 0x0 0x9f0500", "mwcmd -o5B <" + out + ">",
                                   "mwcmd -s 0x40 0x000B2502 0x02D000F0 0x00120200", "mwcmd -s 0x47 0x000C2500",
                                   "mwcmd -s 0x0 0x960000"}));
    f.Press(kStopA);
    // Stopped before the board wrote a picture: the trailer counts none, and the 8 bytes the
    // fake board left (less than a picture) go.
    EXPECT_EQ(ReadAll(out), Bytes({'R', 'a', 'n', 'd', 0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0xD0, 0, 0xF0}) +
                                Bytes({0, 0, 0, 30}) + std::string(16, '\0'));

    // An output that cannot be created: the message, and the clip plays without decoding.
    ChannelFixture g;
    g.view.Type(kDecodePath, (fs::current_path() / "no-such-folder" / "out.flm").string());
    g.view.Type(kDecodeFields, "8");
    g.Press(kPlayA);
    EXPECT_EQ(g.Captions(), std::vector<std::string>{"Can't open decode output file"});
    const auto lines = g.NewLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "mwcmd -p 0x0 0x9f0500");
    EXPECT_EQ(g.a->State(), VideoState::Playing);
    EXPECT_FALSE(g.a->Decoding());
}

TEST(VideoChannel, PlayListEntriesQueueOnTheirSlotAndLeaveTheStartToTheList) {
    ChannelFixture f;
    f.playList->active = true;
    CVideoChannel& b = *f.b;
    f.playList->queueSlot = 1;
    b.SetPath(f.clip);
    b.ReloadClip();
    EXPECT_EQ(f.profile.GetString("BOARD1", "PATHVB"), f.clip);
    b.PrepareListEntry(20);  // field 20 of a 12-field clip: field 8, picture 4
    EXPECT_EQ(f.view.Text(kStartB), "00000004");
    EXPECT_EQ(f.view.Position(kSliderB), 8);
    f.calls.clear();
    f.Mark();
    b.PlayListEntry(5);
    EXPECT_EQ(f.NewLines(), Calls{"mwcmd -q7 -O 0x0 0x100 0x0 0x80 -R <CLIP>"});
    EXPECT_EQ(f.calls, Calls{"list play 1"});
    EXPECT_EQ(b.State(), VideoState::Playing);
    EXPECT_EQ(b.PictureInGroup(), 1);
    EXPECT_EQ(b.PicturesAfterEnd(), 0);

    // A clip that is gone stops the list.
    b.PrepareListEntry(0);
    f.files.Remove("clip.mpg");
    f.calls.clear();
    b.PlayListEntry(5);
    EXPECT_EQ(f.calls, Calls{"List stop"});
    EXPECT_EQ(f.Captions().back(), "Bad File Name");
}

TEST(VideoChannel, PlayAllCuesBothChannelsAndResumesThemAtTheirFields) {
    ChannelFixture f;
    f.view.Type(kDelayA, "4");
    f.view.Type(kDelayB, "0");
    f.Press(kPlayAll);
    EXPECT_EQ(f.NewLines(), (Calls{"mwcmd -i0B -l0 -O 0x0 0x0 0x0 0x0 -R -F <CLIP>",
                                   "mwcmd -p 0x0 0x930004 0xffffffff 0x74 0x0 0x0 -L0", "mwcmd -s 0x74 0x9e0000",
                                   "mwcmd -i1B -l0 -O 0x0 0x0 0x0 0x0 -R -F <CLIPB>",
                                   "mwcmd -p 0x0 0x930104 0xffffffff 0x74 0x0 0x0 -L1", "mwcmd -s 0x74 0x9e0100",
                                   "mwcmd -s 0x74 0x960100", "mwcmd -s 0x78 0x960000"}));
    EXPECT_TRUE(f.a->Loaded());
    EXPECT_TRUE(f.b->Loaded());
    // Loaded channels show their time codes and picture types.
    f.board.SetWord(window::kChannelAStatus + 8, 8);
    f.board.SetWord(window::kChannelAStatus + 40, 0x02000000);
    f.Tick();
    EXPECT_EQ(f.view.Text(kTimecodeA), "00:00:00:04  P");
}

}  // namespace
}  // namespace velmar
