#include "softboard/mix_follower.h"

#include <algorithm>

namespace softboard {

namespace {

constexpr std::uint32_t kMarker = 0x43434241;          // "CCBA" read big-endian
constexpr std::uint32_t kReversedMarker = 0x41424343;  // "ABCC": the words byte-reversed

std::uint32_t Big32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::uint32_t Little32(const std::uint8_t* p) {
    return std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

bool IsMixOpcode(std::uint32_t opcode) {
    using namespace board_commands;
    return opcode == kResume || opcode == kFreeze || opcode == kOutputSource || opcode == kKeyedTransition ||
           opcode == kFlush;
}

// The channel an output-source word selects: the play list's variants name it in the high nibble
// (0x1x A, 0x2x B), the plain words in the low one.
int SourceChannel(std::uint32_t stream) {
    switch (stream >> 4 & 0xF) {
    case 1: return 0;
    case 2: return 1;
    default: return static_cast<int>(stream & 1);
    }
}

}  // namespace

void AlphaFrameCounter::Feed(const std::uint8_t* data, std::size_t bytes) {
    while (bytes > 0 && !lost_) {
        if (skip_ > 0) {
            const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, bytes));
            skip_ -= take;
            data += take;
            bytes -= take;
            continue;
        }
        const std::size_t take = std::min(bytes, sizeof header_ - headerBytes_);
        std::copy_n(data, take, header_ + headerBytes_);
        headerBytes_ += take;
        data += take;
        bytes -= take;
        if (headerBytes_ < sizeof header_) return;
        headerBytes_ = 0;
        // The marker and the frame's length, in the stream's own word order.
        std::uint32_t length = 0;
        if (Big32(header_) == kMarker)
            length = Big32(header_ + 4);
        else if (Big32(header_) == kReversedMarker)
            length = Little32(header_ + 4);
        if (length < sizeof header_) {
            lost_ = true;
            return;
        }
        ++frames_;
        skip_ = (std::uint64_t{length} + 7) / 8 * 8 - sizeof header_;
    }
}

void ListClock::Freeze(std::uint64_t field) {
    if (frozen_) return;
    frozen_ = true;
    frozenAt_ = field;
}

void ListClock::Resume(std::uint64_t field) {
    if (!frozen_) return;
    frozen_ = false;
    // Only the fields after the origin count as held.
    const std::uint64_t from = std::max(frozenAt_, origin_), to = std::max(field, origin_);
    if (to > from) held_ += to - from;
}

std::optional<std::uint64_t> ListClock::Value(std::uint64_t field) const {
    if (!running_ || field < origin_) return std::nullopt;
    const std::uint64_t until = std::max(frozen_ ? std::min(field, frozenAt_) : field, origin_);
    return until - origin_ - std::min(held_, until - origin_);
}

namespace {

// The list clock a word's time counts on: the play list's stream bytes name it in their high
// nibble and a list keyed transition in its mode (2 channel A's, 1 channel B's).
int ListClockOf(const MixCommand& command) {
    std::uint32_t code = command.stream >> 4;
    if (command.opcode == board_commands::kKeyedTransition)
        code = command.parameters.size() >= 2 ? command.parameters[1] : 0;
    switch (code) {
    case 2: return 0;
    case 1: return 1;
    default: return -1;
    }
}

}  // namespace

void MixFollower::OnCommand(const MixCommand& input) {
    // A play range with a start field starts that channel's list clock; channel A's starts a
    // list, and B's clock waits for B's own first entry.
    if (input.opcode == board_commands::kPlayRange && (input.stream & 0xF) <= 1 && input.parameters.size() >= 2 &&
        input.parameters[0] == board_commands::kImmediate && input.parameters[1] != board_commands::kImmediate) {
        const int channel = static_cast<int>(input.stream & 1);
        clocks_[channel].Start(input.parameters[1]);
        if (channel == 0) clocks_[1].Stop();
        return;
    }
    if (!IsMixOpcode(input.opcode)) return;
    MixCommand command = input;
    command.clock = ListClockOf(command);
    if (command.opcode == board_commands::kFlush && (command.stream & 0xF) != 0xF) return;  // a single stream's flush
    if (Due(command, now_))
        Run(command, now_);
    else
        waiting_.push_back(command);
}

bool MixFollower::Due(const MixCommand& command, std::uint64_t field) const {
    if (command.time == board_commands::kPlaybackTime || command.time == board_commands::kImmediate) return true;
    if (command.clock < 0) return command.time <= field;
    const auto value = clocks_[command.clock].Value(field);
    return value && *value >= command.time;
}

void MixFollower::Run(const MixCommand& command, std::uint64_t field) {
    const int channel = static_cast<int>(command.stream & 1);
    const std::uint32_t parameter = command.parameters.empty() ? 0 : command.parameters[0];
    switch (command.opcode) {
    case kOpFlush: {
        // The play list stops: nothing scheduled stays, a transition under way ends where it is.
        waiting_.clear();
        keyedActive_ = false;
        break;
    }
    case kOpResume:
        clocks_[channel].Resume(field);
        ++resumes_[channel];
        events_.push_back({field, MixEvent::Resume, channel});
        break;
    case kOpFreeze:
        clocks_[channel].Freeze(field);
        events_.push_back({field, MixEvent::Freeze, channel});
        break;
    case kOpOutputSource:
        if (SourceChannel(command.stream) != channel) {
            // The list's word at the end of a transition's span (0x20, 0x11): the key is done.
            if (keyedActive_) FinishKeyed(field);
        } else if (parameter != 0) {  // a cut: the channel is on air at once
            if (keyedActive_) alphaFramesUsed_ += keyedFramesShown_;
            keyedActive_ = false;
            lastKeyed_ = false;
            onAir_ = channel;
            events_.push_back({field, MixEvent::Cut, channel});
        } else {
            StartKeyed(channel, field);
        }
        break;
    case kOpKeyedTransition: {
        // Parameters: the field the transition starts at, and the mode.
        const MixCommand later{parameter, board_commands::kOutputSource, command.stream, {0}, command.clock};
        if (Due(later, field))
            StartKeyed(channel, field);
        else
            waiting_.push_back(later);
        break;
    }
    default: break;
    }
}

void MixFollower::StartKeyed(int target, std::uint64_t field) {
    if (keyedActive_) alphaFramesUsed_ += keyedFramesShown_;
    keyedActive_ = true;
    lastKeyed_ = true;
    keyedTarget_ = target;
    keyedFramesShown_ = 0;
    events_.push_back({field, MixEvent::KeyedStart, target});
}

void MixFollower::OnField(std::uint64_t fieldClock) {
    now_ = fieldClock;
    // Due commands in the order they came; a resume can make words on its channel's clock due
    // in the same field, so look again until nothing more is.
    for (bool ran = true; ran;) {
        ran = false;
        std::vector<MixCommand> due;
        for (auto it = waiting_.begin(); it != waiting_.end();) {
            if (Due(*it, fieldClock)) {
                due.push_back(std::move(*it));
                it = waiting_.erase(it);
            } else {
                ++it;
            }
        }
        for (const MixCommand& command : due) Run(command, fieldClock);
        ran = !due.empty();
    }
    if (!keyedActive_) return;
    // One alpha frame a field while the stream has one; when it has none left the key is
    // complete and the target channel is on air.
    if (alpha_.Frames() > alphaFramesUsed_ + keyedFramesShown_) {
        ++keyedFramesShown_;
        ++alphaCounter_;
        return;
    }
    FinishKeyed(fieldClock);
}

void MixFollower::FinishKeyed(std::uint64_t field) {
    alphaFramesUsed_ += keyedFramesShown_;
    keyedActive_ = false;
    onAir_ = keyedTarget_;
    events_.push_back({field, MixEvent::KeyedEnd, keyedTarget_});
}

void MixFollower::Reset() { *this = MixFollower(); }

std::uint32_t MixFollower::StatusWord() const {
    return std::uint32_t(onAir_ & 1) | std::uint32_t(keyedActive_) << 1 | std::uint32_t(lastKeyed_) << 2 |
           (resumes_[0] & 0xFF) << 8 | (resumes_[1] & 0xFF) << 16;
}

}  // namespace softboard
