// Psychoacoustic model 1 for Layers I and II: tonal and non-tonal maskers found in a Hann-windowed
// spectrum, their individual masking thresholds on a subsampled frequency grid, and the signal-to-mask
// ratio per subband. Reads its frequency grid and critical band boundaries from table files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fft.h"

namespace mpa {

class PsychoModel1 {
public:
    // Grid point of the threshold calculation: an FFT line with its Bark value and threshold in quiet.
    struct GridPoint {
        int line;
        double bark;
        double quiet_db;
    };

    // Reads the tables of `layer` and frequency index (MPEG-1 0..2, half rates 4..6) from the working
    // directory ("2cb1", "2th1", ...). The threshold in quiet drops by 12 dB from 96 kbit/s per channel on.
    bool Setup(int layer, int frequencyIndex, int bitratePerChannel, std::string* error);
    void ClearHistory();

    // `RunPsychoModel1Layer1` / `RunPsychoModel1Layer2`: ratios for the 32 subbands of `channel` from the
    // frame's new samples and the subbands' scale factor values.
    bool Run(const std::int16_t* samples, int channel, const double multiple[32], float smr[32]);

    const std::vector<GridPoint>& Grid() const { return grid_; }
    const std::vector<int>& CriticalBandStarts() const { return band_start_; }

private:
    int layer_ = 0;
    int fft_size_ = 0;
    std::string loaded_;  // names of the loaded tables
    std::vector<GridPoint> grid_;
    std::vector<int> band_start_;  // first grid index of each critical band
    std::vector<int> grid_of_line_;  // nearest grid index at or above each FFT line
    double quiet_offset_db_ = 0.0;
    std::array<std::array<std::int16_t, 512>, 2> history_{};
    std::vector<float> window_;
    RealFft fft512_{9};
    RealFft fft1024_{10};
};

}  // namespace mpa
