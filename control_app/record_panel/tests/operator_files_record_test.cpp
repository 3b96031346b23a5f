// The record panel's outputs: one in a missing folder, a file Velmar reads, or anything but a
// regular file at the name is refused before the board is told of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "record_fixture.h"

namespace velmar {
namespace {

using namespace record_testing;
using namespace record_ids;
namespace fs = std::filesystem;

TEST(OperatorFiles, RecordOutputsAreRefusedBeforeTheBoardIsToldOfThem) {
    struct Case {
        const char* output;
        std::string box;
    };
    const std::vector<Case> cases{
        {"no-such-folder/take.mpg", "Can't create no-such-folder/take.mpg: its folder does not exist"},
        {"mpeg/black1.mpg", "mpeg/black1.mpg is a clip, index, list or data file Velmar reads: choose another output"},
        {"folder.mpg", "folder.mpg is not a regular file and is not overwritten"},
    };
    for (const auto& c : cases) {
        RecordFixture f;
        f.SetKey("RPATHV", c.output);
        f.StartUp();
        fs::create_directory("folder.mpg");
        const std::size_t mark = f.Mark();
        const std::size_t boxes = f.ui.Boxes().size();
        f.panel->Command(kRecordVideo);
        ASSERT_GT(f.ui.Boxes().size(), boxes) << c.output;
        EXPECT_EQ(f.BoxTexts()[boxes], c.box);
        for (const auto& line : f.Sent(mark)) EXPECT_EQ(line.find("-o0B"), std::string::npos) << line;
        EXPECT_TRUE(fs::is_directory("folder.mpg"));
        EXPECT_TRUE(fs::exists("mpeg/black1.mpg"));
    }
}

}  // namespace
}  // namespace velmar
