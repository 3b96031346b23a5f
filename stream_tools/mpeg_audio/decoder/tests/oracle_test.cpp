// Streams made by Debian's encoders decode like mpg123 --no-gapless: sample-aligned, within 1 LSB
// (Layers I and II) or 2 LSB (Layer III), PSNR at least 96 dB.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mpeg_audio/console.h"
#include "mpeg_audio/stream_decoder.h"
#include "pcm_compare.h"
#include "velmar_testing/test_support.h"

namespace mpa {
namespace {

struct EncoderCase {
    const char* name;
    const char* tool;
    const char* command;  // IN and OUT are replaced
    int inputRate;
    int inputChannels;
    int maxDiff;
};

class EncodedByDebianTools : public ::testing::TestWithParam<EncoderCase> {};

std::string Replace(std::string text, const std::string& key, const std::string& value) {
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
    return text;
}

TEST_P(EncodedByDebianTools, DecodesLikeMpg123) {
    const EncoderCase& c = GetParam();
    VELMAR_REQUIRE_TOOL(c.tool);
    VELMAR_REQUIRE_TOOL("mpg123");
    const std::string dir = velmar_testing::TempDir();
    const std::string input = dir + "/in.wav", coded = dir + "/coded.mpa";
    const std::string oursPath = dir + "/ours.wav", theirsPath = dir + "/mpg123.wav";
    ASSERT_TRUE(mpa_test::WriteWav(input, mpa_test::TestSignal(c.inputRate, c.inputChannels, 3.0, 7), c.inputRate,
                                   c.inputChannels));
    const std::string command = Replace(Replace(c.command, "IN", input), "OUT", coded) + " >/dev/null 2>&1";
    ASSERT_EQ(velmar_testing::RunCommand(command), 0) << command;
    ASSERT_EQ(velmar_testing::RunCommand("mpg123 -q --no-gapless -w " + theirsPath + " " + coded + " 2>/dev/null"), 0);

    MessageSink previous = SetMessageSink([](const std::string&) {});
    StreamDecodeStats stats;
    std::string error;
    const bool decoded = DecodeMpegAudioFile(coded, oursPath, &stats, &error);
    SetMessageSink(previous);
    ASSERT_TRUE(decoded) << error;

    mpa_test::WavData ours = mpa_test::ReadWav(oursPath);
    mpa_test::WavData theirs = mpa_test::ReadWav(theirsPath);
    ASSERT_GT(theirs.samples.size(), 0u);
    EXPECT_EQ(ours.channels, theirs.channels);
    EXPECT_EQ(ours.sampleRate, theirs.sampleRate);
    EXPECT_EQ(stats.bytesSkipped, 0);
    mpa_test::PcmDifference d = mpa_test::ComparePcm(ours.samples, theirs.samples);
    EXPECT_GE(d.compared, std::max(ours.samples.size(), theirs.samples.size()) * 95 / 100)
        << "ours " << ours.samples.size() << ", mpg123 " << theirs.samples.size();
    EXPECT_LE(d.maxDiff, c.maxDiff);
    EXPECT_GE(d.psnrDb, 96.0);
    std::printf("%s: %ld frames, %zu samples, max diff %d, PSNR %.1f dB\n", c.name, stats.framesDecoded, d.compared,
                d.maxDiff, d.psnrDb);
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, EncodedByDebianTools,
    ::testing::Values(
        // Layer II
        EncoderCase{"twolame_stereo_192_44k", "twolame", "twolame --quiet -m s -b 192 IN OUT", 44100, 2, 1},
        EncoderCase{"twolame_joint_crc_128_48k", "twolame", "twolame --quiet -m j -b 128 -p IN OUT", 48000, 2, 1},
        EncoderCase{"twolame_mono_64_32k", "twolame", "twolame --quiet -m m -b 64 IN OUT", 32000, 1, 1},
        EncoderCase{"twolame_dual_256_44k", "twolame", "twolame --quiet -m d -b 256 IN OUT", 44100, 2, 1},
        EncoderCase{"twolame_stereo_384_44k", "twolame", "twolame --quiet -m s -b 384 IN OUT", 44100, 2, 1},
        EncoderCase{"twolame_low_rate_table_64_32k", "twolame", "twolame --quiet -m s -b 64 IN OUT", 32000, 2, 1},
        EncoderCase{"twolame_low_rate_table_64_48k", "twolame", "twolame --quiet -m j -b 64 IN OUT", 48000, 2, 1},
        EncoderCase{"twolame_half_rate_joint_24k", "twolame", "twolame --quiet -m j -b 64 IN OUT", 24000, 2, 1},
        EncoderCase{"twolame_half_rate_mono_crc_16k", "twolame", "twolame --quiet -m m -b 32 -p IN OUT", 16000, 1, 1},
        EncoderCase{"ffmpeg_mp2_192_48k", "ffmpeg", "ffmpeg -v error -y -i IN -c:a mp2 -b:a 192k -f mp2 OUT", 48000, 2,
                    1},
        EncoderCase{"ffmpeg_mp2_half_rate_22k", "ffmpeg", "ffmpeg -v error -y -i IN -c:a mp2 -b:a 64k -f mp2 OUT",
                    22050, 2, 1},
        // Layer III
        EncoderCase{"lame_joint_128_44k", "lame", "lame --quiet -t -b 128 IN OUT", 44100, 2, 2},
        EncoderCase{"lame_stereo_crc_320_48k", "lame", "lame --quiet -t -m s -p -b 320 IN OUT", 48000, 2, 2},
        EncoderCase{"lame_mono_64_32k", "lame", "lame --quiet -t -m m -b 64 IN OUT", 32000, 1, 2},
        EncoderCase{"lame_vbr_44k", "lame", "lame --quiet -t -V 2 IN OUT", 44100, 2, 2},
        EncoderCase{"lame_half_rate_22k", "lame", "lame --quiet -t --resample 22.05 -b 32 IN OUT", 44100, 2, 2},
        EncoderCase{"lame_half_rate_joint_crc_24k", "lame", "lame --quiet -t --resample 24 -m j -p -b 64 IN OUT",
                    44100, 2, 2},
        EncoderCase{"lame_half_rate_mono_16k", "lame", "lame --quiet -t --resample 16 -m m -b 24 IN OUT", 44100, 1, 2},
        EncoderCase{"ffmpeg_shine_128_44k", "ffmpeg",
                    "ffmpeg -v error -y -i IN -c:a libshine -b:a 128k -write_xing 0 -id3v2_version 0 -f mp3 OUT", 44100, 2, 2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mpa
