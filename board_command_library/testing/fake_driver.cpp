#include "ruvent_testing/fake_driver.h"

#include <algorithm>
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

namespace {
bool Bad(std::uint32_t board, std::uint32_t index, std::uint32_t limit) { return board > 1 || index >= limit; }
}  // namespace

QRDDSTATUS FakeDriver::MapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host) {
    if (board > 1) return kQrddBadArgument;
    if (mapFails_) return kQrddNoBoard;
    physical = 0x20000000;
    host = reinterpret_cast<std::uintptr_t>(window_.data());
    return kQrddOk;
}

QRDDSTATUS FakeDriver::GetDeviceContext(std::uint32_t board, std::uint64_t* words) {
    if (board > 1) return kQrddBadArgument;
    words[0] = words[1] = words[2] = 0;
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    if (Bad(board, index, 20)) return kQrddBadArgument;
    size = sizeArray_[board][index];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                                      std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16) || direction > 1) return kQrddBadArgument;
    semaphore_[board][direction][stream] = code;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteSemaphore", {code, direction, stream}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                                      std::uint32_t which) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16) || which > 1) return kQrddBadArgument;
    firstLast_[board][stream][which] = value;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteFirstLast", {value, stream, which}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                                     std::uint32_t which) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16) || which > 1) return kQrddBadArgument;
    value = firstLast_[board][stream][which];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16)) return kQrddBadArgument;
    loopFlags_[board][stream] = on;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteLoopFlag", {on, stream}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16)) return kQrddBadArgument;
    loopTimes_[board][stream] = passes;
    calls_.push_back(
        {Kind::Request, board, 0, 0, {}, "WriteLoopTime", {static_cast<std::uint32_t>(passes), stream}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot) {
    std::lock_guard lock(mutex_);
    if (Bad(board, slot, 16)) return kQrddBadArgument;
    inputNames_[board][slot] = name;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteInputFilename", {slot}, name});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                                std::uint32_t startHigh, std::uint32_t startLow, std::uint32_t slot) {
    std::lock_guard lock(mutex_);
    if (Bad(board, slot, 16)) return kQrddBadArgument;
    const std::uint32_t offsets[4] = {endHigh, endLow, startHigh, startLow};
    std::copy(offsets, offsets + 4, inputOffsets_[board][slot]);
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteInputFilenameOffset",
                      {endHigh, endLow, startHigh, startLow, slot}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot) {
    std::lock_guard lock(mutex_);
    if (Bad(board, slot, 16)) return kQrddBadArgument;
    inputFlags_[board][slot] = flags;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteInputFilenameReverse", {flags, slot}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot) {
    std::lock_guard lock(mutex_);
    if (Bad(board, slot, 16)) return kQrddBadArgument;
    flags = inputFlags_[board][slot];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 8)) return kQrddBadArgument;
    outputNames_[board][stream] = name;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteOutputFilename", {stream}, name});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 8)) return kQrddBadArgument;
    outputFlags_[board][stream] = flags;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteOutputFilenameReverse", {flags, stream}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 8)) return kQrddBadArgument;
    flags = outputFlags_[board][stream];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::WriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index) {
    std::lock_guard lock(mutex_);
    if (Bad(board, index, 20)) return kQrddBadArgument;
    sizeArray_[board][index] = size;
    calls_.push_back({Kind::Request, board, 0, 0, {}, "WriteSizeArray", {size, index}});
    return kQrddOk;
}

QRDDSTATUS FakeDriver::SetDeviceContext(std::uint32_t board, const std::uint64_t* words) {
    std::lock_guard lock(mutex_);
    if (board > 1) return kQrddBadArgument;
    std::copy(words, words + 3, deviceContext_);
    return kQrddOk;
}

QRDDSTATUS FakeDriver::SendEventHandle(std::uint32_t board, const char* eventName) {
    std::lock_guard lock(mutex_);
    if (board > 1) return kQrddBadArgument;
    eventName_ = eventName;
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                                     std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16) || direction > 1) return kQrddBadArgument;
    code = semaphore_[board][direction][stream];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16)) return kQrddBadArgument;
    on = loopFlags_[board][stream];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 16)) return kQrddBadArgument;
    passes = loopTimes_[board][stream];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot) {
    std::lock_guard lock(mutex_);
    if (Bad(board, slot, 16)) return kQrddBadArgument;
    const std::string& stored = inputNames_[board][slot];
    const std::size_t n = std::min<std::size_t>(stored.size(), kQrddNameMax - 1);
    std::copy_n(stored.data(), n, name);
    name[n] = 0;
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                               std::uint32_t& startHigh, std::uint32_t& startLow, std::uint32_t slot) {
    std::lock_guard lock(mutex_);
    if (Bad(board, slot, 16)) return kQrddBadArgument;
    const std::uint32_t* offsets = inputOffsets_[board][slot];
    endHigh = offsets[0], endLow = offsets[1], startHigh = offsets[2], startLow = offsets[3];
    return kQrddOk;
}

QRDDSTATUS FakeDriver::ReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream) {
    std::lock_guard lock(mutex_);
    if (Bad(board, stream, 8)) return kQrddBadArgument;
    const std::string& stored = outputNames_[board][stream];
    const std::size_t n = std::min<std::size_t>(stored.size(), kQrddNameMax - 1);
    std::copy_n(stored.data(), n, name);
    name[n] = 0;
    return kQrddOk;
}

std::string FakeDriver::EventName() const {
    std::lock_guard lock(mutex_);
    return eventName_;
}

void FakeDriver::SetSemaphore(std::uint32_t board, std::uint32_t direction, std::uint32_t stream, std::uint32_t code) {
    std::lock_guard lock(mutex_);
    semaphore_[board][direction][stream] = code;
}

void FakeDriver::SetSizeArray(std::uint32_t board, std::uint32_t index, std::uint32_t size) {
    std::lock_guard lock(mutex_);
    sizeArray_[board][index] = size;
}

std::uint32_t FakeDriver::FirstLast(std::uint32_t board, std::uint32_t stream, std::uint32_t which) const {
    std::lock_guard lock(mutex_);
    return firstLast_[board][stream][which];
}

std::uint32_t FakeDriver::Semaphore(std::uint32_t board, std::uint32_t direction, std::uint32_t stream) const {
    std::lock_guard lock(mutex_);
    return semaphore_[board][direction][stream];
}

std::uint32_t FakeDriver::InputFlags(std::uint32_t board, std::uint32_t slot) const {
    std::lock_guard lock(mutex_);
    return inputFlags_[board][slot];
}

std::uint32_t FakeDriver::OutputFlags(std::uint32_t board, std::uint32_t stream) const {
    std::lock_guard lock(mutex_);
    return outputFlags_[board][stream];
}

std::string FakeDriver::InputName(std::uint32_t board, std::uint32_t slot) const {
    std::lock_guard lock(mutex_);
    return inputNames_[board][slot];
}

std::string FakeDriver::OutputName(std::uint32_t board, std::uint32_t stream) const {
    std::lock_guard lock(mutex_);
    return outputNames_[board][stream];
}

std::vector<RecordedCall> FakeDriver::Requests() const {
    std::vector<RecordedCall> requests;
    for (const auto& call : Calls())
        if (call.kind == Kind::Request) requests.push_back(call);
    return requests;
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
