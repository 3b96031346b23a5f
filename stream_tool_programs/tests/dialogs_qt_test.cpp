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

QRect InWindow(QWidget& window, QWidget* w) { return QRect(w->mapTo(&window, QPoint(0, 0)), w->size()); }

// Each value shows whole, clear of every other text, on one line with the label before it.
void ExpectValuesReadable(FormWindow& window, std::initializer_list<int> ids) {
    const auto labels = window.findChildren<QLabel*>();
    for (int id : ids) {
        auto* value = qobject_cast<QLabel*>(window.Control(id));
        const QRect at = InWindow(window, value);
        EXPECT_GE(value->width(), value->sizeHint().width()) << id;
        QLabel* caption = nullptr;
        for (QLabel* other : labels) {
            if (other == value || !other->isVisible()) continue;
            const QRect there = InWindow(window, other);
            EXPECT_FALSE(there.intersects(at)) << id << " and " << other->text().toStdString();
            const bool sameRow = there.top() < at.bottom() && at.top() < there.bottom();
            if (sameRow && there.right() < at.left() && (!caption || there.right() > InWindow(window, caption).right()))
                caption = other;
        }
        ASSERT_NE(caption, nullptr) << id;
        EXPECT_EQ(value->sizeHint().height(), caption->sizeHint().height()) << id << " " << value->text().toStdString();
    }
}

TEST_F(DialogsQtTest, ValuesLineUpWithTheirLabels) {
    platform::Profile ini;
    ini.WriteString("BRAXEL", "PATHMV", "/v.m2v");
    stream_shell::testing::FakeMuxEngine mux;
    auto& v = mux.videos["/v.m2v"];
    v.type = "MPEG-2", v.frameSize = "720x576\n", v.bitrateText = "6675200 bits/s\n", v.vbv = "1835008 bytes\n";
    v.frameRate = "25 frames/s", v.durationText = "123.456 seconds";
    FormWindow braxel(MuxDlgForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CMuxDlg>(view, ui, mux);
    });
    braxel.show();
    QCoreApplication::processEvents();
    ExpectValuesReadable(braxel, {1026, 1011, 1012, 1013, 1014, 1015});

    ini.WriteString("OSTRAND", "PATHMP", "/p.mpg");
    stream_shell::testing::FakeDemuxEngine demux;
    auto& p = demux.inputs["/p.mpg"];
    p.kind = "MPEG-2 Program stream", p.bitrateText = "Bitrate = 6675200", p.durationText = "123.456 seconds";
    FormWindow ostrand(DemuxDlgForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<CDemuxDlg>(view, ui, demux);
    });
    ostrand.show();
    QCoreApplication::processEvents();
    ExpectValuesReadable(ostrand, {1002, 1004, 1007});
}

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
    EXPECT_EQ(dlg.RunState(), platform::RunState::Idle);
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
    EXPECT_EQ(dlg.RunState(), platform::RunState::StopRequested);
    engine.run.gate.Open();
    while (window.isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(dlg.RunState(), platform::RunState::Idle);
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
