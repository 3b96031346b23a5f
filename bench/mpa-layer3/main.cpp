// mpa-layer3-bench: encodes 120 s of 44.1 kHz stereo to Layer III at 128 kbit/s through `mpa-tool enc`
// and the same input with lame (default quality) and ffmpeg's libmp3lame, and prints each speed as a multiple
// of real time (best of three runs, wall time with start-up and file I/O).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../mpa-common/encode_bench_support.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 120;

}  // namespace

int main() {
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    std::string tool = (self.parent_path().parent_path() / "bin" / "mpa-tool").string();
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("mpa-layer3-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string wav = (dir / "input.wav").string();
    if (!mpa_bench::WriteMusicLikeInput(wav, kRate, kSeconds)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    std::printf("input: %d s, %d Hz stereo, Layer III 128 kbit/s\n", kSeconds, kRate);
    std::fflush(stdout);

    double ours = mpa_bench::BestSeconds(tool + " enc 'enc -l 3 -b 128 -s 44.1 -m j' " + wav + " " + (dir / "ours.mp3").string() +
                              " 2>/dev/null");
    if (ours <= 0.0) {
        std::fprintf(stderr, "mpa-tool enc failed\n");
        return 1;
    }
    std::printf("mpa_tool_layer3_x_realtime: %.1f\n", kSeconds / ours);

    if (mpa_bench::HaveTool("lame")) {
        double lame = mpa_bench::BestSeconds("lame --quiet -b 128 " + wav + " " + (dir / "lame.mp3").string() + " >/dev/null 2>&1");
        if (lame > 0.0) {
            std::printf("lame_x_realtime: %.1f\n", kSeconds / lame);
            std::printf("ratio_vs_lame: %.2f\n", lame / ours);
        }
    } else {
        std::printf("lame_x_realtime: not installed\n");
    }
    if (mpa_bench::HaveTool("ffmpeg")) {
        double ffmpeg = mpa_bench::BestSeconds("ffmpeg -nostdin -v error -y -i " + wav + " -c:a libmp3lame -b:a 128k " +
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
