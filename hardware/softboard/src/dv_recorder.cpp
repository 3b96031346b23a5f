#include "softboard/dv_recorder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include "board_commands/command_words.h"
#include "softboard/stream_host.h"
#include "tessolk/board_map.h"
#include "tessolk/board_segments.h"
#include "test_picture.h"

namespace softboard {

namespace {

using namespace board_commands;

constexpr std::uint32_t kAllStreams = 0x0F;
constexpr std::uint32_t kDv50Word = 0x4;
constexpr std::uint32_t kDvSampleRate = 48000;
constexpr std::int32_t kCounterStart = -16;

}  // namespace

DvRecorder::DvRecorder(StreamHost& board) : board_(board) {}

DvRecorder::~DvRecorder() { Stop(); }

std::deque<std::uint8_t>& DvRecorder::Pending(std::uint32_t stream) {
    if (stream == kDvVideoOutput) return video_;
    if (stream == kDvAudioOutput) return audio_;
    none_.clear();
    return none_;
}

void DvRecorder::OnReset() {
    Stop();
    audioOn_ = false;
    video_.clear();
    audio_.clear();
    error_.clear();
}

void DvRecorder::OnCommand(const DecodedCommand& command) {
    const auto parameter = [&](std::size_t i) { return i < command.parameters.size() ? command.parameters[i] : 0; };
    switch (command.opcode) {
    case kDvRecordSetup:
        if (command.stream == kAllStreams) pal_ = (parameter(0) & 1) != 0;
        return;
    case kDvAudioSetup:
        if (command.stream == kAllStreams) Start(parameter(2) == kDv50Word);
        return;
    case kFreeze:
        if (command.stream == kAllStreams) Stop();
        return;
    case kFlush:
        if (command.stream == kDvVideoOutput) video_.clear();
        return;
    case kAudioPlay:
        if (command.stream == kDvAudioOutput && !audioOn_) {
            audioOn_ = true;
            tone_.Restart();
            PcmTone::StartOutput(audio_, kDvSampleRate, true);
            audioBytes_ = audio_.size();
        }
        return;
    case kAudioOnOff:
        if (command.stream == kDvAudioOutput) audioOn_ = false;
        return;
    default: return;
    }
}

void DvRecorder::Start(bool dv50) {
    if (Recording()) return;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    const int height = pal_ ? 576 : 480;
    const AVPixelFormat format = dv50 ? AV_PIX_FMT_YUV422P : pal_ ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    context_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    drawn_ = av_frame_alloc();
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!context_ || !drawn_ || !frame_ || !packet_) {
        error_ = "no DV encoder";
        Stop();
        return;
    }
    context_->width = 720;
    context_->height = height;
    context_->pix_fmt = format;
    context_->time_base = pal_ ? AVRational{1, 25} : AVRational{1001, 30000};
    context_->framerate = av_inv_q(context_->time_base);
    for (AVFrame* f : {drawn_, frame_}) {
        f->width = 720;
        f->height = height;
    }
    drawn_->format = AV_PIX_FMT_YUV422P;
    frame_->format = format;
    if (avcodec_open2(context_, codec, nullptr) < 0 || av_frame_get_buffer(drawn_, 0) < 0 ||
        av_frame_get_buffer(frame_, 0) < 0) {
        error_ = "the DV encoder refused 720x" + std::to_string(height);
        Stop();
        return;
    }
    scaler_ = sws_getContext(720, height, AV_PIX_FMT_YUV422P, 720, height, format, SWS_BICUBIC, nullptr, nullptr,
                             nullptr);
    dv50_ = dv50;
    frames_ = 0;
    secondField_ = false;
    video_.clear();
    board_.SetWindowWord(board_map::kRecordCounter, static_cast<std::uint32_t>(kCounterStart));
}

void DvRecorder::Stop() {
    // DV frames stand alone: nothing is held back in the encoder, so a stop loses no frame.
    avcodec_free_context(&context_);
    av_frame_free(&drawn_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    sws_freeContext(scaler_);
    scaler_ = nullptr;
}

void DvRecorder::OnField() {
    if (Recording()) {
        secondField_ = !secondField_;
        if (!secondField_) EncodeFrame();
    }
    if (audioOn_) {
        const std::size_t before = audio_.size();
        // The host writes output 7 with its words reversed: the board hands them over reversed.
        tone_.Field(audio_, pal_, kDvSampleRate, true);
        audioBytes_ += audio_.size() - before;
    }
}

void DvRecorder::EncodeFrame() {
    if (av_frame_make_writable(drawn_) < 0 || av_frame_make_writable(frame_) < 0) return;
    PicturePlanes planes;
    for (int i = 0; i < 3; ++i) {
        planes.data[i] = drawn_->data[i];
        planes.linesize[i] = drawn_->linesize[i];
    }
    planes.width = drawn_->width;
    planes.height = drawn_->height;
    planes.chroma422 = true;
    DrawTestPicture(planes, board_.Timecode(), board_.FieldsSinceStart());
    sws_scale(scaler_, drawn_->data, drawn_->linesize, 0, drawn_->height, frame_->data, frame_->linesize);
    frame_->pts = static_cast<std::int64_t>(frames_);
    if (avcodec_send_frame(context_, frame_) < 0) {
        error_ = "the DV encoder refused a picture";
        return;
    }
    while (avcodec_receive_packet(context_, packet_) == 0) {
        video_.insert(video_.end(), packet_->data, packet_->data + packet_->size);
        av_packet_unref(packet_);
    }
    ++frames_;
    // The counter runs down from -16 as frames are recorded; the panel shows -16 - counter.
    board_.SetWindowWord(board_map::kRecordCounter, static_cast<std::uint32_t>(kCounterStart - std::int64_t(frames_)));
}

}  // namespace softboard
