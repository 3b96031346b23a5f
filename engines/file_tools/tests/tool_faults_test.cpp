// What the file tools do with hostile names and failing disks: nothing is written over an input,
// no run that fails leaves an output behind, and inputs that never end or never come are refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "file_tools/byte_swap.h"
#include "file_tools/file_merge.h"
#include "file_tools/file_split.h"
#include "file_tools/tool_file.h"
#include "file_tools_test_support.h"
#include "platform/run_state.h"
#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

using namespace file_tools;
using namespace file_tools_testing;
using platform::RunControl;
using index_formats::DecodePictureIndex;
using index_formats::EncodePictureIndex;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kGroupBytes = 40000;

// A clip of three groups with its index, and the names of everything in its folder.
class ToolFaults : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = velmar_testing::TempDir();
        data_ = Pattern(3 * kGroupBytes, 2);
        index_ = GroupsIndex({12, 12, 12}, kGroupBytes);
        WriteBytes(dir_ + "/src.mpg", data_);
        WriteBytes(dir_ + "/src.mdb", EncodePictureIndex(index_));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void ExpectSourceUnchanged() const {
        EXPECT_EQ(ReadBytes(dir_ + "/src.mpg"), data_);
        EXPECT_EQ(DecodePictureIndex(ReadBytes(dir_ + "/src.mdb")), index_);
    }
    SplitSelection WholeClip() const { return *VideoSplitSelection(dir_ + "/src.mpg", 0, 2 * 35); }

    std::string dir_;
    std::vector<std::uint8_t> data_;
    std::vector<index_formats::PictureIndexRecord> index_;
};

}  // namespace

// Every destination that is the source, its index, or its own index is refused before anything
// is created.
TEST_F(ToolFaults, SplitRefusesEveryDestinationThatMeetsTheSourceOrItsIndex) {
    ASSERT_EQ(symlink((dir_ + "/src.mdb").c_str(), (dir_ + "/link.mpg").c_str()), 0);
    const auto before = Names();
    for (const char* name : {"/src.mpg", "/src.mdb", "/./src.mdb", "/src.m2v", "/out.mdb", "/link.mpg"}) {
        SCOPED_TRACE(name);
        RunControl run;
        EXPECT_TRUE(SplitWouldOverwriteInput(dir_ + "/src.mpg", dir_ + name, true));
        EXPECT_EQ(SplitVideo(dir_ + "/src.mpg", dir_ + name, WholeClip(), run), file_tools::kOverInput);
        EXPECT_EQ(Names(), before);
        ExpectSourceUnchanged();
    }
    EXPECT_FALSE(SplitWouldOverwriteInput(dir_ + "/src.mpg", dir_ + "/out.mdb", false));
}

// A full disk in the middle of each tool's run: the run fails, leaves no output (a destination
// that was there before stays as it was), and a merge puts A and its index back as they were.
TEST_F(ToolFaults, AFullDiskFailsEveryToolAndLeavesNothingBehind) {
    WriteBytes(dir_ + "/old.mpg", {1, 2, 3});
    const auto a = Pattern(30001, 4);  // the merge fills the disk after 19999 bytes of B
    const auto indexA = EncodePictureIndex(GroupsIndex({5}, 30000));
    WriteBytes(dir_ + "/a.mpg", a);
    WriteBytes(dir_ + "/a.mdb", indexA);
    const auto before = Names();
    const std::string src = dir_ + "/src.mpg";
    const auto audio = AudioSplitSelection(0, 2 * 25, AudioTimebase::Of(AudioRate::k48, false));
    const std::uint64_t limit = 50000;  // bytes per file: less than any of the outputs
    struct Case {
        const char* name;
        std::function<RunResult(RunControl&)> run;
    };
    const Case cases[] = {
        {"swap", [&](RunControl& run) { return ByteSwapFile(src, dir_ + "/old.mpg", run); }},
        {"split", [&](RunControl& run) { return SplitVideo(src, dir_ + "/old.mpg", WholeClip(), run); }},
        {"audio split", [&](RunControl& run) { return SplitAudioToWav(src, dir_ + "/old.mpg", audio, 48000, run); }},
        {"merge", [&](RunControl& run) { return MergeFiles(dir_ + "/a.mpg", src, run); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(velmar_testing::RunWithFileSizeLimit(limit, [&] {
            RunControl run;
            return c.run(run) == file_tools::kFileError;
        }));
        EXPECT_EQ(Names(), before);
        EXPECT_EQ(ReadBytes(dir_ + "/old.mpg"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(ReadBytes(dir_ + "/a.mpg"), a);
        EXPECT_EQ(ReadBytes(dir_ + "/a.mdb"), indexA);
        ExpectSourceUnchanged();
    }
    // The index step of a split fails on its own (the data fit): no new data are left, and a cut
    // that was there before stays as it was.
    auto sel = WholeClip();
    sel.endPicturesToGroupEnd = 100;  // more records than the index holds
    for (const char* cut : {"/cut.mpg", "/old.mpg"}) {
        SCOPED_TRACE(cut);
        RunControl run;
        EXPECT_EQ(SplitVideo(src, dir_ + cut, sel, run), file_tools::kFileError);
        EXPECT_EQ(Names(), before);
        EXPECT_EQ(ReadBytes(dir_ + "/old.mpg"), (std::vector<std::uint8_t>{1, 2, 3}));
    }
}

// A pipe would hang a tool, a device such as /dev/zero never ends, a folder is no file: all are
// refused before any output is created.
TEST_F(ToolFaults, OnlyRegularFilesAreTakenAsInputs) {
    ASSERT_EQ(mkfifo((dir_ + "/fifo.mpg").c_str(), 0600), 0);
    fs::create_directory(dir_ + "/folder.mpg");
    const auto before = Names();
    for (const std::string& input : {dir_ + "/fifo.mpg", std::string("/dev/zero"), dir_ + "/folder.mpg"}) {
        SCOPED_TRACE(input);
        RunControl run;
        EXPECT_EQ(ByteSwapFile(input, dir_ + "/out.mpg", run), file_tools::kFileError);
        EXPECT_EQ(MergeFiles(dir_ + "/src.mpg", input, run), file_tools::kFileError);
        EXPECT_EQ(SplitAudioToWav(input, dir_ + "/out.wav", AudioSplitSelection(0, 2, AudioTimebase{}), 48000, run),
                  file_tools::kFileError);
        EXPECT_FALSE(SplitSourceLength(input, false, AudioTimebase{}));
        EXPECT_EQ(Names(), before);
    }
    ExpectSourceUnchanged();
}

// A's size off a word boundary: A is padded with zero bytes so that B's groups stay word-aligned
// and the rebased index points exactly at them.
TEST_F(ToolFaults, MergePadsAToAWordSoBsIndexStaysExact) {
    for (std::size_t extra : {1u, 2u, 3u}) {
        SCOPED_TRACE(extra);
        auto a = Pattern(4000 + extra, 7);
        WriteBytes(dir_ + "/a.mpg", a);
        WriteBytes(dir_ + "/a.mdb", EncodePictureIndex(GroupsIndex({5}, 4000)));
        RunControl run;
        ASSERT_EQ(MergeFiles(dir_ + "/a.mpg", dir_ + "/src.mpg", run), file_tools::kDone);
        a.resize(4004, 0);
        a.insert(a.end(), data_.begin(), data_.end());
        EXPECT_EQ(ReadBytes(dir_ + "/a.mpg"), a);
        const auto merged = DecodePictureIndex(ReadBytes(dir_ + "/a.mdb"));
        ASSERT_EQ(merged.size(), 5 + index_.size());
        for (std::size_t n = 0; n < index_.size(); ++n)
            EXPECT_EQ(merged[5 + n].GroupByteOffset(), 4004 + index_[n].GroupByteOffset()) << n;
    }
}

// The tools and the index builder name an index alike, names that start with a dot included.
TEST_F(ToolFaults, MergeFindsTheIndexOfAHiddenName) {
    fs::copy_file(dir_ + "/src.mpg", dir_ + "/.hidden");
    fs::copy_file(dir_ + "/src.mdb", dir_ + "/.hidden.mdb");
    EXPECT_EQ(PictureIndexPathBeside(dir_ + "/.hidden"), dir_ + "/.hidden.mdb");
    EXPECT_EQ(ExtensionOf(dir_ + "/.mpg"), "");
    EXPECT_EQ(ExtensionOf(dir_ + "/a.b/clip.mpg"), ".mpg");
    RunControl run;
    ASSERT_EQ(MergeFiles(dir_ + "/src.mpg", dir_ + "/.hidden", run), file_tools::kDone);
    EXPECT_EQ(DecodePictureIndex(ReadBytes(dir_ + "/src.mdb")).size(), 2 * index_.size());
}

// A WAVE source whose samples do not start at byte 44 is cut from its samples: left stays left.
TEST_F(ToolFaults, AudioSplitOfAWaveFollowsItsDataChunk) {
    std::vector<std::uint8_t> samples;
    for (int i = 0; i < 20000; ++i) samples.insert(samples.end(), {0x11, 0x11, 0x22, 0x22});  // L then R
    for (std::size_t extraFormatBytes : {0u, 2u, 18u}) {
        SCOPED_TRACE(extraFormatBytes);
        auto header = wav::MakeWavHeader(48000, 2, samples.size());
        std::vector<std::uint8_t> wave(header.begin(), header.begin() + 36);
        wave[16] = std::uint8_t(16 + extraFormatBytes);  // "fmt " chunk size
        wave.insert(wave.end(), extraFormatBytes, 0);
        wave.insert(wave.end(), header.begin() + 36, header.end());
        wave.insert(wave.end(), samples.begin(), samples.end());
        WriteBytes(dir_ + "/in.wav", wave);
        RunControl run;
        const auto sel = AudioSplitSelection(2 * 1, 2 * 2, AudioTimebase::Of(AudioRate::k48, false));
        ASSERT_EQ(SplitAudioToWav(dir_ + "/in.wav", dir_ + "/out.wav", sel, 48000, run), file_tools::kDone);
        const auto out = ReadBytes(dir_ + "/out.wav");
        ASSERT_EQ(out.size(), sel.endByte - sel.startByte);
        EXPECT_TRUE(std::equal(out.begin() + 44, out.end(), samples.begin() + 44)) << "left and right swapped";
    }
}

// The bar of every tool goes up one step at a time to full, each step once, whatever the block
// size; a merge moves it once for the data and once for the index.
TEST_F(ToolFaults, EveryToolsBarStepsOnceThroughEachStep) {
    struct Steps : RunControl {
        std::vector<int> shown;
        void SetProgress(int step) override {
            if (step > 0) shown.push_back(step);
        }
    };
    WriteBytes(dir_ + "/a.mpg", Pattern(30000, 4));
    WriteBytes(dir_ + "/a.mdb", EncodePictureIndex(GroupsIndex({5}, 30000)));
    struct Case {
        const char* name;
        std::function<RunResult(RunControl&)> run;
        int passes;
    };
    const std::string src = dir_ + "/src.mpg";
    const Case cases[] = {
        {"swap", [&](RunControl& run) { return ByteSwapFile(src, dir_ + "/swapped.mpg", run); }, 1},
        {"split", [&](RunControl& run) { return SplitVideo(src, dir_ + "/cut.mpg", WholeClip(), run); }, 2},
        {"merge", [&](RunControl& run) { return MergeFiles(dir_ + "/a.mpg", src, run); }, 2},
    };
    std::vector<int> oneToFull;
    for (int step = 1; step <= platform::kProgressSteps; ++step) oneToFull.push_back(step);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Steps run;
        ASSERT_EQ(c.run(run), file_tools::kDone);
        std::vector<int> expected;
        for (int pass = 0; pass < c.passes; ++pass) expected.insert(expected.end(), oneToFull.begin(), oneToFull.end());
        EXPECT_EQ(run.shown, expected);
    }
}
