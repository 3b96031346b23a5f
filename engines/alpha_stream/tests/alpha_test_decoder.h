// An alpha stream decoder for the tests, written from the format alone and sharing nothing with
// the encoder or the library's reader: it turns a stream into frames of per-unit values, failing
// the test on anything it cannot follow.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace alpha_test {

// What one unit shows.
enum Unit : int { kVideo0 = 0, kVideo1 = 1, kSelector = 0x10 /* + v */, kData = 0x20, kControl = 0x30 };

struct DecodedFrame {
    std::size_t offset = 0;
    std::uint32_t words[17] = {};
    std::uint32_t width = 0, height = 0, frameLength = 0;
    std::vector<int> luma;    // width x height / 2, field line by line
    std::vector<int> chroma;  // width / 2 x height / 2
    std::vector<std::uint32_t> lumaTable, chromaTable;
    std::size_t lumaCodeBytes = 0, chromaCodeBytes = 0;  // distinct code bytes (shared codes once)

    std::uint32_t Mix2(int k) const { return words[9 + 2 * k]; }
};

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::uint32_t Be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t(b.at(at)) << 24 | std::uint32_t(b.at(at + 1)) << 16 | std::uint32_t(b.at(at + 2)) << 8 |
           b.at(at + 3);
}

// Decodes `units` units of a band's code starting at `at` into out[first ...]; returns the byte
// after the code.
inline std::size_t DecodeBand(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t units,
                              std::vector<int>& out, std::size_t first) {
    std::size_t u = 0;
    auto put = [&](int value, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            if (u >= units) throw std::runtime_error("code covers more than its band");
            out.at(first + u++) = value;
        }
    };
    while (u < units) {
        const int code = b.at(at++);
        const int n = code & 15;
        if (code < 0x20 || (code >= 0x40 && code < 0x80)) {
            const int value = code < 0x10 ? kVideo0 : code < 0x20 ? kVideo1 : kSelector + ((code >> 4) & 3);
            put(value, n != 0 ? std::size_t(n) : 16u * b.at(at++));
        } else if (code < 0x30) {
            for (int i = 0; i < n; ++i) {
                const int packed = b.at(at++);
                for (int shift = 6; shift >= 0; shift -= 2) put(kSelector + ((packed >> shift) & 3), 1);
            }
        } else if (code < 0x40) {
            throw std::runtime_error("undefined code");
        } else if (code & 0x10) {
            at += std::size_t(n);
            put(kData, std::size_t(n));
        } else {
            put(kControl, 1);
        }
    }
    return at;
}

inline std::vector<DecodedFrame> DecodeStream(const std::vector<std::uint8_t>& b) {
    std::vector<DecodedFrame> frames;
    std::size_t at = 0;
    while (at < b.size()) {
        DecodedFrame f;
        f.offset = at;
        for (int i = 0; i < 17; ++i) f.words[i] = Be32(b, at + 4 * std::size_t(i));
        if (f.words[0] != 0x43434241) throw std::runtime_error("no marker at " + std::to_string(at));
        f.frameLength = f.words[1];
        f.width = f.words[4];
        f.height = f.words[5];
        const std::size_t bands = f.height / 16;
        f.luma.assign(f.width * f.height / 2, -1);
        f.chroma.assign(f.width / 2 * f.height / 2, -1);
        auto plane = [&](std::size_t table, std::size_t unitsPerBand, std::vector<int>& out,
                         std::vector<std::uint32_t>& entries, std::size_t& codeBytes) {
            std::vector<std::uint32_t> seen;
            for (std::size_t band = 0; band < bands; ++band) {
                const std::uint32_t entry = Be32(b, table + 4 * band);
                entries.push_back(entry);
                const std::size_t end = DecodeBand(b, table + entry, unitsPerBand, out, band * unitsPerBand);
                if (std::find(seen.begin(), seen.end(), entry) == seen.end()) {
                    seen.push_back(entry);
                    codeBytes += end - (table + entry);
                }
            }
        };
        plane(at + f.words[2], f.width * 8, f.luma, f.lumaTable, f.lumaCodeBytes);
        plane(at + f.words[3], f.width * 4, f.chroma, f.chromaTable, f.chromaCodeBytes);
        frames.push_back(std::move(f));
        at += (frames.back().frameLength + 7) / 8 * 8;
        if (at > b.size()) throw std::runtime_error("last frame truncated");
    }
    return frames;
}

}  // namespace alpha_test
