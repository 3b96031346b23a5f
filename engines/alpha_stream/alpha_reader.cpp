#include "alpha_reader.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "index_formats/index_files.h"
#include "platform/c_file.h"
#include "platform/regular_file.h"
#include "platform/kernel.h"

namespace alpha_stream {

namespace {

// A frame larger than this is not one: no picture size of the board comes near it.
constexpr std::uint64_t kMaxFrameBytes = 64u << 20;

std::uint32_t Big32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void ReverseWords(std::uint8_t* bytes, std::size_t size) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        std::swap(bytes[i], bytes[i + 3]);
        std::swap(bytes[i + 1], bytes[i + 2]);
    }
}

bool Fail(std::string* problem, std::string text) {
    if (problem) *problem = std::move(text);
    return false;
}

std::nullopt_t Refuse(std::string* problem, std::string text) {
    Fail(problem, std::move(text));
    return std::nullopt;
}

// Walks one band's code from `at` without passing `limit`; true when it covers exactly `units`.
bool CodeCoversUnits(const std::uint8_t* bytes, std::size_t at, std::size_t limit, std::uint64_t units) {
    std::uint64_t covered = 0;
    while (covered < units) {
        if (at >= limit) return false;
        const std::uint8_t code = bytes[at++];
        const unsigned n = code & 0x0F;
        const unsigned family = code >> 4;
        if (family <= 1 || (family >= 4 && family <= 7)) {  // runs of video 0, 1 or a selector
            if (n != 0) {
                covered += n;
            } else {
                if (at >= limit || bytes[at] == 0) return false;
                covered += 16u * bytes[at++];
            }
        } else if (family == 2) {  // explicit selectors, four per byte
            if (n == 0 || limit - at < n) return false;
            at += n;
            covered += 4u * n;
        } else if (family == 3) {
            return false;  // no such code
        } else if (code & 0x10) {  // data block
            if (n == 0 || limit - at < n) return false;
            at += n;
            covered += n;
        } else {  // control unit
            covered += 1;
        }
    }
    return covered == units;
}

bool CheckPlane(const std::uint8_t* bytes, std::size_t table, std::size_t limit, std::uint32_t bands,
                std::uint64_t units, const char* name, std::string* problem) {
    for (std::uint32_t b = 0; b < bands; ++b) {
        const std::uint32_t entry = Big32(bytes + table + 4 * b);
        if (entry < 4 * bands || entry >= limit - table)
            return Fail(problem, std::string(name) + " offset table points outside its code");
        if (!CodeCoversUnits(bytes, table + entry, limit, units))
            return Fail(problem, std::string(name) + " code of band " + std::to_string(b) + " does not cover its band");
    }
    return true;
}

}  // namespace

std::optional<AlphaFrameHeader> CheckAlphaFrame(const std::uint8_t* bytes, std::size_t size, std::string* problem) {
    if (size < kAlphaHeaderBytes) return Refuse(problem, "frame shorter than its header");
    AlphaFrameHeader h;
    std::uint32_t words[17];
    for (int i = 0; i < 17; ++i) words[i] = Big32(bytes + 4 * i);
    h.marker = words[0];
    h.FrameLength = words[1];
    h.LumaTableOffset = words[2];
    h.ChromaTableOffset = words[3];
    h.Width = words[4];
    h.Height = words[5];
    h.flag = words[6];
    h.reserved = words[7];
    for (int k = 0; k < 4; ++k) h.mix[static_cast<std::size_t>(k)] = {words[8 + 2 * k], words[9 + 2 * k]};
    h.trailer = words[16];

    if (h.marker != kAlphaMarker) return Refuse(problem, "no frame marker");
    if (h.Width == 0 || h.Height == 0 || h.Height % kLinesPerBand != 0 || h.flag == 0 ||
        h.LumaTableOffset != kAlphaHeaderBytes || h.trailer != kAlphaTrailer)
        return Refuse(problem, "invalid frame header");
    const std::uint32_t bands = BandsOf(h.Height);
    const std::uint64_t lumaEnd = std::uint64_t{h.ChromaTableOffset};
    if (std::uint64_t{h.FrameLength} > size || PaddedLength(h.FrameLength) != size)
        return Refuse(problem, "frame length does not match the frame");
    if (lumaEnd < kAlphaHeaderBytes + 4ull * bands || lumaEnd + 4ull * bands > h.FrameLength)
        return Refuse(problem, "offset tables do not fit the frame");
    if (!CheckPlane(bytes, kAlphaHeaderBytes, h.ChromaTableOffset, bands,
                    std::uint64_t{h.Width} * kLumaUnitsPerPixelColumn, "luma", problem) ||
        !CheckPlane(bytes, h.ChromaTableOffset, h.FrameLength, bands,
                    std::uint64_t{h.Width} * kChromaUnitsPerPixelColumn, "chroma", problem))
        return std::nullopt;
    return h;
}

std::optional<AlphaStreamInfo> ReadAlphaStreamInfo(const std::string& path, std::string* problem) {
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    if (!file) return Refuse(problem, "cannot open " + path);
    std::error_code error;
    const std::uint64_t size = std::filesystem::file_size(path, error);
    if (error) return Refuse(problem, "cannot read " + path);

    AlphaStreamInfo info;
    info.size = size;
    std::vector<std::uint8_t> frame;
    std::uint64_t at = 0;
    while (at < size) {
        const std::string where = "frame " + std::to_string(info.frameOffsets.size()) + ": ";
        frame.resize(kAlphaHeaderBytes);
        if (size - at < kAlphaHeaderBytes || std::fread(frame.data(), 1, kAlphaHeaderBytes, file.get()) != kAlphaHeaderBytes)
            return Refuse(problem, where + "truncated");
        const std::uint32_t first = Big32(frame.data());
        const bool reversed = first == 0x41424343;
        if (first != kAlphaMarker && !reversed) return Refuse(problem, where + "no frame marker");
        if (at == 0) info.reversed = reversed;
        if (reversed != info.reversed) return Refuse(problem, where + "word order changes");
        if (reversed) ReverseWords(frame.data(), frame.size());
        const std::uint64_t padded = PaddedLength(Big32(frame.data() + 4));
        if (padded < kAlphaHeaderBytes || padded > kMaxFrameBytes)
            return Refuse(problem, where + "invalid frame length");
        if (padded > size - at) return Refuse(problem, where + "truncated");
        frame.resize(padded);
        const std::size_t rest = padded - kAlphaHeaderBytes;
        if (std::fread(frame.data() + kAlphaHeaderBytes, 1, rest, file.get()) != rest)
            return Refuse(problem, where + "truncated");
        if (reversed) ReverseWords(frame.data() + kAlphaHeaderBytes, rest);
        std::string why;
        const auto header = CheckAlphaFrame(frame.data(), frame.size(), &why);
        if (!header) return Refuse(problem, where + why);
        if (info.frameOffsets.empty()) {
            info.width = header->Width;
            info.height = header->Height;
        } else if (header->Width != info.width || header->Height != info.height) {
            return Refuse(problem, where + "picture size changes");
        }
        info.frameOffsets.push_back(at);
        at += padded;
    }
    if (info.frameOffsets.empty()) return Refuse(problem, "empty alpha stream");
    return info;
}

bool BuildAlphaIndexFile(const std::string& alpPath, std::string* problem) {
    const auto info = ReadAlphaStreamInfo(alpPath, problem);
    if (!info) return false;
    std::vector<index_formats::AlphaIndexEntry> entries;
    entries.reserve(info->frameOffsets.size());
    for (std::uint64_t offset : info->frameOffsets) {
        if (offset / 4 > UINT32_MAX)
            return Fail(problem, "frame at byte " + std::to_string(offset) + " lies past 16 GiB, beyond what the .adb can hold");
        entries.push_back({static_cast<std::uint32_t>(offset / 4)});
    }
    const std::string adb = index_formats::IndexPathBeside(alpPath, ".adb");
    if (platform::IsSameFile(adb, alpPath))
        return Fail(problem, "the index " + adb + " would replace the stream itself");
    if (!index_formats::WriteAlphaIndexFile(adb, entries, alpPath)) return Fail(problem, "cannot write " + adb);
    return true;
}

}  // namespace alpha_stream
