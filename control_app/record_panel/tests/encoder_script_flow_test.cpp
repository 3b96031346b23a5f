// The encoder script within the record flow: a long one never holds the window and STOP ends it,
// and a line that resets the board or ends its service loop leaves the panel stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "record_fixture.h"

namespace velmar {
namespace {

using namespace record_testing;
using namespace record_ids;
using Clock = std::chrono::steady_clock;

constexpr const char* kSlowLine = "mwcmd -s 0xffffffff 0xb1110001 0x4";
constexpr const char* kRecordStart = "mwcmd -p 0xffffffff 0x80010000";

struct ScriptFixture : RecordFixture {
    explicit ScriptFixture(const std::string& script) {
        std::ofstream("take.scr") << script;
        SetKey("RPATHV", "take.mpg");
        SetKey("PATHSCR", "take.scr");
        // A script line takes as long as the command library waits for the service loop to take
        // the line before it (its 100 ms look at the command channel): about 87 ms on a board.
        // Set before the service thread starts, which calls the library too.
        library.beforeLine = [](const std::string& line) {
            if (line == kSlowLine) std::this_thread::sleep_for(std::chrono::milliseconds(87));
        };
        StartUp();
    }
    std::size_t Count(const std::string& line, std::size_t from) const {
        const auto sent = Sent(from);
        return static_cast<std::size_t>(std::count(sent.begin(), sent.end(), line));
    }
    bool Pressed() const { return view.Flat(kRecordVideo) && !view.Flat(kStopVideo); }
    bool Stopped() const { return !view.Flat(kRecordVideo) && view.Flat(kStopVideo); }
};

TEST(EncoderScript, LongScriptsNeverHoldTheWindow) {
    constexpr std::size_t kLines = 30;  // over 2.5 s when sent in one go
    std::string script;
    for (std::size_t i = 0; i < kLines; ++i) script += std::string(kSlowLine) + "\n";
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped midway" : "sent whole");
        ScriptFixture f(script);
        const std::size_t mark = f.Mark();
        auto longest = Clock::duration::zero();
        const auto timed = [&](const std::function<void()>& act) {
            const auto begin = Clock::now();
            act();
            longest = std::max(longest, Clock::now() - begin);
        };
        timed([&] { f.panel->Command(kRecordVideo); });
        EXPECT_TRUE(f.Pressed());
        EXPECT_EQ(f.Count(kRecordStart, mark), 0u) << "the start waits for the script";
        if (stopped) {
            for (int tick = 0; tick < 3; ++tick) timed([&] { f.ui.Advance(1); });
            timed([&] { f.panel->Command(kStopVideo); });
            const std::size_t sent = f.Count(kSlowLine, mark);
            EXPECT_LT(sent, kLines);
            for (int tick = 0; tick < 200; ++tick) f.ui.Advance(1);
            EXPECT_EQ(f.Count(kSlowLine, mark), sent) << "nothing of the script after STOP";
            EXPECT_EQ(f.Count(kRecordStart, mark), 0u);
            EXPECT_EQ(f.Count("mwcmd -U0", mark), 1u) << "the output opened for it is closed";
            EXPECT_TRUE(f.Stopped());
            EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
        } else {
            for (int tick = 0; tick < 1000 && f.Count(kRecordStart, mark) == 0; ++tick) timed([&] { f.ui.Advance(1); });
            EXPECT_EQ(f.Count(kSlowLine, mark), kLines);
            const auto sent = f.Sent(mark);
            ASSERT_FALSE(sent.empty());
            EXPECT_EQ(std::find(sent.begin(), sent.end(), kRecordStart) - std::find(sent.rbegin(), sent.rend(), kSlowLine).base(), 0);
            EXPECT_EQ(f.panel->GetRecordState(), RecordState::Recording);
        }
        EXPECT_LT(longest, std::chrono::milliseconds(500)) << "the window waited this long at once";
    }
}

// A script line that resets the board or ends its service loop: the panel says so and is stopped.
TEST(EncoderScript, ALineThatEndsTheBoardStopsTheRecording) {
    for (const char* line : {"mreset", "mquit"}) {
        SCOPED_TRACE(line);
        ScriptFixture f(std::string(line) + "    \nmwr 0x40300 0x00000001\n");  // a line of 7 or more
        const std::size_t mark = f.Mark(), boxes = f.ui.Boxes().size();
        f.panel->Command(kRecordVideo);
        EXPECT_EQ(f.Count("mwr 0x40300 0x00000001", mark), 0u) << "the rest of the script is dropped";
        EXPECT_EQ(f.Count(kRecordStart, mark), 0u);
        EXPECT_TRUE(f.Stopped());
        EXPECT_EQ(f.panel->GetRecordState(), RecordState::Idle);
        ASSERT_EQ(f.ui.Boxes().size(), boxes + 1);
        EXPECT_NE(f.ui.Boxes().back().text.find(line), std::string::npos) << f.ui.Boxes().back().text;
    }
}

}  // namespace
}  // namespace velmar
