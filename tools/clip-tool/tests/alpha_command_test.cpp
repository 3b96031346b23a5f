// clip-tool alpha as a program: streams and their .adb written headlessly, the index builder
// agreeing with the .adb, and the exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "velmar_testing/test_support.h"

namespace {

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ClipToolAlpha, WritesTheStreamAndAnAdbTheIndexBuilderAgreesWith) {
    const std::string dir = velmar_testing::TempDir();
    const std::string tool = velmar_testing::BinDir() + "/clip-tool";
    ASSERT_EQ(velmar_testing::RunCommand(tool + " alpha fade " + dir + "/fade.alp --fields 5 --from 0 --to 255 > /dev/null"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/fade.alp"), 5u * 320);
    EXPECT_EQ(std::filesystem::file_size(dir + "/fade.adb"), 5u * 4);

    for (const char* name : {"a", "b"})
        ASSERT_EQ(velmar_testing::RunCommand(tool + " alpha dissolve " + dir + "/" + name +
                                             ".alp --fields 9 --width 352 --height 576 --block 7 --seed 11 > /dev/null 2>&1"),
                  0);
    EXPECT_EQ(Bytes(dir + "/a.alp"), Bytes(dir + "/b.alp"));  // a fixed seed repeats the stream
    const std::string ours = Bytes(dir + "/a.adb");
    EXPECT_EQ(ours.size(), 9u * 4);
    std::filesystem::remove(dir + "/a.adb");
    ASSERT_EQ(velmar_testing::RunCommand(tool + " index " + dir + "/a.alp > /dev/null"), 0);
    EXPECT_EQ(Bytes(dir + "/a.adb"), ours);
}

TEST(ClipToolAlpha, ExitCodes) {
    const std::string dir = velmar_testing::TempDir();
    const std::string tool = velmar_testing::BinDir() + "/clip-tool alpha ";
    const std::string quiet = " > /dev/null 2>&1";
    EXPECT_EQ(velmar_testing::RunCommand(tool + "wipe " + dir + "/x.alp" + quiet), 2);
    EXPECT_EQ(velmar_testing::RunCommand(tool + "fade " + dir + "/x.alp --height 488" + quiet), 2);
    EXPECT_EQ(velmar_testing::RunCommand(tool + "fade " + dir + "/x.alp --fields 0" + quiet), 2);
    EXPECT_EQ(velmar_testing::RunCommand(tool + "dissolve " + dir + "/x.alp --block 1" + quiet), 2);
    EXPECT_EQ(velmar_testing::RunCommand(tool + "fade " + dir + "/x.alp --to" + quiet), 2);
    EXPECT_EQ(velmar_testing::RunCommand(tool + "fade " + dir + "/missing/x.alp" + quiet), 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.alp"));
    // A stream named like its own index would be overwritten by it: refused, nothing written.
    EXPECT_EQ(velmar_testing::RunCommand(tool + "fade " + dir + "/x.adb" + quiet), 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.adb"));
}

}  // namespace
