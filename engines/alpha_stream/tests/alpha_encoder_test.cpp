// The encoder's codes byte for byte, its two passes agreeing, its refusals, and the checked
// reader refusing damaged streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "alpha_stream/alpha_encoder.h"
#include "alpha_stream/alpha_reader.h"
#include "alpha_test_decoder.h"
#include "index_formats/index_files.h"
#include "velmar_testing/test_support.h"

namespace {

using namespace alpha_stream;
using Bytes = std::vector<std::uint8_t>;

// A memory stream to write into; Bytes() gives what reached it.
class MemoryFile {
public:
    MemoryFile() : file_(open_memstream(&data_, &size_)) {}
    ~MemoryFile() {
        std::fclose(file_);
        std::free(data_);
    }
    std::FILE* get() { return file_; }
    Bytes Contents() {
        std::fflush(file_);
        return Bytes(data_, data_ + size_);
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

AlphaSegment* Add(AlphaSegmentList& list, int type, std::uint32_t count, std::uint32_t value = 0) {
    AlphaSegment* s = AppendAlphaSegment(list);
    s->type = type;
    s->count = count;
    s->value = value;
    if (type == kExplicitSamples)
        for (std::uint32_t i = 0; i < count; ++i) s->samples.push_back(static_cast<std::uint8_t>(i % 4));
    return s;
}

struct CodeCase {
    const char* name;
    int type;
    std::uint32_t count;
    std::uint32_t width;  // luma band of exactly the example, or filled up with video 0 after it
    Bytes code;           // the example's own bytes, at the start of the band's code
};

class CodeExamples : public ::testing::TestWithParam<CodeCase> {};

TEST_P(CodeExamples, EncodeByteForByteAndBothPassesAgree) {
    const CodeCase& c = GetParam();
    AlphaSegmentList list;
    Add(list, c.type, c.count);
    if (c.count < c.width * 8) Add(list, kRunVideo0, c.width * 8 - c.count);
    MemoryFile file;
    const auto firstPass = AlphaFieldCodeSize(list, c.width, true);
    const std::size_t written = WriteAlphaField(list, c.width, true, file.get());
    const Bytes bytes = file.Contents();
    ASSERT_TRUE(firstPass);
    EXPECT_EQ(*firstPass, written);
    EXPECT_EQ(bytes.size(), written);
    ASSERT_GE(bytes.size(), c.code.size());
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(c.code.size())), c.code);
}

Bytes Samples64() {
    // Samples 0,1,2,3 repeating pack to 0x1B.
    // Built at its full size: growing a one-byte vector made GCC 12's Release build warn falsely.
    Bytes code(18, 0x1B);
    code.front() = 0x2F;
    code[16] = 0x21;
    return code;
}

INSTANTIATE_TEST_SUITE_P(
    Alpha, CodeExamples,
    ::testing::Values(CodeCase{"Video1Run17", kRunVideo1, 17, 16, {0x10, 0x01, 0x11}},
                      CodeCase{"Video1Run4080", kRunVideo1, 4080, 510, {0x10, 0xFF}},
                      CodeCase{"Video1Run15", kRunVideo1, 15, 16, {0x1F}},
                      CodeCase{"Samples64", kExplicitSamples, 64, 8, Samples64()},
                      CodeCase{"Selector0Luma720", kRunSelector, 5760, 720, {0x40, 0xFF, 0x40, 0x69}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AlphaEncoder, MixedSegmentsSizeAsWrittenAndDecodeBack) {
    AlphaSegmentList list;
    Add(list, kRunSelector, 4080 * 2 + 33, 2);
    Add(list, kExplicitSamples, 124);
    AlphaSegment* data = Add(list, kDataOrControl, 31);
    data->HasData = true;
    data->a = 1;
    data->data.assign(31, 0xAB);
    AlphaSegment* control = Add(list, kDataOrControl, 0x50);
    control->b = 1;
    Add(list, kRunVideo1, 20000 * 8 - (4080 * 2 + 33) - 124 - 31 - 1);
    MemoryFile file;
    const auto firstPass = AlphaFieldCodeSize(list, 20000, true);
    ASSERT_TRUE(firstPass);
    EXPECT_EQ(WriteAlphaField(list, 20000, true, file.get()), *firstPass);
    const Bytes code = file.Contents();
    ASSERT_EQ(code.size(), *firstPass);
    // The control unit: 0x80 | b << 5 | c, with c from bits 4-7 of its count word.
    EXPECT_NE(std::find(code.begin(), code.end(), 0xA5), code.end());
    std::vector<int> units(20000 * 8);
    EXPECT_EQ(alpha_test::DecodeBand(code, 0, units.size(), units, 0), code.size());
    EXPECT_EQ(units[0], alpha_test::kSelector + 2);
    EXPECT_EQ(units[4080 * 2 + 33 + 1], alpha_test::kSelector + 1);
    EXPECT_EQ(units[4080 * 2 + 33 + 124], alpha_test::kData);
    EXPECT_EQ(units[4080 * 2 + 33 + 124 + 31], alpha_test::kControl);
    EXPECT_EQ(units.back(), alpha_test::kVideo1);
}

TEST(AlphaEncoder, RefusesInvalidInput) {
    MemoryFile file;
    AlphaSegmentList empty;
    EXPECT_EQ(WriteAlphaField(empty, 16, true, file.get()), 0u);
    AlphaSegmentList shortBand;
    Add(shortBand, kRunVideo0, 127);
    EXPECT_EQ(WriteAlphaField(shortBand, 16, true, file.get()), 0u);
    EXPECT_EQ(WriteAlphaField(shortBand, 32, false, file.get()), 0u);
    AlphaSegmentList badType;
    Add(badType, 5, 128);
    EXPECT_EQ(WriteAlphaField(badType, 16, true, file.get()), 0u);
    AlphaSegmentList badSamples;
    Add(badSamples, kExplicitSamples, 126);  // not a multiple of 4
    Add(badSamples, kRunVideo0, 2);
    EXPECT_EQ(WriteAlphaField(badSamples, 16, true, file.get()), 0u);

    AlphaFrameHeader header;
    header.Width = 720;
    header.Height = 480;
    for (auto spoil : {+[](AlphaFrameHeader& h) { h.marker = 0x41424343; }, +[](AlphaFrameHeader& h) { h.Width = 0; },
                       +[](AlphaFrameHeader& h) { h.Height = 0; }, +[](AlphaFrameHeader& h) { h.flag = 0; }}) {
        AlphaFrameHeader bad = header;
        spoil(bad);
        EXPECT_EQ(WriteAlphaHeader(bad, file.get()), 0u);
    }
    EXPECT_EQ(WriteAlphaHeader(header, file.get()), 68u);

    const std::vector<std::uint32_t> entries(30, 120);
    EXPECT_EQ(WriteAlphaOffsetTable(entries, 480, file.get()), 120u);
    EXPECT_EQ(WriteAlphaOffsetTable(entries, 488, file.get()), 0u);
    EXPECT_EQ(WriteAlphaOffsetTable(entries, 0, file.get()), 0u);
    EXPECT_EQ(WriteAlphaOffsetTable(std::vector<std::uint32_t>(30, 119), 480, file.get()), 0u);
    EXPECT_EQ(WriteAlphaOffsetTable(std::vector<std::uint32_t>(29, 120), 480, file.get()), 0u);
    EXPECT_EQ(file.Contents().size(), 68u + 120u);  // nothing of the refused calls
}

TEST(AlphaEncoder, WriteFailsOnAStreamInError) {
    std::FILE* readOnly = std::fopen("/dev/null", "rb");
    ASSERT_NE(readOnly, nullptr);
    AlphaSegmentList list;
    Add(list, kRunVideo0, 128);
    EXPECT_EQ(WriteBigEndian32(readOnly, 1), 0u);
    EXPECT_EQ(WriteAlphaField(list, 16, true, readOnly), 0u);
    std::fclose(readOnly);
}

TEST(AlphaSegments, AppendRefusesAnInconsistentList) {
    AlphaSegmentList list;
    AlphaSegment* first = AppendAlphaSegment(list);
    AlphaSegment* second = AppendAlphaSegment(list);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(list.head, first);
    EXPECT_EQ(first->next, second);
    EXPECT_EQ(list.tail, second);

    AlphaSegment* stray = NewAlphaSegment();
    list.tail->next = stray;  // a tail with a successor
    EXPECT_EQ(AppendAlphaSegment(list), nullptr);
    list.tail = stray;
    AlphaSegment* savedHead = list.head;
    list.head = nullptr;  // a tail without a head
    EXPECT_EQ(AppendAlphaSegment(list), nullptr);
    list.head = savedHead;
    ClearAlphaSegments(list);
    EXPECT_EQ(list.head, nullptr);
    EXPECT_EQ(list.tail, nullptr);
}

// A sound two-frame stream, then damaged copies of it.
Bytes TwoFrames() {
    MemoryFile file;
    for (int frame = 0; frame < 2; ++frame) {
        AlphaSegmentList luma;
        Add(luma, kRunVideo0, 16 * 8 - 3);
        Add(luma, kRunVideo1, 3);
        AlphaSegmentList chroma;
        Add(chroma, kRunVideo1, 16 * 4);
        const auto lumaBytes = *AlphaFieldCodeSize(luma, 16, true);
        const auto chromaBytes = *AlphaFieldCodeSize(chroma, 16, false);
        AlphaFrameHeader h;
        h.Width = 16;
        h.Height = 32;
        h.ChromaTableOffset = static_cast<std::uint32_t>(68 + 8 + lumaBytes);
        h.FrameLength = static_cast<std::uint32_t>(68 + 16 + lumaBytes + chromaBytes);
        WriteAlphaHeader(h, file.get());
        const std::vector<std::uint32_t> shared(2, 8);
        WriteAlphaOffsetTable(shared, 32, file.get());
        WriteAlphaField(luma, 16, true, file.get());
        WriteAlphaOffsetTable(shared, 32, file.get());
        WriteAlphaField(chroma, 16, false, file.get());
        for (std::size_t pad = h.FrameLength; pad % 8 != 0; ++pad) std::fputc(0, file.get());
    }
    return file.Contents();
}

std::string Store(const Bytes& bytes, const std::string& name) {
    const std::string path = velmar_testing::TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(AlphaReader, AcceptsBothWordOrdersAndIndexesEveryFrame) {
    const Bytes stream = TwoFrames();
    ASSERT_EQ(stream.size() % 8, 0u);
    ASSERT_EQ(alpha_test::DecodeStream(stream).size(), 2u);
    Bytes reversed = stream;
    for (std::size_t i = 0; i < reversed.size(); i += 4) std::reverse(reversed.begin() + i, reversed.begin() + i + 4);
    for (const auto& [bytes, wordsReversed] : {std::pair{stream, false}, std::pair{reversed, true}}) {
        const std::string path = Store(bytes, wordsReversed ? "reversed.alp" : "plain.alp");
        std::string problem;
        const auto info = ReadAlphaStreamInfo(path, &problem);
        ASSERT_TRUE(info) << problem;
        EXPECT_EQ(info->reversed, wordsReversed);
        EXPECT_EQ(info->frameOffsets, (std::vector<std::uint64_t>{0, stream.size() / 2}));
        ASSERT_TRUE(BuildAlphaIndexFile(path, &problem)) << problem;
        const auto adb = index_formats::ReadAlphaIndexFile(index_formats::IndexPathBeside(path, ".adb"));
        ASSERT_TRUE(adb);
        EXPECT_EQ(*adb, (std::vector<index_formats::AlphaIndexEntry>{{0}, {std::uint32_t(stream.size() / 8)}}));
    }
}

TEST(AlphaReader, RefusesTruncatedAndInconsistentStreams) {
    const Bytes good = TwoFrames();
    const std::size_t frame = good.size() / 2;
    struct Damage {
        const char* name;
        std::function<void(Bytes&)> apply;
    };
    const std::vector<Damage> damages = {
        {"empty", [](Bytes& b) { b.clear(); }},
        {"truncated in the second frame", [&](Bytes& b) { b.resize(frame + 40); }},
        {"padding of the last frame missing", [](Bytes& b) { b.resize(b.size() - 1); }},
        {"bytes after the last frame", [](Bytes& b) { b.insert(b.end(), 8, 0); }},
        {"second marker wrong", [&](Bytes& b) { b[frame] = 'X'; }},
        {"luma entry below the table size", [](Bytes& b) { b[68 + 3] = 4; }},
        {"chroma entry past the frame", [](Bytes& b) { b[68 + 8 + 6 + 3] = 0x7F; }},
        {"chroma table offset inside the luma table", [](Bytes& b) { b[15] = 70; }},
        {"height not a multiple of 16", [](Bytes& b) { b[23] = 33; }},
        {"frame length too long", [](Bytes& b) { b[7] += 8; }},
        {"run length byte of 0", [](Bytes& b) { b[68 + 9] = 0; }},
        {"code longer than its band", [](Bytes& b) { b[68 + 11] = 0x1F; }},
    };
    for (const auto& damage : damages) {
        Bytes bad = good;
        damage.apply(bad);
        std::string problem;
        const std::string path = Store(bad, "bad.alp");
        EXPECT_FALSE(ReadAlphaStreamInfo(path, &problem)) << damage.name;
        EXPECT_FALSE(problem.empty()) << damage.name;
        EXPECT_FALSE(BuildAlphaIndexFile(path)) << damage.name;
        EXPECT_FALSE(velmar_testing::FileExists(index_formats::IndexPathBeside(path, ".adb"))) << damage.name;
    }
}

}  // namespace
