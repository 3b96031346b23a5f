// The decoder's two innermost loops, written for four float lanes at once: the windowing of the
// synthesis filterbank and the long inverse MDCT of Layer III. Each has a plain loop that is its
// reference (the tests compare both) and the fallback where the compiler has no vectors.
#pragma once

namespace mpa {

// out[j] = sum over i < 16 of window[32 i + j] * ring[32 i + 64 ((i + 1) / 2) + j], j < 32.
void WindowedSums(const float* window, const float* ring, float* out);
void WindowedSumsPlain(const float* window, const float* ring, float* out);

// The long inverse MDCT's 18 distinct outputs, padded to 20 lanes:
// out[c] = sum over m < 18 of in[m] * table[kImdctLanes m + c], in input order.
inline constexpr int kImdctLanes = 20;
void LongImdctSums(const double* in, const float* table, float* out);
void LongImdctSumsPlain(const double* in, const float* table, float* out);

}  // namespace mpa
