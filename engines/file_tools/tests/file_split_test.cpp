// Split selection and the three copy engines on hand-made files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "file_tools/file_split.h"
#include "file_tools_test_support.h"
#include "platform/run_state.h"
#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

using namespace file_tools;
using namespace file_tools_testing;
using platform::RunControl;
using index_formats::DecodePictureIndex;
using index_formats::EncodePictureIndex;

namespace {

constexpr std::uint64_t kGroupBytes = 4000;

class SplitTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = velmar_testing::TempDir();
        data_ = Pattern(sizes_.size() * kGroupBytes, 9);
        index_ = GroupsIndex(sizes_, kGroupBytes);
        WriteBytes(dir_ + "/src.mpg", data_);
        WriteBytes(dir_ + "/src.mdb", EncodePictureIndex(index_));
    }
    std::string dir_;
    const std::vector<int> sizes_{12, 15, 9, 12};  // pictures 0-11, 12-26, 27-35, 36-47
    std::vector<std::uint8_t> data_;
    std::vector<index_formats::PictureIndexRecord> index_;
};

}  // namespace

TEST_F(SplitTest, SelectionRoundsOutToGroupsAndCopiesThemWithARebasedIndex) {
    struct Case {
        int startFrame, endFrame;
        int firstFrame, lastFrame;
        std::uint64_t startByte, endByte;
    };
    const Case cases[] = {
        {14, 20, 12, 26, kGroupBytes, 2 * kGroupBytes},       // inside one group
        {12, 26, 12, 26, kGroupBytes, 2 * kGroupBytes},       // exactly one group
        {5, 30, 0, 35, 0, 3 * kGroupBytes},                   // across groups
        {30, 47, 27, 47, 2 * kGroupBytes, 4 * kGroupBytes},   // to the last group: the file's end
        {0, 47, 0, 47, 0, 4 * kGroupBytes},                   // the whole file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.startFrame);
        const auto sel = VideoSplitSelection(dir_ + "/src.mpg", 2 * c.startFrame, 2 * c.endFrame);
        ASSERT_TRUE(sel);
        EXPECT_EQ(sel->FirstFrame(), c.firstFrame);
        EXPECT_EQ(sel->LastFrame(), c.lastFrame);
        EXPECT_EQ(sel->startByte, c.startByte);
        EXPECT_EQ(sel->endByte, c.endByte);
        RunControl run;
        ASSERT_EQ(SplitVideoData(dir_ + "/src.mpg", dir_ + "/out.mpg", *sel, run), file_tools::kDone);
        ASSERT_EQ(WriteSplitIndex(dir_ + "/src.mpg", dir_ + "/out.mpg", *sel, run), file_tools::kDone);
        EXPECT_EQ(ReadBytes(dir_ + "/out.mpg"),
                  std::vector<std::uint8_t>(data_.begin() + long(c.startByte), data_.begin() + long(c.endByte)));
        const auto out = DecodePictureIndex(ReadBytes(dir_ + "/out.mdb"));
        ASSERT_EQ(int(out.size()), c.lastFrame - c.firstFrame + 1);
        EXPECT_EQ(out.front().groupStartWords, 0u);
        for (std::size_t i = 0; i < out.size(); ++i) {
            auto want = index_[c.firstFrame + i];
            want.groupStartWords -= c.startByte / 4;
            want.lastGroup = i + want.picturesToGroupEnd == out.size();
            EXPECT_EQ(out[i], want) << i;
        }
    }
}

TEST(SplitPoints, ClampKeepsStartAndEndInsideTheClip) {
    struct Case {
        int start, end, length, wantStart, wantEnd;
    };
    const Case cases[] = {
        {10, 4, 100, 10, 10},    // end before start is raised to it
        {200, 300, 100, 98, 98}, // past the last frame: lowered to it
        {-4, 50, 100, 0, 50},
        {0, 0, -1, 0, 0},        // unknown length
    };
    for (const auto& c : cases) {
        int start = c.start, end = c.end;
        ClampSplitPoints(start, end, c.length);
        EXPECT_EQ(start, c.wantStart);
        EXPECT_EQ(end, c.wantEnd);
    }
}

TEST(SplitIndex, GroupStartsAbove32BitsAreRebasedWithTheBorrow) {
    const std::string dir = velmar_testing::TempDir();
    // Words; the second group lies past a 2^32 boundary, so its low word is below the start's.
    const std::uint64_t base = 0x2FFFFFF80ull;
    auto index = GroupsIndex({3, 2}, 0x400, base);
    WriteBytes(dir + "/big.mdb", EncodePictureIndex(index));
    SplitSelection sel;
    sel.startField = 0;
    sel.endField = 2 * 4;
    sel.startByte = base * 4;
    sel.endPicturesToGroupEnd = 1;
    RunControl run;
    ASSERT_EQ(WriteSplitIndex(dir + "/big.mpg", dir + "/cut.mpg", sel, run), file_tools::kDone);
    const auto out = DecodePictureIndex(ReadBytes(dir + "/cut.mdb"));
    ASSERT_EQ(out.size(), 5u);
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(out[i].groupStartWords, i < 3 ? 0u : 0x100u) << i;
}

TEST_F(SplitTest, FaultsEndWithTheFileErrorOrTheRefusal) {
    RunControl run;
    auto sel = *VideoSplitSelection(dir_ + "/src.mpg", 2 * 14, 2 * 40);
    // A source shorter than its index says: the copy ends instead of waiting for data.
    WriteBytes(dir_ + "/short.mpg", std::vector<std::uint8_t>(data_.begin(), data_.begin() + 5000));
    EXPECT_EQ(SplitVideoData(dir_ + "/short.mpg", dir_ + "/out.mpg", sel, run), file_tools::kFileError);
    // End before start (a damaged pictures-to-end).
    auto backwards = sel;
    backwards.endByte = sel.startByte - 4;
    EXPECT_EQ(SplitVideoData(dir_ + "/src.mpg", dir_ + "/out.mpg", backwards, run), file_tools::kFileError);
    // An index shorter than the selection.
    sel.endPicturesToGroupEnd = 100;
    EXPECT_EQ(WriteSplitIndex(dir_ + "/src.mpg", dir_ + "/out.mpg", sel, run), file_tools::kFileError);
    // Onto the source itself, or onto a name whose index is the source's.
    ASSERT_EQ(symlink((dir_ + "/src.mpg").c_str(), (dir_ + "/alias.mpg").c_str()), 0);
    EXPECT_EQ(SplitVideoData(dir_ + "/src.mpg", dir_ + "/alias.mpg", sel, run), file_tools::kOverInput);
    EXPECT_EQ(WriteSplitIndex(dir_ + "/src.mpg", dir_ + "/src.m2v", sel, run), file_tools::kOverInput);
    EXPECT_EQ(SplitAudioToWav(dir_ + "/src.mpg", dir_ + "/./src.mpg", sel, 48000, run), file_tools::kOverInput);
    EXPECT_EQ(ReadBytes(dir_ + "/src.mpg"), data_);
    EXPECT_EQ(DecodePictureIndex(ReadBytes(dir_ + "/src.mdb")), index_);
    EXPECT_FALSE(VideoSplitSelection(dir_ + "/nothing.mpg", 0, 0));
}

TEST(SplitAudio, SizesAndHeadersFollowTheRate) {
    const std::string dir = velmar_testing::TempDir();
    const auto source = Pattern(3840 * 2 * 400, 4);
    WriteBytes(dir + "/in.pcm", source);
    struct Case {
        AudioRate rate;
        bool ntsc;
        int startFrame, frames;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        {AudioRate::k48, false, 10, 25, 25 * 7680},
        {AudioRate::k44_1, false, 3, 1, 7056},
        {AudioRate::k32, false, 0, 50, 50 * 5120},
        {AudioRate::k48, true, 7, 5, 32032},      // 10 fields of 16016/5 bytes
        {AudioRate::k44_1, true, 1, 1, 5884},     // 2 x 147147/50 = 5885.88, whole samples
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(SampleRateOf(c.rate));
        const auto timebase = AudioTimebase::Of(c.rate, c.ntsc);
        const auto sel = AudioSplitSelection(2 * c.startFrame, 2 * (c.startFrame + c.frames - 1), timebase);
        EXPECT_EQ(sel.startByte % 4, 0u);
        RunControl run;
        ASSERT_EQ(SplitAudioToWav(dir + "/in.pcm", dir + "/out.wav", sel, SampleRateOf(c.rate), run), file_tools::kDone);
        const auto out = ReadBytes(dir + "/out.wav");
        ASSERT_EQ(out.size(), c.bytes);
        const auto header = wav::MakeWavHeader(SampleRateOf(c.rate), 2, c.bytes - 44);
        EXPECT_TRUE(std::equal(header.begin(), header.end(), out.begin()));
        EXPECT_EQ(out[4] | out[5] << 8 | out[6] << 16 | std::uint32_t(out[7]) << 24, c.bytes - 8);
        EXPECT_TRUE(std::equal(out.begin() + 44, out.end(), source.begin() + long(sel.startByte) + 44));
        const auto layout = wav::ParseWaveLayout(out, out.size());
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->sampleRate, SampleRateOf(c.rate));
        EXPECT_EQ(layout->byteRate, SampleRateOf(c.rate) * 4);
    }
    // The source ends inside the range: file error.
    const auto past = AudioSplitSelection(2 * 390, 2 * 420, AudioTimebase::Of(AudioRate::k48, false));
    RunControl run;
    EXPECT_EQ(SplitAudioToWav(dir + "/in.pcm", dir + "/out.wav", past, 48000, run), file_tools::kFileError);
}
