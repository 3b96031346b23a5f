// Outputs that cannot be written (a full disk, an output named like the input), and what a run
// that stops keeps.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../../mux/tests/mux_test_streams.h"
#include "demux_test_support.h"
#include "velmar_testing/test_support.h"

namespace {

namespace fs = std::filesystem;

// A program stream of two groups of video and 50 Layer II frames, written to `path`.
void WriteProgramStream(const std::string& path) {
    auto pictures = mux_testing::Group(true, true);
    const auto more = mux_testing::Group(true);
    pictures.insert(pictures.end(), more.begin(), more.end());
    const auto video = mux_testing::BuildVideo(pictures, 3001, 1);
    const auto audio = mux_testing::BuildLayer2Audio(50);
    ps::MemorySource v(video.bytes), a(audio.bytes);
    ps::MemorySink muxed;
    mux_testing::RecordingReport muxReport;
    ASSERT_EQ(ps_mux::RunMux(mux_testing::Inputs(video.bytes.size(), audio.bytes.size()), v, a, muxed, muxReport)
                  .status,
              platform::RunStatus::Done);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(muxed.Bytes().data()), std::streamsize(muxed.Bytes().size()));
}

ps_demux::DemuxResult DemuxFile(const std::string& input, const std::string& base, demux_testing::Report& report) {
    ps_demux::DemuxSettings settings;
    settings.outputBase = base;
    return ps_demux::RunDemuxFile(stream_analysis::AnalyzeProgramStream(input), input, settings, report);
}

TEST(DemuxOutputFaults, AFullDiskFailsTheRunAndLeavesTheEarlierFiles) {
    const fs::path folder = velmar_testing::TempDir() + "/full";
    fs::create_directories(folder / "out");
    const std::string input = (folder / "in.mpg").string();
    WriteProgramStream(input);
    // Files an earlier run left at two of the names stay as they were.
    const std::vector<std::uint8_t> earlier = {'e', 'a', 'r', 'l', 'i', 'e', 'r'};
    for (const char* name : {"clipc0.wav", "clipe0.mpg"})
        ps_testing::WriteFileBytes((folder / "out" / name).string(), earlier);

    // The child fills its "disk" at 16 KiB a file; the stream needs more than that per track.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16384, 16384};
        setrlimit(RLIMIT_FSIZE, &limit);
        demux_testing::Report report;
        const auto result = DemuxFile(input, (folder / "out" / "clip").string(), report);
        bool named = false;
        bool removed = false;
        for (const auto& m : report.messages) {
            named |= m.find("could not write file") != std::string::npos && m.find("clip") != std::string::npos;
            removed |= m.find("Removed") != std::string::npos;
        }
        named = named && !removed;
        _exit(result.status == platform::RunStatus::Error && report.status == "Error !!!" && named ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder / "out"), fs::directory_iterator()), 2);
    for (const char* name : {"clipc0.wav", "clipe0.mpg"})
        EXPECT_EQ(ps_testing::ReadFileBytes((folder / "out" / name).string()), earlier) << name;
}

// A video track that gets no index (start codes off word boundaries, or not MPEG video) leaves no
// index beside its new .mpg: the one an earlier run wrote describes another stream.
TEST(RunDemux, AnIndexNotWrittenLeavesNoOldIndex) {
    const fs::path folder = velmar_testing::TempDir() + "/oldindex";
    fs::create_directories(folder);
    const std::string unaligned = (folder / "unaligned.mpg").string();
    WriteProgramStream(unaligned);
    demux_testing::PsBuilder b(2);
    b.Pack().Packet(0xE0, std::vector<std::uint8_t>(600, 0x55)).End();
    const std::string notVideo = (folder / "notvideo.mpg").string();
    ps_testing::WriteFileBytes(notVideo, b.bytes);
    for (const std::string& input : {unaligned, notVideo}) {
        SCOPED_TRACE(input);
        const std::string base = (folder / "clip").string();
        ps_testing::WriteFileBytes(base + "e0.mdb", std::vector<std::uint8_t>(16, 0));
        ps_testing::WriteFileBytes(base + "e0.mpg", {'o', 'l', 'd'});
        ps_demux::DemuxSettings settings;
        settings.outputBase = base;
        demux_testing::Report report;
        ps_demux::RunDemuxFile(demux_testing::Accepted(fs::file_size(input)), input, settings, report);
        EXPECT_TRUE(report.Has("Index not written: " + base + "e0.mdb")) << testing::PrintToString(report.messages);
        EXPECT_NE(ps_testing::ReadFileBytes(base + "e0.mpg"), std::vector<std::uint8_t>({'o', 'l', 'd'}));
        EXPECT_FALSE(fs::exists(base + "e0.mdb"));
    }
}

TEST(DemuxOutputFaults, AnOutputThatIsTheInputIsRefusedBeforeItIsOpened) {
    const fs::path folder = velmar_testing::TempDir() + "/same";
    fs::create_directories(folder);
    // The video track's output would be "<base>e0.mpg": name the input so, reached by another spelling.
    const std::string input = (folder / "be0.mpg").string();
    WriteProgramStream(input);
    const auto before = fs::file_size(input);
    demux_testing::Report report;
    const auto result = DemuxFile(input, (folder / "." / "b").string(), report);
    EXPECT_EQ(result.status, platform::RunStatus::Error);
    EXPECT_EQ(report.status, "Error !!!");
    EXPECT_EQ(fs::file_size(input), before);
}

TEST(DemuxOutputFaults, AVideoTrackThatIsNotMpegVideoStopsTheRunForThatReasonAndKeepsTheStreams) {
    const fs::path folder = velmar_testing::TempDir() + "/notvideo";
    fs::create_directories(folder);
    const auto audio = mux_testing::BuildLayer2Audio(10).bytes;
    demux_testing::PsBuilder b(2);
    b.Pack().Packet(0xC0, audio).Pack().Packet(0xE0, std::vector<std::uint8_t>(600, 0x55)).End();
    const std::string input = (folder / "in.mpg").string();
    ps_testing::WriteFileBytes(input, b.bytes);
    const std::string base = (folder / "out").string();
    ps_demux::DemuxSettings settings;
    settings.outputBase = base;
    demux_testing::Report report;
    const auto result = ps_demux::RunDemuxFile(demux_testing::Accepted(b.bytes.size()), input, settings, report);

    EXPECT_EQ(result.status, platform::RunStatus::Discontinued);
    EXPECT_TRUE(report.Has("video file is not a valid MPEG video file"));
    for (const auto& m : report.messages) EXPECT_EQ(m.find("could not write"), std::string::npos) << m;
    EXPECT_EQ(ps_testing::ReadFileBytes(base + "c0.mpg"), audio);
    EXPECT_GT(fs::file_size(base + "c0.wav"), 44u);
    EXPECT_TRUE(fs::exists(base + "e0.mpg"));
    EXPECT_FALSE(fs::exists(base + "e0.mdb"));  // an index of nothing
}

}  // namespace
