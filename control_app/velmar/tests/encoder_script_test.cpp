// An operator's encoder script (PATHSCR) runs through the real command library inside this
// process: a line the library refuses fails on its own, the log and one box name it and why, and
// Velmar goes on to the next line. Had any of them ended the process, this test would not return.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "platform/log.h"
#include "record_panel/tests/record_fixture.h"
#include "ruvent/ruvent.h"
#include "ruvent_testing/fake_driver.h"
#include "ruvent_testing/test_service_loop.h"
#include "velmar/board_bindings.h"
#include "velmar_testing/test_support.h"

namespace velmar {
namespace {

using namespace record_testing;

// The record tests' library for start-up; once `real` is set, every line but the service loop's
// own goes to the command library's exports, over a fake driver, on the caller's thread.
class ScriptLibrary : public RecordingLibrary {
public:
    using RecordingLibrary::RecordingLibrary;
    int Call(BoardExport which, int argc, char** argv) override {
        lastReal_ = real && which != BoardExport::Mdaemon;
        return lastReal_ ? exports_.Call(which, argc, argv) : RecordingLibrary::Call(which, argc, argv);
    }
    std::optional<CallRefusal> LastRefusal() override {
        return lastReal_ ? exports_.LastRefusal() : std::nullopt;
    }
    bool real = false;

private:
    RuventLibrary exports_;
    thread_local static bool lastReal_;
};
thread_local bool ScriptLibrary::lastReal_ = false;

TEST(EncoderScript, BadLinesNeverEndVelmar) {
    StartupFiles files;
    velmar_ui::testing::FakeFormView view{RecordPanelForm()};
    velmar_ui::testing::FakeUiServices ui;
    FakeHost host;
    host.ui = &ui;
    FakeBoard board(true, window::kNewerBoardType);
    ScriptLibrary library(board);
    NoDelays timing;
    platform::Profile profile("VELMAR-TEST.INI");
    CVelmarVrec panel(view, ui, host, PanelBoard{board, library, timing}, profile,
                      board_commands::BoardNumber::First());
    panel.OnInitialUpdate();
    ui.Advance(kPanelTimerMs);
    ASSERT_FALSE(panel.DemoMode());

    std::vector<std::string> logged;
    auto previousSink = platform::SetLogSink([&](platform::LogLevel level, const std::string& text) {
        if (level == platform::LogLevel::Error) logged.push_back(text);
    });
    ruvent_testing::FakeDriver driver;
    ruvent_testing::ScopedDriver scoped{driver};
    auto loop = std::make_unique<ruvent_testing::TestServiceLoop>(0, driver);
    ASSERT_TRUE(loop->Running());
    library.real = true;

    // Each bad line is followed by a good one that must still reach the board.
    const struct {
        const char* line;
        const char* cause;  // nullptr: the line is carried out
    } script[] = {
        {"mwr -b3 0x0 0x0", "-b3 names no board"},
        {"mwr -b9 0x1000 0x1", "-b9 names no board"},
        {"mwr 0x40300 0xZZ", nullptr},  // read as the command language reads numbers: 0
        {"mrd -h 0x0", "-h"},
        {"mwcmd -h", "-h"},
        {"mwrblk -fill", "-fill without its operand"},
        {"mwrblk -f no-such-file.bin 0x40000", "cannot open file no-such-file.bin"},
    };
    const std::string path = velmar_testing::TempDir() + "/bad-lines.scr";
    {
        std::ofstream out(path);
        for (std::size_t i = 0; i < std::size(script); ++i)
            out << script[i].line << "\n" << "mwr 0x" << std::hex << 0x40400 + 0x100 * i << " 0x" << i + 1 << "\n";
    }
    panel.scriptPath = path;
    const std::size_t boxesBefore = ui.Boxes().size();
    panel.ProgramEncoder();

    const auto boxes = ui.Boxes();
    const auto refused = std::count_if(std::begin(script), std::end(script), [](const auto& row) { return row.cause; });
    ASSERT_EQ(boxes.size() - boxesBefore, static_cast<std::size_t>(refused));  // one box a refused line
    std::size_t box = boxesBefore;
    for (std::size_t i = 0; i < std::size(script); ++i) {
        const auto& row = script[i];
        EXPECT_EQ(driver.Word(0, 0x40400 + 0x100 * i), i + 1) << "the line after " << row.line;
        if (!row.cause) continue;
        EXPECT_NE(boxes[box].text.find(row.line), std::string::npos) << boxes[box].text;
        EXPECT_NE(boxes[box].text.find(row.cause), std::string::npos) << boxes[box].text;
        EXPECT_EQ(boxes[box++].caption, "Velmar Error");
        EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [&](const std::string& text) {
            return text.find(row.line) != std::string::npos && text.find(row.cause) != std::string::npos;
        })) << row.line;
    }

    // A stream line that finds the panel's service loop gone (it ended between the panel's look
    // and the call) goes nowhere with a log line; the panel's close on the loop's end follows, and
    // no box stands in its way. The next line is served.
    loop.reset();
    const std::size_t boxesThen = ui.Boxes().size();
    std::vector<std::string> warned;
    platform::SetLogSink([&](platform::LogLevel level, const std::string& text) {
        if (level == platform::LogLevel::Warning) warned.push_back(text);
    });
    EXPECT_EQ(panel.SendCommand("mwcmd -p 0x0 0x9e0000"), 0);
    EXPECT_EQ(ui.Boxes().size(), boxesThen);
    EXPECT_TRUE(std::any_of(warned.begin(), warned.end(), [](const std::string& text) {
        return text.find("mwcmd -p 0x0 0x9e0000") != std::string::npos;
    }));
    EXPECT_EQ(panel.SendCommand("mwr 0x40f00 0x7"), 1);
    EXPECT_EQ(driver.Word(0, 0x40f00), 7u);
    EXPECT_EQ(panel.SendCommand("mquit"), 0);  // does what it says: the loop is asked to end
    std::uint32_t quit = 0;
    driver.ReadSharedMem(0, quit, 15);
    EXPECT_EQ(quit, 0xFFFFFFFFu);

    library.real = false;
    platform::SetLogSink(previousSink);
    library.EndDaemon(1);
}

}  // namespace
}  // namespace velmar
