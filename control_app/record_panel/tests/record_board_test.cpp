// End to end through the software board and the service loop: the record microcode, the panel's
// encoder lines, a five-second live recording of video and linked audio, and a compress run of a
// film strip. The results are checked with ffprobe and ffmpeg, the picture index against the
// index builder, and the audio as a WAVE file.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <sstream>
#include <thread>

#include "index_builder/index_builder.h"
#include "platform/kernel.h"
#include "record_panel/encoder_parameters.h"
#include "record_panel/record_sources.h"
#include "ruvent/ruvent.h"
#include "ruvent/service_loop.h"
#include "softboard/board_encoder.h"
#include "softboard/soft_board.h"
#include "tessolk/board_map.h"
#include "velmar_testing/test_support.h"

namespace velmar {
namespace {

using Bytes = std::vector<std::uint8_t>;
using board_map::StreamFormat;

constexpr const char* kRecordSizes =
    "-s 0x400 0x400 0x400 0x400 0 0 0x500000 0x1800 0 0 0 0 0x200000 0xbdc0 0 0 0x2000";

int Call(int (*function)(int, char**), const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    return function(static_cast<int>(words.size()), argv.data());
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct ModeCase {
    int recordMode;
    bool pal;
    const char* microcode;
    const char* probe;  // what ffprobe reports, one "key=value" a line
};

// A software board served in real time in this process, the service loop on its own thread.
class BoardSession {
public:
    BoardSession() {
        softboard::SoftBoardOptions options;
        board_ = softboard::SoftBoard::Create(options);
        if (!board_) return;
        stepper_ = std::thread([this] {
            while (!stop_.load()) {
                board_->Step(platform::PerformanceCounter());
                platform::SleepUs(300);
            }
        });
    }
    ~BoardSession() {
        if (loop_.valid()) {
            Call(mquit, "mquit");
            loop_.wait_for(std::chrono::seconds(5));
        }
        stop_.store(true);
        if (stepper_.joinable()) stepper_.join();
    }
    bool Ready() const { return board_ != nullptr; }

    // The panel's start-up lines for one record mode, then the service loop.
    void StartUp(const std::string& microcode) {
        Call(mreset, "mreset");
        Call(mwr, "mwr 0x40030 0x0");
        Call(mld, "mld -first " + microcode);
        Call(mwr, "mwr 0x40038 0x1");
        const std::uint64_t rounds = ruvent::ServiceLoopRounds();
        loop_ = std::async(std::launch::async, [] { return Call(mdaemon, std::string("mdaemon -start -nc ") + kRecordSizes); });
        // Until the loop's first round: seconds under ThreadSanitizer on a loaded machine, and a
        // command sent before it finds no channel.
        for (int i = 0; i < 60000 && ruvent::ServiceLoopRounds() == rounds; ++i) platform::SleepMs(1);
    }
    // What the panel does before a start word: the overrun count and the index ring cleared.
    void ClearRecordWords() {
        SetWord(board_map::kDiskOverrunCounter, 0);
        SetWord(board_map::kEncoderIndexRing, 0);
        SetWord(board_map::kEncoderIndexRing + 4, 0);
    }
    void SetWord(std::uint32_t offset, std::uint32_t value) {
        std::atomic_ref(*reinterpret_cast<std::uint32_t*>(board_->Window() + offset)).store(value);
    }
    std::uint32_t Word(std::uint32_t offset) {
        return std::atomic_ref(*reinterpret_cast<std::uint32_t*>(board_->Window() + offset)).load();
    }
    template <typename Condition>
    bool WaitFor(Condition condition, int seconds) {
        for (int i = 0; i < seconds * 100; ++i) {
            if (condition()) return true;
            platform::SleepMs(10);
        }
        return condition();
    }
    softboard::BoardEncoder& Encoder() { return board_->Encoder(); }
    // Until the board has handed the host all it produced and the host has written it.
    void Drain() {
        std::uint64_t last = ~0ull;
        for (int quiet = 0; quiet < 10;) {
            platform::SleepMs(50);
            const std::uint64_t now = Encoder().VideoBytes() + Encoder().AudioBytes() + Word(0x11A4) + Word(0x11AC);
            quiet = now == last ? quiet + 1 : 0;
            last = now;
        }
    }

private:
    std::unique_ptr<softboard::SoftBoard> board_;
    std::atomic<bool> stop_{false};
    std::thread stepper_;
    std::future<int> loop_;
};

std::vector<std::string> EncoderLines(int recordMode, bool pal) {
    const RecordMode mode = *RecordModeOf(recordMode);
    const EncoderModeSpec& spec = ModeSpec(mode);
    EncoderSettings s;
    s.mode = mode;
    s.pal = pal;
    const auto indexOf = [](const std::vector<int>& list, int value) {
        return static_cast<int>(std::find(list.begin(), list.end(), value) - list.begin());
    };
    s.horizontalIndex = indexOf(spec.horizontal, mode == RecordMode::Mpeg1 ? 352 : 720);
    const auto& vertical = pal ? spec.verticalPal : spec.verticalNtsc;
    s.verticalIndex = indexOf(vertical, pal ? spec.verticalPalDefault : spec.verticalNtscDefault);
    if (mode == RecordMode::Mpeg1) s.verticalIndex = static_cast<int>(vertical.size()) - 1;
    s.refIndex = spec.refDefault - 1;
    s.intraIndex = ChooseIntraDistance(kIntraDefault, spec.refDefault) / spec.refDefault - 1;
    s.bitRate = spec.bitRateDefault;
    s.closeFreq = 1;
    s.sceneChange = true;
    return EncoderCommandLines(s);
}

std::string Probe(const std::string& path) {
    std::string out;
    velmar_testing::RunCommand("ffprobe -v error -select_streams v:0 -show_entries "
                               "stream=codec_name,profile,pix_fmt,width,height,r_frame_rate -of default=nw=1 '" +
                                   path + "'",
                               &out);
    return out;
}

bool StartCodesAligned(const Bytes& data) {
    for (std::size_t i = 0; i + 3 < data.size(); ++i)
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1 && i % 4 != 0) return false;
    return true;
}

class LiveRecording : public ::testing::TestWithParam<ModeCase> {};

TEST_P(LiveRecording, FiveSecondsOfVideoAndAudioThatOtherProgramsRead) {
    VELMAR_REQUIRE_TOOL("ffprobe");
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const ModeCase& c = GetParam();
    BoardSession session;
    ASSERT_TRUE(session.Ready());
    const std::string dir = velmar_testing::TempDir() + "/" + c.microcode;
    std::filesystem::create_directories(dir);
    session.StartUp(velmar_testing::RunDir() + "/ucode/" + c.microcode);

    for (const std::string& line : EncoderLines(c.recordMode, c.pal)) ASSERT_EQ(Call(mwcmd, line), 1) << line;
    Call(mwcmd, "mwcmd -s 0xffffffff 0x00090004 0x01010001 0x004003E8 0x00000000 0x8a000000");  // 48 kHz
    const std::string video = dir + "/take.mpg", audio = dir + "/take.wav";
    ASSERT_EQ(Call(mwcmd, "mwcmd -o1B -R " + audio), 1);  // as the panel opens it on this board
    ASSERT_EQ(Call(mwcmd, "mwcmd -o0B " + video), 1);
    session.ClearRecordWords();
    Call(mwcmd, "mwcmd -p 0xffffffff 0x80010000 0xffffffff 0x80010100");
    const int frames = c.pal ? 125 : 150;  // five seconds
    ASSERT_TRUE(session.WaitFor([&] { return session.Encoder().FramesEncoded() >= std::uint64_t(frames); }, 30));
    Call(mwcmd, "mwcmd -p 0xffffffff 0x80020001 0x1 0xffffffff 0x80020101 0x1");
    session.Drain();
    ASSERT_EQ(Call(mwcmd, "mwcmd -U0"), 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -U1"), 1);
    // Before the stop writes its header the file already reads as WAVE to its end, as a recording
    // cut off by a killed program would.
    const Bytes unfinished = ReadFile(audio);
    const auto provisional = wav::ParseWaveLayout(unfinished, unfinished.size());
    ASSERT_TRUE(provisional);
    EXPECT_EQ(provisional->sampleRate, 48000u);
    EXPECT_EQ(provisional->dataBytes, unfinished.size() - 44);
    ASSERT_TRUE(WriteWavHeaderOver(audio, 48000));
    EXPECT_EQ(session.Word(board_map::kDiskOverrunCounter), 0u);
    EXPECT_EQ(session.Encoder().LastError(), "");

    const std::uint64_t encoded = session.Encoder().FramesEncoded();
    EXPECT_EQ(Probe(video), c.probe);
    std::string errors;
    EXPECT_EQ(velmar_testing::RunCommand("ffmpeg -v error -xerror -i '" + video + "' -f null - 2>&1", &errors), 0) << errors;
    std::string count;
    velmar_testing::RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                               "-of csv=p=0 '" + video + "'", &count);
    EXPECT_EQ(std::stoull(count), encoded);
    const Bytes recorded = ReadFile(video);
    EXPECT_EQ(recorded.size() % 4, 0u);
    EXPECT_TRUE(StartCodesAligned(recorded));

    if (c.recordMode != 4) {
        // The index the board's ring gave equals the one the index builder makes of the file.
        const std::string copy = dir + "/copy.mpg";
        std::filesystem::copy_file(video, copy);
        ASSERT_EQ(index_builder::BuildIndexFile(copy).run.status, platform::RunStatus::Done);
        const Bytes fromRing = ReadFile(dir + "/take.mdb");
        EXPECT_EQ(fromRing.size(), 8 * encoded);
        EXPECT_TRUE(fromRing == ReadFile(dir + "/copy.mdb"));
    }

    const Bytes wave = ReadFile(audio);
    const auto layout = wav::ParseWaveLayout(wave, wave.size());
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->sampleRate, 48000u);
    EXPECT_EQ(layout->channels, 2);
    EXPECT_EQ(layout->bitsPerSample, 16);
    EXPECT_EQ(layout->dataBytes, wave.size() - 44);
    EXPECT_EQ(wave.size(), session.Encoder().AudioBytes());
    // The board's tone peaks at 8192: swapped bytes would read as noise far above it.
    int peak = 0;
    for (std::size_t i = 44; i + 1 < wave.size(); i += 2)
        peak = std::max(peak, std::abs(int(std::int16_t(wave[i] | wave[i + 1] << 8))));
    EXPECT_EQ(peak, 8192);
    const double seconds = double(layout->dataBytes) / 192000.0;
    const double videoSeconds = double(encoded) / (c.pal ? 25.0 : 30000.0 / 1001.0);
    EXPECT_NEAR(seconds, videoSeconds, 0.1);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LiveRecording,
    ::testing::Values(
        ModeCase{1, true, "single422_pal_nle.ux",
                 "codec_name=mpeg2video\nprofile=4:2:2\nwidth=720\nheight=576\npix_fmt=yuv422p\nr_frame_rate=25/1\n"},
        ModeCase{0, false, "single_nle.ux",
                 "codec_name=mpeg2video\nprofile=Main\nwidth=720\nheight=480\npix_fmt=yuv420p\nr_frame_rate=30000/1001\n"},
        ModeCase{4, false, "single_mpeg1.ux",
                 "codec_name=mpeg1video\nprofile=unknown\nwidth=352\nheight=240\npix_fmt=yuv420p\nr_frame_rate=30000/1001\n"}),
    [](const ::testing::TestParamInfo<ModeCase>& info) {
        return info.param.recordMode == 1 ? std::string("Mpeg2_422Pal")
               : info.param.recordMode == 0 ? std::string("Mpeg2_420Ntsc")
                                            : std::string("Mpeg1Ntsc");
    });

// A film strip as decode to file writes it: 32-bit B, G, R, A pixels, rows bottom to top, and the
// 36-byte trailer; `reference` receives the same frames top to bottom.
bool MakeFilmStrip(const std::string& dir, int frames, const std::string& strip, const std::string& reference) {
    const std::string raw = dir + "/source.bgra";
    if (velmar_testing::RunCommand("ffmpeg -v error -y -f lavfi -i testsrc2=size=720x480:rate=30000/1001 -frames:v " +
                                   std::to_string(frames) + " -pix_fmt bgra -f rawvideo '" + raw + "'") != 0)
        return false;
    const Bytes top = ReadFile(raw);
    constexpr std::size_t kLine = 720 * 4, kFrame = kLine * 480;
    if (top.size() != kFrame * std::size_t(frames)) return false;
    Bytes out;
    for (int f = 0; f < frames; ++f)
        for (int row = 479; row >= 0; --row) {
            const auto at = top.begin() + static_cast<std::ptrdiff_t>(f * kFrame + row * kLine);
            out.insert(out.end(), at, at + kLine);
        }
    Bytes trailer(36, 0);
    std::memcpy(trailer.data(), "Rand", 4);
    trailer[7] = static_cast<std::uint8_t>(frames);
    trailer[12] = 720 >> 8, trailer[13] = 720 & 0xFF, trailer[14] = 480 >> 8, trailer[15] = 480 & 0xFF;
    trailer[19] = 30;
    out.insert(out.end(), trailer.begin(), trailer.end());
    std::ofstream(strip, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    std::filesystem::rename(raw, reference);
    return true;
}

TEST(CompressFromFile, AFilmStripIsEncodedFrameForFrame) {
    VELMAR_REQUIRE_TOOL("ffprobe");
    VELMAR_REQUIRE_TOOL("ffmpeg");
    BoardSession session;
    ASSERT_TRUE(session.Ready());
    const std::string dir = velmar_testing::TempDir() + "/compress";
    std::filesystem::create_directories(dir);
    constexpr int kFrames = 24;
    const std::string strip = dir + "/source.flm", reference = dir + "/reference.bgra", video = dir + "/out.mpg";
    ASSERT_TRUE(MakeFilmStrip(dir, kFrames, strip, reference));
    session.StartUp(velmar_testing::RunDir() + "/ucode/single_nle.ux");

    // The panel's compress start: flush, source, output, encoder, then the source format.
    Call(mwcmd, "mwcmd -p 0x0 0x9f0500");
    const FrameSourceDescriptor descriptor{720 * 4, 480, 0, 1};
    session.SetWord(board_map::kFrameSourceDescriptor, descriptor.bytesPerLine);
    session.SetWord(board_map::kFrameSourceDescriptor + 4, descriptor.lines);
    session.SetWord(board_map::kFrameSourceDescriptor + 8, descriptor.skip);
    session.SetWord(board_map::kFrameSourceDescriptor + 12, descriptor.type);
    ASSERT_EQ(Call(mwcmd, "mwcmd -i2B -l1 -I " + strip), 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -o0B " + video), 1);
    for (const std::string& line : EncoderLines(0, false)) Call(mwcmd, line);
    session.ClearRecordWords();
    Call(mwr, "mwr 0x40030 0x00000001");
    Call(mwcmd, SourceFormatLine(descriptor, 24, 2 * kFrames));
    const std::int64_t started = platform::PerformanceCounter();
    ASSERT_TRUE(session.WaitFor([&] { return session.Encoder().FramesEncoded() >= kFrames; }, 20));
    std::printf("compress from a film strip: %d frames in %.2f s\n", kFrames,
                double(platform::PerformanceCounter() - started) / 1e6);
    Call(mwcmd, "mwcmd -p 0xffffffff 0x80020001 0x1");
    session.Drain();
    ASSERT_EQ(Call(mwcmd, "mwcmd -U0"), 1);
    Call(mwr, "mwr 0x40030 0x00000000");
    EXPECT_EQ(session.Encoder().FramesEncoded(), std::uint64_t(kFrames));

    std::string psnr;
    ASSERT_EQ(velmar_testing::RunCommand(
                  "ffmpeg -v info -nostats -i '" + video +
                      "' -f rawvideo -pix_fmt bgra -s 720x480 -framerate 30000/1001 -i '" + reference +
                      "' -lavfi '[0:v]setpts=PTS-STARTPTS,format=yuv420p[a];[1:v]setpts=PTS-STARTPTS,format=yuv420p[b];[a][b]psnr' -f null - 2>&1",
                  &psnr),
              0)
        << psnr;
    const std::size_t at = psnr.find("average:");
    ASSERT_NE(at, std::string::npos) << psnr;
    const double average = std::stod(psnr.substr(at + 8));
    EXPECT_GE(average, 35.0) << psnr.substr(at);
    std::printf("compress from a film strip: PSNR %.2f dB over %d frames\n", average, kFrames);
    std::string count;
    velmar_testing::RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                               "-of csv=p=0 '" + video + "'", &count);
    EXPECT_EQ(std::stoi(count), kFrames);
}

}  // namespace
}  // namespace velmar
