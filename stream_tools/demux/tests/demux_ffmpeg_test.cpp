// Program streams from ffmpeg and from our multiplexer, split and checked against ffmpeg.
#include <gtest/gtest.h>

#include "../../mux/tests/mux_test_streams.h"
#include "demux_test_support.h"
#include "index_formats/picture_index.h"
#include "wave_format/wave_header.h"
#include "ps_demux/demux.h"
#include "velmar_testing/test_support.h"

using namespace ps_testing;
using velmar_testing::RunCommand;

namespace {

int CountFrames(const std::string& path) {
    std::string out;
    RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 " +
                   path, &out);
    return std::atoi(out.c_str());
}

void CheckIndex(const std::string& mdb, const std::string& es) {
    const auto records = index_formats::DecodePictureIndex(ReadFileBytes(mdb));
    EXPECT_EQ(int(records.size()), CountFrames(es));
    const auto bytes = ReadFileBytes(es);
    ASSERT_FALSE(records.empty());
    EXPECT_TRUE(records.back().lastGroup);
    for (const auto& r : records) {
        const std::uint64_t at = r.GroupByteOffset();
        bool found = false;
        for (std::uint64_t k = at; k < at + 4 && k + 3 < bytes.size(); ++k)
            found |= bytes[k] == 0 && bytes[k + 1] == 0 && bytes[k + 2] == 1 && bytes[k + 3] == 0xB3;
        ASSERT_TRUE(found) << "record group at " << at;
    }
}

// ffmpeg's video with every start code moved onto a 4-byte boundary, as the board writes its
// streams: only such a stream gets a picture index.
std::string AlignedCopy(const std::string& es) {
    const auto dot = es.find_last_of('.');
    const std::string path = es.substr(0, dot) + "_aligned" + es.substr(dot);
    WriteFileBytes(path, AlignStartCodes(ReadFileBytes(es)));
    return path;
}

// The decoded WAVE file against ffmpeg's decoding of the same elementary stream.
void CheckWave(const std::string& wav, const std::string& es, std::uint32_t rate, int channels = 2) {
    const auto bytes = ReadFileBytes(wav);
    ASSERT_GE(bytes.size(), 44u);
    const auto header = wav::MakeWavHeader(rate, channels, bytes.size() - 44);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    ASSERT_TRUE(Ffmpeg("-i " + es + " -f s16le -ac " + std::to_string(channels) + " " + es + ".pcm"));
    const auto ref = ReadFileBytes(es + ".pcm");
    ASSERT_EQ(bytes.size() - 44, ref.size());
    int worst = 0;
    for (std::size_t i = 0; i + 1 < ref.size(); i += 2) {
        const int a = std::int16_t(bytes[44 + i] | bytes[45 + i] << 8), b = std::int16_t(ref[i] | ref[i + 1] << 8);
        worst = std::max(worst, std::abs(a - b));
    }
    EXPECT_LE(worst, 2);
}

}  // namespace

TEST(DemuxAgainstFfmpeg, FfmpegProgramStreams) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = AlignedCopy(MakeMpeg2Video(dir));
    const std::string audio = MakeMpegAudio(dir, "mp2", 48000, 192);
    for (std::string format : {"vob", "mpeg"}) {
        const std::string ps = dir + "/in." + format;
        ASSERT_TRUE(Ffmpeg("-i " + video + " -i " + audio + " -c copy -f " + format + " " + ps));
        ASSERT_TRUE(Ffmpeg("-i " + ps + " -map 0:v -c copy -f rawvideo " + dir + "/ref_v.es"));
        ASSERT_TRUE(Ffmpeg("-i " + ps + " -map 0:a -c copy -f data " + dir + "/ref_a.es"));
        const auto analysis = stream_analysis::AnalyzeProgramStream(ps);
        ASSERT_TRUE(analysis.ok) << analysis.error;
        ps_demux::DemuxSettings settings;
        settings.outputBase = dir + "/" + format + "_";
        demux_testing::Report report;
        const auto r = ps_demux::RunDemuxFile(analysis, ps, settings, report);
        ASSERT_EQ(r.status, platform::RunStatus::Done) << format;
        EXPECT_EQ(ReadFileBytes(settings.outputBase + "e0.mpg"), ReadFileBytes(dir + "/ref_v.es")) << format;
        EXPECT_EQ(ReadFileBytes(settings.outputBase + "c0.mpg"), ReadFileBytes(dir + "/ref_a.es")) << format;
        CheckIndex(settings.outputBase + "e0.mdb", settings.outputBase + "e0.mpg");
        CheckWave(settings.outputBase + "c0.wav", dir + "/ref_a.es", 48000);
    }

    // ffmpeg's own video, start codes wherever they fall: split as it is, and no index that would
    // cut through pictures; the message list says why, in the index builder's words.
    const std::string ps = dir + "/unaligned.mpg";
    ASSERT_TRUE(Ffmpeg("-i " + MakeMpeg2Video(dir) + " -i " + audio + " -c copy -f mpeg " + ps));
    ps_demux::DemuxSettings settings;
    settings.outputBase = dir + "/u";
    demux_testing::Report report;
    const auto r = ps_demux::RunDemuxFile(stream_analysis::AnalyzeProgramStream(ps), ps, settings, report);
    EXPECT_EQ(r.status, platform::RunStatus::Done);
    EXPECT_TRUE(report.Has(index_formats::kUnalignedStartCodesMessage)) << testing::PrintToString(report.messages);
    EXPECT_GT(ReadFileBytes(dir + "/ue0.mpg").size(), 100000u);
    EXPECT_FALSE(velmar_testing::FileExists(dir + "/ue0.mdb"));
}

TEST(DemuxAgainstFfmpeg, MonoAudioTrack) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string ps = dir + "/mono.mpg";
    ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=sample_rate=44100 -t 1 -ac 1 -c:a mp2 -b:a 96k -f mpeg " + ps));
    ASSERT_TRUE(Ffmpeg("-i " + ps + " -map 0:a -c copy -f data " + dir + "/ref_a.es"));
    ps_demux::DemuxSettings settings;
    settings.outputBase = dir + "/m";
    demux_testing::Report report;
    const auto r = ps_demux::RunDemuxFile(stream_analysis::AnalyzeProgramStream(ps), ps, settings, report);
    ASSERT_EQ(r.status, platform::RunStatus::Done);
    EXPECT_EQ(ReadFileBytes(dir + "/mc0.mpg"), ReadFileBytes(dir + "/ref_a.es"));
    CheckWave(dir + "/mc0.wav", dir + "/ref_a.es", 44100, 1);  // a one-channel header for a mono track
}

TEST(DemuxAgainstFfmpeg, OurMuxOfFfmpegClips) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = AlignedCopy(MakeMpeg1Video(dir));
    const std::string audio = MakeMpegAudio(dir, "libmp3lame", 44100, 128);
    ps_mux::MuxInputs in;
    in.version = ps_mux::PsVersion::Mpeg1;
    in.video = stream_analysis::AnalyzeVideoFile(video);
    in.audio = stream_analysis::AnalyzeAudioFile(audio);
    mux_testing::RecordingReport muxReport;
    ASSERT_EQ(ps_mux::RunMuxFiles(in, video, audio, dir + "/ours.mpg", muxReport).status, platform::RunStatus::Done);
    ps_demux::DemuxSettings settings;
    settings.outputBase = dir + "/clip";
    demux_testing::Report report;
    const auto r = ps_demux::RunDemuxFile(stream_analysis::AnalyzeProgramStream(dir + "/ours.mpg"),
                                          dir + "/ours.mpg", settings, report);
    ASSERT_EQ(r.status, platform::RunStatus::Done);
    EXPECT_EQ(ReadFileBytes(dir + "/clipe0.mpg"), ReadFileBytes(video));
    EXPECT_EQ(ReadFileBytes(dir + "/clipc0.mpg"), ReadFileBytes(audio));
    EXPECT_TRUE(report.Has("Stream Type:  MPEG-1"));
    EXPECT_TRUE(report.Has("Frame Size:   352x240"));
    EXPECT_TRUE(report.Has("Frequency:    44100 samples/s"));
    CheckIndex(dir + "/clipe0.mdb", dir + "/clipe0.mpg");
}
