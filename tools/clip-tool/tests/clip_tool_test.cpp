// clip-tool as a program: the exit code tells whether the index is complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

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

// What clip-tool says when a run does not do what was asked: each case's exit code, a piece of its
// message, and no file written over an input or left behind.
TEST(ClipTool, RefusalsAndAdjustmentsAreReported) {
    namespace fs = std::filesystem;
    const std::string dir = velmar_testing::TempDir();
    const std::string tool = velmar_testing::BinDir() + "/clip-tool";
    // Two groups of two pictures, 16 bytes each; and a damaged index whose second group starts
    // where the first does.
    const unsigned char index[] = {0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0,
                                   4, 0, 0, 0, 0, 0x82, 0, 0, 4, 0, 0, 0, 1, 0x81, 0, 0};
    const unsigned char damaged[] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x81, 0, 0};
    std::ofstream(dir + "/clip.mpg", std::ios::binary) << std::string(32, 'v');
    std::ofstream(dir + "/clip.mdb", std::ios::binary).write(reinterpret_cast<const char*>(index), sizeof index);
    std::ofstream(dir + "/bad.mpg", std::ios::binary) << std::string(32, 'v');
    std::ofstream(dir + "/bad.mdb", std::ios::binary).write(reinterpret_cast<const char*>(damaged), sizeof damaged);
    std::ofstream(dir + "/plain.mpg", std::ios::binary) << std::string(32, 'p');  // no index beside it
    fs::create_directory(dir + "/folder");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
    struct Case {
        std::string args;
        int exit;
        std::string says;
        std::string absent;  // a file the run must not leave
    };
    const std::string clip = dir + "/clip.mpg ";
    const Case cases[] = {
        {"split " + clip + dir + "/clip.mdb 00:00:00:00 00:00:00:01", 1, "would replace the source or its index", ""},
        {"split " + clip + dir + "/out.mdb 00:00:00:00 00:00:00:01", 1, "would replace the source or its index",
         dir + "/out.mdb"},
        {"split " + clip + dir + "/late.mpg 00:00:00:03 00:00:00:01", 0, "frames 3..1 asked, the clip gives 3..3", ""},
        {"split " + dir + "/bad.mpg " + dir + "/empty.mpg 00:00:00:00 00:00:00:00", 1, "gives no bytes for frames 0..0",
         dir + "/empty.mpg"},
        {"swap " + dir + "/folder " + dir + "/out", 1, "file error: " + dir + "/folder: not a regular file", dir + "/out"},
        {"swap " + dir + "/fifo " + dir + "/out", 1, "file error: " + dir + "/fifo: not a regular file", dir + "/out"},
        {"swap /dev/zero " + dir + "/out", 1, "file error: /dev/zero: not a regular file", dir + "/out"},
        {"swap " + clip + dir + "/folder", 1, "file error: " + dir + "/folder: a folder has this name", ""},
        {"swap " + clip + dir + "/none/out", 1, "file error: " + dir + "/none/out: No such file or directory", ""},
        {"merge " + clip + dir + "/fifo", 1, "file error: " + dir + "/fifo: not a regular file", ""},
        {"merge " + clip + dir + "/plain.mpg", 1,
         "file error: " + dir + "/plain.mpg has no picture index (" + dir + "/plain.mdb): build it with the Index "
         "Builder (clip-tool index " + dir + "/plain.mpg)", ""},
        {"split " + dir + "/folder " + dir + "/out 00:00:00:00 00:00:00:01", 1, dir + "/folder: not a regular file",
         dir + "/out"},
        {"split " + dir + "/fifo " + dir + "/out 00:00:00:00 00:00:00:01", 1, dir + "/fifo: not a regular file",
         dir + "/out"},
        {"split /dev/zero " + dir + "/out 00:00:00:00 00:00:00:01", 1, "/dev/zero: not a regular file", dir + "/out"},
        {"split " + dir + "/none.wav " + dir + "/out 00:00:00:00 00:00:00:01", 1, "Can't find file " + dir + "/none.wav",
         dir + "/out"},
        {"index " + dir + "/fifo", 1, "can't open", dir + "/fifo.mdb"},
    };
    const auto index0 = fs::file_size(dir + "/clip.mdb");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        std::string out;
        EXPECT_EQ(velmar_testing::RunCommand("timeout 20 " + tool + " " + c.args + " 2>&1", &out), c.exit);
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
        if (!c.absent.empty()) {
            EXPECT_FALSE(fs::exists(c.absent));
        }
        EXPECT_EQ(fs::file_size(dir + "/clip.mpg"), 32u);
        EXPECT_EQ(fs::file_size(dir + "/clip.mdb"), index0);
    }
    EXPECT_EQ(fs::file_size(dir + "/late.mpg"), 16u);  // the second group, frames 2 and 3
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
