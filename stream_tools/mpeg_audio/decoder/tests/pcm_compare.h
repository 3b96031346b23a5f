// Test helpers: reading files and WAVE data, comparing PCM, making test signals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mpa_test {

std::vector<uint8_t> ReadBytes(const std::string& path);

struct WavData {
    int channels = 0;
    int sampleRate = 0;
    std::vector<int16_t> samples;
};
// Reads the "fmt " and "data" chunks of a 16-bit PCM WAVE file; channels 0 when it is not one.
WavData ReadWav(const std::string& path);

struct PcmDifference {
    std::size_t compared = 0;
    int maxDiff = 0;
    double psnrDb = 0;  // against full scale; 999 when identical
};
// Compares the common length of a and b.
PcmDifference ComparePcm(const std::vector<int16_t>& a, const std::vector<int16_t>& b);

// Seeded stereo test signal: tones, a sweep, noise and clicks that make encoders switch blocks.
std::vector<int16_t> TestSignal(int sampleRate, int channels, double seconds, unsigned seed);
bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int sampleRate, int channels);

}  // namespace mpa_test
