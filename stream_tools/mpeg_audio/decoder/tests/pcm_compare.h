// Test helpers: reading files and WAVE data, comparing PCM, making test signals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mpa_test {

std::vector<uint8_t> ReadBytes(const std::string& path);

struct WavData {
    int channels = 0;
    int sample_rate = 0;
    std::vector<int16_t> samples;
};
// Reads the "fmt " and "data" chunks of a 16-bit PCM WAVE file; channels 0 when it is not one.
WavData ReadWav(const std::string& path);

struct PcmDifference {
    std::size_t compared = 0;
    int max_diff = 0;
    double psnr_db = 0;  // against full scale; 999 when identical
};
// Compares the common length of a and b.
PcmDifference ComparePcm(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

// Seeded stereo test signal: tones, a sweep, noise and clicks that make encoders switch blocks.
std::vector<int16_t> TestSignal(int sample_rate, int channels, double seconds, unsigned seed);
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int sample_rate, int channels);

}  // namespace mpa_test
