// Conversions checked by Debian's decoders, the multiplexer fed from a WAVE file, and the runs'
// answers to bad inputs and failing codecs.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "fake_drivers.h"
#include "ps_testing/ps_test_support.h"
#include "velmar_testing/test_support.h"
#include "wave_convert/convert.h"
#include "wave_convert/wave_encoder.h"
#include "wave_format/wave_header.h"

using namespace wave_convert;
using velmar_testing::RunCommand;

namespace {

class StatusReport : public platform::RunReport {
public:
    void SetStatus(platform::RunStatus s) override { status = platform::StatusText(s); }
    void InfoBox(const std::string& text) override { infos.push_back(text); }
    std::string status;
    std::vector<std::string> infos;
};

// A 16-bit stereo WAVE file: a tone on the left, silence on the right.
std::string WriteWave(const std::string& path, std::uint32_t rate, std::size_t samples, int bits = 16) {
    std::vector<std::uint8_t> bytes;
    const auto header = wav::MakeWavHeader(rate, 2, samples * 4);
    bytes.assign(header.begin(), header.end());
    bytes[34] = std::uint8_t(bits);
    for (std::size_t i = 0; i < samples; ++i) {
        const auto v = std::int16_t(9000 * std::sin(2 * M_PI * 1000.0 * double(i) / rate));
        bytes.insert(bytes.end(), {std::uint8_t(v), std::uint8_t(v >> 8), 0, 0});
    }
    ps_testing::WriteFileBytes(path, bytes);
    return path;
}

WaveSettings Settings(const std::string& path, int layer, int kbps, const acm::Registry& registry) {
    WaveSettings s;
    s.audio = stream_analysis::AnalyzeAudioFile(path);
    s.audioPath = path;
    s.layer = layer;
    s.bitrate = kbps * 1000;
    s.registry = &registry;
    return s;
}

std::int64_t Number(const std::string& text) { return text.empty() ? -1 : std::stoll(text); }

double Rms(const std::vector<std::uint8_t>& raw, int channel) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = std::size_t(channel) * 2; i + 1 < raw.size(); i += 4, ++n) {
        const double v = std::int16_t(raw[i] | raw[i + 1] << 8);
        sum += v * v;
    }
    return n ? std::sqrt(sum / double(n)) : 0;
}

TEST(WaveConvert, FastAndSlowOutputsDecodeWhole) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    VELMAR_REQUIRE_TOOL("ffprobe");
    VELMAR_REQUIRE_TOOL("mpg123");
    acm::Registry fast, slow;
    fast.Replace(acm::InstalledDrivers(""));
    int drivers = 0;
    fast.EnumDrivers([&](const acm::DriverPtr&) { return ++drivers, true; });
    if (drivers < 2) {
        if (velmar_testing::InCi()) FAIL() << "libtwolame0 and libmp3lame0 are required";
        GTEST_SKIP() << "libtwolame0 or libmp3lame0 not installed";
    }
    struct Row {
        int layer;
        std::uint32_t rate;
        int kbps;
        bool fast;
    };
    // A sample of the rate table: each layer at each sampling rate, low and high bit rates, both modes.
    const Row rows[] = {
        {2, 48000, 192, true}, {2, 44100, 64, true},   {2, 32000, 384, true},  {2, 44100, 128, false},
        {2, 32000, 320, false}, {2, 48000, 64, false},  {3, 32000, 32, true},   {3, 44100, 320, true},
        {3, 48000, 128, true},  {3, 44100, 128, false}, {3, 48000, 64, false},
    };
    const std::string dir = velmar_testing::TempDir();
    for (const Row& r : rows) {
        const std::string name = "l" + std::to_string(r.layer) + "_" + std::to_string(r.rate) + "_" +
                                 std::to_string(r.kbps) + (r.fast ? "_fast" : "_slow");
        SCOPED_TRACE(name);
        // 1.3 s: not a whole number of frames, so the last is padded.
        const std::size_t samples = r.rate * 13 / 10;
        const std::string wave = WriteWave(dir + "/" + name + ".wav", r.rate, samples);
        const std::string out = dir + "/" + name + ".mpa";
        StatusReport report;
        const auto result = RunWaveToMpeg(Settings(wave, r.layer, r.kbps, r.fast ? fast : slow), out, report);
        ASSERT_EQ(result.status, platform::RunStatus::Done) << ps::ErrorBoxText(result.fault, result.encoderError);
        EXPECT_EQ(report.status, "Done !!!");
        // The slow mode says once why it is slow.
        EXPECT_EQ(report.infos,
                  r.fast ? std::vector<std::string>{}
                         : std::vector<std::string>{r.layer == 2 ? kNoLayer2Driver : kNoLayer3Driver});

        const auto bytes = ps_testing::ReadFileBytes(out);
        ASSERT_GE(bytes.size(), 4u);
        EXPECT_EQ(bytes[0], 0xFF);  // bare frames from the first byte
        EXPECT_EQ((bytes[1] >> 1) & 3, 4 - r.layer);

        std::string errors;
        EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -err_detect explode -i " + out + " -f s16le -ac 2 " + out +
                                 ".raw 2>&1",
                             &errors),
                  0);
        EXPECT_EQ(errors, "");
        std::string frames;
        RunCommand("ffprobe -v error -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " + out, &frames);
        const std::int64_t expected = std::int64_t((samples + 1151) / 1152);
        if (r.fast && r.layer == 3) {
            // The codec's delay adds a frame or two at the end, none is lost.
            EXPECT_GE(Number(frames), expected);
            EXPECT_LE(Number(frames), expected + 2);
        } else {
            // The built-in encoder codes one frame of silence after the input, which carries its last
            // samples through the filter banks.
            EXPECT_EQ(Number(frames), r.fast ? expected : expected + 1);
        }
        const auto decoded = ps_testing::ReadFileBytes(out + ".raw");
        EXPECT_GE(decoded.size(), samples * 4);
        // The WAVE's left channel is the left channel of the frames.
        EXPECT_GT(Rms(decoded, 0), 1000.0);
        EXPECT_LT(Rms(decoded, 1), Rms(decoded, 0) / 10);

        errors.clear();
        EXPECT_EQ(RunCommand("mpg123 -q -s " + out + " 2>&1 >" + out + ".mpg123", &errors), 0);
        EXPECT_EQ(errors, "");
        EXPECT_GE(ps_testing::ReadFileBytes(out + ".mpg123").size(), samples * 4);
    }
}

std::vector<std::int64_t> PacketPts(const std::string& path) {
    std::string csv;
    RunCommand("ffprobe -v error -select_streams a -show_entries packet=pts -of csv=p=0 " + path, &csv);
    std::vector<std::int64_t> pts;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line != "N/A") pts.push_back(std::stoll(line));
    return pts;
}

TEST(WaveConvert, WaveAudioMultiplexedStraightIntoAProgramStream) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    VELMAR_REQUIRE_TOOL("ffprobe");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = ps_testing::MakeMpeg2Video(dir);
    const std::string wave = WriteWave(dir + "/in.wav", 48000, 48000 * 2 + 500);
    acm::Registry drivers, none;
    drivers.Replace(acm::InstalledDrivers(""));
    struct Row {
        int layer;
        int kbps;
        const acm::Registry* registry;
        const char* codec;
    };
    const Row rows[] = {
        {2, 192, &drivers, "mp2"}, {3, 160, &drivers, "mp3"}, {2, 256, &none, "mp2"}, {3, 128, &none, "mp3"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.layer) + " " + std::to_string(r.kbps));
        const WaveSettings settings = Settings(wave, r.layer, r.kbps, *r.registry);
        ps_mux::MuxInputs in;
        in.version = ps_mux::PsVersion::Mpeg2;
        in.video = stream_analysis::AnalyzeVideoFile(video);
        StatusReport report;
        const std::string out = dir + "/out.mpg";
        const auto result = RunMuxWithWave(in, video, settings, out, report);
        if (r.registry == &drivers && !report.infos.empty()) {
            if (velmar_testing::InCi()) ADD_FAILURE() << "codec drivers missing: " << report.infos[0];
            continue;
        }
        ASSERT_EQ(result.status, platform::RunStatus::Done) << ps::ErrorBoxText(result.fault, result.encoderError);

        // The audio packets carry exactly what the conversion to a file gives.
        StatusReport alone;
        ASSERT_EQ(RunWaveToMpeg(settings, dir + "/alone.mpa", alone).status, platform::RunStatus::Done);
        ASSERT_TRUE(ps_testing::Ffmpeg("-i " + out + " -map 0:a -c copy -f data " + dir + "/a.out"));
        ASSERT_TRUE(ps_testing::Ffmpeg("-i " + out + " -map 0:v -c copy -f rawvideo " + dir + "/v.out"));
        EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/a.out"), ps_testing::ReadFileBytes(dir + "/alone.mpa"));
        EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/v.out"), ps_testing::ReadFileBytes(video));

        std::string probe;
        RunCommand("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + out, &probe);
        EXPECT_NE(probe.find(r.codec), std::string::npos) << probe;
        EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -xerror -i " + out + " -f null - 2>&1"), 0);
        const auto pts = PacketPts(out);
        ASSERT_GT(pts.size(), 10u);
        EXPECT_EQ(pts.front(), 30000);
        for (std::size_t i = 1; i < pts.size(); ++i) EXPECT_NEAR(double(pts[i] - pts[i - 1]), 1152 * 90000 / 48000.0, 1.0);
    }
}

TEST(WaveConvert, BadInputsAndFailingCodecsEndInAnError) {
    using wave_convert_testing::FakeSetup;
    using wave_convert_testing::OneDriver;
    const std::string dir = velmar_testing::TempDir();
    const std::string good = WriteWave(dir + "/good.wav", 48000, 48000);
    const std::string eightBit = WriteWave(dir + "/eight.wav", 48000, 48000, 8);
    FakeSetup failing, silent, allOnes, zeros, otherLayer;
    failing.convertFailsAfter = 2;
    silent.yieldsNothing = true;
    allOnes.yields.assign(600, 0xFF);
    zeros.yields.assign(600, 0x00);
    otherLayer.yields = {0xFF, 0xFB, 0x94, 0x04};  // a Layer III header where Layer II was asked
    struct Row {
        const char* what;
        std::string audio;
        std::string output;
        FakeSetup driver;
        std::string box;
    };
    const Row rows[] = {
        {"not 16 bits", eightBit, dir + "/o1.mpa", {}, "Audio file not valid"},
        {"no output folder", good, dir + "/missing/o2.mpa", {}, "Can't open output file"},
        {"codec fails mid-run", good, dir + "/o3.mpa", failing, kEncoderError},
        {"codec gives nothing", good, dir + "/o4.mpa", silent, kEncoderError},
        {"codec gives 0xFF bytes", good, dir + "/o6.mpa", allOnes, kEncoderNotFrames},
        {"codec gives zeros", good, dir + "/o7.mpa", zeros, kEncoderNotFrames},
        {"codec gives another layer", good, dir + "/o8.mpa", otherLayer, kEncoderNotFrames},
    };
    for (const Row& r : rows) {
        acm::Registry registry;
        registry.Replace({OneDriver("QDesign", r.driver)});
        WaveSettings settings = Settings(good, 2, 192, registry);
        settings.audioPath = r.audio;  // probed while it was good
        StatusReport report;
        const auto result = RunWaveToMpeg(settings, r.output, report);
        EXPECT_EQ(result.status, platform::RunStatus::Error) << r.what;
        EXPECT_EQ(ps::ErrorBoxText(result.fault, result.encoderError), r.box) << r.what;
        EXPECT_EQ(report.status, "Error !!!") << r.what;
        EXPECT_FALSE(velmar_testing::FileExists(r.output)) << r.what;
    }
    // An input that is not WAVE is refused before anything is opened.
    acm::Registry none;
    WaveSettings settings = Settings(good, 2, 192, none);
    settings.audio.type = stream_analysis::AudioType::Mpeg;
    StatusReport report;
    EXPECT_EQ(ps::ErrorBoxText(RunWaveToMpeg(settings, dir + "/o5.mpa", report).fault), "Audio file not valid");
    EXPECT_FALSE(velmar_testing::FileExists(dir + "/o5.mpa"));
}

}  // namespace
