// The command log: every command line a panel sends, after the board counters of the moment.
// Written from the user-interface thread and the service thread, so one lock guards the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace velmar {

class CommandLog {
public:
    CommandLog() = default;
    ~CommandLog() { Close(); }
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;

    // Opens (truncating) the file; false when it cannot be written or is no regular file.
    bool Open(const std::string& path);
    // True for a regular file that is empty or begins as a log line does (eight hex digits, then
    // ',' or a blank): a file that holds anything else is someone's data, not a log to truncate.
    static bool HoldsOnlyCommandLog(const std::string& path);
    void Close();
    bool IsOpen() const;

    // Playback panel: "%.8x,%.8x,%.8x %s\n".
    void WritePlayback(std::uint32_t a1, std::uint32_t a2, std::uint32_t b2, std::string_view line);
    // Record panel: "%.8x %s\n".
    void WriteRecord(std::uint32_t frames, std::string_view line);

private:
    void WriteText(const std::string& text);

    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace velmar
