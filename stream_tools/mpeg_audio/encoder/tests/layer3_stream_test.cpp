// Layer III streams of `mpa-tool enc` checked by mpg123, ffmpeg and our own decoder: syntax, frame count,
// delay, gain, channels, silence, block switching, and quality beside lame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "audio_check.h"
#include "mpeg_audio/audio_frame.h"
#include "mpeg_audio/bit_stream.h"
#include "mpeg_audio/stream_decoder.h"
#include "velmar_testing/test_support.h"

using namespace mpa_test;
using velmar_testing::BinDir;
using velmar_testing::RunCommand;
using velmar_testing::TempDir;

namespace {

std::string RateOption(int rate) {
    switch (rate) {
        case 44100: return "44.1";
        case 22050: return "22.05";
        default: return std::to_string(rate / 1000);
    }
}

std::vector<unsigned char> Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool Encode(const std::string& options, const Pcm& pcm, const std::string& name, std::string& stream) {
    std::string wav = TempDir() + "/" + name + ".wav";
    stream = TempDir() + "/" + name + ".mp3";
    if (!WriteWave(wav, pcm)) return false;
    return RunCommand(BinDir() + "/mpa-tool enc '" + options + "' " + wav + " " + stream + " 2>/dev/null") == 0;
}

bool Mpg123(const std::string& stream, Pcm& pcm, std::string* messages = nullptr) {
    std::string wav = stream + ".mpg123.wav";
    return RunCommand("mpg123 -q --no-gapless -w " + wav + " " + stream + " 2>&1", messages) == 0 && ReadWave(wav, pcm);
}

std::string FfmpegProblems(const std::string& path) {
    std::string output;
    int status = RunCommand("ffmpeg -nostdin -hide_banner -v warning -err_detect crccheck+bitstream+buffer+explode -i " +
                                path + " -f null - 2>&1",
                            &output);
    std::istringstream lines(output);
    std::string line, problems;
    while (std::getline(lines, line))
        if (line.find("Estimating duration from bitrate") == std::string::npos) problems += line + "\n";
    if (status != 0) problems += "exit status " + std::to_string(status);
    return problems;
}

// Block types of every granule and channel, read from the side information of each frame.
struct StreamLayout {
    int frames = 0;
    bool ok = true;
    std::vector<int> block_types;
    std::vector<int> main_data_begin;
};

StreamLayout ReadLayout(const std::string& path) {
    StreamLayout layout;
    std::vector<unsigned char> bytes = Bytes(path);
    std::size_t pos = 0;
    while (pos + 4 <= bytes.size()) {
        mpa::AudioFrameHeader h;
        int length = 0;
        if (!mpa::ParseHeaderBytes(&bytes[pos], h) || (length = mpa::FrameLengthBytes(h)) <= 0 ||
            pos + length > bytes.size()) {
            layout.ok = false;
            return layout;
        }
        mpa::BitStream bits;
        mpa::OpenBitReader(bits, &bytes[pos + 4 + (h.error_protection ? 2 : 0)], length - 4);
        const bool lsf = h.version == 0;
        const int channels = h.mode == mpa::kSingleChannel ? 1 : 2;
        layout.main_data_begin.push_back(static_cast<int>(mpa::GetBits(bits, lsf ? 8 : 9)));
        mpa::GetBits(bits, lsf ? channels : (channels == 2 ? 3 : 5));
        if (!lsf) mpa::GetBits(bits, 4 * channels);
        for (int g = 0; g < (lsf ? 1 : 2); ++g)
            for (int ch = 0; ch < channels; ++ch) {
                mpa::GetBits(bits, 12 + 9);
                mpa::GetBits(bits, 8 + (lsf ? 9 : 4));
                int type = 0;
                if (mpa::GetBits(bits, 1)) {
                    type = static_cast<int>(mpa::GetBits(bits, 2));
                    mpa::GetBits(bits, 1 + 10 + 9);
                } else {
                    mpa::GetBits(bits, 15 + 7);
                }
                mpa::GetBits(bits, lsf ? 2 : 3);
                layout.block_types.push_back(type);
            }
        ++layout.frames;
        pos += length;
    }
    layout.ok = pos == bytes.size();
    return layout;
}

struct Config {
    int rate;
    char mode;  // s j m
    int bitrate;
    bool crc = false;
};

std::string ConfigName(const Config& c) {
    return std::to_string(c.rate) + "_" + c.mode + "_" + std::to_string(c.bitrate) + (c.crc ? "_crc" : "");
}

class Layer3Streams : public ::testing::TestWithParam<Config> {};

// mpg123 and ffmpeg take every frame without a word, the frame count is the input's, and our decoder gives
// mpg123's samples within 1 LSB.
TEST_P(Layer3Streams, DecodersAgreeOnEveryFrame) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    VELMAR_REQUIRE_TOOL("mpg123");
    const Config& c = GetParam();
    const int channels = c.mode == 'm' ? 1 : 2;
    // A transient in the middle makes the encoder switch blocks in every configuration.
    Pcm input = MakeSignal(Signal::Mix, c.rate, channels, 0.6);
    Pcm clicks = MakeSignal(Signal::Impulses, c.rate, channels, 0.6);
    for (std::size_t i = input.samples.size() / 2; i < input.samples.size(); ++i)
        input.samples[i] = static_cast<std::int16_t>(clicks.samples[i] / 2 + input.samples[i] / 2);
    std::string name = "l3_" + ConfigName(c);
    std::string options = "enc -l 3 -b " + std::to_string(c.bitrate) + " -s " + RateOption(c.rate) + " -m " + c.mode +
                          (c.crc ? " -e" : "");
    std::string stream;
    ASSERT_TRUE(Encode(options, input, name, stream)) << options;

    const int perFrame = c.rate < 32000 ? 576 : 1152;
    const int frames = StreamFrames(input.Frames(), perFrame, kLayer3Delay);
    StreamLayout layout = ReadLayout(stream);
    ASSERT_TRUE(layout.ok);
    EXPECT_EQ(layout.frames, frames);
    ASSERT_FALSE(layout.main_data_begin.empty());
    EXPECT_EQ(layout.main_data_begin[0], 0);

    EXPECT_EQ(FfmpegProblems(stream).substr(0, 600), "");
    Pcm theirs;
    std::string messages;
    ASSERT_TRUE(Mpg123(stream, theirs, &messages)) << messages;
    EXPECT_EQ(messages, "");
    EXPECT_EQ(theirs.Frames(), static_cast<std::size_t>(frames) * perFrame);

    mpa::StreamDecodeStats stats;
    std::string error, ourWav = stream + ".ours.wav";
    ASSERT_TRUE(mpa::DecodeMpegAudioFile(stream, ourWav, &stats, &error)) << error;
    EXPECT_EQ(stats.framesDecoded, frames);
    EXPECT_EQ(stats.framesDropped, 0);
    Pcm ours;
    ASSERT_TRUE(ReadWave(ourWav, ours));
    ASSERT_EQ(ours.samples.size(), theirs.samples.size());
    int worst = 0;
    for (std::size_t i = 0; i < ours.samples.size(); ++i)
        worst = std::max(worst, std::abs(ours.samples[i] - theirs.samples[i]));
    EXPECT_LE(worst, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Rates, Layer3Streams,
    ::testing::Values(Config{48000, 'j', 128}, Config{48000, 's', 320, true}, Config{48000, 'm', 64},
                      Config{44100, 'j', 64}, Config{44100, 's', 128}, Config{44100, 'm', 320, true},
                      Config{32000, 'j', 256}, Config{32000, 's', 64, true}, Config{32000, 'm', 128},
                      Config{24000, 'j', 64}, Config{24000, 'm', 160, true}, Config{22050, 's', 128},
                      Config{22050, 'm', 64}, Config{16000, 'j', 96}, Config{16000, 's', 64, true}),
    [](const ::testing::TestParamInfo<Config>& info) { return ConfigName(info.param); });

TEST(Layer3Delay, FilterbankDelayAndUnitGain) {
    VELMAR_REQUIRE_TOOL("mpg123");
    for (int rate : {48000, 22050}) {
        SCOPED_TRACE(rate);
        Pcm mix = MakeSignal(Signal::Mix, rate, 2, 1.0);
        Pcm tones = MakeSignal(Signal::Sine, rate, 2, 1.0);
        std::string stream;
        Pcm decoded;
        std::string options = "enc -l 3 -b 128 -m s -s " + RateOption(rate);
        ASSERT_TRUE(Encode(options, mix, "l3_delay_" + std::to_string(rate), stream));
        ASSERT_TRUE(Mpg123(stream, decoded));
        EXPECT_EQ(FindLag(mix.Channel(0), decoded.Channel(0), 1200), kLayer3Delay);
        ASSERT_TRUE(Encode(options, tones, "l3_gain_" + std::to_string(rate), stream));
        ASSERT_TRUE(Mpg123(stream, decoded));
        for (int ch = 0; ch < 2; ++ch) EXPECT_NEAR(Gain(tones.Channel(ch), decoded.Channel(ch), kLayer3Delay), 1.0, 0.005);
    }
}

// Short blocks come with the clicks, and after its onset a steady tone keeps long blocks.
TEST(Layer3Blocks, ShortBlocksOnTransientsOnly) {
    Pcm clicks = MakeSignal(Signal::Impulses, 44100, 2, 1.0);
    Pcm tone = MakeSignal(Signal::TwoTones, 44100, 2, 1.0);
    std::string stream;
    ASSERT_TRUE(Encode("enc -l 3 -b 128 -s 44.1 -m j", clicks, "l3_clicks", stream));
    StreamLayout layout = ReadLayout(stream);
    ASSERT_TRUE(layout.ok);
    int shortGranules = static_cast<int>(std::count(layout.block_types.begin(), layout.block_types.end(), 2));
    EXPECT_GE(shortGranules, 8 * 2);  // eight clicks a second, both channels
    ASSERT_TRUE(Encode("enc -l 3 -b 128 -s 44.1 -m j", tone, "l3_tone", stream));
    layout = ReadLayout(stream);
    ASSERT_TRUE(layout.ok);
    ASSERT_GT(layout.block_types.size(), 16u);
    // The first and last frames hold the tone's onset out of silence and its end in the zero-filled last frame.
    for (std::size_t i = 16; i + 8 < layout.block_types.size(); ++i) EXPECT_EQ(layout.block_types[i], 0) << "granule " << i / 2;
}

TEST(Layer3Channels, SilenceAndALeftOnlyTone) {
    VELMAR_REQUIRE_TOOL("mpg123");
    for (int rate : {32000, 44100, 48000, 16000, 22050, 24000}) {
        SCOPED_TRACE(rate);
        Pcm silence = MakeSignal(Signal::Silence, rate, 2, 0.3);
        std::string stream;
        Pcm decoded;
        ASSERT_TRUE(Encode("enc -l 3 -b 160 -m j -e -s " + RateOption(rate), silence, "l3_silence", stream));
        ASSERT_TRUE(Mpg123(stream, decoded));
        ASSERT_GT(decoded.Frames(), 0u);
        EXPECT_EQ(PeakAbs(decoded.Channel(0)), 0.0);
        EXPECT_EQ(PeakAbs(decoded.Channel(1)), 0.0);
    }
    Pcm left = MakeSignal(Signal::LeftOnly, 44100, 2, 0.5);
    for (const char* mode : {"s", "j"}) {
        SCOPED_TRACE(mode);
        std::string stream;
        Pcm decoded;
        ASSERT_TRUE(Encode(std::string("enc -l 3 -b 128 -s 44.1 -m ") + mode, left, std::string("l3_left_") + mode, stream));
        ASSERT_TRUE(Mpg123(stream, decoded));
        double l = RmsDb(decoded.Channel(0)), r = RmsDb(decoded.Channel(1));
        EXPECT_GT(l, -10.0);
        EXPECT_LT(r, l - 30.0);
    }
}

// RMS level in dBFS of the component at `hz` (samples from `begin` to `end`).
double ToneLevelDb(const std::vector<double>& x, double hz, int rate, std::size_t begin, std::size_t end) {
    const double pi = 3.14159265358979323846;
    double c = 0.0, s = 0.0;
    for (std::size_t n = begin; n < end; ++n) {
        c += x[n] * std::cos(2 * pi * hz * n / rate);
        s += x[n] * std::sin(2 * pi * hz * n / rate);
    }
    const double amplitude = 2.0 * std::hypot(c, s) / static_cast<double>(end - begin);
    return 20.0 * std::log10(std::max(amplitude / std::sqrt(2.0), 1e-3) / 32768.0);
}

// Joint stereo keeps what only one channel carries: treble in the left alone stays there, and a right
// channel half a millisecond late codes about as well as in plain stereo.
TEST(Layer3JointStereo, KeepsWhatOneChannelCarries) {
    VELMAR_REQUIRE_TOOL("mpg123");
    const int rate = 44100;
    const double pi = 3.14159265358979323846;
    Pcm treble, chirp;
    treble.rate = chirp.rate = rate;
    const std::size_t frames = rate;
    const std::size_t late = rate / 2000;
    auto chirpAt = [&](double n) {
        const double t = n / rate;  // 100 Hz to 16 kHz over the second
        return 0.4 * std::sin(2 * pi * (100.0 * t + 0.5 * 15900.0 * t * t));
    };
    for (std::size_t n = 0; n < frames; ++n) {
        const double bass = 0.3 * std::sin(2 * pi * 90.0 * n / rate);
        const double tone = std::pow(10.0, -34.0 / 20.0) * std::sqrt(2.0) * std::sin(2 * pi * 16500.0 * n / rate);
        const double delayed = n >= late ? chirpAt(static_cast<double>(n - late)) : 0.0;
        for (double v : {bass + tone, bass}) treble.samples.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
        for (double v : {chirpAt(n), delayed}) chirp.samples.push_back(static_cast<std::int16_t>(std::lround(v * 32767.0)));
    }

    std::string stream;
    Pcm decoded;
    ASSERT_TRUE(Encode("enc -l 3 -b 128 -s 44.1 -m j", treble, "l3_js_treble", stream));
    ASSERT_TRUE(Mpg123(stream, decoded));
    const std::size_t begin = kLayer3Delay + 4608, end = kLayer3Delay + frames - 4608;
    const double left = ToneLevelDb(decoded.Channel(0), 16500.0, rate, begin, end);
    const double right = ToneLevelDb(decoded.Channel(1), 16500.0, rate, begin, end);
    EXPECT_NEAR(left, -34.0, 2.0);
    EXPECT_LT(right, left - 30.0);

    double snr[2] = {};
    for (int m = 0; m < 2; ++m) {
        const std::string mode = m == 0 ? "s" : "j";
        ASSERT_TRUE(Encode("enc -l 3 -b 128 -s 44.1 -m " + mode, chirp, "l3_js_chirp_" + mode, stream));
        ASSERT_TRUE(Mpg123(stream, decoded));
        snr[m] = std::min(SnrDb(chirp.Channel(0), decoded.Channel(0), kLayer3Delay),
                          SnrDb(chirp.Channel(1), decoded.Channel(1), kLayer3Delay));
    }
    std::printf("delayed chirp: SNR %.1f dB in stereo, %.1f dB in joint stereo\n", snr[0], snr[1]);
    EXPECT_GE(snr[1], snr[0] - 3.0);
}

}  // namespace
