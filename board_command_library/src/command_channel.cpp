#include "ruvent/command_channel.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/shared_lock.h"
#include "platform/shared_memory.h"

namespace ruvent {

// Kept after the 0x4000 bytes of the channel proper.
struct CommandChannel::Trailer {
    std::atomic<std::int32_t> ownerPid;
    platform::SharedLock postLock;  // a poster that dies holding it leaves it to the next one
};

namespace {

constexpr std::size_t kMappedBytes = kChannelBytes + 64;

std::int32_t ThisProcess() { return static_cast<std::int32_t>(getpid()); }

}  // namespace

std::string CommandChannelName(std::uint32_t board) { return board == 0 ? "CommandObject" : "CommandObject2"; }

CommandChannel::CommandChannel(std::unique_ptr<platform::SharedMemory> memory, std::uint32_t board, bool owner)
    : memory_(std::move(memory)), board_(board), owner_(owner) {}

CommandChannel::~CommandChannel() {
    if (!owner_) return;
    Tail().ownerPid.store(0);
    platform::SharedMemory::Remove(CommandChannelName(board_));
}

std::uint32_t* CommandChannel::Words() const { return static_cast<std::uint32_t*>(memory_->Data()); }

CommandChannel::Trailer& CommandChannel::Tail() const {
    return *reinterpret_cast<Trailer*>(static_cast<std::uint8_t*>(memory_->Data()) + kChannelBytes);
}

std::unique_ptr<CommandChannel> CommandChannel::CreateCommandObject(std::uint32_t board) {
    auto memory = platform::SharedMemory::Open(CommandChannelName(board), kMappedBytes);
    if (!memory) return nullptr;
    std::unique_ptr<CommandChannel> channel(new CommandChannel(std::move(memory), board, false));
    Trailer& tail = channel->Tail();
    std::int32_t owner = tail.ownerPid.load();
    if (owner != 0 && owner != ThisProcess() && platform::ProcessAlive(owner)) return nullptr;
    // A channel left by a service loop that died starts over free.
    std::memset(channel->Words(), 0, kChannelBytes);
    if (!tail.ownerPid.compare_exchange_strong(owner, ThisProcess())) return nullptr;
    channel->owner_ = true;
    return channel;
}

std::unique_ptr<CommandChannel> CommandChannel::OpenCommandObject(std::uint32_t board) {
    auto memory = platform::SharedMemory::Open(CommandChannelName(board), kMappedBytes,
                                               platform::SharedMemory::Mode::OpenExisting);
    if (!memory) return nullptr;
    std::unique_ptr<CommandChannel> channel(new CommandChannel(std::move(memory), board, false));
    if (!channel->OwnerAlive()) return nullptr;
    return channel;
}

bool CommandChannel::OwnerAlive() const {
    const std::int32_t owner = Tail().ownerPid.load();
    return owner != 0 && platform::ProcessAlive(owner);
}

std::uint32_t CommandChannel::CommandBlockPending() const { return std::atomic_ref(Words()[1]).load(); }

const std::uint32_t* CommandChannel::CommandBlockWords() const { return Words() + 2; }

CommandChannel::Block CommandChannel::TakeCommandBlock() const {
    const std::uint32_t total = std::atomic_ref(Words()[1]).load();
    std::uint32_t priority = std::atomic_ref(Words()[0]).load();
    // A block is never larger than the channel, whatever its words say.
    const std::uint32_t bounded = std::min(total, kChannelWords * 4);
    if (priority > bounded) priority = bounded;
    return {priority, bounded - priority};
}

void CommandChannel::ClearCommandBlock() {
    std::atomic_ref(Words()[0]).store(0);
    std::atomic_ref(Words()[1]).store(0);
}

bool CommandChannel::PostCommandBlock(std::uint32_t priorityBytes, std::uint32_t scheduledBytes,
                                      const std::uint32_t* words) {
    const std::uint64_t total = static_cast<std::uint64_t>(priorityBytes) + scheduledBytes;
    if (total > kChannelWords * 4) return false;
    if (total == 0) return true;  // an empty block leaves the channel free
    std::memcpy(Words() + 2, words, total / 4 * 4);
    std::atomic_ref(Words()[0]).store(priorityBytes);
    std::atomic_ref(Words()[1]).store(static_cast<std::uint32_t>(total));
    return true;
}

platform::SharedLock& CommandChannel::PostLock() { return Tail().postLock; }

}  // namespace ruvent
