#include "board_link.h"

#include <chrono>

#include "board_commands/command_lines.h"
#include "platform/log.h"

namespace velmar {
namespace {

constexpr auto kDaemonStartLimit = std::chrono::seconds(10);

CommandLineLimits LimitsFor(LinkKind kind) {
    CommandLineLimits limits;
    if (kind == LinkKind::Record) limits.wordSlots = 50;
    return limits;
}

CommandLineLimits SettingsLimits() {
    CommandLineLimits limits;
    limits.wordSlots = 50;
    limits.joinFileWord = false;
    return limits;
}

// The exports a command line names by its first word.
constexpr std::pair<std::string_view, BoardExport> kExports[] = {
    {"mwcmd", BoardExport::Mwcmd}, {"mquit", BoardExport::Mquit},   {"mreset", BoardExport::Mreset},
    {"mld", BoardExport::Mld},     {"mwrblk", BoardExport::Mwrblk}, {"mwr", BoardExport::Mwr},
    {"mrd", BoardExport::Mrd}};

std::optional<BoardExport> ExportNamed(std::string_view word) {
    for (const auto& [name, which] : kExports)
        if (word == name) return which;
    return std::nullopt;
}

int CallExport(BoardLibrary& library, BoardExport which, std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return library.Call(which, static_cast<int>(words.size()), argv.data());
}

}  // namespace

std::optional<BoardExport> ExportForWord(std::string_view word) {
    if (word.size() >= 3 && word[2] == 'c') return BoardExport::Mwcmd;
    return ExportNamed(word);
}

int SendTakeOverQuit(BoardLibrary& library, board_commands::BoardNumber board) {
    const std::string line = board_commands::Quit();
    auto split = SplitCommandLine(line, board, {});
    platform::Log(platform::LogLevel::Info, "board " + std::to_string(board.Number()) + " take-over: " + line);
    return CallExport(library, *ExportForWord(split.words[0]), split.words);
}

BoardLink::BoardLink(BoardLibrary& library, BoardWindow& window, board_commands::BoardNumber board, LinkKind kind,
                     bool demo)
    : library_(library), window_(window), board_(board), kind_(kind), demo_(demo),
      limits_(LimitsFor(kind)), settingsLimits_(SettingsLimits()) {}

BoardLink::~BoardLink() { JoinDaemon(); }

void BoardLink::LogLine(std::string_view line) {
    if (daemonState_ == DaemonState::Ended) {
        LogLineWithoutCounters(line);
    } else if (kind_ == LinkKind::Record) {
        log_.WriteRecord(window_.Read32(window::kRecordTimecode + 4) & 0x7FFFFFFF, line);
    } else {
        log_.WritePlayback(window_.Read32(window::kChannelAStatus + window::kStatusFieldClock),
                           window_.Read32(window::kChannelAStatus + window::kStatusFieldCounter),
                           window_.Read32(window::kChannelBStatus + window::kStatusFieldCounter), line);
    }
}

void BoardLink::LogLineWithoutCounters(std::string_view line) {
    if (kind_ == LinkKind::Record)
        log_.WriteRecord(0, line);
    else
        log_.WritePlayback(0, 0, 0, line);
}

int BoardLink::Dispatch(BoardExport which, std::vector<std::string>& words) {
    return CallExport(library_, which, words);
}

int BoardLink::DispatchLine(std::string_view line, BoardExport which, std::vector<std::string>& words) {
    const int result = Dispatch(which, words);
    const auto refusal = library_.LastRefusal();
    if (!refusal) return result;
    // A loop that has run and is gone was ended (by this panel's "mquit", a successor's, a
    // reset or a silent board): the panel closes once its thread has seen the end, and until then
    // its remaining stream lines go nowhere, as in demo mode. A box would hold up that close.
    if (refusal->kind == CallRefusal::Kind::NoServiceLoop && daemonState_ != DaemonState::NotStarted) {
        platform::Log(platform::LogLevel::Warning, "service loop gone, not sent: " + std::string(line));
        return 0;
    }
    platform::Log(platform::LogLevel::Error, "board command failed: " + std::string(line) + ": " + refusal->cause);
    if (lineFailed_) lineFailed_(std::string(line), refusal->cause);
    return 0;
}

int BoardLink::SendSettingsCommand(std::string_view line) {
    if (demo_) return 0;
    auto split = SplitCommandLine(line, board_, settingsLimits_);
    const auto which = split.words.empty() ? std::nullopt : ExportNamed(split.words[0]);
    if (!which) {
        log_.WritePlayback(0, 0, 0, line);
        return 0;
    }
    return DispatchLine(line, *which, split.words);
}

int BoardLink::SendCommand(std::string_view line) {
    auto split = SplitCommandLine(line, board_, limits_);
    LogLine(line);
    if (demo_) return 0;
    if (split.fileWordTooLong) {
        platform::Log(platform::LogLevel::Error, "file name too long for the board: " + std::string(line));
        return 0;
    }
    if (split.words.empty()) return 0;
    const auto which = ExportForWord(split.words[0]);
    if (!which) return 0;
    // Once the loop has ended, the panel's remaining stop commands go nowhere, as in demo mode.
    // Whether a loop that still runs takes the line is found by the call itself.
    if (*which == BoardExport::Mwcmd && daemonState_ == DaemonState::Ended) return 0;
    return DispatchLine(line, *which, split.words);
}

void BoardLink::StartDaemon(const std::function<void()>& serveWindow) {
    if (daemonThread_.joinable()) return;
    const std::string line =
        kind_ == LinkKind::Record ? board_commands::RecordServiceLoop() : board_commands::PlaybackServiceLoop();
    // Running before the thread starts, so a service loop that ends at once is never overwritten.
    daemonState_ = DaemonState::Running;
    daemonThread_ = std::thread([this, line] { RunDaemon(line); });
    // A stream command sent before the loop has opened its command channel would be refused; on a
    // busy machine the thread may take a while to get there.
    if (demo_) return;
    const auto until = std::chrono::steady_clock::now() + kDaemonStartLimit;
    while (daemonState_ == DaemonState::Running && !library_.ServiceLoopListening(board_) &&
           std::chrono::steady_clock::now() < until) {
        if (serveWindow) serveWindow();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void BoardLink::RunDaemon(std::string line) {
    CommandLineLimits limits;
    limits.wordSlots = 50;
    auto split = SplitCommandLine(line, board_, limits);
    LogLineWithoutCounters(line);
    if (demo_) return;
    daemonResult_ = Dispatch(BoardExport::Mdaemon, split.words);
    daemonState_ = DaemonState::Ended;
}

void BoardLink::JoinDaemon() {
    if (daemonThread_.joinable()) daemonThread_.join();
}

}  // namespace velmar
