#include <gtest/gtest.h>

#include <cstring>

#include "wave_format/wave_header.h"
#include "ps_testing/ps_test_support.h"
#include "stream_analysis/analysis.h"
#include "velmar_testing/test_support.h"

using namespace stream_analysis;

namespace {

AudioAnalysis AnalyzeBytes(const std::vector<std::uint8_t>& bytes) {
    const std::string path = velmar_testing::TempDir() + "/probe.audio";
    ps_testing::WriteFileBytes(path, bytes);
    return AnalyzeAudioFile(path);
}

// With `listBytes`, a LIST chunk of that size after the format chunk, or before it.
std::vector<std::uint8_t> Wave(std::uint32_t rate, int channels, std::size_t dataBytes, std::size_t listBytes = 0,
                               bool listFirst = false, std::uint32_t byteRate = 0) {
    const auto h = wav::MakeWavHeader(rate, channels, dataBytes);
    std::vector<std::uint8_t> bytes(h.begin(), h.end());
    const std::vector<std::uint8_t> dataChunk(bytes.begin() + 36, bytes.end());
    bytes.resize(36);
    if (byteRate) std::memcpy(&bytes[28], &byteRate, 4);
    if (listBytes) {
        std::vector<std::uint8_t> list{'L', 'I', 'S', 'T', std::uint8_t(listBytes), std::uint8_t(listBytes >> 8),
                                       std::uint8_t(listBytes >> 16), 0};
        list.resize(8 + listBytes, 'x');
        bytes.insert(listFirst ? bytes.begin() + 12 : bytes.end(), list.begin(), list.end());
    }
    bytes.insert(bytes.end(), dataChunk.begin(), dataChunk.end());
    bytes.resize(bytes.size() + dataBytes, 0);
    return bytes;
}

std::vector<std::uint8_t> MpegAudio(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::size_t size) {
    std::vector<std::uint8_t> bytes(size, 0);
    bytes[0] = 0xFF;
    bytes[1] = b1;
    bytes[2] = b2;
    bytes[3] = b3;
    return bytes;
}

}  // namespace

TEST(AnalyzeAudioFile, WaveAcceptedWithDataFoundByChunks) {
    auto r = AnalyzeBytes(Wave(48000, 2, 192000));
    ASSERT_EQ(r.type, AudioType::Wave) << r.error;
    EXPECT_EQ(r.frequency, "48000 Sample/s");
    EXPECT_EQ(r.mode, "Stereo");
    EXPECT_EQ(r.durationText, "1.000 seconds");
    EXPECT_TRUE(r.showLayerCombos);
    EXPECT_EQ(r.dataOffset, 44u);
    // Other chunks move the samples, however long they are and wherever they stand.
    const struct {
        std::size_t list;
        bool first;
    } rows[] = {{26, false}, {5000, true}, {70000, false}};
    for (const auto& row : rows) {
        r = AnalyzeBytes(Wave(44100, 2, 1000, row.list, row.first));
        ASSERT_EQ(r.type, AudioType::Wave) << row.list << " " << r.error;
        EXPECT_EQ(r.dataOffset, 44u + 8 + row.list);
        EXPECT_EQ(r.dataBytes, 1000u);
    }
}

TEST(AnalyzeAudioFile, WaveRefusals) {
    EXPECT_EQ(AnalyzeBytes(Wave(44100, 1, 100)).error, "Unsupported WAVE file format");
    EXPECT_EQ(AnalyzeBytes(Wave(22050, 2, 100)).error, "Unsupported Bit Width");
    EXPECT_EQ(AnalyzeBytes(Wave(48000, 2, 100, 0, false, 96000)).error, "Unsupported Bit Width");
    auto notRiff = Wave(48000, 2, 100);
    notRiff[0] = 'X';
    const auto r = AnalyzeBytes(notRiff);
    EXPECT_EQ(r.error, "Audio file is not a valid WAVE or MPEG audio file");
    EXPECT_EQ(r.type, AudioType::None);
    EXPECT_EQ(r.frequency, "NA");
    EXPECT_EQ(AnalyzeBytes({'R', 'I'}).error, "Audio file is not a valid WAVE or MPEG audio file");
    EXPECT_EQ(AnalyzeAudioFile("/nonexistent.wav").error, "Can't open audio file");
}

TEST(AnalyzeAudioFile, MpegAudioHeaders) {
    // MPEG-1 Layer II, 192 kbit/s, 48 kHz, stereo.
    auto r = AnalyzeBytes(MpegAudio(0xFD, 0xA4, 0x00, 48000));
    ASSERT_EQ(r.type, AudioType::Mpeg) << r.error;
    EXPECT_EQ(r.layerText, "2");
    EXPECT_EQ(r.bitrateText, "192000");
    EXPECT_EQ(r.frequency, "48000 samples/s");
    EXPECT_EQ(r.mode, "Stereo");
    EXPECT_EQ(r.samplesPerFrame, 1152);
    EXPECT_EQ(r.frameLength, 576);
    EXPECT_EQ(r.syncByte, 0xFD);
    EXPECT_EQ(r.durationText, "2.000 seconds");
    // Half-rate Layer III, 64 kbit/s at 24 kHz: 576 samples, 192-byte frames.
    r = AnalyzeBytes(MpegAudio(0xF3, 0x84, 0x40, 1000));
    ASSERT_EQ(r.type, AudioType::Mpeg) << r.error;
    EXPECT_EQ(r.samplesPerFrame, 576);
    EXPECT_EQ(r.frameLength, 192);
    EXPECT_EQ(r.mode, "Joint Stereo");
    // Layer I at 44.1 kHz, 384 kbit/s.
    r = AnalyzeBytes(MpegAudio(0xFF, 0xC0, 0xC0, 1000));
    EXPECT_EQ(r.samplesPerFrame, 384);
    EXPECT_EQ(r.frameLength, 384000 * 48 / 44100);
    EXPECT_EQ(r.mode, "Single Channel");

    EXPECT_EQ(AnalyzeBytes(MpegAudio(0xF9, 0xA4, 0, 100)).error, "Invalid Layer");
    EXPECT_EQ(AnalyzeBytes(MpegAudio(0xFD, 0x04, 0, 100)).error, "Invalid Bitrate");
    EXPECT_EQ(AnalyzeBytes(MpegAudio(0xFD, 0xF4, 0, 100)).error, "Invalid Bitrate");
    const auto at32k = AnalyzeBytes(MpegAudio(0xFD, 0xA8, 0, 100));
    EXPECT_EQ(at32k.error, "Invalid Frequency");
    EXPECT_EQ(at32k.layerText, "2");  // shown before the refusal
}
