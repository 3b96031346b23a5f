#include "fake_driver.h"

#include <cstring>

#include "tessolk/board_map.h"

namespace ruvent_testing {

using Kind = RecordedCall::Kind;

bool FakeDriver::Fails(Operation operation) {
    ++counts_[operation];
    int& left = failures_[operation];
    if (left <= 0) return false;
    --left;
    return true;
}

QRDDSTATUS FakeDriver::ReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value) {
    std::lock_guard lock(mutex_);
    if (Fails(Operation::ReadWord)) return kQrddNoBoard;
    if (board > 1 || address + 4ull > board_map::kBoardAddressSpace) return kQrddBadArgument;
    value = 0;
    for (int i = 0; i < 4; ++i) {
        auto found = memory_[board].find(address + i);
        if (found != memory_[board].end()) value |= static_cast<std::uint32_t>(found->second) << (8 * i);
    }
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    if (Fails(Operation::WriteWord)) return kQrddNoBoard;
    if (board > 1 || address + 4ull > board_map::kBoardAddressSpace) return kQrddBadArgument;
    for (int i = 0; i < 4; ++i) memory_[board][address + i] = static_cast<std::uint8_t>(value >> (8 * i));
    calls_.push_back({Kind::WriteWord, board, address, value, {}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadBlock(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    if (Fails(Operation::ReadBlock)) return kQrddNoBoard;
    if (board > 1 || address + static_cast<std::uint64_t>(bytes) > board_map::kBoardAddressSpace)
        return kQrddBadArgument;
    for (std::uint32_t i = 0; i < bytes; ++i) {
        auto found = memory_[board].find(address + i);
        buffer[i] = found != memory_[board].end() ? static_cast<char>(found->second) : 0;
    }
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteBlock(std::uint32_t board, std::uint32_t address, const char* buffer,
                                  std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    if (Fails(Operation::WriteBlock)) return kQrddNoBoard;
    if (board > 1 || address + static_cast<std::uint64_t>(bytes) > board_map::kBoardAddressSpace)
        return kQrddBadArgument;
    for (std::uint32_t i = 0; i < bytes; ++i) memory_[board][address + i] = static_cast<std::uint8_t>(buffer[i]);
    calls_.push_back({Kind::WriteBlock, board, address, bytes,
                      std::vector<std::uint8_t>(buffer, buffer + bytes)});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    if (Fails(Operation::ReadShared)) return kQrddNoBoard;
    if (board > 1 || index >= 32) return kQrddBadArgument;
    value = shared_[board][index];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    if (Fails(Operation::WriteShared)) return kQrddNoBoard;
    if (board > 1 || index >= 32) return kQrddBadArgument;
    shared_[board][index] = value;
    calls_.push_back({Kind::WriteShared, board, index, value, {}});
    return kQrddOk;
}

void FakeDriver::Pause(int milliseconds) {
    std::lock_guard lock(mutex_);
    calls_.push_back({Kind::Pause, 0, 0, static_cast<std::uint32_t>(milliseconds), {}});
}

void FakeDriver::FailNext(Operation operation, int count) {
    std::lock_guard lock(mutex_);
    failures_[operation] = count;
}

int FakeDriver::CallCount(Operation operation) const {
    std::lock_guard lock(mutex_);
    auto found = counts_.find(operation);
    return found == counts_.end() ? 0 : found->second;
}

std::vector<RecordedCall> FakeDriver::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::vector<RecordedCall> FakeDriver::Writes() const {
    std::vector<RecordedCall> writes;
    for (const auto& call : Calls())
        if (call.kind != Kind::Pause) writes.push_back(call);
    return writes;
}

void FakeDriver::ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::uint32_t FakeDriver::Word(std::uint32_t board, std::uint32_t address) const {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(Byte(board, address + i)) << (8 * i);
    return value;
}

std::uint8_t FakeDriver::Byte(std::uint32_t board, std::uint32_t address) const {
    std::lock_guard lock(mutex_);
    auto found = memory_[board].find(address);
    return found == memory_[board].end() ? 0 : found->second;
}

void FakeDriver::SetWord(std::uint32_t board, std::uint32_t address, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    for (int i = 0; i < 4; ++i) memory_[board][address + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t FakeDriver::Shared(std::uint32_t board, std::uint32_t index) const {
    std::lock_guard lock(mutex_);
    return shared_[board][index];
}

int FakeDriver::TotalPauseMs() const {
    int total = 0;
    for (const auto& call : Calls())
        if (call.kind == Kind::Pause) total += static_cast<int>(call.value);
    return total;
}

}  // namespace ruvent_testing
