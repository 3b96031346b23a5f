// mwcmd: stream requests into the driver's register file and command words into the channel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ruvent {

class CommandChannel;

enum class WordMode { None, Priority, Scheduled };
enum class FileMode { None, Input, Output, Queue, CommandFile };

inline constexpr std::size_t kCollectorWords = 1024;
inline constexpr std::uint32_t kInputStreams = 8;
inline constexpr std::uint32_t kOutputStreams = 8;
inline constexpr std::uint32_t kQueueSlots = 16;
inline constexpr std::uint32_t kHandShakeStreams = 16;  // first/last flags, semaphores, loops

// How long mwcmd waits for the service loop (a first or last flag, a free channel) before it
// gives up and returns 0.
inline constexpr int kClientWaitLimitMs = 3000;

inline constexpr std::uint32_t kSemaphoreProtocolA = 10;
inline constexpr std::uint32_t kSemaphoreProtocolB = 11;
inline constexpr std::uint32_t kSemaphoreStop = 12;

// One mwcmd call's state.
struct CommandCollector {
    std::vector<std::uint32_t> priorityWords;
    std::vector<std::uint32_t> scheduledWords;
    std::size_t droppedWords = 0;  // beyond kCollectorWords
    WordMode wordMode = WordMode::None;
    FileMode fileMode = FileMode::None;
    std::uint32_t stream = 0;
    bool streamValid = true;  // false after a stream or slot number out of range
    std::uint32_t code = kSemaphoreProtocolB;
    std::uint32_t board = 0;
    bool offsetsMode = false;
    int offsetIndex = 0;
    std::uint32_t offsets[4] = {};  // end high, end low, start high, start low
    bool waitForLast = false;
    CommandChannel* channel = nullptr;  // for the liveness checks of the waits
    bool failed = false;                // a wait for the service loop gave up
};

// The name inside "<...>": the first character is dropped when it is '<', and the name ends
// before the first '>'.
std::string StripBrackets(const std::string& word);

// Acts on one word of the line: an option, or a file name or offset in the current file mode.
void ParseCommandArgument(CommandCollector& collector, const char* word);
// In priority or scheduled word mode, keeps the word's number for the block.
void CollectCommandWord(CommandCollector& collector, const char* word);
// Posts the collected block when the channel is free, then waits for the last flag if asked;
// `failed` is set when the loop ended or did not answer within kClientWaitLimitMs.
void FlushCommandBlock(CommandCollector& collector, CommandChannel& channel);

// The usage text a command-line program prints for "-h" or a bad board word.
std::string CommandUsage();

}  // namespace ruvent
