#include "softboard/soft_board.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <thread>

#include "platform/kernel.h"
#include "platform/shared_lock.h"
#include "platform/shared_memory.h"
#include "tessolk/board_segments.h"
#include "softboard/board_encoder.h"
#include "softboard/streaming.h"
#include "i2c_log.h"
#include "write_names.h"

namespace softboard {
namespace {

using platform::SharedMemory;
using namespace board_map;

constexpr std::size_t kKeptPackets = 64;
// Held-up fields are caught up to this lag; a longer stall is given up.
constexpr std::int64_t kLongestCatchUpUs = 10'000'000;
// How much later than its period a field's interrupt may come before Serve raises it without the
// field's work (well inside the second after which the host gives the board up).
constexpr std::int64_t kLateWorkUs = 250'000;

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// " by process <pid>" when the board's control block names its server. Only the header, which
// every build lays out alike, is read: the server may be of another build.
std::string ServingProcess(std::uint32_t board) {
    auto header =
        SharedMemory::Open(tessolk::ControlName(board), tessolk::kControlHeaderBytes, SharedMemory::Mode::OpenExisting);
    if (!header) return "";
    const auto& control = *static_cast<const tessolk::BoardControl*>(header->Data());
    const std::int32_t pid = control.pid.load();
    if (pid <= 0) return "";
    std::string text = " by process " + std::to_string(pid);
    if (control.version != tessolk::kControlVersion)
        text += " (control block layout version " + std::to_string(control.version) + ", this build's is " +
                std::to_string(tessolk::kControlVersion) + ")";
    return text;
}

}  // namespace

std::string DescribeIdentity(const BoardIdentity& identity) {
    if (identity.role == BoardRole::None) return "no microcode";
    if (identity.role == BoardRole::Decoder) return "decoder";
    std::string text = "encoder";
    switch (identity.format) {
        case StreamFormat::Mpeg2_422: text += " MPEG-2 4:2:2"; break;
        case StreamFormat::Mpeg2_420: text += " MPEG-2 4:2:0"; break;
        case StreamFormat::Mpeg1: text += " MPEG-1"; break;
        case StreamFormat::None: break;
    }
    text += identity.standard == TvStandard::Pal ? ", PAL" : ", NTSC";
    return text;
}

std::unique_ptr<SoftBoard> SoftBoard::Create(const SoftBoardOptions& options, std::string* error) {
    auto fail = [&](const std::string& reason) -> std::unique_ptr<SoftBoard> {
        if (error) *error = reason;
        return nullptr;
    };
    if (options.board > 1) return fail("board must be 1 or 2");
    if (options.interruptPeriodMs < 1) return fail("interrupt period must be at least 1 ms");

    const std::uint32_t board = options.board;
    // Taking the name lock is the one step two boards started together cannot both pass; only
    // its holder touches the shared objects.
    auto owner = platform::NamedLock::TryTake(tessolk::OwnerName(board));
    if (!owner) return fail("board " + std::to_string(board + 1) + " is already served" + ServingProcess(board));
    auto control = SharedMemory::Open(tessolk::ControlName(board), sizeof(tessolk::BoardControl));
    if (!control) return fail("cannot create the board's shared memory");
    auto* block = static_cast<tessolk::BoardControl*>(control->Data());

    // A fresh start: whatever a board that died left behind is cleared.
    block->alive.store(0);
    std::memset(static_cast<void*>(block), 0, sizeof(tessolk::BoardControl));
    SharedMemory::Remove(tessolk::WindowName(board));
    SharedMemory::Remove(tessolk::MemoryName(board));

    std::unique_ptr<SoftBoard> soft(new SoftBoard(options));
    soft->owner_ = std::move(owner);
    soft->controlMemory_ = std::move(control);
    soft->control_ = block;
    soft->window_ = SharedMemory::Open(tessolk::WindowName(board), kWindowSize);
    soft->memory_ = SharedMemory::Open(tessolk::MemoryName(board), kBoardAddressSpace);
    if (!soft->window_ || !soft->memory_) return fail("cannot create the board's window or memory");

    block->version = tessolk::kControlVersion;
    block->physicalBase = tessolk::PhysicalWindowBase(board);
    block->pid.store(static_cast<std::int32_t>(getpid()));
    block->magic.store(tessolk::kControlMagic);
    soft->ResetBoard();
    if (options.verbosity >= 1) {
        soft->i2cShadow_ = std::make_unique<tessolk::I2cBusState>(block->i2c);
        soft->i2cLog_ = std::make_unique<I2cTransactionLog>([s = soft.get()](const std::string& line) { s->Say(1, line); });
    }
    block->alive.store(1);
    soft->Say(1, "board " + std::to_string(board + 1) + " ready, type " + Hex(options.boardType));
    return soft;
}

SoftBoard::SoftBoard(const SoftBoardOptions& options)
    : options_(options), streaming_(std::make_unique<BoardStreaming>(*this)),
      encoder_(std::make_unique<BoardEncoder>(*this)) {}

BoardStreaming& SoftBoard::Streaming() { return *streaming_; }
BoardEncoder& SoftBoard::Encoder() { return *encoder_; }
bool SoftBoard::EncoderClaimsInput(std::uint32_t stream) { return encoder_->ClaimsInput(stream); }
void SoftBoard::OnEncoderField() { encoder_->OnField(); }
std::uint32_t SoftBoard::PhysicalBase() const { return control_->physicalBase; }

SoftBoard::~SoftBoard() {
    if (!control_) return;
    control_->alive.store(0);
    SharedMemory::Remove(tessolk::ControlName(options_.board));
    SharedMemory::Remove(tessolk::WindowName(options_.board));
    SharedMemory::Remove(tessolk::MemoryName(options_.board));
}

std::uint8_t* SoftBoard::Window() const { return static_cast<std::uint8_t*>(window_->Data()); }
std::uint8_t* SoftBoard::Memory() const { return static_cast<std::uint8_t*>(memory_->Data()); }

std::uint32_t SoftBoard::WindowWord(std::uint32_t offset) const {
    return board_map::WindowWord(Window(), offset).load();
}

void SoftBoard::SetWindowWord(std::uint32_t offset, std::uint32_t value) {
    board_map::WindowWord(Window(), offset).store(value);
}

// Board memory is a mapped area the host writes under us, like the window: the same whole-word access.
std::uint32_t SoftBoard::MemoryWord(std::uint32_t address) const {
    return board_map::WindowWord(Memory(), address).load();
}

void SoftBoard::SetMemoryWord(std::uint32_t address, std::uint32_t value) {
    board_map::WindowWord(Memory(), address).store(value);
}

void SoftBoard::Say(int level, const std::string& line) const {
    if (options_.verbosity < level) return;
    if (options_.log)
        options_.log(line);
    else
        std::cout << "softboard " << options_.board + 1 << ": " << line << std::endl;
}

void SoftBoard::Step(std::int64_t nowUs) {
    lastStepUs_ = nowUs;
    TakeJournal();
    TakeMailbox();
    if (interruptsRunning_ && nowUs >= nextInterruptUs_) {
        RaiseInterrupt(nowUs);
        nextInterruptUs_ += static_cast<std::int64_t>(options_.interruptPeriodMs) * 1000;
        // Fields a stall held up follow one a step, so that the pictures catch up with the clock;
        // a lag longer than that is given up, and the board carries on from now.
        if (nowUs - nextInterruptUs_ > kLongestCatchUpUs) nextInterruptUs_ = nowUs + options_.interruptPeriodMs * 1000LL;
    }
}

void SoftBoard::Serve(const std::atomic<bool>& stop) {
    // The host takes a second without an interrupt for a lost reference: a field whose work runs
    // later than this gets its interrupt from here.
    const std::int64_t lateUs = options_.interruptPeriodMs * 1000LL + kLateWorkUs;
    std::thread pulse([&] {
        while (!stop.load()) {
            platform::SleepMs(std::max(1, options_.interruptPeriodMs));
            if (interruptsRunning_.load() && platform::PerformanceCounter() - lastInterruptUs_.load() > lateUs)
                SignalInterrupt();
        }
    });
    while (!stop.load()) {
        Step(platform::PerformanceCounter());
        platform::SleepUs(500);
    }
    pulse.join();
}

void SoftBoard::TakeJournal() {
    for (;;) {
        const std::uint64_t head = control_->journalHead.load();
        if (head - journalTail_ > tessolk::kJournalEntries) {
            Say(1, "missed " + std::to_string(head - journalTail_ - tessolk::kJournalEntries) + " writes");
            journalTail_ = head - tessolk::kJournalEntries;
            ResyncI2c();
            // The control register's latest word still counts.
            OnControl(MemoryWord(kControlRegister));
        }
        while (journalTail_ < head) {
            tessolk::JournalRecord record;
            const auto read = tessolk::ReadJournalEntry(control_->journal[journalTail_ % tessolk::kJournalEntries],
                                                        journalTail_, record);
            if (read == tessolk::JournalRead::Incomplete) return;  // still being written: take it next step
            // The writers lapped the board while it read: the head now lies more than a ring ahead,
            // and the board carries on from there as from any other fall behind.
            if (read == tessolk::JournalRead::Overwritten) break;
            ++journalTail_;
            if (record.kind == tessolk::kJournalWord)
                OnWordWritten(record.address, record.value);
            else if (record.kind == tessolk::kJournalBlock)
                OnBlockWritten(record.address, record.value, record.firstWord);
        }
        if (journalTail_ >= head) return;
    }
}

void SoftBoard::OnWordWritten(std::uint32_t address, std::uint32_t value) {
    // The I2C lines toggle hundreds of times a transaction: one line for each at -v -v only.
    Say(address == kI2cLines ? 2 : 1, "write " + DescribeRegister(address) + " <- " + Hex(value));
    if (address == kI2cLines) FollowI2c(value);
    if (address == kControlRegister) OnControl(value);
    if (address < kMicrocodeDescriptorAddress + kMicrocodeDescriptorBytes &&
        address + 4 > kMicrocodeDescriptorAddress)
        ReadMicrocodeDescriptor();
}

void SoftBoard::OnBlockWritten(std::uint32_t address, std::uint32_t bytes, std::uint32_t firstWord) {
    // A one-word block is a register write as far as the board is concerned (the microcode
    // loader writes its register lists that way).
    if (bytes == 4 && address % 4 == 0) {
        OnWordWritten(address, firstWord);
        return;
    }
    Say(1, "block " + DescribeRegister(address) + ", " + std::to_string(bytes) + " bytes");
    if (address == kControlRegister) OnControl(firstWord);
    if (address < kMicrocodeDescriptorAddress + kMicrocodeDescriptorBytes &&
        static_cast<std::uint64_t>(address) + bytes > kMicrocodeDescriptorAddress)
        ReadMicrocodeDescriptor();
}

void SoftBoard::FollowI2c(std::uint32_t value) {
    if (i2cShadow_) tessolk::I2cBusWrite(*i2cShadow_, value, i2cLog_.get());
}

void SoftBoard::ResyncI2c() {
    if (!i2cShadow_) return;
    i2cLog_->Forget();
    platform::SharedLockGuard guard(control_->i2cLock, tessolk::kSlotLockTimeoutMs);
    if (guard) *i2cShadow_ = control_->i2c;
}

void SoftBoard::OnControl(std::uint32_t value) {
    if (value == kControlStart) {
        if (!interruptsRunning_) {
            lastInterruptUs_ = lastStepUs_;
            interruptsRunning_ = true;
            nextInterruptUs_ = lastStepUs_ + options_.interruptPeriodMs * 1000LL;
            Say(1, "started: interrupts every " + std::to_string(options_.interruptPeriodMs) + " ms");
        }
    } else if (value == kControlReset) {
        ResetBoard();
        Say(1, "reset: interrupts stopped");
    }
}

void SoftBoard::ResetBoard() {
    interruptsRunning_ = false;
    identity_ = {};
    fieldsSinceStart_ = 0;
    waiting_.clear();
    for (auto& queue : inputPairs_) queue.clear();
    for (auto& queue : outputPairs_) queue.clear();
    ++resetCount_;
    SetMemoryWord(kBoardIdentityRegister, 0);
    SetWindowWord(kBoardTypeWord, options_.boardType);
    SetWindowWord(kPacketReadyFlag, 0);
    if (window_) streaming_->OnReset();
    encoder_->OnReset();
}

void SoftBoard::ReadMicrocodeDescriptor() {
    std::uint32_t words[4];
    std::memcpy(words, Memory() + kMicrocodeDescriptorAddress, sizeof words);
    BoardIdentity identity;
    if (words[0] == kMicrocodeDescriptorMagic && words[1] <= 2 && words[2] <= 3 && words[3] <= 1) {
        identity.role = static_cast<BoardRole>(words[1]);
        identity.format = static_cast<StreamFormat>(words[2]);
        identity.standard = static_cast<TvStandard>(words[3]);
    }
    if (identity == identity_) return;
    identity_ = identity;
    SetMemoryWord(kBoardIdentityRegister, PackIdentity(identity.role, identity.format, identity.standard));
    Say(1, "microcode: " + DescribeIdentity(identity));
}

void SoftBoard::TakeMailbox() {
    if (WindowWord(kPacketReadyFlag) != 1) return;
    std::uint32_t size = control_->registers.sizeArray[0].load();
    // The packet lies below the ready flag; anything else is not a packet size this board knows.
    if (size < 8 || size > kPacketReadyFlag || size % 4) size = kDefaultPacketSize;
    TakenPacket packet;
    std::uint16_t priority, scheduled;
    std::memcpy(&priority, Window() + kCommandPacket + size - 8, 2);
    std::memcpy(&scheduled, Window() + kCommandPacket + size - 2, 2);
    packet.priorityCount = priority;
    packet.scheduledCount = scheduled;
    const std::uint32_t capacity = (size - 8) / 4;
    const std::uint32_t count = std::min<std::uint32_t>(capacity, priority + scheduled);
    packet.words.resize(count);
    if (count > 0) std::memcpy(packet.words.data(), Window() + kCommandPacket, count * 4);
    Say(1, "packet: " + std::to_string(priority) + " priority and " + std::to_string(scheduled) +
               " scheduled words");
    if (packets_.size() == kKeptPackets) packets_.erase(packets_.begin());
    packets_.push_back(std::move(packet));
    SetWindowWord(kPacketReadyFlag, 0);
    DecodePacket(packets_.back());
}

// Reopens the interrupt event when the driver has named another one. A writer stuck holding the
// name leaves the event as it was until a later interrupt.
void SoftBoard::FollowEventName() {
    auto& registers = control_->registers;
    const std::uint32_t generation = registers.eventGeneration.load();
    if (generation == eventGeneration_) return;
    char name[sizeof registers.eventName] = {};
    {
        platform::SharedLockGuard guard(registers.eventLock, tessolk::kSlotLockTimeoutMs);
        if (!guard) return;
        std::memcpy(name, registers.eventName, sizeof name - 1);
    }
    std::shared_ptr<platform::NamedEvent> event = name[0] ? platform::NamedEvent::Open(name) : nullptr;
    {
        std::lock_guard lock(eventMutex_);
        interruptEvent_ = std::move(event);
    }
    eventGeneration_ = generation;
    Say(1, std::string("interrupt event: ") + (name[0] ? name : "none"));
}

void SoftBoard::SignalInterrupt() {
    std::shared_ptr<platform::NamedEvent> event;
    {
        std::lock_guard lock(eventMutex_);
        event = interruptEvent_;
    }
    if (event) event->Set();
}

void SoftBoard::RaiseInterrupt(std::int64_t nowUs) {
    lastInterruptUs_ = nowUs;
    FollowEventName();
    ++interruptCount_;
    ++fieldsSinceStart_;
    RunDueCommands();
    streaming_->OnInterrupt();
    SignalInterrupt();
    Say(2, "interrupt " + std::to_string(interruptCount_));
}

}  // namespace softboard
