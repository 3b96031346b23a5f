#include "encoder_parameters.h"

#include "board_commands/command_lines.h"
#include "board_link/format.h"

namespace velmar {

namespace {

const EncoderModeSpec k422{"422", {320, 352, 368, 384, 480, 544, 640, 704, 720}, 720, {480, 512}, {576, 608},
                           480, 576, 2, 1, 50000, 8000};
const EncoderModeSpec k420{"420", {320, 352, 368, 384, 480, 544, 640, 704, 720}, 720, {480}, {576},
                           480, 576, 3, 3, 15000, 8000};
// The PAL default is the larger picture, the NTSC default the smaller.
const EncoderModeSpec kMpeg1{"MP1", {160, 176, 320, 352}, 160, {112, 240}, {144, 288}, 112, 288, 3, 3, 5000, 2000};

}  // namespace

std::optional<RecordMode> RecordModeOf(int value) {
    switch (value) {
    case 0: return RecordMode::Mpeg2_420;
    case 1: return RecordMode::Mpeg2_422;
    case 4: return RecordMode::Mpeg1;
    default: return std::nullopt;
    }
}

const EncoderModeSpec& ModeSpec(RecordMode mode) {
    switch (mode) {
    case RecordMode::Mpeg2_422: return k422;
    case RecordMode::Mpeg1: return kMpeg1;
    case RecordMode::Mpeg2_420: break;
    }
    return k420;
}

std::vector<int> IntraDistances(int refDistance) {
    std::vector<int> items;
    if (refDistance < 1) return items;
    for (int value = refDistance; value <= kIntraDistanceMax; value += refDistance) items.push_back(value);
    return items;
}

int ChooseIntraDistance(int stored, int refDistance) {
    if (refDistance < 1) refDistance = 1;
    if (stored < refDistance || stored > kIntraDistanceMax) stored = kIntraDefault;
    return refDistance * (stored / refDistance);
}

std::vector<std::string> EncoderCommandLines(const EncoderSettings& s) {
    std::vector<std::string> lines;
    const bool mpeg1 = s.mode == RecordMode::Mpeg1;
    using board_commands::EncoderParameter;
    lines.push_back(
        EncoderParameter(board_commands::kHorizontalSize, 2, board_commands::Hex(static_cast<std::uint32_t>((mpeg1 ? 4 : 8) - s.horizontalIndex)) + " " +
                                                                      board_commands::kFlagSet));
    if (s.mode == RecordMode::Mpeg2_422)
        lines.push_back(board_commands::VerticalSize(static_cast<std::uint32_t>(s.verticalIndex + (s.pal ? 4 : 2))));
    else if (mpeg1)
        lines.push_back(board_commands::VerticalSize(static_cast<std::uint32_t>((s.pal ? 3 : 1) - s.verticalIndex)));
    lines.push_back(
        EncoderParameter(board_commands::kFilters, 2, board_commands::Hex(s.luma ? 1 : 0) + " " + board_commands::Hex(s.chroma ? 1 : 0)));
    if (s.vbr) {
        lines.push_back(EncoderParameter(board_commands::kRateControl, 5,
                                         Format("1 %d000 %d %d %d", s.bitRate, s.minQ, s.minQ, s.minQ)));
    } else {
        lines.push_back(EncoderParameter(board_commands::kRateControl, 5, "0 8000000 2 2 2"));
        lines.push_back(EncoderParameter(board_commands::kBitRate, 1, Format("%d000", s.bitRate)));
    }
    lines.push_back(EncoderParameter(board_commands::kSceneChange, 1, board_commands::Hex(s.sceneChange ? 1 : 0)));
    lines.push_back(EncoderParameter(board_commands::kGop, 2,
                                     Format("%d %d", (s.refIndex + 1) * (s.intraIndex + 1), s.refIndex + 1)));
    lines.push_back(EncoderParameter(board_commands::kClosedGop, 1, Format("%d", s.closeFreq)));
    return lines;
}

std::vector<std::string> ScriptCommandLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t newline = text.find('\n', at);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        std::string line(text.substr(at, end - at));
        at = end;
        const std::size_t content = line.size() - (line.back() == '\n' ? 1 : 0);
        if (content > kScriptLineMax) continue;
        if (line.empty() || line[0] == ';' || line.size() < 7) continue;
        for (int i = 0; i < 2 && !line.empty() && (line.back() == '\r' || line.back() == '\n'); ++i) line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace velmar
