#include "index_formats/alpha_index.h"

namespace index_formats {

std::vector<std::uint8_t> EncodeAlphaIndex(const std::vector<AlphaIndexEntry>& entries) {
    std::vector<std::uint8_t> out;
    out.reserve(entries.size() * 4);
    for (const auto& e : entries)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(std::uint8_t(e.markerWords >> shift));
    return out;
}

std::vector<AlphaIndexEntry> DecodeAlphaIndex(const std::vector<std::uint8_t>& bytes) {
    std::vector<AlphaIndexEntry> out;
    out.reserve(bytes.size() / 4);
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        out.push_back({std::uint32_t(bytes[i]) | std::uint32_t(bytes[i + 1]) << 8 |
                       std::uint32_t(bytes[i + 2]) << 16 | std::uint32_t(bytes[i + 3]) << 24});
    }
    return out;
}

}  // namespace index_formats
