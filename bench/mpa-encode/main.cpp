// mpa-encode-bench: encodes 120 s of 48 kHz stereo to Layer II at 192 kbit/s with psychoacoustic
// model 2 through `mpa-tool enc`, and the same input with twolame and ffmpeg's mp2 encoder, and prints
// each speed as a multiple of real time (best of three runs, wall time with start-up and file I/O).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../mpa-common/encode_bench_support.h"

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 120;

}  // namespace

int main() {
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    std::string tool = (self.parent_path().parent_path() / "bin" / "mpa-tool").string();
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("mpa-encode-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string wav = (dir / "input.wav").string();
    if (!mpa_bench::WriteMusicLikeInput(wav, kRate, kSeconds)) {
        std::fprintf(stderr, "cannot write %s\n", wav.c_str());
        return 1;
    }
    std::printf("input: %d s, %d Hz stereo, Layer II 192 kbit/s\n", kSeconds, kRate);
    std::fflush(stdout);

    double ours = mpa_bench::BestSeconds(tool + " enc 'enc -l 2 -b 192 -s 48 -m s -p2' " + wav + " " + (dir / "ours.mp2").string() +
                              " 2>/dev/null");
    if (ours <= 0.0) {
        std::fprintf(stderr, "mpa-tool enc failed\n");
        return 1;
    }
    std::printf("mpa_tool_enc_x_realtime: %.1f\n", kSeconds / ours);

    if (mpa_bench::HaveTool("twolame")) {
        double twolame = mpa_bench::BestSeconds("twolame --quiet -b 192 -m s " + wav + " " + (dir / "twolame.mp2").string() + " >/dev/null 2>&1");
        double twolameModel2 =
            mpa_bench::BestSeconds("twolame --quiet -P 2 -b 192 -m s " + wav + " " + (dir / "twolame2.mp2").string() + " >/dev/null 2>&1");
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
    if (mpa_bench::HaveTool("ffmpeg")) {
        double ffmpeg = mpa_bench::BestSeconds("ffmpeg -nostdin -v error -y -i " + wav + " -c:a mp2 -b:a 192k " +
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
