// The board's audio source when it records: a 1 kHz tone as 16-bit stereo PCM, produced field by
// field so the samples keep pace with the field clock (50 fields a second, or 60000 / 1001).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "wave_format/wave_header.h"

namespace softboard {

class PcmTone {
public:
    void Restart() { *this = {}; }

    // Appends the samples due by the end of one more field to `out` (a byte container): left and
    // right, little-endian, or with each 4-byte word reversed for an output the host writes with
    // its words reversed.
    template <typename Bytes>
    void Field(Bytes& out, bool pal, std::uint64_t sampleRate, bool reversedWords) {
        ++fields_;
        const std::uint64_t due = pal ? fields_ * sampleRate / 50 : fields_ * sampleRate * 1001 / 60000;
        constexpr double kTone = 1000.0, kLevel = 8192.0;
        const double step = 2 * M_PI * kTone / static_cast<double>(sampleRate);
        for (; samples_ < due; ++samples_) {
            const auto sample = static_cast<std::int16_t>(std::lround(kLevel * std::sin(phase_)));
            phase_ = std::fmod(phase_ + step, 2 * M_PI);
            const auto lo = static_cast<std::uint8_t>(sample & 0xFF), hi = static_cast<std::uint8_t>(sample >> 8 & 0xFF);
            if (reversedWords)
                out.insert(out.end(), {hi, lo, hi, lo});
            else
                out.insert(out.end(), {lo, hi, lo, hi});
        }
    }

    std::uint64_t Samples() const { return samples_; }

    // What an audio output starts with: the 44 bytes the host writes the final WAVE header over at
    // the stop, already holding a header whose sizes reach to the end of the file, so a recording
    // cut off before its stop still reads as WAVE.
    template <typename Bytes>
    static void StartOutput(Bytes& out, std::uint32_t sampleRate, bool reversedWords) {
        auto header = wav::MakeWavHeader(sampleRate, 2, std::numeric_limits<std::uint64_t>::max());
        if (reversedWords)
            for (std::size_t i = 0; i < header.size(); i += 4) std::reverse(header.begin() + i, header.begin() + i + 4);
        out.assign(header.begin(), header.end());
    }

private:
    std::uint64_t fields_ = 0;
    std::uint64_t samples_ = 0;
    double phase_ = 0;
};

}  // namespace softboard
