// The software board's video encoder: libavcodec's MPEG-2 (4:2:2 profile or main profile 4:2:0)
// and MPEG-1 encoders set up from what the microcode was told, producing the aligned stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "encoder_program.h"
#include "encoder_stream.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace softboard {

struct VideoEncoderSetup {
    board_map::StreamFormat format = board_map::StreamFormat::Mpeg2_420;
    board_map::TvStandard standard = board_map::TvStandard::Ntsc;
    PictureGeometry size;
    EncoderProgram program;
};

class VideoEncoder {
public:
    // Nothing (with a reason) when the codec refuses the settings.
    static std::unique_ptr<VideoEncoder> Open(const VideoEncoderSetup& setup, std::string* error);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    // The picture to fill before Encode(): planar Y, Cb, Cr at the stream's size and chroma format.
    AVFrame& Picture() { return *frame_; }
    bool Chroma422() const;
    bool Encode();
    // Flushes the delayed pictures and ends the sequence.
    bool Finish();
    StartCodeAligner& Stream() { return stream_; }
    int Width() const;
    int Height() const;

private:
    VideoEncoder() = default;
    bool Drain();

    AVCodecContext* context_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::int64_t nextPts_ = 0;
    StartCodeAligner stream_;
};

}  // namespace softboard
