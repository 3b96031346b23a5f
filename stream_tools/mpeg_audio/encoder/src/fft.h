// Real-valued FFT in the packed layout the psychoacoustic models read, and the energy/phase spectrum.
#pragma once

#include <vector>

namespace mpa {

// Transform of 2^log2n real points, in place. The result is packed: element 0 holds the real part of
// line 0, elements 1..N/2 the real parts of lines 1..N/2 and element N - k the imaginary part of line k.
// Tables are built once per object; one object serves every transform of its size.
class RealFft {
public:
    static constexpr int kMaxLog2 = 25;

    explicit RealFft(int log2n);  // log2n in 0..kMaxLog2 (checked by the caller, see IsValidLog2)
    static bool IsValidLog2(int log2n) { return log2n >= 0 && log2n <= kMaxLog2; }

    int Size() const { return size_; }
    void Transform(float* data);

private:
    void ComplexTransform();  // on re_/im_, size half_

    int size_;
    int half_;
    std::vector<int> bit_reverse_;    // half_ entries
    std::vector<double> cos_table_;   // cos(2 pi k / size_), k < size_ / 2
    std::vector<double> sin_table_;
    std::vector<double> re_, im_;
};

// `SRFFT`: one-off transform of 2^logm points in place; false when logm is outside 0..25.
bool SRFFT(float* data, int logm);

// Energy and phase of the lines of a real block of n = 256 or 1024 points (`fft.Size()` must be n).
// energy and phase receive n values; the upper half mirrors the lower one. Lines 1..n/2-1 whose energy
// is below 0.0005 read 0.0005 with phase 0. False for any other n.
bool ComputeSpectrum(RealFft& fft, const float* real, float* energy, float* phase, int n);

// The same lines 0..n/2 as energy and unit phasor (cos and sin of the phase) instead of the angle, for
// callers that only rotate phases. `real` is transformed in place.
void ComputeSpectrumPhasors(RealFft& fft, float* real, float* energy, float* cosPhase, float* sinPhase);

}  // namespace mpa
