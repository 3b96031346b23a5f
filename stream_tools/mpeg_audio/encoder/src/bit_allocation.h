// Greedy bit allocation of Layers I and II. Both layers run the same search: the band with the
// smallest mask-to-noise ratio gets the next quantizer step while the frame has room for it. What
// differs is what a layer's quantizers cost and reach, given here as rules.
#pragma once

#include <functional>

#include "layer12_coding.h"

namespace mpa {

struct AllocationRules {
    int subbands = 32;        // subbands that can carry samples
    int fixedBits = 0;        // header, CRC word and allocation fields
    int noiseFreeFixedBits = 0;  // what the noise-free count starts from (Layer I leaves the CRC out)
    int noiseFreeHeadroom = 0;   // steps below the largest at which the noise-free count stops (Layer II: 1)
    // Layer I stops serving once every band left is within 1 dB of subband 0 (channel 0); Layer II
    // serves until nothing fits.
    bool boundBySubbandZero = false;
    std::function<unsigned(int sb)> maxAllocation;
    std::function<double(int sb, unsigned alloc)> snr;       // ratio reached by a quantizer, in dB
    std::function<int(int sb, unsigned alloc)> sampleBits;   // the samples of one channel's band; 0 for 0
    // Scale factors (and their selection) a band adds once it is used; `joint`: for both channels.
    std::function<int(const Layer12Frame& frame, int ch, int sb, bool joint)> sideBits;
};

int AllocateBits(Layer12Frame& frame, int& bitsAvailable, const AudioFrameParams& params, const AllocationRules& rules);
int NoiseFreeBits(const Layer12Frame& frame, const AudioFrameParams& params, const AllocationRules& rules);

}  // namespace mpa
