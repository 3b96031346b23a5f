// Frame driver: sync, header, CRC word, dispatch by layer, output layout.
#include <cmath>

#include "decoder_state.h"
#include "mpeg_audio/console.h"

namespace mpa {

namespace {

void DecodeHeader(BitStream& stream, AudioFrameHeader& h) {
    h.version = static_cast<int32_t>(GetBits(stream, 1));
    h.layer = 4 - static_cast<int32_t>(GetBits(stream, 2));
    h.error_protection = !Get1Bit(stream);
    h.bitrate_index = static_cast<int32_t>(GetBits(stream, 4));
    h.sampling_frequency = static_cast<int32_t>(GetBits(stream, 2));
    h.padding = Get1Bit(stream);
    h.extension = Get1Bit(stream);
    h.mode = static_cast<int32_t>(GetBits(stream, 2));
    h.mode_ext = static_cast<int32_t>(GetBits(stream, 2));
    h.copyright = Get1Bit(stream);
    h.original = Get1Bit(stream);
    h.emphasis = static_cast<int32_t>(GetBits(stream, 2));
}

uint16_t Swap16(int16_t value) {
    auto v = static_cast<uint16_t>(value);
    return static_cast<uint16_t>(v << 8 | v >> 8);
}

}  // namespace

double ScaleFactorMultiple(unsigned index) {
    static const std::array<double, 64> table = [] {
        std::array<double, 64> t{};
        for (int i = 0; i < 63; ++i) t[i] = std::exp2(1.0 - i / 3.0);
        t[63] = 1e-20;
        return t;
    }();
    return table[index & 63];
}

void OutputSamples(DecoderState& s, int slots) {
    const int channels = s.params.stereo;
    int16_t* out = s.out + s.outCount;
    for (int slot = 0; slot < slots; ++slot) {
        const int16_t* left = s.pcm[0][slot];
        const int16_t* right = s.pcm[1][slot];
        if (channels == 2 && !s.swap) {
            for (int i = 0; i < 32; ++i) out[2 * i] = left[i], out[2 * i + 1] = right[i];
        } else if (channels == 2) {
            // The pair as one 32-bit word, byte-reversed: right first, each byte-swapped.
            for (int i = 0; i < 32; ++i) {
                out[2 * i] = static_cast<int16_t>(Swap16(right[i]));
                out[2 * i + 1] = static_cast<int16_t>(Swap16(left[i]));
            }
        } else {
            for (int i = 0; i < 32; ++i) out[i] = s.swap ? static_cast<int16_t>(Swap16(left[i])) : left[i];
        }
        out += 32 * channels;
    }
    s.outCount += 32 * channels * slots;
}

AudioFrameDecoder::AudioFrameDecoder(std::shared_ptr<const HuffmanDecoderTables> tables)
    : state_(std::make_unique<DecoderState>()) {
    state_->huffman = std::move(tables);
}

AudioFrameDecoder::~AudioFrameDecoder() = default;

const AudioFrameHeader& AudioFrameDecoder::Header() const { return state_->params.header; }
int AudioFrameDecoder::Channels() const { return state_->params.stereo; }
long AudioFrameDecoder::ClippedSamples() const { return state_->clipped; }
long AudioFrameDecoder::DroppedFrames() const { return state_->dropped; }

int AudioFrameDecoder::DecodeAudioFrame(const uint8_t* bytes, std::size_t length, int16_t* output, bool swap) {
    DecoderState& s = *state_;
    s.out = output;
    s.outCount = 0;
    s.swap = swap;
    if (!bytes || length > kMaxFrameBytes) length = 0;
    OpenBitReader(s.stream, bytes, length);
    if (!SeekSync(s.stream, 0xFFF, 12)) {
        ConsoleMessage("Frame cannot be located\n");
        ++s.dropped;
        return 0;
    }
    const int64_t frameStartBit = GetBitCount(s.stream) - 12;
    DecodeHeader(s.stream, s.params.header);
    // Reserved layer, forbidden bitrate, reserved sampling frequency: nothing in the tables fits.
    if (EndOfStream(s.stream) || !HeaderToFrameParams(s.params) || s.params.jsbound < 0) {
        ++s.dropped;
        return 0;
    }
    if (s.params.header.error_protection) s.storedCrc = GetBits(s.stream, 16);  // ReadCrcWord
    bool decoded = false;
    switch (s.params.header.layer) {
        case 1: decoded = DecodeLayer1(s); break;
        case 2: decoded = DecodeLayer2(s); break;
        case 3: {
            const std::size_t frameBytes = length - static_cast<std::size_t>(frameStartBit / 8);
            if (!s.huffman) s.huffman = DefaultHuffmanDecoderTables();
            decoded = DecodeLayer3(s, frameBytes);
            break;
        }
    }
    if (!decoded) {
        ++s.dropped;
        s.outCount = 0;
    }
    return s.outCount;
}

}  // namespace mpa
