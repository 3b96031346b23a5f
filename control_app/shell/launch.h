// How an instance of Velmar starts: the command line that picks board, panel and window rectangle,
// the rectangle rule, and the restart line by which an instance replaces itself with a new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "board_commands/board_number.h"

namespace platform {
class Profile;
}

namespace velmar {

struct LaunchArguments {
    std::string boardWord;
    std::string panelWord;
    std::string thirdWord;  // read and ignored
    std::int32_t top = 0, left = 0, bottom = 0, right = 0;
    int zoom = 0;  // parsed, without effect
    int launchFieldCount = -1;  // fields the parse filled; -1 for an empty line
};

// Parses "%s %s %s %x %x %x %x %d" from the program's arguments joined with blanks, so both the
// restart's single argument and separate words are taken.
LaunchArguments ParseLaunchArguments(std::string_view commandLine);
std::string JoinArguments(int argc, char** argv);

// The accepted arguments, as "--help" prints them.
inline constexpr const char* kLaunchUsage =
    "usage: Velmar [-1|-2] [-mp|-mr] [-\" top left bottom right zoom \"]\n"
    "  -1, -2   the board (default 1)\n"
    "  -mp      the playback panel; -mr the record panel (default: the last one used, RECPLAY)\n"
    "  -\" ... \"  the frame's rectangle in hexadecimal and the zoom, as a restart passes it\n"
    "  --help   this text; the board is left alone\n";

// True when the words ask for the usage ("--help", "-h" or "-?" anywhere).
bool AsksForHelp(int argc, char** argv);

// The words of the line that are none of the accepted ones, in order. They are reported, then the
// instance starts as the line's known words say (board 1 and the RECPLAY panel when none).
std::vector<std::string> UnknownLaunchWords(const LaunchArguments& arguments);

struct LaunchChoice {
    // The second board when the board word's second character is '2'.
    board_commands::BoardNumber board = board_commands::BoardNumber::First();
    std::string section;     // "BOARD1" or "BOARD2"
    char panelLetter = 'p';  // 'p' playback, anything else the record panel
    bool PlaybackPanel() const { return panelLetter == 'p'; }
};

// The board and panel; with fewer than two fields, a non-zero RECPLAY chooses the record panel.
LaunchChoice ChooseLaunch(const LaunchArguments& arguments, const platform::Profile& profile);

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const WindowRect&) const = default;
};

// The frame's rectangle: the command line's when all eight fields were read, else the stored
// WINX/WINY/WINCX/WINCY when WINCX is non-zero, else nothing (the panel fits the frame to its form).
std::optional<WindowRect> ChooseWindowRect(const LaunchArguments& arguments, const platform::Profile& profile,
                                           const std::string& section);

// A restored rectangle inside the available screen: no larger than it, moved in where it sticks
// out, so a size saved on a larger screen (or the form's full size) never opens off the screen.
WindowRect ClampToScreen(const WindowRect& rect, const WindowRect& available);

struct ScreenRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The single argument a restarted instance receives:
// -1 -mp -" 0x<top> 0x<left> 0x<bottom> 0x<right> <zoom> "
std::string RestartArgument(board_commands::BoardNumber board, bool playbackPanel, const ScreenRect& frame,
                            bool maximized);

// The frame's title, set at the first paint.
std::string FrameTitle(board_commands::BoardNumber board, bool playbackPanel);

}  // namespace velmar
