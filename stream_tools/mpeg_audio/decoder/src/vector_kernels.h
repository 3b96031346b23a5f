// The decoder's innermost loops, written for several float lanes at once: the synthesis filterbank's
// cosine transform (four slots side by side), its windowing and its conversion to PCM, and the long
// inverse MDCT of Layer III with its window. Each has a plain loop that is its reference (the tests compare both) and
// the fallback where the compiler has no vectors.
#pragma once

#include <cstdint>

namespace mpa {

// Four 32-point synthesis cosine transforms side by side: slots[n][0..31] -> out[n][0..31].
void CosineTransforms4(const float* const slots[4], float (*out)[32]);
void CosineTransforms4Plain(const float* const slots[4], float (*out)[32]);

// out[j] = sum over i < 16 of window[32 i + j] * ring[32 i + 64 ((i + 1) / 2) + j], j < 32.
void WindowedSums(const float* window, const float* ring, float* out);
void WindowedSumsPlain(const float* window, const float* ring, float* out);

// The 32 sums as 16-bit PCM: scaled by 2^15, rounded half away from zero and clamped. Returns the
// count of samples that clipped.
int PcmFromSums(const float* sums, int16_t* out);
int PcmFromSumsPlain(const float* sums, int16_t* out);

// The long inverse MDCT with its window, 36 outputs in 40 lanes (the table decides which):
// out[c] = sum over m < 18 of in[m] * table[kImdctLanes m + c], in input order.
inline constexpr int kImdctLanes = 40;
void WindowedImdctSums(const float* in, const float* table, float* out);
void WindowedImdctSumsPlain(const float* in, const float* table, float* out);

}  // namespace mpa
