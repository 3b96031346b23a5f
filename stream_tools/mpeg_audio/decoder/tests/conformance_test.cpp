// The ISO conformance streams decode to within 1 LSB (Layers I and II) or 2 LSB (Layer III) of
// their reference output, PSNR at least 96 dB.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mpeg_audio/audio_decoder.h"
#include "mpeg_audio/console.h"
#include "mpeg_audio/stream_decoder.h"
#include "pcm_compare.h"
#include "velmar_testing/test_support.h"

namespace mpa {
namespace {

struct Stream {
    const char* name;
    int maxDiff;
};

class Conformance : public ::testing::TestWithParam<Stream> {};

std::string ConformanceDir() { return velmar_testing::SharedDir() + "/data/mpeg-audio/conformance/"; }

// Frame by frame, so that a stream that switches between mono and stereo is compared in the
// reference's layout (each frame in its own channel count).
std::vector<int16_t> DecodeFrames(const std::vector<uint8_t>& bytes, long* frames) {
    AudioFrameDecoder decoder;
    std::vector<int16_t> pcm;
    int16_t out[kMaxFrameValues];
    std::size_t pos = 0;
    *frames = 0;
    while (pos + 4 <= bytes.size()) {
        AudioFrameHeader h;
        const int length = ParseHeaderBytes(&bytes[pos], h) ? FrameLengthBytes(h) : 0;
        if (length == 0) {
            ++pos;
            continue;
        }
        if (pos + static_cast<std::size_t>(length) > bytes.size()) break;
        int count = decoder.DecodeAudioFrame(&bytes[pos], static_cast<std::size_t>(length), out);
        pcm.insert(pcm.end(), out, out + count);
        *frames += count > 0;
        pos += static_cast<std::size_t>(length);
    }
    return pcm;
}

TEST_P(Conformance, MatchesReferenceOutput) {
    const std::string base = ConformanceDir() + GetParam().name;
    VELMAR_REQUIRE_SHARED_FILE(base + ".bit");
    MessageSink previous = SetMessageSink([](const std::string&) {});
    long frames = 0;
    std::vector<int16_t> ours = DecodeFrames(mpa_test::ReadBytes(base + ".bit"), &frames);
    SetMessageSink(previous);
    std::vector<uint8_t> referenceBytes = mpa_test::ReadBytes(base + ".pcm");
    std::vector<int16_t> reference(referenceBytes.size() / 2);
    for (std::size_t i = 0; i < reference.size(); ++i) {
        reference[i] = static_cast<int16_t>(referenceBytes[2 * i] | referenceBytes[2 * i + 1] << 8);
    }
    ASSERT_GT(frames, 10);
    mpa_test::PcmDifference d = mpa_test::ComparePcm(ours, reference);
    EXPECT_GE(d.compared, std::min(ours.size(), reference.size()));
    EXPECT_GT(d.compared, ours.size() * 9 / 10);
    EXPECT_LE(d.maxDiff, GetParam().maxDiff);
    EXPECT_GE(d.psnrDb, 96.0);
    std::printf("%s: %ld frames, %zu samples compared, max diff %d, PSNR %.1f dB\n", GetParam().name, frames,
                d.compared, d.maxDiff, d.psnrDb);
}

INSTANTIATE_TEST_SUITE_P(Streams, Conformance,
                         ::testing::Values(Stream{"l1-fl1", 1}, Stream{"l1-fl2", 1}, Stream{"l2-fl10", 1},
                                           Stream{"l2-fl11", 1}, Stream{"l2-fl13", 1}, Stream{"l3-compl", 2},
                                           Stream{"l3-he_mode", 2}, Stream{"l3-hecommon", 2},
                                           Stream{"M2L3_compl24", 2}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name) {
                                 if (c == '-') c = '_';
                             }
                             return name;
                         });

// The stream decoder finds the same frames in the file when it arrives in odd pieces.
TEST(ConformanceStream, PiecewiseFeedingGivesTheWholeFileResult) {
    const std::string path = ConformanceDir() + "l3-compl.bit";
    VELMAR_REQUIRE_SHARED_FILE(path);
    MessageSink previous = SetMessageSink([](const std::string&) {});
    std::vector<uint8_t> bytes = mpa_test::ReadBytes(path);
    std::vector<int16_t> whole, pieces;
    AudioStreamDecoder a, b;
    a.SetPcmSink([&](const int16_t* s, std::size_t n, int, int) { whole.insert(whole.end(), s, s + n); });
    b.SetPcmSink([&](const int16_t* s, std::size_t n, int, int) { pieces.insert(pieces.end(), s, s + n); });
    a.Feed(bytes.data(), bytes.size());
    a.Finish();
    std::size_t pos = 0, step = 1;
    while (pos < bytes.size()) {
        std::size_t n = std::min(step, bytes.size() - pos);
        b.Feed(&bytes[pos], n);
        pos += n;
        step = step * 7 % 1013 + 1;
    }
    b.Finish();
    SetMessageSink(previous);
    EXPECT_EQ(whole, pieces);
    EXPECT_EQ(a.Stats().framesDecoded, b.Stats().framesDecoded);
    EXPECT_GT(a.Stats().framesDecoded, 200);
}

// The command-line driver writes the same samples into a WAVE file.
TEST(ConformanceStream, MpaToolDecWritesTheWaveFile) {
    const std::string path = ConformanceDir() + "l2-fl10.bit";
    VELMAR_REQUIRE_SHARED_FILE(path);
    const std::string wav = velmar_testing::TempDir() + "/l2.wav";
    ASSERT_EQ(velmar_testing::RunCommand(velmar_testing::BinDir() + "/mpa-tool dec " + path + " " + wav + " 2>/dev/null"),
              0);
    mpa_test::WavData decoded = mpa_test::ReadWav(wav);
    EXPECT_EQ(decoded.channels, 2);
    EXPECT_EQ(decoded.sampleRate, 32000);
    std::vector<uint8_t> referenceBytes = mpa_test::ReadBytes(ConformanceDir() + "l2-fl10.pcm");
    std::vector<int16_t> reference(referenceBytes.size() / 2);
    for (std::size_t i = 0; i < reference.size(); ++i) {
        reference[i] = static_cast<int16_t>(referenceBytes[2 * i] | referenceBytes[2 * i + 1] << 8);
    }
    mpa_test::PcmDifference d = mpa_test::ComparePcm(decoded.samples, reference);
    EXPECT_EQ(d.compared, 49u * 2304u);
    EXPECT_LE(d.maxDiff, 1);
    EXPECT_NE(velmar_testing::RunCommand(velmar_testing::BinDir() + "/mpa-tool dec /no/such/file " + wav +
                                         " 2>/dev/null"),
              0);
}

}  // namespace
}  // namespace mpa
