// The streaming service loop against a software board in this process: files played through
// mwcmd reach the board byte for byte, recordings land in files identical to what the board
// produced, and the loop ends as the board and its users ask.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <numeric>
#include <thread>

#include "index_formats/picture_index.h"
#include "platform/kernel.h"
#include "platform/shared_memory.h"
#include "ruvent/command_channel.h"
#include "ruvent/command_packet.h"
#include "ruvent/ruvent.h"
#include "ruvent/service_loop.h"
#include "ruvent/stream_end_wait.h"
#include "ruvent/stream_objects.h"
#include "ruvent_testing/test_command_line.h"
#include "softboard/soft_board.h"
#include "softboard/streaming.h"
#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"
#include "velmar_testing/test_support.h"

using namespace ruvent_testing;
using Bytes = std::vector<std::uint8_t>;

namespace {

const char* const kPlaybackSizes =
    "-s 0x1000 0x1000 0x400 0x400 0x100000 0x100000 0x100000 0x100000 0 0 0 0 0 0 0 0 0x800 0x100000 0x200000 0xbdc0";
const char* const kRecordSizes =
    "-s 0x400 0x400 0x400 0x400 0 0 0x500000 0x1800 0 0 0 0 0x200000 0xbdc0 0 0 0x2000";

Bytes Pattern(std::size_t n, std::uint32_t seed) {
    Bytes bytes(n);
    std::uint32_t x = seed;
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Looped(const Bytes& clip, std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = clip[i % clip.size()];
    return out;
}

// A small video elementary stream: groups of a sequence header, a group header and pictures of
// varied sizes; group starts fall on word boundaries, as the board's index counts in words.
Bytes VideoClip() {
    Bytes clip;
    std::uint32_t seed = 7;
    for (int group = 0; group < 5; ++group) {
        while (clip.size() % 4) clip.push_back(0);
        for (std::uint8_t code : {0xB3, 0xB8}) {
            clip.insert(clip.end(), {0, 0, 1, code});
            clip.insert(clip.end(), 8, 0x11);
        }
        for (int picture = 0; picture < 3 + group % 3; ++picture) {
            clip.insert(clip.end(), {0, 0, 1, 0});
            Bytes body = Pattern(3000 + 1237 * ((picture + group) % 5), ++seed);
            for (auto& b : body) b |= 0x80;  // no start codes inside
            clip.insert(clip.end(), body.begin(), body.end());
        }
    }
    while (clip.size() % 4) clip.push_back(0);
    return clip;
}

class ServiceLoopWithBoard : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = velmar_testing::TempDir();
        softboard::SoftBoardOptions options;
        options.interruptPeriodMs = 2;
        board_ = softboard::SoftBoard::Create(options);
        ASSERT_TRUE(board_);
        std::uint32_t physical = 0;
        ASSERT_EQ(qrddMapMemory(0, physical, host_), kQrddOk);
    }
    void TearDown() override {
        if (loop_.valid()) {
            Call(mquit, "mquit");
            loop_.wait_for(std::chrono::seconds(5));
        }
        StopBoard();
    }
    void StartBoardThread() {
        stepper_ = std::thread([this] {
            while (!stop_.load()) {
                if (!silent_.load()) {
                    std::lock_guard lock(boardMutex_);
                    board_->Step(platform::PerformanceCounter());
                }
                platform::SleepUs(200);
            }
        });
    }
    void StopBoard() {
        stop_.store(true);
        if (stepper_.joinable()) stepper_.join();
    }
    void StartLoop(const std::string& line) {
        const std::uint64_t rounds = ruvent::ServiceLoopRounds();
        loop_ = std::async(std::launch::async, [line] { return Call(mdaemon, line); });
        // Until the loop's first round: seconds under ThreadSanitizer on a loaded machine, and a
        // command sent before it finds no channel.
        for (int i = 0; i < 60000 && ruvent::ServiceLoopRounds() == rounds; ++i) platform::SleepMs(1);
        ASSERT_GT(ruvent::ServiceLoopRounds(), rounds);
    }
    int LoopResult(int seconds = 10) {
        if (loop_.wait_for(std::chrono::seconds(seconds)) != std::future_status::ready) return -1;
        return loop_.get();
    }
    template <typename Condition>
    bool WaitFor(Condition condition, int seconds = 20) {
        for (int i = 0; i < seconds * 1000; ++i) {
            if (condition()) return true;
            platform::SleepMs(1);
        }
        return condition();
    }
    std::uint32_t Shared(std::uint32_t index) {
        std::uint32_t value = 0;
        qrddReadSharedMem(0, value, index);
        return value;
    }
    std::uint32_t Word(std::uint32_t offset) {
        return std::atomic_ref(*reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(host_) + offset))
            .load();
    }
    void SetWord(std::uint32_t offset, std::uint32_t value) {
        std::atomic_ref(*reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(host_) + offset))
            .store(value);
    }
    softboard::BoardStreaming& Streams() { return board_->Streaming(); }
    // Output pairs the board holds to fill: all eight once the loop has drained every full one.
    std::size_t PairsWithTheBoard(std::uint32_t output) {
        std::lock_guard lock(boardMutex_);
        return board_->OutputPairs(output).size();
    }

    std::string dir_;
    std::unique_ptr<softboard::SoftBoard> board_;
    std::uint64_t host_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    std::mutex boardMutex_;  // the board's command record is the stepping thread's
    std::thread stepper_;
    std::future<int> loop_;
};

TEST_F(ServiceLoopWithBoard, PlayedFilesArriveByteForByteWithOffsetsLoopsSwapAndQueuedFiles) {
    const Bytes a = Pattern(0x50000, 1), b = Pattern(0x2345C, 2), c = Pattern(0x30008, 3);
    const std::string pathA = dir_ + "/a.m2v", pathB = dir_ + "/b.m2v", pathC = dir_ + "/c.m2v";
    WriteFile(pathA, a);
    WriteFile(pathB, b);
    WriteFile(pathC, c);
    Streams().SetInput(0, {0, dir_ + "/board0.bin", true});
    Streams().SetInput(1, {0, dir_ + "/board1.bin", true});
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);

    // Stream 0: a from 0x12345 to 0x48000, word-swapped, then the queued b; started by "-L0"
    // without command words.
    ASSERT_EQ(Call(mwcmd, "mwcmd -i0B -F -O 0 0x48000 0 0x12345 -R " + pathA), 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -q4 -O 0 0x2345C 0 0 " + pathB), 1);  // without an end b would play on
    SetWord(board_map::kQueueSlotFlags[0], 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -L0"), 1);
    // Stream 1: c three times over, started at once.
    ASSERT_EQ(Call(mwcmd, "mwcmd -i1B -l3 " + pathC), 1);

    Bytes expected0(a.begin(), a.begin() + 0x48000);
    ruvent::SwapWords(expected0.data(), static_cast<std::uint32_t>(expected0.size()));
    expected0.erase(expected0.begin(), expected0.begin() + 0x12345);
    expected0.insert(expected0.end(), b.begin(), b.end());
    const Bytes expected1 = Looped(c, 3 * c.size());
    EXPECT_TRUE(WaitFor([&] { return Streams().InputBytes(0) >= expected0.size(); }));
    EXPECT_TRUE(WaitFor([&] { return Streams().InputBytes(1) >= expected1.size(); }));
    platform::SleepMs(100);  // nothing more may follow
    EXPECT_EQ(Streams().InputBytes(0), expected0.size());
    EXPECT_EQ(Streams().InputBytes(1), expected1.size());
    EXPECT_TRUE(ReadFile(dir_ + "/board0.bin") == expected0);
    EXPECT_TRUE(ReadFile(dir_ + "/board1.bin") == expected1);
    EXPECT_EQ(Word(board_map::kQueueSlotFlags[0]), 0u);

    ASSERT_EQ(Call(mquit, "mquit"), 0);
    EXPECT_EQ(LoopResult(), ruvent::kLoopQuit);
}

TEST_F(ServiceLoopWithBoard, RecordingThroughOutputsZeroAndOneWritesWhatTheBoardProduced) {
    const Bytes video = VideoClip(), audio = Pattern(0x3000, 9);
    const std::string clipVideo = dir_ + "/clip.m2v", clipAudio = dir_ + "/clip.mpa";
    WriteFile(clipVideo, video);
    WriteFile(clipAudio, audio);
    // Output 0 stops inside a pair (a partial end), output 1 on a pair boundary.
    const std::uint64_t videoBytes = 5 * 0x40000 + 0x1234, audioBytes = 3 * (0xbdc0 / 8);
    softboard::OutputStreaming videoOut;
    videoOut.sourceClip = clipVideo;
    videoOut.limitBytes = videoBytes;
    videoOut.pictureIndex = true;
    // Paced by the pairs the loop hands back: a loaded machine that holds the loop up for a few
    // interrupts must not turn into a disk overrun. Each interrupt may finish more pictures than
    // the index ring holds.
    videoOut.hostPaced = true;
    Streams().SetOutput(0, videoOut);
    softboard::OutputStreaming audioOut;
    audioOut.sourceClip = clipAudio;
    audioOut.limitBytes = audioBytes;
    audioOut.bytesPerInterrupt = 0x1000;
    Streams().SetOutput(1, audioOut);
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kRecordSizes);

    const std::string recVideo = dir_ + "/rec.m2v", recAudio = dir_ + "/rec.mpa";
    ASSERT_EQ(Call(mwcmd, "mwcmd -o0B " + recVideo), 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -o1B " + recAudio), 1);
    ASSERT_TRUE(WaitFor([&] {
        return Streams().OutputBytes(0) == videoBytes && Streams().OutputBytes(1) == audioBytes;
    }));
    // The last full pairs are drained once the loop has handed every pair back to the board.
    ASSERT_TRUE(WaitFor([&] { return PairsWithTheBoard(0) == 8 && PairsWithTheBoard(1) == 8; }));
    // "-U" returns once the loop has taken the stop: the files are complete right away.
    ASSERT_EQ(Call(mwcmd, "mwcmd -U0"), 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -U1"), 1);
    std::uint32_t mode0 = 1, mode1 = 1;
    qrddReadSharedMem(0, mode0, 16);
    qrddReadSharedMem(0, mode1, 17);
    EXPECT_NE(mode0, 1u);
    EXPECT_NE(mode1, 1u);
    EXPECT_EQ(Shared(16), 2u);  // partial end: the rest of the pair goes to the next recording
    EXPECT_EQ(Shared(17), 3u);
    EXPECT_EQ(Word(board_map::kDiskOverrunCounter), 0u);

    const Bytes recordedVideo = ReadFile(recVideo);
    EXPECT_EQ(recordedVideo.size(), videoBytes);
    EXPECT_TRUE(recordedVideo == Looped(video, videoBytes));
    EXPECT_TRUE(ReadFile(recAudio) == Looped(audio, audioBytes));

    const auto records = index_formats::DecodePictureIndex(ReadFile(dir_ + "/rec.mdb"));
    ASSERT_EQ(records.size(), Streams().PicturesIndexed(0));
    ASSERT_GT(records.size(), 20u);
    std::size_t i = 0;
    while (i < records.size()) {
        const std::uint64_t at = records[i].GroupByteOffset();
        ASSERT_LT(at + 4, recordedVideo.size());
        EXPECT_EQ(Bytes(recordedVideo.begin() + at, recordedVideo.begin() + at + 4), (Bytes{0, 0, 1, 0xB3})) << i;
        const int pictures = records[i].picturesToGroupEnd;
        for (int k = 0; k < pictures; ++k) {
            ASSERT_LT(i + k, records.size());
            EXPECT_EQ(records[i + k].groupStartWords, records[i].groupStartWords);
            EXPECT_EQ(records[i + k].pictureInGroup, k);
            EXPECT_EQ(records[i + k].picturesToGroupEnd, pictures - k);
        }
        i += pictures;
    }
    EXPECT_TRUE(records.back().lastGroup);
    EXPECT_FALSE(records.front().lastGroup);
}

TEST_F(ServiceLoopWithBoard, QuitFromAnotherProcessEndsTheLoop) {
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    std::string output;
    ASSERT_EQ(velmar_testing::RunCommand(platform::ExecutableDirectory() + "/ruvent-call mquit mquit", &output), 0);
    EXPECT_NE(output.find("mquit returned 0"), std::string::npos) << output;
    // The loop sees the request at its next interrupt, and takes its interrupt event with it.
    EXPECT_EQ(LoopResult(), ruvent::kLoopQuit);
    EXPECT_FALSE(platform::SharedMemory::Exists("event.QRInterrupt0"));
}

TEST_F(ServiceLoopWithBoard, QuitWhileTheBoardIsSilentStillReturnsOne) {
    StartLoop(std::string("mdaemon -nc ") + kPlaybackSizes);  // board never started: no interrupts
    ASSERT_EQ(Call(mquit, "mquit"), 0);
    EXPECT_EQ(LoopResult(), ruvent::kLoopQuit);
}

TEST_F(ServiceLoopWithBoard, ABoardThatFallsSilentGivesTen) {
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    silent_.store(true);
    EXPECT_EQ(LoopResult(), ruvent::kLoopBoardSilent);
}

TEST_F(ServiceLoopWithBoard, SetUpLaysOutTheAreasAndPairs) {
    StartBoardThread();
    const Bytes a = Pattern(0x40000, 4);
    WriteFile(dir_ + "/a.m2v", a);
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    EXPECT_EQ(Word(board_map::kFirstAreaOffsetWord), 0x8000u);
    EXPECT_EQ(Word(board_map::kAreaSizes), 0x1000u);
    EXPECT_EQ(Word(board_map::kAreaSizes + 12), 0x400u);
    std::uint32_t physical = 0;
    std::uint64_t host = 0;
    qrddMapMemory(0, physical, host);
    std::uint32_t area = 0;
    qrddReadInt32(0, board_map::kAreaAddressRegisters + 4, area);
    EXPECT_EQ(area, physical + 0x9000);
    EXPECT_EQ(Shared(14), 32u);
    // Input 0's first pair: at 0xA800 with 0x20000 bytes, handed over from the start offset on.
    ASSERT_EQ(Call(mwcmd, "mwcmd -i0B -O 0 0 0 0x12345 " + dir_ + "/a.m2v"), 1);
    auto commands = [&] {
        std::lock_guard lock(boardMutex_);
        return board_->Commands();
    };
    ASSERT_TRUE(WaitFor([&] { return !commands().empty(); }));
    bool seen = false;
    for (const auto& command : commands()) {
        if (command.opcode != ruvent::kOpBufferPair || command.stream != 0) continue;
        ASSERT_GE(command.parameters.size(), 2u);
        EXPECT_EQ(command.parameters[0], physical + 0xA800 + 0x12345);
        EXPECT_EQ(command.parameters[1], 0x20000u - 0x12345);
        seen = true;
        break;
    }
    EXPECT_TRUE(seen);
}

TEST_F(ServiceLoopWithBoard, StopEndsRefillsAndTheBoardPlaysOnlyWhatItHeld) {
    const Bytes a = Pattern(0x48000, 5);
    WriteFile(dir_ + "/a.m2v", a);
    Streams().SetInput(0, {0x4000, dir_ + "/board0.bin"});
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    ASSERT_EQ(Call(mwcmd, "mwcmd -i0B " + dir_ + "/a.m2v"), 1);  // no end: plays on and on
    ASSERT_TRUE(WaitFor([&] { return Streams().InputBytes(0) > 0x100000; }));
    ASSERT_EQ(Call(mwcmd, "mwcmd -S0"), 1);
    const std::uint64_t atStop = Streams().InputBytes(0);
    std::uint64_t last = 0;
    ASSERT_TRUE(WaitFor([&] {
        const std::uint64_t now = Streams().InputBytes(0);
        const bool still = now == last;
        last = now;
        if (!still) platform::SleepMs(50);
        return still;
    }));
    EXPECT_LE(last, atStop + 8 * 0x20000);
    EXPECT_TRUE(ReadFile(dir_ + "/board0.bin") == Looped(a, last));
}

// Counts of pairs the board was never given (as of data queued before a reopen) free no pair: the
// loop neither ends nor hands over more than the eight.
TEST_F(ServiceLoopWithBoard, ABoardCountingMorePairsThanItHeldFreesNoneAndTheLoopServesOn) {
    const Bytes clip = Pattern(0x140000, 6);
    WriteFile(dir_ + "/a.m2v", clip);
    Streams().SetInput(0, {0x800, ""});
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    ASSERT_EQ(Call(mwcmd, "mwcmd -i0B " + dir_ + "/a.m2v"), 1);
    ASSERT_TRUE(WaitFor([&] { return Streams().InputBytes(0) > 0; }));  // the stream is open
    std::atomic_ref(*reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(host_) +
                                                       board_map::kStreamProgressTable))
        .fetch_add(9);
    // The clip plays on past its whole length (it loops).
    ASSERT_TRUE(WaitFor([&] { return Streams().InputBytes(0) > clip.size(); })) << Streams().InputBytes(0);
    EXPECT_EQ(LoopResult(0), -1);  // still serving
    ASSERT_EQ(Call(mquit, "mquit"), 0);
    EXPECT_EQ(LoopResult(), ruvent::kLoopQuit);
}

TEST_F(ServiceLoopWithBoard, DiskOverrunDropsRecordedDataExceptOnOutputFiveAndPlaybackResetsTheMode) {
    const Bytes clip = Pattern(0x12340, 8);
    WriteFile(dir_ + "/clip.bin", clip);
    // The board fills all eight pairs at each interrupt: more than four pairs of lag.
    const std::uint64_t produced = 3 * 0x100000;
    softboard::OutputStreaming fast;
    fast.sourceClip = dir_ + "/clip.bin";
    fast.limitBytes = produced;
    Streams().SetOutput(5, fast);
    Streams().SetOutput(6, fast);
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    ASSERT_EQ(Call(mwcmd, "mwcmd -o5B " + dir_ + "/out5.bin"), 1);
    ASSERT_EQ(Call(mwcmd, "mwcmd -o6B " + dir_ + "/out6.bin"), 1);
    ASSERT_TRUE(WaitFor([&] { return Streams().OutputBytes(5) == produced && Streams().OutputBytes(6) == produced; }));
    ASSERT_TRUE(WaitFor([&] { return PairsWithTheBoard(5) == 8 && PairsWithTheBoard(6) == 8; }));
    ASSERT_EQ(Call(mwcmd, "mwcmd -U5"), 1);
    ASSERT_TRUE(ruvent::WaitForOutputStreamEnd(0, 5));
    ASSERT_EQ(Call(mwcmd, "mwcmd -U6"), 1);
    ASSERT_TRUE(ruvent::WaitForOutputStreamEnd(0, 6));
    EXPECT_GT(Word(board_map::kDiskOverrunCounter), 0u);
    EXPECT_TRUE(ReadFile(dir_ + "/out5.bin") == Looped(clip, produced));
    EXPECT_LT(ReadFile(dir_ + "/out6.bin").size(), produced);
    EXPECT_EQ(Shared(16 + 5), 0u);  // playback: ready for the next decode to file
    EXPECT_EQ(Shared(16 + 6), 0u);
}

TEST_F(ServiceLoopWithBoard, AnOutputThatCannotBeCreatedCountsAsOverrun) {
    WriteFile(dir_ + "/clip.bin", Pattern(0x1000, 10));
    softboard::OutputStreaming out;
    out.sourceClip = dir_ + "/clip.bin";
    out.bytesPerInterrupt = 0x1000;
    Streams().SetOutput(1, out);
    StartBoardThread();
    StartLoop(std::string("mdaemon -start -nc ") + kRecordSizes);
    ASSERT_EQ(Call(mwcmd, "mwcmd -o1B " + dir_ + "/no/such/dir/rec.mpa"), 1);
    EXPECT_TRUE(WaitFor([&] { return Word(board_map::kDiskOverrunCounter) > 0; }));
}

TEST_F(ServiceLoopWithBoard, ARestartingLoopLetsTheOldOneSeeItsQuitFirst) {
    StartBoardThread();
    // The old instance's loop runs in another process.
    auto old = std::async(std::launch::async, [] {
        std::string output;
        velmar_testing::RunCommand(platform::ExecutableDirectory() + "/ruvent-call mdaemon -start -nc " + kPlaybackSizes,
                                   &output);
        return output;
    });
    // Its set-up is done once it has written StoppedOutput (after clearing QuitRequest).
    ASSERT_TRUE(WaitFor([&] { return Shared(14) == 32 && ruvent::CommandChannel::OpenCommandObject(0) != nullptr; }));
    ASSERT_EQ(Call(mquit, "mquit"), 0);
    StartLoop(std::string("mdaemon -start -nc ") + kPlaybackSizes);
    ASSERT_EQ(old.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_NE(old.get().find("mdaemon returned 1"), std::string::npos);
    EXPECT_EQ(Shared(15), 0u);  // cleared by the new loop after the old one was gone
    EXPECT_EQ(loop_.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
}

TEST(ServiceLoopArguments, NamesSizesAndBadIds) {
    CommandLine line("mdaemon -b2 -start -nc -v -s 0x1000 010 12 -i clip.m2v 3 -o out.m2v 15");
    const auto parsed = ruvent::ParseServiceLoopArguments(line.argc(), line.argv());
    ASSERT_TRUE(parsed);
    const auto& options = *parsed;
    EXPECT_EQ(options.board, 1u);
    EXPECT_TRUE(options.start);
    EXPECT_EQ(options.sizes[0], 0x1000u);
    EXPECT_EQ(options.sizes[1], 8u);
    EXPECT_EQ(options.sizes[2], 12u);
    EXPECT_EQ(options.inputNames[3], "clip.m2v");
    EXPECT_EQ(options.outputNames[15], "out.m2v");
    CommandLine bad("mdaemon -i clip.m2v 16");
    EXPECT_FALSE(ruvent::ParseServiceLoopArguments(bad.argc(), bad.argv()));
}

}  // namespace
