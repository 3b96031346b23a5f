// The WAVE header of a recording and the compress-from-file sources.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "record_panel/record_sources.h"

namespace velmar {
namespace {

std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24; }

struct TempDir {
    TempDir() : path(std::filesystem::temp_directory_path() / ("vrec-src-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string File(const std::string& name, const std::string& bytes) const {
        const std::string full = (path / name).string();
        std::ofstream(full, std::ios::binary) << bytes;
        return full;
    }
    std::filesystem::path path;
};

TEST(WavHeader, SizesRatesAndOddFiles) {
    auto h = WavHeader(1'000'044, 48000);
    EXPECT_EQ(std::memcmp(h.data(), "RIFF", 4), 0);
    EXPECT_EQ(Le32(h.data() + 4), 1'000'036u);
    EXPECT_EQ(Le32(h.data() + 24), 48000u);
    EXPECT_EQ(Le32(h.data() + 28), 192000u);
    EXPECT_EQ(Le32(h.data() + 40), 1'000'000u);
    EXPECT_EQ(h[22], 2);
    EXPECT_EQ(h[32], 4);
    EXPECT_EQ(h[34], 16);
    // Shorter than its header: no samples, still a well-formed header.
    h = WavHeader(10, 32000);
    EXPECT_EQ(Le32(h.data() + 40), 0u);
    EXPECT_EQ(Le32(h.data() + 4), 36u);
    // Beyond 4 GiB the sizes are clamped, never wrapped to a small number.
    h = WavHeader(5ull << 30, 44100);
    EXPECT_GT(Le32(h.data() + 40), 0xF0000000u);
    EXPECT_GE(Le32(h.data() + 4), Le32(h.data() + 40));
    EXPECT_EQ(RecordSampleRate(0), 32000u);
    EXPECT_EQ(RecordSampleRate(1), 44100u);
    EXPECT_EQ(RecordSampleRate(2), 48000u);
}

TEST(WavHeader, WrittenOverAFinishedFileKeepsItsLength) {
    TempDir dir;
    const std::string path = dir.File("take.wav", std::string(44 + 4000, '\x7f'));
    ASSERT_TRUE(WriteWavHeaderOver(path, 44100));
    EXPECT_EQ(std::filesystem::file_size(path), 4044u);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes(4044);
    in.read(bytes.data(), 4044);
    const auto layout = wav::ParseWaveLayout(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), 4044);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->sampleRate, 44100u);
    EXPECT_EQ(layout->dataBytes, 4000u);
    EXPECT_EQ(bytes[44], '\x7f');
    // A file of a few bytes becomes a valid empty WAVE file.
    const std::string tiny = dir.File("tiny.wav", "abc");
    ASSERT_TRUE(WriteWavHeaderOver(tiny, 48000));
    EXPECT_EQ(std::filesystem::file_size(tiny), 44u);
    EXPECT_FALSE(WriteWavHeaderOver((dir.path / "missing.wav").string(), 48000));
}

std::string FilmStrip(std::uint32_t frames, std::uint16_t width, std::uint16_t height, const char* magic = "Rand") {
    std::string trailer(36, '\0');
    std::memcpy(trailer.data(), magic, 4);
    for (int i = 0; i < 4; ++i) trailer[4 + i] = static_cast<char>(frames >> (24 - 8 * i));
    trailer[12] = static_cast<char>(width >> 8), trailer[13] = static_cast<char>(width);
    trailer[14] = static_cast<char>(height >> 8), trailer[15] = static_cast<char>(height);
    trailer[17] = 30;
    return std::string(100, 'p') + trailer;
}

TEST(CompressSources, TypesTrailersAndHeaders) {
    EXPECT_EQ(SourceTypeOf("a/b.flm"), SourceType::FilmStrip);
    EXPECT_EQ(SourceTypeOf("clip0001.tga"), SourceType::Targa);
    EXPECT_EQ(SourceTypeOf("x.mov"), SourceType::QuickTime);
    EXPECT_EQ(SourceTypeOf("CAPS.FLM"), SourceType::None);
    EXPECT_EQ(SourceTypeOf("noext"), SourceType::None);

    TempDir dir;
    const auto trailer = ReadFilmStripTrailer(dir.File("ok.flm", FilmStrip(100, 720, 480)));
    ASSERT_TRUE(trailer);
    EXPECT_EQ(trailer->frames, 100u);
    EXPECT_EQ(trailer->width, 720u);
    EXPECT_EQ(trailer->height, 480u);
    EXPECT_EQ(trailer->skip, 30u);
    EXPECT_FALSE(ReadFilmStripTrailer(dir.File("bad.flm", FilmStrip(1, 720, 480, "Rant"))));
    EXPECT_FALSE(ReadFilmStripTrailer(dir.File("short.flm", "Rand")));

    std::string tga(18, '\0');
    tga[2] = 2, tga[12] = static_cast<char>(0xD0), tga[13] = 2, tga[14] = static_cast<char>(0xE0), tga[16] = 32;
    tga[15] = 1;
    const auto header = ReadTargaHeader(dir.File("f0001.tga", tga));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->width, 720);
    EXPECT_EQ(header->height, 480);
    EXPECT_TRUE(header->Supported());
    tga[2] = 10;  // run-length coded
    EXPECT_FALSE(ReadTargaHeader(dir.File("rle1.tga", tga))->Supported());
    EXPECT_TRUE(BaseNameEndsInDigit("dir9/take0010.tga"));
    EXPECT_FALSE(BaseNameEndsInDigit("dir9/take.tga"));
}

TEST(CompressSources, FormatLinePerType) {
    EXPECT_EQ(SourceFormatLine({2880, 480, 30, 1}, 24, 200),
              "mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 0x00120000 -s 0xFFFFFFFF 0x00100001 0x64");
    EXPECT_EQ(SourceFormatLine({2160, 480, 18, 2}, 24, 10),
              "mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 0x00720000 -s 0xFFFFFFFF 0x00100001 0x5");
    EXPECT_EQ(SourceFormatLine({2880, 480, 18, 2}, 32, 10),
              "mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 0x00820200 -s 0xFFFFFFFF 0x00100001 0x5");
    EXPECT_EQ(SourceFormatLine({1440, 480, 8, 3}, 24, 4),
              "mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 0x00410200 -s 0xFFFFFFFF 0x00100001 0x2");
}

}  // namespace
}  // namespace velmar
