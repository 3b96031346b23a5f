#include <gtest/gtest.h>

#include "platform/profile.h"
#include "shell/launch.h"
#include "velmar_testing/test_support.h"

namespace velmar {
namespace {

class LaunchTest : public ::testing::Test {
protected:
    platform::Profile profile{velmar_testing::TempDir() + "/" +
                              ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".INI"};
    LaunchChoice Choose(const std::string& line) { return ChooseLaunch(ParseLaunchArguments(line), profile); }
};

TEST_F(LaunchTest, BoardAndPanelFollowTheLineAndRecplay) {
    EXPECT_EQ(ParseLaunchArguments("").launchFieldCount, -1);
    auto choice = Choose("");
    EXPECT_EQ(choice.board.Number(), 1);
    EXPECT_EQ(choice.section, "BOARD1");
    EXPECT_TRUE(choice.PlaybackPanel());

    profile.WriteInt("BOARD1", "RECPLAY", 1);
    profile.WriteInt("BOARD2", "RECPLAY", 1);
    EXPECT_EQ(Choose("").panelLetter, 'r');
    choice = Choose("-2");  // one field: the key decides
    EXPECT_EQ(choice.board.Number(), 2);
    EXPECT_EQ(choice.panelLetter, 'r');
    choice = Choose("-2 -mp");  // two fields: the key is not read
    EXPECT_EQ(choice.board.Number(), 2);
    EXPECT_TRUE(choice.PlaybackPanel());
    EXPECT_FALSE(Choose("-1 -mx").PlaybackPanel());
    EXPECT_EQ(Choose("-3 -mp").board.Number(), 1);
}

TEST_F(LaunchTest, RectangleComesFromAFullLineElseFromTheFile) {
    EXPECT_EQ(ChooseWindowRect(ParseLaunchArguments("-1 -mp"), profile, "BOARD1"), std::nullopt);
    profile.WriteInt("BOARD1", "WINX", 10);
    profile.WriteInt("BOARD1", "WINY", 20);
    profile.WriteInt("BOARD1", "WINCX", 800);
    profile.WriteInt("BOARD1", "WINCY", 600);
    // Seven of eight fields: the file's rectangle.
    EXPECT_EQ(ChooseWindowRect(ParseLaunchArguments("-1 -mp -\" 0x10 0x20 0x300 0x400"), profile, "BOARD1"),
              (WindowRect{10, 20, 800, 600}));
    const auto full = ParseLaunchArguments("-1 -mp -\" 0x10 0x20 0x300 0x400 0 \"");
    EXPECT_EQ(full.launchFieldCount, 8);
    EXPECT_EQ(ChooseWindowRect(full, profile, "BOARD1"), (WindowRect{0x20, 0x10, 0x400 - 0x20, 0x300 - 0x10}));
}

TEST_F(LaunchTest, RestartArgumentRoundTripsIncludingNegativeCoordinates) {
    const ScreenRect frame{-8, -8, 1288, 1032};
    const std::string argument = RestartArgument(board_commands::BoardNumber::Second(), false, frame, true);
    EXPECT_EQ(argument, "-2 -mr -\" 0xfffffff8 0xfffffff8 0x408 0x508 1 \"");
    const auto parsed = ParseLaunchArguments(argument);
    EXPECT_EQ(parsed.launchFieldCount, 8);
    EXPECT_EQ(parsed.left, -8);
    EXPECT_EQ(parsed.top, -8);
    EXPECT_EQ(parsed.right, 1288);
    EXPECT_EQ(ChooseLaunch(parsed, profile).board.Number(), 2);
    EXPECT_FALSE(ChooseLaunch(parsed, profile).PlaybackPanel());
    EXPECT_EQ(RestartArgument(board_commands::BoardNumber::First(), true, {0, 0, 640, 480}, false), "-1 -mp -\" 0x0 0x0 0x1e0 0x280 0 \"");
}

TEST_F(LaunchTest, SeparateWordsJoinLikeOneLine) {
    char* argv[] = {const_cast<char*>("Velmar"), const_cast<char*>("-2"), const_cast<char*>("-mp")};
    EXPECT_EQ(JoinArguments(3, argv), "-2 -mp");
    EXPECT_EQ(FrameTitle(board_commands::BoardNumber::Second(), true), "Velmar Player Board2");
    EXPECT_EQ(FrameTitle(board_commands::BoardNumber::First(), false), "Velmar Recorder Board1");
}

TEST_F(LaunchTest, UnknownWordsAreNamedAndHelpIsSeen) {
    const struct {
        const char* line;
        std::vector<std::string> unknown;
    } cases[] = {
        {"", {}},
        {"-2 -mr", {}},
        {"-1 -mp -\" 0x0 0x0 0x1e0 0x280 0 \"", {}},
        {"--verbose", {"--verbose"}},
        {"-1 -play", {"-play"}},
        {"-3 -mp extra", {"-3", "extra"}},
    };
    for (const auto& c : cases) EXPECT_EQ(UnknownLaunchWords(ParseLaunchArguments(c.line)), c.unknown) << c.line;
    char* help[] = {const_cast<char*>("Velmar"), const_cast<char*>("-2"), const_cast<char*>("--help")};
    EXPECT_TRUE(AsksForHelp(3, help));
    EXPECT_FALSE(AsksForHelp(2, help));
}

TEST_F(LaunchTest, RestoredRectangleIsClampedToTheScreen) {
    const WindowRect screen{0, 0, 1280, 1024};
    const struct {
        WindowRect saved, shown;
    } cases[] = {
        {{10, 20, 800, 600}, {10, 20, 800, 600}},        // fits: unchanged
        {{0, 0, 1423, 1089}, {0, 0, 1280, 1024}},        // the form's full size on a smaller screen
        {{900, 700, 800, 600}, {480, 424, 800, 600}},    // sticks out: moved in
        {{-300, -50, 2000, 1200}, {0, 0, 1280, 1024}},   // larger and off the top left
    };
    for (const auto& c : cases) EXPECT_EQ(ClampToScreen(c.saved, screen), c.shown) << c.saved.x << "," << c.saved.y;
    EXPECT_EQ(ClampToScreen({0, 0, 1423, 1089}, {0, 30, 1920, 1050}), (WindowRect{0, 30, 1423, 1050}));
}

}  // namespace
}  // namespace velmar
