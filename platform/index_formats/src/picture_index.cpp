#include "index_formats/picture_index.h"

namespace index_formats {
namespace {

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

std::uint32_t GetLe32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

std::array<std::uint8_t, kPictureIndexRecordSize> PictureIndexRecord::Encode() const {
    std::array<std::uint8_t, kPictureIndexRecordSize> out{};
    const std::uint32_t high = std::uint32_t(groupStartWords >> 32) & 0xFFFF;
    const std::uint32_t word1 = high << 16 | (lastGroup ? 0x8000u : 0u) |
                                std::uint32_t(picturesToGroupEnd & 0x7F) << 8 | pictureInGroup;
    PutLe32(out.data(), std::uint32_t(groupStartWords));
    PutLe32(out.data() + 4, word1);
    return out;
}

PictureIndexRecord PictureIndexRecord::Decode(const std::uint8_t* bytes) {
    const std::uint32_t word0 = GetLe32(bytes);
    const std::uint32_t word1 = GetLe32(bytes + 4);
    PictureIndexRecord r;
    r.groupStartWords = std::uint64_t(word1 >> 16) << 32 | word0;
    r.pictureInGroup = std::uint8_t(word1 & 0xFF);
    r.picturesToGroupEnd = std::uint8_t((word1 >> 8) & 0x7F);
    r.lastGroup = (word1 & 0x8000) != 0;
    return r;
}

std::vector<std::uint8_t> EncodePictureIndex(const std::vector<PictureIndexRecord>& records) {
    std::vector<std::uint8_t> out;
    out.reserve(records.size() * kPictureIndexRecordSize);
    for (const auto& r : records) {
        const auto bytes = r.Encode();
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<PictureIndexRecord> DecodePictureIndex(const std::vector<std::uint8_t>& bytes) {
    std::vector<PictureIndexRecord> out;
    out.reserve(bytes.size() / kPictureIndexRecordSize);
    for (std::size_t i = 0; i + kPictureIndexRecordSize <= bytes.size(); i += kPictureIndexRecordSize)
        out.push_back(PictureIndexRecord::Decode(bytes.data() + i));
    return out;
}

std::optional<PictureStart> StartOfPicture(const std::vector<PictureIndexRecord>& records,
                                           std::uint64_t picture) {
    if (picture >= records.size()) return std::nullopt;
    const auto& r = records[picture];
    return PictureStart{r.GroupByteOffset(), r.pictureInGroup};
}

std::optional<std::uint64_t> EndAfterPicture(const std::vector<PictureIndexRecord>& records,
                                             std::uint64_t picture, std::uint64_t streamBytes) {
    if (records.empty()) return std::nullopt;
    const std::uint64_t n = records.size();
    const std::uint64_t h = picture % n;
    const std::uint64_t repeats = picture / n;
    const auto& r = records[h];
    std::uint64_t end;
    if (r.lastGroup) {
        end = streamBytes;
    } else {
        const std::uint64_t next = h + r.picturesToGroupEnd;
        if (r.picturesToGroupEnd == 0 || next >= n) return std::nullopt;  // damaged index
        end = records[next].GroupByteOffset();
    }
    return repeats * streamBytes + end;
}

}  // namespace index_formats
