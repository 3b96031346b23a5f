// Layer III mid/side stereo: the per-frame decision, the transform and the allowed noise of the
// mid and side channels.
#pragma once

#include "layer3_quantizer.h"
#include "layer3_types.h"
#include "mpeg_audio/layer3_tables.h"

namespace mpa {

// `ApplyLayer3MidSide`: decides mid/side for the frame and transforms the spectra; returns mode_ext
// (0 or 2). With mid/side on, `ratios` are rewritten for the mid and side spectra so that the noise both
// may add stays under the lower of the left and right thresholds of each band.
int ApplyLayer3MidSide(double xr[2][2][576], int channels, int granules, bool jointStereo, const Layer3SideInfo& side,
                       const double energy[2], Layer3Ratios ratios[2][2], const ScaleFactorBands& bands);

}  // namespace mpa
