// The driver operations over the shared board objects.
#include "tessolk/tessolk.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "board_attachment.h"
#include "tessolk/board_map.h"

namespace {

using tessolk::Attach;
using tessolk::AttachedBoard;
using tessolk::Registers;

int g_handleTarget;

bool ValidBoard(std::uint32_t board) { return board < 2; }

// A lock of the shared register file that is not free within its bound means the board's other
// users are stuck: the call fails as if the board did not answer.
struct SlotGuard : platform::SharedLockGuard {
    explicit SlotGuard(platform::SharedLock& lock) : platform::SharedLockGuard(lock, tessolk::kSlotLockTimeoutMs) {}
};

bool InsideBoard(std::uint32_t address, std::uint64_t bytes) {
    return static_cast<std::uint64_t>(address) + bytes <= board_map::kBoardAddressSpace;
}

// Copies a name into a slot: at most kQrddNameMax - 1 characters, always terminated.
void StoreName(char* slot, const char* name) {
    std::size_t length = name ? strnlen(name, kQrddNameMax - 1) : 0;
    std::memcpy(slot, name ? name : "", length);
    slot[length] = '\0';
}

void LoadName(char* destination, const char* slot) {
    std::size_t length = strnlen(slot, kQrddNameMax - 1);
    std::memcpy(destination, slot, length);
    destination[length] = '\0';
}

}  // namespace

void* hQR = &g_handleTarget;

QRDDSTATUS qrddMapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host) {
    if (!ValidBoard(board)) return kQrddBadArgument;
    AttachedBoard attached = Attach(board);
    if (!attached.control || !platform::ProcessAlive(attached.control->pid.load())) return kQrddNoBoard;
    physical = attached.control->physicalBase;
    host = reinterpret_cast<std::uintptr_t>(attached.window);
    return kQrddOk;
}

QRDDSTATUS qrddReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value) {
    if (!ValidBoard(board) || !InsideBoard(address, 4)) return kQrddBadArgument;
    AttachedBoard attached = Attach(board);
    if (!attached.control) return kQrddNoBoard;
    std::uint8_t* word = attached.memory + address;
    if (address % 4 == 0)
        value = std::atomic_ref(*reinterpret_cast<std::uint32_t*>(word)).load();
    else
        std::memcpy(&value, word, 4);
    return kQrddOk;
}

QRDDSTATUS qrddWriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value) {
    if (!ValidBoard(board) || !InsideBoard(address, 4)) return kQrddBadArgument;
    AttachedBoard attached = Attach(board);
    if (!attached.control) return kQrddNoBoard;
    std::uint8_t* word = attached.memory + address;
    std::uint32_t stored = value;
    if (address == board_map::kI2cLines) {
        // The bus devices answer within the write, so the next read sees their data line.
        SlotGuard guard(attached.control->i2cLock);
        if (!guard) return kQrddNoBoard;
        stored = tessolk::I2cBusWrite(attached.control->i2c, value);
    }
    if (address % 4 == 0)
        std::atomic_ref(*reinterpret_cast<std::uint32_t*>(word)).store(stored);
    else
        std::memcpy(word, &stored, 4);
    tessolk::AppendJournal(*attached.control, tessolk::kJournalWord, address, value);
    return kQrddOk;
}

QRDDSTATUS qrddReadBlk_ioctl(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes) {
    if (!ValidBoard(board) || !InsideBoard(address, bytes) || (!buffer && bytes)) return kQrddBadArgument;
    AttachedBoard attached = Attach(board);
    if (!attached.control) return kQrddNoBoard;
    std::atomic_thread_fence(std::memory_order_acquire);
    std::memcpy(buffer, attached.memory + address, bytes);
    return kQrddOk;
}

QRDDSTATUS qrddWriteBlk_ioctl(std::uint32_t board, std::uint32_t address, const char* buffer,
                              std::uint32_t bytes) {
    if (!ValidBoard(board) || !InsideBoard(address, bytes) || (!buffer && bytes)) return kQrddBadArgument;
    AttachedBoard attached = Attach(board);
    if (!attached.control) return kQrddNoBoard;
    std::memcpy(attached.memory + address, buffer, bytes);
    std::atomic_thread_fence(std::memory_order_release);
    std::uint32_t firstWord = 0;
    if (bytes >= 4) std::memcpy(&firstWord, buffer, 4);
    tessolk::AppendJournal(*attached.control, tessolk::kJournalBlock, address, bytes, firstWord);
    return kQrddOk;
}

QRDDSTATUS qrddSetDeviceContext(std::uint32_t board, const std::uint64_t* words) {
    if (!ValidBoard(board) || !words) return kQrddBadArgument;
    auto& registers = Registers(board);
    for (int i = 0; i < 3; ++i) registers.deviceContext[i].store(words[i]);
    return kQrddOk;
}

QRDDSTATUS qrddGetDeviceContext(std::uint32_t board, std::uint64_t* words) {
    if (!ValidBoard(board) || !words) return kQrddBadArgument;
    auto& registers = Registers(board);
    for (int i = 0; i < 3; ++i) words[i] = registers.deviceContext[i].load();
    return kQrddOk;
}

QRDDSTATUS qrddSendEventHandle(std::uint32_t board, const char* eventName) {
    if (!ValidBoard(board)) return kQrddBadArgument;
    auto& registers = Registers(board);
    SlotGuard guard(registers.eventLock);
    if (!guard) return kQrddNoBoard;
    std::size_t length = eventName ? strnlen(eventName, sizeof registers.eventName - 1) : 0;
    std::memcpy(registers.eventName, eventName ? eventName : "", length);
    registers.eventName[length] = '\0';
    registers.eventGeneration.fetch_add(1);
    return kQrddOk;
}

QRDDSTATUS qrddWriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index) {
    if (!ValidBoard(board) || index >= kQrddSizeEntries) return kQrddBadArgument;
    Registers(board).sizeArray[index].store(size);
    return kQrddOk;
}

QRDDSTATUS qrddReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index) {
    if (!ValidBoard(board) || index >= kQrddSizeEntries) return kQrddBadArgument;
    size = Registers(board).sizeArray[index].load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                              std::uint32_t stream) {
    if (!ValidBoard(board) || direction > 1 || stream >= kQrddStreams) return kQrddBadArgument;
    Registers(board).semaphore[direction][stream].store(code);
    return kQrddOk;
}

QRDDSTATUS qrddReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                             std::uint32_t stream) {
    if (!ValidBoard(board) || direction > 1 || stream >= kQrddStreams) return kQrddBadArgument;
    code = Registers(board).semaphore[direction][stream].load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index) {
    if (!ValidBoard(board) || index >= kQrddSharedWords) return kQrddBadArgument;
    Registers(board).sharedMem[index].store(value);
    return kQrddOk;
}

QRDDSTATUS qrddReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index) {
    if (!ValidBoard(board) || index >= kQrddSharedWords) return kQrddBadArgument;
    value = Registers(board).sharedMem[index].load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddStreams) return kQrddBadArgument;
    Registers(board).loopFlag[stream].store(on);
    return kQrddOk;
}

QRDDSTATUS qrddReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddStreams) return kQrddBadArgument;
    on = Registers(board).loopFlag[stream].load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddStreams) return kQrddBadArgument;
    Registers(board).loopTime[stream].store(passes);
    return kQrddOk;
}

QRDDSTATUS qrddReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddStreams) return kQrddBadArgument;
    passes = Registers(board).loopTime[stream].load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                              std::uint32_t which) {
    if (!ValidBoard(board) || stream >= kQrddStreams || which > 1) return kQrddBadArgument;
    Registers(board).firstLast[stream][which].store(value);
    return kQrddOk;
}

QRDDSTATUS qrddReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                             std::uint32_t which) {
    if (!ValidBoard(board) || stream >= kQrddStreams || which > 1) return kQrddBadArgument;
    value = Registers(board).firstLast[stream][which].load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot) {
    if (!ValidBoard(board) || slot >= kQrddInputSlots) return kQrddBadArgument;
    auto& entry = Registers(board).input[slot];
    SlotGuard guard(entry.lock);
    if (!guard) return kQrddNoBoard;
    StoreName(entry.name, name);
    return kQrddOk;
}

QRDDSTATUS qrddReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot) {
    if (!ValidBoard(board) || slot >= kQrddInputSlots || !name) return kQrddBadArgument;
    auto& entry = Registers(board).input[slot];
    SlotGuard guard(entry.lock);
    if (!guard) return kQrddNoBoard;
    LoadName(name, entry.name);
    return kQrddOk;
}

QRDDSTATUS qrddWriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                        std::uint32_t startHigh, std::uint32_t startLow, std::uint32_t slot) {
    if (!ValidBoard(board) || slot >= kQrddInputSlots) return kQrddBadArgument;
    auto& entry = Registers(board).input[slot];
    SlotGuard guard(entry.lock);
    if (!guard) return kQrddNoBoard;
    entry.offset[0] = endHigh;
    entry.offset[1] = endLow;
    entry.offset[2] = startHigh;
    entry.offset[3] = startLow;
    return kQrddOk;
}

QRDDSTATUS qrddReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                       std::uint32_t& startHigh, std::uint32_t& startLow, std::uint32_t slot) {
    if (!ValidBoard(board) || slot >= kQrddInputSlots) return kQrddBadArgument;
    auto& entry = Registers(board).input[slot];
    SlotGuard guard(entry.lock);
    if (!guard) return kQrddNoBoard;
    endHigh = entry.offset[0];
    endLow = entry.offset[1];
    startHigh = entry.offset[2];
    startLow = entry.offset[3];
    return kQrddOk;
}

QRDDSTATUS qrddWriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot) {
    if (!ValidBoard(board) || slot >= kQrddInputSlots) return kQrddBadArgument;
    Registers(board).input[slot].flags.store(flags);
    return kQrddOk;
}

QRDDSTATUS qrddReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot) {
    if (!ValidBoard(board) || slot >= kQrddInputSlots) return kQrddBadArgument;
    flags = Registers(board).input[slot].flags.load();
    return kQrddOk;
}

QRDDSTATUS qrddWriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddOutputSlots) return kQrddBadArgument;
    auto& entry = Registers(board).output[stream];
    SlotGuard guard(entry.lock);
    if (!guard) return kQrddNoBoard;
    StoreName(entry.name, name);
    return kQrddOk;
}

QRDDSTATUS qrddReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddOutputSlots || !name) return kQrddBadArgument;
    auto& entry = Registers(board).output[stream];
    SlotGuard guard(entry.lock);
    if (!guard) return kQrddNoBoard;
    LoadName(name, entry.name);
    return kQrddOk;
}

QRDDSTATUS qrddWriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddOutputSlots) return kQrddBadArgument;
    Registers(board).output[stream].flags.store(flags);
    return kQrddOk;
}

QRDDSTATUS qrddReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream) {
    if (!ValidBoard(board) || stream >= kQrddOutputSlots) return kQrddBadArgument;
    flags = Registers(board).output[stream].flags.load();
    return kQrddOk;
}
