#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

namespace {

namespace fs = std::filesystem;
using velmar_testing::BinDir;
using velmar_testing::RunCommand;

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

namespace {

// The rate comes from the WAVE file when the line names none; a bad line fails before the output
// exists, with one prefix; the set-up's notes are not printed; --help explains the line.
TEST(MpaTool, EncOptionLine) {
    const fs::path folder = velmar_testing::TempDir();
    const std::string wave = (folder / "in48.wav").string();
    {
        const auto header = wav::MakeWavHeader(48000, 2, 1152 * 4 * 4);
        std::ofstream out(wave, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
        const std::vector<char> samples(1152 * 4 * 4, 5);
        out.write(samples.data(), std::streamsize(samples.size()));
    }
    const std::string tool = BinDir() + "/mpa-tool enc ";
    const std::string out = (folder / "out.mp2").string();
    std::string text;
    // Without -s the WAVE file's rate is used, whatever the line's length up to the encoder's ten words.
    for (const char* line : {"enc -l 2 -b 192", "enc -l 1 -m s -b 192 -p 1"}) {
        text.clear();
        EXPECT_EQ(RunCommand(tool + "'" + line + "' " + wave + " " + out + " 2>&1", &text), 0) << line << text;
        EXPECT_GT(fs::file_size(out), 0u);
        EXPECT_EQ(text.find("Fractional number of slots"), std::string::npos) << text;
    }

    const struct {
        const char* line;
        const char* error;
    } bad[] = {
        {"enc -l 4 -b 64", "enc: -l layer must be 1, 2, or 3, not 4\n"},
        {"enc -x", "enc: unrec option x\n"},
        {"enc -l 2 -s 44.1", "enc: the WAVE file has 48000 Hz, the option line asks for 44100 Hz\n"},
        {"enc -l 2 -m s -b 192 -p 1 -e", "enc: the option line has 10 words, the most the encoder reads; give the rate with -s\n"},
        // Pairs of bit rate and mode the coding rules out.
        {"enc -l 2 -m s -b 48", "enc: Layer II at 48 kbit/s takes single channel mode only (-m m)\n"},
        {"enc -l 2 -m j -b 80", "enc: Layer II at 80 kbit/s takes single channel mode only (-m m)\n"},
        {"enc -l 2 -m m -b 256", "enc: Layer II at 256 kbit/s takes two channels only, not single channel mode\n"},
        {"enc -l 1 -m s -b 32",
         "enc: Layer I at 32 kbit/s and 48000 Hz has 256 bits a frame, fewer than the 288 its header and bit "
         "allocation take in this mode\n"},
    };
    for (const auto& b : bad) {
        const std::string refused = (folder / "refused.mp2").string();
        text.clear();
        EXPECT_EQ(RunCommand(tool + "'" + b.line + "' " + wave + " " + refused + " 2>&1", &text), 1) << b.line;
        EXPECT_EQ(text, b.error) << b.line;
        EXPECT_FALSE(fs::exists(refused)) << b.line;
    }
    EXPECT_EQ(RunCommand(tool + "--help", &text), 0);
    EXPECT_NE(text.find("-s kHz"), std::string::npos) << text;

    // Chunks of any length before the samples: the same frames.
    auto bytes = Contents(wave);
    std::string list = "LIST";
    for (int i = 0; i < 4; ++i) list += char((70000 >> (8 * i)) & 0xFF);
    list.resize(8 + 70000, 'x');
    bytes.insert(36, list);
    const std::string far = (folder / "far.wav").string();
    std::ofstream(far, std::ios::binary) << bytes;
    const std::string farOut = (folder / "far.mp2").string();
    ASSERT_EQ(RunCommand(tool + "'enc -l 2 -b 192' " + wave + " " + out + " 2>&1"), 0);
    ASSERT_EQ(RunCommand(tool + "'enc -l 2 -b 192' " + far + " " + farOut + " 2>&1", &text), 0) << text;
    EXPECT_EQ(Contents(farOut), Contents(out));
}

}  // namespace

namespace {

// The data files (here the decoder's "huffdec") are found in the run directory beside the
// program's bin whatever the current directory: no warning, same output.
TEST(MpaTool, DecodesFromAnyDirectoryWithoutDataFileWarnings) {
    const fs::path folder = velmar_testing::TempDir();
    const std::string wave = (folder / "in.wav").string();
    {
        const auto header = wav::MakeWavHeader(44100, 2, 1152 * 4 * 8);
        std::ofstream out(wave, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header.data()), std::streamsize(header.size()));
        const std::vector<char> samples(1152 * 4 * 8, 9);
        out.write(samples.data(), std::streamsize(samples.size()));
    }
    const std::string tool = BinDir() + "/mpa-tool ";
    const std::string mp3 = (folder / "in.mp3").string();
    ASSERT_EQ(RunCommand(tool + "enc 'enc -l 3 -b 128' " + wave + " " + mp3 + " 2>/dev/null"), 0);
    std::string text;
    EXPECT_EQ(RunCommand("cd / && " + tool + "dec " + mp3 + " " + (folder / "out.wav").string() + " 2>&1", &text), 0);
    EXPECT_EQ(text.find("could not find"), std::string::npos) << text;
    EXPECT_EQ(text.find("huffdec"), std::string::npos) << text;
}

}  // namespace
