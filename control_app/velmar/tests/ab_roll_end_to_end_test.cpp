// A video play list run by the panel's list engine against the software board through the real
// command library: a roll of three entries, the first keyed into the second through its alpha
// stream, switches channels, takes the queued clips and runs its keys at the fields the list's
// time words name, as the board's mix status word shows them field by field; its linked audio
// list reaches input 3 entry after entry. A list that mixes MPEG-2 and DV leaves out the entries of
// the other kind than the one it starts with.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "board_panel/testing/panel_test_support.h"
#include "index_builder/index_builder.h"
#include "index_formats/picture_index.h"
#include "panel_on_board.h"
#include "platform/kernel.h"
#include "platform/profile.h"
#include "ps_testing/ps_test_support.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/velmar_view.h"
#include "playback_panel/velmar_view_form.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "softboard/soft_board.h"
#include "softboard/streaming.h"
#include "velmar/board_bindings.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

constexpr std::size_t kGroupBytes = 8 * 1024;
constexpr int kGroups = 3, kPicturesPerGroup = 4;

// Groups of four pictures, each opening with a sequence header.
std::string Clip() {
    std::string clip(kGroups * kGroupBytes, '\0');
    for (int g = 0; g < kGroups; ++g) {
        const std::size_t at = g * kGroupBytes;
        clip.replace(at, 12, std::string("\0\0\1\xB3\x2D\x01\xE0\x24\xFF\xFF\xE0\x00", 12));
        for (int p = 0; p < kPicturesPerGroup; ++p)
            clip.replace(at + 256 + p * 1024, 6, std::string("\0\0\1\0", 4) + char(p >> 2) + char(p << 6 | 1 << 3));
    }
    return clip;
}

std::string Pattern(std::size_t bytes, int seed) {
    std::string data(bytes, '\0');
    for (std::size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>(i * seed + i / 251);
    return data;
}

// Bytes [from, to) of a file as input 3 carries them: a WAVE header read from the file's start is
// silenced, and on the 2000-type board the words are reversed ("-R").
std::string AsInput3(const std::string& file, std::size_t from, std::size_t to) {
    std::string bytes = file.substr(from, to - from);
    if (from == 0) std::fill_n(bytes.begin(), std::min<std::size_t>(44, bytes.size()), '\0');
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        std::swap(bytes[i], bytes[i + 3]);
        std::swap(bytes[i + 1], bytes[i + 2]);
    }
    return bytes;
}

std::string Index() {
    std::vector<index_formats::PictureIndexRecord> records;
    for (int g = 0; g < kGroups; ++g)
        for (int k = 0; k < kPicturesPerGroup; ++k)
            records.push_back({g * kGroupBytes / 4, static_cast<std::uint8_t>(k),
                               static_cast<std::uint8_t>(kPicturesPerGroup - k), g == kGroups - 1});
    const auto bytes = index_formats::EncodePictureIndex(records);
    return std::string(bytes.begin(), bytes.end());
}

// The board in this process, stepped in real time; after each interrupt it notes the mix status
// and alpha counter words of that field.
class SteppedBoard {
public:
    struct Field {
        std::uint32_t mix = 0;
        std::uint32_t alpha = 0;
    };
    // What inputs 0 to 3 receive goes to `captureFolder`/input<N>.bin.
    SteppedBoard(int periodMs, const std::string& captureFolder) {
        softboard::SoftBoardOptions options;
        options.interruptPeriodMs = periodMs;
        board_ = softboard::SoftBoard::Create(options);
        if (!board_) return;
        for (std::uint32_t input = 0; input < 4; ++input)
            board_->Streaming().SetInput(input, {0, captureFolder + "/input" + std::to_string(input) + ".bin", input == 3});
        stepper_ = std::thread([this] {
            std::uint64_t seen = 0;
            while (!stop_.load()) {
                {
                    std::lock_guard lock(mutex_);
                    board_->Step(platform::PerformanceCounter());
                    if (board_->InterruptCount() != seen) {
                        seen = board_->InterruptCount();
                        fields_[static_cast<std::uint32_t>(seen)] = {Word(board_map::kMixStatusWord),
                                                                     Word(board_map::kAlphaCounterWord)};
                    }
                    if (listStart_ == 0) listStart_ = ListStart();
                }
                platform::SleepUs(200);
            }
        });
    }
    ~SteppedBoard() {
        stop_.store(true);
        if (stepper_.joinable()) stepper_.join();
    }
    bool Ready() const { return board_ != nullptr; }
    std::uint64_t Fields() {
        std::lock_guard lock(mutex_);
        return board_->InterruptCount();
    }
    std::uint64_t InputBytes(std::uint32_t input) {
        std::lock_guard lock(mutex_);
        return board_->Streaming().InputBytes(input);
    }
    std::map<std::uint32_t, Field> Noted() {
        std::lock_guard lock(mutex_);
        return fields_;
    }
    // The start field of channel A's list play range, 0 before one came.
    std::uint32_t ListStartField() {
        std::lock_guard lock(mutex_);
        return listStart_;
    }

private:
    std::uint32_t Word(std::uint32_t offset) const {
        return std::atomic_ref(*reinterpret_cast<std::uint32_t*>(board_->Window() + offset)).load();
    }
    std::uint32_t ListStart() const {
        for (const auto& command : board_->Commands())
            if (command.opcode == 0x93 && command.stream == 0 && command.parameters.size() >= 2 &&
                command.parameters[0] == 0xFFFFFFFF && command.parameters[1] != 0xFFFFFFFF)
                return command.parameters[1];
        return 0;
    }

    std::unique_ptr<softboard::SoftBoard> board_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::map<std::uint32_t, Field> fields_;
    std::uint32_t listStart_ = 0;
    std::thread stepper_;
};

TEST(AbRollEndToEnd, ThreeEntriesWithAKeySwitchAtTheFieldsOfTheirTimeWords) {
    const std::string dir = velmar_testing::TempDir();
    for (const char* name : {"a", "b"}) {
        std::ofstream(dir + "/" + name + ".mpg", std::ios::binary) << Clip();
        std::ofstream(dir + "/" + name + ".mdb", std::ios::binary) << Index();
    }
    alpha_stream::AlphaGenParams fade;
    fade.fieldCount = 4;
    fade.outputFile = dir + "/fade.alp";
    alpha_stream::AlphaGenRun run;
    ASSERT_EQ(alpha_stream::GenerateFadeCrossAlpha(fade, run).status, platform::RunStatus::Done);
    ASSERT_TRUE(alpha_stream::BuildAlphaIndexFile(fade.outputFile));
    // The audio list: five frames of x from its start, then y's frames 10 to 29 (fields of
    // 3203.2 bytes at 48 kHz), then x again.
    const std::string x = Pattern(40000, 7), y = Pattern(200000, 13);
    std::ofstream(dir + "/x.wav", std::ios::binary) << x;
    std::ofstream(dir + "/y.wav", std::ios::binary) << y;
    std::ofstream(dir + "/sound.apl") << "<" << dir << "/x.wav><0><4><0>\n<" << dir << "/y.wav><10><29><0>\n";
    // A keys into B at its fifth frame; B (from the third picture of its first group, to two
    // pictures before its last group's end) cuts to A's second entry; the roll then starts over.
    std::ofstream(dir + "/roll.vpl") << "; three entries\n<" << dir << "/a.mpg><0><7><0><" << fade.outputFile
                                     << "><5>\n<" << dir << "/b.mpg><2><9><0>\n<" << dir << "/a.mpg><4><7><0>\n";
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "LOGFILE", dir + "/roll.log");
    profile.WriteString("BOARD1", "PATHPL", dir + "/roll.vpl");
    profile.WriteString("BOARD1", "PATHAUD", dir + "/sound.apl");
    profile.WriteString("BOARD1", "LINKAUD", "1");

    SteppedBoard board(40, dir);
    ASSERT_TRUE(board.Ready());
    const InRunDirectory inRunDirectory;
    std::uint32_t base = 0;
    {
        PanelOnBoard on(profile);
        RealTimeUi& ui = on.ui;
        CVelmarView& panel = on.panel;
        InstallVideoChannels(panel);
        InstallAlphaAndPlayList(panel);
        InstallAudioChannel(panel);
        panel.OnInitialUpdate();
        ui.Advance(kPanelTimerMs);  // the board's initialisation
        ASSERT_FALSE(panel.DemoMode());
        auto& list = static_cast<CPlayListChannel&>(*panel.Channels().playList);
        ASSERT_EQ(list.Total(), 17);

        const auto boxes = ui.Boxes().size();
        panel.Command(panel_ids::kPlayList);
        ASSERT_TRUE(list.Active());
        for (auto until = std::chrono::steady_clock::now() + 10s;
             (base = board.ListStartField()) == 0 && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(10ms);
        ASSERT_NE(base, 0u);
        // The status loop queues the next entries as the board takes the queued files.
        for (auto until = std::chrono::steady_clock::now() + 60s;
             board.Fields() < base + 56 && std::chrono::steady_clock::now() < until;) {
            std::this_thread::sleep_for(100ms);
            ui.Advance(kPanelTimerMs);
        }
        EXPECT_EQ(ui.Boxes().size(), boxes);
        panel.Command(panel_ids::kStopList);
        EXPECT_FALSE(list.Active());
        panel.OnDestroy();
    }

    // The mix status word where it changes, from the list's start field on: bit 0 B on air, bit 1
    // a key runs, bit 2 the last transition keyed, bits 8 and 16 the queued clips A and B took.
    struct Change {
        std::uint32_t field;  // after the list's start
        std::uint32_t mix;
        std::uint32_t alpha;  // alpha frames shown so far
        const char* what;
    };
    const Change expected[] = {
        {0, 0x00000, 0, "A on air"},
        {10, 0x00006, 1, "A keys into B at A's transition point"},
        {14, 0x00005, 4, "B on air after the four frames of the key, B's span counted from B's start"},
        {26, 0x00100, 4, "A takes its queued entry and is cut to at B's transition point"},
        {34, 0x10101, 4, "B takes the first entry again, cut to at A's"},
        {40, 0x10201, 4, "A takes the second entry, two pictures of its group early"},
        {44, 0x10207, 5, "B keys into A, on B's clock that stood while B was frozen"},
        {48, 0x10204, 8, "A on air, its span on A's clock"},
    };
    const auto noted = board.Noted();
    std::vector<Change> changes;
    for (std::uint32_t f = base; f <= base + 56; ++f) {
        const auto at = noted.find(f);
        ASSERT_NE(at, noted.end()) << "field " << f << " was not seen";
        if (changes.empty() || changes.back().mix != at->second.mix)
            changes.push_back({f - base, at->second.mix, at->second.alpha, ""});
    }
    std::string seen;
    for (const Change& c : changes)
        seen += " " + std::to_string(c.field) + ":" + std::to_string(c.mix) + "/" + std::to_string(c.alpha);
    ASSERT_EQ(changes.size(), std::size(expected)) << "changes (field:mix/alpha):" << seen;
    for (std::size_t i = 0; i < changes.size(); ++i) {
        EXPECT_EQ(changes[i].field, expected[i].field) << expected[i].what;
        EXPECT_EQ(changes[i].mix, expected[i].mix) << expected[i].what;
        EXPECT_EQ(changes[i].alpha, expected[i].alpha) << expected[i].what;
    }

    // The linked audio list went to input 3 entry after entry, the list starting over after its last.
    const std::string audio = AsInput3(x, 0, 32032) + AsInput3(y, 64064, 96096 + 96096) + AsInput3(x, 0, 32032);
    EXPECT_NE(ReadBytes(dir + "/input3.bin").find(audio), std::string::npos) << "input 3 lacks the audio list's entries";
}

// A short clip from ffmpeg: MPEG-2 with its start codes on word boundaries and its picture index,
// or DV.
void MakeClip(const std::string& path, const std::string& options) {
    const bool dv = path.ends_with(".dv");
    const std::string raw = dv ? path : path + ".raw";
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=" +
                                         std::string(dv ? "720x576" : "176x144") + ":rate=25 -frames:v 10 " + options +
                                         " " + raw),
              0);
    if (dv) return;
    const std::string es = ReadBytes(raw);
    const auto aligned = ps_testing::AlignStartCodes(std::vector<std::uint8_t>(es.begin(), es.end()));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(aligned.data()),
                                                static_cast<std::streamsize>(aligned.size()));
    ASSERT_EQ(index_builder::BuildIndexFile(path).run.status, platform::RunStatus::Done);
}

// A list of a 4:2:2 and a 4:2:0 MPEG-2 clip and a DV clip: the list plays MPEG-2, the mode of the
// entry it starts with, so CHK FILE and PLAY name the DV entry, and the roll leaves it out: A plays
// the 4:2:2 clip over and over, B the 4:2:0 one, and neither input is read faster than the board
// plays (the highest rate it decodes, with the burst a channel may read ahead).
TEST(PlayListEntries, AnEntryTheBoardCannotPlayIsRefusedAndTheListGoesOn) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string mpeg = "-c:v mpeg2video -g 5 -bf 2 -q:v 4 -f mpeg2video";
    MakeClip(dir + "/clip422.m2v", "-pix_fmt yuv422p " + mpeg);
    MakeClip(dir + "/clip420.m2v", "-pix_fmt yuv420p " + mpeg);
    MakeClip(dir + "/clip.dv", "-pix_fmt yuv420p -f dv");
    std::ofstream(dir + "/mixed.vpl") << "<" << dir << "/clip422.m2v><0><9><0>\n<" << dir << "/clip420.m2v><0><9><0>\n<"
                                      << dir << "/clip.dv><0><9><0>\n";
    platform::Profile profile(dir + "/E2E.INI");
    profile.WriteString("BOARD1", "PATHPL", dir + "/mixed.vpl");

    constexpr int kFieldMs = 10;
    SteppedBoard board(kFieldMs, dir);
    ASSERT_TRUE(board.Ready());
    const InRunDirectory inRunDirectory;
    {
        PanelOnBoard on(profile);
        InstallVideoChannels(on.panel);
        InstallAlphaAndPlayList(on.panel);
        InstallAudioChannel(on.panel);
        on.StartUp();
        ASSERT_FALSE(on.panel.DemoMode());
        const std::string refused = "The board cannot play these entries in a play list of MPEG-2 clips; the list leaves "
                                    "them out:\n" + dir + "/clip.dv";
        for (const velmar_ui::ControlId button : {panel_ids::kCheckList, panel_ids::kPlayList}) {
            const auto boxes = on.ui.Boxes().size();
            on.panel.Command(button);
            EXPECT_EQ(on.ui.Boxes().size(), boxes + 1) << button;
            if (on.ui.Boxes().size() > boxes) {
                EXPECT_EQ(on.ui.Boxes().back().text, refused) << button;
            }
        }
        auto& list = static_cast<CPlayListChannel&>(*on.panel.Channels().playList);
        ASSERT_TRUE(list.Active());
        const std::uint64_t start = board.Fields();
        // Each entry lasts 20 fields: eight of them.
        for (auto until = std::chrono::steady_clock::now() + 60s;
             board.Fields() < start + 160 && std::chrono::steady_clock::now() < until && list.Active();) {
            std::this_thread::sleep_for(std::chrono::milliseconds(4 * kFieldMs));
            on.ui.Advance(kPanelTimerMs);
        }
        EXPECT_TRUE(list.Active());
        const std::uint64_t fields = board.Fields() - start;
        for (std::uint32_t input : {0u, 1u})
            EXPECT_LE(board.InputBytes(input), (2u << 20) + fields * (75'000'000 / 8 / 50)) << "input " << input;
        // Every entry went to its channel whole, again and again; no DV reached either. (Read before
        // STOP parks the channels on black.)
        for (const auto& [input, clip] : {std::pair{0, "clip422.m2v"}, {1, "clip420.m2v"}}) {
            SCOPED_TRACE(clip);
            const std::string entry = ReadBytes(dir + "/" + clip);
            const std::string arrived = ReadBytes(dir + "/input" + std::to_string(input) + ".bin");
            EXPECT_GE(arrived.size(), 2 * entry.size()) << "the list did not go on";
            for (std::size_t at = 0; at < arrived.size(); at += entry.size())
                ASSERT_EQ(arrived.compare(at, entry.size(), entry, 0, arrived.size() - at), 0) << "at byte " << at;
        }
        on.panel.Command(panel_ids::kStopList);
        on.panel.OnDestroy();
    }
}

}  // namespace
}  // namespace velmar
