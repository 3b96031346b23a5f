// mpa-layer3-bench: encodes 120 s of 44.1 kHz stereo to Layer III at 128 kbit/s through `mpa-tool enc`
// and the same input with lame (default quality) and ffmpeg's libmp3lame, and prints each speed as a multiple
// of real time (best of three runs, wall time with start-up and file I/O).
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

namespace {

constexpr int kRate = 44100;
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
    out.write("RIFF", 4);
    Put(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    Put(out, 16, 4);
    Put(out, 1, 2);
    Put(out, 2, 2);
    Put(out, kRate, 4);
    Put(out, kRate * 4, 4);
    Put(out, 4, 2);
    Put(out, 16, 2);
    out.write("data", 4);
    Put(out, dataBytes, 4);
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
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("mpa-layer3-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string wav = (dir / "input.wav").string();
    if (!WriteInput(wav)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    std::printf("input: %d s, %d Hz stereo, Layer III 128 kbit/s\n", kSeconds, kRate);
    std::fflush(stdout);

    double ours = BestSeconds(tool + " enc 'enc -l 3 -b 128 -s 44.1 -m j' " + wav + " " + (dir / "ours.mp3").string() +
                              " 2>/dev/null");
    if (ours <= 0.0) {
        std::fprintf(stderr, "mpa-tool enc failed\n");
        return 1;
    }
    std::printf("mpa_tool_layer3_x_realtime: %.1f\n", kSeconds / ours);

    if (HaveTool("lame")) {
        double lame = BestSeconds("lame --quiet -b 128 " + wav + " " + (dir / "lame.mp3").string() + " >/dev/null 2>&1");
        if (lame > 0.0) {
            std::printf("lame_x_realtime: %.1f\n", kSeconds / lame);
            std::printf("ratio_vs_lame: %.2f\n", lame / ours);
        }
    } else {
        std::printf("lame_x_realtime: not installed\n");
    }
    if (HaveTool("ffmpeg")) {
        double ffmpeg = BestSeconds("ffmpeg -nostdin -v error -y -i " + wav + " -c:a libmp3lame -b:a 128k " +
                                    (dir / "ffmpeg.mp3").string());
        if (ffmpeg > 0.0) {
            std::printf("ffmpeg_libmp3lame_x_realtime: %.1f\n", kSeconds / ffmpeg);
            std::printf("ratio_vs_ffmpeg_libmp3lame: %.2f\n", ffmpeg / ours);
        }
    } else {
        std::printf("ffmpeg_libmp3lame_x_realtime: not installed\n");
    }
    std::filesystem::remove_all(dir);
    return 0;
}
