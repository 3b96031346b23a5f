// mpa-tool dec IN OUT.wav: decodes a file of MPEG audio frames into a 16-bit WAVE file.
#include <cstdio>
#include <string>

#include "mpeg_audio/stream_decoder.h"
#include "platform/kernel.h"
#include "subcommands/subcommands.h"

namespace {

int RunDecode(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: mpa-tool dec IN OUT.wav\n");
        return 2;
    }
    if (platform::IsSameFile(argv[0], argv[1])) {
        std::fprintf(stderr, "mpa-tool dec: the output %s is the input file\n", argv[1]);
        return 1;
    }
    mpa::StreamDecodeStats stats;
    std::string error;
    if (!mpa::DecodeMpegAudioFile(argv[0], argv[1], &stats, &error)) {
        std::fprintf(stderr, "mpa-tool dec: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "%ld frames decoded, %ld dropped, %ld bytes skipped, %ld samples clipped\n",
                 stats.framesDecoded, stats.framesDropped, stats.bytesSkipped, stats.clippedSamples);
    return stats.framesDecoded > 0 ? 0 : 1;
}

const Subcommand kDecode("dec", "dec IN OUT.wav", RunDecode);

}  // namespace
