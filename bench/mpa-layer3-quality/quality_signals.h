// Test signals of the Layer III quality benchmark, and 16-bit stereo WAVE files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quality_bench {

// Interleaved stereo 16-bit samples.
using Stereo = std::vector<std::int16_t>;

const std::vector<std::string>& SignalNames();
Stereo MakeSignal(const std::string& name, int rate, int seconds);

bool WriteStereoWave(const std::string& path, int rate, const Stereo& samples);
// Reads the "data" chunk of a 16-bit stereo WAVE file.
bool ReadStereoWave(const std::string& path, Stereo& samples);

}  // namespace quality_bench
