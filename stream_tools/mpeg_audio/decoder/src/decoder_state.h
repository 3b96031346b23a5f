// State of one decoded stream and the steps of the frame decoder.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "mpeg_audio/audio_decoder.h"
#include "mpeg_audio/bit_stream.h"

namespace mpa {

// Layer III bit reservoir: main data of earlier frames, of which a frame may reach back up to
// main_data_begin bytes, followed by the frame's own main data.
struct MainDataReservoir {
    static constexpr std::size_t kCapacity = 4096;
    std::vector<uint8_t> bytes;  // the retained tail of the stream's main data
    // Reader over the current frame's window of `bytes`.
    std::size_t startBit = 0, endBit = 0, position = 0;
    bool overflow = false;

    int Get1Bit() {
        if (position >= endBit) {
            overflow = true;
            ++position;
            return 0;
        }
        int bit = (bytes[position >> 3] >> (7 - (position & 7))) & 1;
        ++position;
        return bit;
    }
    // The next `count` bits (at most 25) without reading them, when the window holds that many.
    bool Peek(int count, unsigned* bits) const {
        if (position + count > endBit) return false;
        *bits = static_cast<unsigned>(Window() >> (32 - count));
        return true;
    }
    uint32_t GetBits(int count) {
        if (count > 0 && count <= 25 && position + count <= endBit) {
            const auto value = static_cast<uint32_t>(Window() >> (32 - count));
            position += count;
            return value;
        }
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = value << 1 | static_cast<uint32_t>(Get1Bit());
        return value;
    }

    // 32 bits from `position` on, the first in the top bit; bytes past the data read as zeros.
    uint32_t Window() const {
        const std::size_t byte = position >> 3;
        uint64_t window = 0;
        if (byte + 8 <= bytes.size()) {
            std::memcpy(&window, bytes.data() + byte, sizeof window);
            if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
            return static_cast<uint32_t>((window << (position & 7)) >> 32);
        }
        for (std::size_t i = 0; i < 5; ++i) window = window << 8 | (byte + i < bytes.size() ? bytes[byte + i] : 0);
        return static_cast<uint32_t>(window >> (8 - (position & 7)));
    }
    // 64 bits from `position` on, the first in the top bit, of which at least 57 are the data's. Only
    // where 8 bytes follow the position's byte.
    uint64_t Window64() const {
        uint64_t window;
        std::memcpy(&window, bytes.data() + (position >> 3), sizeof window);
        if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
        return window << (position & 7);
    }
    // Applies the sign bits that follow a code to the `count` values (those that are not zero take
    // one bit each), as Get1Bit would read them.
    void ApplySigns(int* const* values, int count) {
        if (position + count > endBit) {
            for (int i = 0; i < count; ++i)
                if (*values[i] && Get1Bit()) *values[i] = -*values[i];
            return;
        }
        uint32_t window = Window();
        for (int i = 0; i < count; ++i) {
            const int value = *values[i];
            const unsigned used = value != 0;
            const int negative = static_cast<int>((window >> 31) & used);
            *values[i] = (value ^ -negative) + negative;
            window <<= used;
            position += used;
        }
    }
};

struct Layer3GranuleChannel {
    unsigned part2_3_length = 0, big_values = 0, global_gain = 0, scalefac_compress = 0;
    unsigned window_switching_flag = 0, block_type = 0, mixed_block_flag = 0;
    unsigned table_select[3] = {}, subblock_gain[3] = {};
    unsigned region0_count = 0, region1_count = 0;
    unsigned preflag = 0, scalefac_scale = 0, count1table_select = 0;
};

struct DecoderSideInfo {
    unsigned main_data_begin = 0, private_bits = 0;
    unsigned scfsi[2][4] = {};
    Layer3GranuleChannel gr[2][2];
};

struct DecoderScaleFactors {
    int l[23] = {};
    int s[13][3] = {};
};

struct SynthesisState {
    bool ready = false;
    std::array<float, 512> window{};                  // D[i]
    // The 1024-value ring of each channel, stored twice in a row so that windowing reads it without
    // wrapping.
    std::array<std::array<float, 2048>, 2> history{};
    int offset[2] = {0, 0};
};

struct DecoderState {
    std::shared_ptr<const HuffmanDecoderTables> huffman;
    AudioFrameParams params;
    BitStream stream;
    long clipped = 0;
    long dropped = 0;
    uint32_t storedCrc = 0;

    // Layers I and II.
    unsigned allocation[2][32] = {};
    unsigned scfsi[2][32] = {};
    unsigned scaleIndex[2][3][32] = {};
    float fraction[2][36][32] = {};  // [channel][slot][subband]

    // Output staging: [channel][slot][subband sample].
    int16_t pcm[2][36][32] = {};
    int16_t* out = nullptr;
    int outCount = 0;
    bool swap = false;

    SynthesisState synthesis;

    // Layer III.
    MainDataReservoir reservoir;
    DecoderSideInfo sideInfo;
    DecoderScaleFactors scalefac[2];
    // Half rates: the intensity position that marks a band as not intensity coded.
    int isIllegalL[2][22] = {};
    int isIllegalS[2][13][3] = {};
    int values[2][576] = {};
    int nonzeroEnd[2] = {};
    float xr[2][576] = {};
    float hybridOut[2][18][32] = {};  // [channel][slot][subband]
    float overlap[2][32][18] = {};
};

// Frame steps, by layer.
bool DecodeLayer1(DecoderState& s);
bool DecodeLayer2(DecoderState& s);
bool DecodeLayer3(DecoderState& s, std::size_t frameBytes);

// Polyphase synthesis of `slots` slots of one channel, 32 subband samples each, into 32 PCM samples
// each; returns the clipped count.
int SynthesizeSlots(SynthesisState& synthesis, const float (*fractions)[32], int slots, int channel,
                    int16_t (*out)[32]);
// Appends `slots` slots of the staged PCM to the output in the caller's layout.
void OutputSamples(DecoderState& s, int slots);

// Scale factor multipliers 2^(1 - i/3); index 63 = 1e-20 for unallocated subbands.
double ScaleFactorMultiple(unsigned index);

}  // namespace mpa
