#include <array>
#include <cstdio>

#include "ps_common/byte_io.h"
#include "stream_analysis/analysis.h"
#include "stream_analysis/stream_rate.h"
#include "stream_analysis/video_sequence.h"
#include "start_codes/start_codes.h"

namespace stream_analysis {
namespace {

constexpr std::size_t kProbeBytes = 512;
// Enough pictures for a stream's mean rate (two seconds and more at 15 Mbit/s), read in a few
// milliseconds whatever the file's size.
constexpr std::uint64_t kRateProbeBytes = 4 << 20;
constexpr std::uint64_t kDv525FrameBytes = 120000;
constexpr std::uint64_t kDv625FrameBytes = 144000;
const char* const kNotVideo = "Video file is not a valid MPEG or DV video file";

bool IsDvBlock(const std::uint8_t* b) { return (b[0] & 0xF0) == 0x10 && (b[1] & 0xF7) == 0x07 && b[2] == 0; }

std::string Format(const char* fmt, std::uint64_t a) {
    char text[64];
    std::snprintf(text, sizeof text, fmt, static_cast<unsigned long long>(a));
    return text;
}

void AnalyzeDv(ps::FileSource& file, const std::uint8_t* head, std::size_t got, VideoAnalysis& r) {
    if (got < 4 || !IsDvBlock(head)) {
        r.error = kNotVideo;
        return;
    }
    r.kind = VideoKind::Dv;
    r.type = "DV";
    const bool lines625 = (head[3] & 0x80) != 0;
    std::uint64_t frameBytes;
    if (lines625) {
        frameBytes = kDv625FrameBytes;
        r.frameRate = "25 frames/s";
        r.duration = r.fileSize / 144 / 250;
    } else {
        frameBytes = kDv525FrameBytes;
        r.frameRate = "29.97 frames/s";
        r.duration = r.fileSize / 12 / 2997;
    }
    r.dv625Lines = lines625;
    std::array<std::uint8_t, 40> second{};
    if (!file.Seek(frameBytes) || file.Read(second.data(), second.size()) < 4 || !IsDvBlock(second.data())) {
        r.error = kNotVideo;
        return;
    }
    r.dv50Mbit = (second[1] & 0x08) != 0;
    if (r.dv50Mbit) {
        r.bitrateText = "50 Megabits/s";
        r.duration /= 2;
    } else {
        r.bitrateText = "25 Megabits/s";
    }
    r.durationText = DurationText(r.duration, 100);
    r.valid = true;
}

// The header's rate, unless it is variable or the stream's size and picture count belie it: then
// the multiplexer's clock and the duration come from the stream's own rate.
void DecideRate(VideoAnalysis& r, const StreamRate& measured, bool whole) {
    r.bitrate = r.headerBitrate;
    r.bitrateText = Format("%llu bits/s\n", r.bitrate);
    r.duration = r.fileSize * 8000 / r.bitrate;
    if (measured.bitrate == 0 || measured.bitrate > 0xFFFFFFFFull ||
        (!r.variableRate && HeaderRateFits(r.headerBitrate, measured.bitrate)))
        return;
    r.bitrate = std::uint32_t(measured.bitrate);
    r.bitrateText = Format("%llu bits/s\n", measured.bitrate);
    r.duration = whole ? measured.durationMs : r.fileSize * 8000 / std::int64_t(r.bitrate);
}

void AnalyzeMpeg(ps::FileSource& file, const std::uint8_t* head, std::size_t got, VideoAnalysis& r) {
    SequenceHeaderFields f;
    if (!ReadSequenceHeader(head, got, f)) {
        r.error = kNotVideo;  // too short to hold the header it announces
        return;
    }
    if (f.mpeg2) {
        r.kind = VideoKind::Mpeg2;
        r.type = "MPEG-2";
        r.outputType = 2;
    } else {
        r.kind = VideoKind::Mpeg1;
        r.type = "MPEG-1";
        r.outputType = 1;
    }
    const char* aspect = AspectRatioText(f.aspectCode);
    if (!*aspect) {
        r.error = "Invalid Aspect Ratio";
        return;
    }
    r.aspect = aspect;
    if (f.mpeg2) {
        static const char* const kProfiles[8] = {"Main", "High", "Spatial Scalable", "SNR scalable",
                                                 "Main", "Simple", nullptr, nullptr};
        if (!kProfiles[f.profileCode]) {
            r.error = "Invalid Profile";
            return;
        }
        r.profile = kProfiles[f.profileCode];
        switch (f.levelCode) {
            case 4: r.level = "High"; break;
            case 5:
            case 8: r.level = "Main"; break;
            case 6: r.level = "High 1440"; break;
            case 10: r.level = "Low"; break;
            default: r.error = "Invalid Level"; return;
        }
        static const char* const kChroma[4] = {nullptr, "4:2:0", "4:2:2", "4:4:4"};
        if (!kChroma[f.chromaFormat]) {
            r.error = "Invalid Chroma";
            return;
        }
        r.chroma = kChroma[f.chromaFormat];
    }
    char text[64];
    std::snprintf(text, sizeof text, "%ux%u\n", f.width, f.height);
    r.frameSize = text;
    r.bitrateText = Format("%llu bits/s\n", f.bitrate);
    r.vbv = Format("%llu bytes\n", f.vbvBytes);
    // A zero rate would divide the duration by zero and give the multiplexer no clock.
    if (f.bitrate == 0 || f.bitrate > 0xFFFFFFFFull) {
        r.error = "Invalid Bitrate";
        return;
    }
    r.bitrate = std::uint32_t(f.bitrate);

    static const char* const kRates[9] = {nullptr,          "23.976 frames/s", "24 frames/s",
                                          "25 frames/s",    "29.97 frames/s",  "30 frames/s",
                                          "50 frames/s",    "59.94 frames/s",  "60 frames/s"};
    if (f.frameRateCode < 1 || f.frameRateCode > 8) {
        r.error = "Invalid Frame Rate";
        return;
    }
    r.frameRate = kRates[f.frameRateCode];
    r.framePeriod = FramePeriodForRate(f.frameRateCode);
    if (r.framePeriod == 0) {
        r.error = "Frame Rate not supported";
        return;
    }
    r.headerBitrate = r.bitrate;
    r.variableRate = f.variableRate;
    // A short stream is measured whole; a long one over the pictures that lie wholly in its head,
    // so that a probe never reads a large file through.
    StreamRate measured;
    bool whole = true;
    if (file.Seek(0)) {
        const PictureCount count = CountPictures(file, kRateProbeBytes);
        whole = count.wholeStream;
        if (whole)
            measured = MeasureStreamRate(r.fileSize, count.pictures, r.framePeriod);
        else if (count.pictures > 1)
            measured = MeasureStreamRate(std::int64_t(count.lastPictureAt), count.pictures - 1, r.framePeriod);
    }
    r.rateFromHead = !whole;
    DecideRate(r, measured, whole);
    r.durationText = DurationText(r.duration, 1000);
    r.valid = true;
}

}  // namespace

VideoAnalysis AnalyzeVideoFile(const std::string& path) {
    VideoAnalysis r;
    if (path.empty()) return r;
    r.fileSize = ps::FileSize(path);
    auto file = r.fileSize >= 0 ? ps::FileSource::Open(path) : nullptr;
    if (!file) {
        r.fileSize = 0;
        r.error = "Can't open video file";
        return r;
    }
    // Zero-filled, so a short file never shows stale bytes; the parsers check what was read.
    std::array<std::uint8_t, kProbeBytes> head{};
    const std::size_t got = file->Read(head.data(), head.size());
    const bool mpeg = got >= 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == start_codes::kSequenceHeader;
    if (mpeg) {
        AnalyzeMpeg(*file, head.data(), got, r);
    } else if (got >= 4 && (head[0] & 0xF0) == 0x10) {
        AnalyzeDv(*file, head.data(), got, r);
    } else {
        r.error = "Videos file is not a valid MPEG or DV video file";
    }
    if (!r.error.empty()) r.valid = false;
    return r;
}

bool MeasureWholeStream(VideoAnalysis& video, const std::string& path, const std::function<bool()>& stop) {
    if (!video.valid || !video.rateFromHead) return true;
    auto file = ps::FileSource::Open(path);
    if (!file) return true;  // the run's own open says so
    const PictureCount count = CountPictures(*file, UINT64_MAX, stop);
    if (!count.wholeStream) return false;
    video.rateFromHead = false;
    DecideRate(video, MeasureStreamRate(video.fileSize, count.pictures, video.framePeriod), true);
    video.durationText = DurationText(video.duration, 1000);
    return true;
}

std::string DurationText(std::int64_t duration, int divisor) {
    const std::int64_t seconds = duration / divisor;
    const std::int64_t rest = duration - seconds * divisor;
    char text[64];
    // The fraction keeps its leading zeros: 12045 ms is 12.045 seconds, not 12.45.
    std::snprintf(text, sizeof text, divisor == 100 ? "%lld.%02lld seconds" : "%lld.%03lld seconds",
                  static_cast<long long>(seconds), static_cast<long long>(rest));
    return text;
}

}  // namespace stream_analysis
