#include "hybrid_filterbank.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "mpeg_audio/layer3_tables.h"

namespace mpa {

HybridFilterbank::HybridFilterbank() {
    const double pi = std::numbers::pi;
    for (int i = 0; i < 36; ++i) {
        window_[0][i] = std::sin(pi / 36 * (i + 0.5));
        window_[1][i] = i < 18 ? std::sin(pi / 36 * (i + 0.5)) : i < 24 ? 1.0 : i < 30 ? std::sin(pi / 12 * (i + 0.5 - 18)) : 0.0;
        window_[3][i] = i < 6 ? 0.0 : i < 12 ? std::sin(pi / 12 * (i + 0.5 - 6)) : i < 18 ? 1.0 : std::sin(pi / 36 * (i + 0.5));
        window_[2][i] = i < 12 ? std::sin(pi / 12 * (i + 0.5)) : 0.0;
    }
    for (int m = 0; m < 18; ++m)
        for (int k = 0; k < 36; ++k) cos_long_[m][k] = std::cos(pi / 72 * (2 * k + 19) * (2 * m + 1)) / 9.0;
    for (int m = 0; m < 6; ++m)
        for (int k = 0; k < 12; ++k) cos_short_[m][k] = std::cos(pi / 24 * (2 * k + 7) * (2 * m + 1)) / 3.0;
    for (int i = 0; i < 8; ++i) {
        double c = kAliasCoefficients[i];
        cs_[i] = 1.0 / std::sqrt(1.0 + c * c);
        ca_[i] = c / std::sqrt(1.0 + c * c);
    }
}

void HybridFilterbank::Clear() { std::memset(store_, 0, sizeof store_); }

void HybridFilterbank::ComputeMdct(const double in[36], double out[18], int blockType) const {
    if (blockType == kShortBlock) {
        for (int w = 0; w < 3; ++w) {
            double x[12];
            for (int k = 0; k < 12; ++k) x[k] = window_[2][k] * in[k + 6 * w + 6];
            for (int m = 0; m < 6; ++m) {
                double sum = 0.0;
                for (int k = 0; k < 12; ++k) sum += x[k] * cos_short_[m][k];
                out[3 * m + w] = sum;
            }
        }
        return;
    }
    double x[36];
    for (int k = 0; k < 36; ++k) x[k] = window_[blockType][k] * in[k];
    for (int m = 0; m < 18; ++m) {
        const double* c = cos_long_[m];
        double sum = 0.0;
        for (int k = 0; k < 36; ++k) sum += x[k] * c[k];
        out[m] = sum;
    }
}

void HybridFilterbank::Run(double xr[2][2][576], int channels, const Layer3SideInfo& side, int granules) {
    for (int g = 0; g < granules; ++g) {
        for (int ch = 0; ch < channels; ++ch) {
            const Layer3GranuleInfo& gi = side.gr[g][ch];
            double (*older)[32] = store_[ch][g];
            double (*newer)[32] = store_[ch][g + 1];
            // Frequency inversion of the newer half: odd samples of odd subbands.
            for (int t = 1; t < 18; t += 2)
                for (int sb = 1; sb < 32; sb += 2) newer[t][sb] = -newer[t][sb];
            double* out = xr[g][ch];
            for (int sb = 0; sb < 32; ++sb) {
                double in[36];
                for (int t = 0; t < 18; ++t) {
                    in[t] = older[t][sb];
                    in[t + 18] = newer[t][sb];
                }
                int type = gi.mixed_block_flag && sb < 2 ? kNormalBlock : static_cast<int>(gi.block_type);
                ComputeMdct(in, out + 18 * sb, type);
            }
            if (gi.block_type != kShortBlock) {
                for (int sb = 1; sb < 32; ++sb)
                    for (int i = 0; i < 8; ++i) {
                        double bu = out[18 * sb - 1 - i];
                        double bd = out[18 * sb + i];
                        out[18 * sb - 1 - i] = bu * cs_[i] + bd * ca_[i];
                        out[18 * sb + i] = bd * cs_[i] - bu * ca_[i];
                    }
            }
        }
    }
    for (int ch = 0; ch < channels; ++ch) std::memcpy(store_[ch][0], store_[ch][granules], sizeof store_[ch][0]);
}

}  // namespace mpa
