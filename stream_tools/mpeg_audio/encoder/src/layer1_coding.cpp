// Layer I: bit allocation, quantization and frame fields.
#include <algorithm>
#include <cmath>

#include "layer12_coding.h"
#include "layer12_tables.h"

namespace mpa {

namespace {

constexpr unsigned kLayer1MaxAllocation = 14;

enum class BandState { Unused, Used, Full };

int Layer1FixedBits(const AudioFrameParams& params) {
    int channels = params.stereo;
    int bound = params.jsbound;
    return 32 + (params.header.error_protection ? 16 : 0) + 4 * (bound * channels + 32 - bound);
}

// Quantizer code of x with `steps` = 2^(n+1) - 1 levels; the all-ones code is never produced.
unsigned QuantizeSample(double x, double a, double b, int n, unsigned steps) {
    double y = a * x + b;
    unsigned code = y >= 0.0 ? static_cast<unsigned>(y * (1 << n)) | (1u << n)
                             : static_cast<unsigned>((y + 1.0) * (1 << n));
    return std::min(code, steps - 1);
}

}  // namespace

int Layer1NoiseFreeBits(const Layer12Frame& frame, const AudioFrameParams& params) {
    int channels = params.stereo;
    int bound = params.jsbound;
    int bits = 32 + 4 * (bound * channels + 32 - bound);
    for (int sb = 0; sb < 32; ++sb) {
        bool joint = sb >= bound && channels == 2;
        int coded = sb < bound ? channels : 1;
        for (int ch = 0; ch < coded; ++ch) {
            double smr = joint ? std::max(frame.smr[0][sb], frame.smr[1][sb]) : frame.smr[ch][sb];
            int k = 0;
            while (k < 14 && kLayer1Snr[k] - smr < 0.0) ++k;
            if (k > 0) bits += 12 * (k + 1) + (sb < bound ? 6 : 6 * channels);
        }
    }
    return bits;
}

int AllocateLayer1Bits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params) {
    int channels = params.stereo;
    int bound = params.jsbound;
    int fixed = Layer1FixedBits(params);
    int budget = bitsAvailable - fixed;
    double mnr[2][32];
    BandState state[2][32];
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < 2; ++ch) {
            mnr[ch][sb] = kLayer1Snr[0] - frame.smr[ch][sb];
            frame.bit_alloc[ch][sb] = 0;
            state[ch][sb] = BandState::Unused;
        }

    int spent = 0;
    for (;;) {
        // Bands whose ratio is not below subband 0's (channel 0) by more than 1 dB are left as they are.
        double smallest = mnr[0][0] + 1.0;
        int bestSb = -1, bestCh = -1;
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (state[ch][sb] != BandState::Full && mnr[ch][sb] < smallest) {
                    smallest = mnr[ch][sb];
                    bestSb = sb;
                    bestCh = ch;
                }
        if (bestSb < 0) break;
        int sb = bestSb, ch = bestCh;
        bool joint = sb >= bound && channels == 2;
        unsigned& alloc = frame.bit_alloc[ch][sb];
        int sampleBits = alloc > 0 ? 12 : 24;
        int scaleBits = alloc > 0 ? 0 : 6 * (joint ? channels : 1);
        if (spent + sampleBits + scaleBits <= budget) {
            ++alloc;
            spent += sampleBits + scaleBits;
            state[ch][sb] = alloc >= kLayer1MaxAllocation ? BandState::Full : BandState::Used;
            mnr[ch][sb] = kLayer1Snr[alloc] - frame.smr[ch][sb];
        } else {
            state[ch][sb] = BandState::Full;
        }
        if (joint) {
            int other = 1 - ch;
            frame.bit_alloc[other][sb] = alloc;
            state[other][sb] = state[ch][sb];
            mnr[other][sb] = kLayer1Snr[alloc] - frame.smr[other][sb];
        }
    }
    bitsAvailable -= fixed + spent;
    int noisy = 0;
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (mnr[ch][sb] < 0.0) ++noisy;
    return noisy;
}

void QuantizeLayer1Samples(Layer12Frame& frame, const AudioFrameParams& params) {
    int channels = params.stereo;
    int bound = params.jsbound;
    for (int s = 0; s < 12; ++s)
        for (int sb = 0; sb < 32; ++sb) {
            int coded = sb < bound ? channels : 1;
            for (int ch = 0; ch < coded; ++ch) {
                unsigned n = frame.bit_alloc[ch][sb];
                if (n == 0) {
                    frame.sample_code[ch][0][s][sb] = 0;
                    continue;
                }
                bool joint = sb >= bound && channels == 2;
                double x = joint ? frame.joint_sample[0][s][sb] / kScaleFactorMultiple[frame.joint_scalar[0][sb]]
                                 : frame.sample[ch][0][s][sb] / kScaleFactorMultiple[frame.scalar[ch][0][sb]];
                frame.sample_code[ch][0][s][sb] = QuantizeSample(x, kLayer1QuantA[n - 1], kLayer1QuantB[n - 1],
                                                                 static_cast<int>(n), (2u << n) - 1);
            }
        }
}

void WriteLayer1Allocation(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream) {
    for (int sb = 0; sb < 32; ++sb) {
        int coded = sb < params.jsbound ? params.stereo : 1;
        for (int ch = 0; ch < coded; ++ch) PutBits(stream, frame.bit_alloc[ch][sb], 4);
    }
}

void WriteLayer1ScaleFactors(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream) {
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < params.stereo; ++ch)
            if (frame.bit_alloc[ch][sb]) PutBits(stream, frame.scalar[ch][0][sb], 6);
}

void WriteLayer1Samples(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream) {
    for (int s = 0; s < 12; ++s)
        for (int sb = 0; sb < 32; ++sb) {
            int coded = sb < params.jsbound ? params.stereo : 1;
            for (int ch = 0; ch < coded; ++ch) {
                unsigned n = frame.bit_alloc[ch][sb];
                if (n) PutBits(stream, frame.sample_code[ch][0][s][sb], static_cast<int>(n) + 1);
            }
        }
}

void WriteFrameCrc(uint32_t crc, BitStream& stream) { PutBits(stream, crc & 0xFFFF, 16); }

}  // namespace mpa
