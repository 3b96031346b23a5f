// Layer II: bit allocation, quantization and frame fields.
#include <algorithm>
#include <cmath>

#include "bit_allocation.h"
#include "layer12_coding.h"
#include "layer12_tables.h"
#include "mpeg_audio/console.h"

namespace mpa {

namespace {

const AllocationTable& Table(const AudioFrameParams& params) { return *params.alloc; }

int FieldWidth(const AudioFrameParams& params, int sb) { return static_cast<int>(Table(params)[sb][0].bits); }

unsigned MaxAllocation(const AudioFrameParams& params, int sb) { return (1u << FieldWidth(params, sb)) - 1; }

int SampleBits(const AudioFrameParams& params, int sb, unsigned alloc) {
    if (alloc == 0) return 0;
    const AllocationEntry& entry = Table(params)[sb][alloc];
    return 12 * static_cast<int>(entry.group * entry.bits);
}

double Snr(const AudioFrameParams& params, int sb, unsigned alloc) {
    return alloc == 0 ? kLayer2Snr[0] : kLayer2Snr[Table(params)[sb][alloc].quant + 1];
}

int Layer2FixedBits(const AudioFrameParams& params) {
    int bits = 32 + (params.header.error_protection ? 16 : 0);
    for (int sb = 0; sb < params.sblimit; ++sb)
        bits += FieldWidth(params, sb) * (sb < params.jsbound ? params.stereo : 1);
    return bits;
}

// The quantizers of Layer II come from the allocation table; a used band adds its scale factor
// selection and the scale factors that selection sends, for both channels above the joint-stereo bound.
AllocationRules Layer2Rules(const AudioFrameParams& params) {
    AllocationRules rules;
    rules.subbands = params.sblimit;
    rules.fixedBits = rules.noiseFreeFixedBits = Layer2FixedBits(params);
    rules.noiseFreeHeadroom = 1;
    rules.maxAllocation = [&params](int sb) { return MaxAllocation(params, sb); };
    rules.snr = [&params](int sb, unsigned alloc) { return Snr(params, sb, alloc); };
    rules.sampleBits = [&params](int sb, unsigned alloc) { return SampleBits(params, sb, alloc); };
    rules.sideBits = [](const Layer12Frame& frame, int ch, int sb, bool joint) {
        int bits = 2 + 6 * kScaleFactorsSent[frame.scfsi[ch][sb]];
        if (joint) bits += 2 + 6 * kScaleFactorsSent[frame.scfsi[1 - ch][sb]];
        return bits;
    };
    return rules;
}

// Quantizer code of x for a quantizer of `steps` levels coded in n + 1 bits.
unsigned QuantizeSample(double x, double a, double b, unsigned steps) {
    int n = 0;
    while ((1u << n) < steps) ++n;
    --n;
    double y = a * x + b;
    unsigned code = y >= 0.0 ? static_cast<unsigned>(y * (1 << n)) | (1u << n)
                             : static_cast<unsigned>((y + 1.0) * (1 << n));
    return std::min(code, steps - 1);
}

}  // namespace

int Layer2NoiseFreeBits(const Layer12Frame& frame, const AudioFrameParams& params) {
    return NoiseFreeBits(frame, params, Layer2Rules(params));
}

void ChooseJointStereoBound(const Layer12Frame& frame, int bitsAvailable, AudioFrameParams& params) {
    AudioFrameHeader& header = params.header;
    header.mode = kStereo;
    header.mode_ext = 0;
    params.jsbound = params.sblimit;
    auto needed = [&] {
        return header.layer == 1 ? Layer1NoiseFreeBits(frame, params) : Layer2NoiseFreeBits(frame, params);
    };
    if (needed() <= bitsAvailable) return;
    header.mode = kJointStereo;
    for (int ext = 3; ext >= 0; --ext) {
        header.mode_ext = ext;
        params.jsbound = js_bound(header.layer, ext);
        if (needed() <= bitsAvailable) break;
    }
}

int AllocateLayer2Bits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params) {
    return AllocateBits(frame, bitsAvailable, params, Layer2Rules(params));
}

int QuantizeLayer2Samples(Layer12Frame& frame, const AudioFrameParams& params) {
    int channels = params.stereo;
    int bound = params.jsbound;
    int unscaled = 0;
    for (int part = 0; part < 3; ++part)
        for (int s = 0; s < 12; ++s)
            for (int sb = 0; sb < 32; ++sb) {
                int coded = sb < bound ? channels : 1;
                for (int ch = 0; ch < coded; ++ch) {
                    unsigned alloc = sb < params.sblimit ? frame.bit_alloc[ch][sb] : 0;
                    unsigned& code = frame.sample_code[ch][part][s][sb];
                    if (alloc == 0) {
                        code = 0;
                        continue;
                    }
                    bool joint = sb >= bound && channels == 2;
                    double x = joint ? frame.joint_sample[part][s][sb] /
                                           kScaleFactorMultiple[frame.joint_scalar[part][sb]]
                                     : frame.sample[ch][part][s][sb] / kScaleFactorMultiple[frame.scalar[ch][part][sb]];
                    if (std::fabs(x) > 1.0) {
                        ConsoleMessage("Not scaled properly %d %d %d %d\n", ch, part, s, sb);
                        ++unscaled;
                    }
                    const AllocationEntry& entry = Table(params)[sb][alloc];
                    code = QuantizeSample(x, kLayer2QuantA[entry.quant], kLayer2QuantB[entry.quant], entry.steps);
                }
            }
    return unscaled;
}

void WriteLayer2Allocation(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream) {
    for (int sb = 0; sb < params.sblimit; ++sb) {
        int coded = sb < params.jsbound ? params.stereo : 1;
        for (int ch = 0; ch < coded; ++ch) PutBits(stream, frame.bit_alloc[ch][sb], FieldWidth(params, sb));
    }
}

void WriteLayer2ScaleFactors(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream) {
    for (int sb = 0; sb < params.sblimit; ++sb)
        for (int ch = 0; ch < params.stereo; ++ch)
            if (frame.bit_alloc[ch][sb]) PutBits(stream, frame.scfsi[ch][sb], 2);
    for (int sb = 0; sb < params.sblimit; ++sb)
        for (int ch = 0; ch < params.stereo; ++ch) {
            if (!frame.bit_alloc[ch][sb]) continue;
            const unsigned(&scalar)[3][32] = frame.scalar[ch];
            switch (frame.scfsi[ch][sb]) {
                case 0:
                    for (int part = 0; part < 3; ++part) PutBits(stream, scalar[part][sb], 6);
                    break;
                case 1:
                case 3:
                    PutBits(stream, scalar[0][sb], 6);
                    PutBits(stream, scalar[2][sb], 6);
                    break;
                case 2:
                    PutBits(stream, scalar[0][sb], 6);
                    break;
            }
        }
}

void WriteLayer2Samples(const Layer12Frame& frame, const AudioFrameParams& params, BitStream& stream) {
    for (int part = 0; part < 3; ++part)
        for (int s = 0; s < 12; s += 3)
            for (int sb = 0; sb < params.sblimit; ++sb) {
                int coded = sb < params.jsbound ? params.stereo : 1;
                for (int ch = 0; ch < coded; ++ch) {
                    unsigned alloc = frame.bit_alloc[ch][sb];
                    if (!alloc) continue;
                    const AllocationEntry& entry = Table(params)[sb][alloc];
                    const unsigned* codes[3] = {&frame.sample_code[ch][part][s][sb],
                                                &frame.sample_code[ch][part][s + 1][sb],
                                                &frame.sample_code[ch][part][s + 2][sb]};
                    if (entry.group == 3) {
                        for (int k = 0; k < 3; ++k) PutBits(stream, *codes[k], static_cast<int>(entry.bits));
                    } else {
                        unsigned grouped = *codes[0] + entry.steps * (*codes[1] + entry.steps * *codes[2]);
                        PutBits(stream, grouped, static_cast<int>(entry.bits));
                    }
                }
            }
}

}  // namespace mpa
