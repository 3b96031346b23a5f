// Shared pieces of the MPEG audio encoder benchmarks: the music-like input and wall-clock timing of
// whole commands (start-up and file I/O included, as for the tools they are measured beside).
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <random>
#include <string>

#include "wave_format/wave_header.h"

namespace mpa_bench {

// Tones, a slow sweep and some noise: every subband busy, like music. 16-bit stereo WAVE.
inline bool WriteMusicLikeInput(const std::string& path, int rate, int seconds) {
    std::ofstream out(path, std::ios::binary);
    const auto frames = static_cast<std::uint32_t>(rate) * static_cast<std::uint32_t>(seconds);
    const auto header = wav::MakeWavHeader(static_cast<std::uint32_t>(rate), 2, std::uint64_t{frames} * 4);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0.0, 0.03);
    const double pi = std::numbers::pi;
    double sweep = 0.0;
    for (std::uint32_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / rate;
        sweep += 2 * pi * (200.0 + 8000.0 * (0.5 + 0.5 * std::sin(2 * pi * t / 30.0))) / rate;
        for (int ch = 0; ch < 2; ++ch) {
            const double v = 0.25 * std::sin(2 * pi * (ch ? 330.0 : 440.0) * t) + 0.15 * std::sin(sweep + ch) +
                             0.08 * std::sin(2 * pi * 6000.0 * t) + noise(random);
            const auto sample = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v * 32767.0, -32768.0, 32767.0)));
            out.put(static_cast<char>(sample & 0xFF));
            out.put(static_cast<char>(sample >> 8));
        }
    }
    return static_cast<bool>(out);
}

// Best wall time of `runs` runs in seconds; negative when the command fails.
inline double BestSeconds(const std::string& command, int runs = 3) {
    double best = -1.0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) return -1.0;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = best < 0.0 ? seconds : std::min(best, seconds);
    }
    return best;
}

inline bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace mpa_bench
