// mwcmd and its parts.
#include "ruvent/command_client.h"

#include <sched.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/shared_lock.h"
#include "ruvent/access_arguments.h"
#include "ruvent/board_driver.h"
#include "ruvent/board_word.h"
#include "ruvent/call_outcome.h"
#include "ruvent/command_channel.h"
#include "ruvent/command_packet.h"
#include "ruvent/ruvent.h"
#include "ruvent/shared_words.h"
#include "ruvent/stream_end_wait.h"
#include "tessolk/board_map.h"

namespace ruvent {
namespace {

using namespace shared_word;
constexpr std::uint32_t kFirst = 0;
constexpr std::uint32_t kLast = 1;

void Warn(const std::string& message) { platform::Log(platform::LogLevel::Warning, "mwcmd: " + message); }

// The line cannot be carried out: the rest of it is skipped and mwcmd returns 0.
bool Fail(CommandCollector& collector, const std::string& why) {
    Warn(why);
    collector.failed = true;
    return false;
}

// The whole decimal number after a prefix of `skip` characters; false when there is none.
bool ReadStreamNumber(const char* word, std::size_t skip, std::uint32_t& number, const char** rest = nullptr) {
    const char* digits = word + skip;
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits, &end, 10);
    number = value > 0xFFFF ? 0xFFFF : static_cast<std::uint32_t>(value);
    if (rest) *rest = end;
    return true;
}

// Selects stream or slot `word[skip...]` when it is below `limit`; otherwise the following file
// names and flags of this line are ignored.
bool SelectStream(CommandCollector& collector, const char* word, std::size_t skip, std::uint32_t limit,
                  const char** rest = nullptr) {
    std::uint32_t number = 0;
    if (!ReadStreamNumber(word, skip, number, rest) || number >= limit) {
        Warn(std::string("stream or slot out of range in ") + word);
        collector.streamValid = false;
        return false;
    }
    collector.stream = number;
    collector.streamValid = true;
    return true;
}

// Polls a first or last flag until the service loop clears it. The loop may end or stall while we
// wait; then nobody will clear it, and the caller gets an error rather than waiting for ever.
bool WaitForFlagClear(CommandCollector& collector, std::uint32_t which) {
    BoardDriver& driver = ActiveDriver();
    const std::int64_t giveUpAt = platform::PerformanceCounter() + std::int64_t{kClientWaitLimitMs} * 1000;
    for (std::uint64_t polls = 0;; ++polls) {
        std::uint32_t value = 0;
        driver.ReadFirstLast(collector.board, value, collector.stream, which);
        if (value == 0) return true;
        if (polls % 256 == 255) {
            if (collector.channel && !collector.channel->OwnerAlive()) return Fail(collector, "the service loop ended");
            if (platform::PerformanceCounter() >= giveUpAt)
                return Fail(collector, std::string(which == kFirst ? "first" : "last") + " flag never cleared");
        }
        // The hand-shake is quick when the loop is healthy; past the first polls, leave it the CPU.
        if (polls < 1024)
            sched_yield();
        else
            platform::SleepMs(1);
    }
}

void OrFlags(CommandCollector& collector, std::uint32_t bits, bool inputFlags) {
    if (!collector.streamValid) return;
    BoardDriver& driver = ActiveDriver();
    std::uint32_t flags = 0;
    if (inputFlags) {
        if (collector.stream >= kQueueSlots) return;
        driver.ReadInputFilenameReverse(collector.board, flags, collector.stream);
        driver.WriteInputFilenameReverse(collector.board, flags | bits, collector.stream);
    } else {
        if (collector.stream >= kOutputStreams) {
            Warn("no output stream " + std::to_string(collector.stream));
            return;
        }
        driver.ReadOutputFilenameReverse(collector.board, flags, collector.stream);
        driver.WriteOutputFilenameReverse(collector.board, flags | bits, collector.stream);
    }
}

void ParseOption(CommandCollector& collector, const char* word) {
    BoardDriver& driver = ActiveDriver();
    const std::uint32_t board = collector.board;
    const std::string text = word;
    if (text == "-F") {
        if (collector.streamValid) driver.WriteFirstLast(board, 1, collector.stream, kFirst);
    } else if (text == "-O") {
        collector.offsetsMode = true;
        collector.offsetIndex = 0;
    } else if (text == "-R") {
        OrFlags(collector, 1, collector.fileMode != FileMode::Output);
    } else if (text == "-I") {
        OrFlags(collector, 2, collector.fileMode == FileMode::Input);
    } else if (text == "-p") {
        collector.wordMode = WordMode::Priority;
    } else if (text == "-s") {
        collector.wordMode = WordMode::Scheduled;
    } else if (text == "-f") {
        collector.fileMode = FileMode::CommandFile;
    } else if (text.rfind("-i", 0) == 0) {
        collector.fileMode = FileMode::Input;
        const char* rest = nullptr;
        if (!SelectStream(collector, word, 2, kInputStreams, &rest)) return;
        driver.WriteInputFilenameReverse(board, 0, collector.stream);
        driver.WriteInputFilenameOffset(board, 0, 0, 0, 0, collector.stream);
        collector.code = *rest == 'A' ? kSemaphoreProtocolA : kSemaphoreProtocolB;
    } else if (text.rfind("-o", 0) == 0) {
        collector.fileMode = FileMode::Output;
        const char* rest = nullptr;
        if (!SelectStream(collector, word, 2, kOutputStreams, &rest)) return;
        driver.WriteOutputFilenameReverse(board, board << kNameFlagsBoardShift | (collector.stream == 0 ? 4u : 0u),
                                          collector.stream);
        collector.code = *rest == 'A' ? kSemaphoreProtocolA : kSemaphoreProtocolB;
    } else if (text.rfind("-q", 0) == 0) {
        collector.fileMode = FileMode::Queue;
        if (!SelectStream(collector, word, 2, kQueueSlots)) return;
        driver.WriteInputFilenameReverse(board, 0, collector.stream);
        driver.WriteInputFilenameOffset(board, 0, 0, 0, 0, collector.stream);
    } else if (text.rfind("-L", 0) == 0) {
        if (!SelectStream(collector, word, 2, kHandShakeStreams)) return;
        collector.waitForLast = true;  // the flag goes up once the words are posted
    } else if (text.rfind("-S", 0) == 0) {
        if (!SelectStream(collector, word, 2, kHandShakeStreams)) return;
        driver.WriteSemaphore(board, kSemaphoreStop, 0, collector.stream);
    } else if (text.rfind("-l", 0) == 0) {
        std::uint32_t passes = 0;
        if (!ReadStreamNumber(word, 2, passes) || !collector.streamValid || collector.stream >= kHandShakeStreams) {
            Warn(std::string("ignored ") + word);
            return;
        }
        driver.WriteLoopFlag(board, passes != 0 ? 1 : 0, collector.stream);
        driver.WriteLoopTime(board, static_cast<int>(passes), collector.stream);
    } else if (text.rfind("-U", 0) == 0) {
        std::uint32_t output = 0;
        if (!ReadStreamNumber(word, 2, output) || output >= 16) {
            Warn(std::string("ignored ") + word);
            return;
        }
        driver.WriteSharedMem(board, output, kStoppedOutput);
        std::uint32_t stopped = output;
        driver.ReadSharedMem(board, stopped, kStoppedOutput);
        driver.WriteSharedMem(board, 1, kOutputStreamMode + (stopped & 15));
        // Return once the loop has written the partial end and closed the file, so the caller's
        // header or trailer lands on a complete file.
        WaitForOutputStreamEnd(driver, board, stopped & 15);
    }
    // "-b{n}", "-h" and "-force" were taken before the walk; other words starting with '-' do nothing.
}

void ParseOperand(CommandCollector& collector, const char* word) {
    BoardDriver& driver = ActiveDriver();
    const std::uint32_t board = collector.board;
    const bool inputLike = collector.fileMode == FileMode::Input || collector.fileMode == FileMode::Queue;
    if (!collector.streamValid && collector.fileMode != FileMode::None) return;
    if (inputLike && collector.offsetsMode) {
        collector.offsets[collector.offsetIndex++] = ReadCommandNumber(word);
        if (collector.offsetIndex == 4) {
            driver.WriteInputFilenameOffset(board, collector.offsets[0], collector.offsets[1], collector.offsets[2],
                                            collector.offsets[3], collector.stream);
            collector.offsetsMode = false;
            collector.offsetIndex = 0;
        }
        return;
    }
    switch (collector.fileMode) {
        case FileMode::Input: {
            const std::string name = StripBrackets(word);
            std::uint32_t count = 0;
            driver.ReadSharedMem(board, count, kInputRequestCount);
            driver.WriteInputFilename(board, name.c_str(), collector.stream);
            driver.WriteSharedMem(board, count + 1, kInputRequestCount);
            driver.WriteSemaphore(board, collector.code, 0, collector.stream);
            WaitForFlagClear(collector, kFirst);
            break;
        }
        case FileMode::Output: {
            const std::string name = StripBrackets(word);
            std::uint32_t count = 0;
            driver.ReadSharedMem(board, count, kOutputRequestCount);
            driver.WriteOutputFilename(board, name.c_str(), collector.stream);
            driver.WriteSharedMem(board, count + 1, kOutputRequestCount);
            driver.WriteSemaphore(board, collector.code, 1, collector.stream);
            break;
        }
        case FileMode::Queue: {
            const std::string name = StripBrackets(word);
            driver.WriteInputFilename(board, name.c_str(), collector.stream);
            break;
        }
        case FileMode::CommandFile:  // a command file's contents are not used
        case FileMode::None: break;
    }
}

}  // namespace

std::string StripBrackets(const std::string& word) {
    std::string name = !word.empty() && word[0] == '<' ? word.substr(1) : word;
    const auto close = name.find('>');
    if (close != std::string::npos) name.resize(close);
    return name;
}

void ParseCommandArgument(CommandCollector& collector, const char* word) {
    if (word[0] == '-')
        ParseOption(collector, word);
    else
        ParseOperand(collector, word);
}

void CollectCommandWord(CommandCollector& collector, const char* word) {
    if (collector.wordMode == WordMode::None) return;
    if (collector.priorityWords.size() + collector.scheduledWords.size() >= kCollectorWords) {
        ++collector.droppedWords;
        return;
    }
    auto& words = collector.wordMode == WordMode::Priority ? collector.priorityWords : collector.scheduledWords;
    words.push_back(ReadCommandNumber(word));
}

namespace {

// Holding the post lock from the free check to the post keeps two posters from both seeing the
// channel free and overwriting each other. A loop that ended or stalls never frees it.
bool PostWhenFree(CommandCollector& collector, CommandChannel& channel, const std::vector<std::uint32_t>& block) {
    const std::int64_t giveUpAt = platform::PerformanceCounter() + std::int64_t{kClientWaitLimitMs} * 1000;
    platform::SharedLockGuard posting(channel.PostLock(), kClientWaitLimitMs);
    if (!posting) return Fail(collector, "another caller kept the command channel; command words not sent");
    while (channel.CommandBlockPending() != 0) {
        const bool ended = !channel.OwnerAlive();
        if (ended || platform::PerformanceCounter() >= giveUpAt)
            return Fail(collector, ended ? "the service loop ended" : "the command channel never became free");
        platform::SleepMs(100);
    }
    channel.PostCommandBlock(static_cast<std::uint32_t>(collector.priorityWords.size() * 4),
                             static_cast<std::uint32_t>(collector.scheduledWords.size() * 4), block.data());
    return true;
}

}  // namespace

void FlushCommandBlock(CommandCollector& collector, CommandChannel& channel) {
    if (collector.droppedWords > 0)
        Warn("dropped " + std::to_string(collector.droppedWords) + " command words beyond " +
             std::to_string(kCollectorWords));
    std::vector<std::uint32_t> block = collector.priorityWords;
    block.insert(block.end(), collector.scheduledWords.begin(), collector.scheduledWords.end());
    if (!block.empty() && !PostWhenFree(collector, channel, block)) return;
    // The last flag only after the words: the loop hands the preloaded pairs over with the block
    // that holds the start word (or after it), never ahead of it, so the board can tell the new
    // clip from what was queued of the old.
    if (collector.waitForLast) {
        ActiveDriver().WriteFirstLast(collector.board, 1, collector.stream, kLast);
        WaitForFlagClear(collector, kLast);
    }
}

std::string CommandUsage() {
    static const char* const kLines[] = {
        "mwcmd -f <filename_of_whole_command_block>\n",
        "       -i{0|1|2|3}{A|B} [-F] InputFilename\n",
        "       -q{0|1|2|3} InputFilename for queuing\n",
        "       -o{0|1|2|3}{A|B} OutputFilename\n",
        "       -p <32bits_priority_cmd_data> ......\n",
        "       -s <32bits_scheduled_cmd_data> .....\n",
        "       -F (only support protocol_B in)\n",
        "       -L{0|1|2|3} (only support protocol_B in)\n",
        "       -l{1|2|3|4|5|6|7|8|9} (only support protocol_B in)\n",
        "       -S{0|1|2|3} (only support protocol_B in)\n",
        "       -O <upper word file offset end> <lower word file offset end> <upper word file offset start> "
        "<lower word file offset start> \n",
        "       -R (reverses byte ordering\n",
        "       -I (Interlace Uncompressed Fields\n",
        "\n",
        "option:\n",
        "  -i : input bitstream\n",
        "  -o : output bitstream\n",
        "  -p : priority commands\n",
        "  -s : scheduled commands\n",
        "  -F : load bitstream first\n",
        "  -L : send bitstream to QR\n",
        "  -l : times to loop file\n",
        "  -S : stop sending bitstream\n",
    };
    std::string usage;
    for (const char* line : kLines) usage += line;
    return usage;
}

namespace {

// "-force": the words go straight to the mailbox of `board` as one packet; a command-line program
// ends after it.
int SendCommandDirect(std::uint32_t board, int argc, char* argv[]) {
    WordMode mode = WordMode::None;
    std::vector<std::uint32_t> priority, scheduled;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-b2" || word == "-force") continue;
        else if (word == "-p") mode = WordMode::Priority;
        else if (word == "-s") mode = WordMode::Scheduled;
        else if (mode == WordMode::Priority) priority.push_back(ReadCommandNumber(argv[i]));
        else if (mode == WordMode::Scheduled) scheduled.push_back(ReadCommandNumber(argv[i]));
    }
    BoardDriver& driver = ActiveDriver();
    std::uint32_t packetBytes = 0;
    driver.ReadSizeArray(board, packetBytes, 0);
    if (packetBytes == 0) packetBytes = board_map::kDefaultPacketSize;
    CommandPacket packet(packetBytes);
    std::vector<std::uint32_t> words = priority;
    words.insert(words.end(), scheduled.begin(), scheduled.end());
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    if (!packet.AppendClientCommands(words.data(), static_cast<std::uint32_t>(priority.size() * 4),
                                     static_cast<std::uint32_t>(scheduled.size() * 4)))
        Warn("-force: the words do not fit one packet; nothing sent");
    else if (driver.MapMemory(board, physical, host) != kQrddOk)
        Warn("-force: no board window; nothing sent");
    else
        SendCommandPacket(packet, reinterpret_cast<std::uint8_t*>(host), board);
    EndProgramAfterCall(0);
    return 1;
}

}  // namespace
}  // namespace ruvent

using namespace ruvent;

extern "C" int mwcmd(int argc, char* argv[]) {
    BeginCall();
    if (argc < 1 || !argv) return 1;
    CommandCollector collector;
    // One board for the whole line, channel and driver words alike.
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-h") return Refuse(RUVENT_BAD_ARGUMENTS, "-h asks for the usage only", CommandUsage());
        if (!TakeBoardWord(word, collector.board))
            return Refuse(RUVENT_BAD_ARGUMENTS, NamesNoBoard(word), NamesNoBoard(word) + "\n" + CommandUsage());
    }
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-force") == 0) return SendCommandDirect(collector.board, argc, argv);

    std::uint64_t context[3] = {};
    ActiveDriver().GetDeviceContext(collector.board, context);
    // Whether the loop is there is known only here, in one step with taking its channel: a loop
    // that ends between a caller's look and this call refuses the line like one that never ran.
    auto channel = CommandChannel::OpenCommandObject(collector.board);
    if (!channel)
        return Refuse(RUVENT_NO_SERVICE_LOOP, "no service loop for board " + std::to_string(collector.board + 1),
                      "Create File Mapping fail in CommandClient\n");
    collector.channel = channel.get();
    for (int i = 1; i < argc && !collector.failed; ++i) {
        ParseCommandArgument(collector, argv[i]);
        if (argv[i][0] != '-') CollectCommandWord(collector, argv[i]);
    }
    if (!collector.failed) FlushCommandBlock(collector, *channel);
    return collector.failed ? 0 : 1;
}
