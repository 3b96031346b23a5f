#include "audio_input.h"

#include <atomic>

#include "softboard/stream_host.h"
#include "board_commands/command_words.h"
#include "softboard/streaming.h"
#include "tessolk/board_map.h"

namespace softboard {
namespace {

using namespace board_commands;

constexpr std::uint32_t kAudioPortGroup = 0x004003E8;

}  // namespace

AudioInput::AudioInput(StreamHost& board, BoardStreaming& streaming, int interruptPeriodMs)
    : board_(board), streaming_(streaming), periodMs_(interruptPeriodMs < 1 ? 1 : interruptPeriodMs) {}

int AudioInput::SampleRate() const {
    switch (rateCode_) {
    case 0: return 32000;
    case 1: return 44100;
    default: return 48000;
    }
}

bool AudioInput::IsAudioWord(const DecodedCommand& command) {
    return command.stream == kStream &&
           (command.opcode == kAudioPlay || command.opcode == kAudioOnOff || command.opcode == kFlush);
}

std::optional<bool> AudioInput::Due(const DecodedCommand& command, std::uint32_t fieldClock) const {
    if (!IsAudioWord(command)) return std::nullopt;
    return fieldClock >= command.time;
}

void AudioInput::OnCommand(const DecodedCommand& command) {
    const auto parameter = [&](std::size_t i) { return i < command.parameters.size() ? command.parameters[i] : 0u; };
    if (command.opcode == kDeviceMessage && parameter(1) == kAudioPortGroup && command.parameters.size() >= 4) {
        rateCode_ = static_cast<int>(parameter(3) >> 24) & 3;
        return;
    }
    if (!IsAudioWord(command)) return;
    armed_ = true;
    switch (command.opcode) {
    case kAudioPlay:
        playing_ = true;
        off_ = false;
        startAt_ = parameter(0);
        prefetchDue_ = true;
        carry_ = 0;
        taken_ = 0;
        break;
    case kAudioOnOff: off_ = parameter(0) != 0; break;
    case kFlush:
        playing_ = false;
        off_ = false;
        streaming_.DropInput(kStream);
        break;
    }
}

void AudioInput::OnReset() {
    armed_ = playing_ = off_ = prefetchDue_ = false;
    taken_ = carry_ = 0;
}

void AudioInput::OnInterrupt(std::uint32_t fieldClock, bool asFastAsPossible) {
    if (!armed_ || !playing_ || off_) return;
    if (startAt_ != 0xFFFFFFFF && fieldClock < startAt_) return;
    std::uint64_t budget = ~std::uint64_t{0};
    if (!asFastAsPossible) {
        // Whole stereo frames each field; the remainder carries on so no byte is lost over time.
        const std::uint64_t milli = std::uint64_t{4} * static_cast<std::uint64_t>(SampleRate()) *
                                        static_cast<std::uint64_t>(periodMs_) + carry_;
        budget = milli / 1000 / 4 * 4;
        carry_ = milli - budget * 1000;
        if (prefetchDue_) budget += kPrefetchBytes;
    }
    const std::uint64_t got = streaming_.TakeInput(kStream, budget, nullptr);
    if (got > 0) prefetchDue_ = false;
    taken_ += got;
    ReportProgress();
}

// Word 1 of the input's progress entry is the board address of the next byte it reads; the base
// word at 0x1230 is kept so that word 1 - base + (word 0 / 8) MiB is the bytes taken since the
// play word, whatever the pairs consumed before it.
void AudioInput::ReportProgress() {
    const std::uint32_t position = streaming_.InputPosition(kStream);
    if (position == 0) return;
    auto word = [this](std::uint32_t offset) { return board_map::WindowWord(board_.Window(), offset); };
    const std::uint32_t pairs = word(board_map::ProgressWordOffset(board_map::kAudioProgressEntry, 0)).load();
    const auto taken = static_cast<std::uint32_t>(taken_);
    word(board_map::kAudioBaseWord).store(position + ((pairs >> 3) << 20) - taken);
    word(board_map::ProgressWordOffset(board_map::kAudioProgressEntry, 1)).store(position);
}

}  // namespace softboard
