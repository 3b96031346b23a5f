// The seam through which the demultiplexer decodes each MPEG audio track to PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace ps_demux {

inline constexpr int kMaxFrameValues = 2304;  // 1152 samples x 2 channels

// Decodes the frames of one audio stream; one object per stream, so no two streams share the
// decoder's history.
class TrackAudioDecoder {
public:
    virtual ~TrackAudioDecoder() = default;
    // Decodes one whole frame into channel-interleaved samples (room for kMaxFrameValues);
    // returns the values written, 0 for a frame it drops.
    virtual int Decode(const std::uint8_t* frame, std::size_t bytes, std::int16_t* output) = 0;
    virtual int Channels() const = 0;
};
using AudioDecoderFactory = std::function<std::unique_ptr<TrackAudioDecoder>()>;

// The decoder of this build; null when none is built in.
AudioDecoderFactory DefaultAudioDecoder();

}  // namespace ps_demux
