// Byte swap and merge on real files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "file_tools/byte_swap.h"
#include "file_tools/file_merge.h"
#include "file_tools/tool_file.h"
#include "file_tools_test_support.h"
#include "platform/run_state.h"
#include "velmar_testing/test_support.h"

using namespace file_tools;
using namespace file_tools_testing;
using platform::RunControl;
using index_formats::DecodePictureIndex;
using index_formats::EncodePictureIndex;

TEST(ByteSwap, TwiceIsTheIdentityAndOnceMatchesObjcopyTailKept) {
    VELMAR_REQUIRE_TOOL("objcopy");
    const std::string dir = velmar_testing::TempDir();
    for (std::size_t size : {0u, 3u, 10u, 16384u, 16386u, 3u * 16384u + 7u, 200000u}) {
        SCOPED_TRACE(size);
        const auto original = Pattern(size, unsigned(size));
        WriteBytes(dir + "/in", original);
        RunControl run;
        ASSERT_EQ(ByteSwapFile(dir + "/in", dir + "/once", run), file_tools::kDone);
        ASSERT_EQ(ByteSwapFile(dir + "/once", dir + "/twice", run), file_tools::kDone);
        EXPECT_EQ(ReadBytes(dir + "/twice"), original);
        if (size > 0) {
            EXPECT_EQ(run.Progress(), 16);
        }

        // objcopy only takes whole words: compare those, and the tail with the original's.
        const auto once = ReadBytes(dir + "/once");
        ASSERT_EQ(once.size(), size);
        const std::size_t whole = size - size % 4;
        WriteBytes(dir + "/words", {original.begin(), original.begin() + long(whole)});
        if (whole > 0) {
            ASSERT_EQ(velmar_testing::RunCommand("objcopy -I binary -O binary --reverse-bytes=4 " + dir + "/words " +
                                                 dir + "/ref"), 0);
            EXPECT_TRUE(std::equal(once.begin(), once.begin() + long(whole), ReadBytes(dir + "/ref").begin()));
        }
        EXPECT_TRUE(std::equal(once.begin() + long(whole), once.end(), original.begin() + long(whole)));
    }
}

TEST(ByteSwap, RefusesItsOwnSourceUnderAnotherNameAndReportsMissingFiles) {
    const std::string dir = velmar_testing::TempDir();
    const auto original = Pattern(100);
    WriteBytes(dir + "/src", original);
    ASSERT_EQ(symlink((dir + "/src").c_str(), (dir + "/link").c_str()), 0);
    RunControl run;
    for (std::string other : {dir + "/src", dir + "/./src", dir + "/link"})
        EXPECT_EQ(ByteSwapFile(dir + "/src", other, run), file_tools::kOverInput) << other;
    EXPECT_EQ(ReadBytes(dir + "/src"), original);
    EXPECT_EQ(ByteSwapFile(dir + "/missing", dir + "/out", run), file_tools::kFileError);
    EXPECT_EQ(ByteSwapFile(dir + "/src", dir + "/no/such/dir", run), file_tools::kFileError);
}

TEST(Merge, SwapDecisionMatrix) {
    struct Case {
        std::uint8_t a[4];
        std::uint8_t b[4];
        bool swaps;
    };
    const Case cases[] = {
        {{0x00, 0x00, 0x01, 0xB3}, {0xB3, 0x01, 0x00, 0x00}, true},   // A in file order, B reversed
        {{0xB3, 0x01, 0x00, 0x00}, {0x00, 0x00, 0x01, 0xB3}, true},   // A reversed, B in file order
        {{0x00, 0x00, 0x01, 0xB3}, {0x00, 0x00, 0x01, 0xB3}, false},  // same order
        {{0xB3, 0x01, 0x00, 0x00}, {0xB3, 0x01, 0x00, 0x00}, false},
        {{0x00, 0x00, 0x01, 0xBA}, {0xB3, 0x01, 0x00, 0x00}, false},  // A is not B reversed
        {{0x00, 0x00, 0x01, 0xBA}, {0xBA, 0x01, 0x00, 0x00}, false},  // reversed, but no sequence header
        {{0x41, 0x42, 0x43, 0x44}, {0x44, 0x43, 0x42, 0x41}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(MergeSwapsB(c.a, c.b), c.swaps) << int(c.a[3]) << " " << int(c.b[0]);
}

TEST(Merge, RebaseAddsOver48BitsWithTheCarryAndKeepsTheLowBits) {
    struct Case {
        std::uint64_t start;
        std::uint64_t add;
        std::uint64_t expected;
    };
    const Case cases[] = {
        {0, 0, 0},
        {100, 25, 125},
        {0xFFFFFFFFull, 1, 0x100000000ull},             // carry into bits 16-31
        {0x1FFFFFFF0ull, 0x20, 0x200000010ull},
        {0x12345678ull, 0xABCD00000000ull, 0xABCD12345678ull},
    };
    for (const auto& c : cases) {
        index_formats::PictureIndexRecord r{c.start, 5, 7, true};
        auto bytes = r.Encode();
        RebaseRecord(bytes.data(), c.add);
        const auto out = index_formats::PictureIndexRecord::Decode(bytes.data());
        EXPECT_EQ(out.groupStartWords, c.expected);
        EXPECT_EQ(out.pictureInGroup, 5);
        EXPECT_EQ(out.picturesToGroupEnd, 7);
        EXPECT_TRUE(out.lastGroup);
    }
}

class MergeFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = velmar_testing::TempDir();
        a_ = Pattern(4 * 1000 + 0, 3);
        a_[0] = 0x00, a_[1] = 0x00, a_[2] = 0x01, a_[3] = 0xB3;
        b_ = Pattern(300000, 5);
        b_[0] = 0x00, b_[1] = 0x00, b_[2] = 0x01, b_[3] = 0xB3;
        // A's last group has 100 pictures: more than the 75 records the flag used to be cleared on.
        indexA_ = GroupsIndex({6, 100}, 2000);
        indexB_ = GroupsIndex({3, 4, 2}, 100000);
        WriteBytes(dir_ + "/a.mpg", a_);
        WriteBytes(dir_ + "/b.mpg", b_);
        WriteBytes(dir_ + "/a.mdb", EncodePictureIndex(indexA_));
        WriteBytes(dir_ + "/b.mdb", EncodePictureIndex(indexB_));
    }
    std::string dir_;
    std::vector<std::uint8_t> a_, b_;
    std::vector<index_formats::PictureIndexRecord> indexA_, indexB_;
};

TEST_F(MergeFilesTest, AppendsDataAndTheRebasedIndex) {
    RunControl run;
    ASSERT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/b.mpg", run), file_tools::kDone);
    auto expected = a_;
    expected.insert(expected.end(), b_.begin(), b_.end());
    EXPECT_EQ(ReadBytes(dir_ + "/a.mpg"), expected);
    const auto merged = DecodePictureIndex(ReadBytes(dir_ + "/a.mdb"));
    ASSERT_EQ(merged.size(), indexA_.size() + indexB_.size());
    for (std::size_t i = 0; i < indexA_.size(); ++i) {
        auto want = indexA_[i];
        want.lastGroup = false;
        EXPECT_EQ(merged[i], want) << i;
    }
    for (std::size_t n = 0; n < indexB_.size(); ++n) {
        auto want = indexB_[n];
        want.groupStartWords += a_.size() / 4;
        EXPECT_EQ(merged[indexA_.size() + n], want) << n;
    }
}

TEST_F(MergeFilesTest, OppositeWordOrderIsReversedWhileAppended) {
    b_[0] = 0xB3, b_[1] = 0x01, b_[2] = 0x00, b_[3] = 0x00;
    WriteBytes(dir_ + "/b.mpg", b_);
    RunControl run;
    ASSERT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/b.mpg", run), file_tools::kDone);
    auto swapped = b_;
    ReverseWords(swapped.data(), swapped.size());
    auto expected = a_;
    expected.insert(expected.end(), swapped.begin(), swapped.end());
    EXPECT_EQ(ReadBytes(dir_ + "/a.mpg"), expected);
}

TEST_F(MergeFilesTest, RefusalsLeaveBothFilesUnchanged) {
    ASSERT_EQ(symlink((dir_ + "/a.mpg").c_str(), (dir_ + "/alias.mpg").c_str()), 0);
    RunControl run;
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/a.mpg", run), file_tools::kOverInput);
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/../" + dir_.substr(dir_.rfind('/') + 1) + "/a.mpg", run),
              file_tools::kOverInput);
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/alias.mpg", run), file_tools::kOverInput);
    // B's index missing: found before anything is appended.
    ASSERT_EQ(unlink((dir_ + "/b.mdb").c_str()), 0);
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/b.mpg", run), file_tools::kFileError);
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/missing.mpg", run), file_tools::kFileError);
    EXPECT_EQ(ReadBytes(dir_ + "/a.mpg"), a_);
    EXPECT_EQ(DecodePictureIndex(ReadBytes(dir_ + "/a.mdb")), indexA_);
}

TEST_F(MergeFilesTest, WithoutAnyIndexOnlyTheDataAreMergedAndCancelStopsEarly) {
    ASSERT_EQ(unlink((dir_ + "/a.mdb").c_str()), 0);
    ASSERT_EQ(unlink((dir_ + "/b.mdb").c_str()), 0);
    RunControl run;
    ASSERT_TRUE(run.Begin());
    run.RequestStop();
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/b.mpg", run), file_tools::kCanceled);
    EXPECT_EQ(ReadBytes(dir_ + "/a.mpg"), a_);
    run.End();
    EXPECT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/b.mpg", run), file_tools::kDone);
    EXPECT_EQ(ReadBytes(dir_ + "/a.mpg").size(), a_.size() + b_.size());
    EXPECT_FALSE(FileExists(dir_ + "/a.mdb"));
}
