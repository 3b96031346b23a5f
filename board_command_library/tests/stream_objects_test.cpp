// Stream file objects over temporary files and a software board's window and name slots.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>

#include "index_formats/picture_index.h"
#include "ruvent/stream_objects.h"
#include "softboard/soft_board.h"
#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"
#include "velmar_testing/test_support.h"

using namespace ruvent;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Counting(std::size_t n, std::uint8_t from = 0) {
    Bytes bytes(n);
    std::iota(bytes.begin(), bytes.end(), from);
    return bytes;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Swapped(Bytes bytes) {
    SwapWords(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    return bytes;
}

class StreamObjects : public ::testing::Test {
protected:
    void SetUp() override {
        board_ = softboard::SoftBoard::Create({});
        ASSERT_TRUE(board_);
        std::uint32_t physical = 0;
        std::uint64_t host = 0;
        ASSERT_EQ(qrddMapMemory(0, physical, host), kQrddOk);
        window_ = reinterpret_cast<std::uint8_t*>(host);
        dir_ = velmar_testing::TempDir();
    }
    void SetWord(std::uint32_t offset, std::uint32_t value) {
        std::atomic_ref(*reinterpret_cast<std::uint32_t*>(window_ + offset)).store(value);
    }
    std::uint32_t Word(std::uint32_t offset) {
        return std::atomic_ref(*reinterpret_cast<std::uint32_t*>(window_ + offset)).load();
    }
    std::string File(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_ + "/" + name;
        WriteFile(path, bytes);
        return path;
    }
    InputStreamFile Input(const std::string& path, std::uint32_t stream = 0, std::uint64_t end = 0,
                          std::uint64_t start = 0, std::uint32_t flags = 0) {
        return InputStreamFile(path, end, start, flags, StreamBoard{window_, 0}, stream);
    }
    Bytes ReadSome(InputStreamFile& input, std::uint32_t bytes) {
        Bytes buffer(bytes, 0xEE);
        buffer.resize(input.Read(buffer.data(), bytes));
        return buffer;
    }

    std::unique_ptr<softboard::SoftBoard> board_;
    std::uint8_t* window_ = nullptr;
    std::string dir_;
};

TEST_F(StreamObjects, EndOffsetStartOffsetAndByteSwap) {
    const Bytes data = Counting(100);
    auto input = Input(File("a.bin", data), 0, 40, 8, kInputSwapBytes);
    EXPECT_EQ(ReadSome(input, 64), Swapped(Bytes(data.begin() + 8, data.begin() + 40)));
    EXPECT_TRUE(input.Ended());
    EXPECT_TRUE(ReadSome(input, 64).empty());
}

TEST_F(StreamObjects, WaveHeaderZeroedOnlyOnTheAudioStreamAtOffsetZero) {
    const Bytes data = Counting(96, 1);
    SetWord(board_map::kAudioRateStep, 256);
    auto audio = Input(File("a.wav", data), 3, 96);
    const Bytes got = ReadSome(audio, 96);
    ASSERT_EQ(got.size(), 96u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 44), Bytes(44, 0));
    EXPECT_EQ(Bytes(got.begin() + 44, got.end()), Bytes(data.begin() + 44, data.end()));
    auto video = Input(File("a.wav", data), 0, 96);
    EXPECT_EQ(ReadSome(video, 96), data);
    auto later = Input(File("a.wav", data), 3, 96, 8);
    EXPECT_EQ(ReadSome(later, 88), Bytes(data.begin() + 8, data.end()));
}

TEST_F(StreamObjects, LoopCountsShortFilesAndFilesThatGiveNothing) {
    const Bytes data = Counting(20, 1);
    const std::string path = File("short.bin", data);
    {  // one pass: the transfer is rounded up to 8 and the loop ends
        auto input = Input(path);
        input.loopFlag = true;
        input.loopTime = 1;
        Bytes expected = data;
        expected.resize(24, 0);
        EXPECT_EQ(ReadSome(input, 64), expected);
        EXPECT_EQ(input.loopTime, 0);
    }
    {  // two passes
        auto input = Input(path);
        input.loopFlag = true;
        input.loopTime = 2;
        Bytes expected = data;
        expected.insert(expected.end(), data.begin(), data.end());
        EXPECT_EQ(ReadSome(input, 64), expected);
        EXPECT_EQ(input.loopTime, 0);
    }
    {  // no loop flag: a short file read from its start is repeated to fill the buffer
        auto input = Input(path);
        const Bytes got = ReadSome(input, 64);
        ASSERT_EQ(got.size(), 64u);
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], data[i % 20]) << i;
    }
    {  // an empty file ends the stream instead of giving nothing for ever
        auto input = Input(File("empty.bin", {}));
        EXPECT_TRUE(ReadSome(input, 64).empty());
        EXPECT_TRUE(input.Ended());
    }
    // Missing, and a FIFO nobody writes (opening it must not hang the loop): both end the stream.
    ASSERT_EQ(::mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
    for (const char* name : {"/missing.bin", "/fifo"}) {
        auto input = Input(dir_ + name);
        EXPECT_FALSE(input.Opened());
        EXPECT_TRUE(ReadSome(input, 64).empty());
        EXPECT_TRUE(input.Ended());
    }
    {
        auto input = Input("mnullm");
        EXPECT_TRUE(input.Ended());
    }
}

TEST_F(StreamObjects, QueuedFilesFollowThroughTheirSlotsAndTheIndexWraps) {
    const Bytes a = Counting(16, 0x10), b = Counting(16, 0x40), c = Counting(24, 0x80);
    auto input = Input(File("a.bin", a), 0, 16);
    qrddWriteInputFilename(0, File("b.bin", b).c_str(), 4);
    qrddWriteInputFilenameOffset(0, 0, 12, 0, 4, 4);  // bytes 4..12 of b
    qrddWriteInputFilenameReverse(0, kInputSwapBytes, 4);
    SetWord(board_map::kQueueSlotFlags[0], 1);
    Bytes expected = a;
    const Bytes bPart = Swapped(Bytes(b.begin() + 4, b.begin() + 12));
    expected.insert(expected.end(), bPart.begin(), bPart.end());
    EXPECT_EQ(ReadSome(input, 64), expected);
    EXPECT_EQ(Word(board_map::kQueueSlotFlags[0]), 0u);
    EXPECT_TRUE(input.Ended());

    // The second slot (5) comes next, then the first again.
    qrddWriteInputFilename(0, File("c.bin", c).c_str(), 5);
    qrddWriteInputFilenameOffset(0, 0, 24, 0, 0, 5);
    qrddWriteInputFilenameReverse(0, 0, 5);
    SetWord(board_map::kQueueSlotFlags[0] + 4, 1);
    EXPECT_EQ(ReadSome(input, 64), c);
    qrddWriteInputFilename(0, "mnullm", 4);
    SetWord(board_map::kQueueSlotFlags[0], 1);
    EXPECT_TRUE(ReadSome(input, 64).empty());
    EXPECT_EQ(Word(board_map::kQueueSlotFlags[0]), 0u);
}

TEST_F(StreamObjects, AudioRateChange) {
    Bytes data = Counting(44 + 4 * 16, 0);
    const std::string path = File("tone.wav", data);
    Bytes frames(data.begin() + 44, data.end());
    auto frame = [&](const Bytes& bytes, std::size_t k) { return Bytes(bytes.begin() + 4 * k, bytes.begin() + 4 * k + 4); };

    SetWord(board_map::kAudioRateStep, 512);
    auto twice = Input(path, 3, 44 + 4 * 16, 44);
    const Bytes doubled = ReadSome(twice, 4 * 8);
    ASSERT_EQ(doubled.size(), 32u);
    for (std::size_t k = 0; k < 8; ++k) EXPECT_EQ(frame(doubled, k), frame(frames, k / 2)) << k;

    SetWord(board_map::kAudioRateStep, 128);
    auto half = Input(path, 3, 44 + 4 * 16, 44);
    const Bytes halved = ReadSome(half, 4 * 8);
    ASSERT_EQ(halved.size(), 16u);  // each output frame slot either copies or skips
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(frame(halved, k), frame(frames, 2 * k)) << k;

    // A live change takes effect within the same stream.
    SetWord(board_map::kAudioRateStep, 256);
    auto live = Input(path, 3, 44 + 4 * 16, 44);
    EXPECT_EQ(ReadSome(live, 8), Bytes(frames.begin(), frames.begin() + 8));
    SetWord(board_map::kAudioRateStep, 512);
    const Bytes after = ReadSome(live, 8);
    EXPECT_EQ(frame(after, 0), frame(frames, 2));
    EXPECT_EQ(frame(after, 1), frame(frames, 2));
}

TEST_F(StreamObjects, AudioPlayedOnceAtHalfSpeedEndsAfterItsFramesTwice) {
    const Bytes data = Counting(0x300, 1);
    SetWord(board_map::kAudioRateStep, 512);
    auto input = Input(File("once.wav", data), 3);
    input.loopFlag = true;
    input.loopTime = 1;
    Bytes all;
    for (int read = 0; read < 8; ++read) {
        const Bytes got = ReadSome(input, 0x200);
        all.insert(all.end(), got.begin(), got.end());
    }
    ASSERT_EQ(all.size(), 2 * data.size());
    EXPECT_EQ(Bytes(all.end() - 8, all.end()), Bytes({data[0x2FC], data[0x2FD], data[0x2FE], data[0x2FF],
                                                       data[0x2FC], data[0x2FD], data[0x2FE], data[0x2FF]}));
}

TEST_F(StreamObjects, AudioRefillNeverPassesItsSampleBuffer) {
    const Bytes data = Counting(0x30000);
    SetWord(board_map::kAudioRateStep, 256);
    auto input = Input(File("long.wav", data), 3);
    Bytes buffer(0x40000);
    // One refill per call, of at most the 128 KB the sample buffer holds.
    EXPECT_EQ(input.Read(buffer.data(), 0x40000), 0x20000u);
    EXPECT_EQ(Bytes(buffer.begin() + 44, buffer.begin() + 0x20000), Bytes(data.begin() + 44, data.begin() + 0x20000));
}

TEST_F(StreamObjects, FrameSourcesRawReorderedAndNumberedFiles) {
    // Type 1: raw frames of 3 lines x 4 bytes, bottom line first, one skipped line after each.
    const Bytes raw = Counting(2 * 16);
    SetWord(board_map::kFrameSourceDescriptor, 4);
    SetWord(board_map::kFrameSourceDescriptor + 4, 3);
    SetWord(board_map::kFrameSourceDescriptor + 8, 1);
    SetWord(board_map::kFrameSourceDescriptor + 12, 1);
    auto flm = Input(File("a.flm", raw), 2, 0, 0, kInputRecordMode);
    const Bytes got = ReadSome(flm, 24);
    const Bytes expected = {8, 9, 10, 11, 4, 5, 6, 7, 0, 1, 2, 3, 24, 25, 26, 27, 20, 21, 22, 23, 16, 17, 18, 19};
    EXPECT_EQ(got, expected);

    // Type 3: one 32-byte group reordered into the two halves of the frame.
    const Bytes group = Counting(32);
    SetWord(board_map::kFrameSourceDescriptor, 32);
    SetWord(board_map::kFrameSourceDescriptor + 4, 1);
    SetWord(board_map::kFrameSourceDescriptor + 8, 0);
    SetWord(board_map::kFrameSourceDescriptor + 12, 3);
    auto reorder = Input(File("a.yuv", group), 2, 0, 0, kInputRecordMode);
    const Bytes frame = ReadSome(reorder, 32);
    // Lines are read bottom first: the second half (line 1) comes out before the first.
    const Bytes secondHalf = {12, 8, 4, 0, 28, 24, 20, 16, 14, 10, 6, 2, 30, 26, 22, 18};
    const Bytes firstHalf = {7, 5, 3, 1, 15, 13, 11, 9, 23, 21, 19, 17, 31, 29, 27, 25};
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 16), secondHalf);
    EXPECT_EQ(Bytes(frame.begin() + 16, frame.end()), firstHalf);

    EXPECT_EQ(NextSequenceName("/x/frame0009.tga"), "/x/frame0010.tga");
    EXPECT_EQ(NextSequenceName("/x/frame9.tga"), "/x/frame10.tga");
    EXPECT_EQ(NextSequenceName("/x9/frame.tga"), "/x9/frame.tga");
}

TEST_F(StreamObjects, NumberedTargaFilesFollowOneAnotherWithTheirOrientation) {
    // 18-byte header whose last 4 bytes end with the descriptor byte, then 2 lines x 4 bytes.
    auto targa = [](bool topDown, std::uint8_t mark) {
        Bytes file(18, 0);
        file[17] = topDown ? 0x20 : 0;
        for (std::uint8_t i = 0; i < 8; ++i) file.push_back(static_cast<std::uint8_t>(mark + i));
        return file;
    };
    const std::string first = File("frame0009.tga", targa(false, 0));
    File("frame0010.tga", targa(true, 0x50));
    SetWord(board_map::kFrameSourceDescriptor, 4);
    SetWord(board_map::kFrameSourceDescriptor + 4, 2);
    SetWord(board_map::kFrameSourceDescriptor + 8, 18);
    SetWord(board_map::kFrameSourceDescriptor + 12, 2);
    auto input = Input(first, 2, 0, 0, kInputRecordMode);
    const Bytes expected = {4, 5, 6, 7, 0, 1, 2, 3, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57};
    EXPECT_EQ(ReadSome(input, 16), expected);
}

class OutputStreams : public StreamObjects {
protected:
    void Ring(std::uint32_t write, std::uint32_t read) {
        SetWord(board_map::kEncoderIndexRing, write);
        SetWord(board_map::kEncoderIndexRing + 4, read);
    }
    void Entry(std::uint32_t at, std::uint32_t a, std::uint32_t b) {
        SetWord(board_map::kEncoderIndexRing + 4 * (at + 2), a);
        SetWord(board_map::kEncoderIndexRing + 4 * (at + 3), b);
    }
};

TEST_F(OutputStreams, PictureIndexFromTheEncoderRing) {
    const std::string path = dir_ + "/rec.m2v";
    Bytes data = Counting(64);
    {
        OutputStreamFile output(path, kOutputPictureIndex, window_);
        // Two pictures starting a group at 0x0FFFFFFF, one picture at 0x10000000 (same group),
        // then a new group; entries cross the ring's wrap from 124 to 0.
        Entry(122, 0x0FFFFFFF, 8 * 32);
        Entry(124, 0x10000000, 4 * 32);
        Entry(0, 0, 3 * 32 + 31);
        Ring(2, 122);
        EXPECT_TRUE(output.Write(data.data(), 64));
        EXPECT_EQ(Word(board_map::kEncoderIndexRing + 4), 2u);
        Entry(2, 0x10000000, 32);
        Ring(4, 2);
        EXPECT_TRUE(output.Write(data.data(), 64));
    }
    const auto records = index_formats::DecodePictureIndex(ReadFile(dir_ + "/rec.mdb"));
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].groupStartWords, 0u);
    EXPECT_EQ(records[0].pictureInGroup, 0);
    EXPECT_EQ(records[0].picturesToGroupEnd, 2);
    EXPECT_FALSE(records[0].lastGroup);
    EXPECT_EQ(records[1].picturesToGroupEnd, 1);
    EXPECT_EQ(records[2].groupStartWords, 12u);  // 8 + 4 words
    EXPECT_EQ(records[2].pictureInGroup, 0);
    EXPECT_EQ(records[3].pictureInGroup, 1);
    EXPECT_TRUE(records[2].lastGroup);
    EXPECT_TRUE(records[3].lastGroup);
    EXPECT_EQ(ReadFile(path).size(), 128u);
}

// The file size limit of this process for the life of the object: a disk that fills up.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(OutputStreams, TheIndexNeverPointsPastTheDataAndAlwaysEndsWithItsLastGroup) {
    // Pictures of 64 bytes in groups of three, all twelve reported before their data is written.
    for (std::uint32_t p = 0; p < 12; ++p) Entry(2 * p, p % 3 == 0 ? p / 3 : 0x10000000, 64 * 8);
    Ring(24, 0);
    const std::string path = dir_ + "/rec.m2v", index = dir_ + "/rec.mdb";
    const auto records = [&] { return index_formats::DecodePictureIndex(ReadFile(index)); };
    Bytes data(100, 0x55);
    {
        OutputStreamFile output(path, kOutputPictureIndex, window_);
        struct Step {
            bool written;
            std::size_t records;  // in the index on disk after the write
        };
        // 100 bytes a write; the disk is full at 350: the fourth write puts 50 bytes, the fifth none.
        const Step steps[] = {{true, 0}, {true, 3}, {true, 3}, {false, 3}, {false, 3}};
        const FileSizeLimit full(350);
        for (const Step& step : steps) {
            EXPECT_EQ(output.Write(data.data(), 100), step.written);
            const auto onDisk = records();
            ASSERT_EQ(onDisk.size(), step.records);
            // What a killed recording leaves ends with its last group.
            if (!onDisk.empty()) {
                EXPECT_TRUE(onDisk.back().lastGroup);
            }
        }
    }
    EXPECT_EQ(ReadFile(path).size(), 350u);
    // Five whole pictures reached the file: the second group ends after its second picture.
    const auto kept = records();
    ASSERT_EQ(kept.size(), 5u);
    for (std::size_t i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kept[i].groupStartWords, i < 3 ? 0u : 48u);
        EXPECT_EQ(kept[i].pictureInGroup, i % 3);
        EXPECT_EQ(kept[i].picturesToGroupEnd, i < 3 ? 3 - i : 5 - i);
        EXPECT_EQ(kept[i].lastGroup, i >= 3);
    }
}

TEST_F(OutputStreams, ABrokenRingNeverHangsTheWriter) {
    OutputStreamFile output(dir_ + "/rec.m2v", kOutputPictureIndex, window_);
    Bytes data(16);
    Ring(7, 0);  // odd write index: ignored
    EXPECT_TRUE(output.Write(data.data(), 16));
    Ring(4, 201);  // read index out of range: resynchronised to the write index
    EXPECT_TRUE(output.Write(data.data(), 16));
    EXPECT_EQ(Word(board_map::kEncoderIndexRing + 4), 4u);
}

TEST_F(OutputStreams, ContentSurvivesSwitchesBetweenUnbufferedAndBufferedWriting) {
    // In the build tree (a disk file system) as well as in the temporary directory.
    for (const std::string& path : {velmar_testing::RunDir() + "/stream_objects_direct.bin", dir_ + "/direct.bin"}) {
        Bytes expected;
        auto* aligned = static_cast<std::uint8_t*>(std::aligned_alloc(4096, 0x40000));
        {
            OutputStreamFile output(path, 0, window_);
            for (int round = 0; round < 3; ++round) {
                for (std::uint32_t i = 0; i < 0x40000; ++i) aligned[i] = static_cast<std::uint8_t>(i * 7 + round);
                expected.insert(expected.end(), aligned, aligned + 0x40000);
                EXPECT_TRUE(output.Write(aligned, 0x40000));
                if (round == 0) {
                    EXPECT_NE(output.WriteMode(), 0);
                }
                Bytes small = Counting(0x40000 - 100 + round * 0, static_cast<std::uint8_t>(round));
                if (round == 1) small.resize(100);  // leaves the position unaligned for a while
                expected.insert(expected.end(), small.begin(), small.end());
                EXPECT_TRUE(output.Write(small.data(), static_cast<std::uint32_t>(small.size())));
            }
        }
        std::free(aligned);
        EXPECT_EQ(ReadFile(path), expected) << path;
        std::remove(path.c_str());
    }
}

TEST_F(OutputStreams, FailedCreateAndFullDiskAreReported) {
    Bytes data(64);
    OutputStreamFile missing(dir_ + "/no/such/dir/x.bin", 0, window_);
    EXPECT_FALSE(missing.Write(data.data(), 64));
    EXPECT_TRUE(missing.Failed());
    OutputStreamFile full("/dev/full", 0, window_);
    EXPECT_FALSE(full.Write(data.data(), 64));
    EXPECT_TRUE(full.Failed());
    EXPECT_FALSE(full.Write(data.data(), 64));
}

TEST_F(OutputStreams, InterlacedFieldsWeaveIntoFramesAndAPartialFrameIsDropped) {
    const std::string path = dir_ + "/frames.yuv";
    const std::uint32_t fieldBytes = kInterlacedLineBytes * kInterlacedLines;
    Bytes fields(fieldBytes + 5000);
    for (std::uint32_t line = 0; line < kInterlacedLines; ++line)
        std::memset(fields.data() + line * kInterlacedLineBytes, static_cast<int>(line % 251), kInterlacedLineBytes);
    {
        InterlacedOutput output(path);
        // Chunks that split lines.
        for (std::uint32_t at = 0; at < fields.size(); at += 1000)
            EXPECT_TRUE(output.Write(fields.data() + at, std::min<std::uint32_t>(1000, fields.size() - at)));
    }
    const Bytes frame = ReadFile(path);
    ASSERT_EQ(frame.size(), fieldBytes);
    for (std::uint32_t row = 0; row < kInterlacedLines; ++row) {
        const std::uint32_t line = row % 2 == 0 ? row / 2 : (row + 479) / 2;
        ASSERT_EQ(frame[row * kInterlacedLineBytes], line % 251) << row;
        ASSERT_EQ(frame[row * kInterlacedLineBytes + kInterlacedLineBytes - 1], line % 251) << row;
    }
}

TEST_F(OutputStreams, CommaJoinedNamesWriteIdenticalFilesWithTheIndexBesideTheFirst) {
    const std::string a = dir_ + "/a.m2v", b = dir_ + "/b.m2v";
    const Bytes data = Counting(64);
    {
        auto pair = CreateStreamPair(a + "," + b, kOutputSwapBytes | kOutputPictureIndex, window_);
        Bytes buffer = data;
        EXPECT_TRUE(pair->Write(buffer.data(), 64));
    }
    EXPECT_EQ(ReadFile(a), Swapped(data));
    EXPECT_EQ(ReadFile(b), Swapped(data));
    EXPECT_EQ(access((dir_ + "/a.mdb").c_str(), F_OK), 0);
    EXPECT_NE(access((dir_ + "/b.mdb").c_str(), F_OK), 0);
    EXPECT_EQ(PictureIndexName("/d.x/clip"), "/d.x/clip.mdb");
}

}  // namespace
