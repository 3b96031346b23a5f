// For the end-to-end tests that drive the playback panel against the software board program: UI
// services whose sleeps really wait (the board runs in real time), the board started and mapped,
// and the panel over the real command library.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "board_panel/testing/panel_test_support.h"
#include "playback_panel/velmar_view.h"
#include "playback_panel/velmar_view_form.h"
#include "program_runner.h"
#include "velmar/board_bindings.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar {

class RealTimeUi : public velmar_ui::testing::FakeUiServices {
public:
    void Sleep(int milliseconds) override {
        FakeUiServices::Sleep(milliseconds);
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(milliseconds * 1000 * timeScale)));
    }
    // Below 1 for a board whose fields are shorter than 20 ms: the waits span as many fields.
    double timeScale = 1.0;
};

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The softboard program for board 1 for the span of a test, started with `options` and its
// console into `log`; ready once its window maps (at most ten seconds).
class SoftBoardProgram {
public:
    SoftBoardProgram(const std::vector<std::string>& options, const std::string& log) {
        std::vector<std::string> words{velmar_testing::BinDir() + "/softboard", "-b", "1"};
        words.insert(words.end(), options.begin(), options.end());
        pid_ = program_runner::Start(words, {}, log);
        for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
             !TessolkLibrary(board_commands::BoardNumber::First()).MapWindow() && std::chrono::steady_clock::now() < until;)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~SoftBoardProgram() { Stop(); }
    // Ends the board program now, as a crash or a pulled board would leave the host.
    void Stop() {
        if (pid_ > 0) program_runner::Stop(pid_);
        pid_ = -1;
    }
    SoftBoardProgram(const SoftBoardProgram&) = delete;
    SoftBoardProgram& operator=(const SoftBoardProgram&) = delete;

private:
    pid_t pid_ = -1;
};

// The run directory as the working directory for the span of a test: the panel opens its clips
// and tables there by relative name.
class InRunDirectory {
public:
    InRunDirectory() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(velmar_testing::RunDir());
    }
    ~InRunDirectory() { std::filesystem::current_path(previous_); }
    InRunDirectory(const InRunDirectory&) = delete;
    InRunDirectory& operator=(const InRunDirectory&) = delete;

private:
    std::filesystem::path previous_;
};

// The playback panel of board 1 with its fakes, over the real driver and command library.
struct PanelOnBoard {
    explicit PanelOnBoard(const platform::Profile& profile)
        : panel(view, ui, host, PanelBoard{driver, library, timing}, profile, nullptr, board_commands::BoardNumber::First()) {
        host.ui = &ui;
    }
    // A test that failed before its OnDestroy still ends the service loop, or the panel would wait
    // for it for ever.
    ~PanelOnBoard() {
        if (panel.Link() && panel.Link()->GetDaemonState() == DaemonState::Running) panel.OnDestroy();
    }
    PanelOnBoard(const PanelOnBoard&) = delete;
    PanelOnBoard& operator=(const PanelOnBoard&) = delete;
    // Start-up and the first tick, which initialises the board.
    void StartUp() {
        panel.OnInitialUpdate();
        ui.Advance(kPanelTimerMs);
    }

    velmar_ui::testing::FakeFormView view{PlaybackForm()};
    RealTimeUi ui;
    panel_testing::FakeHost host;
    TessolkLibrary driver{board_commands::BoardNumber::First()};
    RuventLibrary library;
    panel_testing::NoDelays timing;
    CVelmarView panel;
};

}  // namespace velmar
