// The files the record flow reads and writes itself: the WAVE header written over a finished
// PCM recording, and the compress-from-file sources (.flm film strips, numbered .tga sequences,
// .mov frames) with the descriptor the service loop reads them by.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "wave_format/wave_header.h"

namespace velmar {

// ---- WAVE header

// The sample rate of a record audio rate code (bits 0-1 of the port 0x40 byte).
std::uint32_t RecordSampleRate(int rateCode);

// The 44-byte header of a 16-bit stereo PCM file of `fileSize` bytes whose samples start at
// byte 44. A file shorter than its header holds no samples; sizes beyond 32 bits are clamped.
std::array<std::uint8_t, wav::kWavHeaderSize> WavHeader(std::uint64_t fileSize, std::uint32_t sampleRate);

// Writes that header over the first 44 bytes of an existing file, keeping its length. False
// when the file cannot be opened or written.
bool WriteWavHeaderOver(const std::string& path, std::uint32_t sampleRate);

// ---- compress-from-file sources

enum class SourceType : std::uint32_t { None = 0, FilmStrip = 1, Targa = 2, QuickTime = 3 };

// By the extension, compared exactly in lower case.
SourceType SourceTypeOf(const std::string& path);

// Four words at the board window's frame source descriptor.
struct FrameSourceDescriptor {
    std::uint32_t bytesPerLine = 0;
    std::uint32_t lines = 0;
    std::uint32_t skip = 0;  // header or trailer bytes
    std::uint32_t type = 0;
};

inline constexpr std::size_t kFilmStripTrailerBytes = 36;

// The big-endian trailer at the end of a film strip.
struct FilmStripTrailer {
    std::uint32_t frames = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t skip = 0;
};

// Nothing when the file is shorter than the trailer or the trailer does not begin with "Rand".
std::optional<FilmStripTrailer> ReadFilmStripTrailer(const std::string& path);

inline constexpr std::size_t kTargaHeaderBytes = 18;

struct TargaHeader {
    int imageType = 0;
    int depth = 0;
    int width = 0;
    int height = 0;
    // Uncompressed true colour of 24 or 32 bits, the only kinds the board takes.
    bool Supported() const { return imageType == 2 && (depth == 24 || depth == 32); }
};

std::optional<TargaHeader> ReadTargaHeader(const std::string& path);

// Whether the base name (without folder and extension) ends in a decimal digit, so the board
// can step through the numbered sequence.
bool BaseNameEndsInDigit(const std::string& path);

// The source-format and frame-count line of a compress run.
std::string SourceFormatLine(const FrameSourceDescriptor& descriptor, int targaDepth, int fieldCount);

}  // namespace velmar
