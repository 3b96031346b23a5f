// The .mdb picture index: one 8-byte little-endian record per picture of a video stream file,
// in display order group after group. Positions are counted in 4-byte words.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "start_codes/start_codes.h"

namespace index_formats {

inline constexpr std::size_t kPictureIndexRecordSize = 8;
// The pictures-to-end field has 7 bits; one more picture would reach the last-group flag.
inline constexpr int kMaxPicturesPerGroup = 127;
inline constexpr int kMaxTemporalReference = 255;

// The start codes an index is built from: sequence header, group and picture. The board writes
// each on a 4-byte boundary and a record gives its group's place in 4-byte words, so a stream with
// one elsewhere cannot be indexed: every index builder refuses it with this message.
constexpr bool IsIndexedStartCode(std::uint8_t code) {
    return code == start_codes::kSequenceHeader || code == start_codes::kGroup || code == start_codes::kPicture;
}
inline constexpr const char* kUnalignedStartCodesMessage =
    "start codes are not on 4-byte boundaries: this stream was not written by the board";
inline constexpr std::uint64_t kMaxGroupStartWords = (std::uint64_t{1} << 48) - 1;

struct PictureIndexRecord {
    std::uint64_t groupStartWords = 0;  // byte offset of the group's sequence header / 4
    std::uint8_t pictureInGroup = 0;    // temporal reference
    std::uint8_t picturesToGroupEnd = 0;  // n - k; 1 for the group's last picture
    bool lastGroup = false;

    std::uint64_t GroupByteOffset() const { return groupStartWords * 4; }

    // Fields out of range (more than 127 to the end, a position of 2^48 words or more) are masked
    // to their widths; callers check the limits before they build records.
    std::array<std::uint8_t, kPictureIndexRecordSize> Encode() const;
    static PictureIndexRecord Decode(const std::uint8_t* bytes);

    bool operator==(const PictureIndexRecord&) const = default;
};

// Whole-file helpers: a buffer of records, no header.
std::vector<std::uint8_t> EncodePictureIndex(const std::vector<PictureIndexRecord>& records);
// A trailing partial record is ignored.
std::vector<PictureIndexRecord> DecodePictureIndex(const std::vector<std::uint8_t>& bytes);

// Clip length in pictures for an .mdb of the given size.
inline std::uint64_t PictureCount(std::uint64_t mdbBytes) { return mdbBytes / kPictureIndexRecordSize; }

// Where playback of picture p starts: the group's byte offset and how many pictures of that group
// come before p in display order.
struct PictureStart {
    std::uint64_t groupByteOffset = 0;
    int picturesBefore = 0;
};
std::optional<PictureStart> StartOfPicture(const std::vector<PictureIndexRecord>& records,
                                           std::uint64_t picture);

// Byte offset where playback ends after picture e of a clip played over and over (e may pass the
// clip's length); streamBytes is the size of the stream file.
std::optional<std::uint64_t> EndAfterPicture(const std::vector<PictureIndexRecord>& records,
                                             std::uint64_t picture, std::uint64_t streamBytes);

}  // namespace index_formats
