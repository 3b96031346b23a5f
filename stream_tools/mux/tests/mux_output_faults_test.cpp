// Outputs that cannot be written: a full disk and an output named like an input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mux_test_streams.h"
#include "velmar_testing/test_support.h"

namespace {

namespace fs = std::filesystem;

struct InputFiles {
    std::string video, audio;
    ps_mux::MuxInputs inputs;
};

InputFiles WriteInputs(const fs::path& folder) {
    fs::create_directories(folder);
    const auto video = mux_testing::BuildVideo(mux_testing::Group(true, true), 3001, 1);
    const auto audio = mux_testing::BuildLayer2Audio(50);
    InputFiles files{(folder / "v.m2v").string(), (folder / "a.mp2").string(),
                     mux_testing::Inputs(video.bytes.size(), audio.bytes.size())};
    std::ofstream(files.video, std::ios::binary)
        .write(reinterpret_cast<const char*>(video.bytes.data()), std::streamsize(video.bytes.size()));
    std::ofstream(files.audio, std::ios::binary)
        .write(reinterpret_cast<const char*>(audio.bytes.data()), std::streamsize(audio.bytes.size()));
    return files;
}

TEST(MuxOutputFaults, AnOutputThatIsAnInputIsRefusedBeforeItIsOpened) {
    const fs::path folder = velmar_testing::TempDir() + "/same";
    const auto in = WriteInputs(folder);
    const auto videoBytes = fs::file_size(in.video);
    fs::create_symlink(in.audio, folder / "link.mp2");
    for (const std::string& output : {(folder / "." / "v.m2v").string(), (folder / "link.mp2").string()}) {
        mux_testing::RecordingReport report;
        const auto result = ps_mux::RunMuxFiles(in.inputs, in.video, in.audio, output, report);
        EXPECT_EQ(result.status, platform::RunStatus::Error) << output;
        EXPECT_EQ(mux_testing::BoxOf(result), "Output file is one of the input files");
    }
    EXPECT_EQ(fs::file_size(in.video), videoBytes);
    EXPECT_GT(fs::file_size(in.audio), 0u);
}

TEST(MuxOutputFaults, AFullDiskFailsTheRunAndLeavesNoOutput) {
    const fs::path folder = velmar_testing::TempDir() + "/full";
    const auto in = WriteInputs(folder);
    const std::string output = (folder / "out.mpg").string();
    EXPECT_TRUE(velmar_testing::RunWithFileSizeLimit(8192, [&] {
        mux_testing::RecordingReport report;
        return ps_mux::RunMuxFiles(in.inputs, in.video, in.audio, output, report).status == platform::RunStatus::Error;
    }));
    EXPECT_FALSE(fs::exists(output));
    // The file an earlier run left there stays as it was, and no temporary beside it.
    std::ofstream(output) << "earlier";
    EXPECT_TRUE(velmar_testing::RunWithFileSizeLimit(8192, [&] {
        mux_testing::RecordingReport report;
        return ps_mux::RunMuxFiles(in.inputs, in.video, in.audio, output, report).status == platform::RunStatus::Error;
    }));
    std::string kept;
    std::getline(std::ifstream(output), kept);
    EXPECT_EQ(kept, "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 3);
}

}  // namespace
