#include "index_builder/picture_scan.h"

#include <cstdio>

#include "start_codes/start_codes.h"

namespace index_builder {
namespace {

// The words read little-endian: in file order, and with their bytes reversed.
constexpr std::uint32_t kSequenceHeader = start_codes::LittleEndianWord(start_codes::kSequenceHeader);
constexpr std::uint32_t kSequenceHeaderReversed = start_codes::BigEndianWord(start_codes::kSequenceHeader);
constexpr std::uint32_t kPictureStart = start_codes::LittleEndianWord(start_codes::kPicture);
constexpr std::uint32_t kPictureStartReversed = start_codes::BigEndianWord(start_codes::kPicture);

// Whether a sequence header, group or picture start code begins at byte 1, 2 or 3 of `first`,
// both words in file order read little-endian. The scan sees aligned words only, so such a code
// would be missed: its groups and pictures would silently be left out of the index.
bool UnalignedStartCode(std::uint32_t first, std::uint32_t second) {
    const std::uint64_t bytes = std::uint64_t(second) << 32 | first;
    for (int offset = 1; offset < 4; ++offset) {
        const std::uint32_t word = std::uint32_t(bytes >> (8 * offset));
        if ((word & 0x00FFFFFF) != start_codes::LittleEndianWord(0)) continue;
        if (index_formats::IsIndexedStartCode(std::uint8_t(word >> 24))) return true;
    }
    return false;
}

std::uint32_t ByteReversed(std::uint32_t word) {
    return word >> 24 | (word >> 8 & 0xFF00) | (word << 8 & 0xFF0000) | word << 24;
}

std::string Format(const char* format, unsigned a, unsigned long long b) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

PictureIndexScan::PictureIndexScan(bool reversedWords, GroupWriter writer)
    : reversed_(reversedWords), writer_(std::move(writer)) {}

bool PictureIndexScan::Fail(std::string message) {
    error_ = std::move(message);
    return false;
}

bool PictureIndexScan::Feed(const std::uint32_t* words, std::size_t count) {
    const std::uint32_t sequenceHeader = reversed_ ? kSequenceHeaderReversed : kSequenceHeader;
    const std::uint32_t pictureStart = reversed_ ? kPictureStartReversed : kPictureStart;
    for (std::size_t i = 0; i < count; ++i, ++position_) {
        const std::uint32_t word = words[i];
        const std::uint32_t inFileOrder = reversed_ ? ByteReversed(word) : word;
        if (position_ > 0 && UnalignedStartCode(previous_, inFileOrder))
            return Fail(std::string(index_formats::kUnalignedStartCodesMessage) + "\n");
        previous_ = inFileOrder;
        if (pictureStart_) {
            pictureStart_ = false;
            // The first 10 bits after the start code, from the bytes in file order.
            const std::uint32_t b0 = reversed_ ? word >> 24 : word & 0xFF;
            const std::uint32_t b1 = reversed_ ? (word >> 16) & 0xFF : (word >> 8) & 0xFF;
            const unsigned tr = b0 << 2 | b1 >> 6;
            const unsigned long long groupByte = groupStart_ * 4;
            // The record has 8 bits for the reference and 7 for the count to the group's end;
            // beyond them the fields would spill into the last-group bit and the high position.
            if (tr > index_formats::kMaxTemporalReference)
                return Fail(Format("temporal reference %u in the group at byte %llu is 256 or more\n", tr, groupByte));
            if (seen_[tr])
                return Fail(Format("temporal reference %u repeats in the group at byte %llu\n", tr, groupByte));
            seen_[tr] = true;
            pictures_ = std::max(pictures_, int(tr) + 1);
            if (pictures_ > index_formats::kMaxPicturesPerGroup)
                return Fail(Format("more than %u pictures in the group at byte %llu\n",
                                   index_formats::kMaxPicturesPerGroup, groupByte));
        }
        if (word == sequenceHeader) {
            if (!FlushGroup(false)) return false;
            groupStart_ = position_;
        }
        if (word == pictureStart) pictureStart_ = true;
    }
    return true;
}

bool PictureIndexScan::Finish() { return FlushGroup(true); }

bool PictureIndexScan::FlushGroup(bool last) {
    std::vector<index_formats::PictureIndexRecord> group;
    group.reserve(std::size_t(pictures_));
    // A reference missing below the highest one still gets its record, pointing at the group,
    // so that the record number stays the picture number.
    for (int k = 0; k < pictures_; ++k)
        group.push_back({groupStart_, std::uint8_t(k), std::uint8_t(pictures_ - k), last});
    pictures_ = 0;
    seen_.reset();
    if (group.empty()) return true;
    if (!writer_(group)) return Fail("write error\n");
    return true;
}

bool AlphaIndexScan::Feed(const std::uint32_t* words, std::size_t count,
                          std::vector<index_formats::AlphaIndexEntry>& entries) {
    for (std::size_t i = 0; i < count; ++i, ++position_) {
        if (words[i] != marker_) continue;
        if (position_ > UINT32_MAX) {
            char text[120];
            std::snprintf(text, sizeof text, "alpha frame at byte %llu lies past 16 GiB, beyond what the .adb can hold\n",
                          static_cast<unsigned long long>(position_ * 4));
            error_ = text;
            return false;
        }
        entries.push_back({std::uint32_t(position_)});
    }
    return true;
}

}  // namespace index_builder
