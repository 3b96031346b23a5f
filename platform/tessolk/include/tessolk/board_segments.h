// The shared objects through which the driver and the software board meet, one set per board:
//   "tessolk.b<N>"         control block: liveness, the write journal, the DriverRegisterFile;
//   "tessolk.b<N>.window"  the BoardWindow (common buffer);
//   "tessolk.b<N>.memory"  the board's address space (registers and on-board memory).
// The software board creates and removes them; the driver only opens them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "tessolk/i2c_bus.h"
#include "tessolk/tessolk.h"

namespace tessolk {

inline constexpr std::uint32_t kControlMagic = 0x54534C4B;  // "TSLK"
inline constexpr std::uint32_t kControlVersion = 4;

// Fake physical address of each board's window, as the board's DMA sees it.
inline constexpr std::uint32_t PhysicalWindowBase(std::uint32_t board) { return 0x20000000u + board * 0x04000000u; }

std::string ControlName(std::uint32_t board);
std::string WindowName(std::uint32_t board);
std::string MemoryName(std::uint32_t board);

// A lock that lives in shared memory. Held only around short copies.
struct SharedSpinLock {
    std::atomic<std::uint32_t> word;
    void Lock();
    void Unlock() { word.store(0, std::memory_order_release); }
};

struct InputSlot {
    SharedSpinLock lock;
    char name[kQrddNameMax];
    std::uint32_t offset[4];  // end high, end low, start high, start low
    std::atomic<std::uint32_t> flags;
};

struct OutputSlot {
    SharedSpinLock lock;
    char name[kQrddNameMax];
    std::atomic<std::uint32_t> flags;
};

// The per-board state the driver keeps for all its callers.
struct DriverRegisterFile {
    std::atomic<std::uint32_t> sizeArray[kQrddSizeEntries];
    std::atomic<std::uint64_t> deviceContext[3];
    std::atomic<std::uint32_t> semaphore[2][kQrddStreams];  // direction, stream
    std::atomic<std::uint32_t> sharedMem[kQrddSharedWords];
    std::atomic<std::uint32_t> loopFlag[kQrddStreams];
    std::atomic<std::int32_t> loopTime[kQrddStreams];
    std::atomic<std::uint32_t> firstLast[kQrddStreams][2];
    InputSlot input[kQrddInputSlots];
    OutputSlot output[kQrddOutputSlots];
    SharedSpinLock eventLock;
    std::atomic<std::uint32_t> eventGeneration;  // bumped whenever the event name changes
    char eventName[64];
};

// What the driver tells the board: every word and block written into its address space, in order.
struct JournalEntry {
    std::atomic<std::uint64_t> sequence;  // index + 1 once the entry is complete
    std::uint32_t kind;                   // JournalKind
    std::uint32_t address;
    std::uint32_t value;                  // the word, or the byte count of a block
    std::uint32_t firstWord;              // a block's first word as written (0 for shorter blocks)
};

enum JournalKind : std::uint32_t { kJournalWord = 1, kJournalBlock = 2 };

inline constexpr std::uint32_t kJournalEntries = 4096;

struct BoardControl {
    std::atomic<std::uint32_t> magic;
    std::uint32_t version;
    std::atomic<std::uint32_t> alive;  // 1 while a software board serves the board
    std::atomic<std::int32_t> pid;     // the serving process
    std::uint32_t physicalBase;
    std::atomic<std::uint64_t> journalHead;
    JournalEntry journal[kJournalEntries];
    DriverRegisterFile registers;
    SharedSpinLock i2cLock;
    I2cBusState i2c;  // the devices on the board's I2C lines
};

// True when `pid` names a running process.
bool ProcessAlive(std::int32_t pid);

}  // namespace tessolk
