// What the board's streams (softboard/streaming.h) and their parts need of the board that carries
// them: its window, its time, the pairs queued per stream, and the encoder's share of the inputs.
// The software board implements it; the streams know no more of it.
#pragma once

#include <cstdint>
#include <vector>

namespace softboard {

inline constexpr std::uint32_t kBoardStreams = 8;  // per direction

// One command as the board decoded it from a packet.
struct DecodedCommand {
    bool scheduled = false;       // from the scheduled run of the packet
    std::uint32_t time = 0;       // 0 or 0xFFFFFFFF: now; else the board time code it runs at
    std::uint32_t opcode = 0;
    std::uint32_t stream = 0;
    std::vector<std::uint32_t> parameters;
    bool operator==(const DecodedCommand&) const = default;
};

// A buffer pair the board holds for a stream, as {physical address, byte length}.
struct QueuedPair {
    std::uint32_t physical = 0;
    std::uint32_t length = 0;
    bool operator==(const QueuedPair&) const = default;
};

class StreamHost {
public:
    virtual std::uint8_t* Window() const = 0;
    virtual std::uint32_t WindowWord(std::uint32_t offset) const = 0;
    virtual void SetWindowWord(std::uint32_t offset, std::uint32_t value) = 0;
    // The board address of the window's first byte.
    virtual std::uint32_t PhysicalBase() const = 0;
    virtual int InterruptPeriodMs() const = 0;
    virtual std::uint64_t InterruptCount() const = 0;
    virtual std::uint64_t FieldsSinceStart() const = 0;
    // The board's time code (packed BCD hh:mm:ss:ff).
    virtual std::uint32_t Timecode() const = 0;
    // The pairs queued for an input or an output stream, in the order the board fills them.
    virtual std::vector<QueuedPair>& InputQueue(std::uint32_t stream) = 0;
    virtual std::vector<QueuedPair>& OutputQueue(std::uint32_t stream) = 0;
    // The physical range of a stream area (inputs first, then outputs); false when it has none.
    virtual bool StreamArea(std::uint32_t areaIndex, std::uint32_t& physicalStart, std::uint32_t& physicalEnd) const = 0;
    // Whether the encoder reads the input itself, and the encoder's turn at each field.
    virtual bool EncoderClaimsInput(std::uint32_t stream) = 0;
    virtual void OnEncoderField() = 0;

protected:
    ~StreamHost() = default;
};

}  // namespace softboard
