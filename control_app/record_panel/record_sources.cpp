#include "record_sources.h"

#include <cstdio>
#include <filesystem>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "platform/kernel.h"
#include "platform/regular_file.h"

namespace velmar {

SourceType SourceTypeOf(const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension == ".flm") return SourceType::FilmStrip;
    if (extension == ".tga") return SourceType::Targa;
    if (extension == ".mov") return SourceType::QuickTime;
    return SourceType::None;
}

namespace {

std::uint32_t BigEndian(const unsigned char* p, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
    return value;
}

}  // namespace

std::optional<FilmStripTrailer> ReadFilmStripTrailer(const std::string& path) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    if (!file || ::fseeko(file.get(), 0, SEEK_END) != 0) return std::nullopt;
    const off_t size = ::ftello(file.get());
    if (size < static_cast<off_t>(kFilmStripTrailerBytes)) return std::nullopt;
    unsigned char t[kFilmStripTrailerBytes];
    if (::fseeko(file.get(), size - static_cast<off_t>(kFilmStripTrailerBytes), SEEK_SET) != 0 ||
        std::fread(t, 1, sizeof t, file.get()) != sizeof t)
        return std::nullopt;
    if (t[0] != 'R' || t[1] != 'a' || t[2] != 'n' || t[3] != 'd') return std::nullopt;
    return FilmStripTrailer{BigEndian(t + 4, 4), BigEndian(t + 12, 2), BigEndian(t + 14, 2), BigEndian(t + 16, 2)};
}

std::optional<TargaHeader> ReadTargaHeader(const std::string& path) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    unsigned char h[kTargaHeaderBytes];
    if (!file || std::fread(h, 1, sizeof h, file.get()) != sizeof h) return std::nullopt;
    return TargaHeader{h[2], h[16], h[12] | h[13] << 8, h[14] | h[15] << 8};
}

bool BaseNameEndsInDigit(const std::string& path) {
    const std::string stem = std::filesystem::path(path).stem().string();
    return !stem.empty() && stem.back() >= '0' && stem.back() <= '9';
}

std::string SourceFormatLine(const FrameSourceDescriptor& d, int targaDepth, int fieldCount) {
    const char* format = board_commands::kSourceFormatFilmStrip;
    std::uint32_t bytesPerPixel = 4;
    if (d.type == static_cast<std::uint32_t>(SourceType::Targa)) {
        format = targaDepth == 32 ? board_commands::kSourceFormatTarga32 : board_commands::kSourceFormatTarga24;
        bytesPerPixel = targaDepth == 32 ? 4 : 3;
    } else if (d.type == static_cast<std::uint32_t>(SourceType::QuickTime)) {
        format = board_commands::kSourceFormatQuickTime;
        bytesPerPixel = 2;
    }
    return board_commands::CompressSource(d.bytesPerLine / bytesPerPixel, format,
                                          static_cast<std::uint32_t>(fieldCount / 2));
}

}  // namespace velmar
