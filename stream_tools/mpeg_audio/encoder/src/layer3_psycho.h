// Layer III psychoacoustic model: per granule and channel the block type, the perceptual entropy and
// the allowed-noise ratios of the scale factor bands, from the generated `psy_data` parameters.
#pragma once

#include <cstdint>

#include "layer3_quantizer.h"
#include "layer3_types.h"

namespace mpa {

class Layer3PsychoModel {
public:
    // Loads the parameters of `rateHz` (32, 44.1, 48 kHz and the half rates); false for another rate.
    bool Setup(int rateHz);
    // Forgets every history: a new run starts as from silence.
    void Reset();

    // `RunLayer3PsychoModel`: the next 576 samples of `channel`. Ratios and block type lag the
    // analysis by one granule; the ratios are divided by `quality`. `energy` (may be null) receives the
    // long spectrum's energy figure for the mid/side decision.
    void Run(const std::int16_t* samples, int channel, double quality, Layer3Ratios& ratios, double& pe,
             Layer3GranuleInfo& gi, double* energy);

private:
    int rate_ = 0;
};

}  // namespace mpa
