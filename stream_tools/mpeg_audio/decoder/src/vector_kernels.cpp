#include "vector_kernels.h"

#include <cstring>

namespace mpa {

namespace {
constexpr int RowStart(int i) { return 32 * i + 64 * ((i + 1) / 2); }
}  // namespace

void WindowedSumsPlain(const float* window, const float* ring, float* out) {
    for (int j = 0; j < 32; ++j) out[j] = 0.0f;
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 32; ++j) out[j] += window[32 * i + j] * ring[RowStart(i) + j];
}

void LongImdctSumsPlain(const double* in, const float* table, float* out) {
    for (int c = 0; c < kImdctLanes; ++c) out[c] = 0.0f;
    for (int m = 0; m < 18; ++m) {
        const auto x = static_cast<float>(in[m]);
        for (int c = 0; c < kImdctLanes; ++c) out[c] += x * table[kImdctLanes * m + c];
    }
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

void WindowedSums(const float* window, const float* ring, float* out) {
    Float4 sums[8] = {};
    for (int i = 0; i < 16; ++i) {
        const float* w = window + 32 * i;
        const float* r = ring + RowStart(i);
        for (int q = 0; q < 8; ++q) sums[q] += Load(w + 4 * q) * Load(r + 4 * q);
    }
    std::memcpy(out, sums, sizeof sums);
}

void LongImdctSums(const double* in, const float* table, float* out) {
    constexpr int kVectors = kImdctLanes / 4;
    Float4 sums[kVectors] = {};
    for (int m = 0; m < 18; ++m) {
        const auto x = static_cast<float>(in[m]);
        const float* row = table + kImdctLanes * m;
        for (int q = 0; q < kVectors; ++q) sums[q] += x * Load(row + 4 * q);
    }
    std::memcpy(out, sums, sizeof sums);
}

#else

void WindowedSums(const float* window, const float* ring, float* out) { WindowedSumsPlain(window, ring, out); }
void LongImdctSums(const double* in, const float* table, float* out) { LongImdctSumsPlain(in, table, out); }

#endif

}  // namespace mpa
