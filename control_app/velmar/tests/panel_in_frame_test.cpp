// The panel inside the main frame: menu commands reach it, the logging items follow its state,
// its dialogs open as windows, and closing the frame runs its destroy handling.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>

#include "playback_panel/qt/playback_panel_commands.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/qt/tests/qt_panel_fixture.h"
#include "velmar/main_frame.h"

namespace velmar {
namespace {

using namespace panel_testing;

TEST(PanelInFrame, MenusDialogsAndClose) {
    QtPanelFixture f("VELMAR-FRAME-TEST.INI");
    auto& window = f.window;
    auto& library = f.library;
    velmar_qt::PlaybackPanelCommands commands(window.Panel());
    auto* frame = new CMainFrame(&window.Widget(), commands);
    f.host.SetFrame(frame);

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
    EXPECT_EQ(f.profile.GetString("BOARD1", "RECPLAY"), "0");
    frame->ReleasePanel();
    delete frame;
}

}  // namespace
}  // namespace velmar
