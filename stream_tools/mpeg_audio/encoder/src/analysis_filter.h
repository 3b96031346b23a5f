// Polyphase analysis filter bank: 32 new PCM samples in, 32 subband samples out, per channel.
#pragma once

#include <array>
#include <cstdint>

namespace mpa {

class AnalysisFilter {
public:
    AnalysisFilter();

    // Filters the next 32 samples of `channel` (0 or 1) into `subband` (32 values). Input is 16-bit
    // PCM; the output is scaled so that a full-scale input gives subband samples near +-1.
    void Filter(const std::int16_t* samples, int channel, double* subband);

private:
    std::array<double, 512> window_;
    // M[k][i] for i = 0..63; kept whole for clarity, the sums use its symmetry.
    std::array<std::array<double, 64>, 32> matrix_;
    // Each sample is stored twice, 512 apart, so that the 512 samples from any ring offset on lie in one
    // contiguous run.
    std::array<std::array<double, 1024>, 2> history_{};
    std::array<int, 2> offset_{};
};

}  // namespace mpa
