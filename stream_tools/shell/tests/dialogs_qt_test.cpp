// Both dialogs as real windows, offscreen: every id is there, clicks reach the logic, a run's
// reports arrive on the GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cstdio>

#include "fake_engines.h"
#include "platform/profile.h"
#include "stream_shell/demux_dlg.h"
#include "stream_shell/mux_dlg.h"
#include "velmar_ui_qt/form_window.h"
#include "velmar_ui_qt/test_app.h"

namespace {

using namespace stream_shell;
using velmar_ui_qt::FormWindow;

struct DialogsQtTest : ::testing::Test {
    DialogsQtTest() {
        velmar_ui_qt::TestApp();
        std::remove(platform::VelmarIniPath().c_str());
    }
};

void ExpectEveryId(const velmar_ui::FormSpec& form, FormWindow& window) {
    for (const auto& control : form.controls) {
        if (control.id == velmar_ui::kNoId) continue;
        EXPECT_NE(window.findChild<QWidget*>(QString("c%1").arg(control.id)), nullptr) << control.id;
    }
}

QString TextOf(FormWindow& window, int id) { return qobject_cast<QLabel*>(window.Control(id))->text(); }

TEST_F(DialogsQtTest, BraxelRunsAndReportsOnTheGuiThread) {
    stream_shell::testing::FakeMuxEngine engine;
    FormWindow window(MuxDlgForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CMuxDlg>(view, ui, engine);
    });
    window.show();
    EXPECT_EQ(window.windowTitle(), "MPEG Program Mux");
    ExpectEveryId(MuxDlgForm(), window);
    EXPECT_TRUE(window.Control(1028)->isHidden());
    EXPECT_FALSE(window.Control(1030)->isHidden());
    EXPECT_TRUE(window.Control(1)->isHidden());

    QTest::mouseClick(window.Control(1021), Qt::LeftButton);
    auto& dlg = static_cast<CMuxDlg&>(window.Logic());
    while (TextOf(window, 1023) != "Done !!!") QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    dlg.JoinWorker();
    EXPECT_EQ(engine.run.runs, 1);
    EXPECT_EQ(dlg.RunState(), kIdle);
    EXPECT_EQ(TextOf(window, 1034), "");
}

TEST_F(DialogsQtTest, ClosingBraxelDuringARunStopsItAndClosesWhenItEnds) {
    stream_shell::testing::FakeMuxEngine engine;
    engine.run.gate.Close();
    FormWindow window(MuxDlgForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CMuxDlg>(view, ui, engine);
    });
    window.show();
    auto& dlg = static_cast<CMuxDlg&>(window.Logic());
    QTest::mouseClick(window.Control(1021), Qt::LeftButton);
    window.close();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(dlg.RunState(), kStopRequested);
    engine.run.gate.Open();
    while (window.isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(dlg.RunState(), kIdle);
    EXPECT_EQ(TextOf(window, 1023), "Canceled !!!");
}

TEST_F(DialogsQtTest, OstrandShowsItsControlsAndTogglesDecode) {
    stream_shell::testing::FakeDemuxEngine engine;
    FormWindow window(DemuxDlgForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CDemuxDlg>(view, ui, engine);
    });
    window.show();
    EXPECT_EQ(window.windowTitle(), "MPEG Program Demux");
    ExpectEveryId(DemuxDlgForm(), window);
    EXPECT_EQ(window.View().ItemText(1017, 0), "Ready !!!");
    auto& dlg = static_cast<CDemuxDlg&>(window.Logic());
    EXPECT_TRUE(dlg.Decode());
    qobject_cast<QAbstractButton*>(window.Control(1019))->click();
    EXPECT_FALSE(dlg.Decode());
    EXPECT_FALSE(window.View().Checked(1019));
    EXPECT_EQ(platform::Profile().GetString("OSTRAND", "DECOMP"), "0");
    QTest::keyClick(&window, Qt::Key_Return);  // Enter never closes it
    EXPECT_TRUE(window.isVisible());
}

}  // namespace
