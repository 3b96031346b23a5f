#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/profile.h"
#include "velmar_testing/test_support.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

class ProfileTest : public testing::Test {
protected:
    std::string path = velmar_testing::TempDir() + "/" +
                       testing::UnitTest::GetInstance()->current_test_info()->name() + ".INI";
    platform::Profile profile{path};
};

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(profile.GetString("BOARD1", "PATHVA", "none"), "none");
    EXPECT_EQ(profile.GetInt("BOARD1", "PALMODE", 7), 7);
    WriteFile(path, "[BOARD1]\nPALMODE=1\n");
    EXPECT_EQ(profile.GetInt("BOARD2", "PALMODE", 7), 7);
    EXPECT_EQ(profile.GetInt("BOARD1", "RECPLAY", -3), -3);
}

TEST_F(ProfileTest, NamesAreCaseInsensitiveAndValuesTrimmed) {
    WriteFile(path, "; comment\n[Board1]\n  PathVA =  C:\\clips\\a.mpg  \r\n");
    EXPECT_EQ(profile.GetString("BOARD1", "PATHVA"), "C:\\clips\\a.mpg");
    EXPECT_EQ(profile.GetString("board1", "pathva"), "C:\\clips\\a.mpg");
}

TEST_F(ProfileTest, IntegersReadLikeTheWindowsProfileFunctions) {
    WriteFile(path, "[S]\na=42\nb=-17\nc=abc\nd=12abc\ne=\nf= +5\n");
    EXPECT_EQ(profile.GetInt("S", "a", 0), 42);
    EXPECT_EQ(profile.GetInt("S", "b", 0), -17);
    EXPECT_EQ(profile.GetInt("S", "c", 9), 0);
    EXPECT_EQ(profile.GetInt("S", "d", 9), 12);
    EXPECT_EQ(profile.GetInt("S", "e", 9), 0);
    EXPECT_EQ(profile.GetInt("S", "f", 9), 5);
}

TEST_F(ProfileTest, LongValuesAreCutAt511Characters) {
    WriteFile(path, "[S]\nk=" + std::string(600, 'x') + "\n");
    EXPECT_EQ(profile.GetString("S", "k").size(), 511u);
}

TEST_F(ProfileTest, WritesKeepEveryOtherLine) {
    WriteFile(path, "; settings\n[BOARD1]\nPALMODE=0\n; keep me\nZOOM=1\n\n[GLOBAL]\nPATH=x\n");
    ASSERT_TRUE(profile.WriteInt("board1", "palmode", 1));          // replaced in place
    ASSERT_TRUE(profile.WriteString("BOARD1", "RECPLAY", "2"));      // appended to its section
    ASSERT_TRUE(profile.WriteString("BRAXEL", "PATHMV", "/a b/c"));  // new section at the end
    EXPECT_EQ(ReadFile(path),
              "; settings\n[BOARD1]\npalmode=1\n; keep me\nZOOM=1\nRECPLAY=2\n\n[GLOBAL]\nPATH=x\n"
              "[BRAXEL]\nPATHMV=/a b/c\n");
}

TEST_F(ProfileTest, WriteCreatesTheFileAndItsFolder) {
    platform::Profile nested(velmar_testing::TempDir() + "/new/folder/VELMAR.INI");
    ASSERT_TRUE(nested.WriteInt("BOARD2", "PALMODE", 1));
    EXPECT_EQ(nested.GetInt("BOARD2", "PALMODE", 0), 1);
}

TEST_F(ProfileTest, EveryReadSeesTheFileAsItIsNow) {
    ASSERT_TRUE(profile.WriteInt("S", "k", 1));
    EXPECT_EQ(profile.GetInt("S", "k", 0), 1);
    WriteFile(path, "[S]\nk=2\n");
    EXPECT_EQ(profile.GetInt("S", "k", 0), 2);
}

TEST_F(ProfileTest, TwoProcessesWritingAtOnceLoseNoKey) {
    constexpr int kKeys = 60;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    const char* who = child == 0 ? "child" : "parent";
    for (int i = 0; i < kKeys; ++i) profile.WriteInt("S", std::string(who) + std::to_string(i), i);
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    for (int i = 0; i < kKeys; ++i) {
        EXPECT_EQ(profile.GetInt("S", "child" + std::to_string(i), -1), i);
        EXPECT_EQ(profile.GetInt("S", "parent" + std::to_string(i), -1), i);
    }
}

TEST_F(ProfileTest, WritesGoThroughALinkKeepTheModeAndLeaveAReadOnlyFileAlone) {
    const std::string target = path + ".target";
    WriteFile(target, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(target.c_str(), 0600), 0);
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    ASSERT_TRUE(profile.WriteInt("S", "k", 2));
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(ReadFile(target), "[S]\nk=2\n");
    struct stat info{};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    EXPECT_FALSE(profile.WriteInt("S", "k", 3));
    EXPECT_EQ(ReadFile(target), "[S]\nk=2\n");
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
}

TEST_F(ProfileTest, OnlyRegularFilesOfSaneSizeAreRead) {
    // A device, a FIFO nobody writes and an oversized file all read as an empty profile, at once.
    const std::string fifo = path + ".fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = path + ".big";
    WriteFile(big, "[S]\nk=5\n" + std::string(platform::kProfileFileMax, ';') + "\n");
    const auto bigSize = std::filesystem::file_size(big);
    for (const std::string& name : {std::string("/dev/zero"), fifo, big}) {
        platform::Profile odd(name);
        EXPECT_EQ(odd.GetInt("S", "k", -1), -1) << name;
        EXPECT_FALSE(odd.WriteInt("S", "k", 1)) << name;
    }
    EXPECT_EQ(std::filesystem::file_size(big), bigSize);
    // The write lock is taken for a regular file only: no lock file appears beside a device or pipe.
    EXPECT_FALSE(std::filesystem::exists(fifo + ".lock"));
}

TEST(VelmarIniPath, FollowsTheEnvironment) {
    const std::string saved = std::getenv("VELMAR_INI");
    EXPECT_EQ(platform::VelmarIniPath(), saved);
    unsetenv("VELMAR_INI");
    setenv("XDG_CONFIG_HOME", "/xdg", 1);
    EXPECT_EQ(platform::VelmarIniPath(), "/xdg/velmar/VELMAR.INI");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/op", 1);
    EXPECT_EQ(platform::VelmarIniPath(), "/home/op/.config/velmar/VELMAR.INI");
    setenv("VELMAR_INI", saved.c_str(), 1);
}

}  // namespace
