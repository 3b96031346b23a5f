// The generated parking clips must be what a real decoder accepts, and their indexes must point
// at their groups.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "index_builder/index_builder.h"
#include "index_formats/index_files.h"
#include "index_formats/picture_index.h"
#include "velmar_testing/test_support.h"

namespace {

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ClipCase {
    const char* name;
    int pictures;
    const char* size;
};

class ParkingClip : public ::testing::TestWithParam<ClipCase> {};

TEST_P(ParkingClip, DecodesAsBlackMpeg2WithAMatchingIndex) {
    VELMAR_REQUIRE_TOOL("ffprobe");
    const std::string clip = velmar_testing::RunDir() + "/mpeg/" + GetParam().name + ".mpg";
    std::string out;
    ASSERT_EQ(velmar_testing::RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                         "stream=codec_name,width,height,nb_read_frames -of csv=p=0 " + clip,
                                         &out),
              0);
    const std::string expected =
        std::string("mpeg2video,") + GetParam().size + "," + std::to_string(GetParam().pictures);
    EXPECT_EQ(out.substr(0, expected.size()), expected);

    std::string mean;
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -i " + clip +
                                         " -vf signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=- "
                                         "-f null - | grep -m1 YAVG",
                                         &mean),
              0);
    EXPECT_NE(mean.find("YAVG=16"), std::string::npos) << mean;

    const auto stream = ReadBytes(clip);
    const auto records =
        index_formats::DecodePictureIndex(ReadBytes(velmar_testing::RunDir() + "/mpeg/" + GetParam().name + ".mdb"));
    ASSERT_EQ(static_cast<int>(records.size()), GetParam().pictures);
    for (const auto& record : records) {
        const auto at = record.GroupByteOffset();
        ASSERT_LT(at + 4, stream.size());
        EXPECT_EQ(stream[at + 3], 0xB3) << "group offset " << at << " is not a sequence header";
    }
    EXPECT_TRUE(records.back().lastGroup);
    EXPECT_FALSE(records.front().lastGroup);

    // The index builder finds every picture: the start codes lie on 4-byte boundaries.
    const std::string copy = velmar_testing::TempDir() + "/clip.mpg";
    std::filesystem::copy_file(clip, copy);
    const auto built = index_builder::BuildIndexFile(copy);
    ASSERT_EQ(built.run.status, platform::RunStatus::Done) << built.run.error;
    EXPECT_EQ(index_formats::ReadPictureIndexFile(built.indexPath), records);
}

INSTANTIATE_TEST_SUITE_P(Standards, ParkingClip,
                         ::testing::Values(ClipCase{"black1", 30, "720,480"}, ClipCase{"black1pal", 25, "720,576"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CutAlpha, FramesStartWithTheMarkerOnEightByteBoundaries) {
    const auto alpha = ReadBytes(velmar_testing::RunDir() + "/mpeg/framecut1.alp");
    ASSERT_GE(alpha.size(), 68u);
    const std::uint32_t length = (alpha[4] << 24) | (alpha[5] << 16) | (alpha[6] << 8) | alpha[7];
    const std::size_t frame = (length + 7) / 8 * 8;
    ASSERT_EQ(alpha.size() % frame, 0u);
    for (std::size_t at = 0; at < alpha.size(); at += frame)
        EXPECT_EQ(std::string(alpha.begin() + at, alpha.begin() + at + 4), "CCBA");
}

}  // namespace
