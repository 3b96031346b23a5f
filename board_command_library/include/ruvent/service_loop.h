// The streaming service loop of one board (the `mdaemon` export): lays out the board's buffer
// areas, then serves every interrupt until a quit request or until the board falls silent.
#pragma once

#include <array>
#include <optional>
#include <atomic>
#include <cstdint>
#include <string>

namespace ruvent {

inline constexpr std::uint32_t kSizeListEntries = 20;
inline constexpr std::uint32_t kNameSlots = 16;
inline constexpr int kLoopQuit = 1;
inline constexpr int kLoopBoardSilent = 10;

struct ServiceLoopOptions {
    std::uint32_t board = 0;  // 1 with "-b2"
    bool start = false;       // "-start"
    bool releaseConsole = false;  // "-nc"
    std::array<std::uint32_t, kSizeListEntries> sizes{};
    std::array<std::string, kNameSlots> inputNames;
    std::array<std::string, kNameSlots> outputNames;
};

// Parses mdaemon's words (argv[0] the command word). Bad words give nothing and are recorded as
// the call's refusal (ruvent_last_call), with the usage or the error as its console text.
std::optional<ServiceLoopOptions> ParseServiceLoopArguments(int argc, char* argv[]);

// How a loop ended: kLoopQuit, kLoopBoardSilent, or kLoopSetUpFailed with the console line and
// the box its caller shows. The loop itself never ends the process nor shows a box: it may run
// on a thread of a program with a user interface.
inline constexpr int kLoopSetUpFailed = 2;  // not a quit: the panel must not close as if asked to
struct ServiceLoopResult {
    int code = kLoopQuit;
    std::string consoleLine;
    std::string boxText;
    std::string boxCaption;
};

ServiceLoopResult RunServiceLoop(const ServiceLoopOptions& options);

// Test aid: rounds the loop has finished (bumped just before each interrupt wait).
std::uint64_t ServiceLoopRounds();

}  // namespace ruvent
