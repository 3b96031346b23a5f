#include "vector_kernels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cosine_transform.h"

#if defined(__SSE__)
#include <immintrin.h>
#endif

namespace mpa {

namespace {
constexpr int RowStart(int i) { return 32 * i + 64 * ((i + 1) / 2); }
}  // namespace

void CosineTransforms4Plain(const float* const slots[4], float (*out)[32]) {
    for (int n = 0; n < 4; ++n) CosineTransform<32>(slots[n], out[n]);
}

void WindowedSumsPlain(const float* window, const float* ring, float* out) {
    for (int j = 0; j < 32; ++j) out[j] = 0.0f;
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 32; ++j) out[j] += window[32 * i + j] * ring[RowStart(i) + j];
}

int PcmFromSumsPlain(const float* sums, int16_t* out) {
    // Scaling by 2^15 and adding the half are exact in float for every value that does not clip.
    int clipped = 0;
    for (int j = 0; j < 32; ++j) {
        const float sample = sums[j] * 32768.0f;
        clipped += (sample >= 32767.5f) | (sample < -32768.5f);
        // Half away from zero: the conversion truncates towards zero once the half is added.
        const float rounded = std::min(std::max(sample + std::copysign(0.5f, sample), -32768.0f), 32767.0f);
        out[j] = static_cast<int16_t>(static_cast<int>(rounded));
    }
    return clipped;
}

void WindowedImdctSumsPlain(const float* in, const float* table, float* out) {
    for (int c = 0; c < kImdctLanes; ++c) out[c] = 0.0f;
    for (int m = 0; m < 18; ++m)
        for (int c = 0; c < kImdctLanes; ++c) out[c] += in[m] * table[kImdctLanes * m + c];
}

#if defined(__GNUC__)

// Vectors of four floats: SSE on x86-64, NEON on ARM, plain code elsewhere. Every lane adds in the
// same order as the plain loop, so both give the same sums.
using Float4 = float __attribute__((vector_size(16)));

inline Float4 Load(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Four rows of four floats turned into four columns, as the lanes of the side-by-side transforms.
inline void Transpose(Float4& a, Float4& b, Float4& c, Float4& d) {
#if defined(__SSE__)
    __m128 r0 = a, r1 = b, r2 = c, r3 = d;
    _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
    a = r0, b = r1, c = r2, d = r3;
#else
    float m[4][4];
    std::memcpy(m[0], &a, 16), std::memcpy(m[1], &b, 16), std::memcpy(m[2], &c, 16), std::memcpy(m[3], &d, 16);
    a = Float4{m[0][0], m[1][0], m[2][0], m[3][0]};
    b = Float4{m[0][1], m[1][1], m[2][1], m[3][1]};
    c = Float4{m[0][2], m[1][2], m[2][2], m[3][2]};
    d = Float4{m[0][3], m[1][3], m[2][3], m[3][3]};
#endif
}

void CosineTransforms4(const float* const slots[4], float (*out)[32]) {
    Float4 lanesIn[32], lanesOut[32];
    for (int k = 0; k < 32; k += 4) {
        Float4 a = Load(slots[0] + k), b = Load(slots[1] + k), c = Load(slots[2] + k), d = Load(slots[3] + k);
        Transpose(a, b, c, d);
        lanesIn[k] = a, lanesIn[k + 1] = b, lanesIn[k + 2] = c, lanesIn[k + 3] = d;
    }
    CosineTransform<32>(lanesIn, lanesOut);
    for (int m = 0; m < 32; m += 4) {
        Float4 a = lanesOut[m], b = lanesOut[m + 1], c = lanesOut[m + 2], d = lanesOut[m + 3];
        Transpose(a, b, c, d);
        std::memcpy(out[0] + m, &a, 16), std::memcpy(out[1] + m, &b, 16);
        std::memcpy(out[2] + m, &c, 16), std::memcpy(out[3] + m, &d, 16);
    }
}

// Separate accumulators and a fully unrolled row loop keep the sums in registers.
void WindowedSumsFour(const float* window, const float* ring, float* out) {
    Float4 s0 = {}, s1 = {}, s2 = {}, s3 = {}, s4 = {}, s5 = {}, s6 = {}, s7 = {};
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const float* w = window + 32 * i;
        const float* r = ring + RowStart(i);
        s0 += Load(w) * Load(r), s1 += Load(w + 4) * Load(r + 4);
        s2 += Load(w + 8) * Load(r + 8), s3 += Load(w + 12) * Load(r + 12);
        s4 += Load(w + 16) * Load(r + 16), s5 += Load(w + 20) * Load(r + 20);
        s6 += Load(w + 24) * Load(r + 24), s7 += Load(w + 28) * Load(r + 28);
    }
    const Float4 sums[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    std::memcpy(out, sums, sizeof sums);
}

#if defined(__x86_64__) || defined(__i386__)
// Eight lanes where the processor has AVX (chosen when the program runs); the same sums, lane by lane.
using Float8 = float __attribute__((vector_size(32)));

bool HasAvx() {
    static const bool avx = __builtin_cpu_supports("avx");
    return avx;
}

__attribute__((target("avx"))) inline Float8 Load8(const float* p) {
    Float8 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

__attribute__((target("avx"))) void WindowedSumsEight(const float* window, const float* ring, float* out) {
    Float8 s0 = {}, s1 = {}, s2 = {}, s3 = {};
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i) {
        const float* w = window + 32 * i;
        const float* r = ring + RowStart(i);
        s0 += Load8(w) * Load8(r), s1 += Load8(w + 8) * Load8(r + 8);
        s2 += Load8(w + 16) * Load8(r + 16), s3 += Load8(w + 24) * Load8(r + 24);
    }
    std::memcpy(out, &s0, sizeof s0), std::memcpy(out + 8, &s1, sizeof s1);
    std::memcpy(out + 16, &s2, sizeof s2), std::memcpy(out + 24, &s3, sizeof s3);
}

void WindowedSums(const float* window, const float* ring, float* out) {
    if (HasAvx()) {
        WindowedSumsEight(window, ring, out);
    } else {
        WindowedSumsFour(window, ring, out);
    }
}
#else
void WindowedSums(const float* window, const float* ring, float* out) { WindowedSumsFour(window, ring, out); }
#endif

#if defined(__SSE2__)
// SSE2 packs two vectors of 32-bit integers to 16 bits in one step; the clamp before it keeps every
// value inside the 32-bit range.
int PcmFromSums(const float* sums, int16_t* out) {
    const __m128 scale = _mm_set1_ps(32768.0f), high = _mm_set1_ps(32767.5f), low = _mm_set1_ps(-32768.5f);
    const __m128 half = _mm_set1_ps(0.5f), sign = _mm_set1_ps(-0.0f);
    const __m128 most = _mm_set1_ps(32767.0f), least = _mm_set1_ps(-32768.0f);
    __m128i clipped = _mm_setzero_si128();
    for (int q = 0; q < 32; q += 8) {
        __m128i words[2];
        for (int h = 0; h < 2; ++h) {
            const __m128 sample = _mm_mul_ps(_mm_loadu_ps(sums + q + 4 * h), scale);
            clipped = _mm_sub_epi32(clipped, _mm_castps_si128(_mm_or_ps(_mm_cmpge_ps(sample, high), _mm_cmplt_ps(sample, low))));
            // Half away from zero: the half takes the sample's sign (zero counts as positive either way).
            const __m128 rounded = _mm_add_ps(sample, _mm_or_ps(half, _mm_and_ps(sample, sign)));
            words[h] = _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(rounded, least), most));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + q), _mm_packs_epi32(words[0], words[1]));
    }
    alignas(16) int32_t counts[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(counts), clipped);
    return counts[0] + counts[1] + counts[2] + counts[3];
}
#else
int PcmFromSums(const float* sums, int16_t* out) { return PcmFromSumsPlain(sums, out); }
#endif

void WindowedImdctSumsFour(const float* in, const float* table, float* out) {
    Float4 s0 = {}, s1 = {}, s2 = {}, s3 = {}, s4 = {}, s5 = {}, s6 = {}, s7 = {}, s8 = {}, s9 = {};
    for (int m = 0; m < 18; ++m) {
        const float x = in[m];
        const float* row = table + kImdctLanes * m;
        s0 += x * Load(row), s1 += x * Load(row + 4), s2 += x * Load(row + 8), s3 += x * Load(row + 12);
        s4 += x * Load(row + 16), s5 += x * Load(row + 20), s6 += x * Load(row + 24), s7 += x * Load(row + 28);
        s8 += x * Load(row + 32), s9 += x * Load(row + 36);
    }
    const Float4 sums[10] = {s0, s1, s2, s3, s4, s5, s6, s7, s8, s9};
    std::memcpy(out, sums, sizeof sums);
}

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void WindowedImdctSumsEight(const float* in, const float* table, float* out) {
    Float8 s0 = {}, s1 = {}, s2 = {}, s3 = {}, s4 = {};
    for (int m = 0; m < 18; ++m) {
        const float x = in[m];
        const float* row = table + kImdctLanes * m;
        s0 += x * Load8(row), s1 += x * Load8(row + 8), s2 += x * Load8(row + 16);
        s3 += x * Load8(row + 24), s4 += x * Load8(row + 32);
    }
    std::memcpy(out, &s0, sizeof s0), std::memcpy(out + 8, &s1, sizeof s1), std::memcpy(out + 16, &s2, sizeof s2);
    std::memcpy(out + 24, &s3, sizeof s3), std::memcpy(out + 32, &s4, sizeof s4);
}

void WindowedImdctSums(const float* in, const float* table, float* out) {
    if (HasAvx()) {
        WindowedImdctSumsEight(in, table, out);
    } else {
        WindowedImdctSumsFour(in, table, out);
    }
}
#else
void WindowedImdctSums(const float* in, const float* table, float* out) { WindowedImdctSumsFour(in, table, out); }
#endif

#else

void CosineTransforms4(const float* const slots[4], float (*out)[32]) { CosineTransforms4Plain(slots, out); }
void WindowedSums(const float* window, const float* ring, float* out) { WindowedSumsPlain(window, ring, out); }
int PcmFromSums(const float* sums, int16_t* out) { return PcmFromSumsPlain(sums, out); }
void WindowedImdctSums(const float* in, const float* table, float* out) { WindowedImdctSumsPlain(in, table, out); }

#endif

}  // namespace mpa
