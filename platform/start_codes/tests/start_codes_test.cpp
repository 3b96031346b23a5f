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

}  // namespace
}  // namespace start_codes
