// Splitting a clip at a group boundary and merging the pieces gives back the clip and its index,
// over streams ffmpeg makes with several group shapes; once through clip-tool itself.
#include <gtest/gtest.h>

#include "file_tools/file_merge.h"
#include "file_tools/file_split.h"
#include "file_tools/tool_file.h"
#include "file_tools_test_support.h"
#include "platform/run_state.h"
#include "ps_demux/picture_indexer.h"
#include "ps_testing/ps_test_support.h"
#include "velmar_testing/test_support.h"

using namespace file_tools;
using namespace file_tools_testing;
using platform::RunControl;

namespace {

// An MPEG-2 elementary stream with its start codes on 4-byte boundaries (as the board writes
// them) and its .mdb beside it, indexed by the demultiplexer's indexer.
void MakeClip(const std::string& path, const std::string& encoderOptions) {
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=176x144:rate=25:duration=4 "
                                         "-c:v mpeg2video " + encoderOptions + " -f mpeg2video " + path),
              0);
    std::vector<index_formats::PictureIndexRecord> records;
    ps_demux::PictureIndexer indexer(
        [&](const std::vector<index_formats::PictureIndexRecord>& group) {
            records.insert(records.end(), group.begin(), group.end());
            return true;
        },
        [](const std::string&) {});
    const auto bytes = ps_testing::AlignStartCodes(ReadBytes(path));
    WriteBytes(path, bytes);
    ASSERT_TRUE(indexer.Feed(bytes.data(), bytes.size()));
    ASSERT_TRUE(indexer.Finish());
    WriteBytes(PictureIndexPathBeside(path), index_formats::EncodePictureIndex(records));
}

RunResult Split(const std::string& source, const std::string& destination, int firstFrame, int lastFrame) {
    const auto sel = VideoSplitSelection(source, 2 * firstFrame, 2 * lastFrame);
    if (!sel) return file_tools::kFileError;
    RunControl run;
    const RunResult data = SplitVideoData(source, destination, *sel, run);
    return data == file_tools::kDone ? WriteSplitIndex(source, destination, *sel, run) : data;
}

}  // namespace

TEST(SplitThenMerge, GivesBackTheClipAndItsIndexAtEveryGroupBoundary) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    int clip = 0;
    for (std::string options : {"-g 12 -bf 2", "-g 15 -bf 0", "-g 7 -bf 1 -sc_threshold 1000000000"}) {
        SCOPED_TRACE(options);
        const std::string source = dir + "/clip" + std::to_string(clip++) + ".mpg";
        MakeClip(source, options);
        const auto original = ReadBytes(source);
        const auto originalIndex = ReadBytes(PictureIndexPathBeside(source));
        const auto records = index_formats::DecodePictureIndex(originalIndex);
        ASSERT_GT(records.size(), 20u);
        const int last = int(records.size()) - 1;
        int boundaries = 0;
        for (int boundary = 1; boundary <= last; ++boundary) {
            if (records[boundary].pictureInGroup != 0 || records[boundary - 1].picturesToGroupEnd != 1) continue;
            SCOPED_TRACE(boundary);
            ++boundaries;
            ASSERT_EQ(Split(source, dir + "/head.mpg", 0, boundary - 1), file_tools::kDone);
            ASSERT_EQ(Split(source, dir + "/tail.mpg", boundary, last), file_tools::kDone);
            RunControl run;
            ASSERT_EQ(MergeFiles(dir + "/head.mpg", dir + "/tail.mpg", run), file_tools::kDone);
            EXPECT_EQ(ReadBytes(dir + "/head.mpg"), original);
            EXPECT_EQ(ReadBytes(dir + "/head.mdb"), originalIndex);
        }
        EXPECT_GE(boundaries, 3);
    }
}

TEST(ClipTool, SwapMergeSplitExitZeroOnlyOnSuccess) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string tool = velmar_testing::BinDir() + "/clip-tool ";
    MakeClip(dir + "/a.mpg", "-g 12 -bf 2");
    const auto original = ReadBytes(dir + "/a.mpg");
    const auto index = ReadBytes(dir + "/a.mdb");
    const int frames = int(index.size() / 8);
    auto run = [&](const std::string& args) { return velmar_testing::RunCommand(tool + args + " 2>/dev/null"); };

    EXPECT_EQ(run("split " + dir + "/a.mpg " + dir + "/p1.mpg 00:00:00:00 00:00:01:05"), 0);
    EXPECT_EQ(run("split " + dir + "/a.mpg " + dir + "/p2.mpg 00:00:01:05 00:00:59:00"), 0);
    EXPECT_EQ(run("merge " + dir + "/p1.mpg " + dir + "/p2.mpg"), 0);
    // Group boundaries at 12 and 24: the first piece runs to 35, the second starts at 24.
    EXPECT_EQ(ReadBytes(dir + "/p1.mdb").size() / 8, std::size_t(36 + frames - 24));
    EXPECT_EQ(run("merge " + dir + "/p1.mpg " + dir + "/./p1.mpg"), 1);
    EXPECT_EQ(run("split " + dir + "/a.mpg " + dir + "/x.mpg 00:00:00:00 bad"), 2);
    EXPECT_EQ(run("split " + dir + "/none.mpg " + dir + "/x.mpg 00:00:00:00 00:00:00:01"), 1);
    EXPECT_EQ(run("swap " + dir + "/a.mpg " + dir + "/s.mpg"), 0);
    EXPECT_EQ(run("swap " + dir + "/s.mpg " + dir + "/s2.mpg"), 0);
    EXPECT_EQ(ReadBytes(dir + "/s2.mpg"), original);
    EXPECT_EQ(run("swap " + dir + "/a.mpg " + dir + "/a.mpg"), 1);
    EXPECT_EQ(ReadBytes(dir + "/a.mpg"), original);

    // Audio by the dialog's rule (anything but ".mpg"), 48 kHz PAL: 10 frames of 7680 bytes.
    WriteBytes(dir + "/tone.pcm", Pattern(7680 * 50));
    EXPECT_EQ(run("split " + dir + "/tone.pcm " + dir + "/t.wav 00:00:00:10 00:00:00:19 --rate 48"), 0);
    EXPECT_EQ(ReadBytes(dir + "/t.wav").size(), 76800u);
    EXPECT_EQ(run("split " + dir + "/tone.pcm " + dir + "/t.wav 00:00:00:10 00:00:00:19 --rate 22"), 2);
}
