#include "stream_analysis/video_sequence.h"

#include "ps_common/program_stream.h"
#include "start_codes/start_codes.h"

namespace stream_analysis {
namespace {
// Encoders of variable rate streams write this in place of a rate (ffmpeg's default output does).
constexpr std::uint32_t kVariableRateValue = 0x3FFFF;
}  // namespace

bool ReadSequenceHeader(const std::uint8_t* head, std::size_t available, SequenceHeaderFields& out) {
    auto word = [&](int i) { return ps::ReadBe32(head + 4 * i); };
    if (available < 12 || word(0) != start_codes::BigEndianWord(start_codes::kSequenceHeader)) return false;
    const std::uint32_t w1 = word(1);
    const std::uint32_t w2 = word(2);
    const bool loadIntra = (w2 >> 1) & 1;
    const bool loadNonIntra = w2 & 1;
    // The quantiser matrices, when loaded, sit between the header and the next start code.
    int next = 3;
    if (loadIntra) {
        next = 19;
        if (available >= 19 * 4 && (word(18) & 1)) next = 35;
    } else if (loadNonIntra) {
        next = 19;
    }
    if (available < std::size_t(next + 1) * 4) return false;

    out = {};
    out.width = w1 >> 20;
    out.height = (w1 >> 8) & 0xFFF;
    out.aspectCode = (w1 >> 4) & 0xF;
    out.frameRateCode = w1 & 0xF;
    const std::uint32_t bitrateValue = w2 >> 14;
    const std::uint32_t vbvValue = (w2 >> 3) & 0x3FF;
    out.mpeg2 = word(next) == start_codes::BigEndianWord(start_codes::kExtension);
    if (!out.mpeg2) {
        out.bitrate = std::uint64_t(bitrateValue) * 400;
        out.variableRate = bitrateValue == kVariableRateValue;
        out.vbvBytes = std::uint64_t(vbvValue) * 2048;
        return true;
    }
    if (available < std::size_t(next + 3) * 4) return false;
    const std::uint32_t ext = word(next + 1);
    const std::uint32_t ext2 = word(next + 2);
    const int profileAndLevel = (ext >> 20) & 0xFF;
    out.profileCode = (profileAndLevel >> 4) & 0x7;
    out.levelCode = profileAndLevel & 0xF;
    out.chromaFormat = (ext >> 17) & 0x3;
    out.width |= ((ext >> 15) & 0x3) << 12;
    out.height |= ((ext >> 13) & 0x3) << 12;
    const std::uint32_t bitrateExt = (ext >> 1) & 0xFFF;
    out.bitrate = (std::uint64_t(bitrateExt) << 18 | bitrateValue) * 400;
    out.variableRate = bitrateExt == 0 && bitrateValue == kVariableRateValue;
    out.vbvBytes = (std::uint64_t(ext2 >> 24) << 10 | vbvValue) * 2048;
    return true;
}

const char* AspectRatioText(int code) {
    static const char* const kTexts[16] = {
        "",       "1.0000 (1:1)", "0.6735 (4:3)", "0.7031 (16:9)", "0.7615 (2.21:1)", "0.8055",
        "0.8437", "0.8935",       "0.9157",       "0.9815",        "1.0255",          "1.0695",
        "1.0950", "1.1575",       "1.2015",       ""};
    return (code >= 0 && code < 16) ? kTexts[code] : "";
}

int FramePeriodForRate(int frameRateCode) {
    switch (frameRateCode) {
        case 2: return 3750;
        case 3: return 3600;
        case 4: return 3003;
        default: return 0;
    }
}

}  // namespace stream_analysis
