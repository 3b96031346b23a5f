#include "bit_allocation.h"

#include <algorithm>

namespace mpa {

namespace {
enum class BandState { Unused, Used, Full };
}  // namespace

int NoiseFreeBits(const Layer12Frame& frame, const AudioFrameParams& params, const AllocationRules& rules) {
    const int channels = params.stereo;
    const int bound = params.jsbound;
    int bits = rules.noiseFreeFixedBits;
    for (int sb = 0; sb < rules.subbands; ++sb) {
        const bool joint = sb >= bound && channels == 2;
        const int coded = sb < bound ? channels : 1;
        const unsigned last = rules.maxAllocation(sb) - static_cast<unsigned>(rules.noiseFreeHeadroom);
        for (int ch = 0; ch < coded; ++ch) {
            const double smr = joint ? std::max(frame.smr[0][sb], frame.smr[1][sb]) : frame.smr[ch][sb];
            unsigned alloc = 0;
            while (alloc < last && rules.snr(sb, alloc) - smr < 0.0) ++alloc;
            if (alloc > 0) bits += rules.sampleBits(sb, alloc) + rules.sideBits(frame, ch, sb, joint);
        }
    }
    return bits;
}

int AllocateBits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params, const AllocationRules& rules) {
    const int channels = params.stereo;
    const int bound = params.jsbound;
    const int budget = bitsAvailable - rules.fixedBits;
    double mnr[2][32];
    BandState state[2][32];
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < 2; ++ch) {
            mnr[ch][sb] = rules.snr(sb, 0) - frame.smr[ch][sb];
            frame.bit_alloc[ch][sb] = 0;
            state[ch][sb] = BandState::Unused;
        }

    int spent = 0;
    for (;;) {
        double smallest = rules.boundBySubbandZero ? mnr[0][0] + 1.0 : 999999.0;
        int bestSb = -1, bestCh = -1;
        for (int sb = 0; sb < rules.subbands; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (state[ch][sb] != BandState::Full && mnr[ch][sb] < smallest) {
                    smallest = mnr[ch][sb];
                    bestSb = sb;
                    bestCh = ch;
                }
        if (bestSb < 0) break;
        const int sb = bestSb, ch = bestCh;
        const bool joint = sb >= bound && channels == 2;
        unsigned& alloc = frame.bit_alloc[ch][sb];
        int cost = rules.sampleBits(sb, alloc + 1) - rules.sampleBits(sb, alloc);
        if (alloc == 0) cost += rules.sideBits(frame, ch, sb, joint);
        if (spent + cost <= budget) {
            ++alloc;
            spent += cost;
            state[ch][sb] = alloc >= rules.maxAllocation(sb) ? BandState::Full : BandState::Used;
            mnr[ch][sb] = rules.snr(sb, alloc) - frame.smr[ch][sb];
        } else {
            state[ch][sb] = BandState::Full;
        }
        if (joint) {
            const int other = 1 - ch;
            frame.bit_alloc[other][sb] = alloc;
            state[other][sb] = state[ch][sb];
            mnr[other][sb] = rules.snr(sb, alloc) - frame.smr[other][sb];
        }
    }
    bitsAvailable -= rules.fixedBits + spent;
    int noisy = 0;
    for (int sb = 0; sb < rules.subbands; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (mnr[ch][sb] < 0.0) ++noisy;
    return noisy;
}

}  // namespace mpa
