#include "encoder_video.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

namespace softboard {

namespace {

using board_map::StreamFormat;

// The video buffer sizes the profiles and levels allow, in bits.
constexpr int kMainLevelVbv = 1835008;
constexpr int k422MainLevelVbv = 9437184;
constexpr int kMpeg1Vbv = 327680;

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

}  // namespace

std::unique_ptr<VideoEncoder> VideoEncoder::Open(const VideoEncoderSetup& setup, std::string* error) {
    const auto fail = [&](const std::string& reason) -> std::unique_ptr<VideoEncoder> {
        if (error) *error = reason;
        return nullptr;
    };
    const bool mpeg1 = setup.format == StreamFormat::Mpeg1;
    // Warnings (rate control underflows and the like) would flood the board's console.
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec* codec = avcodec_find_encoder(mpeg1 ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO);
    if (!codec) return fail("libavcodec has no MPEG video encoder");
    std::unique_ptr<VideoEncoder> encoder(new VideoEncoder);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    encoder->context_ = c;
    if (!c) return fail("out of memory");

    const EncoderProgram& p = setup.program;
    const bool pal = setup.standard == board_map::TvStandard::Pal;
    const bool is422 = setup.format == StreamFormat::Mpeg2_422;
    c->width = setup.size.width;
    c->height = setup.size.height;
    c->pix_fmt = is422 ? AV_PIX_FMT_YUV422P : AV_PIX_FMT_YUV420P;
    c->time_base = pal ? AVRational{1, 25} : AVRational{1001, 30000};
    c->framerate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    c->sample_aspect_ratio = AVRational{0, 1};
    // The microcode's GOP words: I to I and I to P, B pictures in between.
    const int refDistance = std::clamp(p.refDistance, 1, 3);
    c->gop_size = std::clamp(p.intraDistance, refDistance, 15);
    c->max_b_frames = refDistance - 1;
    if (p.closeFreq > 0) c->flags |= AV_CODEC_FLAG_CLOSED_GOP;
    const std::int64_t rate = std::max<std::int64_t>(p.bitRate, 100'000);
    c->bit_rate = rate;
    c->rc_max_rate = rate;
    if (!p.vbr) c->rc_min_rate = rate;
    const int vbvLimit = mpeg1 ? std::max<int>(kMpeg1Vbv, static_cast<int>(rate / 4)) : is422 ? k422MainLevelVbv : kMainLevelVbv;
    c->rc_buffer_size = std::min<std::int64_t>(vbvLimit, std::max<std::int64_t>(rate / 2, kMpeg1Vbv));
    if (p.vbr) c->qmin = std::clamp(p.minQ, 1, 31);
    if (!mpeg1) {
        c->profile = is422 ? FF_PROFILE_MPEG2_422 : FF_PROFILE_MPEG2_MAIN;
        c->level = is422 ? 5 : 8;  // main level of either profile
    }
    c->thread_count = 1;
    // libavcodec cannot close groups and also start them on scene changes: closed groups win, as
    // the index and the file tools rely on them.
    if (!p.sceneChange || p.closeFreq > 0) av_opt_set_int(c->priv_data, "sc_threshold", 1000000000, 0);

    const int opened = avcodec_open2(c, codec, nullptr);
    if (opened < 0) return fail("the encoder refused its settings: " + AvError(opened));
    encoder->frame_ = av_frame_alloc();
    encoder->packet_ = av_packet_alloc();
    if (!encoder->frame_ || !encoder->packet_) return fail("out of memory");
    encoder->frame_->format = c->pix_fmt;
    encoder->frame_->width = c->width;
    encoder->frame_->height = c->height;
    if (av_frame_get_buffer(encoder->frame_, 32) < 0) return fail("out of memory");
    return encoder;
}

VideoEncoder::~VideoEncoder() {
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&context_);
}

bool VideoEncoder::Chroma422() const { return context_->pix_fmt == AV_PIX_FMT_YUV422P; }
int VideoEncoder::Width() const { return context_->width; }
int VideoEncoder::Height() const { return context_->height; }

bool VideoEncoder::Drain() {
    for (;;) {
        const int got = avcodec_receive_packet(context_, packet_);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
        if (got < 0) return false;
        stream_.Append(packet_->data, static_cast<std::size_t>(packet_->size));
        av_packet_unref(packet_);
    }
}

bool VideoEncoder::Encode() {
    frame_->pts = nextPts_++;
    if (avcodec_send_frame(context_, frame_) < 0) return false;
    if (!Drain()) return false;
    // The codec may still hold the buffer of a delayed picture: the next one is drawn into a copy.
    return av_frame_make_writable(frame_) >= 0;
}

bool VideoEncoder::Finish() {
    const bool sent = avcodec_send_frame(context_, nullptr) >= 0;
    const bool drained = Drain();
    stream_.Finish();
    return sent && drained;
}

}  // namespace softboard
