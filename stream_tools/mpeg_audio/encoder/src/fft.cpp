#include "fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mpa {

// The real transform of N points runs as a complex transform of N/2 points over the even and odd samples,
// followed by the split that separates the two interleaved spectra.
RealFft::RealFft(int log2n) : size_(1 << log2n), half_(size_ / 2) {
    if (half_ == 0) return;
    int bits = log2n - 1;
    bit_reverse_.resize(half_);
    for (int i = 0; i < half_; ++i) {
        int r = 0;
        for (int b = 0; b < bits; ++b)
            if (i & (1 << b)) r |= 1 << (bits - 1 - b);
        bit_reverse_[i] = r;
    }
    cos_table_.resize(half_);
    sin_table_.resize(half_);
    for (int k = 0; k < half_; ++k) {
        double angle = 2.0 * std::numbers::pi * k / size_;
        cos_table_[k] = std::cos(angle);
        sin_table_[k] = std::sin(angle);
    }
    re_.resize(half_);
    im_.resize(half_);
}

void RealFft::ComplexTransform() {
    // Iterative radix-2 decimation in time with e^{-i...} twiddles; the twiddle for a span of `len`
    // points at position j is entry j * (size_ / len) of the N-point tables.
    for (int len = 2; len <= half_; len <<= 1) {
        int step = size_ / len;
        int halfLen = len / 2;
        for (int start = 0; start < half_; start += len) {
            for (int j = 0; j < halfLen; ++j) {
                double wr = cos_table_[j * step];
                double wi = -sin_table_[j * step];
                int a = start + j;
                int b = a + halfLen;
                double tr = re_[b] * wr - im_[b] * wi;
                double ti = re_[b] * wi + im_[b] * wr;
                re_[b] = re_[a] - tr;
                im_[b] = im_[a] - ti;
                re_[a] += tr;
                im_[a] += ti;
            }
        }
    }
}

void RealFft::Transform(float* data) {
    if (size_ == 1) return;
    for (int i = 0; i < half_; ++i) {
        int r = bit_reverse_[i];
        re_[r] = data[2 * i];
        im_[r] = data[2 * i + 1];
    }
    ComplexTransform();
    // Z = FFT(x_even + i x_odd); X[k] = E[k] + W^k O[k] with E = (Z[k] + conj Z[M-k]) / 2,
    // O = (Z[k] - conj Z[M-k]) / 2i and W = e^{-2 pi i / N}.
    data[0] = static_cast<float>(re_[0] + im_[0]);
    data[half_] = static_cast<float>(re_[0] - im_[0]);
    for (int k = 1; k < half_; ++k) {
        double zr = re_[k], zi = im_[k];
        double cr = re_[half_ - k], ci = -im_[half_ - k];
        double er = 0.5 * (zr + cr), ei = 0.5 * (zi + ci);
        double dr = 0.5 * (zr - cr), di = 0.5 * (zi - ci);
        double orr = di, oi = -dr;  // (d) / i
        double wr = cos_table_[k], wi = -sin_table_[k];
        double xr = er + wr * orr - wi * oi;
        double xi = ei + wr * oi + wi * orr;
        data[k] = static_cast<float>(xr);
        data[size_ - k] = static_cast<float>(xi);
    }
}

bool SRFFT(float* data, int logm) {
    if (!RealFft::IsValidLog2(logm)) return false;
    RealFft fft(logm);
    fft.Transform(data);
    return true;
}

bool ComputeSpectrum(RealFft& fft, const float* real, float* energy, float* phase, int n) {
    if ((n != 1024 && n != 256) || fft.Size() != n) return false;
    float packed[1024];
    std::copy(real, real + n, packed);
    fft.Transform(packed);
    int half = n / 2;
    energy[0] = packed[0] * packed[0];
    phase[0] = std::atan2(0.0f, packed[0]);
    energy[half] = packed[half] * packed[half];
    phase[half] = std::atan2(0.0f, packed[half]);
    for (int k = 1; k < half; ++k) {
        float re = packed[k], im = packed[n - k];
        float e = re * re + im * im;
        if (e < 0.0005f) {
            energy[k] = 0.0005f;
            phase[k] = 0.0f;
        } else {
            energy[k] = e;
            phase[k] = std::atan2(-im, re);
        }
    }
    for (int i = 1; i < half; ++i) {
        energy[half + i] = energy[half - i];
        phase[half + i] = -phase[half - i];
    }
    return true;
}

void ComputeSpectrumPhasors(RealFft& fft, float* real, float* energy, float* cosPhase, float* sinPhase) {
    int n = fft.Size();
    int half = n / 2;
    fft.Transform(real);
    for (int k = 0; k <= half; ++k) {
        float re = real[k];
        float im = (k == 0 || k == half) ? 0.0f : real[n - k];
        float e = re * re + im * im;
        if (k > 0 && k < half && e < 0.0005f) {
            energy[k] = 0.0005f;
            cosPhase[k] = 1.0f;
            sinPhase[k] = 0.0f;
        } else if (e == 0.0f) {
            energy[k] = 0.0f;
            cosPhase[k] = 1.0f;
            sinPhase[k] = 0.0f;
        } else {
            // Phase = atan2(-im, re), as ComputeSpectrum gives it.
            float r = std::sqrt(e);
            energy[k] = e;
            cosPhase[k] = re / r;
            sinPhase[k] = -im / r;
        }
    }
}

}  // namespace mpa
