// Multiplexes 8 Mbit/s MPEG-2 video with Layer II audio and compares with ffmpeg's stream copy
// into a program stream on the same inputs, in the same run.
#include <cstdio>

#include "../ps-common/bench_support.h"
#include "platform/run_report.h"
#include "ps_mux/mux.h"
#include "stream_analysis/analysis.h"

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    const std::string dir = ps_bench::WorkDir();
    std::string video, audio;
    if (!ps_bench::MakeInputs(dir, seconds, video, audio)) {
        std::fprintf(stderr, "ps-mux-bench: cannot make inputs with ffmpeg\n");
        return 1;
    }
    ps_mux::MuxInputs in;
    in.version = ps_mux::PsVersion::Mpeg2;
    in.video = stream_analysis::AnalyzeVideoFile(video);
    in.audio = stream_analysis::AnalyzeAudioFile(audio);
    const std::string ours = dir + "/ours.mpg";
    const std::string theirs = dir + "/ffmpeg.vob";
    const double inputMb = double(in.video.fileSize + in.audio.fileSize) / 1e6;

    platform::RunReport quiet;
    const double oursSeconds = ps_bench::BestSeconds(5, [&] {
        return ps_mux::RunMuxFiles(in, video, audio, ours, quiet).status == platform::RunStatus::Done;
    });
    const double ffmpegSeconds = ps_bench::BestSeconds(5, [&] {
        return ps_bench::Shell("ffmpeg -nostdin -hide_banner -loglevel error -y -i " + video + " -i " + audio +
                               " -c copy -f vob " + theirs);
    });
    const double catSeconds = ps_bench::BestSeconds(5, [&] {
        return ps_bench::Shell("cat " + video + " " + audio + " > " + dir + "/cat.out");
    });
    if (oursSeconds <= 0 || ffmpegSeconds <= 0 || catSeconds <= 0) return 1;
    ps_bench::Print("input_mb", inputMb);
    ps_bench::Print("mux_mpeg2_seconds", oursSeconds);
    ps_bench::Print("mux_mpeg2_mb_per_s", inputMb / oursSeconds);
    ps_bench::Print("ffmpeg_copy_vob_seconds", ffmpegSeconds);
    ps_bench::Print("ffmpeg_copy_vob_mb_per_s", inputMb / ffmpegSeconds);
    ps_bench::Print("ratio_vs_ffmpeg", ffmpegSeconds / oursSeconds);
    ps_bench::Print("cat_mb_per_s", inputMb / catSeconds);
    ps_bench::Print("ratio_vs_cat", catSeconds / oursSeconds);
    return 0;
}
