#include "video_channels.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "board_commands/command_lines.h"
#include "board_commands/command_words.h"
#include "platform/kernel.h"
#include "softboard/stream_host.h"
#include "start_codes/start_codes.h"
#include "softboard/streaming.h"
#include "tessolk/board_map.h"

namespace softboard {
namespace {

using namespace board_map;

using namespace board_commands;

constexpr std::uint32_t kNormalRate = 256;
constexpr std::uint32_t kPullBytes = 0x10000;
constexpr int kPullsPerField = 64;
// An MPEG channel reads its input no faster than the board decodes: at most the highest rate it
// plays (50 Mbit/s), with room for a variable-rate stream's peaks, a field (of 20 ms, so that a
// faster interrupt period plays the same stream in fewer milliseconds); what it has not used
// carries over up to a burst that holds the largest pictures. Bytes that hold no picture (a clip
// of another kind) are read at that pace too, not as fast as the host can give them.
constexpr std::uint64_t kChannelBytesPerField = 75'000'000 / 8 / 50;
constexpr std::uint64_t kChannelBurstBytes = 2 << 20;
// Without input for this many fields and this long while a picture is wanted, the channel takes
// it as the clip's end (a stream carries no end mark): it shows the last picture and lets the
// decoder give up the pictures it holds. Both bounds, so that neither a fast field rate nor a
// busy host ends a clip early.
constexpr int kEndAfterTicks = 25;
constexpr std::int64_t kEndAfterUs = 500'000;

bool ChannelWord(std::uint32_t opcode) {
    return opcode == kPlayRange || opcode == kSpeed || opcode == kStep || opcode == kResume || opcode == kFreeze;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void CodedPictureSplitter::Add(const std::uint8_t* data, std::size_t bytes) {
    buffer_.insert(buffer_.end(), data, data + bytes);
}

std::optional<CodedPictureSplitter::Picture> CodedPictureSplitter::Cut(std::size_t end) {
    Picture picture;
    const std::size_t at = static_cast<std::size_t>(pictureAt_);
    picture.bytes.assign(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(end));
    if (at + 5 < end) {
        const start_codes::StartCode code{at, start_codes::kPicture, {buffer_[at + 4], buffer_[at + 5]}};
        picture.temporalReference = start_codes::TemporalReference(code);
        picture.type = static_cast<std::uint8_t>(start_codes::CodingType(code));
    }
    picture.groupStart = headerSeen_;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(end));
    pictureAt_ = -1;
    headerSeen_ = false;
    scan_ = 0;
    return picture;
}

std::optional<CodedPictureSplitter::Picture> CodedPictureSplitter::Next(bool atEnd) {
    for (;;) {
        const std::size_t i = start_codes::FindStartCode(buffer_.data(), buffer_.size(), scan_);
        if (i >= buffer_.size()) {
            // A start code may begin in the last three bytes: look there again with more data.
            scan_ = buffer_.size() > 3 ? buffer_.size() - 3 : 0;
            // Bytes before any header or picture belong to none: they go, rather than pile up.
            if (pictureAt_ < 0 && !headerSeen_ && scan_ > 0) {
                buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(scan_));
                scan_ = 0;
            }
            break;
        }
        scan_ = i + 1;
        const std::uint8_t code = buffer_[i + 3];
        if (code == start_codes::kPicture) {
            if (pictureAt_ >= 0) {
                auto picture = Cut(i);
                pictureAt_ = 0;  // this picture code starts the next one
                scan_ = 1;
                return picture;
            }
            pictureAt_ = static_cast<std::ptrdiff_t>(i);
        } else if (code == start_codes::kSequenceHeader || code == start_codes::kGroup) {
            if (pictureAt_ >= 0) {
                auto picture = Cut(i);
                headerSeen_ = true;
                scan_ = 1;
                return picture;
            }
            headerSeen_ = true;
        }
    }
    if (atEnd && pictureAt_ >= 0) return Cut(buffer_.size());
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------

struct VideoChannels::Channel {
    std::uint32_t stream = 0;
    std::uint32_t status = 0;
    bool active = false;
    bool dv = false;
    bool parked = false;
    bool started = false;   // its first field is shown
    std::uint32_t startClock = kImmediate;
    bool frozen = false;
    int trick = 0;          // 0 every picture, 1 I and P only, 2 I only
    std::uint32_t rate = kNormalRate;
    std::uint32_t phase = 0;
    std::uint32_t s0 = 0;
    std::uint32_t counter = 0;
    std::uint8_t type = 0;
    int starved = 0;
    std::int64_t starvedSinceUs = 0;
    bool ended = false;
    std::uint64_t allowance = kChannelBurstBytes;  // MPEG input bytes it may still read

    // The input in the board's word order, and what has been told apart in it.
    std::vector<std::uint8_t> carry;  // bytes of an incomplete reversed word
    CodedPictureSplitter splitter;
    std::int64_t groupBase = 0;
    int groupPictures = 0;
    std::map<std::int64_t, std::uint8_t> types;  // display index -> picture type
    std::uint64_t dvFrameBytes = 0;
    std::uint64_t dvTaken = 0;
    std::vector<std::uint8_t> dvHead;
    std::unique_ptr<PictureDecoder> decoder;  // channel A

    void Restart() {
        started = false;
        frozen = false;
        trick = 0;
        rate = kNormalRate;
        phase = 0;
        starved = 0;
        ended = false;
        allowance = kChannelBurstBytes;
        carry.clear();
        splitter.Clear();
        groupBase = 0;
        groupPictures = 0;
        types.clear();
        dvFrameBytes = 0;
        dvTaken = 0;
        dvHead.clear();
        if (decoder) decoder->Reset();
    }
    std::int64_t DisplayIndex(std::uint32_t field) const { return (static_cast<std::int64_t>(field) - s0) / 2; }
};

VideoChannels::VideoChannels(StreamHost& board, BoardStreaming& streaming) : board_(board), streaming_(streaming) {
    for (std::uint32_t s = 0; s < 2; ++s) {
        channels_[s] = std::make_unique<Channel>();
        channels_[s]->stream = s;
        channels_[s]->status = s == 0 ? kChannelAStatus : kChannelBStatus;
    }
    channels_[0]->decoder = std::make_unique<PictureDecoder>();
}

VideoChannels::~VideoChannels() = default;

bool VideoChannels::Active(std::uint32_t stream) const { return stream < 2 && channels_[stream]->active; }

void VideoChannels::OnReset() {
    for (auto& channel : channels_) {
        channel->active = false;
        channel->Restart();
    }
    range_ = {};
    pending_.clear();
    decoded_.clear();
}

bool VideoChannels::TakesOnArrival(const DecodedCommand& command) const {
    return command.stream == kDecodeStream && (command.opcode == kSourceFormat || command.opcode == kDecodeToFile);
}

std::optional<bool> VideoChannels::Due(const DecodedCommand& command, std::uint32_t fieldClock) const {
    if (!ChannelWord(command.opcode) || command.stream > 1) return std::nullopt;
    // Due the field after the one at that time: the channel shows the field of that time first,
    // so a freeze at start time + 2 x n holds the n-th picture.
    return fieldClock > command.time;
}

void VideoChannels::OnCommand(const DecodedCommand& command) {
    if (TakesOnArrival(command)) {
        Channel& a = *channels_[0];
        if (command.opcode == kSourceFormat) {
            const std::uint32_t format = command.parameters.empty() ? 0 : command.parameters[0];
            const int width = static_cast<int>(format >> 16), lines = static_cast<int>(format & 0xFFFF);
            range_ = {};
            range_.armed = true;
            range_.from = command.time;
            if (width >= 16 && width <= 4096 && width % 2 == 0 && lines >= 8 && lines <= 2048) {
                range_.width = width;
                range_.fieldLines = lines;
            }
            // From a pause the range starts at the field being shown. From the start it waits for
            // the clip's first field: the black picture a stopped channel is parked on shows at
            // field 0 as well, and would take that field's place.
            const bool fromPause = command.parameters.size() > 1 && command.parameters[1] == kDecodeFromPause;
            if (fromPause && a.active && a.started && !a.parked && a.counter == range_.from) QueueField(a, a.counter);
        } else {
            range_.to = command.time;
        }
        return;
    }
    if (command.opcode == kFlush && command.stream == kDecodeOutput) {
        range_ = {};
        pending_.clear();
        decoded_.clear();
        return;
    }
    if (!ChannelWord(command.opcode) || command.stream > 1) return;
    Channel& channel = *channels_[command.stream];
    const auto parameter = [&](std::size_t i) { return i < command.parameters.size() ? command.parameters[i] : 0u; };
    switch (command.opcode) {
        case kPlayRange: PlayRange(channel, command); break;
        case kFreeze: channel.frozen = true; break;
        case kResume:
            channel.frozen = false;
            channel.trick = 0;
            channel.rate = kNormalRate;
            channel.phase = 0;
            break;
        case kSpeed:
            // Mode 0 is variable speed at the rate given (256 normal, 512 half speed); 1 and 2 show
            // I and P pictures, or I pictures only. Each starts the channel moving.
            channel.trick = static_cast<int>(std::min<std::uint32_t>(parameter(0), 2));
            channel.rate = channel.trick == 0 && parameter(1) != 0 ? parameter(1) : kNormalRate;
            channel.phase = 0;
            channel.frozen = false;
            break;
        case kStep: {
            // A field (0) or a frame (1) on from the field shown; the channel stays frozen.
            channel.frozen = true;
            if (!channel.active || !channel.started) break;
            const std::uint32_t next = channel.counter + (parameter(0) == 1 ? 2 : 1);
            if (Ensure(channel, channel.DisplayIndex(next)) != Have::No) Show(channel, next);
            WriteStatus(channel);
            break;
        }
        default: break;
    }
}

void VideoChannels::PlayRange(Channel& channel, const DecodedCommand& command) {
    const auto parameter = [&](std::size_t i) { return i < command.parameters.size() ? command.parameters[i] : 0u; };
    if (channel.decoder) FinishDecoding(channel);
    channel.Restart();
    channel.active = true;
    channel.parked = parameter(0) == 1;
    channel.startClock = parameter(1);
    channel.s0 = parameter(2);
    channel.counter = channel.s0;
    channel.dv = parameter(3) == 2;
    // What was queued of the clip before went as the word arrived (SoftBoard::DecodeRun).
}

void VideoChannels::OnInterrupt(std::uint32_t fieldClock) {
    for (auto& channel : channels_) {
        if (!channel->active) continue;
        channel->allowance = std::min(channel->allowance + kChannelBytesPerField, kChannelBurstBytes);
        Advance(*channel, fieldClock);
        WriteStatus(*channel);
    }
    if (!pending_.empty()) EmitFields(*channels_[0], false);
}

void VideoChannels::Advance(Channel& channel, std::uint32_t fieldClock) {
    if (!channel.started) {
        if (channel.startClock != kImmediate && fieldClock < channel.startClock) return;
        if (Ensure(channel, channel.DisplayIndex(channel.counter)) == Have::No) return;
        channel.started = true;
        Show(channel, channel.counter);
        return;
    }
    if (channel.parked) {
        // The still picture is up: the rest of the parking clip goes into the board's memory as
        // it arrives, as a board takes a clip it will never show further.
        channel.allowance -= streaming_.TakeInput(channel.stream, channel.allowance, nullptr);
        return;
    }
    if (channel.frozen) return;
    std::uint32_t want = channel.counter;
    if (channel.trick == 0) {
        channel.phase += kNormalRate;
        while (channel.phase >= channel.rate) {
            channel.phase -= channel.rate;
            ++want;
        }
        if (want == channel.counter) return;
    } else if ((channel.counter - channel.s0) % 2 == 0) {
        want = channel.counter + 1;  // the second field of the picture shown
    } else {
        // The next picture of the kinds this mode shows.
        for (std::int64_t d = channel.DisplayIndex(channel.counter) + 1;; ++d) {
            const Have have = Ensure(channel, d);
            if (have == Have::No) return;
            if (have == Have::Hole) continue;
            const std::uint8_t type = channel.types[d];
            if (type == 1 || (channel.trick == 1 && type == 2) || channel.dv) {
                want = channel.s0 + static_cast<std::uint32_t>(2 * d);
                break;
            }
        }
    }
    // Every field on the way is shown in turn (faster than normal speed shows several).
    while (channel.counter != want) {
        const std::uint32_t next = channel.trick == 0 ? channel.counter + 1 : want;
        if (Ensure(channel, channel.DisplayIndex(next)) == Have::No) return;
        Show(channel, next);
    }
}

void VideoChannels::Show(Channel& channel, std::uint32_t counter) {
    channel.counter = counter;
    const auto found = channel.types.find(channel.DisplayIndex(counter));
    if (found != channel.types.end()) channel.type = found->second;
    if (channel.decoder) QueueField(channel, counter);
    // Pictures shown long ago are of no more use. Decoded ones go too while no decoded field waits
    // for them, or channel A's decoder would hold every picture of a clip played over and over.
    const std::int64_t keep = channel.DisplayIndex(counter) - 64;
    if (keep > 0) channel.types.erase(channel.types.begin(), channel.types.lower_bound(keep));
    if (keep > 0 && channel.decoder && pending_.empty()) channel.decoder->Forget(keep);
}

void VideoChannels::WriteStatus(const Channel& channel) {
    board_map::WindowWord(board_.Window(), channel.status + kStatusFieldCounter).store(channel.counter);
    board_map::SetShownPictureType(board_.Window(), channel.status, channel.type);
}

VideoChannels::Have VideoChannels::Ensure(Channel& channel, std::int64_t displayIndex) {
    if (displayIndex < 0) return Have::Hole;
    for (int pulls = 0;; ++pulls) {
        if (channel.types.count(displayIndex)) return Have::Yes;
        if (displayIndex < channel.groupBase) return Have::Hole;
        // Read up to the pace: the picture comes in a later field (this is no lack of input).
        if (!channel.dv && channel.allowance == 0) return Have::No;
        if (channel.dv ? PullDv(channel, displayIndex) : PullMpeg(channel)) {
            channel.starved = 0;
            channel.ended = false;  // more came after all (a follow-on file, a slow host)
            if (pulls < kPullsPerField) continue;
            return Have::No;
        }
        if (channel.ended) return displayIndex < channel.groupBase + channel.groupPictures ? Have::Hole : Have::No;
        const std::int64_t now = platform::PerformanceCounter();
        if (channel.starved++ == 0) channel.starvedSinceUs = now;
        if (channel.starved < kEndAfterTicks || now - channel.starvedSinceUs < kEndAfterUs) return Have::No;
        EndOfInput(channel);
    }
}

bool VideoChannels::PullMpeg(Channel& channel) {
    std::vector<std::uint8_t> bytes;
    const std::uint64_t taken =
        streaming_.TakeInput(channel.stream, std::min<std::uint64_t>(kPullBytes, channel.allowance), &bytes);
    if (taken == 0) return false;
    channel.allowance -= taken;
    AddMpegBytes(channel, std::move(bytes));
    return true;
}

void VideoChannels::AddMpegBytes(Channel& channel, std::vector<std::uint8_t> bytes) {
    // The other board type takes every word byte-reversed.
    if (board_map::WindowWord(board_.Window(), kBoardTypeWord).load() != kNewerBoardType) {
        channel.carry.insert(channel.carry.end(), bytes.begin(), bytes.end());
        const std::size_t whole = channel.carry.size() / 4 * 4;
        for (std::size_t i = 0; i < whole; i += 4) std::reverse(channel.carry.begin() + i, channel.carry.begin() + i + 4);
        bytes.assign(channel.carry.begin(), channel.carry.begin() + whole);
        channel.carry.erase(channel.carry.begin(), channel.carry.begin() + whole);
    }
    channel.splitter.Add(bytes.data(), bytes.size());
    FeedPictures(channel, false);
}

// Each whole picture the splitter holds (at the end of input, the last one too) is placed in
// display order within its group and goes to the decoder.
void VideoChannels::FeedPictures(Channel& channel, bool endOfInput) {
    while (auto picture = channel.splitter.Next(endOfInput)) {
        if (picture->groupStart) {
            channel.groupBase += channel.groupPictures;
            channel.groupPictures = 0;
        }
        const std::int64_t index = channel.groupBase + picture->temporalReference;
        channel.types[index] = picture->type;
        channel.groupPictures = std::max(channel.groupPictures, picture->temporalReference + 1);
        if (channel.decoder) channel.decoder->Feed(picture->bytes.data(), picture->bytes.size(), index);
    }
}

bool VideoChannels::PullDv(Channel& channel, std::int64_t displayIndex) {
    std::vector<std::uint8_t> bytes;
    if (channel.dvFrameBytes == 0) {
        // The frame size from the first DIF header, doubled when a second channel follows (DV50).
        if (streaming_.TakeInput(channel.stream, 144004 - channel.dvHead.size(), &bytes) == 0) return false;
        channel.dvHead.insert(channel.dvHead.end(), bytes.begin(), bytes.end());
        channel.dvTaken += bytes.size();
        const bool reversed = board_map::WindowWord(board_.Window(), kBoardTypeWord).load() != kNewerBoardType;
        const auto byteAt = [&](std::size_t i) { return channel.dvHead[reversed ? (i & ~std::size_t{3}) + 3 - (i & 3) : i]; };
        if (channel.dvHead.size() < 4) return true;
        const std::uint64_t base = (byteAt(3) & 0x80) ? 144000 : 120000;
        if (channel.dvHead.size() < base + 4) return true;
        const bool second = byteAt(base) == 0x1F && byteAt(base + 1) == 0x0F && byteAt(base + 2) == 0x00;
        channel.dvFrameBytes = second ? 2 * base : base;
        channel.dvHead.clear();
        return true;
    }
    const std::uint64_t need = (static_cast<std::uint64_t>(displayIndex) + 1) * channel.dvFrameBytes;
    if (channel.dvTaken < need) {
        const std::uint64_t got = streaming_.TakeInput(channel.stream, need - channel.dvTaken, nullptr);
        channel.dvTaken += got;
        if (got == 0) return false;
    }
    const std::int64_t whole = static_cast<std::int64_t>(channel.dvTaken / channel.dvFrameBytes);
    for (std::int64_t d = channel.groupPictures; d < whole; ++d) channel.types[d] = 1;  // DV frames are intra
    channel.groupPictures = static_cast<int>(std::min<std::int64_t>(whole, 1 << 30));
    return true;
}

void VideoChannels::EndOfInput(Channel& channel) {
    channel.ended = true;
    if (channel.dv) return;
    FeedPictures(channel, true);
    if (channel.decoder) channel.decoder->Flush();
}

// --- decode to file ------------------------------------------------------------------------------

void VideoChannels::QueueField(Channel& channel, std::uint32_t counter) {
    if (!range_.armed || channel.dv || counter < range_.from || counter > range_.to) return;
    if (range_.lastQueued && counter <= *range_.lastQueued) return;
    range_.lastQueued = counter;
    pending_.push_back({channel.DisplayIndex(counter), static_cast<int>((counter - channel.s0) % 2)});
    if (counter == range_.to) range_.armed = false;
}

void VideoChannels::EmitFields(Channel& channel, bool finishing) {
    while (!pending_.empty()) {
        const PendingField field = pending_.front();
        if (!channel.decoder->Has(field.displayIndex)) {
            // The decoder holds a picture until it has seen the next reference: read on (without
            // showing anything) until it comes out, or the clip has ended.
            if (!finishing && !channel.ended && Ensure(channel, channel.groupBase + channel.groupPictures) != Have::No &&
                channel.decoder->Has(field.displayIndex))
                continue;
            if (!finishing && !channel.ended) return;
            if (!channel.decoder->Has(field.displayIndex)) {
                // Never decoded (a picture whose references the board never saw): black.
                const std::size_t bytes = static_cast<std::size_t>(2 * range_.width) * range_.fieldLines;
                for (std::size_t i = 0; i < bytes; ++i) decoded_.push_back(i % 2 ? 0x10 : 0x80);
                pending_.pop_front();
                continue;
            }
        }
        const auto bytes = channel.decoder->Field(field.displayIndex, field.parity, range_.width, range_.fieldLines);
        decoded_.insert(decoded_.end(), bytes.begin(), bytes.end());
        pending_.pop_front();
        if (field.parity == 1) channel.decoder->Forget(field.displayIndex);
    }
}

void VideoChannels::FinishDecoding(Channel& channel) {
    if (pending_.empty()) return;
    channel.decoder->Flush();
    channel.ended = true;
    EmitFields(channel, true);
}

}  // namespace softboard
