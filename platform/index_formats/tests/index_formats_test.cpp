#include <gtest/gtest.h>

#include "index_formats/alpha_index.h"
#include "index_formats/picture_index.h"

using namespace index_formats;

TEST(PictureIndexRecord, DecodesHighWordPositionAndFields) {
    const std::uint8_t bytes[8] = {0x10, 0, 0, 0, 0x05, 0x03, 0x02, 0x00};
    const auto r = PictureIndexRecord::Decode(bytes);
    EXPECT_EQ(r.pictureInGroup, 5);
    EXPECT_EQ(r.picturesToGroupEnd, 3);
    EXPECT_FALSE(r.lastGroup);
    EXPECT_EQ(r.GroupByteOffset(), 34359738432ull);
    const auto again = r.Encode();
    EXPECT_TRUE(std::equal(again.begin(), again.end(), bytes));
}

TEST(PictureIndexRecord, LastGroupBitAndMasking) {
    PictureIndexRecord r{0x1234, 7, 1, true};
    auto bytes = r.Encode();
    EXPECT_EQ(bytes[5], 0x81);
    EXPECT_EQ(PictureIndexRecord::Decode(bytes.data()), r);
    // An oversized pictures-to-end count never reaches the last-group flag.
    r = {0, 0, 200, false};
    bytes = r.Encode();
    EXPECT_FALSE(PictureIndexRecord::Decode(bytes.data()).lastGroup);
}

TEST(PictureIndex, FileOfEightyBytesIsTenPictures) {
    std::vector<PictureIndexRecord> records(10);
    const auto bytes = EncodePictureIndex(records);
    EXPECT_EQ(bytes.size(), 80u);
    EXPECT_EQ(PictureCount(bytes.size()), 10u);
    auto partial = bytes;
    partial.push_back(1);
    EXPECT_EQ(DecodePictureIndex(partial).size(), 10u);
}

TEST(PictureIndex, StartAndEndOfPictures) {
    // Two groups: 3 pictures at byte 0, 2 pictures (the last group) at byte 4000.
    std::vector<PictureIndexRecord> recs = {
        {0, 0, 3, false}, {0, 1, 2, false}, {0, 2, 1, false}, {1000, 0, 2, true}, {1000, 1, 1, true}};
    auto start = StartOfPicture(recs, 4);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->groupByteOffset, 4000u);
    EXPECT_EQ(start->picturesBefore, 1);
    EXPECT_FALSE(StartOfPicture(recs, 5));

    EXPECT_EQ(EndAfterPicture(recs, 1, 9000), 4000u);      // next group's start
    EXPECT_EQ(EndAfterPicture(recs, 3, 9000), 9000u);      // last group: the file's end
    EXPECT_EQ(EndAfterPicture(recs, 6, 9000), 9000u + 4000u);  // second loop, picture 1
    recs[0].picturesToGroupEnd = 9;  // points past the index
    EXPECT_FALSE(EndAfterPicture(recs, 0, 9000));
}

TEST(AlphaIndex, RoundTripAndOffsets) {
    std::vector<AlphaIndexEntry> entries = {{0}, {0x01020304}};
    const auto bytes = EncodeAlphaIndex(entries);
    ASSERT_EQ(bytes.size(), 8u);
    EXPECT_EQ(bytes[4], 0x04);
    EXPECT_EQ(bytes[7], 0x01);
    EXPECT_EQ(DecodeAlphaIndex(bytes), entries);
    EXPECT_EQ(entries[1].ByteOffset(), 0x01020304ull * 4);
}
