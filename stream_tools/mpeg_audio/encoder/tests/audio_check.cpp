#include "audio_check.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>
#include <random>

namespace mpa_test {

std::vector<double> Pcm::Channel(int ch) const {
    std::vector<double> out(Frames());
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = samples[i * channels + ch];
    return out;
}

const char* SignalName(Signal signal) {
    switch (signal) {
        case Signal::Sine: return "sine";
        case Signal::TwoTones: return "two_tones";
        case Signal::Sweep: return "sweep";
        case Signal::Noise: return "noise";
        case Signal::Mix: return "mix";
        case Signal::Impulses: return "impulses";
        case Signal::LeftOnly: return "left_only";
        case Signal::Silence: return "silence";
    }
    return "?";
}

Pcm MakeSignal(Signal signal, int rate, int channels, double seconds) {
    Pcm pcm;
    pcm.channels = channels;
    pcm.rate = rate;
    std::size_t frames = static_cast<std::size_t>(seconds * rate);
    pcm.samples.resize(frames * channels);
    std::mt19937 random(1234);
    std::normal_distribution<double> gauss(0.0, 1.0);
    const double pi = std::numbers::pi;
    double sweepPhase = 0.0;
    for (std::size_t n = 0; n < frames; ++n) {
        double t = static_cast<double>(n) / rate;
        for (int ch = 0; ch < channels; ++ch) {
            double v = 0.0;
            switch (signal) {
                case Signal::Sine:
                    v = 0.5 * std::sin(2 * pi * (ch == 0 ? 1000.0 : 1500.0) * t);
                    break;
                case Signal::TwoTones:
                    v = 0.3 * std::sin(2 * pi * 440.0 * t) + 0.2 * std::sin(2 * pi * (ch == 0 ? 3200.0 : 5100.0) * t);
                    break;
                case Signal::Sweep:
                    v = 0.4 * std::sin(sweepPhase + ch * 0.5);
                    break;
                case Signal::Noise:
                    v = 0.15 * gauss(random);
                    break;
                case Signal::Mix:
                    v = 0.25 * std::sin(2 * pi * 330.0 * t) + 0.15 * std::sin(2 * pi * (ch ? 2500.0 : 1250.0) * t) +
                        0.08 * std::sin(2 * pi * 7000.0 * t) + 0.03 * gauss(random);
                    break;
                case Signal::Impulses: {
                    std::size_t period = rate / 8;
                    std::size_t k = (n + ch * 97) % period;
                    v = k < 64 ? 0.7 * std::exp(-k / 12.0) * std::sin(2 * pi * 3000.0 * k / rate) : 0.0;
                    break;
                }
                case Signal::LeftOnly:
                    v = ch == 0 ? 0.5 * std::sin(2 * pi * 1000.0 * t) : 0.0;
                    break;
                case Signal::Silence:
                    v = 0.0;
                    break;
            }
            pcm.samples[n * channels + ch] =
                static_cast<std::int16_t>(std::clamp(std::lround(v * 32767.0), -32768L, 32767L));
        }
        if (signal == Signal::Sweep) {
            // 20 Hz to 15 kHz, exponential over the signal's length.
            double f = 20.0 * std::pow(15000.0 / 20.0, static_cast<double>(n) / frames);
            sweepPhase += 2 * pi * f / rate;
        }
    }
    return pcm;
}

namespace {
void Put32(std::ofstream& out, std::uint32_t v) {
    char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.write(b, 4);
}
void Put16(std::ofstream& out, std::uint16_t v) {
    char b[2] = {char(v), char(v >> 8)};
    out.write(b, 2);
}
std::uint32_t Get32(const unsigned char* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24); }
std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
}  // namespace

bool WriteWave(const std::string& path, const Pcm& pcm) {
    std::ofstream out(path, std::ios::binary);
    std::uint32_t dataBytes = static_cast<std::uint32_t>(pcm.samples.size() * 2);
    out.write("RIFF", 4);
    Put32(out, 36 + dataBytes);
    out.write("WAVEfmt ", 8);
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, static_cast<std::uint16_t>(pcm.channels));
    Put32(out, pcm.rate);
    Put32(out, pcm.rate * pcm.channels * 2);
    Put16(out, static_cast<std::uint16_t>(pcm.channels * 2));
    Put16(out, 16);
    out.write("data", 4);
    Put32(out, dataBytes);
    for (std::int16_t s : pcm.samples) Put16(out, static_cast<std::uint16_t>(s));
    return static_cast<bool>(out);
}

bool ReadWave(const std::string& path, Pcm& pcm) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return false;
    std::size_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        std::uint32_t size = Get32(&bytes[pos + 4]);
        const unsigned char* body = &bytes[pos + 8];
        if (std::memcmp(&bytes[pos], "fmt ", 4) == 0) {
            pcm.channels = Get16(body + 2);
            pcm.rate = static_cast<int>(Get32(body + 4));
        } else if (std::memcmp(&bytes[pos], "data", 4) == 0) {
            std::size_t available = bytes.size() - pos - 8;
            // Streaming writers leave the data size open.
            std::size_t length = (size == 0 || size == 0xFFFFFFFF ? available : std::min<std::size_t>(size, available)) / 2;
            pcm.samples.resize(length);
            for (std::size_t i = 0; i < length; ++i) pcm.samples[i] = static_cast<std::int16_t>(Get16(body + 2 * i));
            return true;
        }
        pos += 8 + size + (size & 1);
    }
    return false;
}

namespace {
constexpr std::size_t kEdge = 2304;  // skip the start-up and the end of the stream
}

double SnrDb(const std::vector<double>& reference, const std::vector<double>& decoded, int lag) {
    std::size_t n = std::min(reference.size(), decoded.size() > static_cast<std::size_t>(lag) ? decoded.size() - lag : 0);
    double signal = 0.0, noise = 0.0;
    for (std::size_t i = kEdge; i + kEdge < n; ++i) {
        double d = decoded[i + lag] - reference[i];
        signal += reference[i] * reference[i];
        noise += d * d;
    }
    if (noise == 0.0) return 200.0;
    return 10.0 * std::log10(signal / noise);
}

double Gain(const std::vector<double>& reference, const std::vector<double>& decoded, int lag) {
    std::size_t n = std::min(reference.size(), decoded.size() > static_cast<std::size_t>(lag) ? decoded.size() - lag : 0);
    double xy = 0.0, xx = 0.0;
    for (std::size_t i = kEdge; i + kEdge < n; ++i) {
        xy += reference[i] * decoded[i + lag];
        xx += reference[i] * reference[i];
    }
    return xx > 0.0 ? xy / xx : 0.0;
}

int FindLag(const std::vector<double>& reference, const std::vector<double>& decoded, int maxLag) {
    int best = 0;
    double bestScore = -1.0;
    std::size_t n = std::min<std::size_t>(reference.size(), 48000);
    for (int lag = 0; lag <= maxLag; ++lag) {
        double xy = 0.0, yy = 0.0;
        for (std::size_t i = kEdge; i < n && i + lag < decoded.size(); ++i) {
            xy += reference[i] * decoded[i + lag];
            yy += decoded[i + lag] * decoded[i + lag];
        }
        double score = yy > 0.0 ? xy / std::sqrt(yy) : 0.0;
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

double RmsDb(const std::vector<double>& x) {
    double sum = 0.0;
    for (double v : x) sum += v * v;
    if (x.empty() || sum == 0.0) return -200.0;
    return 10.0 * std::log10(sum / x.size() / (32768.0 * 32768.0));
}

double PeakAbs(const std::vector<double>& x) {
    double peak = 0.0;
    for (double v : x) peak = std::max(peak, std::fabs(v));
    return peak;
}

}  // namespace mpa_test
