#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "mpeg_audio/layer3_tables.h"

namespace mpa {
namespace {

TEST(Layer3Tables, BandTablesCoverTheGranule) {
    for (int t = 0; t < 6; ++t) {
        EXPECT_EQ(Layer3Bands(t).long_start[22], 576) << t;
        EXPECT_EQ(Layer3Bands(t).short_start[13], 192) << t;
    }
    EXPECT_EQ(Layer3Bands(BandTableIndex(0, 1)).long_start[18], 332);  // 24 kHz: ... 46, 54, 62
}

// Every code table must be complete and prefix-free, or the decoder's trees would have holes.
TEST(Layer3Tables, HuffmanCodesArePrefixFreeAndComplete) {
    for (int t = 1; t < kHuffmanTables; ++t) {
        HuffmanCodeSet set = Layer3HuffmanCodes(t);
        if (t == 4 || t == 14) {
            EXPECT_EQ(set.codes, nullptr);
            continue;
        }
        ASSERT_NE(set.codes, nullptr) << t;
        EXPECT_EQ(set.count, static_cast<std::size_t>(set.xlen * set.ylen)) << t;
        double kraft = 0;
        std::set<std::string> words;
        for (std::size_t i = 0; i < set.count; ++i) {
            const HuffmanCode& c = set.codes[i];
            std::string word;
            for (int b = c.length - 1; b >= 0; --b) word += ((c.code >> b) & 1) ? '1' : '0';
            for (const std::string& other : words) {
                ASSERT_NE(word.compare(0, other.size(), other), 0) << "table " << t;
                ASSERT_NE(other.compare(0, word.size(), word), 0) << "table " << t;
            }
            words.insert(word);
            kraft += std::ldexp(1.0, -c.length);
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0) << t;
    }
}

TEST(Layer3Tables, SynthesisWindowSymmetry) {
    EXPECT_NEAR(SynthesisWindow(256), 1.144989014, 5e-10);
    EXPECT_NEAR(SynthesisWindow(1), -0.000015259, 5e-10);
    EXPECT_NEAR(SynthesisWindow(511), 0.000015259, 5e-10);
    EXPECT_DOUBLE_EQ(SynthesisWindow(448), SynthesisWindow(64));
}

}  // namespace
}  // namespace mpa
