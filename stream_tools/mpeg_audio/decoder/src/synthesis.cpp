// Polyphase synthesis filterbank: 32 subband samples in, 32 PCM samples out per call.
#include <algorithm>
#include <cmath>

#include "decoder_state.h"
#include "mpeg_audio/layer3_tables.h"

namespace mpa {

namespace {

double RoundTo1e9(double value) {
    return std::round(value * 1e9) / 1e9;  // std::round: half away from zero
}

// The matrixing V[i] = sum_k N[i][k] S[k] with N[i][k] = cos((16 + i)(2k + 1) pi / 64) is a 32-point
// cosine transform X[m] = sum_k cos(m (2k + 1) pi / 64) S[k] read at m = i + 16, using
// X[64 - m] = -X[m] and X[m + 64] = -X[m]; and X[m] needs only 16 terms, since the terms of k and
// 31 - k share their cosine up to the sign (-1)^m. The coefficients are rounded to 1e-9 as the
// full matrix's are.
void BuildSynthesisMatrix(SynthesisState& synthesis) {
    for (int k = 0; k < 16; ++k) {
        for (int p = 0; p < 16; ++p) {
            synthesis.even_matrix[k][p] = static_cast<float>(RoundTo1e9(std::cos(2 * p * (2 * k + 1) * M_PI / 64.0)));
            synthesis.odd_matrix[k][p] = static_cast<float>(RoundTo1e9(std::cos((2 * p + 1) * (2 * k + 1) * M_PI / 64.0)));
        }
    }
    for (int i = 0; i < 512; ++i) synthesis.window[i] = static_cast<float>(SynthesisWindow(i));
    synthesis.ready = true;
}

}  // namespace

int SynthesizeSubbands(SynthesisState& synthesis, const double* fractions, int channel, int16_t* out) {
    if (!synthesis.ready) BuildSynthesisMatrix(synthesis);
    int& offset = synthesis.offset[channel];
    offset = (offset - 64) & 1023;
    float* history = synthesis.history[channel].data();
    // Accumulated by column so that the inner loops run over contiguous outputs.
    float even[16] = {}, odd[16] = {}, x[32];
    for (int k = 0; k < 16; ++k) {
        const float sum = static_cast<float>(fractions[k] + fractions[31 - k]);
        const float difference = static_cast<float>(fractions[k] - fractions[31 - k]);
        const float* even_column = synthesis.even_matrix[k].data();
        const float* odd_column = synthesis.odd_matrix[k].data();
        for (int p = 0; p < 16; ++p) {
            even[p] += even_column[p] * sum;
            odd[p] += odd_column[p] * difference;
        }
    }
    for (int p = 0; p < 16; ++p) {
        x[2 * p] = even[p];
        x[2 * p + 1] = odd[p];
    }
    float* v = history + offset;
    for (int i = 0; i < 16; ++i) v[i] = x[i + 16];
    v[16] = 0.0;
    for (int i = 17; i < 48; ++i) v[i] = -x[48 - i];
    for (int i = 48; i < 64; ++i) v[i] = -x[i - 48];
    std::copy(v, v + 64, v + 1024);
    float sums_out[32] = {};
    for (int i = 0; i < 16; ++i) {
        const float* window = synthesis.window.data() + 32 * i;
        const float* ring = history + offset + 32 * i + 64 * ((i + 1) / 2);
        for (int j = 0; j < 32; ++j) sums_out[j] += window[j] * ring[j];
    }
    int clipped = 0;
    for (int j = 0; j < 32; ++j) {
        double sample = static_cast<double>(sums_out[j]) * 32768.0;
        if (sample >= 32767.5) {
            out[j] = 32767;
            ++clipped;
            continue;
        }
        if (sample < -32768.5) {
            out[j] = -32768;
            ++clipped;
            continue;
        }
        // Half away from zero: the cast truncates towards zero.
        sample += sample >= 0 ? 0.5 : -0.5;
        out[j] = static_cast<int16_t>(sample);
    }
    return clipped;
}

}  // namespace mpa
