#include "picture_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <cstring>

namespace softboard {

struct PictureDecoder::Codec {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    ~Codec() {
        sws_freeContext(scaler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
};

PictureDecoder::PictureDecoder() { Reset(); }
PictureDecoder::~PictureDecoder() = default;

bool PictureDecoder::Ready() const { return codec_ && codec_->context; }

void PictureDecoder::Reset() {
    pictures_.clear();
    codec_ = std::make_unique<Codec>();
    const AVCodec* mpeg2 = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
    if (!mpeg2) return;
    AVCodecContext* context = avcodec_alloc_context3(mpeg2);
    if (!context) return;
    // One thread: pictures come back in the order they were fed, and the board's output stays
    // the same from run to run.
    context->thread_count = 1;
    if (avcodec_open2(context, mpeg2, nullptr) < 0) {
        avcodec_free_context(&context);
        return;
    }
    codec_->context = context;
    codec_->packet = av_packet_alloc();
    codec_->frame = av_frame_alloc();
}

void PictureDecoder::Feed(const std::uint8_t* data, std::size_t bytes, std::int64_t displayIndex) {
    if (!Ready() || bytes == 0) return;
    AVPacket* packet = codec_->packet;
    if (av_new_packet(packet, static_cast<int>(bytes)) < 0) return;
    std::memcpy(packet->data, data, bytes);
    packet->pts = displayIndex;
    packet->dts = AV_NOPTS_VALUE;
    if (avcodec_send_packet(codec_->context, packet) < 0) ++lost_;
    av_packet_unref(packet);
    Receive();
}

void PictureDecoder::Flush() {
    if (!Ready()) return;
    avcodec_send_packet(codec_->context, nullptr);
    Receive();
    avcodec_flush_buffers(codec_->context);
}

void PictureDecoder::Receive() {
    while (avcodec_receive_frame(codec_->context, codec_->frame) == 0) {
        AVFrame* picture = av_frame_clone(codec_->frame);
        av_frame_unref(codec_->frame);
        if (!picture) continue;
        const std::int64_t index = picture->pts;
        if (index == AV_NOPTS_VALUE) {
            av_frame_free(&picture);
            continue;
        }
        pictures_[index] = std::shared_ptr<void>(picture, [](void* p) {
            auto* f = static_cast<AVFrame*>(p);
            av_frame_free(&f);
        });
    }
}

void PictureDecoder::Forget(std::int64_t displayIndex) {
    pictures_.erase(pictures_.begin(), pictures_.lower_bound(displayIndex));
}

std::vector<std::uint8_t> PictureDecoder::Field(std::int64_t displayIndex, int parity, int width, int fieldLines) {
    const auto found = pictures_.find(displayIndex);
    if (found == pictures_.end()) return {};
    const auto* picture = static_cast<const AVFrame*>(found->second.get());
    const int height = 2 * fieldLines;
    codec_->scaler = sws_getCachedContext(codec_->scaler, picture->width, picture->height,
                                          static_cast<AVPixelFormat>(picture->format), width, height,
                                          AV_PIX_FMT_UYVY422, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!codec_->scaler) return {};
    const int lineBytes = 2 * width;
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(lineBytes) * height);
    std::uint8_t* planes[4] = {frame.data(), nullptr, nullptr, nullptr};
    int strides[4] = {lineBytes, 0, 0, 0};
    sws_scale(codec_->scaler, picture->data, picture->linesize, 0, picture->height, planes, strides);
    std::vector<std::uint8_t> field(static_cast<std::size_t>(lineBytes) * fieldLines);
    for (int line = 0; line < fieldLines; ++line)
        std::memcpy(field.data() + static_cast<std::size_t>(line) * lineBytes,
                    frame.data() + static_cast<std::size_t>(2 * line + parity) * lineBytes, lineBytes);
    return field;
}

}  // namespace softboard
