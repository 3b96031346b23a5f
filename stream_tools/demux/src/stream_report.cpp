#include "ps_demux/stream_report.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "mpeg_audio/audio_frame.h"
#include "ps_common/program_stream.h"
#include "start_codes/start_codes.h"
#include "stream_analysis/video_sequence.h"

namespace ps_demux {
namespace {

std::string Line(const char* fmt, unsigned long long value) {
    char text[96];
    std::snprintf(text, sizeof text, fmt, value);
    return text;
}

}  // namespace

AudioTrackHeader ParseAudioHeader(const std::uint8_t* b, std::vector<std::string>& lines) {
    AudioTrackHeader h;
    h.syncByte = b[1];
    if (ps::ReadBe32(b) < 0xFFF00000u) {
        lines.push_back("Audio track is not a valid MPEG audio track");
        return h;
    }
    lines.insert(lines.end(), {"", "Audio Stream Info", ""});
    const int layerField = (b[1] >> 1) & 3;
    if (layerField == 0) {
        lines.push_back("Invalid Layer");
        return h;
    }
    h.layer = 4 - layerField;
    lines.push_back(Line("Layer:        %llu", unsigned(h.layer)));
    const int version = (b[1] >> 3) & 1;
    const int bitrateIndex = b[2] >> 4;
    if (bitrateIndex == 0 || bitrateIndex == 15) {
        lines.push_back("Invalid Bitrate");
        return h;
    }
    h.bitrate = std::uint32_t(mpa::kBitrateKbps[version][h.layer - 1][bitrateIndex]) * 1000;
    lines.push_back(Line("Bitrate:      %llu bits/s", h.bitrate));
    const int rateIndex = (b[2] >> 2) & 3;
    if (rateIndex > 1) {
        lines.push_back("Invalid Frequency");
        return h;
    }
    static const std::uint32_t kRates[2][2] = {{22050, 24000}, {44100, 48000}};
    h.frequency = kRates[version][rateIndex];
    lines.push_back(Line("Frequency:    %llu samples/s", h.frequency));
    if (h.layer == 1) {
        h.samplesPerFrame = 384;
        h.frameSize = int(h.bitrate * 48 / h.frequency);
    } else if (h.layer == 3 && version == 0) {
        h.samplesPerFrame = 576;
        h.frameSize = int(h.bitrate * 72 / h.frequency);
    } else {
        h.samplesPerFrame = 1152;
        h.frameSize = int(h.bitrate * 144 / h.frequency);
    }
    lines.push_back(Line("Frame Size:   %llu", unsigned(h.frameSize)));
    h.ok = true;
    return h;
}

VideoTrackHeader ParseVideoHeader(const std::uint8_t* head, std::size_t available, std::vector<std::string>& lines) {
    VideoTrackHeader h;
    std::array<std::uint8_t, stream_analysis::kSequenceProbeBytes> probe{};
    std::memcpy(probe.data(), head, std::min(available, probe.size()));
    if (available < 4 || ps::ReadBe32(probe.data()) != start_codes::BigEndianWord(start_codes::kSequenceHeader)) {
        lines.push_back("video file is not a valid MPEG video file");
        return h;
    }
    stream_analysis::SequenceHeaderFields f;
    if (!stream_analysis::ReadSequenceHeader(probe.data(), std::min(available, probe.size()), f)) {
        lines.push_back("video file is not a valid MPEG video file");
        return h;
    }
    lines.insert(lines.end(), {"", "Video Stream Info", ""});
    h.kind = f.mpeg2 ? 2 : 1;
    lines.push_back(f.mpeg2 ? "Stream Type:  MPEG-2" : "Stream Type:  MPEG-1");
    const char* aspect = stream_analysis::AspectRatioText(f.aspectCode);
    if (!*aspect) {
        lines.push_back("Invalid Aspect Ratio");
        return h;
    }
    lines.push_back(std::string("Aspect Ratio: ") + aspect);
    if (f.mpeg2) {
        static const char* const kProfiles[8] = {"main", "high", "spatial scalable", "SNR scalable",
                                                 "main", "simple", nullptr, nullptr};
        if (!kProfiles[f.profileCode]) {
            lines.push_back("Invalid Profile");
            return h;
        }
        lines.push_back(std::string("Profile:      ") + kProfiles[f.profileCode]);
        const char* level = f.levelCode == 4                       ? "high"
                            : (f.levelCode == 5 || f.levelCode == 8) ? "main"
                            : f.levelCode == 6                     ? "high 1440"
                            : f.levelCode == 10                    ? "low"
                                                                   : nullptr;
        if (!level) {
            lines.push_back("Invalid Level");
            return h;
        }
        lines.push_back(std::string("Level:        ") + level);
        static const char* const kChroma[4] = {nullptr, "4:2:0", "4:2:2", "4:4:4"};
        if (!kChroma[f.chromaFormat]) {
            lines.push_back("Invalid Chroma");
            return h;
        }
        h.chroma = f.chromaFormat;
        lines.push_back(std::string("Chroma:       ") + kChroma[f.chromaFormat]);
    }
    h.width = f.width;
    h.height = f.height;
    h.bitrate = f.bitrate;
    char text[96];
    std::snprintf(text, sizeof text, "Frame Size:   %ux%u", f.width, f.height);
    lines.push_back(text);
    lines.push_back(Line("Bitrate:      %llu bits/s", f.bitrate));
    lines.push_back(Line("VBV buffer:   %llu bytes", f.vbvBytes));
    static const char* const kRates[9] = {nullptr, "23.976", "24", "25", "29.97", "30", "50", "59.94", "60"};
    static const float kRateValues[9] = {0, 23.976f, 24, 25, 29.97f, 30, 50, 59.94f, 60};
    if (f.frameRateCode < 1 || f.frameRateCode > 8) {
        lines.push_back("Invalid Frame Rate");
        return h;
    }
    h.frameRate = kRateValues[f.frameRateCode];
    lines.push_back(std::string("Frame Rate:   ") + kRates[f.frameRateCode] + " frames/s");
    h.ok = true;
    return h;
}

}  // namespace ps_demux
