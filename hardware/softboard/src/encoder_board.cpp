// The encoder's side of the board: record commands, the field-paced encoding, the PCM output,
// the picture index ring and the host's output pairs.
#include <algorithm>
#include <atomic>
#include <cstring>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include "board_commands/command_words.h"
#include "encoder_program.h"
#include "encoder_stream.h"
#include "encoder_video.h"
#include "softboard/board_encoder.h"
#include "tessolk/board_segments.h"
#include "test_picture.h"

namespace softboard {

namespace {

using namespace board_commands;

using namespace board_map;

constexpr std::uint32_t kCompressInput = 2;
constexpr std::size_t kPairsPerStream = 8;
// The host counts an overrun when more than four pairs were filled between two of its rounds; a
// board that waits for pairs to come back first never pushes a busy host into one.
constexpr int kPairsAhead = 4;
constexpr std::size_t kCompactAt = 1 << 20;

bool ValidRingIndex(std::uint32_t index) { return index % 2 == 0 && index < kIndexRingWrap; }

AVPixelFormat SourcePixelFormat(std::uint32_t sourceFormat) {
    switch (SourceBytesPerPixel(sourceFormat)) {
    case 3: return AV_PIX_FMT_BGR24;
    case 2: return AV_PIX_FMT_UYVY422;
    default: return AV_PIX_FMT_BGRA;
    }
}

}  // namespace

BoardEncoder::BoardEncoder(SoftBoard& board) : board_(board), program_(std::make_unique<EncoderProgram>()) {}

BoardEncoder::~BoardEncoder() { sws_freeContext(scaler_); }

void BoardEncoder::OnReset() {
    video_.reset();
    *program_ = {};
    state_ = State::Idle;
    audioOn_ = false;
    for (OutputQueue& output : outputs_) output = {};
    for (auto& produced : produced_) produced.store(0);
    units_.clear();
    inputHead_ = 0;
    error_.clear();
}

bool BoardEncoder::ClaimsInput(std::uint32_t stream) const {
    return stream == kCompressInput && board_.Identity().role == BoardRole::Encoder;
}

void BoardEncoder::OnCommand(const DecodedCommand& command) {
    switch (command.opcode) {
    case kRecordStart:
        if (command.stream == 0) StartVideo(false);
        if (command.stream == 1) StartAudio();
        return;
    case kRecordStop:
        if (command.stream == 0) StopVideo();
        if (command.stream == 1) StopAudio();
        return;
    case kRecordPause:
        if (command.stream == 0 && state_ == State::Running) state_ = State::Paused;
        return;
    case kRecordResume:
        if (command.stream == 0 && state_ == State::Paused) state_ = State::Running;
        return;
    default: break;
    }
    ApplyEncoderCommand(*program_, command);
    // The frame count follows the source format: with compress from file switched on it starts the run.
    if (command.opcode == kSourceFrameCount &&
        board_.MemoryWord(kCompressFromFileRegister) == 1)
        StartVideo(true);
}

void BoardEncoder::StartVideo(bool compress) {
    if (state_ == State::Running || state_ == State::Paused) return;
    const BoardIdentity identity = board_.Identity();
    VideoEncoderSetup setup;
    setup.format = identity.format;
    setup.standard = identity.standard;
    setup.size = GeometryOf(*program_, identity.format, identity.standard);
    setup.program = *program_;
    video_ = VideoEncoder::Open(setup, &error_);
    if (!video_) {
        board_.Say(1, "encoder: " + error_);
        state_ = State::Idle;
        return;
    }
    compress_ = compress;
    framesLeft_ = compress ? program_->sourceFrames : 0;
    framesEncoded_ = 0;
    secondField_ = false;
    outputs_[0].bytes.clear();
    outputs_[0].read = 0;
    units_.clear();
    groupNumber_ = 0;
    // The host cleared the ring before the start; entries continue from its write index.
    const std::uint32_t write = board_.WindowWord(kIndexRingWrite);
    ringWrite_ = ValidRingIndex(write) ? write : 0;
    board_.SetWindowWord(kRecordStatus + 16, 0);
    if (compress) {
        sws_freeContext(scaler_);
        const int width = static_cast<int>(program_->sourcePixels ? program_->sourcePixels : setup.size.width);
        const AVPixelFormat format = SourcePixelFormat(program_->sourceFormat);
        scaler_ = sws_getContext(width, setup.size.height, format, setup.size.width, setup.size.height,
                                 video_->Chroma422() ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr,
                                 nullptr, nullptr);
        const std::size_t frameBytes =
            std::size_t(width) * SourceBytesPerPixel(program_->sourceFormat) * std::size_t(setup.size.height);
        fields_.resize(frameBytes);
        sourceFrame_.resize(frameBytes);
    }
    state_ = State::Running;
    board_.Say(1, std::string("encoder: recording ") + (compress ? "from input 2" : "live") + " at " +
                      std::to_string(setup.size.width) + "x" + std::to_string(setup.size.height));
}

void BoardEncoder::StopVideo() {
    if (state_ != State::Running && state_ != State::Paused) return;
    if (video_ && !video_->Finish()) error_ = "the encoder failed at the end of the recording";
    TakeEncodedBytes();
    state_ = State::Finished;
    video_.reset();
}

void BoardEncoder::StartAudio() {
    if (audioOn_) return;
    audioOn_ = true;
    tone_.Restart();
    OutputQueue& audio = outputs_[1];
    PcmTone::StartOutput(audio.bytes, AudioSampleRate(program_->audioRateCode), ReversedAudio());
    audio.read = 0;
}

void BoardEncoder::StopAudio() { audioOn_ = false; }

void BoardEncoder::OnField() {
    ++fieldClock_;
    if (state_ == State::Running) {
        // One frame every second field, as the field clock runs.
        secondField_ = !secondField_;
        if (!secondField_) {
            if (compress_) {
                if (framesLeft_ > 0 && EncodeSourceFrame()) --framesLeft_;
                else secondField_ = true;  // the source has not arrived: try again next field
            } else {
                EncodeLiveFrame();
            }
            TakeEncodedBytes();
        }
    }
    if (audioOn_) ProduceAudio();
    WriteIndexEntries();
    Fill(0);
    Fill(1);
}

void BoardEncoder::EncodeLiveFrame() {
    AVFrame& frame = video_->Picture();
    PicturePlanes planes;
    for (int i = 0; i < 3; ++i) {
        planes.data[i] = frame.data[i];
        planes.linesize[i] = frame.linesize[i];
    }
    planes.width = frame.width;
    planes.height = frame.height;
    planes.chroma422 = video_->Chroma422();
    DrawTestPicture(planes, board_.Timecode(), board_.fieldsSinceStart_);
    if (!video_->Encode()) {
        error_ = "the encoder refused a picture";
        return;
    }
    ++framesEncoded_;
    board_.SetWindowWord(kRecordStatus + 16, static_cast<std::uint32_t>(2 * framesEncoded_));
}

bool BoardEncoder::EncodeSourceFrame() {
    if (!scaler_ || fields_.empty()) return false;
    if (!TakeInput(fields_.data(), fields_.size())) return false;
    // Two fields, one after the other: the first holds the frame's even lines, the second its odd ones.
    const int height = video_->Height();
    const std::size_t line = fields_.size() / std::size_t(height);
    const int half = height / 2;
    for (int row = 0; row < height; ++row) {
        const std::size_t from = (row % 2 == 0 ? row / 2 : half + row / 2) * line;
        std::memcpy(sourceFrame_.data() + std::size_t(row) * line, fields_.data() + from, line);
    }
    AVFrame& frame = video_->Picture();
    const std::uint8_t* source[1] = {sourceFrame_.data()};
    const int stride[1] = {static_cast<int>(line)};
    sws_scale(scaler_, source, stride, 0, height, frame.data, frame.linesize);
    if (!video_->Encode()) {
        error_ = "the encoder refused a picture";
        return false;
    }
    ++framesEncoded_;
    board_.SetWindowWord(kRecordStatus + 16, static_cast<std::uint32_t>(2 * framesEncoded_));
    return true;
}

void BoardEncoder::ProduceAudio() {
    const bool pal = board_.Identity().standard == TvStandard::Pal;
    tone_.Field(outputs_[1].bytes, pal, AudioSampleRate(program_->audioRateCode), ReversedAudio());
}

// The host opens output 1 of the newer board with its words reversed ("-R"): that board hands
// them over reversed, so the file gets them in order.
bool BoardEncoder::ReversedAudio() const {
    return board_.WindowWord(kBoardTypeWord) == kNewerBoardType;
}

void BoardEncoder::TakeEncodedBytes() {
    if (!video_) return;
    StartCodeAligner& stream = video_->Stream();
    OutputQueue& out = outputs_[0];
    out.bytes.insert(out.bytes.end(), stream.Pending().begin(), stream.Pending().end());
    stream.Pending().clear();
    while (!stream.Units().empty()) {
        units_.push_back(stream.Units().front());
        stream.Units().pop_front();
    }
}

void BoardEncoder::WriteIndexEntries() {
    // The write index moves once, after the entries: the host sees all of them or none.
    const std::uint32_t read = board_.WindowWord(kIndexRingRead);
    bool written = board_.WindowWord(kIndexRingWrite) != kIndexRingNone;
    const std::uint32_t before = ringWrite_;
    while (!units_.empty()) {
        const std::uint32_t next = (ringWrite_ + 2) % kIndexRingWrap;
        if (written && next == read) break;  // ring full
        const PictureUnit unit = units_.front();
        units_.pop_front();
        // A: the group's number where a group starts, else a mark; B: the unit's size in bits.
        const std::uint32_t a = unit.groupStart ? (groupNumber_++ & 0xFFFFFF) : kIndexGroupStartBelow;
        board_.SetWindowWord(IndexRingWordOffset(ringWrite_), a);
        board_.SetWindowWord(IndexRingWordOffset(ringWrite_) + 4, static_cast<std::uint32_t>(unit.bytes * 8));
        ringWrite_ = next;
        written = true;
    }
    if (ringWrite_ != before) board_.SetWindowWord(kIndexRingWrite, ringWrite_);
}

void BoardEncoder::Fill(std::uint32_t stream) {
    OutputQueue& out = outputs_[stream];
    auto& queue = board_.outputPairs_[stream];
    // More pairs than the stream has: the host opened the output again and handed all eight afresh.
    if (queue.size() > kPairsPerStream) {
        queue.erase(queue.begin(), queue.end() - kPairsPerStream);
        out.fillOffset = 0;
        out.filledSinceReturn = 0;
    }
    if (queue.size() > out.queuedAfterFill) out.filledSinceReturn = 0;
    const std::uint32_t base = board_.control_->physicalBase;
    auto progress = [&](std::uint32_t word) {
        return board_map::WindowWord(board_.Window(), ProgressWordOffset(kFirstOutputEntry + stream, word));
    };
    while (out.read < out.bytes.size() && !queue.empty() && out.filledSinceReturn < kPairsAhead) {
        const QueuedPair pair = queue.front();
        const std::size_t take = std::min<std::size_t>(pair.length - out.fillOffset, out.bytes.size() - out.read);
        std::memcpy(board_.Window() + (pair.physical - base) + out.fillOffset, out.bytes.data() + out.read, take);
        out.read += take;
        out.fillOffset += static_cast<std::uint32_t>(take);
        produced_[stream] += take;
        std::uint32_t fillPosition = pair.physical + out.fillOffset;
        if (out.fillOffset == pair.length) {
            out.fillOffset = 0;
            queue.erase(queue.begin());
            ++out.filledSinceReturn;
            progress(0).fetch_add(1);
            std::uint32_t start = 0, end = 0;
            if (!queue.empty())
                fillPosition = queue.front().physical;
            else if (board_.StreamArea(kBoardStreams + stream, start, end) && fillPosition >= end)
                fillPosition = start;
        }
        progress(1).store(fillPosition);
    }
    out.queuedAfterFill = queue.size();
    if (out.read >= kCompactAt) {
        out.bytes.erase(out.bytes.begin(), out.bytes.begin() + static_cast<std::ptrdiff_t>(out.read));
        out.read = 0;
    }
}

bool BoardEncoder::TakeInput(std::uint8_t* destination, std::size_t bytes) {
    auto& queue = board_.inputPairs_[kCompressInput];
    std::uint64_t queued = 0;
    for (const QueuedPair& pair : queue) queued += pair.length;
    if (queued < inputHead_ + bytes) return false;
    const std::uint32_t base = board_.control_->physicalBase;
    std::size_t done = 0;
    while (done < bytes) {
        const QueuedPair pair = queue.front();
        const std::size_t take = std::min<std::size_t>(pair.length - inputHead_, bytes - done);
        std::memcpy(destination + done, board_.Window() + (pair.physical - base) + inputHead_, take);
        done += take;
        inputHead_ += static_cast<std::uint32_t>(take);
        if (inputHead_ == pair.length) {
            inputHead_ = 0;
            queue.erase(queue.begin());
            board_map::WindowWord(board_.Window(), ProgressWordOffset(kCompressInput, 0)).fetch_add(1);
        }
    }
    return true;
}

}  // namespace softboard
