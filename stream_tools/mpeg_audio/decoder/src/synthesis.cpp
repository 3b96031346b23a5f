// Polyphase synthesis filterbank: 32 subband samples in, 32 PCM samples out per call.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "decoder_state.h"
#include "mpeg_audio/layer3_tables.h"
#include "vector_kernels.h"

namespace mpa {

namespace {

// The matrixing V[i] = sum_k cos((16 + i)(2k + 1) pi / 64) S[k] is the 32-point cosine transform
// X[m] = sum_k cos(m (2k + 1) pi / 64) S[k] read at m = i + 16, using X[64 - m] = -X[m] and
// X[m + 64] = -X[m]. The transform is computed by halving (the even outputs are the half-size
// transform of S[k] + S[N-1-k]; the odd ones, of the differences divided by 2cos((2k+1) pi / 2N),
// are neighbouring pairs of a half-size transform summed): 80 multiplications instead of 1024.

// 1 / (2 cos((2k + 1) pi / 2N)) for N = 32, 16, 8, 4, 2, one run of N/2 after another.
const std::array<float, 31> kHalvingFactors = [] {
    std::array<float, 31> factors{};
    int at = 0;
    for (int n = 32; n >= 2; n /= 2)
        for (int k = 0; k < n / 2; ++k) factors[at++] = static_cast<float>(0.5 / std::cos((2 * k + 1) * M_PI / (2.0 * n)));
    return factors;
}();

constexpr int FactorsOffset(int n) { return n == 32 ? 0 : FactorsOffset(n * 2) + n; }

template <int N>
inline void CosineTransform(const float* in, float* out) {
    if constexpr (N == 1) {
        out[0] = in[0];
    } else {
        constexpr int kHalf = N / 2;
        const float* factors = kHalvingFactors.data() + FactorsOffset(N);
        float sums[kHalf], differences[kHalf], even[kHalf], odd[kHalf];
        for (int k = 0; k < kHalf; ++k) {
            sums[k] = in[k] + in[N - 1 - k];
            differences[k] = (in[k] - in[N - 1 - k]) * factors[k];
        }
        CosineTransform<kHalf>(sums, even);
        CosineTransform<kHalf>(differences, odd);
        for (int r = 0; r < kHalf; ++r) out[2 * r] = even[r];
        for (int r = 0; r < kHalf - 1; ++r) out[2 * r + 1] = odd[r] + odd[r + 1];
        out[N - 1] = odd[kHalf - 1];
    }
}

void BuildWindow(SynthesisState& synthesis) {
    for (int i = 0; i < 512; ++i) synthesis.window[i] = static_cast<float>(SynthesisWindow(i));
    synthesis.ready = true;
}

}  // namespace

int SynthesizeSubbands(SynthesisState& synthesis, const float* fractions, int channel, int16_t* out) {
    if (!synthesis.ready) BuildWindow(synthesis);
    int& offset = synthesis.offset[channel];
    offset = (offset - 64) & 1023;
    float* history = synthesis.history[channel].data();

    float x[32];
    CosineTransform<32>(fractions, x);

    float* v = history + offset;
    for (int i = 0; i < 16; ++i) v[i] = x[i + 16];
    v[16] = 0.0f;
    for (int i = 17; i < 48; ++i) v[i] = -x[48 - i];
    for (int i = 48; i < 64; ++i) v[i] = -x[i - 48];
    std::memcpy(v + 1024, v, 64 * sizeof(float));

    float sumsOut[32];
    WindowedSums(synthesis.window.data(), history + offset, sumsOut);

    // Scaling by 2^15 and adding the half are exact in float for every value that does not clip.
    // Written without branches so that the compiler handles several samples at once.
    int clipped = 0;
    for (int j = 0; j < 32; ++j) {
        const float sample = sumsOut[j] * 32768.0f;
        clipped += (sample >= 32767.5f) | (sample < -32768.5f);
        // Half away from zero: the conversion truncates towards zero once the half is added.
        const float rounded = std::min(std::max(sample + std::copysign(0.5f, sample), -32768.0f), 32767.0f);
        out[j] = static_cast<int16_t>(static_cast<int>(rounded));
    }
    return clipped;
}

}  // namespace mpa
