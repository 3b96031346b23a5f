// The streaming service loop: one round per board interrupt. Each round opens and stops the
// streams `mwcmd` asked for, refills the input pairs the board consumed, drains the output pairs
// it filled, adds the words posted to the command channel and sends it all as one packet.
#include "ruvent/service_loop.h"
#include "ruvent/shared_words.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iterator>
#include <memory>
#include <utility>

#include "board_commands/command_words.h"
#include "platform/host_hooks.h"
#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/shared_memory.h"
#include "ruvent/background_writer.h"
#include "ruvent/command_channel.h"
#include "ruvent/board_driver.h"
#include "ruvent/command_packet.h"
#include "ruvent/stream_objects.h"
#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"

namespace ruvent {
namespace {

using namespace board_map;

using namespace shared_word;

constexpr std::uint32_t kOpenRequest = 11;
constexpr std::uint32_t kStopRequest = 12;
constexpr std::uint32_t kInputDirection = 0, kOutputDirection = 1;
constexpr std::uint32_t kServedInputs = 5;
constexpr std::uint32_t kOutputs = 8;
constexpr std::uint32_t kPairs = 8;
constexpr std::uint32_t kPlaybackPacket = 0x1000;
constexpr std::uint32_t kStartOffsetAlign = 0x20000;
constexpr std::uint32_t kLagBeforeOverrun = 4;
constexpr std::uint32_t kOutputNeverDropped = 5;
constexpr int kInterruptWaitMs = 1000;
constexpr int kOldLoopWaitMs = 3000;

// Output modes (OutputStreamMode words).
constexpr std::uint32_t kModeRunning = 0, kModeStopAsked = 1, kModePartialPending = 2, kModeEnded = 3;

std::atomic<std::uint64_t> g_rounds{0};

// Console lines are flushed as they are written: standard output is block-buffered in a file.
void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

struct BufferPair {
    std::uint32_t physical = 0;
    std::uint32_t length = 0;
    std::uint8_t* host = nullptr;
};

struct InputState {
    std::uint32_t state = 0;
    bool stop = false;
    std::unique_ptr<StreamObject> object;
    std::uint32_t nextPair = 0;
    std::uint32_t filled[kPairs] = {};
    std::uint32_t skip = 0;
    std::uint32_t preloadCount = 0;
    bool pendingStart = false;
    bool started = false;
    std::uint32_t neverHandedOver = 0;
    std::uint32_t lastProgress = 0;
    // Pairs of this opening the board holds, and pairs it gave back that had nothing to refill them
    // yet. The board may still count pairs queued before a reopen until the start reaches it: counts
    // beyond what it holds are of the data before and free no pair.
    std::uint32_t held = 0;
    std::uint32_t owed = 0;
};

// The address and length words of up to all eight pairs of one stream, as one packet command
// carries them. The loop keeps one and reuses it, so an interrupt does not allocate.
struct PairWords {
    std::uint32_t words[2 * kPairs] = {};
    std::uint32_t count = 0;
    void Add(std::uint32_t physical, std::uint32_t length) {
        if (count + 2 > std::size(words)) return;  // a stream has eight pairs: never more to add
        words[count++] = physical;
        words[count++] = length;
    }
};

struct OutputState {
    std::uint32_t state = 0;
    // Written on a thread of its own, so the pair goes back to the board while the disk writes.
    std::unique_ptr<BackgroundWriter> object;
    std::uint32_t nextPair = 0;
    std::uint32_t lastProgress = 0;
    std::uint32_t partialOffset[kPairs] = {};
};

class ServiceLoop {
public:
    explicit ServiceLoop(const ServiceLoopOptions& options)
        : options_(options), board_(options.board), driver_(ActiveDriver()) {}
    ~ServiceLoop() { Shutdown(); }
    ServiceLoopResult Run();

private:
    bool SetUp();
    bool Fail(ServiceLoopResult failure) {
        failure_ = std::move(failure);
        return false;
    }
    // A driver call that reports a failure is logged; the loop carries on with what it has, as the
    // board's own status words tell it whether the board still serves.
    bool Check(QRDDSTATUS status, const char* call);
    int Round();
    void ServeInput(std::uint32_t stream);
    void OpenInput(std::uint32_t stream);
    void RefillInput(std::uint32_t stream, std::uint32_t progress);
    // False, with nothing sent and the input as it was, when the pairs do not fit this packet.
    [[nodiscard]] bool SendInputPairs(std::uint32_t stream, std::uint32_t first, std::uint32_t count);
    // A stream's pair words behind their header, both or neither: a header without its words would
    // have the board take whatever follows for pairs. A round's own pairs always fit (five inputs
    // and eight outputs of eight pairs: 234 of the 254 words of the smaller packet); only a start's
    // pairs behind a client block can be left for the next round.
    [[nodiscard]] bool AddPairs(PacketHeader type, std::uint32_t stream, const PairWords& words);
    void ServeOutput(std::uint32_t stream);
    void OpenOutput(std::uint32_t stream);
    void DrainOutput(std::uint32_t stream, std::uint32_t progress, std::uint32_t fillPosition);
    void CloseOutput(std::uint32_t stream);
    void StartBoard();
    void CountOverrun();
    bool QuitRequested();
    std::uint32_t Shared(std::uint32_t index);
    std::uint32_t ProgressWord(std::uint32_t entry, std::uint32_t word) const;
    int EndOnBoardFailure();
    void Shutdown();

    ServiceLoopOptions options_;
    std::uint32_t board_;
    BoardDriver& driver_;
    ServiceLoopResult failure_;
    std::uint32_t packetBytes_ = 0;
    std::uint32_t physicalBase_ = 0;
    std::uint8_t* window_ = nullptr;
    bool boardStarted_ = false;
    bool commandsAdded_ = false;
    bool shutDown_ = false;
    bool outOfRange_ = false;
    std::unique_ptr<CommandChannel> channel_;
    std::unique_ptr<CommandPacket> packet_;
    std::unique_ptr<platform::NamedEvent> interrupt_;
    std::string eventName_;
    BufferPair pairs_[kNameSlots][kPairs];  // areas 0-7 inputs, 8-15 outputs
    InputState inputs_[kServedInputs];
    OutputState outputs_[kOutputs];
    std::uint64_t interrupts_ = 0;
    PairWords pairWords_;
};

bool ServiceLoop::Check(QRDDSTATUS status, const char* call) {
    if (status == kQrddOk) return true;
    platform::Log(platform::LogLevel::Warning, "service loop, board " + std::to_string(board_ + 1) + ": " + call +
                                                   " failed with status " + std::to_string(status));
    return false;
}

std::uint32_t ServiceLoop::Shared(std::uint32_t index) {
    std::uint32_t value = 0;
    Check(driver_.ReadSharedMem(board_, value, index), "ReadSharedMem");
    return value;
}

bool ServiceLoop::QuitRequested() { return Shared(kQuitRequest) == kQuitValue; }

std::uint32_t ServiceLoop::ProgressWord(std::uint32_t entry, std::uint32_t word) const {
    return WindowWord(window_, ProgressWordOffset(entry, word)).load();
}

void ServiceLoop::StartBoard() {
    Check(driver_.WriteInt32(board_, kControlRegister, kControlStart), "WriteInt32");
    boardStarted_ = true;
}

void ServiceLoop::CountOverrun() {
    WindowWord(window_, kDiskOverrunCounter).fetch_add(1);
}

bool ServiceLoop::SetUp() {
    for (std::uint32_t j = 0; j < kNameSlots; ++j) {
        if (!options_.inputNames[j].empty()) {
            Check(driver_.WriteSemaphore(board_, kOpenRequest, kInputDirection, j), "WriteSemaphore");
            Check(driver_.WriteInputFilename(board_, options_.inputNames[j].c_str(), j), "WriteInputFilename");
        }
        if (!options_.outputNames[j].empty() && j < kQrddOutputSlots) {
            Check(driver_.WriteSemaphore(board_, kNamedAtStart, kOutputDirection, j), "WriteSemaphore");
            Check(driver_.WriteOutputFilename(board_, options_.outputNames[j].c_str(), j), "WriteOutputFilename");
        }
    }

    // A loop that is still ending (a restart's "mquit") owns the channel until it has seen the
    // quit request; wait for it rather than clear the request under it.
    const std::int64_t giveUp = platform::PerformanceCounter() + kOldLoopWaitMs * 1000LL;
    while (!(channel_ = CommandChannel::CreateCommandObject(board_)) && platform::PerformanceCounter() < giveUp)
        platform::SleepMs(20);
    if (!channel_) {
        constexpr const char* kNoChannel = "CreateFileMapping fail in generating Command Daemon";
        return Fail({kLoopSetUpFailed, kNoChannel, kNoChannel, "Velmar Error"});
    }
    for (std::uint32_t i = 0; i < kSizeListEntries; ++i)
        Check(driver_.WriteSizeArray(board_, options_.sizes[i], i), "WriteSizeArray");

    std::uint64_t host = 0;
    std::uint64_t total = kFirstAreaOffset;
    for (std::uint32_t size : options_.sizes) total += size;
    if (!Check(driver_.MapMemory(board_, physicalBase_, host), "MapMemory") || total > kWindowSize)
        return Fail({kLoopSetUpFailed, " Allocate Common Buffer Fail ",
                     "Unable to Allocate Buffers. Try Restarting Windows. Program will Close.", "Allocation Error"});
    window_ = reinterpret_cast<std::uint8_t*>(host);
    packetBytes_ = options_.sizes[0];
    const std::uint64_t context[3] = {host, packetBytes_, host + kStreamProgressTable};
    Check(driver_.SetDeviceContext(board_, context), "SetDeviceContext");
    auto setWord = [&](std::uint32_t offset, std::uint32_t value) {
        WindowWord(window_, offset).store(value);
    };
    setWord(kFirstAreaOffsetWord, kFirstAreaOffset);
    std::uint32_t areaStart = kFirstAreaOffset;
    for (std::uint32_t i = 0; i < 4; ++i) {
        setWord(kAreaSizes + 4 * i, options_.sizes[i]);
        Check(driver_.WriteInt32(board_, kAreaAddressRegisters + 4 * i, physicalBase_ + areaStart), "WriteInt32");
        areaStart += options_.sizes[i];
    }
    for (std::uint32_t k = 0; k < kNameSlots; ++k) {
        const std::uint32_t pairLength = options_.sizes[4 + k] / kPairs;
        for (std::uint32_t j = 0; j < kPairs; ++j)
            pairs_[k][j] = {physicalBase_ + areaStart + j * pairLength, pairLength, window_ + areaStart + j * pairLength};
        areaStart += options_.sizes[4 + k];
    }

    if (options_.start) {
        StartBoard();
        driver_.Pause(100);
        PrintLine("******* QR started *******");
    }

    eventName_ = options_.board == 1 ? "QRInterrupt2" : "QRInterrupt0";
    interrupt_ = platform::NamedEvent::Open(eventName_);
    if (!interrupt_)
        return Fail({kLoopSetUpFailed, "createEvent Fail\nlast Error is " + std::to_string(errno),
                     "Can't Create Event Handle", "Velmar Error"});
    interrupt_->Reset();
    Check(driver_.SendEventHandle(board_, eventName_.c_str()), "SendEventHandle");

    packet_ = std::make_unique<CommandPacket>(packetBytes_ >= 8 ? packetBytes_ : kPlaybackPacket);
    Check(driver_.WriteSharedMem(board_, 0, kQuitRequest), "WriteSharedMem");
    Check(driver_.WriteSharedMem(board_, 0, kAbortRequest), "WriteSharedMem");
    // Every output's mode word, 16 to 23: a stale mode on outputs 6 and 7 would end their next
    // recording at once.
    for (std::uint32_t v = 0; v < kOutputs; ++v)
        Check(driver_.WriteSharedMem(board_, 0, kOutputStreamMode + v), "WriteSharedMem");
    Check(driver_.WriteSharedMem(board_, kNoStoppedOutput, kStoppedOutput), "WriteSharedMem");
    for (std::uint32_t s = 0; s < kServedInputs; ++s) inputs_[s].lastProgress = ProgressWord(s, 0);
    for (std::uint32_t v = 0; v < kOutputs; ++v) outputs_[v].lastProgress = ProgressWord(kFirstOutputEntry + v, 0);
    return true;
}

ServiceLoopResult ServiceLoop::Run() {
    if (!SetUp()) {
        Shutdown();
        return failure_;
    }
    for (;;) {
        const int result = Round();
        if (result != 0) return {result, {}, {}, {}};
        g_rounds.fetch_add(1);
        if (!interrupt_->Wait(kInterruptWaitMs)) {
            Shutdown();
            return {QuitRequested() ? kLoopQuit : kLoopBoardSilent, {}, {}, {}};
        }
        ++interrupts_;
        // The interrupt count, about 50 lines a minute: for the verbose log level only.
        if (interrupts_ % 60 == 1 && platform::LogEnabled(platform::LogLevel::Debug))
            PrintLine(std::to_string(interrupts_));
    }
}

int ServiceLoop::EndOnBoardFailure() {
    Shutdown();
    return QuitRequested() ? kLoopQuit : kLoopBoardSilent;
}

int ServiceLoop::Round() {
    if (Shared(kAbortRequest) == 1 || (!options_.releaseConsole && platform::ConsoleKeyPressed('q')))
        return EndOnBoardFailure();
    if (QuitRequested()) {
        Shutdown();
        return kLoopQuit;
    }
    packet_->Reset();
    commandsAdded_ = false;

    for (std::uint32_t s = 0; s < kServedInputs; ++s) {
        ServeInput(s);
        // The board consumed more pairs than it was given: its count cannot be trusted. End the
        // loop (as for a board failure) rather than the whole host process.
        if (outOfRange_) return EndOnBoardFailure();
    }
    for (std::uint32_t v = 0; v < kOutputs; ++v) ServeOutput(v);

    // Client words, then the pairs of streams started by them. A start's last flag goes up only
    // after its words are posted: a block still pending behind a raised flag (posted after this
    // round's take) holds that start back a round, so the board never gets a new clip's pairs
    // ahead of its start word. A start without words ("-L" alone) still starts.
    if (channel_->CommandBlockPending() != 0) {
        const CommandChannel::Block block = channel_->TakeCommandBlock();
        if (packet_->AppendClientCommands(channel_->CommandBlockWords(), block.priorityBytes, block.scheduledBytes)) {
            channel_->ClearCommandBlock();
            commandsAdded_ = true;
        }
        // A block too big for this packet stays posted; it is tried again next round.
    }
    for (std::uint32_t s = 0; s < kServedInputs; ++s) {
        InputState& input = inputs_[s];
        std::uint32_t last = 0;
        Check(driver_.ReadFirstLast(board_, last, s, 1), "ReadFirstLast");
        if (last != 1) continue;
        if (channel_->CommandBlockPending() != 0) continue;
        if (input.pendingStart && !input.started) {
            // No room behind this round's client words: the start waits a round, its flag still up.
            if (!SendInputPairs(s, 0, input.preloadCount)) continue;
            input.nextPair = input.preloadCount % kPairs;
            input.neverHandedOver = kPairs - input.preloadCount;
            input.started = true;
        }
        Check(driver_.WriteFirstLast(board_, 0, s, 1), "WriteFirstLast");
        commandsAdded_ = true;
    }

    if (!commandsAdded_) return 0;
    const int sent = SendCommandPacket(*packet_, window_, board_);
    // A mailbox that never frees: the board is given up. The operator's 'q' at that moment only
    // drops this packet.
    if (sent == kMailboxFailed) return EndOnBoardFailure();
    return 0;
}

void ServiceLoop::ServeInput(std::uint32_t stream) {
    InputState& input = inputs_[stream];
    std::uint32_t request = 0;
    Check(driver_.ReadSemaphore(board_, request, kInputDirection, stream), "ReadSemaphore");
    if (request == kOpenRequest) {
        OpenInput(stream);
    } else if (request == kStopRequest) {
        input.state = kStopRequest;
        input.stop = true;
        Check(driver_.WriteSemaphore(board_, 0, kInputDirection, stream), "WriteSemaphore");
    }
    if (input.state != kOpenRequest && input.state != kStopRequest) return;
    RefillInput(stream, ProgressWord(stream, 0));
}

void ServiceLoop::OpenInput(std::uint32_t stream) {
    InputState& input = inputs_[stream];
    if (!boardStarted_) StartBoard();
    input.state = kOpenRequest;
    input.stop = false;
    char name[kQrddNameMax] = {};
    std::uint32_t endHigh = 0, endLow = 0, startHigh = 0, startLow = 0, flags = 0;
    Check(driver_.ReadInputFilename(board_, name, stream), "ReadInputFilename");
    Check(driver_.ReadInputFilenameOffset(board_, endHigh, endLow, startHigh, startLow, stream),
          "ReadInputFilenameOffset");
    Check(driver_.ReadInputFilenameReverse(board_, flags, stream), "ReadInputFilenameReverse");
    input.skip = startLow & (kStartOffsetAlign - 1);
    const std::uint64_t start = (std::uint64_t{startHigh} << 32 | startLow) - input.skip;
    const std::uint64_t end = std::uint64_t{endHigh} << 32 | endLow;
    input.object.reset();
    const std::string text = name;
    if (!text.empty() && text[0] == '_')
        input.object = CreateStreamPair(text, flags, window_);
    else
        input.object = OpenInputStream(text, end, start, flags | (packetBytes_ != kPlaybackPacket ? kInputRecordMode : 0),
                                       StreamBoard{window_, board_}, stream);
    std::uint32_t loopOn = 0;
    int loopTime = 0;
    Check(driver_.ReadLoopFlag(board_, loopOn, stream), "ReadLoopFlag");
    Check(driver_.ReadLoopTime(board_, loopTime, stream), "ReadLoopTime");
    input.object->loopFlag = loopOn != 0;
    input.object->loopTime = loopTime;

    std::uint32_t first = 0;
    Check(driver_.ReadFirstLast(board_, first, stream, 0), "ReadFirstLast");
    std::uint32_t count = 0;
    for (std::uint32_t j = 0; j < 2; ++j) {
        const BufferPair& pair = pairs_[stream][j];
        if (pair.length == 0) break;
        const std::uint32_t got = input.object->Read(pair.host, pair.length);
        if (got == 0) break;  // an empty pair is never handed to the board
        input.filled[j] = got;
        ++count;
        if (got < pair.length && input.object->loopFlag) break;
    }
    input.started = false;
    input.pendingStart = false;
    input.neverHandedOver = 0;
    input.held = 0;
    input.owed = 0;
    input.lastProgress = ProgressWord(stream, 0);
    if (first == 1) {
        input.preloadCount = count;
        input.pendingStart = true;
        Check(driver_.WriteFirstLast(board_, 0, stream, 0), "WriteFirstLast");
    } else {
        if (!SendInputPairs(stream, 0, count)) return;
        input.nextPair = count % kPairs;
        input.neverHandedOver = kPairs - count;
        input.started = true;
    }
    Check(driver_.WriteSemaphore(board_, 0, kInputDirection, stream), "WriteSemaphore");
}

bool ServiceLoop::SendInputPairs(std::uint32_t stream, std::uint32_t first, std::uint32_t count) {
    InputState& input = inputs_[stream];
    PairWords& words = pairWords_;
    words.count = 0;
    // Only the first pair after an open starts inside the pair.
    std::uint32_t skipLeft = input.skip;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t j = (first + i) % kPairs;
        const std::uint32_t skip = std::min(std::exchange(skipLeft, 0), input.filled[j]);
        if (input.filled[j] == skip) continue;
        words.Add(pairs_[stream][j].physical + skip, input.filled[j] - skip);
    }
    if (words.count != 0 && !AddPairs(PacketHeader::BufferPair, stream, words)) return false;
    if (count != 0) input.skip = 0;
    input.held += words.count / 2;
    return true;
}

bool ServiceLoop::AddPairs(PacketHeader type, std::uint32_t stream, const PairWords& words) {
    if (packet_->FreeWords() < 2 + words.count) return false;
    if (!packet_->AddCommandHeader(type, words.count, stream) ||
        !packet_->AddPacketWords(words.words, words.count * 4))
        return false;
    commandsAdded_ = true;
    return true;
}

void ServiceLoop::RefillInput(std::uint32_t stream, std::uint32_t progress) {
    InputState& input = inputs_[stream];
    const std::uint32_t returned = std::min(progress - input.lastProgress, input.held);
    input.lastProgress = progress;
    input.held -= returned;
    std::uint32_t n = returned + input.owed;
    input.owed = 0;
    // One pair more per round until all eight circulate.
    if (input.neverHandedOver > 0 && input.started && !input.pendingStart) {
        ++n;
        --input.neverHandedOver;
    }
    if (n > kPairs) {
        PrintLine("buffer pair number out of range");
        outOfRange_ = true;
        return;
    }
    if (input.pendingStart) {
        if (input.started) input.pendingStart = false;
        if (input.pendingStart) return;
    }
    const std::uint32_t first = input.nextPair;
    std::uint32_t filled = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (input.stop || !input.object || (input.object->loopFlag && input.object->loopTime == 0)) break;
        const BufferPair& pair = pairs_[stream][input.nextPair];
        const std::uint32_t got = input.object->Read(pair.host, pair.length);
        if (got == 0) {
            // Nothing to give now (end of data, perhaps a follow-on file later): ask again.
            input.owed = n - i;
            break;
        }
        input.filled[input.nextPair] = got;
        input.nextPair = (input.nextPair + 1) % kPairs;
        ++filled;
    }
    if (!SendInputPairs(stream, first, filled)) return;
}

void ServiceLoop::ServeOutput(std::uint32_t stream) {
    OutputState& output = outputs_[stream];
    std::uint32_t request = 0;
    Check(driver_.ReadSemaphore(board_, request, kOutputDirection, stream), "ReadSemaphore");
    if (request == kOpenRequest) {
        OpenOutput(stream);
        return;
    }
    if (output.state != kOpenRequest) return;
    DrainOutput(stream, ProgressWord(kFirstOutputEntry + stream, 0), ProgressWord(kFirstOutputEntry + stream, 1));
}

void ServiceLoop::OpenOutput(std::uint32_t stream) {
    OutputState& output = outputs_[stream];
    Check(driver_.WriteSemaphore(board_, 0, kOutputDirection, stream), "WriteSemaphore");
    if (!boardStarted_) {
        StartBoard();
        driver_.Pause(1000);
    }
    output.state = kOpenRequest;
    char name[kQrddNameMax] = {};
    std::uint32_t flags = 0;
    Check(driver_.ReadOutputFilename(board_, name, stream), "ReadOutputFilename");
    Check(driver_.ReadOutputFilenameReverse(board_, flags, stream), "ReadOutputFilenameReverse");
    CloseOutput(stream);
    output.object = std::make_unique<BackgroundWriter>(CreateStreamPair(name, flags & kNameFlagsMask, window_));
    output.lastProgress = ProgressWord(kFirstOutputEntry + stream, 0);
    if (Shared(kOutputStreamMode + stream) != kModeRunning) return;
    PairWords& words = pairWords_;
    words.count = 0;
    for (const BufferPair& pair : pairs_[kPairs + stream]) words.Add(pair.physical, pair.length);
    if (pairs_[kPairs + stream][0].length == 0) return;
    if (!AddPairs(PacketHeader::OutBufferPair, stream, words)) return;
    output.nextPair = 0;
    std::fill(std::begin(output.partialOffset), std::end(output.partialOffset), 0);
}

void ServiceLoop::DrainOutput(std::uint32_t stream, std::uint32_t progress, std::uint32_t fillPosition) {
    OutputState& output = outputs_[stream];
    const BufferPair* pairs = pairs_[kPairs + stream];
    std::uint32_t n = progress - output.lastProgress;
    output.lastProgress = progress;
    if (n > kLagBeforeOverrun) CountOverrun();
    // The board never fills more than the eight pairs it holds.
    if (n > kPairs) {
        CountOverrun();
        n = kPairs;
    }
    std::uint32_t mode = Shared(kOutputStreamMode + stream);
    if (mode == kModeStopAsked) {
        bool atPairStart = false;
        for (std::uint32_t j = 0; j < kPairs; ++j) atPairStart = atPairStart || fillPosition == pairs[j].physical;
        mode = atPairStart ? kModeEnded : kModePartialPending;
    }
    if (n > 0) {
        PairWords& words = pairWords_;
        words.count = 0;
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::uint32_t j = output.nextPair;
            const BufferPair& pair = pairs[j];
            const std::uint32_t from = std::min(output.partialOffset[j], pair.length);
            const bool overrun =
                WindowWord(window_, kDiskOverrunCounter).load() != 0;
            if (output.object && (!overrun || stream == kOutputNeverDropped)) {
                if (!output.object->Write(pair.host + from, pair.length - from)) CountOverrun();
            }
            if (from != 0 && mode == kModePartialPending && Shared(kOutputStreamMode + stream) != kModeStopAsked)
                Check(driver_.WriteSharedMem(board_, kModeEnded, kOutputStreamMode + stream), "WriteSharedMem");
            output.partialOffset[j] = 0;
            words.Add(pair.physical, pair.length);
            if (n - i - 1 > kLagBeforeOverrun) CountOverrun();
            output.nextPair = (j + 1) % kPairs;
        }
        if (!AddPairs(PacketHeader::OutBufferPair, stream, words)) return;
    }
    if (Shared(kOutputStreamMode + stream) != kModeStopAsked) return;
    if (mode == kModePartialPending) {
        // The board stopped inside the pair it was filling: write what it holds so far.
        const std::uint32_t j = output.nextPair;
        const BufferPair& pair = pairs[j];
        if (fillPosition > pair.physical && fillPosition < pair.physical + pair.length) {
            const std::uint32_t upTo = fillPosition - pair.physical;
            const std::uint32_t from = std::min(output.partialOffset[j], upTo);
            if (output.object && upTo > from && !output.object->Write(pair.host + from, upTo - from)) CountOverrun();
            output.partialOffset[j] = upTo;
        } else {
            mode = kModeEnded;  // the fill position is not in the pair due next: nothing partial to keep
        }
    }
    CloseOutput(stream);
    const bool playback = packetBytes_ == kPlaybackPacket;
    // The DV output (playback's output 6) always goes back to running.
    const bool dvOutput = stream == board_commands::kDvOutput;
    Check(driver_.WriteSharedMem(board_, dvOutput || playback ? kModeRunning : mode, kOutputStreamMode + stream),
          "WriteSharedMem");
}

// Every byte drained so far reaches the file before it closes (with its picture index); writes
// the disk refused since the last drain count as overruns, as each would have at once, and so
// does a disk that has not taken them within the writer's limit.
void ServiceLoop::CloseOutput(std::uint32_t stream) {
    OutputState& output = outputs_[stream];
    if (!output.object) return;
    for (std::uint32_t refused = output.object->Drain(); refused > 0; --refused) CountOverrun();
    output.object.reset();
}

void ServiceLoop::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    hQR = nullptr;
    // The loop owns the board's interrupt event (it made it, or took over what a killed loop left):
    // it goes with the loop. A board still holding it keeps a valid mapping until the next loop
    // hands it a fresh one.
    interrupt_.reset();
    if (!eventName_.empty()) platform::NamedEvent::Remove(eventName_);
    for (auto& input : inputs_) input.object.reset();
    // An output still open was recording when the loop ended (a successor's quit, a silent board):
    // its file ends with its last whole picture, in agreement with its index.
    for (auto& output : outputs_) {
        if (output.object) output.object->EndUnfinished(true);
        output.object.reset();
    }
    channel_.reset();
    packet_.reset();
    std::fflush(stdout);
}

}  // namespace

ServiceLoopResult RunServiceLoop(const ServiceLoopOptions& options) {
    ServiceLoop loop(options);
    return loop.Run();
}

std::uint64_t ServiceLoopRounds() { return g_rounds.load(); }

}  // namespace ruvent
