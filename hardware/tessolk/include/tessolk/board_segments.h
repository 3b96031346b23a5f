// The shared objects through which the driver and the software board meet, one set per board:
//   "tessolk.b<N>"         control block: liveness, the write journal, the DriverRegisterFile;
//   "tessolk.b<N>.window"  the BoardWindow (common buffer);
//   "tessolk.b<N>.memory"  the board's address space (registers and on-board memory);
//   "tessolk.b<N>.owner"   the name lock its software board holds while it serves.
// The software board creates and removes them; the driver only opens them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/shared_lock.h"
#include "tessolk/i2c_bus_devices.h"
#include "tessolk/tessolk.h"

namespace tessolk {

inline constexpr std::uint32_t kControlMagic = 0x54534C4B;  // "TSLK"
inline constexpr std::uint32_t kControlVersion = 4;

// Fake physical address of each board's window, as the board's DMA sees it.
inline constexpr std::uint32_t PhysicalWindowBase(std::uint32_t board) { return 0x20000000u + board * 0x04000000u; }

std::string ControlName(std::uint32_t board);
std::string WindowName(std::uint32_t board);
std::string MemoryName(std::uint32_t board);
std::string OwnerName(std::uint32_t board);

// The locks below are held only around short copies; a caller that cannot take one within this
// bound finds the board not answering.
inline constexpr int kSlotLockTimeoutMs = 1000;

struct InputSlot {
    platform::SharedLock lock;
    char name[kQrddNameMax];
    std::uint32_t offset[4];  // end high, end low, start high, start low
    std::atomic<std::uint32_t> flags;
};

struct OutputSlot {
    platform::SharedLock lock;
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
    platform::SharedLock eventLock;
    std::atomic<std::uint32_t> eventGeneration;  // bumped whenever the event name changes
    char eventName[64];
};

// What the driver tells the board: every word and block written into its address space, in order.
// Each entry is a sequence lock: the writer opens it (once the entry's previous round is
// complete), stores the fields, then marks it complete; a reader keeps the fields only when the
// sequence reads index + 1 before and after them. The fields are atomics so that a read overlapping a write is defined behaviour.
struct JournalEntry {
    std::atomic<std::uint64_t> sequence;   // index + 1 once the entry is complete (top bit: open)
    std::atomic<std::uint32_t> kind;       // JournalKind
    std::atomic<std::uint32_t> address;
    std::atomic<std::uint32_t> value;      // the word, or the byte count of a block
    std::atomic<std::uint32_t> firstWord;  // a block's first word as written (0 for shorter blocks)
};

struct JournalRecord {
    std::uint32_t kind = 0;
    std::uint32_t address = 0;
    std::uint32_t value = 0;
    std::uint32_t firstWord = 0;
};

// The writer's and the reader's halves of the sequence lock, for the entry of journal index `index`.
void WriteJournalEntry(JournalEntry& entry, std::uint64_t index, const JournalRecord& record);
enum class JournalRead { Taken, Incomplete, Overwritten };
JournalRead ReadJournalEntry(const JournalEntry& entry, std::uint64_t index, JournalRecord& record);

enum JournalKind : std::uint32_t { kJournalWord = 1, kJournalBlock = 2 };

inline constexpr std::uint32_t kJournalEntries = 4096;

// The first four words keep their place in every build: a driver reads them alone, and attaches
// only to a board whose layout version is its own.
struct BoardControl {
    std::atomic<std::uint32_t> magic;
    std::uint32_t version;
    std::atomic<std::uint32_t> alive;  // 1 while a software board serves the board
    std::atomic<std::int32_t> pid;     // the serving process
    std::uint32_t physicalBase;
    std::atomic<std::uint64_t> journalHead;
    JournalEntry journal[kJournalEntries];
    DriverRegisterFile registers;
    platform::SharedLock i2cLock;
    I2cBusState i2c;  // the devices on the board's I2C lines
};

inline constexpr std::size_t kControlHeaderBytes = 16;  // magic, version, alive, pid
static_assert(offsetof(BoardControl, version) == 4 && offsetof(BoardControl, pid) == 12 &&
              offsetof(BoardControl, physicalBase) == kControlHeaderBytes);

}  // namespace tessolk
