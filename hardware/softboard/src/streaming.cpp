// The board's side of streaming: input pairs consumed into a capture, output pairs filled from a
// looped clip with EncoderIndexRing entries for the pictures produced.
#include "softboard/streaming.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "audio_input.h"
#include "platform/regular_file.h"
#include "softboard/dv_recorder.h"
#include "softboard/stream_host.h"
#include "start_codes/start_codes.h"
#include "tessolk/board_map.h"
#include "tessolk/board_segments.h"
#include "video_channels.h"

namespace softboard {
namespace {

using namespace board_map;


// The clip an encoder board stands in for its input with: a regular file, read whole up to a bound.
constexpr std::size_t kSourceClipMaxBytes = std::size_t{1} << 30;

std::vector<std::uint8_t> ReadClip(const std::string& path) {
    std::string bytes;
    if (platform::ReadRegularFile(path, kSourceClipMaxBytes, bytes) != platform::WholeFileRead::Read) return {};
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

std::uint32_t AnnouncedBitRate(const std::uint8_t* data, std::size_t bytes) {
    const std::size_t limit = std::min<std::size_t>(bytes, 4096);
    for (std::size_t i = start_codes::FindStartCode(data, limit); i < limit; i = start_codes::FindStartCode(data, limit, i + 4)) {
        if (data[i + 3] != start_codes::kSequenceHeader || i + 11 > limit) continue;
        // bit_rate_value: 18 bits after size (24) and aspect/frame rate (8), in units of 400 bit/s.
        const std::uint32_t value = std::uint32_t{data[i + 8]} << 10 | std::uint32_t{data[i + 9]} << 2 | data[i + 10] >> 6;
        return value == 0 || value == 0x3FFFF ? 0 : value * 400;
    }
    return 0;
}

constexpr std::uint32_t kDecodeOutput = 5;
// Pairs a fed output fills before the host must hand some back (the host counts more as an overrun).
constexpr int kFedPairsAhead = 4;

BoardStreaming::BoardStreaming(StreamHost& board)
    : board_(board), channels_(std::make_unique<VideoChannels>(board, *this)), dv_(std::make_unique<DvRecorder>(board)),
      audio_(std::make_unique<AudioInput>(board, *this, board.InterruptPeriodMs())) {}

BoardStreaming::~BoardStreaming() {
    for (Input& input : inputs_)
        if (input.capture) std::fclose(input.capture);
}

void RunningChecksum::AddBlock(const std::uint8_t* block) {
    constexpr std::uint64_t kPrime = 0x100000001b3ull;
    for (int lane = 0; lane < 4; ++lane) {
        std::uint64_t word;
        std::memcpy(&word, block + 8 * lane, 8);
        lanes_[lane] = (lanes_[lane] ^ word) * kPrime;
    }
}

void RunningChecksum::Add(const std::uint8_t* data, std::size_t bytes) {
    total_ += bytes;
    if (pendingCount_ > 0) {
        const std::size_t take = std::min(bytes, kBlock - pendingCount_);
        std::memcpy(pending_ + pendingCount_, data, take);
        pendingCount_ += take;
        data += take;
        bytes -= take;
        if (pendingCount_ < kBlock) return;
        AddBlock(pending_);
        pendingCount_ = 0;
    }
    // The lanes stay in registers across the blocks: through memory, each lane's multiply would
    // also wait for its own store, and the board checks every byte it takes.
    constexpr std::uint64_t kPrime = 0x100000001b3ull;
    std::uint64_t lane0 = lanes_[0], lane1 = lanes_[1], lane2 = lanes_[2], lane3 = lanes_[3];
    for (; bytes >= kBlock; bytes -= kBlock, data += kBlock) {
        std::uint64_t words[4];
        std::memcpy(words, data, kBlock);
        lane0 = (lane0 ^ words[0]) * kPrime;
        lane1 = (lane1 ^ words[1]) * kPrime;
        lane2 = (lane2 ^ words[2]) * kPrime;
        lane3 = (lane3 ^ words[3]) * kPrime;
    }
    lanes_[0] = lane0, lanes_[1] = lane1, lanes_[2] = lane2, lanes_[3] = lane3;
    std::memcpy(pending_, data, bytes);
    pendingCount_ = bytes;
}

std::uint64_t RunningChecksum::Value() const {
    RunningChecksum copy = *this;
    if (copy.pendingCount_ > 0) {
        std::memset(copy.pending_ + copy.pendingCount_, 0, kBlock - copy.pendingCount_);
        copy.AddBlock(copy.pending_);
    }
    std::uint64_t hash = total_;
    for (std::uint64_t lane : copy.lanes_) hash = (hash ^ lane) * 0x100000001b3ull;
    return hash;
}

void BoardStreaming::SetInput(std::uint32_t stream, const InputStreaming& options) {
    Input& input = inputs_[stream];
    if (input.capture) std::fclose(input.capture);
    input.capture = nullptr;
    input.options = options;
    // Written in place, not under a temporary name: the capture is read while the board streams
    // (each take is flushed for that reader), and it has no end at which it would be complete.
    if (!options.captureFile.empty()) input.capture = std::fopen(options.captureFile.c_str(), "wb");
}

void BoardStreaming::SetOutput(std::uint32_t stream, const OutputStreaming& options) {
    Output& output = outputs_[stream];
    output.options = options;
    output.clip = options.sourceClip.empty() ? std::vector<std::uint8_t>{} : ReadClip(options.sourceClip);
    output.units.clear();
    // Picture units: each picture with the sequence or group headers in front of it.
    const auto& clip = output.clip;
    bool headerSeen = false;
    std::uint64_t headerAt = 0;
    for (std::size_t i = start_codes::FindStartCode(clip.data(), clip.size()); i < clip.size();
         i = start_codes::FindStartCode(clip.data(), clip.size(), i + 4)) {
        const std::uint8_t code = clip[i + 3];
        if ((code == start_codes::kSequenceHeader || code == start_codes::kGroup) && !headerSeen) {
            headerSeen = true;
            headerAt = i;
        } else if (code == start_codes::kPicture) {
            output.units.push_back({headerSeen ? headerAt : i, headerSeen});
            headerSeen = false;
        }
    }
    if (!output.units.empty()) output.units.front().start = 0;
}

std::atomic_ref<std::uint32_t> BoardStreaming::ProgressWord(std::uint32_t entry, std::uint32_t word) {
    return board_map::WindowWord(board_.Window(), ProgressWordOffset(entry, word));
}

void BoardStreaming::OnReset() {
    ringWrite_ = 0;
    board_.SetWindowWord(kIndexRingWrite, kIndexRingNone);
    board_.SetWindowWord(kIndexRingRead, 0);
    for (Input& input : inputs_) input.headOffset = input.lastEnd = 0;
    for (Output& output : outputs_) output.fillOffset = 0;
    channels_->OnReset();
    dv_->OnReset();
    audio_->OnReset();
    mix_.Reset();
    alphaCounterShown_ = 0;
}

void PictureTypeScanner::Feed(const std::uint8_t* data, std::size_t bytes) {
    scanner_.Feed(data, bytes, [this](const start_codes::StartCode& code) {
        if (code.code != start_codes::kPicture) return;
        lastType_ = static_cast<std::uint8_t>(start_codes::CodingType(code));
        ++pictures_;
    });
}

void BoardStreaming::OnInterrupt() {
    for (std::uint32_t s = 0; s < kBoardStreams; ++s)
        if (!board_.EncoderClaimsInput(s) && !channels_->Active(s) && !audio_->Claims(s)) ConsumeInput(s);
    channels_->OnInterrupt(static_cast<std::uint32_t>(board_.InterruptCount()));
    dv_->OnField();
    audio_->OnInterrupt(static_cast<std::uint32_t>(board_.InterruptCount()),
                        inputs_[AudioInput::kStream].options.asFastAsPossible);
    for (std::uint32_t v = 0; v < kBoardStreams; ++v) ProduceOutput(v);
    // The time code block: word 0 and the board time code (word 1) and the input's VITC (word 3),
    // which the record panel shows; the software board's input carries its own time code.
    const std::uint32_t timecode = board_.Timecode();
    board_.SetWindowWord(kRecordTimecode, timecode);
    board_.SetWindowWord(kRecordTimecode + 4, timecode);
    board_.SetWindowWord(kRecordTimecode + 12, timecode);
    board_.OnEncoderField();
    ShowChannels();
    ShowMix();
}

// The alpha counter advances by the frames the mix showed (the panel zeroes it when its alpha
// channel stops); the mix status word tells which channel is on air.
void BoardStreaming::ShowMix() {
    mix_.OnField(board_.InterruptCount());
    const std::uint32_t shown = mix_.AlphaCounter();
    if (shown != alphaCounterShown_) {
        board_.SetWindowWord(kAlphaCounterWord, board_.WindowWord(kAlphaCounterWord) + (shown - alphaCounterShown_));
        alphaCounterShown_ = shown;
    }
    board_.SetWindowWord(kMixStatusWord, mix_.StatusWord());
}

// The channel status words the panels read: the board's field clock, the field counter of the
// picture shown, which runs while the channel's input plays, and the shown picture's coding type.
void BoardStreaming::ShowChannels() {
    struct Channel {
        std::uint32_t status;
        std::uint32_t stream;
    };
    static constexpr Channel kChannels[] = {{kChannelAStatus, 0}, {kChannelBStatus, 1}};
    const auto fieldClock = static_cast<std::uint32_t>(board_.InterruptCount());
    for (const Channel& channel : kChannels) {
        Input& input = inputs_[channel.stream];
        board_.SetWindowWord(channel.status + kStatusFieldClock, fieldClock);
        if (channels_->Active(channel.stream)) continue;  // the channel shows its own pictures
        if (input.consumedThisInterrupt)
            board_.SetWindowWord(channel.status + kStatusFieldCounter,
                                 board_.WindowWord(channel.status + kStatusFieldCounter) + 1);
        board_map::SetShownPictureType(board_.Window(), channel.status, input.pictures.LastType());
        input.consumedThisInterrupt = false;
    }
}

void BoardStreaming::ConsumeInput(std::uint32_t stream) {
    Input& input = inputs_[stream];
    auto& queue = board_.InputQueue(stream);
    const std::uint32_t base = board_.PhysicalBase();
    if (queue.empty()) return;
    // A sequence header at the start of a pair sets the rate (they repeat every group).
    if (input.headOffset == 0 || input.rateBytes == 0) {
        const QueuedPair& head = queue.front();
        std::uint32_t bitRate = AnnouncedBitRate(board_.Window() + (head.physical - base) + input.headOffset,
                                                 head.length - input.headOffset);
        if (bitRate == 0 && input.rateBytes == 0) bitRate = kDefaultStreamBitRate;
        if (bitRate != 0)
            input.rateBytes = std::max<std::uint32_t>(
                1, static_cast<std::uint32_t>(std::uint64_t{bitRate} / 8 * board_.InterruptPeriodMs() / 1000));
    }
    const std::uint64_t budget = input.options.asFastAsPossible ? ~std::uint64_t{0}
                                 : input.options.bytesPerInterrupt ? input.options.bytesPerInterrupt
                                                                   : input.rateBytes;
    TakeInput(stream, budget, nullptr);
}

std::uint64_t BoardStreaming::TakeInput(std::uint32_t stream, std::uint64_t budget, std::vector<std::uint8_t>* sink) {
    Input& input = inputs_[stream];
    auto& queue = board_.InputQueue(stream);
    const std::uint32_t base = board_.PhysicalBase();
    std::uint64_t consumed = 0;
    while (budget > 0 && !queue.empty()) {
        const QueuedPair pair = queue.front();
        const std::uint32_t take =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(pair.length - input.headOffset, budget));
        const std::uint8_t* data = board_.Window() + (pair.physical - base) + input.headOffset;
        if (input.capture) std::fwrite(data, 1, take, input.capture);
        if (sink) sink->insert(sink->end(), data, data + take);
        input.running.Add(data, take);
        if (stream < 2) input.pictures.Feed(data, take);
        if (stream == 2) mix_.OnAlphaBytes(data, take);
        consumed += take;
        budget -= take;
        input.headOffset += take;
        if (input.headOffset < pair.length) break;
        input.headOffset = 0;
        input.lastEnd = pair.physical + pair.length;
        queue.erase(queue.begin());
        ProgressWord(stream, 0).fetch_add(1);
    }
    if (input.capture) std::fflush(input.capture);
    if (consumed == 0) return 0;
    input.consumedThisInterrupt = true;
    // The checksum first: a reader that sees the byte count sees the checksum of those bytes.
    input.checksum.store(input.running.Value());
    input.bytes.fetch_add(consumed);
    return consumed;
}

void BoardStreaming::DropInput(std::uint32_t stream) {
    board_.InputQueue(stream).clear();
    inputs_[stream].headOffset = 0;
    if (stream == 2) mix_.OnAlphaRestart();
}

std::uint32_t BoardStreaming::InputPosition(std::uint32_t stream) const {
    const auto& queue = board_.InputQueue(stream);
    if (!queue.empty()) return queue.front().physical + inputs_[stream].headOffset;
    return inputs_[stream].lastEnd;
}

void BoardStreaming::ProduceOutput(std::uint32_t stream) {
    Output& output = outputs_[stream];
    auto& queue = board_.OutputQueue(stream);
    // More pairs than the stream has: the host opened the output again and handed over all eight
    // afresh. The new set starts at its first pair, as the host counts it (a pair left of the set
    // before would take the first bytes, and the host's partial end would miss the last).
    constexpr std::size_t kPairsPerStream = 8;
    if (queue.size() > kPairsPerStream) {
        queue.erase(queue.begin(), queue.end() - kPairsPerStream);
        output.fillOffset = 0;
        output.queuedAfterFill = 0;
        output.filledSinceReturn = 0;
    }
    if (output.clip.empty() && stream == kDecodeOutput) ProduceFed(stream, channels_->DecodedBytes());
    const bool dv = output.clip.empty() && (stream == kDvVideoOutput || stream == kDvAudioOutput);
    if (output.clip.empty() && !dv) return;
    if (dv) {
        // The DV recorder waits for pairs to come back rather than push a busy host into an overrun.
        ProduceFed(stream, dv_->Pending(stream), kFedPairsAhead);
        return;
    }
    std::uint64_t budget = output.options.bytesPerInterrupt ? output.options.bytesPerInterrupt : ~std::uint64_t{0};
    if (output.options.hostPaced) {
        // Waiting for pairs to come back holds no picture back from the index ring.
        if (queue.size() <= output.queuedAfterFill && output.queuedAfterFill != 0) budget = 0;
        else if (!queue.empty()) budget = std::uint64_t{queue.front().length} * 4 - output.fillOffset;
    }
    const std::uint32_t base = board_.PhysicalBase();
    while (budget > 0 && !queue.empty() && output.produced.load() < output.options.limitBytes) {
        const QueuedPair pair = queue.front();
        const std::uint64_t take = std::min({std::uint64_t{pair.length - output.fillOffset}, budget,
                                             output.options.limitBytes - output.produced.load(),
                                             output.clip.size() - output.clipPosition});
        std::copy_n(output.clip.data() + output.clipPosition, take,
                    board_.Window() + (pair.physical - base) + output.fillOffset);
        output.running.Add(output.clip.data() + output.clipPosition, take);
        output.clipPosition = (output.clipPosition + take) % output.clip.size();
        budget -= take;
        Advance(stream, output, static_cast<std::uint32_t>(take));
    }
    output.queuedAfterFill = queue.size();
    output.checksum.store(output.running.Value());
    if (output.options.pictureIndex) WriteIndexEntries(output);
}

void BoardStreaming::Advance(std::uint32_t stream, Output& output, std::uint32_t take) {
    auto& queue = board_.OutputQueue(stream);
    const QueuedPair pair = queue.front();
    output.fillOffset += take;
    output.produced.fetch_add(take);
    // A picture is in the ring before the host can see its last byte.
    if (output.options.pictureIndex) WriteIndexEntries(output);
    std::uint32_t fillPosition = pair.physical + output.fillOffset;
    if (output.fillOffset == pair.length) {
        output.fillOffset = 0;
        queue.erase(queue.begin());
        ++output.filledSinceReturn;
        ProgressWord(kFirstOutputEntry + stream, 0).fetch_add(1);
        // The next byte goes to the start of the next pair: the one queued, or the area's next.
        std::uint32_t start = 0, end = 0;
        if (!queue.empty())
            fillPosition = queue.front().physical;
        else if (board_.StreamArea(kBoardStreams + stream, start, end) && fillPosition >= end)
            fillPosition = start;
    }
    ProgressWord(kFirstOutputEntry + stream, 1).store(fillPosition);
}

// Output pairs filled from what the board produced itself (channel A's decoded fields), as far as
// it reaches; a pair is handed back once full.
void BoardStreaming::ProduceFed(std::uint32_t stream, std::deque<std::uint8_t>& bytes, int pairsAhead) {
    Output& output = outputs_[stream];
    auto& queue = board_.OutputQueue(stream);
    const std::uint32_t base = board_.PhysicalBase();
    if (queue.size() > output.queuedAfterFill) output.filledSinceReturn = 0;
    while (!bytes.empty() && !queue.empty() && (pairsAhead == 0 || output.filledSinceReturn < pairsAhead)) {
        const QueuedPair pair = queue.front();
        const std::uint32_t take = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(pair.length - output.fillOffset, bytes.size()));
        std::uint8_t* to = board_.Window() + (pair.physical - base) + output.fillOffset;
        std::copy_n(bytes.begin(), take, to);
        output.running.Add(to, take);
        bytes.erase(bytes.begin(), bytes.begin() + take);
        Advance(stream, output, take);
    }
    output.queuedAfterFill = queue.size();
    output.checksum.store(output.running.Value());
}

void BoardStreaming::WriteIndexEntries(Output& output) {
    if (output.units.empty()) return;
    const std::uint64_t clipBytes = output.clip.size();
    const std::size_t perClip = output.units.size();
    // The write index moves once, after the entries: the host sees all of them or none, so a ring
    // it finds with room holds every picture the board has finished.
    const std::uint32_t read = board_.WindowWord(kIndexRingRead);
    bool written = board_.WindowWord(kIndexRingWrite) != kIndexRingNone;
    const std::uint32_t before = ringWrite_;
    for (;;) {
        const std::uint64_t loop = output.nextUnit / perClip;
        const std::size_t u = output.nextUnit % perClip;
        const std::uint64_t start = loop * clipBytes + output.units[u].start;
        const std::uint64_t end = u + 1 < perClip ? loop * clipBytes + output.units[u + 1].start : (loop + 1) * clipBytes;
        if (end > output.produced.load()) break;  // the picture is not complete yet
        const std::uint32_t next = (ringWrite_ + 2) % kIndexRingWrap;
        if (written && next == read) break;  // ring full
        // A: below 0x10000000 where a group starts; B: the picture's bits, so that the host's
        // running word count lands on each unit's start.
        const std::uint32_t a = output.units[u].groupStart ? static_cast<std::uint32_t>(loop & 0xFFFFFF) : kIndexGroupStartBelow;
        const std::uint32_t b = static_cast<std::uint32_t>((end / 4 - start / 4) * 32);
        board_.SetWindowWord(IndexRingWordOffset(ringWrite_), a);
        board_.SetWindowWord(IndexRingWordOffset(ringWrite_ + 1), b);
        ringWrite_ = next;
        written = true;
        ++output.nextUnit;
    }
    if (ringWrite_ == before) return;
    board_.SetWindowWord(kIndexRingWrite, ringWrite_);
    output.indexed.fetch_add((ringWrite_ + kIndexRingWrap - before) % kIndexRingWrap / 2);
}

}  // namespace softboard
