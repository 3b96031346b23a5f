#include "quality_signals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>

#include "wave_format/wave_header.h"

namespace quality_bench {

namespace {

constexpr double kPi = std::numbers::pi;

// Pink-ish noise: white noise through three leaky integrators of spread corner frequencies.
class PinkNoise {
public:
    explicit PinkNoise(unsigned seed) : random_(seed) {}
    double Next() {
        const double w = gauss_(random_);
        b0_ = 0.99765 * b0_ + w * 0.0990460;
        b1_ = 0.96300 * b1_ + w * 0.2965164;
        b2_ = 0.57000 * b2_ + w * 1.0526913;
        return (b0_ + b1_ + b2_ + w * 0.1848) * 0.2;
    }

private:
    std::mt19937 random_;
    std::normal_distribution<double> gauss_{0.0, 1.0};
    double b0_ = 0.0, b1_ = 0.0, b2_ = 0.0;
};

std::int16_t ToSample(double v) { return static_cast<std::int16_t>(std::clamp(std::lround(v * 32767.0), -32768L, 32767L)); }

}  // namespace

const std::vector<std::string>& SignalNames() {
    static const std::vector<std::string> names = {"mix", "speech", "clicks", "chirp"};
    return names;
}

Stereo MakeSignal(const std::string& name, int rate, int seconds) {
    const std::size_t frames = static_cast<std::size_t>(rate) * seconds;
    Stereo out(2 * frames);
    std::mt19937 random(7);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    PinkNoise pinkL(11), pinkR(12), pinkC(13);
    // Speech-like envelope: syllables of random length and level with pauses between phrases.
    double syllableLeft = 0.0, syllableLevel = 0.0, syllableLength = 1.0;
    // Clicks: irregular intervals.
    double nextClick = 0.05, clickAge = 1e9, clickPitch = 2000.0, clickLevel = 0.5;
    double chirpPhase = 0.0;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / rate;
        double l = 0.0, r = 0.0;
        if (name == "mix") {
            const double tones = 0.12 * std::sin(2 * kPi * 220.0 * t) + 0.07 * std::sin(2 * kPi * 660.0 * t + 1.0) +
                                 0.04 * std::sin(2 * kPi * 1760.0 * t) + 0.02 * std::sin(2 * kPi * 4400.0 * t);
            const double c = 0.05 * pinkC.Next();
            l = tones + c + 0.03 * pinkL.Next() + 0.015 * std::sin(2 * kPi * 9000.0 * t);
            r = 0.8 * tones + c + 0.03 * pinkR.Next() + 0.03 * std::sin(2 * kPi * 3300.0 * t);
        } else if (name == "speech") {
            if (syllableLeft <= 0.0) {
                syllableLength = 0.08 + 0.2 * uniform(random);
                syllableLeft = syllableLength;
                syllableLevel = uniform(random) < 0.15 ? 0.0 : 0.2 + 0.8 * uniform(random);
            }
            syllableLeft -= 1.0 / rate;
            const double phase = 1.0 - syllableLeft / syllableLength;
            const double envelope = syllableLevel * std::pow(std::sin(kPi * phase), 2.0);
            // A voiced buzz under the noise: harmonics of a gliding pitch.
            const double pitch = 120.0 + 30.0 * std::sin(2 * kPi * 0.7 * t);
            double buzz = 0.0;
            for (int h = 1; h <= 12; ++h) buzz += std::sin(2 * kPi * pitch * h * t) / h;
            const double voice = envelope * (0.35 * pinkC.Next() + 0.08 * buzz);
            l = voice + 0.004 * pinkL.Next();
            r = 0.9 * voice + 0.004 * pinkR.Next();
        } else if (name == "clicks") {
            if (t >= nextClick) {
                clickAge = 0.0;
                nextClick = t + 0.09 + 0.25 * uniform(random);
                clickPitch = 1800.0 + 2500.0 * uniform(random);
                clickLevel = 0.4 + 0.5 * uniform(random);
            }
            // A struck hollow body: two damped resonances and a breath of noise, a few milliseconds long.
            double click = 0.0;
            if (clickAge < 0.03) {
                const double decay = std::exp(-clickAge / 0.004);
                click = clickLevel * decay *
                        (0.7 * std::sin(2 * kPi * clickPitch * clickAge) + 0.3 * std::sin(2 * kPi * 2.7 * clickPitch * clickAge) +
                         0.15 * gauss(random));
            }
            clickAge += 1.0 / rate;
            const double soft = 0.02 * std::sin(2 * kPi * 440.0 * t) + 0.015 * std::sin(2 * kPi * 1320.0 * t + 0.5);
            l = click + soft;
            r = 0.7 * click + soft;
        } else {  // chirp: 50 Hz to 16 kHz, exponential over the signal, the right channel 0.3 ms late
            const double f = 50.0 * std::pow(16000.0 / 50.0, t / seconds);
            chirpPhase += 2 * kPi * f / rate;
            l = 0.4 * std::sin(chirpPhase);
            const double late = t - 0.0003;
            r = late > 0.0 ? 0.4 * std::sin(chirpPhase - 2 * kPi * f * 0.0003) : 0.0;
        }
        out[2 * n] = ToSample(l);
        out[2 * n + 1] = ToSample(r);
    }
    return out;
}

bool WriteStereoWave(const std::string& path, int rate, const Stereo& samples) {
    std::ofstream out(path, std::ios::binary);
    const auto header = wav::MakeWavHeader(static_cast<std::uint32_t>(rate), 2, std::uint64_t{samples.size()} * 2);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        out.put(static_cast<char>(u & 0xFF));
        out.put(static_cast<char>(u >> 8));
    }
    return static_cast<bool>(out);
}

bool ReadStereoWave(const std::string& path, Stereo& samples) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const std::uint32_t size = bytes[pos + 4] | bytes[pos + 5] << 8 | bytes[pos + 6] << 16 | std::uint32_t{bytes[pos + 7]} << 24;
        if (std::memcmp(&bytes[pos], "data", 4) == 0) {
            const std::size_t end = std::min(bytes.size(), pos + 8 + static_cast<std::size_t>(size));
            samples.clear();
            for (std::size_t i = pos + 8; i + 1 < end; i += 2)
                samples.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

}  // namespace quality_bench
