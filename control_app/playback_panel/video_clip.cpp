#include "video_clip.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <limits>

#include "index_formats/index_files.h"
#include "platform/kernel.h"
#include "platform/regular_file.h"
#include "start_codes/start_codes.h"


namespace velmar {

namespace {

// A sequence header's first word read little-endian: as stored, and with its bytes reversed.
constexpr std::uint32_t kSequenceHeader = start_codes::LittleEndianWord(start_codes::kSequenceHeader);
constexpr std::uint32_t kSequenceHeaderReversed = start_codes::BigEndianWord(start_codes::kSequenceHeader);
constexpr std::uint32_t kDv525 = 0x3F00071F;                   // 1F 07 00 3F
constexpr std::uint32_t kDv625 = 0xBF00071F;                   // 1F 07 00 BF
constexpr std::uint32_t kDv525Reversed = 0x1F07003F;
constexpr std::uint32_t kDv625Reversed = 0x1F0700BF;
// The header of a DV frame's second DIF channel (DV50), in file order and word-reversed.
constexpr std::uint32_t kDvSecond525 = 0x3F000F1F, kDvSecond625 = 0xBF000F1F;
constexpr std::uint32_t kDvSecond525Reversed = 0x1F0F003F, kDvSecond625Reversed = 0x1F0F00BF;

std::uint32_t Le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// Reads `count` bytes at `offset`; false when the file is shorter, cannot be read or is no
// regular file (a FIFO's open would wait for good).
bool ReadAt(const std::string& path, std::uint64_t offset, unsigned char* bytes, std::size_t count) {
    const platform::CFile file = platform::OpenRegularFile(platform::NormalizePath(path), "rb");
    if (!file || offset > std::uint64_t(std::numeric_limits<off_t>::max()) ||
        ::fseeko(file.get(), static_cast<off_t>(offset), SEEK_SET) != 0)
        return false;
    return std::fread(bytes, 1, count, file.get()) == count;
}

}  // namespace

std::optional<VideoKind> ClassifyClip(std::uint32_t firstWord, bool is2000Board) {
    // The 2000-type board takes files as stored; the other board takes every word byte-reversed,
    // so what is "reversed" swaps with the board type.
    switch (firstWord) {
    case kSequenceHeader: return is2000Board ? VideoKind::Mpeg : VideoKind::MpegReversed;
    case kSequenceHeaderReversed: return is2000Board ? VideoKind::MpegReversed : VideoKind::Mpeg;
    case kDv525: return is2000Board ? VideoKind::Dv : VideoKind::DvReversed;
    case kDv525Reversed: return is2000Board ? VideoKind::DvReversed : VideoKind::Dv;
    case kDv625: return is2000Board ? std::optional(VideoKind::Dv) : std::nullopt;
    case kDv625Reversed: return is2000Board ? std::optional(VideoKind::DvReversed) : std::nullopt;
    default: return std::nullopt;
    }
}

int DvFrameSize(std::uint32_t firstWord, VideoKind kind, std::optional<std::uint32_t> wordAtFrame) {
    const int frame = static_cast<int>(DvSecondHeaderOffset(firstWord, kind));
    if (!wordAtFrame) return frame;
    const std::uint32_t w = *wordAtFrame;
    const bool second = kind == VideoKind::Dv ? (w == kDvSecond525 || w == kDvSecond625)
                                              : (w == kDvSecond525Reversed || w == kDvSecond625Reversed);
    return second ? 2 * frame : frame;
}

bool StartWordMatches(std::uint32_t word, VideoKind kind, bool is2000Board) {
    switch (kind) {
    case VideoKind::Mpeg:
        return word == (is2000Board ? kSequenceHeader : kSequenceHeaderReversed);
    case VideoKind::MpegReversed:
        return word == (is2000Board ? kSequenceHeaderReversed : kSequenceHeader);
    case VideoKind::Dv:
    case VideoKind::DvReversed: {
        // A DV header as stored in the file or word-reversed, whichever this kind is on the board in
        // use; the masked bit tells 625 from 525 lines.
        const bool asStored = (kind == VideoKind::Dv) == is2000Board;
        return asStored ? (word & 0x7FFFFFFFu) == kDv525 : (word & ~0x80u) == kDv525Reversed;
    }
    }
    return false;
}

std::optional<ClipHead> ReadClipHead(const std::string& clip) {
    const platform::CFile file = platform::OpenRegularFile(platform::NormalizePath(clip), "rb");
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0) return std::nullopt;
    ClipHead head;
    head.bytes = static_cast<std::uint64_t>(info.st_size);
    unsigned char bytes[4];
    if (std::fread(bytes, 1, 4, file.get()) == 4) head.firstWord = Le32(bytes);
    return head;
}

std::optional<std::uint32_t> ReadWordAt(const std::string& path, std::uint64_t offset) {
    unsigned char bytes[4];
    if (!ReadAt(path, offset, bytes, 4)) return std::nullopt;
    return Le32(bytes);
}

std::array<std::uint8_t, kUncompressTrailerBytes> UncompressTrailer(std::uint32_t pictures, int width, int height,
                                                                    int rate) {
    std::array<std::uint8_t, kUncompressTrailerBytes> t{};
    auto be32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) t[at + i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    };
    t[0] = 'R', t[1] = 'a', t[2] = 'n', t[3] = 'd';
    be32(4, pictures);
    t[12] = static_cast<std::uint8_t>(width >> 8), t[13] = static_cast<std::uint8_t>(width);
    t[14] = static_cast<std::uint8_t>(height >> 8), t[15] = static_cast<std::uint8_t>(height);
    be32(16, static_cast<std::uint32_t>(rate));
    return t;
}

std::string DecodeOutputFilter(const std::string& extension) {
    static const char* kData = "Data Files (*.flm;*.tga;*.mov)|*.flm; *.tga; *.mov|All Files (*.*)|*.*||";
    static const char* kFlm = "FilmStrip Files (*.flm)|*.flm|";
    static const char* kTga = "Targa Files (*.tga)|*.tga|";
    static const char* kMov = "QuickTime Files (*.mov)|*.mov|";
    if (extension == ".flm") return std::string(kFlm) + kTga + kMov + kData;
    if (extension == ".tga") return std::string(kTga) + kFlm + kMov + kData;
    if (extension == ".mov") return std::string(kMov) + kTga + kFlm + kData;
    return std::string("All Files (*.*)|*.*|") + kFlm + kTga + kMov + kData;
}

std::string ExtensionOf(const std::string& path) { return std::filesystem::path(path).extension().string(); }

std::string MdbPath(const std::string& clip) {
    return index_formats::IndexPathBeside(platform::NormalizePath(clip), ".mdb");
}

std::string AdbPath(const std::string& alpha) {
    return index_formats::IndexPathBeside(platform::NormalizePath(alpha), ".adb");
}

}  // namespace velmar
