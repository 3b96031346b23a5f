#include <gtest/gtest.h>

#include "../../mux/tests/mux_test_streams.h"
#include "ps_demux/stream_report.h"

using namespace ps_demux;

TEST(StreamReport, AudioHeaderLines) {
    std::vector<std::string> lines;
    const std::uint8_t layer2[4] = {0xFF, 0xFD, 0xA4, 0x00};
    auto h = ParseAudioHeader(layer2, lines);
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(lines, (std::vector<std::string>{"", "Audio Stream Info", "", "Layer:        2",
                                               "Bitrate:      192000 bits/s", "Frequency:    48000 samples/s",
                                               "Frame Size:   576"}));
    lines.clear();
    const std::uint8_t halfRateLayer3[4] = {0xFF, 0xF3, 0x84, 0x40};
    h = ParseAudioHeader(halfRateLayer3, lines);
    EXPECT_EQ(lines.back(), "Frame Size:   192");
    EXPECT_EQ(h.samplesPerFrame, 576);
    lines.clear();
    const std::uint8_t notAudio[4] = {0x00, 0x00, 0x01, 0xB3};
    EXPECT_FALSE(ParseAudioHeader(notAudio, lines).ok);
    EXPECT_EQ(lines, std::vector<std::string>{"Audio track is not a valid MPEG audio track"});
}

TEST(StreamReport, VideoHeaderLines) {
    auto pictures = mux_testing::Group(true);
    const auto v = mux_testing::BuildVideo(pictures, 500);
    std::vector<std::string> lines;
    const auto h = ParseVideoHeader(v.bytes.data(), 401, lines);
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(lines, (std::vector<std::string>{"", "Video Stream Info", "", "Stream Type:  MPEG-2",
                                               "Aspect Ratio: 0.6735 (4:3)", "Profile:      main",
                                               "Level:        main", "Chroma:       4:2:0", "Frame Size:   352x288",
                                               "Bitrate:      4000000 bits/s", "VBV buffer:   229376 bytes",
                                               "Frame Rate:   25 frames/s"}));
    lines.clear();
    std::vector<std::uint8_t> notVideo(401, 0x55);
    EXPECT_FALSE(ParseVideoHeader(notVideo.data(), notVideo.size(), lines).ok);
    EXPECT_EQ(lines, std::vector<std::string>{"video file is not a valid MPEG video file"});
}
