// clip-tool as a program: the exit code tells whether the index is complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "velmar_testing/test_support.h"

TEST(ClipTool, IndexExitsZeroOnlyWhenComplete) {
    const std::string dir = velmar_testing::TempDir();
    const std::string tool = velmar_testing::BinDir() + "/clip-tool";
    const char stream[] = {0, 0, 1, char(0xB3), 0, 0, 1, 0, 0, 0x08, 0, 0};
    std::ofstream(dir + "/clip.mpg", std::ios::binary).write(stream, sizeof stream);
    std::ofstream(dir + "/text.mpg") << "not a stream";
    std::string out;
    EXPECT_EQ(velmar_testing::RunCommand(tool + " index " + dir + "/clip.mpg", &out), 0);
    EXPECT_EQ(out, "MPEG2 file detected, creating " + dir + "/clip.mdb\nBytes Read = 12\nresult 2: " + dir +
                       "/clip.mdb complete\n");
    EXPECT_EQ(std::filesystem::file_size(dir + "/clip.mdb"), 8u);
    out.clear();
    EXPECT_NE(velmar_testing::RunCommand(tool + " index " + dir + "/text.mpg 2>/dev/null", &out), 0);
    EXPECT_EQ(out, "result 0: failed, no index\n");
    EXPECT_FALSE(std::filesystem::exists(dir + "/text.mdb"));
    EXPECT_NE(velmar_testing::RunCommand(tool + " index 2>/dev/null"), 0);
}

// Help, asked of the tool or of a sub-command, is the usage on standard output and a success.
TEST(ClipTool, HelpGoesToStandardOutputAndSucceeds) {
    const std::string tool = velmar_testing::BinDir() + "/clip-tool";
    const struct {
        const char* words;
        const char* begins;
    } cases[] = {{" --help", "usage:\n"},
                 {" -h", "usage:\n"},
                 {" index --help", "usage: clip-tool index FILE\n"},
                 {" swap -h", "usage: clip-tool swap SRC DST\n"},
                 {" alpha --help", "usage: clip-tool alpha fade|dissolve"}};
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(velmar_testing::RunCommand(tool + c.words + " 2>&1", &out), 0) << c.words;
        EXPECT_EQ(out.rfind(c.begins, 0), 0u) << c.words << ": " << out;
    }
}
