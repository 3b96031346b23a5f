// What a video channel learns from a clip file before it opens the clip on the board: the clip's
// kind from its first word, the DV frame size, and the check that a start offset lies on a
// sequence header or a DV frame. Also the trailer of a decode-to-file output. No UI here. (The
// picture index beside the clip is read through index_formats.)
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace velmar {

// How a clip is stored, as the board is told: MPEG-2 or DV, in the board's word order or with
// every 32-bit word byte-reversed (sent with "-R").
enum class VideoKind : int { Mpeg = 0, MpegReversed = 1, Dv = 2, DvReversed = 3 };

inline bool IsDv(VideoKind kind) { return kind == VideoKind::Dv || kind == VideoKind::DvReversed; }
inline bool IsReversed(VideoKind kind) { return kind == VideoKind::MpegReversed || kind == VideoKind::DvReversed; }

// The kind of a clip whose first 32-bit word (read little-endian) is `firstWord`; nothing for a
// word of no known kind. The older board type takes no 625-line DV in file order.
std::optional<VideoKind> ClassifyClip(std::uint32_t firstWord, bool is2000Board);

// The DV frame size of a clip: 120000 (525-line) or 144000 (625-line) bytes from the first DIF
// header, doubled when the word one frame further is the second DIF channel's header (DV50).
// `wordAtFrame` is the 32-bit word at byte offset 120000 or 144000, whichever the first header
// gives (nothing when the clip is shorter).
int DvFrameSize(std::uint32_t firstWord, VideoKind kind, std::optional<std::uint32_t> wordAtFrame);
// The byte offset at which DvFrameSize wants its second word.
inline std::uint64_t DvSecondHeaderOffset(std::uint32_t firstWord, VideoKind kind) {
    const std::uint32_t lastByte = kind == VideoKind::Dv ? firstWord >> 24 : firstWord & 0xFF;
    return lastByte == 0xBF ? 144000 : 120000;
}

// Whether the word at a start offset opens a group or a DV frame of a clip of this kind.
bool StartWordMatches(std::uint32_t word, VideoKind kind, bool is2000Board);

// The first 32-bit word of a file and its size; nothing when it cannot be opened or is no regular
// file. A file shorter than 4 bytes has no first word.
struct ClipHead {
    std::optional<std::uint32_t> firstWord;
    std::uint64_t bytes = 0;
};
std::optional<ClipHead> ReadClipHead(const std::string& path);
// The little-endian word at `offset`; nothing past the end or for anything but a regular file.
std::optional<std::uint32_t> ReadWordAt(const std::string& path, std::uint64_t offset);

// The 36 bytes appended to a decode-to-file output: "Rand", picture count, width, height and
// picture rate, big-endian.
inline constexpr std::size_t kUncompressTrailerBytes = 36;
std::array<std::uint8_t, kUncompressTrailerBytes> UncompressTrailer(std::uint32_t pictures, int width, int height,
                                                                    int rate);

// The chooser filter of the decode output by the current file's extension (".flm", ".tga",
// ".mov" or any other).
std::string DecodeOutputFilter(const std::string& extension);

// The extension of a path including its dot ("" when it has none).
std::string ExtensionOf(const std::string& path);

// The picture index beside a clip, and the frame index beside an alpha stream.
std::string MdbPath(const std::string& clip);
std::string AdbPath(const std::string& alpha);

}  // namespace velmar
