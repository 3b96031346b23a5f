// SIGTERM, SIGINT and SIGHUP end Velmar within a bound whatever is on screen: the box a start-up
// without a board shows, a dialog, a recording (which ends as STOP ends it, its files agreeing).
#include <gtest/gtest.h>

#include <QDialog>
#include <QFileDialog>
#include <QTimer>

#include <csignal>

#include "program_runner.h"
#include "record_frame_on_board.h"
#include "velmar/termination_signal.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

using namespace std::chrono_literals;

constexpr auto kEndBound = 5s;

TEST(Shutdown, SignalsEndVelmarWhateverIsOnScreen) {
    // No software board: the demo-mode box waits for an OK while the signal comes, and a second
    // signal is as good as the first once a box has taken one.
    const std::string bin = velmar_testing::BinDir();
    const struct {
        const char* panel;
        int signal;
        int count;
    } boxes[] = {{"-mp", SIGTERM, 1}, {"-mp", SIGINT, 1}, {"-mr", SIGHUP, 1}, {"-mr", SIGTERM, 2}};
    for (const auto& c : boxes) {
        SCOPED_TRACE(std::string(c.panel) + " signal " + std::to_string(c.signal) + " x" + std::to_string(c.count));
        const std::string dir = velmar_testing::TempDir(), ini = dir + "/DEMO.INI";
        std::ofstream(ini) << "[BOARD1]\n";
        const pid_t velmar = program_runner::Start({bin + "/Velmar", "-1", c.panel}, ini, dir + "/velmar.txt");
        // Its event loop answers the socket only from within the box: the panel's start-up waits in it.
        ASSERT_TRUE(program_runner::Answers(60s)) << program_runner::ReadText(dir + "/velmar.txt");
        int code = -1;
        for (int i = 0; i < c.count && code == -1; ++i) {
            kill(velmar, c.signal);
            code = program_runner::WaitExit(velmar, kEndBound);
        }
        if (code == -1) program_runner::Stop(velmar);
        EXPECT_EQ(code, 0) << "-1: still running; 128: ended by the signal\n" << program_runner::ReadText(dir + "/velmar.txt");
    }

    // Recording, with a file chooser open over the frame: both go, the recording ends whole.
    VELMAR_REQUIRE_TOOL("ffprobe");
    velmar_ui_qt::TestAppOnScreen(1280, 1024);
    const std::string dir = velmar_testing::TempDir() + "/shutdown-recording";
    std::filesystem::create_directories(dir);
    RecordingFiles files(dir);
    {
        RecordFrameOnBoard on(dir);
        const EndOnSignals endOnSignals(*on.frame);
        ASSERT_TRUE(on.Open()) << ::testing::PrintToString(on.boxes);
        ASSERT_FALSE(on.panel->DemoMode());
        ASSERT_TRUE(on.Record()) << ::testing::PrintToString(on.boxes);
        bool chooserClosed = false;
        QTimer::singleShot(0, on.frame, [&] {
            QTimer::singleShot(200, [] { std::raise(SIGTERM); });
            QFileDialog chooser(on.frame);
            chooser.exec();
            chooserClosed = true;
        });
        // What keeps the test from waiting for ever when the signal is lost.
        QTimer bound;
        bound.setSingleShot(true);
        QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
        bound.start(std::chrono::milliseconds(kEndBound).count());
        EXPECT_EQ(QApplication::exec(), 0) << "the frame did not close within the bound";
        EXPECT_TRUE(chooserClosed);
        EXPECT_FALSE(on.frame->isVisible());
    }
    ExpectRecordingAgrees(files);
}

}  // namespace
}  // namespace velmar
