#include <gtest/gtest.h>

#include "../../mux/tests/mux_test_streams.h"
#include "ps_demux/picture_indexer.h"

using index_formats::PictureIndexRecord;
using ps_demux::PictureIndexer;

namespace {
struct Indexed {
    std::vector<PictureIndexRecord> records;
    std::vector<std::string> notes;
};

Indexed Index(const std::vector<std::uint8_t>& es, std::size_t chunk = 4096) {
    Indexed out;
    PictureIndexer indexer(
        [&](const std::vector<PictureIndexRecord>& g) {
            out.records.insert(out.records.end(), g.begin(), g.end());
            return true;
        },
        [&](const std::string& note) { out.notes.push_back(note); });
    for (std::size_t at = 0; at < es.size(); at += chunk)
        EXPECT_TRUE(indexer.Feed(es.data() + at, std::min(chunk, es.size() - at)));
    EXPECT_TRUE(indexer.Finish());
    return out;
}
}  // namespace

TEST(PictureIndexer, GroupsInDisplayOrderWithLastGroupMarked) {
    auto pictures = mux_testing::Group(true);
    const auto second = mux_testing::Group(true, true);
    pictures.insert(pictures.end(), second.begin(), second.end());
    for (int skew : {0, 1, 3}) {
        const auto v = mux_testing::BuildVideo(pictures, 500, skew);
        for (std::size_t chunk : {std::size_t(4096), std::size_t(1), std::size_t(7)}) {
            if (skew != 0) {
                // Start codes off 4-byte boundaries: refused as the index builder refuses them.
                const auto idx = Index(v.bytes, chunk);
                EXPECT_TRUE(idx.records.empty());
                EXPECT_EQ(idx.notes, std::vector<std::string>{index_formats::kUnalignedStartCodesMessage});
                continue;
            }
            const auto idx = Index(v.bytes, chunk);
            ASSERT_EQ(idx.records.size(), 24u);
            for (std::size_t i = 0; i < 24; ++i) {
                EXPECT_EQ(idx.records[i].pictureInGroup, i % 12);
                EXPECT_EQ(idx.records[i].picturesToGroupEnd, 12 - i % 12);
                EXPECT_EQ(idx.records[i].lastGroup, i >= 12);
            }
            const std::uint64_t secondGroup = v.pictureOffsets[12];
            EXPECT_LT(idx.records[12].GroupByteOffset(), secondGroup);
            EXPECT_EQ(idx.records[0].groupStartWords, 0u);
            EXPECT_TRUE(idx.notes.empty());
        }
    }
}

TEST(PictureIndexer, GroupsOfPicturesInsideOneSequenceGroup) {
    // One sequence header, then groups of pictures that each restart their temporal references.
    auto pictures = mux_testing::Group(true, true);
    for (int g = 0; g < 2; ++g) {
        const auto more = mux_testing::Group(false);
        pictures.insert(pictures.end(), more.begin(), more.end());
    }
    const auto idx = Index(mux_testing::BuildVideo(pictures, 300).bytes);
    ASSERT_EQ(idx.records.size(), 36u);
    for (std::size_t i = 0; i < 36; ++i) {
        EXPECT_EQ(idx.records[i].pictureInGroup, i);
        EXPECT_EQ(idx.records[i].picturesToGroupEnd, 36 - i);
    }
}

TEST(PictureIndexer, OutOfRangeReferencesAndGaps) {
    std::vector<mux_testing::Picture> pictures = {{0, 1}, {300, 2}, {1, 3}};
    pictures[0].sequenceHeader = true;
    auto v = mux_testing::BuildVideo(pictures, 100);
    auto idx = Index(v.bytes);
    EXPECT_EQ(idx.records.size(), 2u);
    ASSERT_FALSE(idx.notes.empty());
    EXPECT_NE(idx.notes[0].find("300"), std::string::npos);

    // A gap in the references: the second group gets no record left from the first.
    pictures = {{0, 1}, {1, 2}, {2, 2}, {0, 1}, {2, 2}};
    pictures[0].sequenceHeader = pictures[3].sequenceHeader = true;
    idx = Index(mux_testing::BuildVideo(pictures, 100).bytes);
    ASSERT_EQ(idx.records.size(), 6u);
    EXPECT_EQ(idx.records[4].groupStartWords, idx.records[3].groupStartWords);
    EXPECT_TRUE(idx.records[4].lastGroup);
    EXPECT_FALSE(idx.notes.empty());
}
