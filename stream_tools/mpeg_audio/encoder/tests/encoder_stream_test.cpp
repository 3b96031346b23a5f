// Streams of `mpa-tool enc` checked by independent decoders: syntax, frame count, CRC, delay, gain,
// channel separation, silence and quality beside twolame.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "audio_check.h"
#include "mpeg_audio/audio_frame.h"
#include "velmar_testing/test_support.h"

using namespace mpa_test;
using velmar_testing::BinDir;
using velmar_testing::RunCommand;
using velmar_testing::TempDir;

namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string WriteInput(const Pcm& pcm, const std::string& name) {
    std::string path = TempDir() + "/" + name + ".wav";
    EXPECT_TRUE(WriteWave(path, pcm));
    return path;
}

// Encodes with mpa-tool; returns the stream's path or "" on failure.
std::string Encode(const std::string& options, const std::string& wav, const std::string& name) {
    std::string out = TempDir() + "/" + name + ".mpa";
    std::string command = BinDir() + "/mpa-tool enc " + Quote(options) + " " + wav + " " + out + " 2>/dev/null";
    int status = RunCommand(command);
    EXPECT_EQ(status, 0) << command;
    return status == 0 ? out : "";
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct StreamWalk {
    int frames = 0;
    bool ok = true;
    std::string problem;
    std::vector<mpa::AudioFrameHeader> headers;
};

// Our own walk over the frames: every frame starts where the previous one's length says.
StreamWalk WalkStream(const std::string& path) {
    StreamWalk walk;
    std::vector<unsigned char> bytes = ReadBytes(path);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        mpa::AudioFrameHeader header;
        if (pos + 4 > bytes.size() || !mpa::ParseHeaderBytes(&bytes[pos], header)) {
            walk.ok = false;
            walk.problem = "no header at byte " + std::to_string(pos);
            return walk;
        }
        int length = mpa::FrameLengthBytes(header);
        if (length <= 0 || pos + length > bytes.size()) {
            walk.ok = false;
            walk.problem = "bad length at byte " + std::to_string(pos);
            return walk;
        }
        walk.headers.push_back(header);
        ++walk.frames;
        pos += length;
    }
    return walk;
}

// ffmpeg with every check on; its only output may be the demuxer's note on raw streams.
std::string FfmpegProblems(const std::string& path, bool checkCrc = true) {
    std::string output;
    std::string checks = checkCrc ? "crccheck+bitstream+buffer+explode" : "bitstream+buffer+explode";
    int status = RunCommand("ffmpeg -nostdin -hide_banner -v warning -err_detect " + checks + " -i " +
                                path + " -f null - 2>&1",
                            &output);
    std::istringstream lines(output);
    std::string line, problems;
    while (std::getline(lines, line))
        if (line.find("Estimating duration from bitrate") == std::string::npos) problems += line + "\n";
    if (status != 0) problems += "exit status " + std::to_string(status);
    return problems;
}

// Decodes with mpg123 (no gapless trimming, so the encoder's delay stays visible); "" output on problems.
bool DecodeMpg123(const std::string& path, Pcm& pcm, std::string* messages) {
    std::string wav = path + ".dec.wav";
    int status = RunCommand("mpg123 -q --no-gapless -w " + wav + " " + path + " 2>&1", messages);
    return status == 0 && ReadWave(wav, pcm);
}

struct Config {
    int layer;
    int rate;
    char mode;  // s j d m
    int bitrate;
    bool crc;
};

std::string OptionLine(const Config& c) {
    std::ostringstream line;
    line << "enc -l " << c.layer << " -b " << c.bitrate << " -s " << (c.rate == 44100 ? "44.1" : std::to_string(c.rate / 1000))
         << " -m " << c.mode << (c.crc ? " -e" : "");
    return line.str();
}

std::string ConfigName(const Config& c) {
    std::ostringstream name;
    name << "l" << c.layer << "_" << c.rate << "_" << c.mode << "_" << c.bitrate << (c.crc ? "_crc" : "");
    return name.str();
}

class StreamMatrix : public ::testing::TestWithParam<Config> {};

TEST_P(StreamMatrix, DecodersAcceptEveryFrame) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    VELMAR_REQUIRE_TOOL("mpg123");
    const Config& c = GetParam();
    int channels = c.mode == 'm' ? 1 : 2;
    Pcm input = MakeSignal(Signal::Mix, c.rate, channels, 1.0);
    std::string name = ConfigName(c);
    std::string stream = Encode(OptionLine(c), WriteInput(input, name), name);
    ASSERT_FALSE(stream.empty());

    int perFrame = c.layer == 1 ? 384 : 1152;
    int expectedFrames = StreamFrames(input.Frames(), perFrame, kLayer12Delay);
    StreamWalk walk = WalkStream(stream);
    ASSERT_TRUE(walk.ok) << walk.problem;
    EXPECT_EQ(walk.frames, expectedFrames);
    for (const auto& h : walk.headers) {
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.error_protection, c.crc ? 1 : 0);
        EXPECT_EQ(mpa::SamplingRateHz(h), c.rate);
        if (c.mode == 'j')
            EXPECT_TRUE(h.mode == mpa::kStereo || h.mode == mpa::kJointStereo);
        else
            EXPECT_EQ(h.mode, std::string("sjdm").find(c.mode));
    }

    // ffmpeg's Layer I CRC check covers the allocation of both channels in all 32 subbands even in joint
    // stereo, where only one channel's field is sent above the bound, so it reads part of the scale factors
    // as allocation; a stream whose CRC covers those 256 bits instead passes it, and is rejected by our
    // decoder. Our CRC covers the header's last 16 bits and the fields as sent, checked bit by bit by the
    // unit tests and accepted by our decoder.
    bool ffmpegCrc = !(c.layer == 1 && c.mode == 'j' && c.crc);
    EXPECT_EQ(FfmpegProblems(stream, ffmpegCrc).substr(0, 600), "");
    Pcm decoded;
    std::string messages;
    ASSERT_TRUE(DecodeMpg123(stream, decoded, &messages)) << messages;
    EXPECT_EQ(messages, "");
    EXPECT_EQ(decoded.Frames(), static_cast<std::size_t>(expectedFrames) * perFrame);
    EXPECT_EQ(decoded.channels, channels);
}

// The stream carries the whole input: frames of silence after it cover the coding delay, so its last
// samples are heard and a one-frame input still makes a stream that ffmpeg opens.
TEST(StreamEnd, EveryInputSampleReachesTheStream) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    struct Case {
        int layer, rate;
    };
    for (Case c : {Case{1, 48000}, Case{2, 44100}, Case{3, 44100}, Case{3, 48000}, Case{3, 22050}}) {
        const int delay = c.layer == 3 ? kLayer3Delay : kLayer12Delay;
        for (std::size_t samples : {std::size_t{1000}, std::size_t{3456}}) {
            const std::string name = "end_l" + std::to_string(c.layer) + "_" + std::to_string(c.rate) + "_" +
                                     std::to_string(samples);
            SCOPED_TRACE(name);
            Pcm input = MakeSignal(Signal::Sine, c.rate, 2, 1.0);
            input.samples.resize(2 * samples);
            const std::string rate = c.rate == 44100 ? "44.1" : c.rate == 22050 ? "22.05" : std::to_string(c.rate / 1000);
            std::string stream = Encode("enc -l " + std::to_string(c.layer) + " -b 128 -m s -s " + rate,
                                        WriteInput(input, name), name);
            ASSERT_FALSE(stream.empty());
            // (ffmpeg may call a stream of a few frames a weak guess, and decodes it.)
            Pcm decoded;
            ASSERT_EQ(RunCommand("ffmpeg -nostdin -v error -y -i " + stream + " " + stream + ".wav"), 0);
            ASSERT_TRUE(ReadWave(stream + ".wav", decoded));
            ASSERT_GE(decoded.Frames(), samples + delay);
            // The input's last 300 samples come back at their level.
            for (int ch = 0; ch < 2; ++ch) {
                const std::vector<double> in = input.Channel(ch), out = decoded.Channel(ch);
                const std::vector<double> inTail(in.end() - 300, in.end());
                const std::vector<double> outTail(out.begin() + static_cast<std::ptrdiff_t>(samples + delay - 300),
                                                  out.begin() + static_cast<std::ptrdiff_t>(samples + delay));
                EXPECT_NEAR(RmsDb(outTail), RmsDb(inTail), 1.0) << "channel " << ch;
            }
        }
    }
}

TEST(StreamCrc, FlippedAllocationBitIsCaughtByFfmpeg) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    for (int layer : {1, 2}) {
        SCOPED_TRACE(layer);
        Pcm input = MakeSignal(Signal::Mix, 48000, 2, 0.5);
        std::string name = "crc_flip_" + std::to_string(layer);
        std::string options = "enc -l " + std::to_string(layer) + " -b 192 -s 48 -m s -e";
        std::string stream = Encode(options, WriteInput(input, name), name);
        ASSERT_FALSE(stream.empty());
        ASSERT_EQ(FfmpegProblems(stream), "");
        std::vector<unsigned char> bytes = ReadBytes(stream);
        bytes[6] ^= 0x10;  // an allocation bit of the first frame (after header and CRC word)
        std::string damaged = stream + ".damaged";
        std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        EXPECT_NE(FfmpegProblems(damaged).find("CRC mismatch"), std::string::npos);
    }
}

TEST(MpaToolEnc, RefusesAWaveFileOfAnotherRate) {
    Pcm input = MakeSignal(Signal::Sine, 44100, 2, 0.2);
    std::string wav = WriteInput(input, "rate_mismatch");
    std::string out = TempDir() + "/rate_mismatch.mpa";
    EXPECT_NE(RunCommand(BinDir() + "/mpa-tool enc 'enc -l 2 -b 192 -s 48' " + wav + " " + out + " 2>/dev/null"), 0);
    EXPECT_NE(RunCommand(BinDir() + "/mpa-tool enc 'enc -l 2 -b 192 -s 44.1' " + wav + ".missing " + out + " 2>/dev/null"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Layers, StreamMatrix,
    ::testing::Values(Config{2, 48000, 's', 192, false}, Config{2, 48000, 'j', 128, true},
                      Config{2, 48000, 'd', 256, false}, Config{2, 48000, 'm', 64, true},
                      Config{2, 44100, 's', 128, true}, Config{2, 44100, 'j', 96, false},
                      Config{2, 44100, 'm', 56, false}, Config{2, 32000, 's', 192, false},
                      Config{2, 32000, 'j', 64, true}, Config{2, 32000, 'd', 384, true},
                      Config{1, 48000, 's', 384, false}, Config{1, 48000, 'j', 192, true},
                      Config{1, 44100, 'd', 448, true}, Config{1, 44100, 'm', 128, false},
                      Config{1, 32000, 'j', 256, false}, Config{1, 32000, 's', 384, true}),
    [](const ::testing::TestParamInfo<Config>& info) { return ConfigName(info.param); });

}  // namespace
