#include "analysis_filter.h"

#include <cmath>
#include <numbers>

#include "analysis_window.h"

namespace mpa {

double AnalysisWindow(int i) {
    int half = i <= 256 ? i : 512 - i;
    double value = kWindowHalf[half] / 65536.0;
    if (i > 256 && i % 64 != 0) value = -value;
    return value / 32.0;
}

namespace {
// The filter's matrix coefficients are the standard's nine-decimal values, not the exact cosines.
double RoundNine(double x) {
    return std::round(x * 1e9) * 1e-9;  // std::round rounds half away from zero
}
}  // namespace

AnalysisFilter::AnalysisFilter() {
    for (int i = 0; i < 512; ++i) window_[i] = AnalysisWindow(i);
    for (int k = 0; k < 32; ++k)
        for (int i = 0; i < 64; ++i)
            matrix_[k][i] = RoundNine(std::cos((2 * k + 1) * (16 - i) * std::numbers::pi / 64.0));
}

void AnalysisFilter::Filter(const std::int16_t* samples, int channel, double* subband) {
    auto& x = history_[channel];
    int& offset = offset_[channel];
    for (int i = 0; i < 32; ++i) {
        int position = (offset + 31 - i) & 511;
        x[position] = x[position + 512] = samples[i] / 32768.0;
    }

    const double* ring = x.data() + offset;
    double z[512];
    for (int n = 0; n < 512; ++n) z[n] = ring[n] * window_[n];
    double y[64];
    for (int i = 0; i < 64; ++i)
        y[i] = z[i] + z[i + 64] + z[i + 128] + z[i + 192] + z[i + 256] + z[i + 320] + z[i + 384] + z[i + 448];
    offset = (offset - 32) & 511;

    // M[k][16 - m] = M[k][16 + m] (m = 0..16) and M[k][48 - m] = -M[k][48 + m] (m = 1..15); M[k][48] = 0.
    // Folding Y first leaves 32 products per band instead of 64.
    double even[17];
    double odd[16];
    even[0] = y[16];
    odd[0] = 0.0;
    for (int m = 1; m < 16; ++m) {
        even[m] = y[16 - m] + y[16 + m];
        odd[m] = y[48 - m] - y[48 + m];
    }
    even[16] = y[0] + y[32];
    for (int k = 0; k < 32; ++k) {
        const auto& row = matrix_[k];
        double sum = row[0] * even[16];
        for (int m = 0; m < 16; ++m) sum += row[16 - m] * even[m] + row[48 - m] * odd[m];
        subband[k] = sum;
    }
}

}  // namespace mpa
