// What the board does with a mailbox packet: decode its commands, queue buffer pairs per
// stream, run the rest now or at their time code.
#include <cstdio>
#include <cstring>

#include "board_commands/command_words.h"
#include "softboard/board_encoder.h"
#include "softboard/dv_recorder.h"
#include "softboard/soft_board.h"
#include "softboard/streaming.h"
#include "tessolk/board_segments.h"
#include "audio_input.h"
#include "video_channels.h"

namespace softboard {
namespace {

using namespace board_map;
using namespace board_commands;

constexpr std::uint32_t kStreamAreasFirstEntry = 4;  // size list: four areas, then the streams

bool RunsNow(std::uint32_t time) { return time == kPlaybackTime || time == kImmediate; }

// The input a start word starts: the host reopened that input for it and restarted its pair count
// there, and hands the new data over with the word or after it. -1 for other words.
int InputStartedBy(const DecodedCommand& command) {
    if (command.opcode == kPlayRange && command.stream <= 1) return static_cast<int>(command.stream);
    if (command.opcode == kKeyedTransition) return 2;  // the alpha stream
    return -1;
}

std::uint32_t Bcd(std::uint32_t value) { return (value / 10) << 4 | value % 10; }
std::uint32_t FromBcd(std::uint32_t bcd) { return (bcd >> 4) * 10 + (bcd & 0xF); }

std::uint64_t TimecodeToFrames(std::uint32_t timecode, std::uint32_t fps) {
    const std::uint64_t hours = FromBcd(timecode >> 24 & 0xFF), minutes = FromBcd(timecode >> 16 & 0xFF);
    const std::uint64_t seconds = FromBcd(timecode >> 8 & 0xFF), frames = FromBcd(timecode & 0xFF);
    return ((hours * 60 + minutes) * 60 + seconds) * fps + frames;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

std::string DescribeCommand(const DecodedCommand& command) {
    std::string text;
    if (RunsNow(command.time)) {
        text = command.scheduled ? "scheduled now: " : "priority: ";
    } else {
        char when[32];
        std::snprintf(when, sizeof when, "at %.2x:%.2x:%.2x:%.2x: ", command.time >> 24, command.time >> 16 & 0xFF,
                      command.time >> 8 & 0xFF, command.time & 0xFF);
        text = when;
    }
    switch (command.opcode) {
        case kPacketBufferPair: text += "bufferpair"; break;
        case kPacketOutBufferPair: text += "BOutBufferpair"; break;
        case kPacketAudioIn: text += "Ain"; break;
        case kPacketAudioOut: text += "Aout"; break;
        default: text += "command " + Hex(command.opcode); break;
    }
    text += " stream " + std::to_string(command.stream);
    if (command.opcode == kPacketBufferPair || command.opcode == kPacketOutBufferPair) {
        for (std::size_t i = 0; i + 1 < command.parameters.size(); i += 2)
            text += (i == 0 ? ": " : ", ") + Hex(command.parameters[i]) + "+" + Hex(command.parameters[i + 1]);
    } else {
        for (std::size_t i = 0; i < command.parameters.size(); ++i)
            text += (i == 0 ? ": " : " ") + Hex(command.parameters[i]);
    }
    return text;
}

std::vector<QueuedPair> SoftBoard::InputPairs(std::uint32_t stream) const {
    return stream < kBoardStreams ? inputPairs_[stream] : std::vector<QueuedPair>{};
}

std::vector<QueuedPair> SoftBoard::OutputPairs(std::uint32_t stream) const {
    return stream < kBoardStreams ? outputPairs_[stream] : std::vector<QueuedPair>{};
}

std::uint32_t SoftBoard::Timecode() const {
    const std::uint32_t fps = identity_.standard == TvStandard::Pal ? 25 : 30;
    std::uint64_t frames = fieldsSinceStart_ / 2;
    const std::uint32_t ff = static_cast<std::uint32_t>(frames % fps);
    frames /= fps;
    const std::uint32_t ss = static_cast<std::uint32_t>(frames % 60), mm = static_cast<std::uint32_t>(frames / 60 % 60);
    const std::uint32_t hh = static_cast<std::uint32_t>(frames / 3600 % 24);
    return Bcd(hh) << 24 | Bcd(mm) << 16 | Bcd(ss) << 8 | Bcd(ff);
}

void SoftBoard::DecodePacket(const TakenPacket& packet) {
    const std::uint32_t priority = std::min<std::uint32_t>(packet.priorityCount, packet.words.size());
    DecodeRun(packet.words.data(), priority, false);
    DecodeRun(packet.words.data() + priority, static_cast<std::uint32_t>(packet.words.size()) - priority, true);
}

void SoftBoard::DecodeRun(const std::uint32_t* words, std::uint32_t count, bool scheduled) {
    std::uint32_t at = 0;
    while (at < count) {
        if (count - at < 2) {
            Say(1, "packet: a lone word " + Hex(words[at]) + " at the end of a run, ignored");
            return;
        }
        DecodedCommand command;
        command.scheduled = scheduled;
        command.time = words[at];
        const std::uint32_t header = words[at + 1];
        command.opcode = header >> 16;
        command.stream = header >> 8 & 0xFF;
        const std::uint32_t parameters = header & 0xFF;
        at += 2;
        if (parameters > count - at) {
            Say(1, "packet: command " + Hex(header) + " wants " + std::to_string(parameters) +
                       " parameters, the run holds " + std::to_string(count - at) + "; rest ignored");
            return;
        }
        command.parameters.assign(words + at, words + at + parameters);
        at += parameters;
        // Whatever is still queued for a restarted input is of the data before: dropped uncounted,
        // or the board would count it against the host's new count (and show the old clip).
        if (const int input = InputStartedBy(command); input >= 0) Streaming().DropInput(static_cast<std::uint32_t>(input));
        // The mix keeps its own schedule: its time words count fields.
        Streaming().Mix().OnCommand({command.time, command.opcode, command.stream, command.parameters});
        if (RunsNow(command.time) || Streaming().Channels().TakesOnArrival(command)) {
            RunCommand(command);
        } else {
            Say(1, "waiting: " + DescribeCommand(command));
            waiting_.push_back(std::move(command));
        }
    }
}

bool SoftBoard::StreamArea(std::uint32_t areaIndex, std::uint32_t& physicalStart, std::uint32_t& physicalEnd) const {
    auto& sizes = control_->registers.sizeArray;
    std::uint64_t offset = kFirstAreaOffset;
    for (std::uint32_t i = 0; i < kStreamAreasFirstEntry + areaIndex; ++i) offset += sizes[i].load();
    const std::uint64_t end = offset + sizes[kStreamAreasFirstEntry + areaIndex].load();
    if (end > kWindowSize || end == offset) return false;
    physicalStart = control_->physicalBase + static_cast<std::uint32_t>(offset);
    physicalEnd = control_->physicalBase + static_cast<std::uint32_t>(end);
    return true;
}

void SoftBoard::QueuePairs(const DecodedCommand& command, bool output) {
    const char* kind = output ? "BOutBufferpair" : "bufferpair";
    if (command.stream >= kBoardStreams) {
        Say(1, std::string(kind) + ": no stream " + std::to_string(command.stream));
        ++rejectedPairs_;
        return;
    }
    std::uint32_t start = 0, end = 0;
    const bool haveArea = StreamArea(command.stream + (output ? kBoardStreams : 0), start, end);
    auto& queue = output ? outputPairs_[command.stream] : inputPairs_[command.stream];
    for (std::size_t i = 0; i + 1 < command.parameters.size(); i += 2) {
        const QueuedPair pair{command.parameters[i], command.parameters[i + 1]};
        const bool inside = haveArea && pair.physical >= start && pair.length > 0 &&
                            static_cast<std::uint64_t>(pair.physical) + pair.length <= end;
        if (!inside) {
            Say(1, std::string(kind) + " stream " + std::to_string(command.stream) + ": " + Hex(pair.physical) + "+" +
                       Hex(pair.length) + " lies outside the stream's area, refused");
            ++rejectedPairs_;
            continue;
        }
        if (queue.size() == kKeptPairs) queue.erase(queue.begin());
        queue.push_back(pair);
    }
}

void SoftBoard::RunCommand(const DecodedCommand& command) {
    Say(1, DescribeCommand(command));
    if (commands_.size() == kKeptCommands) commands_.erase(commands_.begin());
    commands_.push_back(command);
    if (command.opcode == kPacketBufferPair) {
        QueuePairs(command, false);
    } else if (command.opcode == kPacketOutBufferPair) {
        QueuePairs(command, true);
    } else if (command.opcode != kPacketAudioIn && command.opcode != kPacketAudioOut) {
        // A settings command is done: byte 2 of CommandDoneWord reads 2, which the panels poll.
        Window()[kCommandDoneWord + 2] = 2;
        if (identity_.role == BoardRole::Encoder) encoder_->OnCommand(command);
        else Streaming().Dv().OnCommand(command);
        Streaming().Channels().OnCommand(command);
        Streaming().Audio().OnCommand(command);
    }
}

void SoftBoard::RunDueCommands() {
    const std::uint32_t fps = identity_.standard == TvStandard::Pal ? 25 : 30;
    const std::uint64_t now = TimecodeToFrames(Timecode(), fps);
    const auto fieldClock = static_cast<std::uint32_t>(interruptCount_);
    for (std::size_t i = 0; i < waiting_.size();) {
        auto channelDue = Streaming().Channels().Due(waiting_[i], fieldClock);
        if (!channelDue) channelDue = Streaming().Audio().Due(waiting_[i], fieldClock);
        if (channelDue ? *channelDue : TimecodeToFrames(waiting_[i].time, fps) <= now) {
            const DecodedCommand due = waiting_[i];
            waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(i));
            RunCommand(due);
        } else {
            ++i;
        }
    }
}

}  // namespace softboard
