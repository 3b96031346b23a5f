// The software board: owns one board's shared objects and behaves, behind them, as the command
// library and the control application expect the board to. A program (`softboard`) serves it in
// real time; tests create one in their own process and drive it with Step().
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "softboard/stream_host.h"
#include "tessolk/board_map.h"

namespace platform {
class SharedMemory;
class NamedEvent;
class NamedLock;
}  // namespace platform

namespace tessolk {
struct BoardControl;
struct I2cBusState;
}

namespace softboard {

class BoardStreaming;
class BoardEncoder;
class I2cTransactionLog;

struct SoftBoardOptions {
    std::uint32_t board = 0;                   // 0 first, 1 second
    int interruptPeriodMs = 20;                // one interrupt per field
    std::uint32_t boardType = board_map::kNewerBoardType;
    // 1: what the board receives, its I2C traffic one transaction a line; 2: also each interrupt
    // and each write of the I2C lines.
    int verbosity = 0;
    std::function<void(const std::string&)> log;  // where verbose lines go; empty: standard output
};

struct BoardIdentity {
    board_map::BoardRole role = board_map::BoardRole::None;
    board_map::StreamFormat format = board_map::StreamFormat::None;
    board_map::TvStandard standard = board_map::TvStandard::Ntsc;
    bool operator==(const BoardIdentity&) const = default;
};

std::string DescribeIdentity(const BoardIdentity& identity);

// One mailbox packet as the board took it.
struct TakenPacket {
    std::uint32_t priorityCount = 0;
    std::uint32_t scheduledCount = 0;
    std::vector<std::uint32_t> words;  // the packet's words in order, without the count fields
};

std::string DescribeCommand(const DecodedCommand& command);

class SoftBoard : public StreamHost {
public:
    // Creates the board's shared objects. Fails (null, with a reason) when a live process already
    // serves this board; objects left by a board that died are taken over.
    static std::unique_ptr<SoftBoard> Create(const SoftBoardOptions& options, std::string* error = nullptr);
    ~SoftBoard();  // the board leaves: drivers see no board, and the shared objects are removed
    SoftBoard(const SoftBoard&) = delete;
    SoftBoard& operator=(const SoftBoard&) = delete;

    // One pass of the board at time `nowUs` (microseconds, monotonic): take what the driver wrote,
    // take a waiting mailbox packet, and raise the interrupt when one is due.
    void Step(std::int64_t nowUs);

    // Steps in real time until `stop` becomes true. The interrupt follows the field clock, as the
    // reference drives it on a board, not the board's own work: while a field's work runs late (a
    // busy machine, a slow disk) the host still gets its interrupts, and the late fields follow.
    void Serve(const std::atomic<bool>& stop);

    bool InterruptsRunning() const { return interruptsRunning_.load(); }
    std::uint64_t InterruptCount() const override { return interruptCount_; }
    BoardIdentity Identity() const { return identity_; }
    const std::vector<TakenPacket>& Packets() const { return packets_; }
    std::uint64_t ResetCount() const { return resetCount_; }
    // Commands in the order they ran (the most recent kKeptCommands), and those waiting for
    // their time code.
    const std::vector<DecodedCommand>& Commands() const { return commands_; }
    const std::vector<DecodedCommand>& WaitingCommands() const { return waiting_; }
    // Buffer pairs queued by "bufferpair" (input) and "BOutBufferpair" (output) commands.
    std::vector<QueuedPair> InputPairs(std::uint32_t stream) const;
    std::vector<QueuedPair> OutputPairs(std::uint32_t stream) const;
    std::uint64_t RejectedPairs() const { return rejectedPairs_; }
    // The board's time code (packed BCD hh:mm:ss:ff), counted in fields since the start.
    std::uint32_t Timecode() const override;

    static constexpr std::size_t kKeptCommands = 1024;
    static constexpr std::size_t kKeptPairs = 64;

    std::uint8_t* Window() const override;
    std::uint8_t* Memory() const;
    BoardStreaming& Streaming();  // the board's streams (softboard/streaming.h)
    BoardEncoder& Encoder();      // the encoder record microcode makes of it (softboard/board_encoder.h)

private:
    friend class BoardEncoder;
    SoftBoard(const SoftBoardOptions& options);
    void TakeJournal();
    void OnWordWritten(std::uint32_t address, std::uint32_t value);
    void OnBlockWritten(std::uint32_t address, std::uint32_t bytes, std::uint32_t firstWord);
    void OnControl(std::uint32_t value);
    void FollowI2c(std::uint32_t value);
    void ResyncI2c();
    void ReadMicrocodeDescriptor();
    void TakeMailbox();
    void DecodePacket(const TakenPacket& packet);
    void DecodeRun(const std::uint32_t* words, std::uint32_t count, bool scheduled);
    void RunCommand(const DecodedCommand& command);
    void QueuePairs(const DecodedCommand& command, bool output);
    // The streams' view of the board.
    bool StreamArea(std::uint32_t areaIndex, std::uint32_t& physicalStart, std::uint32_t& physicalEnd) const override;
    std::uint32_t PhysicalBase() const override;
    int InterruptPeriodMs() const override { return options_.interruptPeriodMs; }
    std::uint64_t FieldsSinceStart() const override { return fieldsSinceStart_; }
    std::vector<QueuedPair>& InputQueue(std::uint32_t stream) override { return inputPairs_[stream]; }
    std::vector<QueuedPair>& OutputQueue(std::uint32_t stream) override { return outputPairs_[stream]; }
    bool EncoderClaimsInput(std::uint32_t stream) override;
    void OnEncoderField() override;
    void RunDueCommands();
    void RaiseInterrupt(std::int64_t nowUs);
    void FollowEventName();
    void SignalInterrupt();
    void ResetBoard();
    std::uint32_t WindowWord(std::uint32_t offset) const override;
    void SetWindowWord(std::uint32_t offset, std::uint32_t value) override;
    std::uint32_t MemoryWord(std::uint32_t address) const;
    void SetMemoryWord(std::uint32_t address, std::uint32_t value);
    void Say(int level, const std::string& line) const;

    SoftBoardOptions options_;
    std::unique_ptr<platform::NamedLock> owner_;  // released last, once the objects are removed
    std::unique_ptr<platform::SharedMemory> controlMemory_;
    std::unique_ptr<platform::SharedMemory> window_;
    std::unique_ptr<platform::SharedMemory> memory_;
    tessolk::BoardControl* control_ = nullptr;

    std::uint64_t journalTail_ = 0;
    std::atomic<bool> interruptsRunning_{false};
    std::atomic<std::int64_t> lastInterruptUs_{0};  // when the last field's interrupt was raised
    std::int64_t nextInterruptUs_ = 0;
    std::int64_t lastStepUs_ = 0;
    std::uint64_t interruptCount_ = 0;
    std::uint64_t resetCount_ = 0;
    BoardIdentity identity_;
    std::vector<TakenPacket> packets_;
    std::vector<DecodedCommand> commands_;
    std::vector<DecodedCommand> waiting_;
    std::vector<QueuedPair> inputPairs_[kBoardStreams];
    std::vector<QueuedPair> outputPairs_[kBoardStreams];
    std::uint64_t rejectedPairs_ = 0;
    std::uint64_t fieldsSinceStart_ = 0;

    std::uint32_t eventGeneration_ = 0;
    std::mutex eventMutex_;  // the serving thread replaces the event, Serve's pulse sets it too
    std::shared_ptr<platform::NamedEvent> interruptEvent_;
    std::unique_ptr<BoardStreaming> streaming_;
    std::unique_ptr<BoardEncoder> encoder_;
    // A copy of the I2C devices fed the same line writes as the driver's, for the log alone: the
    // driver decides the acknowledges in its own process.
    std::unique_ptr<tessolk::I2cBusState> i2cShadow_;
    std::unique_ptr<I2cTransactionLog> i2cLog_;
};

}  // namespace softboard
