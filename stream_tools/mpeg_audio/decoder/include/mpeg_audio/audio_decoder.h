// MPEG audio decoder (ISO/IEC 11172-3 Layers I, II and III; Layers II and III also at the half
// sampling rates of ISO/IEC 13818-3). One decoder object per audio stream: it keeps the synthesis
// history, the Layer III overlap and bit reservoir of that stream only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "mpeg_audio/audio_frame.h"
#include "mpeg_audio/huffman_decoder_table.h"

namespace mpa {

constexpr std::size_t kMaxFrameBytes = 16384;
constexpr int kMaxFrameValues = 2304;  // 1152 samples x 2 channels

struct DecoderState;

class AudioFrameDecoder {
public:
    // Layer III reads its trees from `tables`; by default the "huffdec" file of the working
    // directory, loaded once.
    explicit AudioFrameDecoder(std::shared_ptr<const HuffmanDecoderTables> tables = {});
    ~AudioFrameDecoder();
    AudioFrameDecoder(const AudioFrameDecoder&) = delete;
    AudioFrameDecoder& operator=(const AudioFrameDecoder&) = delete;

    // Decodes the one frame held in bytes[0..length-1] (at most 16384 bytes; the first byte-aligned
    // sync word starts it). Writes channel-interleaved 16-bit samples to output (room for 2304) and
    // returns the number of values written: 384, 1152 or 576 per channel, 0 for a dropped frame.
    // With swap set every stereo pair is written as its byte-reversed 32-bit word.
    int DecodeAudioFrame(const uint8_t* bytes, std::size_t length, int16_t* output, bool swap = false);

    // Header of the last frame whose header was read.
    const AudioFrameHeader& Header() const;
    int Channels() const;
    // Samples clipped over the life of this decoder, and frames dropped.
    long ClippedSamples() const;
    long DroppedFrames() const;

private:
    std::unique_ptr<DecoderState> state_;
};

}  // namespace mpa
