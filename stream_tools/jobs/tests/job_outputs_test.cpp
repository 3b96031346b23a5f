// The output of every Braxel job: never over one of its inputs, and never left behind by a run
// that fails.
#include <gtest/gtest.h>

#include <filesystem>

#include "../../mux/tests/mux_test_streams.h"
#include "codec_manager/codec_manager.h"
#include "stream_jobs/real_engines.h"
#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

namespace {

namespace fs = std::filesystem;
using stream_jobs::MuxJob;
using platform::RunStatus;

// Two 625-line DV frames: header and audio block ids where a DV reader looks for them.
std::vector<std::uint8_t> DvFrames() {
    std::vector<std::uint8_t> dv;
    for (int frame = 0; frame < 2; ++frame) {
        for (int s = 0; s < 12; ++s) {
            std::vector<std::uint8_t> seq(12000, 0x55);
            seq[0] = 0x1F, seq[1] = std::uint8_t(s << 4 | 0x07), seq[2] = 0, seq[3] = 0x80;
            for (std::size_t k = 0; k < 9; ++k) seq[480 + 1280 * k] = 0x70;
            dv.insert(dv.end(), seq.begin(), seq.end());
        }
    }
    return dv;
}

// With `list`, a 5000-byte LIST chunk before the format, as some writers put it: the samples are
// found however far in they begin.
std::vector<std::uint8_t> Wave48k(std::size_t samples, bool list) {
    const auto header = wav::MakeWavHeader(48000, 2, samples * 4);
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    if (list) {
        std::vector<std::uint8_t> chunk{'L', 'I', 'S', 'T', 0x88, 0x13, 0, 0};
        chunk.resize(8 + 5000, 'x');
        bytes.insert(bytes.begin() + 12, chunk.begin(), chunk.end());
    }
    for (std::size_t i = 0; i < samples; ++i) {
        const auto v = std::uint8_t(i * 13);
        bytes.insert(bytes.end(), {v, 0, v, 0});
    }
    return bytes;
}

struct Inputs {
    std::string mpegVideo, mpegAudio, wave, dv, listedWave;
};

Inputs WriteInputs(const fs::path& folder) {
    fs::create_directories(folder);
    auto pictures = mux_testing::Group(true, true);
    const auto more = mux_testing::Group(true);
    pictures.insert(pictures.end(), more.begin(), more.end());
    Inputs in{(folder / "v.m2v").string(), (folder / "a.mp2").string(), (folder / "a.wav").string(),
              (folder / "v.dv").string(), (folder / "listed.wav").string()};
    ps_testing::WriteFileBytes(in.mpegVideo, mux_testing::BuildVideo(pictures, 3001).bytes);
    ps_testing::WriteFileBytes(in.mpegAudio, mux_testing::BuildLayer2Audio(50).bytes);
    ps_testing::WriteFileBytes(in.wave, Wave48k(48000, false));
    ps_testing::WriteFileBytes(in.listedWave, Wave48k(48000, true));
    ps_testing::WriteFileBytes(in.dv, DvFrames());
    return in;
}

struct Job {
    const char* name;
    int type;
    std::string video, audio;
};

std::vector<Job> Jobs(const Inputs& in) {
    return {
        {"MPEG audio multiplex", 2, in.mpegVideo, in.mpegAudio},
        {"WAVE audio multiplex", 2, in.mpegVideo, in.wave},
        {"WAVE to MPEG audio", 3, "", in.wave},
        {"WAVE to MPEG audio, a LIST chunk first", 3, "", in.listedWave},
        {"DV audio replacement", 0, in.dv, in.wave},
    };
}

platform::RunResult RunJob(const Job& job, const std::string& output) {
    MuxJob m;
    m.outputType = job.type;
    m.layer = 2;
    m.audioBitrate = 192000;
    m.videoPath = job.video;
    m.audioPath = job.audio;
    m.outputPath = output;
    m.video = stream_analysis::AnalyzeVideoFile(job.video);
    m.audio = stream_analysis::AnalyzeAudioFile(job.audio);
    platform::RunReport report;
    stream_jobs::RealMuxEngine engine;
    return engine.Run(m, report);
}

class BraxelJobOutputs : public ::testing::Test {
protected:
    // The built-in encoder: the same bytes on every machine.
    void SetUp() override { acm::Registry::Process().Replace({}); }
};

TEST_F(BraxelJobOutputs, EveryJobWritesItsOutputAndRefusesOneThatIsAnInput) {
    const fs::path folder = velmar_testing::TempDir() + "/same";
    const Inputs in = WriteInputs(folder);
    for (const Job& job : Jobs(in)) {
        SCOPED_TRACE(job.name);
        const std::string good = (folder / "out").string();
        const auto done = RunJob(job, good);
        EXPECT_EQ(done.status, RunStatus::Done) << done.error;
        EXPECT_GT(fs::file_size(good), 0u);
        for (const std::string& input : {job.video, job.audio}) {
            if (input.empty()) continue;
            const auto before = ps_testing::ReadFileBytes(input);
            // Another spelling of the input's name, and a link to it.
            const fs::path link = folder / "link";
            fs::remove(link);
            fs::create_symlink(input, link);
            for (const std::string& output : {(folder / "." / fs::path(input).filename()).string(), link.string()}) {
                const auto refused = RunJob(job, output);
                EXPECT_EQ(refused.status, RunStatus::Error) << output;
                EXPECT_EQ(refused.error, "Output file is one of the input files") << output;
                EXPECT_TRUE(ps_testing::ReadFileBytes(input) == before) << output;
            }
        }
    }
}

TEST_F(BraxelJobOutputs, AJobThatFailsOnAFullDiskLeavesNoOutput) {
    const fs::path folder = velmar_testing::TempDir() + "/full";
    const Inputs in = WriteInputs(folder);
    for (const Job& job : Jobs(in)) {
        SCOPED_TRACE(job.name);
        const std::string output = (folder / "out").string();
        // The child's "disk" holds 8 KiB a file; every job writes more than that.
        EXPECT_TRUE(velmar_testing::RunWithFileSizeLimit(
            8192, [&] { return RunJob(job, output).status == RunStatus::Error; }));
        EXPECT_FALSE(fs::exists(output));
    }
}

}  // namespace
