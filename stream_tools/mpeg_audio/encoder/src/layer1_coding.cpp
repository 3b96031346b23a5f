// Layer I: bit allocation, quantization and frame fields.
#include <algorithm>
#include <cmath>

#include "bit_allocation.h"
#include "layer12_coding.h"
#include "layer12_tables.h"

namespace mpa {

namespace {

constexpr unsigned kLayer1MaxAllocation = 14;

// Every quantizer of Layer I codes 12 samples of n + 1 bits; a used band adds its 6-bit scale factor, one
// per channel above the joint-stereo bound.
AllocationRules Layer1Rules(const AudioFrameParams& params) {
    const int channels = params.stereo;
    const int allocationBits = 4 * (params.jsbound * channels + 32 - params.jsbound);
    AllocationRules rules;
    rules.subbands = 32;
    rules.fixedBits = 32 + (params.header.error_protection ? 16 : 0) + allocationBits;
    rules.noiseFreeFixedBits = 32 + allocationBits;
    rules.boundBySubbandZero = true;
    rules.maxAllocation = [](int) { return kLayer1MaxAllocation; };
    rules.snr = [](int, unsigned alloc) { return kLayer1Snr[alloc]; };
    rules.sampleBits = [](int, unsigned alloc) { return alloc ? 12 * static_cast<int>(alloc + 1) : 0; };
    rules.sideBits = [channels](const Layer12Frame&, int, int, bool joint) { return 6 * (joint ? channels : 1); };
    return rules;
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
    return NoiseFreeBits(frame, params, Layer1Rules(params));
}

int AllocateLayer1Bits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params) {
    return AllocateBits(frame, bitsAvailable, params, Layer1Rules(params));
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
