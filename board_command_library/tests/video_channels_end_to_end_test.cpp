// The video channels of the software board driven by the command lines the playback panel sends,
// through the service loop: a clip cued from a group plays from that group's first byte and its
// field counter and picture types follow the stream; freeze, steps and resume move the counter as
// the panel expects; STOP of a looped short clip parks on black alone; a decode range of channel A
// reaches output 5 as the pictures ffmpeg decodes, from its first field on, run after run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <future>
#include <mutex>
#include <set>
#include <iterator>
#include <thread>

#include "platform/kernel.h"
#include "ruvent/ruvent.h"
#include "ruvent/service_loop.h"
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
constexpr std::size_t kFieldBytes = 1440 * 240;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Zero stuffing in front of each start code so that groups start on word boundaries, as the
// picture index counts them.
Bytes AlignStartCodes(const Bytes& data) {
    Bytes out;
    for (std::size_t i = 0; i < data.size();) {
        if (i + 3 < data.size() && data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            while (out.size() % 4) out.push_back(0);
            out.insert(out.end(), {0, 0, 1, data[i + 3]});
            i += 4;
        } else {
            out.push_back(data[i++]);
        }
    }
    return out;
}

std::vector<std::size_t> GroupOffsets(const Bytes& clip) {
    std::vector<std::size_t> groups;
    for (std::size_t i = 0; i + 4 <= clip.size(); i += 4)
        if (clip[i] == 0 && clip[i + 1] == 0 && clip[i + 2] == 1 && clip[i + 3] == 0xB3) groups.push_back(i);
    return groups;
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

class VideoChannelsWithBoard : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = velmar_testing::TempDir();
        softboard::SoftBoardOptions options;
        options.interruptPeriodMs = 2;
        options.verbosity = getenv("VC_DEBUG") ? 1 : 0;
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
        stop_.store(true);
        if (stepper_.joinable()) stepper_.join();
    }
    void Start() {
        stepper_ = std::thread([this] {
            while (!stop_.load()) {
                {
                    std::lock_guard lock(boardMutex_);
                    board_->Step(platform::PerformanceCounter());
                }
                platform::SleepUs(200);
            }
        });
        const std::uint64_t rounds = ruvent::ServiceLoopRounds();
        const std::string line = std::string("mdaemon -start -nc ") + kPlaybackSizes;
        loop_ = std::async(std::launch::async, [line] { return Call(mdaemon, line); });
        // Until the loop's first round: seconds under ThreadSanitizer on a loaded machine, and a
        // command sent before it finds no channel.
        for (int i = 0; i < 60000 && ruvent::ServiceLoopRounds() == rounds; ++i) platform::SleepMs(1);
    }
    template <typename Condition>
    bool WaitFor(Condition condition, int seconds = 30) {
        for (int i = 0; i < seconds * 1000; ++i) {
            if (condition()) return true;
            platform::SleepMs(1);
        }
        return condition();
    }
    std::uint32_t Word(std::uint32_t offset) {
        return std::atomic_ref(*reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(host_) + offset)).load();
    }
    void SetWord(std::uint32_t offset, std::uint32_t value) {
        std::atomic_ref(*reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(host_) + offset)).store(value);
    }
    int Send(const std::string& line) { return Call(mwcmd, line); }
    // Whether the board has run a command word (the host's loop delivers words a round or more
    // after mwcmd returns).
    bool Ran(std::uint32_t opcode, std::uint32_t stream, std::uint32_t firstParameter = ~0u) {
        std::lock_guard lock(boardMutex_);
        for (const auto& command : board_->Commands())
            if (command.opcode == opcode && command.stream == stream &&
                (firstParameter == ~0u || (!command.parameters.empty() && command.parameters[0] == firstParameter)))
                return true;
        return false;
    }
    // An MPEG-2 clip from ffmpeg with its start codes on word boundaries; empty without ffmpeg.
    Bytes MakeClip(const std::string& path, int frames, const std::string& size) {
        const std::string raw = path + ".raw";
        if (velmar_testing::RunCommand("ffmpeg -v error -y -f lavfi -i testsrc=size=" + size + ":rate=30000/1001 -frames:v " +
                                       std::to_string(frames) + " -c:v mpeg2video -g 12 -bf 2 -q:v 2 -f mpeg2video " + raw) != 0)
            return {};
        const Bytes clip = AlignStartCodes(ReadFile(raw));
        WriteFile(path, clip);
        return clip;
    }

    std::string dir_;
    std::unique_ptr<softboard::SoftBoard> board_;
    std::uint64_t host_ = 0;
    std::atomic<bool> stop_{false};
    std::mutex boardMutex_;  // the board's command record is the stepping thread's
    std::thread stepper_;
    std::future<int> loop_;
};

TEST_F(VideoChannelsWithBoard, ClipCuedFromAGroupArrivesFromItsFirstByteAndCountsItsFields) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string path = dir_ + "/clip.m2v";
    const Bytes clip = MakeClip(path, 48, "352x240");
    ASSERT_FALSE(clip.empty());
    const auto groups = GroupOffsets(clip);
    ASSERT_GE(groups.size(), 4u);
    const auto picturesBetween = [&](std::size_t from, std::size_t to) {
        std::uint32_t n = 0;
        for (std::size_t i = from; i + 4 <= to; i += 4)
            n += clip[i] == 0 && clip[i + 1] == 0 && clip[i + 2] == 1 && clip[i + 3] == 0;
        return n;
    };
    board_->Streaming().SetInput(0, {0, dir_ + "/board0.bin", false});
    Start();

    // A start picture in the third group: the clip opens at the group's sequence header and the
    // play word carries the field of the group's first picture.
    const std::size_t start = groups[2];
    const std::uint32_t s0 = 2 * picturesBetween(0, start), pictures = picturesBetween(start, clip.size());
    ASSERT_EQ(Send("mwcmd -i0B -l1 -O 0x0 0x0 0x0 " + Hex(start) + " -F <" + path + ">"), 1);
    ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff " + Hex(s0) + " 0x0 -L0"), 1);
    const Bytes expected(clip.begin() + static_cast<std::ptrdiff_t>(start), clip.end());
    std::set<std::uint8_t> types;
    EXPECT_TRUE(WaitFor([&] {
        types.insert(static_cast<std::uint8_t>(Word(board_map::kChannelAStatus + 40) >> 24));
        return Word(board_map::kChannelAStatus + 8) == s0 + 2 * pictures - 1;  // every field of the rest
    }));
    EXPECT_EQ(board_->Streaming().InputBytes(0), expected.size());
    EXPECT_TRUE(ReadFile(dir_ + "/board0.bin") == expected);
    EXPECT_TRUE(types.count(1) && types.count(2) && types.count(3));

    // Parked on a clip's first picture, the counter stands at the word's field.
    ASSERT_EQ(Send("mwcmd -p 0x0 0x9e0000"), 1);
    ASSERT_EQ(Send("mwcmd -i0B -l1 -F <" + path + ">"), 1);
    ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0x1 0xffffffff 0x0 0x0 -L0"), 1);
    EXPECT_TRUE(WaitFor([&] { return Word(board_map::kChannelAStatus + 8) == 0 && (Word(board_map::kChannelAStatus + 40) >> 24) == 1; }));
}

TEST_F(VideoChannelsWithBoard, FreezeStepsAndResumeMoveTheFieldCounter) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string path = dir_ + "/clip.m2v";
    ASSERT_FALSE(MakeClip(path, 120, "176x120").empty());
    Start();
    const std::uint32_t counter = board_map::kChannelBStatus + 8;
    ASSERT_EQ(Send("mwcmd -i1B -l0 -F <" + path + ">"), 1);  // over and over
    ASSERT_EQ(Send("mwcmd -p 0x0 0x930104 0xffffffff 0xffffffff 0x0 0x0 -L1"), 1);
    ASSERT_TRUE(WaitFor([&] { return Word(counter) > 10; }));
    ASSERT_EQ(Send("mwcmd -p 0x0 0x9e0100"), 1);
    ASSERT_TRUE(WaitFor([&] { return Ran(0x9E, 1); }));
    const std::uint32_t frozen = Word(counter);
    platform::SleepMs(40);
    EXPECT_EQ(Word(counter), frozen);
    ASSERT_EQ(Send("mwcmd -p 0x0 0x950101 0x1"), 1);  // a frame step
    EXPECT_TRUE(WaitFor([&] { return Word(counter) == frozen + 2; }));
    ASSERT_EQ(Send("mwcmd -p 0x0 0x950101 0x0"), 1);  // a field step
    EXPECT_TRUE(WaitFor([&] { return Word(counter) == frozen + 3; }));
    // I only: only I pictures are shown (one in 12), the counter jumping over the others.
    ASSERT_EQ(Send("mwcmd -p 0x0  0x940102 0x2 0x0"), 1);
    EXPECT_TRUE(WaitFor([&] { return Word(counter) >= frozen + 60; }));
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(Word(board_map::kChannelBStatus + 40) >> 24, 1u);
        platform::SleepMs(1);
    }
    ASSERT_EQ(Send("mwcmd -p 0x0 0x9e0100"), 1);
    ASSERT_EQ(Send("mwcmd -p 0x0 0x960100"), 1);
    const std::uint32_t resumed = Word(counter);
    EXPECT_TRUE(WaitFor([&] { return Word(counter) > resumed + 4; }));
}

// STOP as the panel sends it (freeze, reopen on the black clip, park) while a clip shorter than
// one pair loops: the board holds up to eight pairs of passes, each starting with a sequence
// header. The reopen restarts the host's pair count, so none of them may be taken after it: the
// loop never sees more pairs than it handed over, and the channel parks on the black clip alone.
TEST_F(VideoChannelsWithBoard, StoppingALoopedClipShorterThanAPairParksOnBlackWithoutOldPairs) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string path = dir_ + "/short.m2v", blackPath = dir_ + "/black.m2v";
    ASSERT_LT(MakeClip(path, 24, "176x120").size(), 0x20000u);
    const Bytes blackClip = MakeClip(blackPath, 2, "176x120");
    ASSERT_FALSE(blackClip.empty());
    Start();
    // The channel word the board ran last on input 0.
    const auto lastChannelWord = [&] {
        std::lock_guard lock(boardMutex_);
        const auto& commands = board_->Commands();
        for (auto c = commands.rbegin(); c != commands.rend(); ++c)
            if (c->stream == 0 && (c->opcode == 0x93 || c->opcode == 0x9E)) return c->opcode;
        return 0u;
    };
    const auto taken = [&] { return board_->Streaming().InputBytes(0); };
    // The end of a file reaches the board in whole 8-byte units.
    const std::uint64_t black = (blackClip.size() + 7) / 8 * 8;
    for (int stop = 0; stop < 50; ++stop) {
        ASSERT_EQ(Send("mwcmd -i0B -l0 -F <" + path + ">"), 1);  // Loop Forever
        ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x0 0x0 -L0"), 1);
        platform::SleepMs(stop % 7 * 5);  // the stop lands at a different point of a pass each time
        ASSERT_EQ(Send("mwcmd -p 0x0 0x9e0000"), 1);
        ASSERT_TRUE(WaitFor([&] { return lastChannelWord() == 0x9E; }));
        const std::uint64_t frozen = taken();  // a frozen channel takes nothing more
        ASSERT_EQ(Send("mwcmd -i0B -l1 -F <" + blackPath + ">"), 1);
        ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0x1 0xffffffff 0x0 0x0 -L0"), 1);
        ASSERT_TRUE(WaitFor([&] { return taken() - frozen >= black; }));
        platform::SleepMs(50);  // what was left of the old clip would come along with it
        EXPECT_EQ(taken() - frozen, black) << "stop " << stop << " parked on more than the black clip";
        ASSERT_NE(loop_.wait_for(std::chrono::seconds(0)), std::future_status::ready) << "the loop ended at stop " << stop;
    }
}

// Decode to file of 30 frames of channel A with "Frame" checked: the file holds the frames
// ffmpeg decodes from the same clip, within 45 dB.
TEST_F(VideoChannelsWithBoard, DecodeRangeOfChannelAMatchesFfmpeg) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string path = dir_ + "/clip.m2v", out = dir_ + "/decoded.mov", ref = dir_ + "/ref.uyvy";
    ASSERT_FALSE(MakeClip(path, 60, "720x480").empty());
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -y -i " + path +
                                         " -vf 'select=between(n\\,10\\,39)' -fps_mode passthrough -pix_fmt uyvy422 -f rawvideo " + ref),
              0);
    Start();
    const std::uint32_t first = 2 * 10, fields = 60;
    SetWord(board_map::kFrameSourceDescriptor, 720);
    SetWord(board_map::kFrameSourceDescriptor + 4, 480);
    SetWord(board_map::kFrameSourceDescriptor + 8, 0);
    ASSERT_EQ(Send("mwcmd -p 0x0 0x9f0500"), 1);
    ASSERT_EQ(Send("mwcmd -o5B -I <" + out + ">"), 1);
    ASSERT_EQ(Send("mwcmd -s " + Hex(first) + " 0x000B2502 0x02D000F0 0x00120000"), 1);
    ASSERT_EQ(Send("mwcmd -s " + Hex(first + fields - 1) + " 0x000C2500"), 1);
    ASSERT_EQ(Send("mwcmd -i0B -l1 -F <" + path + ">"), 1);
    ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x0 0x0 -L0"), 1);
    ASSERT_TRUE(WaitFor([&] { return board_->Streaming().OutputBytes(5) >= fields * kFieldBytes; }, 90));
    platform::SleepMs(100);  // the last full pairs are written
    EXPECT_EQ(board_->Streaming().OutputBytes(5), fields * kFieldBytes);
    ASSERT_EQ(Send("mwcmd -U5"), 1);

    const Bytes decoded = ReadFile(out), expected = ReadFile(ref);
    constexpr std::size_t kFrameBytes = 2 * kFieldBytes;
    ASSERT_EQ(expected.size(), 30 * kFrameBytes);
    ASSERT_EQ(decoded.size(), expected.size());
    double lowest = 99.0;
    for (std::size_t f = 0; f < 30; ++f) {
        double squares = 0;
        for (std::size_t i = f * kFrameBytes; i < (f + 1) * kFrameBytes; ++i) {
            const double d = double(decoded[i]) - double(expected[i]);
            squares += d * d;
        }
        const double mse = squares / kFrameBytes;
        const double psnr = mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
        EXPECT_GE(psnr, 45.0) << "frame " << f;
        lowest = std::min(lowest, psnr);
    }
    std::printf("lowest PSNR: %.2f dB\n", lowest);
}

// Decode to file as the panel runs it, ten times over: channel A parked on black (STOP), then PLAY
// from field 0 reopens input 0, arms the decode range and starts the clip. Every line of the first
// and of the last picture is libavcodec's own decode of the clip; the parked black picture, which
// the board shows at field 0 too, never takes the first field's place.
class DecodeToFile : public VideoChannelsWithBoard {};

TEST_F(DecodeToFile, FirstAndLastPicturesMatchTheCodecsDecode) {
    VELMAR_REQUIRE_TOOL("ffmpeg");
    const std::string clip = dir_ + "/clip422.m2v", black = dir_ + "/black.m2v", ref = dir_ + "/ref.uyvy";
    const std::string encode = " -c:v mpeg2video -pix_fmt yuv422p -g 4 -bf 2 -q:v 2 -f mpeg2video ";
    for (const auto& [source, path] : {std::pair{"testsrc=size=720x576:rate=25", clip}, {"color=black:size=720x576:rate=25", black}}) {
        const std::string raw = path + ".raw";
        ASSERT_EQ(velmar_testing::RunCommand(std::string("ffmpeg -v error -y -f lavfi -i ") + source + " -frames:v 8" +
                                             encode + raw),
                  0);
        WriteFile(path, AlignStartCodes(ReadFile(raw)));
    }
    ASSERT_EQ(velmar_testing::RunCommand("ffmpeg -v error -y -i " + clip + " -pix_fmt uyvy422 -f rawvideo " + ref), 0);
    const Bytes expected = ReadFile(ref);
    constexpr std::size_t kLineBytes = 1440, kLines = 576, kPictureBytes = kLineBytes * kLines;
    constexpr std::uint32_t kFields = 16;
    ASSERT_EQ(expected.size(), kFields / 2 * kPictureBytes);
    Start();
    for (int run = 0; run < 10; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        // STOP: parked on black at field 0.
        ASSERT_EQ(Send("mwcmd -p 0x0 0x9e0000"), 1);
        ASSERT_EQ(Send("mwcmd -i0B -l1 -F <" + black + ">"), 1);
        ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0x1 0xffffffff 0x0 0x0 -L0"), 1);
        platform::SleepMs(100);
        // PLAY with a decode of the clip's fields.
        const std::string out = dir_ + "/decoded" + std::to_string(run) + ".fld";
        const std::uint64_t before = board_->Streaming().OutputBytes(5);
        ASSERT_EQ(Send("mwcmd -i0B -l1 -F <" + clip + ">"), 1);
        ASSERT_EQ(Send("mwcmd -p 0x0 0x9f0500"), 1);
        ASSERT_EQ(Send("mwcmd -o5B <" + out + ">"), 1);
        ASSERT_EQ(Send("mwcmd -s 0x0 0x000B2502 0x02D00120 0x00120000"), 1);
        ASSERT_EQ(Send("mwcmd -s " + Hex(kFields - 1) + " 0x000C2500"), 1);
        ASSERT_EQ(Send("mwcmd -p 0x0 0x930004 0xffffffff 0xffffffff 0x0 0x0 -L0"), 1);
        ASSERT_TRUE(WaitFor([&] { return board_->Streaming().OutputBytes(5) - before >= kFields / 2 * kPictureBytes; }));
        // The host has written every pair the board filled (the last one too) once it has handed all
        // eight back to the board.
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard lock(boardMutex_);
            return board_->OutputPairs(5).size() == 8;
        }));
        ASSERT_EQ(Send("mwcmd -U5"), 1);
        const Bytes fields = ReadFile(out);
        ASSERT_EQ(fields.size(), kFields / 2 * kPictureBytes);
        // Output 5 holds fields one after the other: picture p's top field (even lines), then its bottom.
        for (const std::size_t picture : {std::size_t{0}, std::size_t{kFields / 2 - 1}})
            for (std::size_t line = 0; line < kLines; ++line) {
                const std::size_t at = picture * kPictureBytes + (line % 2) * (kPictureBytes / 2) + line / 2 * kLineBytes;
                const auto from = expected.begin() + static_cast<std::ptrdiff_t>(picture * kPictureBytes + line * kLineBytes);
                ASSERT_TRUE(std::equal(from, from + kLineBytes, fields.begin() + static_cast<std::ptrdiff_t>(at)))
                    << "picture " << picture << ", line " << line << " differs from the codec's decode";
            }
    }
}

}  // namespace

