// Option line, set-up, frame sizes and padding, and the encoder's error paths.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "encoder_options.h"
#include "mpa_encoder/encoder.h"
#include "mpeg_audio/audio_frame.h"
#include "mpeg_audio/console.h"
#include "platform/log.h"

namespace {

using mpa::EncoderOptions;
using mpa::ParseEncoderOptions;

TEST(EncoderOptions, ParsesValuesGluedOrInTheNextWord) {
    EncoderOptions o;
    std::string message;
    ASSERT_TRUE(ParseEncoderOptions("enc -l2 -b128 -s48 -mj -p1 -d5 -coe -q2.5 -L", o, message)) << message;
    EXPECT_EQ(o.layer, 2);
    EXPECT_EQ(o.bitrate_kbps, 128);
    EXPECT_EQ(o.rate_hz, 48000);
    EXPECT_EQ(o.mode, 1);
    EXPECT_EQ(o.model, 1);
    EXPECT_EQ(o.emphasis, 1);
    EXPECT_TRUE(o.copyright);
    EXPECT_TRUE(o.original);
    EXPECT_TRUE(o.protection);
    EXPECT_DOUBLE_EQ(o.quality, 2.5);

    EncoderOptions d;
    ASSERT_TRUE(ParseEncoderOptions("enc plain - words -s 44.1", d, message));
    EXPECT_EQ(d.layer, 3);
    EXPECT_EQ(d.rate_hz, 44100);
    EXPECT_EQ(d.mode, 0);
    EXPECT_EQ(d.model, 2);
    EXPECT_EQ(d.bitrate_kbps, 0);
    EXPECT_FALSE(d.protection);

    // Only the first ten words count.
    EncoderOptions t;
    ASSERT_TRUE(ParseEncoderOptions("enc -l 2 -b 128 -s 48 -m j -o -e", t, message));
    EXPECT_TRUE(t.original);
    EXPECT_FALSE(t.protection);
}

TEST(EncoderOptions, ReportsTheFirstBadValueAndStops) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"enc -l 4 -b 64", "enc: -l layer must be 1, 2, or 3, not 4\n"},
        {"prog -m x", "prog: -m mode must be s/d/j/m not x\n"},
        {"enc -p 3", "enc: -p model must be 1 or 2, not 3\n"},
        {"enc -d q", "enc: -d emp must be n/5/c not q\n"},
        {"enc -x", "enc: unrec option x\n"},
        {"enc -l", "enc: -l layer must be 1, 2, or 3, not \n"},
        {"enc -q 100", ""},
    };
    for (const Case& c : cases) {
        EncoderOptions o;
        std::string message;
        EXPECT_FALSE(ParseEncoderOptions(c.line, o, message)) << c.line;
        EXPECT_EQ(message, c.message) << c.line;
    }
    EncoderOptions o;
    std::string message;
    EXPECT_FALSE(ParseEncoderOptions("enc -l 2 -m z -b 64", o, message));
    EXPECT_EQ(o.layer, 2);
    EXPECT_EQ(o.bitrate_kbps, 0);  // not parsed after the error
}

struct FrameSizes {
    std::vector<int> bytes;
    int padded = 0;
};

FrameSizes EncodeSilence(const std::string& options, int frames) {
    mpa::Encoder encoder;
    FrameSizes sizes;
    if (encoder.EncoderSetup(options) < 0) return sizes;
    std::vector<std::int16_t> input(mpa::Encoder::kFrameInputSamples, 0);
    std::vector<std::uint8_t> out(mpa::Encoder::kOutputBufferBytes);
    for (int i = 0; i < frames; ++i) {
        long bits = encoder.EncodeFrame(input.data(), out.data(), out.size());
        if (bits < 0 || bits % 8) break;
        sizes.bytes.push_back(static_cast<int>(bits / 8));
        sizes.padded += encoder.Header().padding;
    }
    return sizes;
}

TEST(EncoderSetup, FrameSizesAndPadding) {
    FrameSizes l2at48 = EncodeSilence("enc -l 2 -b 192 -s 48", 20);
    ASSERT_EQ(l2at48.bytes.size(), 20u);
    for (int b : l2at48.bytes) EXPECT_EQ(b, 576);
    EXPECT_EQ(l2at48.padded, 0);

    FrameSizes l1at32 = EncodeSilence("enc -l 1 -b 384 -s 32", 20);
    ASSERT_EQ(l1at32.bytes.size(), 20u);
    for (int b : l1at32.bytes) EXPECT_EQ(b, 576);

    FrameSizes l2at44 = EncodeSilence("enc -l 2 -b 128 -s 44.1", 1000);
    ASSERT_EQ(l2at44.bytes.size(), 1000u);
    EXPECT_EQ(l2at44.bytes[0], 418);  // the first frame is padded
    for (int b : l2at44.bytes) EXPECT_TRUE(b == 417 || b == 418) << b;
    EXPECT_NEAR(l2at44.padded / 1000.0, 0.959, 0.002);
    long total = 0;
    for (int b : l2at44.bytes) total += b;
    EXPECT_NEAR(total, 1000 * 417.959, 1.0);  // the long-run rate is exact

    FrameSizes l1at44 = EncodeSilence("enc -l 1 -b 32 -s 44.1 -m m", 100);
    for (int b : l1at44.bytes) EXPECT_TRUE(b == 32 || b == 36) << b;
}

// The set-up's notes (allocation table, padding) print nothing at the info level; at the debug
// level they go to the log.
TEST(EncoderSetup, NotesGoToTheDebugLog) {
    std::string console, logged;
    const mpa::MessageSink previousConsole = mpa::SetMessageSink([&](const std::string& text) { console += text; });
    const platform::LogSink previousLog =
        platform::SetLogSink([&](platform::LogLevel, const std::string& text) { logged += text + "\n"; });
    mpa::Encoder encoder;
    ASSERT_EQ(encoder.EncoderSetup("enc -l 2 -b 192 -s 44.1"), 1152);
    EXPECT_EQ(console, "");
    EXPECT_EQ(logged, "");
    platform::SetLogLevel(platform::LogLevel::Debug);
    ASSERT_EQ(encoder.EncoderSetup("enc -l 2 -b 192 -s 44.1"), 1152);
    platform::SetLogLevel(platform::LogLevel::Info);
    EXPECT_EQ(console, "");
    EXPECT_EQ(logged, "using bit allocation table 1\nFractional number of slots, padding required\n");
    platform::SetLogSink(previousLog);
    mpa::SetMessageSink(previousConsole);
}

TEST(EncoderSetup, SamplesPerFrameDefaultsAndRepeatedSetUp) {
    mpa::Encoder encoder;
    EXPECT_EQ(encoder.EncoderSetup("enc -l 1 -s 48"), 384);
    EXPECT_EQ(mpa::kBitrateKbps[1][0][encoder.Header().bitrate_index], 288);
    EXPECT_EQ(encoder.EncoderSetup("enc -l 2 -s 48"), 1152);
    EXPECT_EQ(mpa::kBitrateKbps[1][1][encoder.Header().bitrate_index], 160);
    EXPECT_EQ(encoder.EncoderSetup("enc -s 48"), 1152);  // Layer III by default
    EXPECT_EQ(encoder.Header().layer, 3);
    EXPECT_EQ(encoder.EncoderSetup("enc -s 24"), 576);

    mpa::Encoder again;
    ASSERT_EQ(again.EncoderSetup("enc -l2 -b256 -s44.1 -mj -e -c -o -dc"), 1152);
    mpa::AudioFrameHeader first = again.Header();
    ASSERT_EQ(again.EncoderSetup("enc -l2 -b256 -s44.1 -mj -e -c -o -dc"), 1152);
    const mpa::AudioFrameHeader& second = again.Header();
    EXPECT_EQ(first.bitrate_index, second.bitrate_index);
    EXPECT_EQ(first.mode, mpa::kJointStereo);
    EXPECT_EQ(second.mode, mpa::kJointStereo);
    EXPECT_EQ(second.error_protection, 1);
    EXPECT_EQ(second.copyright, 1);
    EXPECT_EQ(second.original, 1);
    EXPECT_EQ(second.emphasis, 3);
}

TEST(EncoderSetup, ErrorsReturnToTheCaller) {
    mpa::Encoder encoder;
    std::vector<std::int16_t> input(mpa::Encoder::kFrameInputSamples, 0);
    std::vector<std::uint8_t> out(mpa::Encoder::kOutputBufferBytes);
    EXPECT_EQ(encoder.EncodeFrame(input.data(), out.data(), out.size()), -1);  // not set up

    EXPECT_EQ(encoder.EncoderSetup("enc -l 5"), -1);
    EXPECT_NE(encoder.LastError().find("-l layer must be"), std::string::npos);
    EXPECT_EQ(encoder.EncodeFrame(input.data(), out.data(), out.size()), -1);  // failed set-up: no frames
    EXPECT_EQ(encoder.EncoderSetup("enc -l 2 -b 448 -s 48"), -1);  // not a Layer II bitrate
    EXPECT_EQ(encoder.EncoderSetup("enc -l 2 -b 192 -s 47"), -1);  // no such rate
    EXPECT_EQ(encoder.EncoderSetup("enc -l 2 -b 96 -s 24"), -1);   // half rates: Layer III only
    EXPECT_EQ(encoder.EncoderSetup("enc -l 3 -p 1 -s 48"), -1);    // model 1 has no Layer III
    EXPECT_EQ(encoder.EncoderSetup("enc -l 2 -q 0"), -1);

    ASSERT_EQ(encoder.EncoderSetup("enc -l 2 -b 192 -s 48"), 1152);
    std::vector<std::uint8_t> small(100);
    EXPECT_EQ(encoder.EncodeFrame(input.data(), small.data(), small.size()), -1);
    ASSERT_EQ(encoder.EncoderSetup("enc -l 3 -b 128 -s 48"), 1152);
    ASSERT_GE(encoder.EncodeFrame(input.data(), out.data(), out.size()), 0);
    EXPECT_EQ(encoder.Flush(small.data(), small.size()), -1);  // the held Layer III frame does not fit
}

TEST(EncoderSetup, AllocationTableFollowsBitrateAndMode) {
    struct Case {
        const char* options;
        int table;
    } cases[] = {
        {"enc -l 2 -s 48 -b 112 -m m", 0},  {"enc -l 2 -s 48 -b 112 -m s", 0},
        {"enc -l 2 -s 48 -b 56 -m m", 0},   {"enc -l 2 -s 48 -b 96 -m s", 2},
        {"enc -l 2 -s 48 -b 32 -m m", 2},   {"enc -l 2 -s 44.1 -b 192 -m m", 1},
        {"enc -l 2 -s 44.1 -b 64 -m m", 0}, {"enc -l 2 -s 44.1 -b 48 -m m", 2},
        {"enc -l 2 -s 32 -b 48 -m m", 3},   {"enc -l 2 -s 32 -b 384 -m s", 1},
    };
    for (const Case& c : cases) {
        mpa::Encoder encoder;
        ASSERT_EQ(encoder.EncoderSetup(c.options), 1152) << c.options;
        EXPECT_EQ(mpa::AllocTableNumber(encoder.Header()), c.table) << c.options;
    }
}

TEST(EncoderSetup, SecondSetUpKeepsTheFilterHistory) {
    std::vector<std::int16_t> tone(mpa::Encoder::kFrameInputSamples);
    for (int i = 0; i < 1152; ++i) tone[i] = tone[1152 + i] = static_cast<std::int16_t>(8000 * ((i / 20) % 2 ? 1 : -1));
    std::vector<std::int16_t> silence(mpa::Encoder::kFrameInputSamples, 0);
    std::vector<std::uint8_t> a(4096), b(4096);

    mpa::Encoder primed;
    ASSERT_EQ(primed.EncoderSetup("enc -l 2 -b 192 -s 48"), 1152);
    ASSERT_GT(primed.EncodeFrame(tone.data(), a.data(), a.size()), 0);
    ASSERT_EQ(primed.EncoderSetup("enc -l 2 -b 192 -s 48"), 1152);
    long primedBits = primed.EncodeFrame(silence.data(), a.data(), a.size());

    mpa::Encoder fresh;
    ASSERT_EQ(fresh.EncoderSetup("enc -l 2 -b 192 -s 48"), 1152);
    long freshBits = fresh.EncodeFrame(silence.data(), b.data(), b.size());
    ASSERT_EQ(primedBits, freshBits);
    // The tone's tail still leaves the filter in the primed run; the fresh run codes pure silence.
    EXPECT_NE(std::vector<std::uint8_t>(a.begin(), a.begin() + primedBits / 8),
              std::vector<std::uint8_t>(b.begin(), b.begin() + freshBits / 8));
}

TEST(EncoderSetup, EarlierLayer1RunLeavesLayer2Alone) {
    std::vector<std::int16_t> input(mpa::Encoder::kFrameInputSamples);
    for (int i = 0; i < 1152; ++i) input[i] = input[1152 + i] = static_cast<std::int16_t>(9000 * std::sin(i * 0.11));
    auto encodeLayer2 = [&](mpa::Encoder& encoder) {
        std::vector<std::uint8_t> out(4096);
        EXPECT_EQ(encoder.EncoderSetup("enc -l 2 -b 160 -s 44.1"), 1152);
        long bits = encoder.EncodeFrame(input.data(), out.data(), out.size());
        out.resize(bits > 0 ? bits / 8 : 0);
        return out;
    };
    mpa::Encoder layer1;
    ASSERT_EQ(layer1.EncoderSetup("enc -l 1 -b 384 -s 44.1"), 384);
    std::vector<std::uint8_t> scratch(4096);
    ASSERT_GT(layer1.EncodeFrame(input.data(), scratch.data(), scratch.size()), 0);
    mpa::Encoder afterLayer1, alone;
    EXPECT_EQ(encodeLayer2(afterLayer1), encodeLayer2(alone));
}

}  // namespace
