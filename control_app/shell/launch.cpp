#include "launch.h"

#include <algorithm>
#include <cstdio>

#include "platform/profile.h"

namespace velmar {

using board_commands::BoardNumber;

LaunchArguments ParseLaunchArguments(std::string_view commandLine) {
    LaunchArguments arguments;
    const std::string line(commandLine);
    char board[512] = "", panel[512] = "", third[512] = "";
    unsigned top = 0, left = 0, bottom = 0, right = 0;
    int zoom = 0;
    const int filled = std::sscanf(line.c_str(), "%511s %511s %511s %x %x %x %x %d", board, panel, third, &top,
                                   &left, &bottom, &right, &zoom);
    arguments.launchFieldCount = filled == EOF ? -1 : filled;
    arguments.boardWord = board;
    arguments.panelWord = panel;
    arguments.thirdWord = third;
    // The rectangle travels as "%x" of an int: negative coordinates come back through the cast.
    arguments.top = static_cast<std::int32_t>(top);
    arguments.left = static_cast<std::int32_t>(left);
    arguments.bottom = static_cast<std::int32_t>(bottom);
    arguments.right = static_cast<std::int32_t>(right);
    arguments.zoom = zoom;
    return arguments;
}

std::string JoinArguments(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word == "--help" || word == "-h" || word == "-?") return true;
    }
    return false;
}

std::vector<std::string> UnknownLaunchWords(const LaunchArguments& arguments) {
    std::vector<std::string> unknown;
    auto check = [&](const std::string& word, std::initializer_list<std::string_view> known) {
        if (word.empty()) return;
        for (std::string_view k : known)
            if (word == k) return;
        unknown.push_back(word);
    };
    check(arguments.boardWord, {"-1", "-2"});
    check(arguments.panelWord, {"-mp", "-mr"});
    check(arguments.thirdWord, {"-\""});
    return unknown;
}

LaunchChoice ChooseLaunch(const LaunchArguments& arguments, const platform::Profile& profile) {
    LaunchChoice choice;
    if (arguments.boardWord.size() >= 2 && arguments.boardWord[1] == '2') choice.board = BoardNumber::Second();
    choice.section = "BOARD" + std::to_string(choice.board.Number());
    if (arguments.panelWord.size() >= 3) choice.panelLetter = arguments.panelWord[2];
    if (arguments.launchFieldCount < 2 && profile.GetInt(choice.section, "RECPLAY", 0) != 0)
        choice.panelLetter = 'r';
    return choice;
}

std::optional<WindowRect> ChooseWindowRect(const LaunchArguments& arguments, const platform::Profile& profile,
                                           const std::string& section) {
    if (arguments.launchFieldCount == 8)
        return WindowRect{arguments.left, arguments.top, arguments.right - arguments.left,
                          arguments.bottom - arguments.top};
    const int width = profile.GetInt(section, "WINCX", 0);
    if (width == 0) return std::nullopt;
    return WindowRect{profile.GetInt(section, "WINX", 0), profile.GetInt(section, "WINY", 0), width,
                      profile.GetInt(section, "WINCY", 0)};
}

WindowRect ClampToScreen(const WindowRect& rect, const WindowRect& available) {
    WindowRect out = rect;
    out.width = std::clamp(rect.width, 1, std::max(1, available.width));
    out.height = std::clamp(rect.height, 1, std::max(1, available.height));
    out.x = std::clamp(rect.x, available.x, available.x + available.width - out.width);
    out.y = std::clamp(rect.y, available.y, available.y + available.height - out.height);
    return out;
}

std::string RestartArgument(BoardNumber board, bool playbackPanel, const ScreenRect& frame, bool maximized) {
    char text[160];
    std::snprintf(text, sizeof text, "-%d %s -\" 0x%x 0x%x 0x%x 0x%x %d \"", board.Number(),
                  playbackPanel ? "-mp" : "-mr", static_cast<unsigned>(frame.top), static_cast<unsigned>(frame.left),
                  static_cast<unsigned>(frame.bottom), static_cast<unsigned>(frame.right), maximized ? 1 : 0);
    return text;
}

std::string FrameTitle(BoardNumber board, bool playbackPanel) {
    return std::string(playbackPanel ? "Velmar Player Board" : "Velmar Recorder Board") + std::to_string(board.Number());
}

}  // namespace velmar
