// The index of a real MPEG-2 stream against one derived from ffprobe: each picture in display order
// belongs to the group whose sequence header precedes its packet, and its place among that
// group's pictures is its picture-in-group field.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>

#include "index_builder/index_builder.h"
#include "index_formats/index_files.h"
#include "stream_fixtures.h"
#include "velmar_testing/test_support.h"

using namespace index_builder_testing;
using index_formats::PictureIndexRecord;

TEST(IndexBuilderFfmpeg, MatchesFfprobeFrames) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    VELMAR_REQUIRE_TOOL("ffprobe");
    const std::string dir = velmar_testing::TempDir();
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=352x240:rate=30000/1001 "
                                         "-frames:v 75 -c:v mpeg2video -g 12 -bf 2 -f mpeg2video " +
                                         dir + "/raw.m2v"),
              0);
    // The builder sees start codes on 4-byte boundaries only; zero stuffing puts them there.
    const Bytes stream = AlignStartCodes(ReadFile(dir + "/raw.m2v"));
    WriteFile(dir + "/clip.m2v", stream);

    std::string probe;
    ASSERT_EQ(velmar_testing::RunCommand("ffprobe -v error -show_entries frame=pkt_pos -of compact=p=0:nk=1 " +
                                             dir + "/clip.m2v",
                                         &probe),
              0);
    std::vector<std::uint64_t> positions;  // display order
    std::istringstream lines(probe);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))  // "pos|", side data aside
            positions.push_back(std::stoull(line));
    ASSERT_EQ(positions.size(), 75u);

    std::vector<std::uint64_t> groups;  // byte offsets of the sequence headers
    for (std::size_t i = 0; i + 4 <= stream.size(); i += 4)
        if (stream[i] == 0 && stream[i + 1] == 0 && stream[i + 2] == 1 && stream[i + 3] == 0xB3) groups.push_back(i);
    ASSERT_GT(groups.size(), 5u);
    std::vector<PictureIndexRecord> expected;
    std::map<std::uint64_t, int> perGroup;
    for (std::uint64_t pos : positions) {
        const std::uint64_t group = *(std::upper_bound(groups.begin(), groups.end(), pos) - 1);
        expected.push_back({group / 4, std::uint8_t(perGroup[group]++), 0, group == groups.back()});
    }
    for (auto& r : expected) r.picturesToGroupEnd = std::uint8_t(perGroup[r.GroupByteOffset()] - r.pictureInGroup);

    const auto outcome = index_builder::BuildIndexFile(dir + "/clip.m2v");
    ASSERT_EQ(outcome.run.status, platform::RunStatus::Done) << outcome.run.error;
    EXPECT_EQ(index_formats::ReadPictureIndexFile(dir + "/clip.mdb"), expected);
}
