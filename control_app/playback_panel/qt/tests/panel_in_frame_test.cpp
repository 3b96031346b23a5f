// The panel inside the main frame: menu commands reach it, the logging items follow its state,
// its dialogs open as windows, and closing the frame runs its destroy handling.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "main_frame.h"
#include "panel_test_support.h"
#include "platform/profile.h"
#include "playback_panel_commands.h"
#include "playback_panel_window.h"
#include "qt_panel_host.h"
#include "velmar_ui_qt/test_app.h"
#include "velmar_view_ids.h"

namespace velmar {
namespace {

using namespace panel_testing;

TEST(PanelInFrame, MenusDialogsAndClose) {
    velmar_ui_qt::TestApp();
    StartupFiles files;
    FakeBoard board(true, 0);
    RecordingLibrary library(board);
    NoDelays timing;
    platform::Profile profile("VELMAR-FRAME-TEST.INI");
    velmar_qt::QtPanelHost host;
    velmar_qt::PlaybackPanelWindow window([&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CVelmarView>(view, ui, host, PanelBoard{board, library, timing}, profile, nullptr, 1);
    });
    velmar_qt::PlaybackPanelCommands commands(window.Panel());
    auto* frame = new CMainFrame(&window.Widget(), commands);
    host.SetFrame(frame);

    window.OnInitialUpdate();
    window.Panel().Timer(kPanelTimer);
    library.WaitDaemonRunning();
    EXPECT_EQ(window.Panel().GetTimerState(), TimerState::Idle);

    frame->Action(menu_ids::kAudioSettings)->trigger();
    QWidget* gain = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = top->findChild<QWidget*>("c1161")) gain = found;
    EXPECT_NE(gain, nullptr);
    EXPECT_TRUE(commands.MenuCommandEnabled(menu_ids::kSetLogFile));
    EXPECT_FALSE(commands.MenuCommandEnabled(menu_ids::kDisableLogging));

    // Enter in the form applies the start positions and leaves the panel in place.
    window.Widget().accept();
    window.Widget().reject();
    EXPECT_TRUE(window.Widget().isVisibleTo(frame));

    window.Panel().AddLogMessage("first");
    QWidget* log = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = top->findChild<QWidget*>("c1172")) log = found;
    ASSERT_NE(log, nullptr);

    library.lines.clear();
    frame->close();
    // The destroy handling: reference on, then the service loop is told to quit.
    EXPECT_EQ(library.lines.back(), "mquit");
    EXPECT_EQ(profile.GetString("BOARD1", "RECPLAY"), "0");
    frame->ReleasePanel();
    delete frame;
}

}  // namespace
}  // namespace velmar
