// The synthesis filterbank's matrixing as a fast cosine transform, written once for plain floats and
// for vectors that carry several independent transforms (one per lane): every lane then computes
// exactly what the plain version computes.
//
// The matrixing V[i] = sum_k cos((16 + i)(2k + 1) pi / 64) S[k] is the 32-point cosine transform
// X[m] = sum_k cos(m (2k + 1) pi / 64) S[k] read at m = i + 16, using X[64 - m] = -X[m] and
// X[m + 64] = -X[m]. The transform is computed by halving (the even outputs are the half-size
// transform of S[k] + S[N-1-k]; the odd ones, of the differences divided by 2cos((2k+1) pi / 2N),
// are neighbouring pairs of a half-size transform summed): 80 multiplications instead of 1024.
#pragma once

#include <array>
#include <cmath>

namespace mpa {

// 1 / (2 cos((2k + 1) pi / 2N)) for N = 32, 16, 8, 4, 2, one run of N/2 after another.
inline const std::array<float, 31> kHalvingFactors = [] {
    std::array<float, 31> factors{};
    int at = 0;
    for (int n = 32; n >= 2; n /= 2)
        for (int k = 0; k < n / 2; ++k) factors[at++] = static_cast<float>(0.5 / std::cos((2 * k + 1) * M_PI / (2.0 * n)));
    return factors;
}();

constexpr int HalvingFactorsOffset(int n) { return n == 32 ? 0 : HalvingFactorsOffset(n * 2) + n; }

template <int N, typename T>
inline void CosineTransform(const T* in, T* out) {
    if constexpr (N == 1) {
        out[0] = in[0];
    } else {
        constexpr int kHalf = N / 2;
        const float* factors = kHalvingFactors.data() + HalvingFactorsOffset(N);
        T sums[kHalf], differences[kHalf], even[kHalf], odd[kHalf];
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

}  // namespace mpa
