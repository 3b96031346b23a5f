// Everything a panel does to its board goes through here: command lines become calls of the board
// command library, every line is logged, demo mode answers 0 without reaching the board, and the
// service loop runs on a thread of its own.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "board_library.h"
#include "board_window.h"
#include "command_line.h"
#include "command_log.h"

namespace velmar {

enum class LinkKind {
    Playback,  // 80 word slots, log with the channel counters
    Record,    // 50 word slots, log with the record time code
};

enum class DaemonState : int { Running = 0, Ended = 1, NotStarted = 2 };

// Velmar's start-up take-over: asks the instance that drives `board` to quit, as a restart does.
// The line is dispatched as every panel line is, and logged (at the info level: no panel has its
// command log yet). Returns the export's result.
int SendTakeOverQuit(BoardLibrary& library, board_commands::BoardNumber board);

class BoardLink {
public:
    BoardLink(BoardLibrary& library, BoardWindow& window, board_commands::BoardNumber board, LinkKind kind, bool demo);
    ~BoardLink();
    BoardLink(const BoardLink&) = delete;
    BoardLink& operator=(const BoardLink&) = delete;

    // Returns the export's result, or 0 (demo mode, unknown command, service loop ended, a line
    // the library refused).
    int SendCommand(std::string_view line);
    // The audio settings dialog's own copy: 50 slots, no file-name join, whole-word dispatch, and
    // only lines that match no export are logged.
    int SendSettingsCommand(std::string_view line);

    // Told of every line the library refused (a bad word, "-h", a file it cannot open, no service
    // loop), with its cause, after the log has it: the line did nothing, and the panel goes on.
    using LineFailureHandler = std::function<void(const std::string& line, const std::string& cause)>;
    void SetLineFailureHandler(LineFailureHandler handler) { lineFailed_ = std::move(handler); }

    board_commands::BoardNumber Board() const { return board_; }
    bool Demo() const { return demo_; }
    BoardWindow& Window() { return window_; }
    CommandLog& Log() { return log_; }

    // Starts `mdaemon` with the panel's buffer sizes on the service thread, and returns once it
    // listens for commands (at most 10 s). Between its looks, 1 ms apart, `serveWindow` lets the
    // caller's window paint.
    void StartDaemon(const std::function<void()>& serveWindow = {});
    DaemonState GetDaemonState() const { return daemonState_.load(); }
    int DaemonResult() const { return daemonResult_.load(); }
    // Waits for the service thread (after "mquit" has been sent).
    void JoinDaemon();

private:
    void LogLine(std::string_view line);
    void LogLineWithoutCounters(std::string_view line);
    int Dispatch(BoardExport which, std::vector<std::string>& words);
    int DispatchLine(std::string_view line, BoardExport which, std::vector<std::string>& words);
    void RunDaemon(std::string line);

    BoardLibrary& library_;
    BoardWindow& window_;
    const board_commands::BoardNumber board_;
    const LinkKind kind_;
    const bool demo_;
    const CommandLineLimits limits_;
    const CommandLineLimits settingsLimits_;
    CommandLog log_;
    LineFailureHandler lineFailed_;
    std::atomic<DaemonState> daemonState_{DaemonState::NotStarted};
    std::atomic<int> daemonResult_{0};
    std::thread daemonThread_;
};

}  // namespace velmar
