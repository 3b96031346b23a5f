// Psychoacoustic model 2 for Layers I and II: signal-to-mask ratio per subband from a 1024-point spectrum,
// its unpredictability and a spreading function over partitions of about a third of a Bark.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "fft.h"

namespace mpa {

class PsychoModel2 {
public:
    static constexpr int kLines = 513;
    static constexpr int kMaxPartitions = 63;

    PsychoModel2();

    // `RunPsychoModel2`: ratios in dB for the 32 subbands of `channel` from the frame's new samples
    // (384 for Layer I, 1152 for Layer II). False for a layer other than 1 or 2 or an unsupported rate.
    bool Run(const std::int16_t* samples, int channel, int layer, double rate, float smr[32]);

    // Absolute threshold of FFT line `line` (0..512) in the model's energy units.
    static double AbsoluteThreshold(int line, double rate);

    // Forgets the sample history; the spectra of earlier blocks and the thresholds stay.
    void ClearHistory() {
        for (auto& channel : history_) channel.fill(0);
    }

    int PartitionCount() const { return partitions_; }

    // Masking energy per subband behind the last ratios of `channel` (the lower of Layer II's two passes).
    const std::array<float, 32>& BandMask(int channel) const { return band_mask_[channel]; }

private:
    bool Setup(int rate, int layer);
    void Pass(int channel, float smr[32], float mask[32]);

    int rate_ = 0;
    int layer_ = 0;
    int flush_ = 0, sync_size_ = 0, sync_flush_ = 0;
    int partitions_ = 0;

    std::array<float, 1024> window_{};
    std::array<int, kLines> partition_of_line_{};
    std::array<int, kMaxPartitions> lines_in_partition_{};
    std::array<float, kMaxPartitions> bark_of_partition_{};
    std::array<std::array<float, kMaxPartitions>, kMaxPartitions> spread_{};  // [maskee][masker]
    std::array<float, kMaxPartitions> rnorm_{};
    std::array<double, kMaxPartitions> tmn_{};
    std::array<float, kMaxPartitions> bmax_of_partition_{};
    std::array<float, kLines> absolute_threshold_{};
    std::array<std::array<float, 32>, 2> band_mask_{};

    // Per channel: magnitudes and phases of the last two blocks, the previous thresholds, the sample history.
    std::array<std::array<std::array<float, kLines>, 2>, 2> r_{};
    // Phases kept as unit phasors (cos, sin): the prediction 2 p_old - p_oldest then needs no angles.
    std::array<std::array<std::array<float, kLines>, 2>, 2> cos_saved_{};
    std::array<std::array<std::array<float, kLines>, 2>, 2> sin_saved_{};
    std::array<std::array<float, kLines>, 2> lthr_{};
    std::array<std::array<std::int16_t, 1056>, 2> history_{};
    int new_block_ = 0;
    int old_block_ = 1;
    int oldest_block_ = 0;

    RealFft fft_{10};
    std::array<float, 1024> wsamp_{};
    std::array<float, 1024> energy_{};
    std::array<float, kLines> cos_phase_{};
    std::array<float, kLines> sin_phase_{};
};

// The spectrum shows a tone near a subband edge in its own band only, but the filter bank also leaks it into
// the neighbouring band, where the leak (an alias that synthesis cancels only when both bands carry it) would
// go without bits. Raises each band's ratio to the energy its own subband samples (`parts` x 12 per band)
// carry over the band's mask, less an allowance that leaves every other band as the model rates it.
void RaiseRatiosToSubbandEnergy(const double sample[3][12][32], int parts, const std::array<float, 32>& mask,
                                float smr[32]);

}  // namespace mpa
