// What Braxel, Ostrand, mpa-tool and clip-tool leave at their outputs when runs overlap, are
// interrupted or fail, and how they take pipes and devices: one whole result or the file that was there.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ps_testing/ps_test_support.h"
#include "velmar_testing/test_support.h"
#include "wave_format/wave_header.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using ps_testing::ReadFileBytes;
using velmar_testing::RunCommand;

std::string Tool(const std::string& name) { return velmar_testing::BinDir() + "/" + name; }

// A stereo 16-bit WAVE file of `seconds` whose samples follow `seed`, so two seeds give two results.
std::string WriteWave(const std::string& path, int seconds, int seed, std::uint32_t rate = 48000) {
    const std::uint32_t bytes = rate * 4 * std::uint32_t(seconds);
    const auto header = wav::MakeWavHeader(rate, 2, bytes);
    Bytes data(header.begin(), header.end());
    data.resize(header.size() + bytes);
    for (std::size_t i = header.size(); i < data.size(); ++i) data[i] = std::uint8_t((i * 7 + seed * 13) >> (i % 3));
    ps_testing::WriteFileBytes(path, data);
    return path;
}

// The names of the output writer's temporary files in `dir`.
std::vector<std::string> Temporaries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::string(e->d_name).rfind(".velmar-", 0) == 0) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// Starts a command (its words after "exec", so that the signals reach the tool itself).
pid_t Start(const std::string& command) {
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        velmar_testing::EndWithParent(parent);
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null 2>&1").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

int Wait(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

// Waits (at most 60 s) until the run has a temporary file in `dir` of more than `bytes`; false
// when it ended first.
bool WaitForTemporary(pid_t child, const std::string& dir, off_t bytes = -1) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < end) {
        for (const std::string& name : Temporaries(dir)) {
            struct stat info {};
            if (stat((dir + "/" + name).c_str(), &info) == 0 && info.st_size > bytes) return true;
        }
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

TEST(OutputRuns, TwoRunsOntoOneOutputLeaveOneOfTheTwoResults) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir() + "/concurrent";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string dv = dir + "/in.dv";
    ASSERT_TRUE(
        ps_testing::Ffmpeg("-f lavfi -i testsrc=size=720x576:rate=25 -t 1 -pix_fmt yuv420p -c:v dvvideo -f dv " + dv));
    const std::string waves[2] = {WriteWave(dir + "/a.wav", 1, 1), WriteWave(dir + "/b.wav", 1, 2)};
    const auto braxel = [&](const std::string& wave, const std::string& out) {
        return Tool("ps-tool") + " braxel --type 0 --video " + dv + " --audio " + wave + " --out " + out;
    };
    const auto enc = [&](const std::string& wave, const std::string& out) {
        return Tool("mpa-tool") + " enc 'enc -l 2 -b 192' " + wave + " " + out;
    };
    for (const auto& command : {std::function<std::string(const std::string&, const std::string&)>(braxel),
                                std::function<std::string(const std::string&, const std::string&)>(enc)}) {
        Bytes references[2];
        for (int i = 0; i < 2; ++i) {
            const std::string reference = dir + "/reference" + std::to_string(i);
            ASSERT_EQ(RunCommand(command(waves[i], reference) + " >/dev/null 2>&1"), 0) << command(waves[i], reference);
            references[i] = ReadFileBytes(reference);
        }
        ASSERT_NE(references[0], references[1]);
        const std::string same = dir + "/same";
        for (int round = 0; round < 20; ++round) {
            const pid_t first = Start(command(waves[0], same));
            const pid_t second = Start(command(waves[1], same));
            const int a = Wait(first), b = Wait(second);
            ASSERT_TRUE(WIFEXITED(a) && WEXITSTATUS(a) == 0 && WIFEXITED(b) && WEXITSTATUS(b) == 0);
            const Bytes result = ReadFileBytes(same);
            ASSERT_TRUE(result == references[0] || result == references[1])
                << command(waves[0], same) << " round " << round;
        }
        EXPECT_TRUE(Temporaries(dir).empty());
    }
}

// Runs started at once onto one stream and its index: whichever puts its files in place last,
// the two files are one run's.
TEST(OutputRuns, TwoRunsOntoOnePairLeaveOneRunsPair) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir() + "/pairs";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string clip = dir + "/clip.mpg";
    ps_testing::WriteFileBytes(clip, ps_testing::AlignStartCodes(ReadFileBytes(ps_testing::MakeMpeg2Video(dir, 2))));
    const std::string clipTool = Tool("clip-tool");
    ASSERT_EQ(RunCommand(clipTool + " index " + clip + " >/dev/null"), 0);
    struct Pair {
        std::string stream, index;  // the two extensions
        std::vector<std::pair<std::string, std::string>> runs;  // each run's words before and after the stem
    };
    const Pair pairs[] = {
        {".alp", ".adb",
         {{clipTool + " alpha dissolve ", ".alp --fields 4 --seed 3"},
          {clipTool + " alpha fade ", ".alp --fields 40 --from 10"},
          {clipTool + " alpha dissolve ", ".alp --fields 5 --seed 4"},
          {clipTool + " alpha fade ", ".alp --fields 30 --from 20"}}},
        {".mpg", ".mdb",
         {{clipTool + " split " + clip + " ", ".mpg 00:00:00:00 00:00:00:11"},
          {clipTool + " split " + clip + " ", ".mpg 00:00:00:12 00:00:00:23"},
          {clipTool + " split " + clip + " ", ".mpg 00:00:00:24 00:00:01:10"},
          {clipTool + " split " + clip + " ", ".mpg 00:00:00:00 00:00:01:10"}}},
    };
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.stream);
        const auto read = [&](const std::string& stem) {
            return std::make_pair(ReadFileBytes(stem + pair.stream), ReadFileBytes(stem + pair.index));
        };
        std::vector<std::pair<Bytes, Bytes>> references;
        for (const auto& [before, after] : pair.runs) {
            const std::string stem = dir + "/reference" + std::to_string(references.size());
            ASSERT_EQ(RunCommand(before + stem + after + " >/dev/null 2>&1"), 0) << before + stem + after;
            references.push_back(read(stem));
        }
        for (int round = 0; round < 20; ++round) {
            std::vector<pid_t> children;
            for (const auto& [before, after] : pair.runs) children.push_back(Start(before + dir + "/same" + after));
            for (pid_t child : children) {
                const int status = Wait(child);
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
            }
            const auto result = read(dir + "/same");
            ASSERT_NE(std::find(references.begin(), references.end(), result), references.end()) << "round " << round;
        }
        EXPECT_TRUE(Temporaries(dir).empty());
    }
}

// Each tool killed in the middle of a run over an output of an earlier one: SIGINT ends it with
// nothing left behind, SIGKILL leaves at most its temporary file, which the next run removes.
TEST(OutputRuns, AKilledRunLeavesTheOldOutput) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir() + "/killed";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string wave = WriteWave(dir + "/long.wav", 40, 3);
    // Ostrand's input: a program stream of our own multiplexer, long enough to be caught mid-run.
    const std::string video = ps_testing::MakeMpeg2Video(dir, 20);
    const std::string audio = ps_testing::MakeMpegAudio(dir, "mp2", 48000, 192, 20);
    const std::string stream = dir + "/in.mpg";
    ASSERT_EQ(RunCommand(Tool("ps-tool") + " braxel --type 2 --video " + video + " --audio " + audio + " --out " +
                         stream + " >/dev/null"),
              0);
    struct Run {
        const char* what;
        std::string command;
        std::string output;  // the file the run would replace
    };
    const Run runs[] = {
        {"braxel",
         "env VELMAR_ACM_DRIVERS=none " + Tool("ps-tool") + " braxel --type 3 --layer 2 --bitrate 192000" +
             " --audio " + wave + " --out " + dir + "/out.mp2",
         dir + "/out.mp2"},
        {"ostrand", Tool("ps-tool") + " ostrand " + stream + " " + dir + "/split --decode", dir + "/splitc0.wav"},
        {"mpa-tool enc", Tool("mpa-tool") + " enc 'enc -l 2 -b 192' " + wave + " " + dir + "/out.mpa",
         dir + "/out.mpa"},
    };
    const Bytes old = {'o', 'l', 'd'};
    for (const Run& run : runs) {
        for (int signal : {SIGINT, SIGKILL}) {
            SCOPED_TRACE(std::string(run.what) + (signal == SIGINT ? " SIGINT" : " SIGKILL"));
            ps_testing::WriteFileBytes(run.output, old);
            const pid_t child = Start(run.command);
            ASSERT_TRUE(WaitForTemporary(child, dir)) << "the run ended before it could be interrupted";
            kill(child, signal);
            const int status = Wait(child);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(ReadFileBytes(run.output), old);
            if (signal == SIGINT) {
                EXPECT_TRUE(Temporaries(dir).empty());
            }
        }
        // The next run puts its output in place and clears what the killed one left.
        ASSERT_EQ(RunCommand(run.command + " >/dev/null 2>&1"), 0);
        EXPECT_NE(ReadFileBytes(run.output), old);
        EXPECT_TRUE(Temporaries(dir).empty());
    }
}

// A decode killed once it has written samples, or stopped by a full disk, leaves the WAVE file
// that was at its output byte for byte: nothing is put in place before the run's end.
TEST(OutputRuns, AKilledDecodeLeavesTheOldWave) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string dir = velmar_testing::TempDir() + "/decode";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string mp2 = ps_testing::MakeMpegAudio(dir, "mp2", 48000, 192, 300);
    const std::string out = dir + "/o.wav";
    const std::string decode = Tool("mpa-tool") + " dec " + mp2 + " " + out;
    const Bytes old = ReadFileBytes(WriteWave(out, 3, 5));
    for (int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        const pid_t child = Start(decode);
        // Past the first frame: samples have reached the temporary file (beyond its 44-byte header).
        ASSERT_TRUE(WaitForTemporary(child, dir, 64 * 1024)) << "the run ended before it could be interrupted";
        kill(child, signal);
        const int status = Wait(child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
        EXPECT_EQ(ReadFileBytes(out), old);
    }
    // A full disk (the file size limit, its signal ignored): the write fails and says so.
    std::string said;
    EXPECT_EQ(RunCommand("sh -c \"trap '' XFSZ; ulimit -f 512; exec " + decode + "\" 2>&1", &said), 1);
    EXPECT_NE(said.find("cannot write " + out), std::string::npos) << said;
    EXPECT_EQ(ReadFileBytes(out), old);
    EXPECT_TRUE(Temporaries(dir).empty());
}

// A failed run keeps the file that was at its output; inputs that are pipes or devices and
// outputs that are pipes nobody reads are refused at once instead of waited on.
TEST(OutputRuns, FailedRunsKeepTheOldOutputAndPipesAreNotWaitedOn) {
    const std::string dir = velmar_testing::TempDir() + "/failed";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string wave = WriteWave(dir + "/in.wav", 1, 4);
    const std::string garbage = dir + "/garbage";
    ps_testing::WriteFileBytes(garbage, Bytes(5000, 0x5A));
    const std::string prev = dir + "/prev.wav";
    const Bytes old = {'o', 'l', 'd'};
    ps_testing::WriteFileBytes(prev, old);
    EXPECT_NE(RunCommand(Tool("mpa-tool") + " dec " + garbage + " " + prev + " 2>/dev/null"), 0);
    EXPECT_EQ(ReadFileBytes(prev), old);

    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string commands[] = {
        // Pipes and devices as inputs.
        Tool("mpa-tool") + " dec " + fifo + " " + dir + "/o.wav",
        Tool("mpa-tool") + " dec /dev/zero " + dir + "/o.wav",
        Tool("mpa-tool") + " enc 'enc -l 2' " + fifo + " " + dir + "/o.mpa",
        // A pipe nobody reads as the output.
        Tool("mpa-tool") + " enc 'enc -l 2' " + wave + " " + fifo,
        Tool("mpa-tool") + " dec " + garbage + " " + fifo,
        "env VELMAR_ACM_DRIVERS=none " + Tool("ps-tool") + " braxel --type 3 --audio " + wave + " --out " + fifo,
    };
    for (const std::string& command : commands) {
        // `timeout` ends a run that waits on the pipe (status 124): before, each of these ran for ever.
        const int status = RunCommand("timeout 20 " + command + " >/dev/null 2>&1");
        EXPECT_NE(status, 0) << command;
        EXPECT_NE(status, 124) << command;
        EXPECT_FALSE(velmar_testing::FileExists(dir + "/o.wav")) << command;
        EXPECT_FALSE(velmar_testing::FileExists(dir + "/o.mpa")) << command;
    }
    EXPECT_TRUE(Temporaries(dir).empty());
}

}  // namespace
