#include "layer3_mid_side.h"

#include <algorithm>
#include <cmath>

namespace mpa {

namespace {

constexpr double kHalfRoot = static_cast<double>(0.70710677f);

// Energies of one band of a granule: left, right, mid and side.
struct BandEnergies {
    double l = 0.0, r = 0.0, m = 0.0, s = 0.0;
};

BandEnergies MeasureBand(const double* left, const double* right, int begin, int end, int stride) {
    BandEnergies e;
    for (int i = begin; i < end; i += stride) {
        const double a = left[i], b = right[i];
        e.l += a * a;
        e.r += b * b;
        e.m += 0.5 * (a + b) * (a + b);
        e.s += 0.5 * (a - b) * (a - b);
    }
    return e;
}

// Bits a band of `width` lines roughly needs to keep its noise at `allowed`: half a bit per line for
// every doubling of energy over the allowed noise.
double BandBits(double energy, double allowed, int width) {
    if (energy <= allowed || energy <= 0.0) return 0.0;
    return 0.5 * width * std::log2(energy / std::max(allowed, energy * 1e-12));
}

// Bits mid/side saves in a band (negative: it costs). Each output channel receives the sum of the mid
// and side noise, so both must stay under the lower threshold of left and right.
double MidSideGain(const BandEnergies& e, double ratioL, double ratioR, int width) {
    const double thrL = ratioL * e.l, thrR = ratioR * e.r;
    const double thr = std::min(thrL, thrR);
    return BandBits(e.l, thrL, width) + BandBits(e.r, thrR, width) - BandBits(e.m, thr, width) -
           BandBits(e.s, thr, width);
}

// Ratios for mid and side such that each one's allowed noise is the lower left/right threshold (the
// decoder's left and right each get half of the sum of both noises).
void SetMidSideRatios(const BandEnergies& e, double& ratioMid, double& ratioSide) {
    const double thr = std::min(ratioMid * e.l, ratioSide * e.r);
    ratioMid = e.m > 0.0 ? thr / e.m : 0.0;
    ratioSide = e.s > 0.0 ? thr / e.s : 0.0;
}

bool BothShort(const Layer3SideInfo& side, int g) {
    return side.gr[g][0].block_type == kShortBlock && side.gr[g][1].block_type == kShortBlock;
}

}  // namespace

int ApplyLayer3MidSide(double xr[2][2][576], int channels, int granules, bool jointStereo, const Layer3SideInfo& side,
                       const double energy[2], Layer3Ratios ratios[2][2], const ScaleFactorBands& bands) {
    if (channels != 2 || !jointStereo) return 0;
    // A channel far louder than the other leaves nothing for mid/side to share.
    if (!(0.8 * (energy[0] + energy[1]) > energy[0] - energy[1])) return 0;
    // Mid and side pair lines of the same frequency: both channels' blocks must order their lines alike.
    for (int g = 0; g < granules; ++g) {
        const bool short0 = side.gr[g][0].block_type == kShortBlock, short1 = side.gr[g][1].block_type == kShortBlock;
        if (short0 != short1) return 0;
    }
    // Decided from the bands where it pays: a whole-spectrum sum lets loud correlated bass hide treble
    // that only one channel carries.
    double gain = 0.0;
    for (int g = 0; g < granules; ++g) {
        const double* l = xr[g][0];
        const double* r = xr[g][1];
        const Layer3Ratios& rl = ratios[g][0];
        const Layer3Ratios& rr = ratios[g][1];
        if (BothShort(side, g)) {
            for (int b = 0; b < 12; ++b)
                for (int w = 0; w < 3; ++w) {
                    const int begin = 3 * bands.short_start[b] + w, end = 3 * bands.short_start[b + 1];
                    const int width = bands.short_start[b + 1] - bands.short_start[b];
                    gain += MidSideGain(MeasureBand(l, r, begin, end, 3), rl.s[b][w], rr.s[b][w], width);
                }
        } else {
            for (int b = 0; b < 21; ++b) {
                const int begin = bands.long_start[b], end = bands.long_start[b + 1];
                gain += MidSideGain(MeasureBand(l, r, begin, end, 1), rl.l[b], rr.l[b], end - begin);
            }
        }
    }
    if (gain <= 0.0) return 0;

    for (int g = 0; g < granules; ++g) {
        double* l = xr[g][0];
        double* r = xr[g][1];
        Layer3Ratios& rm = ratios[g][0];
        Layer3Ratios& rs = ratios[g][1];
        if (BothShort(side, g)) {
            for (int b = 0; b < 12; ++b)
                for (int w = 0; w < 3; ++w)
                    SetMidSideRatios(MeasureBand(l, r, 3 * bands.short_start[b] + w, 3 * bands.short_start[b + 1], 3),
                                     rm.s[b][w], rs.s[b][w]);
        } else {
            for (int b = 0; b < 21; ++b)
                SetMidSideRatios(MeasureBand(l, r, bands.long_start[b], bands.long_start[b + 1], 1), rm.l[b], rs.l[b]);
        }
        for (int i = 0; i < 576; ++i) {
            const double right = static_cast<double>(static_cast<float>(r[i]));
            const double mid = (l[i] + right) * kHalfRoot;
            r[i] = (l[i] - right) * kHalfRoot;
            l[i] = mid;
        }
    }
    return 2;
}

}  // namespace mpa
