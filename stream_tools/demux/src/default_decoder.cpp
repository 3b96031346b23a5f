// The MPEG audio decoder behind the demultiplexer's per-track seam.
#include "mpeg_audio/audio_decoder.h"
#include "ps_demux/track_audio_decoder.h"

namespace ps_demux {
namespace {

class MpegAudioTrackDecoder final : public TrackAudioDecoder {
public:
    int Decode(const std::uint8_t* frame, std::size_t bytes, std::int16_t* output) override {
        static_assert(kMaxFrameValues == mpa::kMaxFrameValues);
        if (bytes > mpa::kMaxFrameBytes) return 0;
        return decoder_.DecodeAudioFrame(frame, bytes, output);
    }
    int Channels() const override { return decoder_.Channels(); }

private:
    mpa::AudioFrameDecoder decoder_;
};

}  // namespace

AudioDecoderFactory DefaultAudioDecoder() {
    return [] { return std::make_unique<MpegAudioTrackDecoder>(); };
}

}  // namespace ps_demux
