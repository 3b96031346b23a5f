// clip-tool alpha as a program: streams and their .adb written headlessly, the index builder
// agreeing with the .adb, the exit codes, and a run stopped midway.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

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

// A disk that fills (the file size limit, its signal ignored) is named with the file it stopped,
// and the pair that was there stays.
TEST(ClipToolAlpha, AFullDiskSaysWhy) {
    const std::string dir = velmar_testing::TempDir();
    const std::string tool = velmar_testing::BinDir() + "/clip-tool alpha fade " + dir + "/full.alp";
    ASSERT_EQ(velmar_testing::RunCommand(tool + " --fields 2 > /dev/null"), 0);
    const std::string oldStream = Bytes(dir + "/full.alp"), oldIndex = Bytes(dir + "/full.adb");
    std::string said;
    EXPECT_EQ(velmar_testing::RunCommand("sh -c \"trap '' XFSZ; ulimit -f 8; exec " + tool + " --fields 100\" 2>&1 >/dev/null", &said), 1);
    EXPECT_NE(said.find("Trouble With Alpha Stream Output File! " + dir + "/full.alp: File too large"), std::string::npos) << said;
    EXPECT_EQ(Bytes(dir + "/full.alp"), oldStream);
    EXPECT_EQ(Bytes(dir + "/full.adb"), oldIndex);
}

// Ctrl-C or kill -9 while a long dissolve is written over an existing pair: the stream and the
// .adb that were there stay byte for byte.
TEST(ClipToolAlpha, AnInterruptedRunLeavesThePairThatWasThere) {
    const std::string tool = velmar_testing::BinDir() + "/clip-tool";
    for (int signal : {SIGINT, SIGKILL}) {
        SCOPED_TRACE(signal);
        const std::string dir = velmar_testing::TempDir() + "/" + std::to_string(signal);
        std::filesystem::create_directory(dir);
        const std::string stream = dir + "/mix.alp";
        ASSERT_EQ(velmar_testing::RunCommand(tool + " alpha fade " + stream + " --fields 3 > /dev/null"), 0);
        const std::string oldStream = Bytes(stream), oldIndex = Bytes(dir + "/mix.adb");
        ASSERT_EQ(oldIndex.size(), 3u * 4);

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            ::execl(tool.c_str(), "clip-tool", "alpha", "dissolve", stream.c_str(), "--fields", "16000", "--block", "2",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Mid-run: the stream being written (under whatever name) has grown past its first frames.
        auto writing = [&] {
            for (const auto& entry : std::filesystem::directory_iterator(dir))
                if (entry.path().filename() != "mix.adb" && entry.file_size() > 100000) return true;
            return false;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!writing() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(writing());
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(Bytes(stream), oldStream);
        EXPECT_EQ(Bytes(dir + "/mix.adb"), oldIndex);
    }
}

}  // namespace
