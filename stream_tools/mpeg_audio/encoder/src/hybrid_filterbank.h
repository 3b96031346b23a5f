// Layer III hybrid filterbank: MDCT of the subband samples with alias reduction, per encoder object.
#pragma once

#include "layer3_types.h"

namespace mpa {

class HybridFilterbank {
public:
    HybridFilterbank();

    // Subband samples of granule slot 1..granules of `channel` ([18][32]); slot 0 holds the last
    // granule of the previous frame.
    double (*Slot(int channel, int slot))[32] { return store_[channel][slot]; }

    // `RunHybridFilterbank`: 576 spectral values per granule and channel from the stored subband samples.
    void Run(double xr[2][2][576], int channels, const Layer3SideInfo& side, int granules);

    // `ComputeMdct`: 36 inputs, 18 outputs (short blocks: 3 windows of 6, interleaved m * 3 + w).
    void ComputeMdct(const double in[36], double out[18], int blockType) const;

    void Clear();

private:
    double store_[2][3][18][32] = {};
    double window_[4][36];
    double cos_long_[18][36];
    double cos_short_[6][12];
    double cs_[8], ca_[8];
};

}  // namespace mpa
