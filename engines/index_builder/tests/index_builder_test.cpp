#include <gtest/gtest.h>

#include <filesystem>

#include "index_builder/index_builder.h"
#include "index_formats/index_files.h"
#include "platform/run_report.h"
#include "stream_fixtures.h"
#include "velmar_testing/test_support.h"

using namespace index_builder;
using namespace index_builder_testing;
using index_formats::PictureIndexRecord;

namespace {

// Each block reports its progress and then its counts: one read of (bytes, progress) per block.
struct Recorder : platform::RunReport {
    std::vector<std::string> status;
    std::vector<std::pair<std::uint64_t, int>> reads;
    int progress = -1;
    int cancelAfterBlocks = -1;
    mutable int blocks = 0;
    void AddMessage(const std::string& s) override { status.push_back(s); }
    void SetProgress(int step) override { progress = step; }
    void SetCounts(std::int64_t done, std::int64_t /*total*/) override { reads.push_back({done, progress}); }
    bool StopRequested() const override { return cancelAfterBlocks >= 0 && blocks++ >= cancelAfterBlocks; }
};

std::vector<PictureIndexRecord> Group(std::uint64_t startWord, int n, bool last) {
    std::vector<PictureIndexRecord> records;
    for (int k = 0; k < n; ++k) records.push_back({startWord, std::uint8_t(k), std::uint8_t(n - k), last});
    return records;
}

std::vector<PictureIndexRecord> Join(std::initializer_list<std::vector<PictureIndexRecord>> groups) {
    std::vector<PictureIndexRecord> all;
    for (const auto& g : groups) all.insert(all.end(), g.begin(), g.end());
    return all;
}

}  // namespace

// Synthetic streams in file order and word-reversed give the same index.
TEST(IndexBuilder, SyntheticStreamsInBothWordOrders) {
    constexpr std::size_t kBlockWords = kBlockBytes / 4;
    struct Case {
        const char* name;
        SyntheticStream stream;
        std::vector<PictureIndexRecord> expected;
    };
    std::vector<Case> cases;
    {  // B pictures arrive after the reference they follow in display order.
        SyntheticStream s;
        s.SequenceHeader().Picture(2).Picture(0).Picture(1).Picture(5).Picture(3).Picture(4);
        const std::uint64_t second = s.Words();
        s.SequenceHeader().Picture(0).Picture(3).Picture(1).Picture(2).Filler(3);
        cases.push_back({"B-picture order", s, Join({Group(0, 6, false), Group(second, 4, true)})});
    }
    {  // Two sequence headers with no picture between them write nothing for the empty group.
        SyntheticStream s;
        s.SequenceHeader().Picture(0).SequenceHeader();
        const std::uint64_t third = s.Words();
        s.SequenceHeader().Picture(1).Picture(0);
        cases.push_back({"empty group", s, Join({Group(0, 1, false), Group(third, 2, true)})});
    }
    {  // A picture start code in the last word of a block: its reference is in the next block;
       // and a sequence header as the first word of the third block.
        SyntheticStream s;
        s.SequenceHeader().Picture(0).Filler(kBlockWords - 6);
        s.Picture(1);  // its reference is the block's last word
        ASSERT_EQ(s.Words(), kBlockWords);
        s.Picture(2).Filler(kBlockWords - 2);
        s.SequenceHeader().Picture(0);
        const std::uint64_t second = 2 * kBlockWords;
        SyntheticStream t;
        t.SequenceHeader().Picture(0).Filler(kBlockWords - 5);
        t.Picture(1);  // start code in the block's last word
        ASSERT_EQ(t.Words(), kBlockWords + 1);
        cases.push_back({"block edges", s, Join({Group(0, 3, false), Group(second, 1, true)})});
        cases.push_back({"picture code in a block's last word", t, Group(0, 2, true)});
    }
    {  // A reference missing below the highest one still gets its record.
        SyntheticStream s;
        s.SequenceHeader().Picture(0).Picture(2);
        cases.push_back({"missing reference", s, Group(0, 3, true)});
    }
    const std::string dir = velmar_testing::TempDir();
    for (const Case& c : cases) {
        for (bool reversed : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (reversed ? ", reversed" : ""));
            Bytes data = reversed ? ReverseWords(c.stream.Data()) : c.stream.Data();
            data.push_back(0);  // a trailing partial word is no word
            WriteFile(dir + "/clip.mpg", data);
            Recorder recorder;
            const auto outcome = BuildIndexFile(dir + "/clip.mpg", &recorder);
            ASSERT_EQ(outcome.run.status, platform::RunStatus::Done) << outcome.run.error;
            EXPECT_EQ(outcome.indexPath, dir + "/clip.mdb");
            EXPECT_EQ(index_formats::ReadPictureIndexFile(dir + "/clip.mdb"), c.expected);
            ASSERT_EQ(recorder.status.size(), 1u);
            EXPECT_EQ(recorder.status[0], (reversed ? "Reversed MPEG2 file detected, creating " : "MPEG2 file detected, creating ") +
                                              dir + "/clip.mdb\n");
            ASSERT_FALSE(recorder.reads.empty());
            EXPECT_EQ(recorder.reads.back(),
                      (std::pair<std::uint64_t, int>{data.size() - 1, platform::kProgressSteps}));
            for (std::size_t i = 1; i < recorder.reads.size(); ++i)
                EXPECT_GE(recorder.reads[i].second, recorder.reads[i - 1].second);
        }
    }
}

TEST(IndexBuilder, AlphaMarkersInBothWordOrders) {
    const std::string dir = velmar_testing::TempDir();
    Bytes alpha(20480 + 4000, 0x11);
    for (std::size_t at : {0, 10240, 20480}) std::copy_n("CCBA", 4, alpha.begin() + at);
    const std::vector<index_formats::AlphaIndexEntry> expected = {{0}, {2560}, {5120}};
    for (bool reversed : {false, true}) {
        WriteFile(dir + "/fade.alp", reversed ? ReverseWords(alpha) : alpha);
        Recorder recorder;
        const auto outcome = BuildIndexFile(dir + "/fade.alp", &recorder);
        ASSERT_EQ(outcome.run.status, platform::RunStatus::Done);
        EXPECT_EQ(index_formats::ReadAlphaIndexFile(dir + "/fade.adb"), expected);
        EXPECT_EQ(recorder.status.at(0), (reversed ? "Reverse Alpha file detected, creating " : "Alpha file detected, creating ") +
                                             dir + "/fade.adb\n");
    }
}

// Streams the index cannot describe, and streams that are no streams: the run fails with the
// operator's message and leaves no index; an index that was there before and has nothing to do
// with this run stays.
TEST(IndexBuilder, BadInputLeavesNoIndex) {
    const std::string dir = velmar_testing::TempDir();
    SyntheticStream big;
    big.SequenceHeader();
    for (unsigned tr = 0; tr < 128; ++tr) big.Picture(tr);
    SyntheticStream far;
    far.SequenceHeader().Picture(0).Picture(256);
    SyntheticStream again;
    again.SequenceHeader().Picture(0).Picture(1).Picture(0);
    // A picture start code two bytes off a word boundary: the scan would not see it.
    Bytes unaligned = SyntheticStream().SequenceHeader().Picture(0).Data();
    unaligned.insert(unaligned.end(), {0x12, 0x34, 0, 0, 1, 0, 0, 0x48, 0xFF, 0xF8});
    const std::string notTheBoards = "start codes are not on 4-byte boundaries: this stream was not written by the board\n";
    struct Case {
        const char* name;
        Bytes data;
        std::string message;
    };
    const Case cases[] = {
        {"group over 127", big.Data(), "more than 127 pictures in the group at byte 0\n"},
        {"reference of 256", far.Data(), "temporal reference 256 in the group at byte 0 is 256 or more\n"},
        {"repeated reference", again.Data(), "temporal reference 0 repeats in the group at byte 0\n"},
        {"unaligned picture", unaligned, notTheBoards},
        {"unaligned, reversed", ReverseWords(unaligned), notTheBoards},
        {"empty file", {}, "this is not an MPEG2 or Alpha file\n"},
        {"three bytes", {0, 0, 1}, "this is not an MPEG2 or Alpha file\n"},
        {"other kind", {0x1F, 0x07, 0x00, 0x3F, 1, 2, 3, 4}, "this is not an MPEG2 or Alpha file\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir + "/bad.mpg", c.data);
        const auto outcome = BuildIndexFile(dir + "/bad.mpg");
        EXPECT_EQ(outcome.run.status, platform::RunStatus::Error);
        EXPECT_EQ(outcome.run.error, c.message);
        EXPECT_FALSE(std::filesystem::exists(dir + "/bad.mdb"));
    }
    // A DV clip's own index is not the builder's to delete.
    WriteFile(dir + "/dv.mdb", Bytes(16, 1));
    WriteFile(dir + "/dv.mpg", cases[5].data);
    EXPECT_EQ(BuildIndexFile(dir + "/dv.mpg").run.status, platform::RunStatus::Error);
    EXPECT_TRUE(std::filesystem::exists(dir + "/dv.mdb"));
    const auto missing = BuildIndexFile(dir + "/none.mpg");
    EXPECT_EQ(missing.run.error, "can't open " + dir + "/none.mpg\n");
    // The index cannot be created.
    std::filesystem::create_directory(dir + "/clip.mdb");
    WriteFile(dir + "/clip.mpg", far.Data());
    EXPECT_EQ(BuildIndexFile(dir + "/clip.mpg").run.error, "can't open " + dir + "/clip.mdb\n");
}

TEST(IndexBuilder, CancelLeavesNoIndex) {
    const std::string dir = velmar_testing::TempDir();
    SyntheticStream s;
    s.SequenceHeader().Picture(0).Filler(kBlockBytes / 2).SequenceHeader().Picture(0);
    WriteFile(dir + "/clip.mpg", s.Data());
    for (int after : {0, 1}) {
        Recorder recorder;
        recorder.cancelAfterBlocks = after;
        const auto outcome = BuildIndexFile(dir + "/clip.mpg", &recorder);
        EXPECT_EQ(outcome.run.status, platform::RunStatus::Canceled);
        EXPECT_TRUE(outcome.run.error.empty());
        EXPECT_EQ(recorder.reads.size(), std::size_t(after));
        EXPECT_FALSE(std::filesystem::exists(dir + "/clip.mdb"));
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file either
}

// A rebuild that fails or is cancelled keeps the previous index; one that would write over its own
// stream (a stream named like its index, a link at the index's name) is refused.
TEST(IndexBuilder, PreviousIndexAndTheStreamItselfSurviveARun) {
    namespace fs = std::filesystem;
    const std::string dir = velmar_testing::TempDir();
    SyntheticStream good;
    good.SequenceHeader().Picture(0).Filler(kBlockBytes / 2).SequenceHeader().Picture(0);
    WriteFile(dir + "/clip.mpg", good.Data());
    ASSERT_EQ(BuildIndexFile(dir + "/clip.mpg").run.status, platform::RunStatus::Done);
    const Bytes index = ReadFile(dir + "/clip.mdb");
    Recorder cancel;
    cancel.cancelAfterBlocks = 1;
    EXPECT_EQ(BuildIndexFile(dir + "/clip.mpg", &cancel).run.status, platform::RunStatus::Canceled);
    EXPECT_EQ(ReadFile(dir + "/clip.mdb"), index);
    Bytes damaged = good.Data();
    SyntheticStream repeat;
    repeat.Picture(0);
    damaged.insert(damaged.end(), repeat.Data().begin(), repeat.Data().end());
    WriteFile(dir + "/clip.mpg", damaged);
    EXPECT_EQ(BuildIndexFile(dir + "/clip.mpg").run.status, platform::RunStatus::Error);
    EXPECT_EQ(ReadFile(dir + "/clip.mdb"), index);

    Bytes alpha(4000, 0x11);
    std::copy_n("CCBA", 4, alpha.begin());
    WriteFile(dir + "/self.mdb", good.Data());
    WriteFile(dir + "/self.adb", alpha);
    WriteFile(dir + "/linked.mpg", good.Data());
    fs::create_symlink(dir + "/linked.mpg", dir + "/linked.mdb");
    for (const char* name : {"/self.mdb", "/self.adb", "/linked.mpg"}) {
        SCOPED_TRACE(name);
        const Bytes before = ReadFile(dir + name);
        const auto outcome = BuildIndexFile(dir + name);
        EXPECT_EQ(outcome.run.status, platform::RunStatus::Error);
        EXPECT_EQ(outcome.run.error, "the index " + outcome.indexPath + " would replace the stream itself\n");
        EXPECT_EQ(ReadFile(dir + name), before);
    }
}
