// Velmar's first window as an operator meets it on a 1280 x 1024 screen: the main frame at the
// size it opens with, the playback panel over the software board, clips playing on Video A and
// Video B. No scroll bar, and every control inside the window, before and while the counters run.
// With $VELMAR_SCREENSHOTS set to a folder, the window is saved there before and while playing.
#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "panel_on_board.h"
#include "record_frame_on_board.h"
#include "platform/profile.h"
#include "playback_panel/qt/playback_panel_commands.h"
#include "playback_panel/qt/playback_panel_window.h"
#include "playback_panel/qt/qt_panel_host.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "velmar/board_bindings.h"
#include "velmar/main_frame.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

using namespace panel_ids;

// Turns the event loop for `milliseconds`, or until `done` holds.
void RunEvents(int milliseconds, const std::function<bool()>& done = [] { return false; }) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end && !done()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// What an operator could not see without scrolling or resizing: scroll bars shown anywhere in the
// frame but in the panel's own lists, and the controls ("c<id>") shown outside the frame's panel
// area or outside the screen.
std::vector<std::string> Unseen(CMainFrame& frame) {
    std::vector<std::string> unseen;
    QWidget* central = frame.centralWidget();
    const QRect area(central->mapTo(&frame, QPoint(0, 0)), central->size());
    const QRect screen = frame.screen()->availableGeometry();
    if (!screen.contains(frame.frameGeometry()))
        unseen.push_back("frame " + std::to_string(frame.width()) + "x" + std::to_string(frame.height()));
    for (auto* scroll : frame.findChildren<QAbstractScrollArea*>()) {
        if (!scroll->objectName().startsWith('c') && scroll->isVisibleTo(&frame) &&
            (scroll->verticalScrollBar()->isVisibleTo(&frame) || scroll->horizontalScrollBar()->isVisibleTo(&frame)))
            unseen.push_back("a scroll bar");
    }
    for (QWidget* control : central->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (!name.startsWith('c') || name.endsWith("_form") || !control->isVisibleTo(&frame)) continue;
        const QRect rect(control->mapTo(&frame, QPoint(0, 0)), control->size());
        if (!area.contains(rect)) unseen.push_back(name.toStdString());
    }
    return unseen;
}

void Screenshot(CMainFrame& frame, const char* name) {
    if (const char* folder = std::getenv("VELMAR_SCREENSHOTS")) frame.grab().save(QString("%1/%2.png").arg(folder, name));
}

TEST(PanelLayout, DefaultWindowFitsWhilePlaying) {
    velmar_ui_qt::TestAppOnScreen(1280, 1024);
    const std::string dir = velmar_testing::TempDir();
    const InRunDirectory inRunDirectory;
    platform::Profile profile(dir + "/FIT.INI");
    for (const char* channel : {"A", "B"}) {
        const std::string clip = dir + "/clip" + channel;
        std::filesystem::copy_file("mpeg/black1pal.mpg", clip + ".mpg");
        std::filesystem::copy_file("mpeg/black1pal.mdb", clip + ".mdb");
        profile.WriteString("BOARD1", std::string("PATHV") + channel, clip + ".mpg");
    }
    profile.WriteString("BOARD1", "LOGFILE", dir + "/fit.log");
    const SoftBoardProgram board({}, dir + "/board.log");

    RuventLibrary library;
    TessolkLibrary driver(board_commands::BoardNumber::First());
    panel_testing::NoDelays timing;
    velmar_qt::QtPanelHost host;
    velmar_qt::PlaybackPanelWindow window([&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        auto panel = std::make_unique<CVelmarView>(view, ui, host, PanelBoard{driver, library, timing}, profile,
                                                   nullptr, board_commands::BoardNumber::First());
        InstallVideoChannels(*panel);
        return panel;
    });
    velmar_qt::PlaybackPanelCommands commands(window.Panel());
    auto* frame = new CMainFrame(&window.Widget(), commands);
    host.SetFrame(frame);
    // A box would wait for an operator: it is noted and closed.
    std::vector<std::string> boxes;
    QTimer boxCloser;
    QObject::connect(&boxCloser, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            boxes.push_back(modal->windowTitle().toStdString());
            modal->close();
        }
    });
    boxCloser.start(100);

    frame->OpenAtPanelSize();
    frame->show();
    window.OnInitialUpdate();
    RunEvents(1500);
    ASSERT_FALSE(window.Panel().DemoMode()) << ReadBytes(dir + "/board.log");
    EXPECT_EQ(Unseen(*frame), std::vector<std::string>{}) << "before playing, at " << frame->width() << "x"
                                                          << frame->height();
    Screenshot(*frame, "velmar-1280x1024-loaded");

    const std::string stillA = window.Widget().View().Text(kTimecodeA);
    for (velmar_ui::ControlId play : {kPlayA, kPlayB})
        frame->findChild<QPushButton*>(QString::fromStdString(velmar_ui::ObjectNameOf(play)))->click();
    RunEvents(10000, [&] { return window.Widget().View().Text(kTimecodeA) != stillA &&
                                  window.Widget().View().Text(kTimecodeB) != stillA; });
    RunEvents(1000);
    EXPECT_NE(window.Widget().View().Text(kTimecodeA), stillA) << "Video A's counter did not run";
    EXPECT_EQ(Unseen(*frame), std::vector<std::string>{}) << "while playing, at " << frame->width() << "x"
                                                          << frame->height();
    Screenshot(*frame, "velmar-1280x1024-playing");
    EXPECT_EQ(boxes, std::vector<std::string>{});

    frame->close();  // the panel's destroy handling ends the service loop
    frame->ReleasePanel();
    delete frame;
}

// The record panel as `Velmar -1 -mr` opens it, then recording.
TEST(PanelLayout, RecordPanelFitsWhileRecording) {
    velmar_ui_qt::TestAppOnScreen(1280, 1024);
    const std::string dir = velmar_testing::TempDir() + "/record-fit";
    std::filesystem::create_directories(dir);
    RecordFrameOnBoard on(dir);
    ASSERT_TRUE(on.Open()) << ::testing::PrintToString(on.boxes);
    ASSERT_FALSE(on.panel->DemoMode());
    EXPECT_EQ(Unseen(*on.frame), std::vector<std::string>{}) << "opened, at " << on.frame->width() << "x"
                                                             << on.frame->height();
    Screenshot(*on.frame, "record-1280x1024-opened");
    ASSERT_TRUE(on.Record()) << ::testing::PrintToString(on.boxes);
    EXPECT_EQ(Unseen(*on.frame), std::vector<std::string>{}) << "while recording, at " << on.frame->width() << "x"
                                                             << on.frame->height();
    Screenshot(*on.frame, "record-1280x1024-recording");
}

}  // namespace
}  // namespace velmar
