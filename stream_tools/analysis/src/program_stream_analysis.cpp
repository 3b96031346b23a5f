#include <array>

#include "ps_common/byte_io.h"
#include "ps_common/program_stream.h"
#include "start_codes/start_codes.h"
#include "stream_analysis/analysis.h"

namespace stream_analysis {

ProgramStreamAnalysis AnalyzeProgramStream(const std::string& path) {
    ProgramStreamAnalysis r;
    if (path.empty()) return r;
    r.fileSize = ps::FileSize(path);
    auto file = r.fileSize >= 0 ? ps::FileSource::Open(path) : nullptr;
    if (!file) {
        r.fileSize = 0;
        r.error = "Can't open video file";
        return r;
    }
    std::array<std::uint8_t, 160> head{};
    const std::size_t got = file->Read(head.data(), head.size());
    if (got < 14 || ps::ReadBe32(head.data()) != start_codes::BigEndianWord(start_codes::kPack)) {
        r.error = "Not a program stream";
        return r;
    }
    if (head[4] < 0x40) {
        r.version = 1;
        r.kind = "MPEG-1 Program stream";
        r.muxRate = std::uint32_t(head[9] & 0x7F) << 15 | std::uint32_t(head[10]) << 7 | head[11] >> 1;
    } else {
        r.version = 2;
        r.kind = "MPEG-2 Program stream";
        r.muxRate = std::uint32_t(head[10]) << 14 | std::uint32_t(head[11]) << 6 | head[12] >> 2;
    }
    const std::int64_t bitrate = std::int64_t(r.muxRate) * 400;
    r.bitrateText = "Bitrate = " + std::to_string(bitrate);
    if (bitrate == 0) {  // the duration would divide by zero
        r.error = "Invalid Bitrate";
        return r;
    }
    r.durationText = DurationText(r.fileSize * 8000 / bitrate, 1000);
    r.ok = true;
    return r;
}

}  // namespace stream_analysis
