// Decoded quality of our streams: delay, gain, channel separation, silence, and SNR beside twolame.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "audio_check.h"
#include "velmar_testing/test_support.h"

using namespace mpa_test;
using velmar_testing::BinDir;
using velmar_testing::RunCommand;
using velmar_testing::TempDir;

namespace {

constexpr int kLayer12Delay = 481;

std::string Rate(int rate) { return rate == 44100 ? "44.1" : std::to_string(rate / 1000); }

// Encodes `pcm` with mpa-tool and decodes it with mpg123.
bool RoundTrip(const std::string& options, const Pcm& pcm, const std::string& name, Pcm& decoded) {
    std::string wav = TempDir() + "/" + name + ".wav";
    std::string stream = TempDir() + "/" + name + ".mpa";
    std::string out = TempDir() + "/" + name + ".dec.wav";
    if (!WriteWave(wav, pcm)) return false;
    if (RunCommand(BinDir() + "/mpa-tool enc '" + options + "' " + wav + " " + stream + " 2>/dev/null") != 0) return false;
    if (RunCommand("mpg123 -q --no-gapless -w " + out + " " + stream) != 0) return false;
    return ReadWave(out, decoded);
}

bool TwolameRoundTrip(int bitrate, const Pcm& pcm, const std::string& name, Pcm& decoded) {
    std::string wav = TempDir() + "/" + name + ".wav";
    std::string stream = TempDir() + "/" + name + ".mp2";
    std::string out = TempDir() + "/" + name + ".dec.wav";
    if (!WriteWave(wav, pcm)) return false;
    std::string mode = pcm.channels == 1 ? "m" : "s";
    if (RunCommand("twolame --quiet -m " + mode + " -b " + std::to_string(bitrate) + " " + wav + " " + stream) != 0)
        return false;
    if (RunCommand("mpg123 -q --no-gapless -w " + out + " " + stream) != 0) return false;
    return ReadWave(out, decoded);
}

double WorstChannelSnr(const Pcm& input, const Pcm& decoded, int lag) {
    double worst = 1e9;
    for (int ch = 0; ch < input.channels; ++ch)
        worst = std::min(worst, SnrDb(input.Channel(ch), decoded.Channel(ch), lag));
    return worst;
}

TEST(EncoderDelay, Layers1And2HaveTheFilterBankDelayAndUnitGain) {
    VELMAR_REQUIRE_TOOL("mpg123");
    struct Case {
        const char* options;
        const char* name;
    } cases[] = {{"enc -l 2 -b 256 -s 48 -m s", "delay_l2"}, {"enc -l 1 -b 384 -s 48 -m s", "delay_l1"}};
    // The lag on a broadband signal; the gain on tones, which are coded whole (on the mix, the parts
    // below the mask that the coder drops would read as a loss of gain).
    Pcm mix = MakeSignal(Signal::Mix, 48000, 2, 1.5);
    Pcm tones = MakeSignal(Signal::Sine, 48000, 2, 1.5);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pcm decoded;
        ASSERT_TRUE(RoundTrip(c.options, mix, c.name, decoded));
        for (int ch = 0; ch < 2; ++ch) EXPECT_EQ(FindLag(mix.Channel(ch), decoded.Channel(ch), 1200), kLayer12Delay);
        ASSERT_TRUE(RoundTrip(c.options, tones, std::string(c.name) + "_tones", decoded));
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_NEAR(Gain(tones.Channel(ch), decoded.Channel(ch), kLayer12Delay), 1.0, 0.005);
    }
}

TEST(EncoderChannels, LeftOnlyToneStaysOutOfTheRightChannel) {
    VELMAR_REQUIRE_TOOL("mpg123");
    Pcm input = MakeSignal(Signal::LeftOnly, 44100, 2, 1.0);
    for (const char* mode : {"s", "j", "d"}) {
        for (int layer : {1, 2}) {
            std::string name = std::string("left_only_") + mode + std::to_string(layer);
            SCOPED_TRACE(name);
            std::string options = "enc -l " + std::to_string(layer) + " -b " + (layer == 1 ? "256" : "128") +
                                  " -s 44.1 -m " + mode;
            Pcm decoded;
            ASSERT_TRUE(RoundTrip(options, input, name, decoded));
            double left = RmsDb(decoded.Channel(0));
            double right = RmsDb(decoded.Channel(1));
            EXPECT_GT(left, -10.0);
            EXPECT_LT(right, left - 40.0);
        }
    }
}

TEST(EncoderSilence, SilenceDecodesToZeros) {
    VELMAR_REQUIRE_TOOL("mpg123");
    for (int layer : {1, 2}) {
        for (int rate : {32000, 44100, 48000}) {
            std::string name = "silence_" + std::to_string(layer) + "_" + std::to_string(rate);
            SCOPED_TRACE(name);
            Pcm input = MakeSignal(Signal::Silence, rate, 2, 0.5);
            Pcm decoded;
            ASSERT_TRUE(RoundTrip("enc -l " + std::to_string(layer) + " -b 192 -s " + Rate(rate) + " -m j -e", input,
                                  name, decoded));
            ASSERT_GT(decoded.Frames(), 0u);
            EXPECT_EQ(PeakAbs(decoded.Channel(0)), 0.0);
            EXPECT_EQ(PeakAbs(decoded.Channel(1)), 0.0);
        }
    }
}

// Layer II quality beside twolame on the same signal, and absolute floors from the first working build.
struct QualityCase {
    Signal signal;
    int rate;
    int bitrate;
    double floor_db;
    // How far below twolame we may land. 1 dB, except for the noisy mix at 32 kHz: our model leaves the
    // noise bands that the tones mask empty where twolame codes them coarsely, 1.0 dB more SNR.
    double margin_db = 1.0;
};

class Layer2Quality : public ::testing::TestWithParam<QualityCase> {};

TEST_P(Layer2Quality, AtLeastAsGoodAsTwolameWithin1dB) {
    VELMAR_REQUIRE_TOOL("mpg123");
    VELMAR_REQUIRE_TOOL("twolame");
    const QualityCase& q = GetParam();
    Pcm input = MakeSignal(q.signal, q.rate, 2, 2.0);
    std::string name = std::string("q_") + SignalName(q.signal) + std::to_string(q.rate) + "_" + std::to_string(q.bitrate);
    Pcm ours, theirs;
    ASSERT_TRUE(RoundTrip("enc -l 2 -m s -b " + std::to_string(q.bitrate) + " -s " + Rate(q.rate), input, name, ours));
    ASSERT_TRUE(TwolameRoundTrip(q.bitrate, input, name + "_twolame", theirs));
    int theirLag = FindLag(input.Channel(0), theirs.Channel(0), 1200);
    double ourSnr = WorstChannelSnr(input, ours, kLayer12Delay);
    double theirSnr = WorstChannelSnr(input, theirs, theirLag);
    RecordProperty("our_snr_db", std::to_string(ourSnr));
    RecordProperty("twolame_snr_db", std::to_string(theirSnr));
    std::printf("%s: ours %.2f dB, twolame %.2f dB\n", name.c_str(), ourSnr, theirSnr);
    EXPECT_GE(ourSnr, theirSnr - q.margin_db);
    EXPECT_GE(ourSnr, q.floor_db);
}

INSTANTIATE_TEST_SUITE_P(
    Signals, Layer2Quality,
    ::testing::Values(QualityCase{Signal::Sine, 48000, 192, 77.0}, QualityCase{Signal::Sine, 44100, 128, 71.0},
                      QualityCase{Signal::Sine, 32000, 128, 78.0}, QualityCase{Signal::Sine, 48000, 64, 45.0},
                      QualityCase{Signal::TwoTones, 48000, 192, 64.0}, QualityCase{Signal::TwoTones, 44100, 128, 57.0},
                      QualityCase{Signal::TwoTones, 32000, 128, 49.0}, QualityCase{Signal::Mix, 48000, 192, 17.0},
                      QualityCase{Signal::Mix, 44100, 128, 15.5}, QualityCase{Signal::Mix, 32000, 128, 16.0, 1.5},
                      QualityCase{Signal::Mix, 48000, 64, 7.5}),
    [](const ::testing::TestParamInfo<QualityCase>& info) {
        return std::string(SignalName(info.param.signal)) + "_" + std::to_string(info.param.rate) + "_" +
               std::to_string(info.param.bitrate);
    });

// No other Layer I encoder is at hand: floors only, from the first working build.
TEST(Layer1Quality, MeetsItsFloors) {
    VELMAR_REQUIRE_TOOL("mpg123");
    struct Case {
        Signal signal;
        double floor_db;
    } cases[] = {{Signal::Sine, 78.0}, {Signal::Mix, 18.5}, {Signal::Sweep, 62.0}};
    for (const Case& c : cases) {
        Pcm input = MakeSignal(c.signal, 48000, 2, 2.0);
        Pcm decoded;
        std::string name = std::string("l1_") + SignalName(c.signal);
        ASSERT_TRUE(RoundTrip("enc -l 1 -b 384 -s 48 -m s", input, name, decoded));
        double snr = WorstChannelSnr(input, decoded, kLayer12Delay);
        std::printf("%s: %.2f dB\n", name.c_str(), snr);
        EXPECT_GE(snr, c.floor_db) << name;
    }
}

TEST(Model1Quality, CodesBothLayersCleanly) {
    VELMAR_REQUIRE_TOOL("mpg123");
    Pcm input = MakeSignal(Signal::TwoTones, 48000, 2, 1.0);
    struct Case {
        const char* options;
        const char* name;
        double floor_db;
    } cases[] = {{"enc -l 1 -b 384 -s 48 -ms -p1", "model1_l1", 61.5}, {"enc -l 2 -b 192 -s 48 -mj -p1", "model1_l2", 62.0}};
    for (const Case& c : cases) {
        Pcm decoded;
        ASSERT_TRUE(RoundTrip(c.options, input, c.name, decoded));
        double snr = WorstChannelSnr(input, decoded, kLayer12Delay);
        std::printf("%s: %.2f dB\n", c.name, snr);
        EXPECT_GE(snr, c.floor_db) << c.name;
    }
}

}  // namespace
