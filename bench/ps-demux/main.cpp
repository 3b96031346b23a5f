// Demultiplexes a program stream of 8 Mbit/s MPEG-2 and Layer II audio (written by our
// multiplexer) and compares with ffmpeg's stream copy into two elementary streams.
#include <cstdio>

#include "../ps-common/bench_support.h"
#include "platform/run_report.h"
#include "ps_demux/demux.h"
#include "ps_mux/mux.h"
#include "stream_analysis/analysis.h"

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    const std::string dir = ps_bench::WorkDir();
    std::string video, audio;
    if (!ps_bench::MakeInputs(dir, seconds, video, audio)) {
        std::fprintf(stderr, "ps-demux-bench: cannot make inputs with ffmpeg\n");
        return 1;
    }
    const std::string ps = dir + "/demux-in.mpg";
    platform::RunReport quiet;
    if (!ps_bench::Exists(ps)) {
        ps_mux::MuxInputs in;
        in.video = stream_analysis::AnalyzeVideoFile(video);
        in.audio = stream_analysis::AnalyzeAudioFile(audio);
        if (ps_mux::RunMuxFiles(in, video, audio, ps, quiet).status != platform::RunStatus::Done) return 1;
    }
    const auto analysis = stream_analysis::AnalyzeProgramStream(ps);
    const double mb = double(ps_bench::SizeOf(ps)) / 1e6;

    auto demux = [&](bool decode) {
        ps_demux::DemuxSettings settings;
        settings.outputBase = dir + "/out";
        settings.decode = decode;
        return ps_demux::RunDemuxFile(analysis, ps, settings, quiet).status == platform::RunStatus::Done;
    };
    const double plain = ps_bench::BestSeconds(5, [&] { return demux(false); });
    const double decoding = ps_bench::BestSeconds(3, [&] { return demux(true); });
    const std::string ff = "ffmpeg -nostdin -hide_banner -loglevel error -y -i " + ps;
    const double ffmpegCopy = ps_bench::BestSeconds(5, [&] {
        return ps_bench::Shell(ff + " -map 0:v -c copy -f mpeg2video " + dir + "/ff.m2v -map 0:a -c copy -f mp2 " +
                               dir + "/ff.mp2");
    });
    const double ffmpegDecode = ps_bench::BestSeconds(3, [&] {
        return ps_bench::Shell(ff + " -map 0:v -c copy -f mpeg2video " + dir + "/ff.m2v -map 0:a -f wav " + dir +
                               "/ff.wav");
    });
    const double catSeconds = ps_bench::BestSeconds(5, [&] { return ps_bench::Shell("cat " + ps + " > " + dir + "/cat.out"); });
    if (plain <= 0 || decoding <= 0 || ffmpegCopy <= 0 || ffmpegDecode <= 0 || catSeconds <= 0) return 1;
    ps_bench::Print("input_mb", mb);
    ps_bench::Print("demux_mb_per_s", mb / plain);
    ps_bench::Print("ffmpeg_copy_mb_per_s", mb / ffmpegCopy);
    ps_bench::Print("ratio_vs_ffmpeg_copy", ffmpegCopy / plain);
    ps_bench::Print("cat_mb_per_s", mb / catSeconds);
    ps_bench::Print("ratio_vs_cat", catSeconds / plain);
    ps_bench::Print("demux_decode_index_mb_per_s", mb / decoding);
    ps_bench::Print("ffmpeg_copy_decode_mb_per_s", mb / ffmpegDecode);
    ps_bench::Print("ratio_decode_vs_ffmpeg", ffmpegDecode / decoding);
    return 0;
}
