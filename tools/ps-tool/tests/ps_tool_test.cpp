// ps-tool driven through VELMAR.INI, as the dialogs would run the engines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/profile.h"
#include "ps_testing/ps_test_support.h"
#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

using velmar_testing::RunCommand;

namespace {
// ffmpeg's video with its start codes on 4-byte boundaries, as the board writes them: Ostrand
// indexes only such a stream.
std::string AlignedMpeg2Video(const std::string& dir) {
    const std::string path = dir + "/aligned.m2v";
    ps_testing::WriteFileBytes(path, ps_testing::AlignStartCodes(ps_testing::ReadFileBytes(ps_testing::MakeMpeg2Video(dir))));
    return path;
}
}  // namespace

TEST(PsTool, BraxelThenOstrand) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = AlignedMpeg2Video(dir);
    const std::string audio = ps_testing::MakeMpegAudio(dir, "mp2", 44100, 128);
    platform::Profile ini;
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMV", video));
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMA", audio));
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMP", dir + "/out.mpg"));
    ASSERT_TRUE(ini.WriteInt("BRAXEL", "MPSTYPE", 1));
    const std::string tool = velmar_testing::BinDir() + "/ps-tool";

    std::string out;
    EXPECT_EQ(RunCommand(tool + " braxel --analyze", &out), 0);
    EXPECT_NE(out.find("MPEG-2"), std::string::npos) << out;
    EXPECT_NE(out.find("44100 samples/s"), std::string::npos) << out;
    EXPECT_EQ(ini.GetInt("BRAXEL", "MPSTYPE", 0), 2);  // the MPEG-2 video picked the output type

    EXPECT_EQ(RunCommand(tool + " braxel", &out), 0);
    EXPECT_NE(out.find("status: Done !!!"), std::string::npos) << out;

    ASSERT_TRUE(ini.WriteString("OSTRAND", "PATHMP", dir + "/out.mpg"));
    ASSERT_TRUE(ini.WriteString("OSTRAND", "PATHMO", dir + "/split"));
    EXPECT_EQ(RunCommand(tool + " ostrand --analyze", &out), 0);
    EXPECT_NE(out.find("MPEG-2 Program stream"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(tool + " ostrand", &out), 0);
    EXPECT_NE(out.find("message: Finished !!!"), std::string::npos) << out;
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/splite0.mpg"), ps_testing::ReadFileBytes(video));
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/splitc0.mpg"), ps_testing::ReadFileBytes(audio));
    EXPECT_TRUE(std::ifstream(dir + "/splitc0.wav").good());
    EXPECT_TRUE(std::ifstream(dir + "/splite0.mdb").good());

    // A refused input: the error box text and a failing exit status.
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMA", dir + "/missing.mp2"));
    EXPECT_NE(RunCommand(tool + " braxel", &out), 0);
    EXPECT_NE(out.find("Error: Can't open audio file"), std::string::npos) << out;
}

// Files named on the command line, no INI keys at all; options checked before anything is written.
TEST(PsTool, CommandLineArguments) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string video = AlignedMpeg2Video(dir);
    const std::string audio = ps_testing::MakeMpegAudio(dir, "mp2", 48000, 192);
    const std::string tool = velmar_testing::BinDir() + "/ps-tool";
    const std::string files = " --video " + video + " --audio " + audio + " --out " + dir + "/cl.mpg";
    const std::string settingBefore = platform::Profile().GetString("BRAXEL", "PATHMV");

    struct Refused {
        std::string args;
        std::string why;
    };
    const Refused refused[] = {
        {" braxel" + files + " --type 4", "--type takes 0, 1, 2 or 3"},
        {" braxel" + files + " --layer 0", "--layer takes 1, 2 or 3"},
        {" braxel" + files + " --bitrate fast", "--bitrate takes"},
        {" braxel" + files + " --speed 2", "unknown option --speed"},
        {" braxel --video", "--video needs a value"},
        {" ostrand " + dir + "/cl.mpg", "give both IN and OUTBASE"},
        {" ostrand " + dir + "/cl.mpg " + dir + "/cl --mdb", "unknown option --mdb"},
    };
    std::string out;
    for (const Refused& r : refused) {
        EXPECT_EQ(RunCommand(tool + r.args + " 2>&1", &out), 2) << r.args;
        EXPECT_NE(out.find(r.why), std::string::npos) << out;
    }
    EXPECT_FALSE(std::ifstream(dir + "/cl.mpg").good());
    EXPECT_FALSE(std::ifstream(dir + "/cle0.mpg").good());

    EXPECT_EQ(RunCommand(tool + " braxel --help", &out), 0);
    EXPECT_NE(out.find("--bitrate"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(tool + " braxel" + files + " --type 2", &out), 0) << out;
    EXPECT_NE(out.find("status: Done !!!"), std::string::npos) << out;
    EXPECT_EQ(platform::Profile().GetString("BRAXEL", "PATHMV"), settingBefore);  // the settings are left alone

    // Without --decode only the elementary streams; with it, the WAVE and the index too.
    EXPECT_EQ(RunCommand(tool + " ostrand " + dir + "/cl.mpg " + dir + "/plain", &out), 0) << out;
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/plaine0.mpg"), ps_testing::ReadFileBytes(video));
    EXPECT_FALSE(std::ifstream(dir + "/plainc0.wav").good());
    EXPECT_EQ(RunCommand(tool + " ostrand " + dir + "/cl.mpg " + dir + "/full --decode", &out), 0) << out;
    EXPECT_TRUE(std::ifstream(dir + "/fullc0.wav").good());
    EXPECT_TRUE(std::ifstream(dir + "/fulle0.mdb").good());
}

// The other two output types headless: WAVE to MPEG audio and DV audio replacement.
TEST(PsTool, BraxelConvertsWaveAndReplacesDvAudio) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir();
    const std::string dv = dir + "/in.dv";
    ASSERT_TRUE(ps_testing::Ffmpeg("-f lavfi -i testsrc=size=720x576:rate=25 -t 0.2 -pix_fmt yuv420p -c:v dvvideo -f dv " + dv));
    auto writeWave = [&](const std::string& path, std::uint32_t rate) {
        const auto header = wav::MakeWavHeader(rate, 2, 4 * 9600);
        // Built at its full size: growing the header's vector made GCC 12's Release build warn falsely.
        std::vector<std::uint8_t> bytes(header.size() + 4 * 9600, 0x11);
        std::copy(header.begin(), header.end(), bytes.begin());
        ps_testing::WriteFileBytes(path, bytes);
        return path;
    };
    const std::string w48 = writeWave(dir + "/w48.wav", 48000), w44 = writeWave(dir + "/w44.wav", 44100);
    std::remove(platform::VelmarIniPath().c_str());
    const std::string tool = velmar_testing::BinDir() + "/ps-tool";

    // The conversion from the command line, no codec driver: the built-in encoder after the "Info"
    // text. Only a bad option line goes to standard error; the encoder's notes go with the rest.
    std::string out;
    EXPECT_EQ(RunCommand("VELMAR_ACM_DRIVERS=none " + tool + " braxel --audio " + w48 + " --out " + dir +
                             "/out.mp2 --type 3 --layer 2 --bitrate 192000 2>" + dir + "/stderr",
                         &out),
              0);
    EXPECT_TRUE(ps_testing::ReadFileBytes(dir + "/stderr").empty());
    EXPECT_NE(out.find("Info: No QDesign ACM Driver found."), std::string::npos) << out;
    EXPECT_NE(out.find("status: Done !!!"), std::string::npos) << out;
    // The input's 9 frames and one of silence that carries its end through the filter banks.
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/out.mp2").size(), 10u * 576);

    // DV audio replacement from the settings.
    platform::Profile ini;
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMA", w48));
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMV", dv));
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMP", dir + "/out.dv"));
    ASSERT_TRUE(ini.WriteInt("BRAXEL", "MPSTYPE", 0));
    out.clear();
    EXPECT_EQ(RunCommand(tool + " braxel", &out), 0);
    EXPECT_NE(out.find("status: Done !!!"), std::string::npos) << out;
    EXPECT_EQ(ps_testing::ReadFileBytes(dir + "/out.dv").size(), ps_testing::ReadFileBytes(dv).size());

    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMA", w44));
    ASSERT_TRUE(ini.WriteString("BRAXEL", "PATHMP", dir + "/refused.dv"));
    out.clear();
    EXPECT_NE(RunCommand(tool + " braxel", &out), 0);
    EXPECT_NE(out.find("Error: Audio file must be 48KHz for DV"), std::string::npos) << out;
    EXPECT_FALSE(velmar_testing::FileExists(dir + "/refused.dv"));
}
