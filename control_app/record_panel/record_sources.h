// The files the record flow reads itself: the compress-from-file sources (.flm film strips,
// numbered .tga sequences, .mov frames) with the descriptor the service loop reads them by. The
// WAVE header it writes is the panels' shared one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "record_output/record_output.h"  // WavHeader, WriteWavHeaderOver, RecordSampleRate

namespace velmar {

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
