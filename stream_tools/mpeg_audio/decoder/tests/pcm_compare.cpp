#include "pcm_compare.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "mpeg_audio/wave_writer.h"

namespace mpa_test {

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

namespace {
uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
}  // namespace

WavData ReadWav(const std::string& path) {
    WavData wav;
    std::vector<uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(&bytes[8], "WAVE", 4) != 0) {
        return wav;
    }
    std::size_t pos = 12;
    int channels = 0;
    while (pos + 8 <= bytes.size()) {
        uint32_t size = Le32(&bytes[pos + 4]);
        const uint8_t* body = &bytes[pos + 8];
        std::size_t available = bytes.size() - pos - 8;
        if (std::memcmp(&bytes[pos], "fmt ", 4) == 0 && available >= 16) {
            channels = Le16(body + 2);
            wav.sampleRate = static_cast<int>(Le32(body + 4));
        } else if (std::memcmp(&bytes[pos], "data", 4) == 0) {
            std::size_t length = std::min<std::size_t>(size, available) / 2;
            wav.samples.resize(length);
            for (std::size_t i = 0; i < length; ++i) wav.samples[i] = static_cast<int16_t>(Le16(body + 2 * i));
            wav.channels = channels;
            break;
        }
        pos += 8 + size + (size & 1);
    }
    return wav;
}

PcmDifference ComparePcm(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
    PcmDifference d;
    d.compared = std::min(a.size(), b.size());
    double squares = 0;
    for (std::size_t i = 0; i < d.compared; ++i) {
        int diff = std::abs(a[i] - b[i]);
        d.maxDiff = std::max(d.maxDiff, diff);
        squares += static_cast<double>(diff) * diff;
    }
    d.psnrDb = squares == 0 ? 999.0 : 10 * std::log10(32767.0 * 32767.0 / (squares / d.compared));
    return d;
}

std::vector<int16_t> TestSignal(int sampleRate, int channels, double seconds, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    const std::size_t frames = static_cast<std::size_t>(seconds * sampleRate);
    std::vector<int16_t> samples(frames * static_cast<std::size_t>(channels));
    double phase = 0;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / sampleRate;
        phase += 2 * M_PI * (100.0 + 6000.0 * t / seconds) / sampleRate;
        const bool click = (n % (sampleRate / 3)) < 40;  // sharp attacks: short blocks
        for (int ch = 0; ch < channels; ++ch) {
            double v = 0.3 * std::sin(2 * M_PI * (440.0 + 110.0 * ch) * t) + 0.15 * std::sin(phase) +
                       0.05 * noise(random) + (click ? 0.5 * noise(random) : 0.0);
            samples[n * static_cast<std::size_t>(channels) + static_cast<std::size_t>(ch)] =
                static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32000.0));
        }
    }
    return samples;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int sampleRate, int channels) {
    mpa::WaveFileWriter writer;
    return writer.Open(path, sampleRate, channels) && writer.Write(samples.data(), samples.size()) &&
           writer.Close();
}

}  // namespace mpa_test
