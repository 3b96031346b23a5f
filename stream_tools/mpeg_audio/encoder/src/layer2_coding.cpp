// Layer II: bit allocation, quantization and frame fields.
#include <algorithm>
#include <cmath>

#include "layer12_coding.h"
#include "layer12_tables.h"
#include "mpeg_audio/console.h"

namespace mpa {

namespace {

enum class BandState { Unused, Used, Full };

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
    int channels = params.stereo;
    int bound = params.jsbound;
    int bits = Layer2FixedBits(params);
    for (int sb = 0; sb < params.sblimit; ++sb) {
        bool joint = sb >= bound && channels == 2;
        int coded = sb < bound ? channels : 1;
        unsigned last = MaxAllocation(params, sb) - 1;
        for (int ch = 0; ch < coded; ++ch) {
            double smr = joint ? std::max(frame.smr[0][sb], frame.smr[1][sb]) : frame.smr[ch][sb];
            unsigned ba = 0;
            while (ba < last && Snr(params, sb, ba) - smr < 0.0) ++ba;
            if (ba == 0) continue;
            bits += SampleBits(params, sb, ba) + 2 + 6 * kScaleFactorsSent[frame.scfsi[ch][sb]];
            if (joint) bits += 2 + 6 * kScaleFactorsSent[frame.scfsi[1][sb]];
        }
    }
    return bits;
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
    int channels = params.stereo;
    int bound = params.jsbound;
    int sblimit = params.sblimit;
    int fixed = Layer2FixedBits(params);
    int budget = bitsAvailable - fixed;
    double mnr[2][32];
    BandState state[2][32];
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < 2; ++ch) {
            mnr[ch][sb] = kLayer2Snr[0] - frame.smr[ch][sb];
            frame.bit_alloc[ch][sb] = 0;
            state[ch][sb] = BandState::Unused;
        }

    int spent = 0;
    for (;;) {
        double smallest = 999999.0;
        int bestSb = -1, bestCh = -1;
        for (int sb = 0; sb < sblimit; ++sb)
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
        int cost = SampleBits(params, sb, alloc + 1) - SampleBits(params, sb, alloc);
        if (alloc == 0) {
            cost += 2 + 6 * kScaleFactorsSent[frame.scfsi[ch][sb]];
            if (joint) cost += 2 + 6 * kScaleFactorsSent[frame.scfsi[1 - ch][sb]];
        }
        if (spent + cost <= budget) {
            ++alloc;
            spent += cost;
            state[ch][sb] = alloc >= MaxAllocation(params, sb) ? BandState::Full : BandState::Used;
            mnr[ch][sb] = Snr(params, sb, alloc) - frame.smr[ch][sb];
        } else {
            state[ch][sb] = BandState::Full;
        }
        if (joint) {
            int other = 1 - ch;
            frame.bit_alloc[other][sb] = alloc;
            state[other][sb] = state[ch][sb];
            mnr[other][sb] = Snr(params, sb, alloc) - frame.smr[other][sb];
        }
    }
    bitsAvailable -= fixed + spent;
    int noisy = 0;
    for (int sb = 0; sb < sblimit; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (mnr[ch][sb] < 0.0) ++noisy;
    return noisy;
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
