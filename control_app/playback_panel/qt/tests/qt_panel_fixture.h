// The playback panel's Qt window over the fake board and library, for the Qt tests.
#pragma once

#include <string>

#include "board_panel/testing/panel_test_support.h"
#include "platform/profile.h"
#include "playback_panel/qt/playback_panel_window.h"
#include "playback_panel/qt/qt_panel_host.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar::panel_testing {

struct QtPanelFixture {
    explicit QtPanelFixture(const std::string& profileName) : profile(profileName) {}

    bool app = (velmar_ui_qt::TestApp(), true);  // before the first widget
    StartupFiles files;
    FakeBoard board{true, 0};
    RecordingLibrary library{board};
    NoDelays timing;
    platform::Profile profile;
    velmar_qt::QtPanelHost host;
    velmar_qt::PlaybackPanelWindow window{[this](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CVelmarView>(view, ui, host, PanelBoard{board, library, timing}, profile, nullptr, board_commands::BoardNumber::First());
    }};
};

}  // namespace velmar::panel_testing
