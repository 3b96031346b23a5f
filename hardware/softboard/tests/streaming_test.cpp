// The board's streams stepped by hand: pairs handed over through the mailbox are consumed at the
// stream's rate, output pairs are filled from the clip with index entries for whole pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <numeric>

#include "softboard/soft_board.h"
#include "softboard/streaming.h"
#include "tessolk/board_map.h"
#include "tessolk/tessolk.h"
#include "velmar_testing/test_support.h"

using namespace softboard;
using namespace board_map;

namespace {

constexpr std::int64_t kMs = 1000;
constexpr std::uint32_t kPair = 0x2000;

class BoardStreams : public ::testing::Test {
protected:
    void SetUp() override {
        SoftBoardOptions options;
        options.interruptPeriodMs = 1;
        board_ = SoftBoard::Create(options);
        ASSERT_TRUE(board_);
        std::uint64_t host = 0;
        ASSERT_EQ(qrddMapMemory(0, physical_, host), kQrddOk);
        qrddWriteSizeArray(0, 0x1000, 0);
        qrddWriteSizeArray(0, 8 * kPair, 4);       // input 0
        qrddWriteSizeArray(0, 8 * kPair, 4 + 8);   // output 0
        // Areas: four of 0x1000 bytes' worth (size 0 for 1-3), input 0, inputs 1-7 empty, output 0.
        inputArea_ = 0x8000 + 0x1000;
        outputArea_ = inputArea_ + 8 * kPair;
        qrddWriteInt32(0, kControlRegister, kControlStart);
        Step();
    }
    void Step() {
        now_ += kMs;
        board_->Step(now_);
    }
    // One "bufferpair" (opcode 5) or "BOutBufferpair" (6) packet for stream 0.
    void HandOver(std::uint32_t opcode, const std::vector<std::uint32_t>& pairWords) {
        std::vector<std::uint32_t> words = {0, opcode << 16 | static_cast<std::uint32_t>(pairWords.size())};
        words.insert(words.end(), pairWords.begin(), pairWords.end());
        Post(words);
    }
    // A packet of priority words.
    void Post(const std::vector<std::uint32_t>& words) {
        std::uint8_t* window = board_->Window();
        std::memcpy(window, words.data(), words.size() * 4);
        const std::uint16_t priority = static_cast<std::uint16_t>(words.size()), scheduled = 0;
        std::memcpy(window + 0x1000 - 8, &priority, 2);
        std::memcpy(window + 0x1000 - 2, &scheduled, 2);
        std::uint32_t one = 1;
        std::memcpy(window + kPacketReadyFlag, &one, 4);
    }
    std::uint32_t Word(std::uint32_t offset) {
        std::uint32_t value;
        std::memcpy(&value, board_->Window() + offset, 4);
        return value;
    }

    std::unique_ptr<SoftBoard> board_;
    std::uint32_t physical_ = 0;
    std::uint32_t inputArea_ = 0, outputArea_ = 0;
    std::int64_t now_ = 0;
};

TEST_F(BoardStreams, InputPairsAreConsumedAtTheStreamsRateAndCounted) {
    const std::string capture = velmar_testing::TempDir() + "/in0.bin";
    board_->Streaming().SetInput(0, {0x1000, capture});
    std::vector<std::uint8_t> data(kPair + 0x800);
    std::iota(data.begin(), data.end(), 3);
    std::memcpy(board_->Window() + inputArea_, data.data(), kPair);
    std::memcpy(board_->Window() + inputArea_ + kPair, data.data() + kPair, 0x800);
    HandOver(5, {physical_ + inputArea_, kPair, physical_ + inputArea_ + kPair, 0x800});
    Step();
    EXPECT_EQ(board_->Streaming().InputBytes(0), 0x1000u);
    EXPECT_EQ(Word(kStreamProgressTable), 0u);
    Step();
    EXPECT_EQ(Word(kStreamProgressTable), 1u);
    Step();
    Step();
    EXPECT_EQ(Word(kStreamProgressTable), 2u);
    EXPECT_EQ(board_->Streaming().InputBytes(0), data.size());
    RunningChecksum whole;
    whole.Add(data.data(), data.size());
    EXPECT_EQ(board_->Streaming().InputChecksum(0), whole.Value());
    std::ifstream in(capture, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}), data);
    // The time code follows the fields.
    EXPECT_EQ(Word(kRecordTimecode), board_->Timecode());
}

TEST_F(BoardStreams, OutputPairsFillFromTheLoopedClipWithIndexEntriesForWholePictures) {
    // Two groups: sequence header + picture of 0x1000 bytes + picture of 0x0FFC bytes.
    std::vector<std::uint8_t> clip;
    for (int group = 0; group < 2; ++group) {
        clip.insert(clip.end(), {0, 0, 1, 0xB3, 0, 0, 0, 0});
        for (std::uint32_t size : {0x1000u, 0x0FFCu}) {
            clip.insert(clip.end(), {0, 0, 1, 0});
            clip.insert(clip.end(), size - 4, 0x80);
        }
    }
    const std::string path = velmar_testing::TempDir() + "/clip.m2v";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(clip.data()), clip.size());
    OutputStreaming options;
    options.sourceClip = path;
    options.bytesPerInterrupt = 0x1800;
    options.pictureIndex = true;
    board_->Streaming().SetOutput(0, options);
    EXPECT_EQ(Word(kEncoderIndexRing), 200u);
    HandOver(6, {physical_ + outputArea_, kPair, physical_ + outputArea_ + kPair, kPair});
    Step();
    const std::uint32_t entry0 = kStreamProgressTable + 8 * 16;
    EXPECT_EQ(Word(entry0), 0u);
    EXPECT_EQ(Word(entry0 + 4), physical_ + outputArea_ + 0x1800);
    EXPECT_EQ(Word(kEncoderIndexRing), 2u);  // the first unit (header + picture) is complete
    EXPECT_LT(Word(kEncoderIndexRing + 8), 0x10000000u);
    EXPECT_EQ(Word(kEncoderIndexRing + 12), (8u + 0x1000u) * 8);
    Step();
    EXPECT_EQ(Word(entry0), 1u);
    EXPECT_EQ(Word(kEncoderIndexRing), 4u);
    EXPECT_EQ(Word(kEncoderIndexRing + 16), 0x10000000u);
    EXPECT_EQ(std::memcmp(board_->Window() + outputArea_, clip.data(), 0x3000), 0);
    Step();
    Step();  // both pairs full: production waits for pairs handed back
    EXPECT_EQ(Word(entry0), 2u);
    EXPECT_EQ(board_->Streaming().OutputBytes(0), 2u * kPair);
    EXPECT_EQ(Word(entry0 + 4), physical_ + outputArea_ + 2 * kPair);  // the area's next pair
}

TEST(RunningChecksumTest, DoesNotDependOnHowTheBytesAreCut) {
    std::vector<std::uint8_t> data(1000);
    std::iota(data.begin(), data.end(), 1);
    RunningChecksum whole, pieces;
    whole.Add(data.data(), data.size());
    for (std::size_t at = 0, step = 1; at < data.size(); at += step, step = step % 13 + 1)
        pieces.Add(data.data() + at, std::min(step, data.size() - at));
    EXPECT_EQ(whole.Value(), pieces.Value());
    RunningChecksum shorter;
    shorter.Add(data.data(), data.size() - 1);
    EXPECT_NE(shorter.Value(), whole.Value());
    data[500] ^= 1;
    RunningChecksum changed;
    changed.Add(data.data(), data.size());
    EXPECT_NE(changed.Value(), whole.Value());
}

TEST_F(BoardStreams, WithoutAFixedRateTheStreamsOwnBitRatePacesIt) {
    // A sequence header announcing 8 Mbit/s: 1,000 bytes per 1 ms interrupt.
    std::vector<std::uint8_t> data(kPair, 0x55);
    const std::uint32_t value = 8'000'000 / 400;
    const std::uint8_t header[] = {0, 0, 1, 0xB3, 0x2D, 0x01, 0xE0, 0x34, static_cast<std::uint8_t>(value >> 10),
                                   static_cast<std::uint8_t>(value >> 2), static_cast<std::uint8_t>(value << 6 | 0x20)};
    std::memcpy(data.data(), header, sizeof header);
    EXPECT_EQ(AnnouncedBitRate(data.data(), data.size()), 8'000'000u);
    std::memcpy(board_->Window() + inputArea_, data.data(), kPair);
    HandOver(5, {physical_ + inputArea_, kPair});
    Step();
    EXPECT_EQ(board_->Streaming().InputBytes(0), 1000u);
}

// A start word comes with the host's reopen of its input, whose pair count restarts there: what is
// still queued for that input is of the data before and goes uncounted; pairs after the word stay.
TEST_F(BoardStreams, AStartWordDropsWhatWasQueuedForItsInputUncounted) {
    qrddWriteSizeArray(0, 8 * kPair, 5);  // inputs 1 and 2 after input 0
    qrddWriteSizeArray(0, 8 * kPair, 6);
    const struct {
        std::uint32_t input, word;
    } starts[] = {{0, 0x00930004}, {1, 0x00930104}, {2, 0x009B0102}};
    for (const auto& start : starts) {
        SCOPED_TRACE(start.input);
        const std::uint32_t area = physical_ + inputArea_ + start.input * 8 * kPair;
        const std::uint32_t pairs = 0x00050000 | start.input << 8;
        Post({0, pairs | 6, area, kPair, area + kPair, kPair, area + 2 * kPair, kPair});
        board_->Step(now_);  // taken, no field yet
        const std::uint32_t progress = Word(kStreamProgressTable + 8 * start.input);
        ASSERT_EQ(board_->InputPairs(start.input).size(), 3u);
        Post({0, start.word, 1, 0xFFFFFFFF, 0, 0, 0, pairs | 2, area, kPair});
        board_->Step(now_);
        EXPECT_EQ(board_->InputPairs(start.input), (std::vector<QueuedPair>{{area, kPair}}));
        EXPECT_EQ(Word(kStreamProgressTable + 8 * start.input), progress);
    }
}

TEST_F(BoardStreams, AnOutputOpenedAgainStartsAtTheFirstPairOfTheNewSet) {
    std::vector<std::uint8_t> clip(0x100, 0x77);
    const std::string path = velmar_testing::TempDir() + "/clip.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(clip.data()), clip.size());
    OutputStreaming options;
    options.sourceClip = path;
    options.bytesPerInterrupt = 0x100;
    board_->Streaming().SetOutput(0, options);
    std::vector<std::uint32_t> all;
    for (std::uint32_t j = 0; j < 8; ++j) {
        all.push_back(physical_ + outputArea_ + j * 0x400);
        all.push_back(0x400);
    }
    HandOver(6, all);
    Step();
    Step();  // 0x200 bytes into the first pair
    HandOver(6, all);
    Step();
    EXPECT_EQ(Word(kStreamProgressTable + 8 * 16 + 4), physical_ + outputArea_ + 0x100);
    EXPECT_EQ(board_->OutputPairs(0).size(), 8u);
}

}  // namespace

namespace {

TEST(PictureTypeScannerTest, FindsPictureHeadersAcrossPieces) {
    // Picture headers with coding types I (1), B (3) and P (2), split at every possible place.
    const std::vector<std::uint8_t> stream = {0x00, 0x00, 0x01, 0xB3, 0x12, 0x00, 0x00, 0x01, 0x00, 0x00, 0x0F,
                                              0xFF, 0xAA, 0x00, 0x00, 0x01, 0x00, 0x00, 0x5F, 0xFF, 0x00,
                                              0x00, 0x01, 0x00, 0x40, 0x57};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        PictureTypeScanner scanner;
        scanner.Feed(stream.data(), cut);
        scanner.Feed(stream.data() + cut, stream.size() - cut);
        EXPECT_EQ(scanner.Pictures(), 3u) << cut;
        EXPECT_EQ(scanner.LastType(), 2) << cut;
    }
}

}  // namespace

TEST_F(BoardStreams, ChannelStatusShowsTheFieldsAndPictureTypeOfWhatPlays) {
    board_->Streaming().SetInput(0, {0x100, ""});
    // One B picture header at the start of the pair.
    std::vector<std::uint8_t> data(kPair, 0xFF);
    const std::uint8_t picture[] = {0x00, 0x00, 0x01, 0x00, 0x00, 0x1F};
    std::memcpy(data.data(), picture, sizeof picture);
    std::memcpy(board_->Window() + inputArea_, data.data(), kPair);
    HandOver(5, {physical_ + inputArea_, kPair});
    Step();
    const std::uint32_t shownBefore = Word(kChannelAStatus + 8);
    Step();
    Step();
    EXPECT_EQ(Word(kChannelAStatus + 8), shownBefore + 2);  // one field per interrupt while it plays
    EXPECT_EQ(board_->Window()[kChannelAStatus + 43], 3);
    EXPECT_EQ(Word(kChannelAStatus + 4), static_cast<std::uint32_t>(board_->InterruptCount()));
    EXPECT_EQ(Word(kChannelBStatus + 8), 0u);  // channel B plays nothing
}

// The audio input: pairs of input 3 are taken at the sample rate of the bus byte once the play
// word arrives, with the board's prefetch first; off and on pause and resume it; the progress it
// reports gives the panel's display the bytes taken; a flush drops what it holds.
class AudioInputStreams : public BoardStreams {
protected:
    static constexpr std::uint32_t kAudioPair = 0x20000;
    void SetUp() override {
        BoardStreams::SetUp();
        qrddWriteSizeArray(0, 8 * kAudioPair, 4 + 3);
        audioArea_ = 0x8000 + 0x1000 + 8 * kPair;  // after input 0; inputs 1 and 2 have none
    }
    // One packet of commands {time, opcode, stream, parameters...}.
    void Send(const std::vector<std::vector<std::uint32_t>>& commands) {
        std::vector<std::uint32_t> words;
        for (const auto& c : commands) {
            words.push_back(c[0]);
            words.push_back(c[1] << 16 | c[2] << 8 | static_cast<std::uint32_t>(c.size() - 3));
            words.insert(words.end(), c.begin() + 3, c.end());
        }
        std::uint8_t* window = board_->Window();
        std::memcpy(window, words.data(), words.size() * 4);
        const std::uint16_t priority = static_cast<std::uint16_t>(words.size()), scheduled = 0;
        std::memcpy(window + 0x1000 - 8, &priority, 2);
        std::memcpy(window + 0x1000 - 2, &scheduled, 2);
        std::uint32_t one = 1;
        std::memcpy(window + kPacketReadyFlag, &one, 4);
        Step();
    }
    // What the panel's audio display counts: bytes taken since the play word.
    std::uint32_t ShownBytes() {
        const std::uint32_t c0 = Word(ProgressWordOffset(kAudioProgressEntry, 0));
        const std::uint32_t c1 = Word(ProgressWordOffset(kAudioProgressEntry, 1));
        return c1 - Word(kAudioBaseWord) + ((c0 >> 3) << 20);
    }
    std::uint32_t audioArea_ = 0;
};

TEST_F(AudioInputStreams, TakesBytesAtTheSampleRateAndReportsThem) {
    const struct {
        std::uint32_t busByte;
        std::uint64_t bytesPerSecond;
    } rates[] = {{0x8a000000, 192000}, {0x89000000, 176400}, {0x88000000, 128000}};
    bool first = true;
    for (const auto& rate : rates) {
        if (!first) {
            board_.reset();
            now_ = 0;
            SetUp();
        }
        first = false;
        Send({{0xFFFFFFFF, 0x0009, 0, 0x01010001, 0x004003E8, 0, rate.busByte}});
        std::vector<std::uint32_t> pairs = {0, 0x05, 3};
        for (std::uint32_t i = 0; i < 4; ++i) pairs.insert(pairs.end(), {physical_ + audioArea_ + i * kAudioPair, kAudioPair});
        Send({{0, 0x9F, 3}, pairs});
        const std::uint64_t before = board_->Streaming().InputBytes(3);
        Send({{0, 0x98, 3, 0xFFFFFFFF, 0, 0, 0}});  // one field of play within this step
        for (int field = 1; field < 1000; ++field) Step();
        // A second of fields (1 ms each here): the prefetch and a second of samples, exactly.
        const std::uint64_t taken = board_->Streaming().InputBytes(3) - before;
        EXPECT_EQ(taken, 102392 + rate.bytesPerSecond);
        EXPECT_EQ(ShownBytes(), taken);
        Send({{0, 0x99, 3, 1}});
        const std::uint64_t paused = board_->Streaming().InputBytes(3);
        Step();
        EXPECT_EQ(board_->Streaming().InputBytes(3), paused);
        Send({{0, 0x99, 3, 0}});
        EXPECT_GT(board_->Streaming().InputBytes(3), paused);
        Send({{0, 0x9F, 3}});
        EXPECT_TRUE(board_->InputPairs(3).empty());
    }
}
