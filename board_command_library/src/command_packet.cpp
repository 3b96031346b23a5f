#include "ruvent/command_packet.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/host_hooks.h"
#include "platform/kernel.h"
#include "ruvent/board_driver.h"
#include "tessolk/board_map.h"

namespace ruvent {
namespace {

constexpr std::uint32_t kQuitRequestWord = 15;

std::mutex g_keyMutex;
ConsoleKeySource g_keySource;

bool QuitKeyPressed() {
    std::lock_guard lock(g_keyMutex);
    return g_keySource ? g_keySource() : platform::ConsoleKeyPressed('q');
}

std::uint32_t OpcodeOf(PacketHeader type) {
    switch (type) {
    case PacketHeader::BufferPair: return kOpBufferPair;
    case PacketHeader::OutBufferPair: return kOpOutBufferPair;
    case PacketHeader::AudioIn: return kOpAin;
    case PacketHeader::AudioOut: return kOpAout;
    }
    return kOpBufferPair;
}

}  // namespace

// The mailbox ends where the ready flag begins; a packet never reaches it.
CommandPacket::CommandPacket(std::uint32_t packetBytes)
    : buffer_(std::clamp<std::uint32_t>(packetBytes, 8, board_map::kPacketReadyFlag) & ~3u) {}

void CommandPacket::Reset() {
    priority_ = scheduled_ = 0;
    StoreCounts();
}

std::uint32_t CommandPacket::Word(std::uint32_t index) const {
    std::uint32_t word = 0;
    if (index < CapacityWords()) std::memcpy(&word, &buffer_[index * 4], 4);
    return word;
}

bool CommandPacket::Append(const void* words, std::uint32_t count) {
    if (UsedWords() + static_cast<std::uint64_t>(count) > CapacityWords()) return false;
    if (count == 0) return true;
    std::memcpy(&buffer_[UsedWords() * 4], words, count * 4);
    return true;
}

void CommandPacket::StoreCounts() {
    const auto priority = static_cast<std::uint16_t>(priority_);
    const auto scheduled = static_cast<std::uint16_t>(scheduled_);
    std::memcpy(&buffer_[Size() - 8], &priority, 2);
    std::memcpy(&buffer_[Size() - 2], &scheduled, 2);
}

bool CommandPacket::AddCommandHeader(PacketHeader type, std::uint32_t count, std::uint32_t stream) {
    const std::uint32_t words[2] = {0, board_commands::Make(OpcodeOf(type), stream, count)};
    if (!Append(words, 2)) return false;
    priority_ += 2;
    StoreCounts();
    return true;
}

bool CommandPacket::AddPacketWords(const void* bytes, std::uint32_t length) {
    // Copied straight into the packet: the service loop calls this every interrupt.
    const std::uint32_t count = length / 4;
    if (!Append(bytes, count)) return false;
    priority_ += count;
    StoreCounts();
    return true;
}

bool CommandPacket::AppendClientCommands(const std::uint32_t* words, std::uint32_t priorityBytes,
                                         std::uint32_t scheduledBytes) {
    const std::uint32_t count = priorityBytes / 4 + scheduledBytes / 4;
    if (!Append(words, count)) return false;
    priority_ += priorityBytes / 4;
    scheduled_ += scheduledBytes / 4;
    StoreCounts();
    return true;
}

ConsoleKeySource SetConsoleKeySource(ConsoleKeySource source) {
    std::lock_guard lock(g_keyMutex);
    std::swap(source, g_keySource);
    return source;
}

int SendCommandPacket(const CommandPacket& packet, std::uint8_t* window, std::uint32_t board, int timeoutMs) {
    const auto readyFlag = board_map::WindowWord(window, board_map::kPacketReadyFlag);
    BoardDriver& driver = ActiveDriver();
    // Bounded by time, not by a poll count: a poll takes nanoseconds today.
    const std::int64_t deadline = platform::PerformanceCounter() +
                                  static_cast<std::int64_t>(timeoutMs) * platform::kPerformanceFrequency / 1000;
    while (readyFlag.load() != 0) {
        if (platform::PerformanceCounter() > deadline) {
            platform::ShowMessageBox("Driver Communication Error", "Velmar Error", platform::MessageButtons::Ok,
                                     platform::MessageIcon::Error);
            return kMailboxFailed;
        }
        if (QuitKeyPressed()) return kMailboxKeyQuit;
        std::uint32_t quit = 0;
        driver.ReadSharedMem(board, quit, kQuitRequestWord);
        if (quit == 0xFFFFFFFF) return kMailboxFailed;
        sched_yield();
    }
    std::memcpy(window + board_map::kCommandPacket, packet.Bytes(), packet.Size());
    readyFlag.store(1);
    return 1;
}

}  // namespace ruvent
