// Layer III psychoacoustic model: per granule and channel the block type, the perceptual entropy and
// the allowed-noise ratios of the scale factor bands, from the generated `psy_data` parameters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fft.h"
#include "layer3_quantizer.h"
#include "layer3_types.h"

namespace mpa {

extern const double kPsyData[];
extern const std::size_t kPsyDataSize;

// Parameters of one rate, as `CheckPsyData` loads them.
struct PsyParameters {
    static constexpr int kLong = 63, kShort = 63;
    int long_count = 0, short_count = 0;
    int long_lines[kLong] = {}, short_lines[kShort] = {};
    double minval[kLong] = {}, long_quiet[kLong] = {}, long_norm[kLong] = {}, long_bark[kLong] = {};
    double short_quiet[kShort] = {}, short_norm[kShort] = {}, short_snr[kShort] = {}, short_bark[kShort] = {};
    int long_partition_of_line[513];
    int short_partition_of_line[129];
    double spread[kLong][kLong] = {};        // [maskee][masker], from the long Bark values
    double short_spread[kShort][kShort] = {};
    int span_first[kLong] = {}, span_last[kLong] = {};  // non-zero columns of each spreading row
    struct Band {
        int count, first, last;
        double w1, w2;
    };
    Band long_bands[21] = {}, short_bands[12] = {};
};

// `CheckPsyData`: loads the rate's block of every section and checks the rules the table must keep
// (row numbers, band maps continuing where the previous band ended). False with `error` set.
bool CheckPsyData(const double* table, std::size_t size, int rateHz, PsyParameters& out, std::string* error);

class Layer3PsychoModel {
public:
    // Loads the parameters of `rateHz` (32, 44.1, 48 kHz and the half rates); false for another rate.
    bool Setup(int rateHz, std::string* error = nullptr);
    // Forgets every history: a new run starts as from silence.
    void Reset();

    // `RunLayer3PsychoModel`: the next 576 samples of `channel`. Ratios and block type lag the
    // analysis by one granule; the ratios are divided by `quality`. `energy` (may be null) receives the
    // long spectrum's energy figure for the mid/side decision.
    void Run(const std::int16_t* samples, int channel, double quality, Layer3Ratios& ratios, double& pe,
             Layer3GranuleInfo& gi, double* energy);

    const PsyParameters& Parameters() const { return params_; }
    static constexpr double kAttackPe = 1800.0;

private:
    int rate_ = 0;
    PsyParameters params_;
    float long_window_[1024];
    float short_window_[256];
    RealFft fft_long_{10};
    RealFft fft_short_{8};

    struct Channel {
        std::int16_t buffer[1344] = {};
        float r[2][6] = {};              // magnitudes of lines 0..5 in the two slots
        float re[2][6] = {}, im[2][6] = {};  // unit phasors of those lines
        double nb_1[63] = {}, nb_2[63] = {};
        int decision = kNormalBlock;
        Layer3Ratios last;
    };
    std::array<Channel, 2> channels_;
    int new_slot_ = 0, old_slot_ = 1, oldest_slot_ = 0;
};

}  // namespace mpa
