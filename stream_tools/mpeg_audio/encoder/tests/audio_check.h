// Test signals, WAVE files and the measurements the encoder tests compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mpa_test {

// Samples from an input sample to its place in the decoded stream.
constexpr int kLayer12Delay = 481;
constexpr int kLayer3Delay = 1057;
// Frames of the stream of an input of `samples`: the input's frames, then frames of silence until its
// last sample has passed the coding delay.
inline int StreamFrames(std::size_t samples, int perFrame, int delay) {
    return static_cast<int>((samples + perFrame - 1) / perFrame) + (delay + perFrame - 1) / perFrame;
}

// Interleaved 16-bit PCM.
struct Pcm {
    int channels = 2;
    int rate = 48000;
    std::vector<std::int16_t> samples;
    std::size_t Frames() const { return samples.size() / channels; }
    std::vector<double> Channel(int ch) const;
};

enum class Signal { Sine, TwoTones, Sweep, Noise, Mix, Impulses, LeftOnly, Silence };
const char* SignalName(Signal signal);
// `seconds` of the signal; stereo signals differ between the channels (except LeftOnly's silent right).
Pcm MakeSignal(Signal signal, int rate, int channels, double seconds);

bool WriteWave(const std::string& path, const Pcm& pcm);
bool ReadWave(const std::string& path, Pcm& pcm);

// SNR in dB of `decoded` against `reference` shifted by `lag` samples, skipping the edges.
double SnrDb(const std::vector<double>& reference, const std::vector<double>& decoded, int lag);
// Least-squares gain of decoded against reference at `lag`.
double Gain(const std::vector<double>& reference, const std::vector<double>& decoded, int lag);
// Lag in 0..maxLag with the largest normalised cross-correlation.
int FindLag(const std::vector<double>& reference, const std::vector<double>& decoded, int maxLag);
double RmsDb(const std::vector<double>& x);  // relative to full scale
double PeakAbs(const std::vector<double>& x);

}  // namespace mpa_test
