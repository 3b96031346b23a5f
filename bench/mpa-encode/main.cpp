// mpa-encode-bench: encodes 120 s of 48 kHz stereo to Layer II at 192 kbit/s with psychoacoustic
// model 2 through `mpa-tool enc`, and the same input with twolame and ffmpeg's mp2 encoder, and prints
// each speed as a multiple of real time (best of three runs, wall time with start-up and file I/O).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "wave_format/wave_header.h"

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 120;
constexpr int kRuns = 3;

void Put(std::ofstream& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Tones, a slow sweep and some noise: every subband busy, like music.
bool WriteInput(const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const std::uint32_t frames = kRate * kSeconds;
    const std::uint32_t dataBytes = frames * 4;
    const auto header = wav::MakeWavHeader(kRate, 2, dataBytes);
    out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
    std::mt19937 random(99);
    std::normal_distribution<double> noise(0.0, 0.03);
    const double pi = std::numbers::pi;
    double sweep = 0.0;
    for (std::uint32_t n = 0; n < frames; ++n) {
        double t = static_cast<double>(n) / kRate;
        sweep += 2 * pi * (200.0 + 8000.0 * (0.5 + 0.5 * std::sin(2 * pi * t / 30.0))) / kRate;
        for (int ch = 0; ch < 2; ++ch) {
            double v = 0.25 * std::sin(2 * pi * (ch ? 330.0 : 440.0) * t) + 0.15 * std::sin(sweep + ch) +
                       0.08 * std::sin(2 * pi * 6000.0 * t) + noise(random);
            Put(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v * 32767.0, -32768.0, 32767.0))), 2);
        }
    }
    return static_cast<bool>(out);
}

// Best wall time of kRuns runs in seconds; negative when the command fails.
double BestSeconds(const std::string& command) {
    double best = -1.0;
    for (int run = 0; run < kRuns; ++run) {
        auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) return -1.0;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = best < 0.0 ? seconds : std::min(best, seconds);
    }
    return best;
}

bool HaveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

}  // namespace

int main() {
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    std::string tool = (self.parent_path().parent_path() / "bin" / "mpa-tool").string();
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("mpa-encode-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string wav = (dir / "input.wav").string();
    if (!WriteInput(wav)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    std::printf("input: %d s, %d Hz stereo, Layer II 192 kbit/s\n", kSeconds, kRate);
    std::fflush(stdout);

    double ours = BestSeconds(tool + " enc 'enc -l 2 -b 192 -s 48 -m s -p2' " + wav + " " + (dir / "ours.mp2").string() +
                              " 2>/dev/null");
    if (ours <= 0.0) {
        std::fprintf(stderr, "mpa-tool enc failed\n");
        return 1;
    }
    std::printf("mpa_tool_enc_x_realtime: %.1f\n", kSeconds / ours);

    if (HaveTool("twolame")) {
        double twolame = BestSeconds("twolame --quiet -b 192 -m s " + wav + " " + (dir / "twolame.mp2").string() + " >/dev/null 2>&1");
        double twolameModel2 =
            BestSeconds("twolame --quiet -P 2 -b 192 -m s " + wav + " " + (dir / "twolame2.mp2").string() + " >/dev/null 2>&1");
        if (twolame > 0.0) {
            std::printf("twolame_x_realtime: %.1f\n", kSeconds / twolame);
            std::printf("ratio_vs_twolame: %.2f\n", twolame / ours);
        }
        if (twolameModel2 > 0.0) {
            std::printf("twolame_model2_x_realtime: %.1f\n", kSeconds / twolameModel2);
            std::printf("ratio_vs_twolame_model2: %.2f\n", twolameModel2 / ours);
        }
    } else {
        std::printf("twolame_x_realtime: not installed\n");
    }
    if (HaveTool("ffmpeg")) {
        double ffmpeg = BestSeconds("ffmpeg -nostdin -v error -y -i " + wav + " -c:a mp2 -b:a 192k " +
                                    (dir / "ffmpeg.mp2").string());
        if (ffmpeg > 0.0) {
            std::printf("ffmpeg_mp2_x_realtime: %.1f\n", kSeconds / ffmpeg);
            std::printf("ratio_vs_ffmpeg_mp2: %.2f\n", ffmpeg / ours);
        }
    } else {
        std::printf("ffmpeg_mp2_x_realtime: not installed\n");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
