// Start codes found wherever they lie, the same by the buffer search and by the scanner fed in
// pieces of any size.
#include <gtest/gtest.h>

#include <vector>

#include "start_codes/start_codes.h"

namespace start_codes {
namespace {

struct Found {
    std::uint64_t offset;
    int code;
    bool operator==(const Found&) const = default;
};

struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::vector<Found> codes;
};

const Case kCases[] = {
    {"none", {0, 0, 2, 0, 1, 0xB3}, {}},
    {"unaligned after extra zeros", {7, 0, 0, 0, 1, 0xB3, 0, 0, 1, 0xB8}, {{2, 0xB3}, {6, 0xB8}}},
    {"code byte missing at the end", {0, 0, 1, 0xB5, 0, 0, 1}, {{0, 0xB5}}},
    {"one byte alone", {1}, {}},
    {"zeros and ones", {0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0}, {{2, 1}, {7, 0}}},
};

std::vector<Found> BySearch(const std::vector<std::uint8_t>& b) {
    std::vector<Found> out;
    for (std::size_t at = FindStartCode(b.data(), b.size()); at < b.size(); at = FindStartCode(b.data(), b.size(), at + 1))
        out.push_back({at, b[at + 3]});
    return out;
}

// A few KiB of noise rich in zeros, with codes packed close, overlapping (a picture code whose
// own bytes begin the next prefix) and at the very end, so that the scanner's jumps meet codes
// on every side of a piece's edges.
std::vector<std::uint8_t> Stream() {
    std::vector<std::uint8_t> bytes;
    std::uint32_t x = 12345;
    for (int i = 0; i < 5000; ++i) {
        x = x * 1103515245 + 12345;
        const std::uint32_t r = x >> 16;
        if (r % 97 == 0) {
            bytes.insert(bytes.end(), {0, 0, 1, static_cast<std::uint8_t>(r % 3 == 0 ? 0 : 0xB3 + r % 6)});
        } else if (r % 89 == 0) {
            bytes.insert(bytes.end(), {0, 0, 1, 0, 0, 1, 0xB8});
        } else {
            bytes.push_back(r % 4 == 0 ? 0 : static_cast<std::uint8_t>(r >> 3));
        }
    }
    bytes.insert(bytes.end(), {0, 0, 1, 0, 0x12});
    return bytes;
}

std::vector<StartCode> Scanned(const std::vector<std::uint8_t>& b, std::size_t piece) {
    StartCodeScanner scanner;
    std::vector<StartCode> got;
    for (std::size_t i = 0; i < b.size(); i += piece)
        scanner.Feed(b.data() + i, std::min(piece, b.size() - i), [&](const StartCode& s) { got.push_back(s); });
    return got;
}

TEST(StartCodes, ScannerJumpsFindWhatByteStepsFind) {
    const std::vector<std::uint8_t> bytes = Stream();
    const std::vector<StartCode> stepped = Scanned(bytes, 1);
    ASSERT_GT(stepped.size(), 100u);
    std::vector<Found> want;
    for (const Found& f : BySearch(bytes))
        if (f.code != kPicture || f.offset + 6 <= bytes.size()) want.push_back(f);
    for (std::size_t piece : {std::size_t{1}, std::size_t{5}, std::size_t{9}, std::size_t{13}, std::size_t{64},
                              std::size_t{1000}, bytes.size()}) {
        const std::vector<StartCode> got = Scanned(bytes, piece);
        std::vector<Found> found;
        for (const StartCode& s : got) found.push_back({s.offset, s.code});
        EXPECT_EQ(found, want) << "pieces of " << piece;
        ASSERT_EQ(got.size(), stepped.size()) << "pieces of " << piece;
        for (std::size_t i = 0; i < got.size(); ++i)
            EXPECT_TRUE(got[i].next[0] == stepped[i].next[0] && got[i].next[1] == stepped[i].next[1])
                << "picture at " << got[i].offset << " in pieces of " << piece;
    }
}

TEST(StartCodes, BufferSearchAndPiecewiseScannerAgree) {
    for (const Case& c : kCases) {
        EXPECT_EQ(BySearch(c.bytes), c.codes) << c.name;
        for (std::size_t piece : {std::size_t{1}, std::size_t{3}, c.bytes.size()}) {
            StartCodeScanner scanner;
            std::vector<Found> got;
            for (std::size_t i = 0; i < c.bytes.size(); i += piece)
                scanner.Feed(c.bytes.data() + i, std::min(piece, c.bytes.size() - i),
                             [&](const StartCode& s) { got.push_back({s.offset, s.code}); });
            // A picture code is handed over only with its two bytes; the table's last picture has them
            // unless it ends the stream.
            std::vector<Found> want;
            for (const Found& f : c.codes)
                if (f.code != kPicture || f.offset + 6 <= c.bytes.size()) want.push_back(f);
            EXPECT_EQ(got, want) << c.name << " in pieces of " << piece;
            EXPECT_EQ(scanner.Offset(), c.bytes.size());
        }
    }
}

TEST(StartCodes, PictureHeaderFieldsSurviveASplit) {
    // Temporal reference 5 (0000000101), coding type B (3).
    const std::uint8_t bytes[] = {0, 0, 1, 0, 0x01, 0x40 | 3 << 3, 0, 0, 1, 0xB8};
    StartCodeScanner scanner;
    std::vector<StartCode> got;
    scanner.Feed(bytes, 5, [&](const StartCode& s) { got.push_back(s); });
    EXPECT_TRUE(got.empty());
    scanner.Feed(bytes + 5, sizeof bytes - 5, [&](const StartCode& s) { got.push_back(s); });
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(TemporalReference(got[0]), 5);
    EXPECT_EQ(CodingType(got[0]), 3);
    EXPECT_EQ(got[1].code, kGroup);
    EXPECT_EQ(got[1].offset, 6u);
}

// A start code's bytes read as a word either way round, as the stream parsers and the board's file
// checks compare them.
TEST(StartCodes, WordsAreTheCodesBytesReadEitherWay) {
    for (std::uint8_t code : {kPicture, kSequenceHeader, kExtension, kSequenceEnd, kGroup, kProgramEnd, kPack, kSystemHeader}) {
        const std::uint8_t bytes[] = {0, 0, 1, code};
        EXPECT_EQ(BigEndianWord(code), std::uint32_t{bytes[0]} << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3]);
        EXPECT_EQ(LittleEndianWord(code), std::uint32_t{bytes[3]} << 24 | bytes[2] << 16 | bytes[1] << 8 | bytes[0]);
    }
    EXPECT_EQ(BigEndianWord(kSequenceHeader), 0x000001B3u);
    EXPECT_EQ(LittleEndianWord(kSequenceHeader), 0xB3010000u);
    EXPECT_EQ(BigEndianWord(kPack), 0x000001BAu);
}

}  // namespace
}  // namespace start_codes
