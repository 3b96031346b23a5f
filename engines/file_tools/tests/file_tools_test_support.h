// Small file helpers of the file tools' tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "index_formats/picture_index.h"

namespace file_tools_testing {

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed = 1) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return bytes;
}

// An index of groups of the given sizes, each group `groupBytes` long, display order = file order.
inline std::vector<index_formats::PictureIndexRecord> GroupsIndex(const std::vector<int>& sizes,
                                                                  std::uint64_t groupBytes,
                                                                  std::uint64_t baseWords = 0) {
    std::vector<index_formats::PictureIndexRecord> records;
    for (std::size_t g = 0; g < sizes.size(); ++g)
        for (int k = 0; k < sizes[g]; ++k)
            records.push_back({baseWords + g * groupBytes / 4, std::uint8_t(k), std::uint8_t(sizes[g] - k),
                               g + 1 == sizes.size()});
    return records;
}

}  // namespace file_tools_testing
