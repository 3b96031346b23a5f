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
    enum class Kind { WriteWord, WriteBlock, WriteShared, Pause };
    Kind kind;
    std::uint32_t board = 0;
    std::uint32_t address = 0;  // address, shared word index
    std::uint32_t value = 0;    // word, shared value, byte count, milliseconds
    std::vector<std::uint8_t> bytes;  // what a block carried
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
    void Pause(int milliseconds) override;

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
