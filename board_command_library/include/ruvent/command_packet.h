// The service loop's image of the board mailbox, and the hand-shake that sends it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "board_commands/command_words.h"

namespace ruvent {

// The packet's own opcodes, by the catalogue's names the board decodes with.
inline constexpr std::uint32_t kOpAin = board_commands::kPacketAudioIn;
inline constexpr std::uint32_t kOpAout = board_commands::kPacketAudioOut;
inline constexpr std::uint32_t kOpBufferPair = board_commands::kPacketBufferPair;
inline constexpr std::uint32_t kOpOutBufferPair = board_commands::kPacketOutBufferPair;

// The headers the service loop puts before the words it sends: input and output buffer pairs,
// audio in and out.
enum class PacketHeader { BufferPair, OutBufferPair, AudioIn, AudioOut };

class CommandPacket {
public:
    // A packet of `packetBytes` bytes (0x1000 playback, 0x400 record), both counts 0.
    explicit CommandPacket(std::uint32_t packetBytes);

    void Reset();  // both counts 0

    // Appends time word 0 and the CommandWord of the header for `count` words of `stream`.
    // False, with nothing appended, when it does not fit.
    [[nodiscard]] bool AddCommandHeader(PacketHeader type, std::uint32_t count, std::uint32_t stream);
    // Appends length bytes (whole words) as priority words; false, with nothing appended, when
    // they do not fit.
    [[nodiscard]] bool AddPacketWords(const void* bytes, std::uint32_t length);
    // Appends a client block: priority words, then scheduled words.
    bool AppendClientCommands(const std::uint32_t* words, std::uint32_t priorityBytes, std::uint32_t scheduledBytes);
    // Words still free.
    std::uint32_t FreeWords() const { return CapacityWords() - UsedWords(); }

    std::uint32_t Size() const { return static_cast<std::uint32_t>(buffer_.size()); }
    std::uint32_t CapacityWords() const { return (Size() - 8) / 4; }
    std::uint32_t PriorityCount() const { return priority_; }
    std::uint32_t ScheduledCount() const { return scheduled_; }
    std::uint32_t UsedWords() const { return priority_ + scheduled_; }
    // The P bytes as they go to the mailbox, counts included.
    const std::uint8_t* Bytes() const { return buffer_.data(); }
    std::uint32_t Word(std::uint32_t index) const;

private:
    bool Append(const void* words, std::uint32_t count);
    void StoreCounts();

    std::vector<std::uint8_t> buffer_;
    std::uint32_t priority_ = 0;
    std::uint32_t scheduled_ = 0;
};

inline constexpr int kMailboxTimeoutMs = 5000;
inline constexpr int kMailboxFailed = 0x1111;
inline constexpr int kMailboxKeyQuit = -1;

// Where SendCommandPacket looks for the operator's 'q'; tests put their own here. Empty: the console.
using ConsoleKeySource = std::function<bool()>;
ConsoleKeySource SetConsoleKeySource(ConsoleKeySource source);

// Waits until the board has taken the previous packet, then copies `packet` to offset 0 of the
// board's window and sets PacketReadyFlag. Returns 1 when sent; 0x1111 when the board does not
// free the mailbox within `timeoutMs` (after the "Driver Communication Error" box) or a quit is
// requested (QuitRequest reads 0xFFFFFFFF); -1 when the operator typed 'q' (the packet is dropped).
int SendCommandPacket(const CommandPacket& packet, std::uint8_t* window, std::uint32_t board,
                      int timeoutMs = kMailboxTimeoutMs);

}  // namespace ruvent
