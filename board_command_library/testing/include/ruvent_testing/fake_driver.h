// An in-memory board for tests: keeps board memory and shared words per board, records every
// write and pause in order, and can be told to fail a number of calls.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ruvent/board_driver.h"

namespace ruvent_testing {

struct RecordedCall {
    // Stream requests (semaphores, names, flags, ...) are recorded as Request with the driver
    // operation's name without its "qrdd" prefix, its arguments after the board, and any name.
    enum class Kind { WriteWord, WriteBlock, WriteShared, Pause, Request };
    Kind kind;
    std::uint32_t board = 0;
    std::uint32_t address = 0;  // address, shared word index
    std::uint32_t value = 0;    // word, shared value, byte count, milliseconds
    std::vector<std::uint8_t> bytes;  // what a block carried
    std::string operation = {};
    std::vector<std::uint32_t> args = {};
    std::string text = {};
};

class FakeDriver final : public ruvent::BoardDriver {
public:
    enum class Operation { ReadWord, WriteWord, ReadBlock, WriteBlock, ReadShared, WriteShared };

    QRDDSTATUS ReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value) override;
    QRDDSTATUS WriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value) override;
    QRDDSTATUS ReadBlock(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes) override;
    QRDDSTATUS WriteBlock(std::uint32_t board, std::uint32_t address, const char* buffer,
                          std::uint32_t bytes) override;
    QRDDSTATUS ReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index) override;
    QRDDSTATUS WriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index) override;
    QRDDSTATUS MapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host) override;
    QRDDSTATUS GetDeviceContext(std::uint32_t board, std::uint64_t* words) override;
    QRDDSTATUS ReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index) override;
    QRDDSTATUS WriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                              std::uint32_t stream) override;
    QRDDSTATUS WriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                              std::uint32_t which) override;
    QRDDSTATUS ReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                             std::uint32_t which) override;
    QRDDSTATUS WriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream) override;
    QRDDSTATUS WriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream) override;
    QRDDSTATUS WriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot) override;
    QRDDSTATUS WriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                        std::uint32_t startHigh, std::uint32_t startLow, std::uint32_t slot) override;
    QRDDSTATUS WriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot) override;
    QRDDSTATUS ReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot) override;
    QRDDSTATUS WriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream) override;
    QRDDSTATUS WriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream) override;
    QRDDSTATUS ReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream) override;
    QRDDSTATUS WriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index) override;
    QRDDSTATUS SetDeviceContext(std::uint32_t board, const std::uint64_t* words) override;
    QRDDSTATUS SendEventHandle(std::uint32_t board, const char* eventName) override;
    QRDDSTATUS ReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                             std::uint32_t stream) override;
    QRDDSTATUS ReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream) override;
    QRDDSTATUS ReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream) override;
    QRDDSTATUS ReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot) override;
    QRDDSTATUS ReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                       std::uint32_t& startHigh, std::uint32_t& startLow, std::uint32_t slot) override;
    QRDDSTATUS ReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream) override;
    void Pause(int milliseconds) override;

    // The window MapMemory hands out: 0x2000 bytes unless resized, zeroed.
    std::uint8_t* WindowBytes() { return window_.data(); }
    void SetWindowBytes(std::size_t bytes) { window_.assign(bytes, 0); }
    // MapMemory fails with kQrddNoBoard while set.
    void SetMapFails(bool fails) { mapFails_ = fails; }
    std::uint64_t DeviceContext(std::uint32_t index) const { return deviceContext_[index]; }
    std::string EventName() const;
    void SetSemaphore(std::uint32_t board, std::uint32_t direction, std::uint32_t stream, std::uint32_t code);
    void SetSizeArray(std::uint32_t board, std::uint32_t index, std::uint32_t size);

    // Driver state as a service loop would read it.
    std::uint32_t FirstLast(std::uint32_t board, std::uint32_t stream, std::uint32_t which) const;
    std::uint32_t Semaphore(std::uint32_t board, std::uint32_t direction, std::uint32_t stream) const;
    std::uint32_t InputFlags(std::uint32_t board, std::uint32_t slot) const;
    std::uint32_t OutputFlags(std::uint32_t board, std::uint32_t stream) const;
    std::string InputName(std::uint32_t board, std::uint32_t slot) const;
    std::string OutputName(std::uint32_t board, std::uint32_t stream) const;
    std::vector<RecordedCall> Requests() const;  // the Request calls only, in order

    // The next `count` calls of `operation` fail (status 1) without effect.
    void FailNext(Operation operation, int count);
    int CallCount(Operation operation) const;

    std::vector<RecordedCall> Calls() const;
    std::vector<RecordedCall> Writes() const;  // every recorded call except pauses
    void ClearCalls();

    std::uint32_t Word(std::uint32_t board, std::uint32_t address) const;
    std::uint8_t Byte(std::uint32_t board, std::uint32_t address) const;
    void SetWord(std::uint32_t board, std::uint32_t address, std::uint32_t value);
    std::uint32_t Shared(std::uint32_t board, std::uint32_t index) const;
    int TotalPauseMs() const;

private:
    bool Fails(Operation operation);

    mutable std::mutex mutex_;
    std::map<std::uint32_t, std::uint8_t> memory_[2];  // sparse: only bytes ever written
    std::uint32_t shared_[2][32] = {};
    std::uint32_t sizeArray_[2][20] = {};
    std::uint32_t semaphore_[2][2][16] = {};
    std::uint32_t firstLast_[2][16][2] = {};
    std::uint32_t inputFlags_[2][16] = {};
    std::uint32_t outputFlags_[2][8] = {};
    std::string inputNames_[2][16];
    std::string outputNames_[2][8];
    std::vector<std::uint8_t> window_ = std::vector<std::uint8_t>(0x2000);
    bool mapFails_ = false;
    std::uint64_t deviceContext_[3] = {};
    std::string eventName_;
    std::uint32_t loopFlags_[2][16] = {};
    int loopTimes_[2][16] = {};
    std::uint32_t inputOffsets_[2][16][4] = {};
    std::vector<RecordedCall> calls_;
    std::map<Operation, int> failures_;
    std::map<Operation, int> counts_;
};

// Installs a driver for the lifetime of the object.
class ScopedDriver {
public:
    explicit ScopedDriver(ruvent::BoardDriver& driver) : previous_(ruvent::SetBoardDriver(&driver)) {}
    ~ScopedDriver() { ruvent::SetBoardDriver(previous_); }
    ScopedDriver(const ScopedDriver&) = delete;
    ScopedDriver& operator=(const ScopedDriver&) = delete;

private:
    ruvent::BoardDriver* previous_;
};

}  // namespace ruvent_testing
