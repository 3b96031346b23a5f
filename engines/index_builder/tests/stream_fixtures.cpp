#include "stream_fixtures.h"

#include <fstream>
#include <iterator>

namespace index_builder_testing {

void SyntheticStream::Word(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    bytes_.insert(bytes_.end(), {a, b, c, d});
}

SyntheticStream& SyntheticStream::SequenceHeader() {
    Word(0, 0, 1, 0xB3);
    Word(0x2D, 0x01, 0xE0, 0x24);  // 720 x 480, as a real header starts
    return *this;
}

SyntheticStream& SyntheticStream::Picture(unsigned tr) {
    Word(0, 0, 1, 0);
    Word(std::uint8_t(tr >> 2), std::uint8_t((tr & 3) << 6 | 1 << 3), 0xFF, 0xF8);
    return *this;
}

SyntheticStream& SyntheticStream::Filler(std::size_t words) {
    for (std::size_t i = 0; i < words; ++i) Word(0x12, 0x34, 0x56, 0x78);
    return *this;
}

Bytes ReverseWords(Bytes data) {
    for (std::size_t i = 0; i + 4 <= data.size(); i += 4) {
        std::swap(data[i], data[i + 3]);
        std::swap(data[i + 1], data[i + 2]);
    }
    return data;
}

Bytes AlignStartCodes(const Bytes& data) {
    Bytes out;
    out.reserve(data.size() + data.size() / 64);
    for (std::size_t i = 0; i < data.size();) {
        if (i + 3 < data.size() && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            while (out.size() % 4) out.push_back(0);
            out.insert(out.end(), {0, 0, 1, data[i + 3]});
            i += 4;
        } else {
            out.push_back(data[i++]);
        }
    }
    return out;
}

void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace index_builder_testing
