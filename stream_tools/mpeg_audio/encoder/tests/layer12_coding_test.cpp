// Layer I and II coding steps in isolation, and the CRC of whole frames recomputed from their bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "layer12_coding.h"
#include "layer12_tables.h"
#include "mpa_encoder/encoder.h"

namespace {

using mpa::AudioFrameParams;
using mpa::Layer12Frame;

AudioFrameParams MakeParams(int layer, int bitrateIndex, int frequency, int mode, int modeExt = 0, bool crc = false) {
    AudioFrameParams params;
    params.header.version = 1;
    params.header.layer = layer;
    params.header.bitrate_index = bitrateIndex;
    params.header.sampling_frequency = frequency;
    params.header.mode = mode;
    params.header.mode_ext = modeExt;
    params.header.error_protection = crc ? 1 : 0;
    EXPECT_TRUE(mpa::HeaderToFrameParams(params));
    return params;
}

std::unique_ptr<Layer12Frame> EmptyFrame() {
    auto frame = std::make_unique<Layer12Frame>();
    std::memset(frame.get(), 0, sizeof(Layer12Frame));
    return frame;
}

TEST(ScaleFactors, SmallestValueNotBelowThePeak) {
    auto frame = EmptyFrame();
    frame->sample[0][0][3][0] = mpa::kScaleFactorMultiple[10];         // exactly a table value
    frame->sample[0][0][5][1] = -(mpa::kScaleFactorMultiple[10] * 1.0001);  // just above it
    frame->sample[0][0][0][2] = 3.0;                                    // above the largest value
    mpa::ComputeLayer1ScaleFactors(frame->sample[0], frame->scalar[0]);
    EXPECT_EQ(frame->scalar[0][0][0], 10u);
    EXPECT_EQ(frame->scalar[0][0][1], 9u);
    EXPECT_EQ(frame->scalar[0][0][2], 0u);
    EXPECT_EQ(frame->scalar[0][0][3], 62u);  // silence

    mpa::ComputeLayer2ScaleFactors(frame->sample[0], 27, frame->scalar[0]);
    EXPECT_EQ(frame->scalar[0][1][0], 62u);
    EXPECT_EQ(frame->scalar[0][2][27], mpa::kUnusedScaleFactor);
    double multiple[32];
    frame->scalar[0][1][0] = 4;
    mpa::ComputeLayer2Multiples(frame->scalar[0], 27, multiple);
    EXPECT_DOUBLE_EQ(multiple[0], mpa::kScaleFactorMultiple[4]);  // the largest of the three parts
    EXPECT_DOUBLE_EQ(multiple[30], 1e-20);
}

TEST(ScaleFactors, SelectionPatterns) {
    struct Case {
        unsigned in[3];
        unsigned scfsi;
        unsigned out[3];
    } cases[] = {
        {{10, 20, 30}, 0, {10, 20, 30}},  // 0x123: all three differ widely
        {{10, 14, 15}, 3, {10, 14, 14}},  // 0x122
        {{10, 14, 13}, 3, {10, 13, 13}},  // 0x133
        {{10, 11, 20}, 1, {10, 10, 20}},  // 0x113
        {{10, 11, 12}, 2, {10, 10, 10}},  // 0x111
        {{12, 11, 12}, 2, {11, 11, 11}},  // 0x222
        {{10, 10, 9}, 2, {9, 9, 9}},      // 0x333
        {{10, 11, 10}, 2, {10, 10, 10}},  // 0x444
        {{9, 11, 10}, 2, {9, 9, 9}},      // 0x444, the smaller of the outer two
    };
    for (const Case& c : cases) {
        unsigned scalar[3][32] = {};
        unsigned scfsi[32] = {};
        for (int part = 0; part < 3; ++part) scalar[part][5] = c.in[part];
        mpa::ChooseScaleFactorTransmission(scalar, 27, scfsi);
        EXPECT_EQ(scfsi[5], c.scfsi) << c.in[0] << " " << c.in[1] << " " << c.in[2];
        for (int part = 0; part < 3; ++part) EXPECT_EQ(scalar[part][5], c.out[part]) << c.in[0] << " part " << part;
        // Never a smaller scale factor (larger index) than a part needs.
        for (int part = 0; part < 3; ++part) EXPECT_LE(scalar[part][5], c.in[part]);
    }
}

// Bits a frame's fields take, counted from the allocation independently of the allocator's book-keeping.
int CountLayer2Bits(const Layer12Frame& f, const AudioFrameParams& p) {
    int bits = 32 + (p.header.error_protection ? 16 : 0);
    const mpa::AllocationTable& t = *p.alloc;
    for (int sb = 0; sb < p.sblimit; ++sb) {
        int coded = sb < p.jsbound ? p.stereo : 1;
        for (int ch = 0; ch < coded; ++ch) {
            bits += static_cast<int>(t[sb][0].bits);
            unsigned a = f.bit_alloc[ch][sb];
            if (a) bits += 12 * static_cast<int>(t[sb][a].group * t[sb][a].bits);
        }
        for (int ch = 0; ch < p.stereo; ++ch)
            if (f.bit_alloc[ch][sb]) bits += 2 + 6 * mpa::kScaleFactorsSent[f.scfsi[ch][sb]];
    }
    return bits;
}

int CountLayer1Bits(const Layer12Frame& f, const AudioFrameParams& p) {
    int bits = 32 + (p.header.error_protection ? 16 : 0);
    for (int sb = 0; sb < 32; ++sb) {
        int coded = sb < p.jsbound ? p.stereo : 1;
        for (int ch = 0; ch < coded; ++ch) {
            bits += 4;
            if (f.bit_alloc[ch][sb]) bits += 12 * static_cast<int>(f.bit_alloc[ch][sb] + 1);
        }
        for (int ch = 0; ch < p.stereo; ++ch)
            if (f.bit_alloc[ch][sb]) bits += 6;
    }
    return bits;
}

TEST(BitAllocation, NeverExceedsTheFrame) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> smr(-40.0, 120.0);
    std::uniform_int_distribution<int> scfsi(0, 3);
    struct Config {
        int layer, bitrateIndex, frequency, mode, modeExt;
        bool crc;
    } configs[] = {{2, 1, 1, 3, 0, false}, {2, 4, 0, 0, 0, true},  {2, 10, 1, 1, 1, true}, {2, 14, 2, 2, 0, false},
                   {2, 6, 2, 1, 3, false}, {1, 1, 0, 3, 0, true},  {1, 6, 1, 1, 2, false}, {1, 14, 2, 0, 0, true}};
    for (const Config& c : configs) {
        AudioFrameParams params = MakeParams(c.layer, c.bitrateIndex, c.frequency, c.mode, c.modeExt, c.crc);
        int slotBits = c.layer == 1 ? 32 : 8;
        int samples = c.layer == 1 ? 384 : 1152;
        double rate = mpa::kSamplingFrequencyKhz[1][c.frequency];
        int bitrate = mpa::kBitrateKbps[1][c.layer - 1][c.bitrateIndex];
        int frameBits = static_cast<int>(samples / rate * bitrate / slotBits) * slotBits;
        for (int trial = 0; trial < 50; ++trial) {
            auto frame = EmptyFrame();
            for (int ch = 0; ch < 2; ++ch)
                for (int sb = 0; sb < 32; ++sb) {
                    frame->smr[ch][sb] = smr(random);
                    frame->scfsi[ch][sb] = static_cast<unsigned>(scfsi(random));
                }
            int available = frameBits;
            if (c.layer == 1)
                mpa::AllocateLayer1Bits(*frame, available, params);
            else
                mpa::AllocateLayer2Bits(*frame, available, params);
            int used = c.layer == 1 ? CountLayer1Bits(*frame, params) : CountLayer2Bits(*frame, params);
            EXPECT_GE(available, 0);
            EXPECT_EQ(used, frameBits - available) << "layer " << c.layer << " trial " << trial;
            for (int sb = params.sblimit; sb < 32; ++sb) EXPECT_EQ(frame->bit_alloc[0][sb], 0u);
            for (int sb = params.jsbound; sb < params.sblimit && params.stereo == 2; ++sb)
                EXPECT_EQ(frame->bit_alloc[0][sb], frame->bit_alloc[1][sb]);
        }
    }
}

TEST(BitAllocation, EqualRatiosServeTheLowestSubbandAndChannelFirst) {
    for (int layer : {1, 2}) {
        AudioFrameParams params = MakeParams(layer, 14, 1, 0);
        auto frame = EmptyFrame();
        for (int ch = 0; ch < 2; ++ch)
            for (int sb = 0; sb < 32; ++sb) frame->smr[ch][sb] = 20.0;
        // Room for the fixed fields and exactly one first step.
        int fixed = layer == 1 ? 32 + 4 * 64 : 32 + [&] {
            int bits = 0;
            for (int sb = 0; sb < params.sblimit; ++sb) bits += 2 * static_cast<int>((*params.alloc)[sb][0].bits);
            return bits;
        }();
        int firstStep = layer == 1 ? 24 + 6 : 12 * static_cast<int>((*params.alloc)[0][1].group * (*params.alloc)[0][1].bits) + 2 + 18;
        int available = fixed + firstStep;
        if (layer == 1)
            mpa::AllocateLayer1Bits(*frame, available, params);
        else
            mpa::AllocateLayer2Bits(*frame, available, params);
        EXPECT_EQ(frame->bit_alloc[0][0], 1u) << layer;
        int others = 0;
        for (int ch = 0; ch < 2; ++ch)
            for (int sb = 0; sb < 32; ++sb) others += (ch || sb) ? frame->bit_alloc[ch][sb] : 0;
        EXPECT_EQ(others, 0) << layer;
        EXPECT_EQ(available, 0) << layer;
    }
}

TEST(BitAllocation, Layer1StopsOnceOtherBandsAreAboveSubbandZero) {
    AudioFrameParams params = MakeParams(1, 14, 1, 0);  // 448 kbit/s: far more room than needed
    auto frame = EmptyFrame();
    for (int ch = 0; ch < 2; ++ch)
        for (int sb = 0; sb < 32; ++sb) frame->smr[ch][sb] = -95.0;
    frame->smr[0][0] = 0.0;
    int available = 12 * 448 / 48 * 32;
    int noisy = mpa::AllocateLayer1Bits(*frame, available, params);
    EXPECT_EQ(frame->bit_alloc[0][0], 14u);  // served up to full
    for (int ch = 0; ch < 2; ++ch)
        for (int sb = 0; sb < 32; ++sb)
            if (ch || sb) {
                EXPECT_EQ(frame->bit_alloc[ch][sb], 0u);
            }
    EXPECT_GT(available, 0);  // left over for zero fill
    EXPECT_EQ(noisy, 0);
}

TEST(Quantization, CodesStayInsideTheQuantizer) {
    AudioFrameParams params = MakeParams(2, 14, 1, 0);
    auto frame = EmptyFrame();
    const double values[] = {-1.0, -0.999, -0.5, 0.0, 0.5, 0.999, 1.0};
    for (int s = 0; s < 12; ++s)
        for (int sb = 0; sb < params.sblimit; ++sb)
            for (int ch = 0; ch < 2; ++ch) {
                frame->sample[ch][0][s][sb] = values[(s + sb) % 7];
                frame->scalar[ch][0][sb] = 1;  // value 1.587: |x| < 1 after scaling
                frame->bit_alloc[ch][sb] = 1 + (sb % 3);
            }
    mpa::QuantizeLayer2Samples(*frame, params);
    for (int sb = 0; sb < params.sblimit; ++sb) {
        unsigned steps = (*params.alloc)[sb][frame->bit_alloc[0][sb]].steps;
        for (int s = 0; s < 12; ++s) EXPECT_LT(frame->sample_code[0][0][s][sb], steps);
    }
    // A sample exactly at its scale factor and one beyond it still give legal codes.
    frame->scalar[0][0][0] = 3;  // value 1.0
    frame->sample[0][0][0][0] = 1.0;
    frame->sample[0][0][1][0] = 1.2;
    frame->bit_alloc[0][0] = 1;
    EXPECT_EQ(mpa::QuantizeLayer2Samples(*frame, params) >= 1, true);
    EXPECT_EQ(frame->sample_code[0][0][0][0], 2u);
    EXPECT_EQ(frame->sample_code[0][0][1][0], 2u);

    AudioFrameParams l1 = MakeParams(1, 14, 1, 3);
    frame->scalar[0][0][0] = 3;
    frame->sample[0][0][0][0] = 1.0;
    frame->sample[0][0][1][0] = -1.0;
    frame->bit_alloc[0][0] = 1;  // 3 steps in 2 bits: code 3 would be forbidden
    mpa::QuantizeLayer1Samples(*frame, l1);
    EXPECT_EQ(frame->sample_code[0][0][0][0], 2u);
    EXPECT_EQ(frame->sample_code[0][0][1][0], 0u);
}

// CRC-16 of protected frames, recomputed bit by bit from the written bytes.
unsigned Crc16(const std::vector<int>& bits) {
    unsigned crc = 0xFFFF;
    for (int bit : bits) {
        unsigned top = (crc >> 15) & 1;
        crc = (crc << 1) & 0xFFFF;
        if (static_cast<unsigned>(bit) != top) crc ^= 0x8005;
    }
    return crc;
}

struct BitReader {
    const std::uint8_t* bytes;
    int pos = 0;
    int Get(int n) {
        int v = 0;
        for (int i = 0; i < n; ++i, ++pos) v = (v << 1) | ((bytes[pos / 8] >> (7 - pos % 8)) & 1);
        return v;
    }
};

TEST(FrameCrc, MatchesTheProtectedFieldsAsWritten) {
    const char* lines[] = {"enc -l 2 -b 192 -s 48 -m s -e", "enc -l 2 -b 64 -s 48 -m j -e", "enc -l 2 -b 64 -s 32 -m m -e",
                           "enc -l 1 -b 192 -s 48 -m j -e", "enc -l 1 -b 96 -s 44.1 -m m -e"};
    std::vector<std::int16_t> input(mpa::Encoder::kFrameInputSamples);
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 3000.0);
    for (const char* line : lines) {
        mpa::Encoder encoder;
        ASSERT_GT(encoder.EncoderSetup(line), 0) << line;
        for (int frameIndex = 0; frameIndex < 4; ++frameIndex) {
            for (int i = 0; i < 1152; ++i) {
                input[i] = static_cast<std::int16_t>(noise(random) + 6000 * std::sin(i * 0.07));
                input[1152 + i] = static_cast<std::int16_t>(noise(random) * (i % 7 ? 0.1 : 1.0));
            }
            std::vector<std::uint8_t> out(4096);
            long bits = encoder.EncodeFrame(input.data(), out.data(), out.size());
            ASSERT_GT(bits, 0);
            mpa::AudioFrameHeader h;
            ASSERT_TRUE(mpa::ParseHeaderBytes(out.data(), h));
            AudioFrameParams params;
            params.header = h;
            ASSERT_TRUE(mpa::HeaderToFrameParams(params));
            BitReader reader{out.data()};
            std::vector<int> covered;
            reader.pos = 16;
            for (int i = 0; i < 16; ++i) covered.push_back(reader.Get(1));
            unsigned stored = static_cast<unsigned>(reader.Get(16));
            auto take = [&](int n) {
                int v = 0;
                for (int i = 0; i < n; ++i) {
                    int bit = reader.Get(1);
                    covered.push_back(bit);
                    v = (v << 1) | bit;
                }
                return v;
            };
            int alloc[2][32] = {};
            for (int sb = 0; sb < params.sblimit; ++sb) {
                int width = h.layer == 1 ? 4 : static_cast<int>((*params.alloc)[sb][0].bits);
                int coded = sb < params.jsbound ? params.stereo : 1;
                for (int ch = 0; ch < coded; ++ch) alloc[ch][sb] = take(width);
                if (coded == 1) alloc[1][sb] = alloc[0][sb];
            }
            if (h.layer == 2)
                for (int sb = 0; sb < params.sblimit; ++sb)
                    for (int ch = 0; ch < params.stereo; ++ch)
                        if (alloc[ch][sb]) take(2);
            EXPECT_EQ(Crc16(covered), stored) << line << " frame " << frameIndex;
        }
    }
}

}  // namespace
