// An operator's session against the software board: the playback panel's own logic over the real
// command library and service loop. STOP of Video A while B plays and STOP of a running play list,
// 50 times each, and a seeded random run of operator actions on A, B, audio, alpha and the list
// (VELMAR_SOAK_SEED and VELMAR_SOAK_ACTIONS choose the run, VELMAR_SOAK_SECONDS bounds it: 40 s by
// default, the short form), once more on a busy machine. Whatever the operator does, the
// service loop keeps running, never reports a pair count out of range, every STOP leaves its
// channel stopped, and every decode to file that stops holds the frames its trailer counts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "index_builder/index_builder.h"
#include "panel_on_board.h"
#include "platform/profile.h"
#include "playback_panel/alpha_channel.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/velmar_view.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "velmar/board_bindings.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;
using namespace panel_ids;

// The board's field lasts 5 ms instead of 20: the panel's own waits shrink by the same factor, so
// they span as many fields as on a real board.
constexpr int kFieldMs = 5;
constexpr double kTimeScale = kFieldMs / 20.0;

// Start codes moved onto 32-bit word boundaries with zero stuffing, as the board and the index
// builder see them.
std::string AlignStartCodes(const std::string& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (i + 3 < in.size() && in[i] == 0 && in[i + 1] == 0 && in[i + 2] == 1)
            while (out.size() % 4 != 0) out.push_back('\0');
        out.push_back(in[i]);
    }
    return out;
}

// An MPEG-2 clip from ffmpeg with its picture index beside it.
bool MakeClip(const std::string& path, int frames, const char* pattern) {
    const std::string raw = path + ".raw";
    if (velmar_testing::RunCommand(std::string("ffmpeg -v error -y -f lavfi -i ") + pattern +
                                   "=size=176x120:rate=30000/1001 -frames:v " + std::to_string(frames) +
                                   " -c:v mpeg2video -g 12 -bf 2 -q:v 4 -f mpeg2video " + raw) != 0)
        return false;
    std::ofstream(path, std::ios::binary) << AlignStartCodes(ReadBytes(raw));
    return index_builder::BuildIndexFile(path).run.status == platform::RunStatus::Done;
}

std::uint32_t BigEndian(const std::string& bytes, std::size_t at) {
    return std::uint32_t(std::uint8_t(bytes[at])) << 24 | std::uint32_t(std::uint8_t(bytes[at + 1])) << 16 |
           std::uint32_t(std::uint8_t(bytes[at + 2])) << 8 | std::uint8_t(bytes[at + 3]);
}

// A busy machine, as a parallel build makes one: a spinning thread per core, and a disk that now
// and then holds the board's writes up for longer than the host waits for an interrupt (the board's
// capture of input 0 goes to a pipe whose reader stops for 1.5 s every 3 s).
class MachineLoad {
public:
    explicit MachineLoad(const std::string& capturePipe) {
        for (unsigned i = 0; i < std::max(1u, std::thread::hardware_concurrency()); ++i)
            threads_.emplace_back([this] {
                std::uint64_t spin = 0;
                while (!stop_.load(std::memory_order_relaxed)) spin = spin * 6364136223846793005ull + 1;
                volatile std::uint64_t sink = spin;
                (void)sink;
            });
        if (::mkfifo(capturePipe.c_str(), 0600) != 0) return;
        // Open before the board, without waiting for it; read as the board writes.
        const int pipe = ::open(capturePipe.c_str(), O_RDONLY | O_NONBLOCK);
        if (pipe < 0) return;
        threads_.emplace_back([this, pipe] {
            char bytes[1 << 16];
            auto stalled = std::chrono::steady_clock::now();
            for (;;) {
                if (!stop_.load() && std::chrono::steady_clock::now() - stalled > 3s) {
                    for (int ms = 0; ms < 1500 && !stop_.load(); ms += 10) std::this_thread::sleep_for(10ms);
                    stalled = std::chrono::steady_clock::now();
                }
                pollfd ready{pipe, POLLIN, 0};
                ::poll(&ready, 1, 100);
                const ssize_t got = ::read(pipe, bytes, sizeof bytes);
                if (got == 0 && stop_.load()) break;  // the board has closed it
                if (got == 0) std::this_thread::sleep_for(10ms);  // no board yet
            }
            ::close(pipe);
        });
    }
    // Before the board ends: the threads stop spinning and the pipe is drained until the board closes it.
    void Stop() { stop_.store(true); }
    ~MachineLoad() {
        Stop();
        for (std::thread& thread : threads_) thread.join();
    }
    MachineLoad(const MachineLoad&) = delete;
    MachineLoad& operator=(const MachineLoad&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

// The panel with every channel group on the software board program, and the clips, sounds, alpha
// stream and play list an operator works with.
class OperatorSoak : public ::testing::Test {
protected:
    void SetUp() override {
        VELMAR_REQUIRE_TOOL("ffmpeg");
        dir_ = velmar_testing::TempDir();
        clips_ = {dir_ + "/a.m2v", dir_ + "/b.m2v", dir_ + "/short.m2v"};
        ASSERT_TRUE(MakeClip(clips_[0], 90, "testsrc"));
        ASSERT_TRUE(MakeClip(clips_[1], 60, "smptebars"));
        ASSERT_TRUE(MakeClip(clips_[2], 20, "testsrc2"));  // shorter than one buffer pair
        ASSERT_LT(ReadBytes(clips_[2]).size(), 0x20000u);
        for (int i = 0; i < 2; ++i) {
            std::string sound(96000 + 32000 * i, '\0');
            for (std::size_t b = 0; b < sound.size(); ++b) sound[b] = static_cast<char>(b * (7 + i) + b / 1021);
            sounds_.push_back(dir_ + "/sound" + std::to_string(i) + ".wav");
            std::ofstream(sounds_.back(), std::ios::binary) << sound;
        }
        alpha_stream::AlphaGenParams fade;
        fade.fieldCount = 4;
        fade.outputFile = dir_ + "/fade.alp";
        alpha_stream::AlphaGenRun run;
        ASSERT_EQ(alpha_stream::GenerateFadeCrossAlpha(fade, run).status, platform::RunStatus::Done);
        ASSERT_TRUE(alpha_stream::BuildAlphaIndexFile(fade.outputFile));
        std::ofstream(dir_ + "/roll.vpl") << "<" << clips_[0] << "><0><20><0><" << fade.outputFile << "><10>\n<"
                                          << clips_[1] << "><2><30><0>\n<" << clips_[2] << "><0><9><0>\n";

        // A command that ends the whole process (mwcmd without its service loop) leaves no test
        // output: say at least how the loop ended and what the board said.
        running_ = this;
        static const bool onExit = std::atexit([] {
            OperatorSoak* running = running_;
            if (!running || !running->on_) return;
            BoardLink* link = running->Panel().Link();
            std::fprintf(stderr, "the process ended in the soak; service loop %s, result %d\n%s\n",
                         link && link->GetDaemonState() == DaemonState::Ended ? "ended" : "running",
                         link ? link->DaemonResult() : -1, ReadBytes(running->dir_ + "/board.log").c_str());
        }) == 0;
        (void)onExit;
        profile_ = std::make_unique<platform::Profile>(dir_ + "/SOAK.INI");
        profile_->WriteString("BOARD1", "PATHVA", clips_[0]);
        profile_->WriteString("BOARD1", "PATHVB", clips_[1]);
        profile_->WriteString("BOARD1", "PATHAUD", sounds_[0]);
        profile_->WriteString("BOARD1", "PATHALP", fade.outputFile);
        profile_->WriteString("BOARD1", "PATHPL", dir_ + "/roll.vpl");
        profile_->WriteString("BOARD1", "PATHDIO", dir_ + "/decoded.flm");

        std::vector<std::string> boardOptions{"-p", std::to_string(kFieldMs)};
        if (std::string_view(::testing::UnitTest::GetInstance()->current_test_info()->name()).ends_with("OnABusyMachine")) {
            load_ = std::make_unique<MachineLoad>(dir_ + "/input0.bin");
            boardOptions.insert(boardOptions.end(), {"-c", dir_});
        }
        board_ = std::make_unique<SoftBoardProgram>(boardOptions, dir_ + "/board.log");
        inRunDirectory_ = std::make_unique<InRunDirectory>();
        on_ = std::make_unique<PanelOnBoard>(*profile_);
        on_->ui.timeScale = kTimeScale;
        InstallVideoChannels(on_->panel);
        InstallAlphaAndPlayList(on_->panel);
        InstallAudioChannel(on_->panel);
        // The service loop's console, unless VELMAR_SOAK_CONSOLE asks to see it as it comes (a
        // run that ends the process leaves nothing captured).
        capturing_ = std::getenv("VELMAR_SOAK_CONSOLE") == nullptr;
        if (capturing_) ::testing::internal::CaptureStdout();
        on_->StartUp();
        ASSERT_FALSE(Panel().DemoMode()) << ReadBytes(dir_ + "/board.log");
    }
    void TearDown() override {
        running_ = nullptr;
        if (on_) Panel().OnDestroy();
        on_.reset();
        if (capturing_) {
            const std::string console = ::testing::internal::GetCapturedStdout();
            // The failures of the test went there too.
            if (HasFailure()) std::fputs(console.c_str(), stderr);
            EXPECT_EQ(console.find("out of range"), std::string::npos) << console;
        }
        inRunDirectory_.reset();
        if (load_) load_->Stop();
        board_.reset();
        load_.reset();
    }

    // The seeded random run of operator actions (VELMAR_SOAK_SEED, VELMAR_SOAK_ACTIONS and
    // VELMAR_SOAK_SECONDS choose it).
    void RunRandomActions();
    CVelmarView& Panel() { return on_->panel; }
    velmar_ui::testing::FakeFormView& View() { return on_->view; }
    VideoChannel& Video(int channel) { return channel == 0 ? *Panel().Channels().videoA : *Panel().Channels().videoB; }
    CAudioChannel& Audio() { return static_cast<CAudioChannel&>(*Panel().Channels().audio); }
    CAlphaChannel& Alpha() { return static_cast<CAlphaChannel&>(*Panel().Channels().alpha); }
    CPlayListChannel& List() { return static_cast<CPlayListChannel&>(*Panel().Channels().playList); }
    bool LoopRunning() { return Panel().Link()->GetDaemonState() == DaemonState::Running && !on_->host.destroyed; }
    std::uint32_t CounterA() { return Panel().Window()->Read32(window::kChannelAStatus + window::kStatusFieldCounter); }

    // Time passes as between two operator actions: the board plays on and the status loop ticks.
    void Pause(int realMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(realMs));
        on_->ui.RunPending();
        on_->ui.Advance(kPanelTimerMs);
    }
    void SetChecked(velmar_ui::ControlId box, bool checked) {
        if (View().Checked(box) != checked) View().Click(box);
    }

    std::string dir_;
    std::vector<std::string> clips_, sounds_;
    std::unique_ptr<platform::Profile> profile_;
    std::unique_ptr<MachineLoad> load_;  // the busy machine's test only
    std::unique_ptr<SoftBoardProgram> board_;
    std::unique_ptr<InRunDirectory> inRunDirectory_;
    std::unique_ptr<PanelOnBoard> on_;
    bool capturing_ = false;
    static inline OperatorSoak* running_ = nullptr;
};

TEST_F(OperatorSoak, StopOnAWhileBPlaysFiftyTimes) {
    SetChecked(kLoopA, true);
    SetChecked(kLoopB, true);
    View().Type(kPathA, clips_[2]);  // shorter than a pair: each pass of the loop is a pair of its own
    Panel().EditChanged(kPathA);
    Panel().EditLostFocus(kPathA);
    Panel().Command(kPlayB);
    for (int stop = 0; stop < 50 && LoopRunning(); ++stop) {
        Panel().Command(kPlayA);
        ASSERT_EQ(Video(0).State(), VideoState::Playing);
        Pause(stop % 9 * 7);  // the stop lands at a different point of a pass each time
        Panel().Command(kStopA);
        EXPECT_EQ(Video(0).State(), VideoState::Stopped);
        Pause(10);
        ASSERT_TRUE(LoopRunning()) << "the service loop ended at stop " << stop;
    }
    EXPECT_EQ(Video(1).State(), VideoState::Playing);
}

TEST_F(OperatorSoak, StopOfARunningPlayListFiftyTimes) {
    for (int stop = 0; stop < 50; ++stop) {
        Panel().Command(kPlayList);
        ASSERT_TRUE(List().Active());
        for (int tick = 0; tick < stop % 6 + 1; ++tick) Pause(25);
        Panel().Command(kStopList);
        EXPECT_FALSE(List().Active());
        EXPECT_EQ(Video(0).State(), VideoState::Stopped);
        EXPECT_EQ(Video(1).State(), VideoState::Stopped);
        Pause(10);
        ASSERT_TRUE(LoopRunning()) << "the service loop ended at stop " << stop;
    }
}

// --- the random run --------------------------------------------------------------------------------

struct VideoIds {
    velmar_ui::ControlId play, pause, stop, varPlay, ipOnly, iOnly, fieldStep, frameStep, speedBar, slider, loop, path,
        start;
};
constexpr VideoIds kVideoIds[2] = {
    {kPlayA, kPauseA, kStopA, kVarPlayA, kIpOnlyA, kIOnlyA, kFieldStepA, kFrameStepA, kSpeedBarA, kSliderA, kLoopA, kPathA,
     kStartA},
    {kPlayB, kPauseB, kStopB, kVarPlayB, kIpOnlyB, kIOnlyB, kFieldStepB, kFrameStepB, kSpeedBarB, kSliderB, kLoopB, kPathB,
     kStartB},
};

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

void OperatorSoak::RunRandomActions() {
    const std::uint64_t seed = EnvNumber("VELMAR_SOAK_SEED", std::random_device{}());
    const std::uint64_t count = EnvNumber("VELMAR_SOAK_ACTIONS", 2000);
    // The short form stops early at this bound (most actions wait for the loop to take their words).
    const double budget = static_cast<double>(EnvNumber("VELMAR_SOAK_SECONDS", 40));
    // On the error stream: the test captures the console of the service loop.
    std::fprintf(stderr, "operator soak: seed %llu, %llu actions\n", static_cast<unsigned long long>(seed),
                 static_cast<unsigned long long>(count));
    SCOPED_TRACE("VELMAR_SOAK_SEED=" + std::to_string(seed) + " VELMAR_SOAK_ACTIONS=" + std::to_string(count));
    std::mt19937_64 random(seed);
    const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<std::uint64_t>(below)); };
    int decodes = 0;

    struct Action {
        const char* name;
        int weight;
        std::function<void()> run;
    };
    std::vector<Action> actions;
    for (int c = 0; c < 2; ++c) {
        const VideoIds& id = kVideoIds[c];
        const auto press = [this](velmar_ui::ControlId button) { return [this, button] { Panel().Command(button); }; };
        actions.push_back({"PLAY", 6, press(id.play)});
        actions.push_back({"PAUSE", 3, press(id.pause)});
        actions.push_back({"VAR PLY", 2, press(id.varPlay)});
        actions.push_back({"IP ONLY", 1, press(id.ipOnly)});
        actions.push_back({"I ONLY", 1, press(id.iOnly)});
        actions.push_back({"FL STEP", 2, press(id.fieldStep)});
        actions.push_back({"FR STEP", 2, press(id.frameStep)});
        actions.push_back({"STOP", 5, [this, c, id] {
                               Panel().Command(id.stop);
                               EXPECT_EQ(Video(c).State(), VideoState::Stopped) << "after STOP";
                           }});
        actions.push_back({"speed", 2, [this, id, pick] {
                               Panel().OnHScroll({velmar_ui::EventKind::Scroll, id.speedBar,
                                                  velmar_ui::ScrollCode::EndScroll, 1 + pick(200)});
                           }});
        actions.push_back({"slider", 2, [this, c, id, pick] {
                               const int length = static_cast<int>(std::max<std::uint32_t>(Video(c).Length(), 1));
                               Panel().OnPositionSlider({velmar_ui::EventKind::SliderEvent, id.slider, {}, pick(length),
                                                         pick(3) == 0});
                           }});
        actions.push_back({"Loop Forever", 2, [this, id] { View().Click(id.loop); }});
        actions.push_back({"other clip", 1, [this, c, id, pick] {
                               View().Type(id.path, clips_[pick(3)]);
                               Panel().EditChanged(id.path);
                               Panel().EditLostFocus(id.path);
                               EXPECT_EQ(Video(c).State(), VideoState::Stopped) << "after loading a clip";
                           }});
        actions.push_back({"start time code", 1, [this, id, pick] {
                               char text[16];
                               std::snprintf(text, sizeof text, "000000%02d", pick(30));
                               View().Type(id.start, text);
                               Panel().EditLostFocus(id.start);
                           }});
    }
    for (const auto& [name, button, weight] :
         {std::tuple{"audio PLAY", kPlayAudio, 3}, {"audio PAUSE", kPauseAudio, 2}, {"audio VAR PLY", kVarPlayAudio, 1},
          {"audio FL STEP", kFieldStepAudio, 1}, {"audio FR STEP", kFrameStepAudio, 1}, {"alpha PLAY", kPlayAlpha, 2},
          {"alpha PAUSE", kPauseAlpha, 1}, {"alpha STOP", kStopAlpha, 2}, {"list PLAY", kPlayList, 3},
          {"PLAY ALL", kPlayAll, 2}, {"audio Loop Forever", kLoopAudio, 1}, {"Link to VA/PL", kLinkAudio, 1}}) {
        const velmar_ui::ControlId id = button;
        actions.push_back({name, weight, [this, id] {
                               // A check box changes, then (the link box only) tells its group.
                               if (id == kLoopAudio || id == kLinkAudio) View().Click(id);
                               if (id != kLoopAudio) Panel().Command(id);
                           }});
    }
    actions.push_back({"audio STOP", 2, [this] {
                           Panel().Command(kStopAudio);
                           EXPECT_EQ(Audio().State(), AudioState::Stopped) << "after audio STOP";
                       }});
    actions.push_back({"audio speed", 1, [this, pick] {
                           Panel().OnHScroll({velmar_ui::EventKind::Scroll, kSpeedBarAudio, velmar_ui::ScrollCode::EndScroll,
                                              1 + pick(200)});
                       }});
    actions.push_back({"audio slider", 1, [this, pick] {
                           const int length = static_cast<int>(std::max<std::uint32_t>(Audio().Length(), 1));
                           Panel().OnPositionSlider({velmar_ui::EventKind::SliderEvent, kSliderAudio, {}, pick(length), false});
                       }});
    actions.push_back({"other sound", 1, [this, pick] {
                           View().Type(kPathAudio, sounds_[pick(2)]);
                           Panel().EditChanged(kPathAudio);
                           Panel().EditLostFocus(kPathAudio);
                       }});
    actions.push_back({"alpha slider", 1, [this, pick] {
                           const int length = static_cast<int>(std::max<std::uint32_t>(Alpha().Length(), 1));
                           Panel().OnPositionSlider({velmar_ui::EventKind::SliderEvent, kSliderAlpha, {}, pick(length), false});
                       }});
    actions.push_back({"list STOP", 2, [this] {
                           Panel().Command(kStopList);
                           EXPECT_FALSE(List().Active()) << "after list STOP";
                       }});
    actions.push_back({"list slider", 1, [this, pick] {
                           const int length = static_cast<int>(std::max<std::uint32_t>(List().Length(), 1));
                           Panel().OnPositionSlider({velmar_ui::EventKind::SliderEvent, kSliderList, {}, pick(length), false});
                       }});
    // A decode to file runs from a stopped Video A until its range has been shown, then STOP ends it.
    // A running play list would take channel A over: it is stopped first.
    actions.push_back({"decode to file", 1, [this, pick, &decodes] {
                           const std::size_t boxes = on_->ui.Boxes().size();
                           Panel().Command(kStopList);
                           Panel().Command(kStopA);
                           View().Type(kStartA, "00000000");  // the range starts at field 0
                           Panel().EditLostFocus(kStartA);
                           const int fields = 2 * (1 + pick(2));  // a short range: the software board decodes it in bursts
                           View().Click(pick(2) ? kDecodeFrame : kDecodeField);
                           View().Type(kDecodeFields, std::to_string(fields));
                           Panel().EditLostFocus(kDecodeFields);
                           SetChecked(kLoopA, true);
                           Panel().Command(kPlayA);
                           for (int waited = 0; waited < 400 && CounterA() <= std::uint32_t(fields); ++waited) Pause(5);
                           Panel().Command(kStopA);
                           std::string shown;  // the boxes the decode brought up
                           for (std::size_t b = boxes; b < on_->ui.Boxes().size(); ++b) shown += " \"" + on_->ui.Boxes()[b].text + "\"";
                           const std::string file = ReadBytes(dir_ + "/decoded.flm");
                           ASSERT_GE(file.size(), 36u) << "boxes:" << shown;
                           const std::string trailer = file.substr(file.size() - 36);
                           ASSERT_EQ(trailer.substr(0, 4), "Rand");
                           const std::uint64_t pictures = BigEndian(trailer, 4);
                           const std::uint64_t lines = std::uint8_t(trailer[14]) << 8 | std::uint8_t(trailer[15]);
                           EXPECT_EQ(file.size() - 36, pictures * 1440 * lines)
                               << "the decode to file holds other than the " << pictures << " pictures its trailer says; boxes:"
                               << shown;
                           ++decodes;
                       }});

    int total = 0;
    for (const Action& action : actions) total += action.weight;
    std::deque<std::string> recent;
    std::map<std::string, double> spent;  // seconds per kind of action
    const auto started = std::chrono::steady_clock::now();
    std::uint64_t n = 0;
    for (; n < count && !HasFatalFailure() && std::chrono::steady_clock::now() - started < std::chrono::duration<double>(budget);
         ++n) {
        int at = pick(total);
        std::size_t a = 0;
        while (at >= actions[a].weight) at -= actions[a++].weight;
        recent.push_back(std::to_string(n) + ": " + actions[a].name);
        if (recent.size() > 12) recent.pop_front();
        const auto before = std::chrono::steady_clock::now();
        actions[a].run();
        spent[actions[a].name] += std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
        Pause(pick(6));
        if (!LoopRunning() || HasFailure()) {
            std::string last;
            for (const auto& line : recent) last += "\n  " + line;
            ADD_FAILURE() << (LoopRunning() ? "a check failed"
                                             : "the service loop ended (" + std::to_string(Panel().Link()->DaemonResult()) + ")")
                          << " after action " << n
                          << "; the last actions:" << last << "\n" << ReadBytes(dir_ + "/board.log");
            break;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "operator soak: seed %llu, %llu actions (%d decodes to file) in %.1f s\n",
                 static_cast<unsigned long long>(seed), static_cast<unsigned long long>(n), decodes, seconds);
    for (const auto& [name, time] : spent) std::fprintf(stderr, "  %-20s %6.1f s\n", name.c_str(), time);
}

TEST_F(OperatorSoak, RandomOperatorActions) { RunRandomActions(); }

// The same run on a busy machine (MachineLoad): the board's work runs late now and then, which must
// never read as a lost reference and end the service loop.
TEST_F(OperatorSoak, RandomOperatorActionsOnABusyMachine) { RunRandomActions(); }

}  // namespace
}  // namespace velmar
