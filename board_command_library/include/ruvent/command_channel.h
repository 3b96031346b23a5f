// The named shared block through which `mwcmd` callers hand command words to the service loop:
// "CommandObject" for the first board, "CommandObject2" for the second, 0x4000 bytes of u32
// words: word 0 the priority bytes of the block, word 1 its total bytes (0 = free), then the words.
//
// Shared memory outlives a crashed owner here, so the channel also records which process's
// service loop owns it; a channel without a live owner is treated as missing. Posters hold the
// post lock from their wait for a free channel to their post, so two posters never mix blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {
class SharedMemory;
class SharedLock;
}

namespace ruvent {

inline constexpr std::uint32_t kChannelBytes = 0x4000;
inline constexpr std::uint32_t kChannelWords = kChannelBytes / 4 - 2;  // 4094

std::string CommandChannelName(std::uint32_t board);

class CommandChannel {
public:
    // Service loop side: creates the channel, free, owned by this process. Null when another live
    // process owns it or it cannot be created.
    static std::unique_ptr<CommandChannel> CreateCommandObject(std::uint32_t board);
    // Client side: null when no live service loop owns the channel.
    static std::unique_ptr<CommandChannel> OpenCommandObject(std::uint32_t board);
    ~CommandChannel();  // CloseCommandObject: the owner's close also removes the channel
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    bool OwnerAlive() const;

    // Service side.
    std::uint32_t CommandBlockPending() const;  // word 1
    const std::uint32_t* CommandBlockWords() const;
    struct Block {
        std::uint32_t priorityBytes;
        std::uint32_t scheduledBytes;
    };
    Block TakeCommandBlock() const;
    void ClearCommandBlock();

    // Client side: posts a block (writes word 1 last). The caller holds the post lock and has
    // seen the channel free. Blocks beyond the channel's capacity are refused (false).
    bool PostCommandBlock(std::uint32_t priorityBytes, std::uint32_t scheduledBytes, const std::uint32_t* words);
    platform::SharedLock& PostLock();

private:
    CommandChannel(std::unique_ptr<platform::SharedMemory> memory, std::uint32_t board, bool owner);
    std::uint32_t* Words() const;
    struct Trailer;
    Trailer& Tail() const;

    std::unique_ptr<platform::SharedMemory> memory_;
    std::uint32_t board_;
    bool owner_;
};

}  // namespace ruvent
