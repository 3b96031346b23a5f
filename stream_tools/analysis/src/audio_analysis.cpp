#include <array>
#include <cstdio>
#include <vector>

#include "mpeg_audio/audio_frame.h"
#include "ps_common/byte_io.h"
#include "ps_common/program_stream.h"
#include "wave_format/wave_header.h"
#include "stream_analysis/analysis.h"

namespace stream_analysis {
namespace {

// The first 40 words: an MPEG audio frame header, or the start of a RIFF file.
constexpr std::size_t kHeadBytes = 160;

void AnalyzeWave(const std::string& path, const std::vector<std::uint8_t>& head, AudioAnalysis& r) {
    if (head.size() < 4 || ps::ReadBe32(head.data()) != 0x52494646) {  // "RIFF"
        r.error = "Audio file is not a valid WAVE or MPEG audio file";
        return;
    }
    // The chunks are walked in the file however far in the samples begin.
    const auto layout = wav::ReadWaveLayout(path);
    if (!layout || layout->formatTag != 1 || layout->channels != 2) {
        r.error = "Unsupported WAVE file format";
        return;
    }
    const std::uint32_t rate = layout->sampleRate;
    if ((rate != 32000 && rate != 44100 && rate != 48000) || layout->byteRate != rate * 4) {
        r.error = "Unsupported Bit Width";
        return;
    }
    r.sampleRate = rate;
    r.frequency = std::to_string(rate) + " Sample/s";
    r.mode = "Stereo";
    // The samples are where the data chunk says, not at a fixed byte 44.
    r.dataOffset = layout->dataOffset;
    r.dataBytes = layout->dataBytes;
    r.durationMs = std::int64_t(r.dataBytes * 250 / rate);
    r.durationText = DurationText(r.durationMs, 1000);
    r.showLayerCombos = true;
    r.type = AudioType::Wave;
}

void AnalyzeMpegAudio(const std::uint8_t* b, AudioAnalysis& r) {
    r.syncByte = b[1];
    const int layerField = (b[1] >> 1) & 3;
    if (layerField == 0) {
        r.error = "Invalid Layer";
        return;
    }
    r.layer = 4 - layerField;
    r.layerText = std::to_string(r.layer);
    const int version = (b[1] >> 3) & 1;
    const int bitrateIndex = b[2] >> 4;
    if (bitrateIndex == 0 || bitrateIndex == 15) {
        r.error = "Invalid Bitrate";
        return;
    }
    r.bitrate = std::uint32_t(mpa::kBitrateKbps[version][r.layer - 1][bitrateIndex]) * 1000;
    r.bitrateText = std::to_string(r.bitrate);
    const int rateIndex = (b[2] >> 2) & 3;
    if (rateIndex > 1) {  // 32 and 16 kHz are not taken by the multiplexer
        r.error = "Invalid Frequency";
        return;
    }
    static const std::uint32_t kRates[2][2] = {{22050, 24000}, {44100, 48000}};
    r.sampleRate = kRates[version][rateIndex];
    r.frequency = std::to_string(r.sampleRate) + " samples/s";
    if (r.layer == 1) {
        r.samplesPerFrame = 384;
        r.frameLength = int(r.bitrate * 48 / r.sampleRate);
    } else if (r.layer == 3 && version == 0) {
        r.samplesPerFrame = 576;
        r.frameLength = int(r.bitrate * 72 / r.sampleRate);
    } else {
        r.samplesPerFrame = 1152;
        r.frameLength = int(r.bitrate * 144 / r.sampleRate);
    }
    static const char* const kModes[4] = {"Stereo", "Joint Stereo", "Dual Channel", "Single Channel"};
    r.mode = kModes[b[3] >> 6];
    r.durationMs = r.fileSize * 8000 / r.bitrate;
    r.durationText = DurationText(r.durationMs, 1000);
    r.type = AudioType::Mpeg;
}

}  // namespace

AudioAnalysis AnalyzeAudioFile(const std::string& path) {
    AudioAnalysis r;
    if (path.empty()) return r;
    r.fileSize = ps::FileSize(path);
    auto file = r.fileSize >= 0 ? ps::FileSource::Open(path) : nullptr;
    if (!file) {
        r.fileSize = 0;
        r.error = "Can't open audio file";
        return r;
    }
    std::vector<std::uint8_t> head(kHeadBytes, 0);
    head.resize(file->Read(head.data(), head.size()));
    if (head.size() >= 4 && ps::ReadBe32(head.data()) >= 0xFFF00000u) {
        AnalyzeMpegAudio(head.data(), r);
    } else {
        AnalyzeWave(path, head, r);
    }
    if (!r.error.empty()) r.type = AudioType::None;
    return r;
}

}  // namespace stream_analysis
