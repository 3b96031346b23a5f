#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

namespace {

namespace fs = std::filesystem;
using velmar_testing::BinDir;
using velmar_testing::RunCommand;

TEST(MpaTool, AnOutputThatIsTheInputIsRefusedAndTheInputKept) {
    const fs::path folder = velmar_testing::TempDir();
    const std::string wave = (folder / "x.wav").string();
    {
        const auto header = wav::MakeWavHeader(48000, 2, 1152 * 4 * 4);
        std::ofstream out(wave, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
        const std::vector<char> samples(1152 * 4 * 4, 3);
        out.write(samples.data(), std::streamsize(samples.size()));
    }
    const std::string stream = (folder / "x.mp2").string();
    const std::string tool = BinDir() + "/mpa-tool ";
    ASSERT_EQ(RunCommand(tool + "enc 'enc -l 2 -b 192 -s 48 -m s' " + wave + " " + stream + " 2>/dev/null"), 0);
    for (const std::string& file : {wave, stream}) {
        const auto bytes = fs::file_size(file);
        const std::string again = (folder / "." / fs::path(file).filename()).string();
        const std::string command = fs::path(file).extension() == ".wav"
                                        ? "enc 'enc -l 2 -b 192 -s 48 -m s' " + file + " " + again
                                        : "dec " + file + " " + again;
        EXPECT_NE(RunCommand(tool + command + " 2>/dev/null"), 0) << command;
        EXPECT_EQ(fs::file_size(file), bytes) << command;
    }
}

}  // namespace
