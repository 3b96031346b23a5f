// DV audio replacement: synthetic DIF sequences for the rules and faults, DV files from ffmpeg for
// what a decoder hears and sees.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "dv_audio/dv_audio.h"
#include "ps_testing/ps_test_support.h"
#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

using namespace dv_audio;
using platform::RunStatus;
using velmar_testing::RunCommand;

namespace {

class TestReport : public platform::RunReport {
public:
    void SetStatus(platform::RunStatus s) override { status = platform::StatusText(s); }
    void InfoBox(const std::string& text) override { infos.push_back(text); }
    bool StopRequested() const override { return stopAfterStatus && status == "Processing..."; }
    std::string status;
    std::vector<std::string> infos;
    bool stopAfterStatus = false;
};

// `frames` 625-line frames of 12 DIF sequences: header and audio block ids, the rest a pattern.
std::vector<std::uint8_t> SyntheticDv(int frames) {
    std::vector<std::uint8_t> dv;
    for (int f = 0; f < frames; ++f) {
        for (int s = 0; s < 12; ++s) {
            std::vector<std::uint8_t> seq(kSequenceBytes);
            for (std::size_t i = 0; i < seq.size(); ++i) seq[i] = std::uint8_t(i * 7 + s);
            seq[0] = 0x1F;
            seq[1] = std::uint8_t(s << 4 | 0x07);
            seq[3] = 0x80;  // 625 lines
            for (int k = 0; k < 9; ++k) seq[480 + 1280 * std::size_t(k)] = 0x70;
            dv.insert(dv.end(), seq.begin(), seq.end());
        }
    }
    return dv;
}

std::vector<std::uint8_t> PcmOf(std::size_t samples) {
    std::vector<std::uint8_t> pcm;
    for (std::size_t i = 0; i < samples; ++i) {
        const auto l = std::uint16_t(i * 3 + 1), r = std::uint16_t(40000 - i * 5);
        pcm.insert(pcm.end(), {std::uint8_t(l), std::uint8_t(l >> 8), std::uint8_t(r), std::uint8_t(r >> 8)});
    }
    return pcm;
}

// With `listChunk`, a LIST chunk stands between the format and the samples, as many writers put it.
std::string WriteWave(const std::string& path, std::uint32_t rate, const std::vector<std::uint8_t>& pcm,
                      bool listChunk = false) {
    const auto header = wav::MakeWavHeader(rate, 2, pcm.size());
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    if (listChunk) {
        const std::uint8_t list[] = {'L', 'I', 'S', 'T', 26, 0, 0, 0, 'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 14, 0, 0, 0,
                                     'L', 'a', 'v', 'f', '5', '9', '.', '2', '7', '.', '1', '0', '0', 0};
        bytes.insert(bytes.begin() + 36, std::begin(list), std::end(list));
    }
    bytes.insert(bytes.end(), pcm.begin(), pcm.end());
    const auto riff = std::uint32_t(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) bytes[4 + std::size_t(i)] = std::uint8_t(riff >> (8 * i));
    ps_testing::WriteFileBytes(path, bytes);
    return path;
}

stream_analysis::VideoAnalysis Dv625(std::size_t bytes) {
    stream_analysis::VideoAnalysis v;
    v.valid = true;
    v.kind = stream_analysis::VideoKind::Dv;
    v.dv625Lines = true;
    v.fileSize = std::int64_t(bytes);
    return v;
}

TEST(DvAudio, SampleCountsAndShuffle) {
    int five = 0;
    for (int f = 1; f <= 5; ++f) five += SamplesInFrame(std::uint64_t(f), false);
    EXPECT_EQ(five, 8008);
    EXPECT_EQ(SamplesInFrame(6, false), 1600);
    EXPECT_EQ(SamplesInFrame(7, true), 1920);
    // Every sample of a frame has a place of its own inside the channel's sequences and blocks.
    for (bool lines625 : {false, true}) {
        std::set<std::tuple<int, int, int>> places;
        const int samples = lines625 ? 1920 : 1602;
        for (int i = 0; i < samples; ++i) {
            const BlockPlace p = ShufflePlace(i, lines625);
            EXPECT_LT(p.sequence, lines625 ? 6 : 5);
            EXPECT_LT(p.block, 9);
            EXPECT_LT(p.position, 36);
            places.insert({p.sequence, p.block, p.position});
        }
        EXPECT_EQ(places.size(), std::size_t(samples));
    }
    const BlockPlace p = ShufflePlace(100, true);  // (33 + 2) mod 6, 3 + 46 / 18, 100 / 54
    EXPECT_EQ(std::tie(p.sequence, p.block, p.position), std::make_tuple(5, 5, 1));
}

TEST(DvAudio, PacksSamplesAndFaults) {
    const auto dv = SyntheticDv(2);
    const auto pcm = PcmOf(1920 + 100);  // shorter than the video: silence follows
    {
        ps::MemorySource video(dv), wave(pcm);
        ps::MemorySink out;
        TestReport report;
        const DvResult r = ReplaceDvAudio(Dv625(dv.size()), video, wave, pcm.size(), out, report);
        ASSERT_EQ(r.status, RunStatus::Done) << ps::ErrorBoxText(r.fault);
        EXPECT_EQ(r.frames, 2u);
        const auto& o = out.Bytes();
        ASSERT_EQ(o.size(), dv.size());
        auto block = [&](int frame, int s, int k) { return o.data() + (std::size_t(frame) * 12 + std::size_t(s)) * kSequenceBytes + 480 + 1280 * std::size_t(k); };
        // Sequence 1 (odd, channel 1): source pack in block 0, control in 1; sequence 8 (even,
        // channel 2): blocks 2 and 3.
        EXPECT_EQ(std::vector<std::uint8_t>(block(0, 1, 0) + 3, block(0, 1, 0) + 8),
                  (std::vector<std::uint8_t>{0x50, 0x58, 0x10, 0xE0, 0xC0}));
        EXPECT_EQ(std::vector<std::uint8_t>(block(0, 1, 1) + 3, block(0, 1, 1) + 8),
                  (std::vector<std::uint8_t>{0x51, 0x3C, 0xCF, 0xE4, 0xFF}));
        EXPECT_EQ(std::vector<std::uint8_t>(block(0, 8, 2) + 3, block(0, 8, 2) + 8),
                  (std::vector<std::uint8_t>{0x50, 0x58, 0x11, 0xE0, 0xC0}));
        // Sample 100 of frame 1 at its place, most significant byte first, right channel 6 further.
        const BlockPlace p = ShufflePlace(100, true);
        const std::uint8_t* left = block(0, p.sequence, p.block) + 8 + 2 * p.position;
        const std::uint8_t* right = block(0, p.sequence + 6, p.block) + 8 + 2 * p.position;
        EXPECT_EQ(left[0] << 8 | left[1], 301);
        EXPECT_EQ(right[0] << 8 | right[1], 40000 - 500);
        // Sample 200 of frame 2 is past the WAVE's end.
        const BlockPlace q = ShufflePlace(200, true);
        EXPECT_EQ(block(1, q.sequence, q.block)[8 + 2 * q.position], 0);
        EXPECT_EQ(o[5] & 0x80, 0);
    }
    struct Row {
        const char* what;
        std::vector<std::uint8_t> video;
        bool stop;
        std::size_t writeLimit;
        RunStatus status;
        std::string box;
        std::size_t written;
        std::size_t infos;
    };
    // Damaged sequences are copied as they are and the run goes on.
    auto garbage = dv;
    garbage[kSequenceBytes * 3 + 480 + 1280 * 4] = 0x90;  // a video block where audio belongs
    auto badNumber = dv;
    badNumber[kSequenceBytes * 14 + 1] = 0xC7;  // sequence 12 in a 625-line frame
    auto tail = dv;
    tail.resize(dv.size() + 5000, 0x55);
    const Row rows[] = {
        {"garbage", garbage, false, SIZE_MAX, RunStatus::Done, "", dv.size(), 1},
        {"sequence number", badNumber, false, SIZE_MAX, RunStatus::Done, "", dv.size(), 1},
        {"short tail", tail, false, SIZE_MAX, RunStatus::Done, "", dv.size(), 1},
        {"stop", dv, true, SIZE_MAX, RunStatus::Canceled, "", 12 * kSequenceBytes, 0},
        {"write error", dv, false, 5 * kSequenceBytes, RunStatus::Error, "Write File Error", 5 * kSequenceBytes, 0},
    };
    for (const Row& r : rows) {
        ps::MemorySource video(r.video), wave(pcm);
        ps::MemorySink out;
        out.FailAfter(r.writeLimit);
        TestReport report;
        report.stopAfterStatus = r.stop;
        const DvResult result = ReplaceDvAudio(Dv625(r.video.size()), video, wave, pcm.size(), out, report);
        EXPECT_EQ(result.status, r.status) << r.what;
        EXPECT_EQ(ps::ErrorBoxText(result.fault), r.box) << r.what;
        EXPECT_EQ(out.Bytes().size(), r.written) << r.what;
        EXPECT_EQ(report.infos.size(), r.infos) << r.what;
    }
    {
        // The first sequence of frame 2 damaged: copied unchanged, and frame 2 still takes its
        // own samples, so its other sequences carry them.
        auto video = dv;
        video[kSequenceBytes * 12] = 0xFF;
        ps::MemorySource source(video), wave(PcmOf(2 * 1920));
        ps::MemorySink out;
        TestReport report;
        const DvResult r = ReplaceDvAudio(Dv625(video.size()), source, wave, 2 * 1920 * 4, out, report);
        ASSERT_EQ(r.status, RunStatus::Done);
        EXPECT_EQ(r.frames, 2u);
        ASSERT_EQ(report.infos.size(), 1u);
        EXPECT_EQ(report.infos[0].rfind("DIF sequence error in video file at byte 144000 (1 damaged", 0), 0u);
        const auto& o = out.Bytes();
        ASSERT_EQ(o.size(), video.size());
        EXPECT_TRUE(std::equal(o.begin() + 12 * kSequenceBytes, o.begin() + 13 * kSequenceBytes,
                               video.begin() + 12 * kSequenceBytes));
        const BlockPlace p = ShufflePlace(1, true);  // sample 1 of frame 2 lies in sequence 2
        const std::uint8_t* left = o.data() + (12 + std::size_t(p.sequence)) * kSequenceBytes + 480 +
                                   1280 * std::size_t(p.block) + 8 + 2 * std::size_t(p.position);
        EXPECT_EQ(left[0] << 8 | left[1], (1920 + 1) * 3 + 1);
    }
}

TEST(DvAudio, RefusalsComeBeforeAnyFileIsOpened) {
    const std::string dir = velmar_testing::TempDir();
    const std::string dvPath = dir + "/in.dv";
    ps_testing::WriteFileBytes(dvPath, SyntheticDv(1));
    const std::string w44 = WriteWave(dir + "/w44.wav", 44100, PcmOf(100));
    const std::string w48 = WriteWave(dir + "/w48.wav", 48000, PcmOf(100));
    const auto dv = Dv625(12 * kSequenceBytes);
    auto mpegVideo = dv;
    mpegVideo.kind = stream_analysis::VideoKind::Mpeg2;
    struct Row {
        stream_analysis::VideoAnalysis video;
        std::string audio;
        std::string box;
    };
    const Row rows[] = {
        {dv, w44, "Audio file must be 48KHz for DV"},
        {dv, dvPath, "Audio file must be WAVE audio file for DV"},
        {mpegVideo, w48, "Video file must be DV video file for DV"},
    };
    for (const Row& r : rows) {
        TestReport report;
        const std::string out = dir + "/out.dv";
        const DvResult result =
            RunDvAudio(r.video, stream_analysis::AnalyzeAudioFile(r.audio), dvPath, r.audio, out, report);
        EXPECT_EQ(ps::ErrorBoxText(result.fault), r.box);
        EXPECT_EQ(report.status, "Error !!!");
        EXPECT_FALSE(velmar_testing::FileExists(out)) << r.box;
    }
    TestReport report;
    const DvResult unopened =
        RunDvAudio(dv, stream_analysis::AnalyzeAudioFile(w48), dvPath, w48, dir + "/no/out.dv", report);
    EXPECT_EQ(ps::ErrorBoxText(unopened.fault), "Can't open output file");
}

TEST(DvAudio, FfmpegHearsTheWaveAndSeesTheSamePictures) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    struct Row {
        const char* name;
        const char* video;  // ffmpeg's picture source
        const char* pixelFormat;
        double seconds;
        double waveSeconds;
        bool fifty;
    };
    const Row rows[] = {
        {"625", "testsrc=size=720x576:rate=25", "yuv420p", 0.6, 0.4, false},
        {"525", "testsrc=size=720x480:rate=30000/1001", "yuv411p", 0.5, 0.8, false},
        {"625_50mbit", "testsrc=size=720x576:rate=25", "yuv422p", 0.4, 0.4, true},
    };
    const std::string dir = velmar_testing::TempDir();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string in = dir + "/" + r.name + ".dv", out = dir + "/" + r.name + "_out.dv";
        ASSERT_TRUE(ps_testing::Ffmpeg(std::string("-f lavfi -i ") + r.video +
                                       " -f lavfi -i sine=f=300:sample_rate=48000 -t " + std::to_string(r.seconds) +
                                       " -pix_fmt " + r.pixelFormat + " -c:v dvvideo -c:a pcm_s16le -ac 2 -f dv " + in));
        const auto pcm = PcmOf(std::size_t(48000 * r.waveSeconds));
        const std::string wave = WriteWave(dir + "/" + r.name + ".wav", 48000, pcm, !r.fifty);
        const auto video = stream_analysis::AnalyzeVideoFile(in);
        ASSERT_EQ(video.kind, stream_analysis::VideoKind::Dv) << video.error;
        ASSERT_EQ(video.dv50Mbit, r.fifty);
        TestReport report;
        const DvResult result = RunDvAudio(video, stream_analysis::AnalyzeAudioFile(wave), in, wave, out, report);
        ASSERT_EQ(result.status, RunStatus::Done) << ps::ErrorBoxText(result.fault);

        // The first audio pair decodes to the WAVE's samples, silence past its end, cut at the
        // video's end.
        std::size_t samples = 0;
        for (std::uint64_t f = 1; f <= result.frames; ++f) samples += std::size_t(SamplesInFrame(f, video.dv625Lines));
        auto expected = pcm;
        expected.resize(samples * 4, 0);
        ASSERT_TRUE(ps_testing::Ffmpeg("-i " + out + " -map 0:a:0 -f s16le " + out + ".raw"));
        EXPECT_TRUE(ps_testing::ReadFileBytes(out + ".raw") == expected);

        std::string before, after;
        RunCommand("ffmpeg -nostdin -v error -i " + in + " -map 0:v -f framemd5 - | grep -v '^#'", &before);
        RunCommand("ffmpeg -nostdin -v error -i " + out + " -map 0:v -f framemd5 - | grep -v '^#'", &after);
        EXPECT_FALSE(before.empty());
        EXPECT_EQ(before, after);

        // Outside the first channel's audio blocks only the audio-valid flag may change.
        auto a = ps_testing::ReadFileBytes(in), b = ps_testing::ReadFileBytes(out);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t seq = 0; seq < a.size(); seq += kSequenceBytes) {
            a[seq + 5] &= 0x7F;
            if (a[seq + 1] & 0x08) continue;  // the second channel keeps its audio
            for (int k = 0; k < 9; ++k)
                for (std::size_t i = 3; i < 80; ++i) a[seq + 480 + 1280 * std::size_t(k) + i] = b[seq + 480 + 1280 * std::size_t(k) + i];
        }
        EXPECT_TRUE(a == b);
    }
}

}  // namespace
