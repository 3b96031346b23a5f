// Decoding speed of the MPEG audio decoder, as a multiple of real time, against mpg123 on the same
// files in the same run.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "mpeg_audio/console.h"
#include "mpeg_audio/stream_decoder.h"
#include "mpeg_audio/wave_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

bool WriteSignal(const std::string& path, int seconds) {
    const int rate = 44100;
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 0.05);
    std::vector<int16_t> samples(static_cast<std::size_t>(rate) * seconds * 2);
    for (std::size_t n = 0; n < samples.size() / 2; ++n) {
        const double t = static_cast<double>(n) / rate;
        for (int ch = 0; ch < 2; ++ch) {
            double v = 0.3 * std::sin(2 * M_PI * (220.0 * (ch + 1) + 30 * std::sin(t)) * t) + noise(random);
            samples[2 * n + ch] = static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32000));
        }
    }
    mpa::WaveFileWriter writer;
    return writer.Open(path, rate, 2) && writer.Write(samples.data(), samples.size()) && writer.Close();
}

double BestOf3(const std::function<bool()>& run) {
    double best = 1e30;
    for (int i = 0; i < 3; ++i) {
        auto start = Clock::now();
        if (!run()) return -1;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void Measure(const std::string& name, const std::string& file, int seconds) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    uint64_t frames = 0;
    const double ours = BestOf3([&] {
        mpa::AudioStreamDecoder decoder;
        decoder.Feed(bytes.data(), bytes.size());
        decoder.Finish();
        frames = decoder.Stats().sampleFrames;
        return decoder.Stats().framesDecoded > 0;
    });
    const double theirs =
        BestOf3([&] { return std::system(("mpg123 -q --no-gapless -s " + file + " >/dev/null 2>&1").c_str()) == 0; });
    std::printf("%s_decoded_seconds: %.1f\n", name.c_str(), frames / 44100.0);
    if (ours <= 0) {
        std::printf("%s_ours_x_realtime: failed\n", name.c_str());
        return;
    }
    std::printf("%s_ours_x_realtime: %.1f\n", name.c_str(), seconds / ours);
    if (theirs <= 0) {
        std::printf("%s_mpg123_x_realtime: unavailable\n", name.c_str());
        return;
    }
    std::printf("%s_mpg123_x_realtime: %.1f\n", name.c_str(), seconds / theirs);
    std::printf("%s_ratio_to_mpg123: %.2f\n", name.c_str(), theirs / ours);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    mpa::SetMessageSink([](const std::string&) {});
    char dir_template[] = "/tmp/mpa-decode-bench-XXXXXX";
    const char* dir = mkdtemp(dir_template);
    if (!dir) return 1;
    const std::string wav = std::string(dir) + "/signal.wav";
    const std::string mp2 = std::string(dir) + "/layer2.mp2", mp3 = std::string(dir) + "/layer3.mp3";
    if (!WriteSignal(wav, seconds)) return 1;
    std::printf("signal_seconds: %d\n", seconds);
    if (std::system(("twolame --quiet -b 192 " + wav + " " + mp2).c_str()) == 0) {
        Measure("layer2_192k", mp2, seconds);
    } else {
        std::printf("layer2_192k: twolame unavailable\n");
    }
    if (std::system(("lame --quiet -t -b 128 " + wav + " " + mp3).c_str()) == 0) {
        Measure("layer3_128k", mp3, seconds);
    } else {
        std::printf("layer3_128k: lame unavailable\n");
    }
    std::system(("rm -rf " + std::string(dir)).c_str());
    return 0;
}
