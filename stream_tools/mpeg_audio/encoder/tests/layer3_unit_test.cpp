// Layer III pieces that can be wrong alone: the generated model table, the Huffman directory, region and
// table choice, the reservoir and the back pointer.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "analysis_filter.h"
#include "layer3_encoder.h"
#include "layer3_huffman.h"
#include "layer3_psycho.h"
#include "mpeg_audio/huffman_decoder_table.h"
#include "psy_data_builder.h"

namespace mpa {
namespace {

TEST(PsyData, GeneratedTableKeepsTheRulesAndTheAnchors) {
    std::vector<double> built = BuildPsyData();
    // The table compiled in is the generator's current output.
    ASSERT_EQ(built.size(), kPsyDataSize);
    for (std::size_t i = 0; i < built.size(); ++i) ASSERT_EQ(built[i], kPsyData[i]) << i;

    for (int rate : kPsyDataRates) {
        SCOPED_TRACE(rate);
        PsyParameters p;
        std::string error;
        ASSERT_TRUE(CheckPsyData(built.data(), built.size(), rate, p, &error)) << error;
        int lines = 0;
        for (int i = 0; i < p.long_count; ++i) lines += p.long_lines[i];
        EXPECT_LE(lines, 513);
        // The spreading sums may skip what lies outside each row's span: nothing but zeros.
        for (int i = 0; i < p.long_count; ++i)
            for (int j = 0; j < p.long_count; ++j)
                if (j < p.span_first[i] || j > p.span_last[i]) {
                    EXPECT_EQ(p.spread[i][j], 0.0);
                }
    }
    PsyParameters p;
    ASSERT_TRUE(CheckPsyData(built.data(), built.size(), 48000, p, nullptr));
    EXPECT_EQ(p.long_count, 62);
    int lines = 0;
    for (int i = 0; i < p.long_count; ++i) lines += p.long_lines[i];
    EXPECT_EQ(lines, 481);
    EXPECT_EQ(p.long_lines[0], 1);
    EXPECT_DOUBLE_EQ(p.minval[0], 24.5);
    EXPECT_DOUBLE_EQ(p.long_quiet[0], 4.532);
    EXPECT_DOUBLE_EQ(p.long_norm[0], 0.97);
    EXPECT_DOUBLE_EQ(p.long_bark[0], 0.0);
    EXPECT_EQ(p.long_lines[61], 67);
    EXPECT_NEAR(p.long_quiet[61], 605.867, 0.1);
    EXPECT_NEAR(p.long_norm[61], 0.524, 0.01);
    EXPECT_NEAR(p.long_bark[61], 24.576, 0.005);
    EXPECT_EQ(p.short_lines[0], 1);
    EXPECT_DOUBLE_EQ(p.short_quiet[0], 4.532);
    EXPECT_DOUBLE_EQ(p.short_snr[0], -8.24);
    EXPECT_EQ(p.long_bands[0].first, 0);
    EXPECT_EQ(p.long_bands[0].last, 4);
    EXPECT_DOUBLE_EQ(p.long_bands[0].w1, 1.0);
    EXPECT_DOUBLE_EQ(p.long_bands[0].w2, 0.056);
}

TEST(PsyData, CheckRefusesADamagedTable) {
    std::vector<double> table = BuildPsyData();
    PsyParameters p;
    std::string error;
    EXPECT_FALSE(CheckPsyData(table.data(), table.size(), 22000, p, &error));  // no such rate
    std::vector<double> rows = table;
    rows[2 + 6 * 3] = 7;  // 48 kHz long partition 3 numbered 7
    EXPECT_FALSE(CheckPsyData(rows.data(), rows.size(), 48000, p, &error));
    EXPECT_NE(error.find("out of order"), std::string::npos);
    // The long band map's first block: walk past both partition sections.
    std::size_t pos = 0;
    for (int section = 0; section < 2; ++section)
        for (int block = 0; block < 6; ++block) pos += 2 + 6 * (static_cast<std::size_t>(table[pos + 1]) + 1);
    std::vector<double> map = table;
    map[pos + 2 + 6 * 5 + 4] += 0.2;  // band 5's first weight no longer completes band 4's last
    EXPECT_FALSE(CheckPsyData(map.data(), map.size(), 48000, p, &error));
    EXPECT_NE(error.find("continue"), std::string::npos);
}

TEST(HuffmanDirectory, PrefixFreeAndDecodedByTheDecodersTrees) {
    auto trees = DefaultHuffmanDecoderTables();
    ASSERT_TRUE(trees && trees->Complete());
    for (int t = 1; t < kHuffmanTables; ++t) {
        const HuffmanCodeTable& table = Layer3CodeTable(t);
        if (table.empty) continue;
        SCOPED_TRACE(t);
        const HuffmanDecodeTable* decode = &trees->tables[t];
        while (!decode->hasTree && decode->reference >= 0) decode = &trees->tables[decode->reference];
        ASSERT_TRUE(decode->tree);
        const int entries = t >= 32 ? 16 : table.xlen * table.ylen;
        for (int a = 0; a < entries; ++a) {
            ASSERT_GT(table.length[a], 0);
            int bit = table.length[a];
            int leaf = WalkHuffmanTree(*decode->tree, [&] { return bit > 0 ? (table.code[a] >> --bit) & 1 : 0; });
            int expected = t >= 32 ? a : ((a / table.ylen) << 4 | (a % table.ylen));
            EXPECT_EQ(leaf, expected) << "entry " << a;
            for (int b = 0; b < entries; ++b) {
                if (a == b || table.length[b] < table.length[a]) continue;
                EXPECT_NE(table.code[b] >> (table.length[b] - table.length[a]), table.code[a]) << a << " prefixes " << b;
            }
        }
    }
}

TEST(HuffmanChoice, RegionsTablesAndBits) {
    const ScaleFactorBands& bands = Layer3Bands(0);  // 44.1 kHz
    std::vector<int> ix(576, 0);
    Layer3GranuleInfo gi;
    EXPECT_EQ(CountTestBits(ix.data(), bands, gi), 0);
    EXPECT_EQ(gi.big_values, 0u);
    EXPECT_EQ(gi.count1, 0u);
    EXPECT_EQ(gi.count1table_select, 1u);  // ties go to table B
    EXPECT_EQ(gi.table_select[0] + gi.table_select[1] + gi.table_select[2], 0u);

    // Magnitudes of at most 1 all go to count1.
    for (int i = 0; i < 8; ++i) ix[i] = i % 2;
    int bits = CountTestBits(ix.data(), bands, gi);
    EXPECT_EQ(gi.big_values, 0u);
    EXPECT_EQ(gi.count1, 2u);
    const HuffmanCodeTable& quad = Layer3CodeTable(32 + static_cast<int>(gi.count1table_select));
    EXPECT_EQ(bits, 2 * (quad.length[Count1Index(0, 1, 0, 1)] + 2));

    // A 15 needs an escape table and pays its linbits.
    std::fill(ix.begin(), ix.end(), 0);
    ix[0] = 15;
    ix[1] = 3;
    bits = CountTestBits(ix.data(), bands, gi);
    EXPECT_EQ(gi.big_values, 1u);
    EXPECT_GE(gi.table_select[0], 16u);
    const HuffmanCodeTable& escape = Layer3CodeTable(static_cast<int>(gi.table_select[0]));
    EXPECT_EQ(bits, escape.length[15 * 16 + 3] + escape.linbits + 2);  // code, linbits, two signs; count1 empty

    struct MaxCase {
        int max, table;
    } maxCases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 5}, {5, 7}, {7, 10}, {14, 13}, {15, 16}, {16, 16}, {17, 17}, {8206, 23}};
    for (const MaxCase& c : maxCases) EXPECT_EQ(ChooseTableForMax(c.max), c.table) << c.max;

    // Region boundaries are scale factor band edges, never past the big values.
    std::fill(ix.begin(), ix.end(), 0);
    for (int i = 0; i < 100; ++i) ix[i] = 2 + i % 3;
    CountTestBits(ix.data(), bands, gi);
    EXPECT_EQ(gi.big_values, 50u);
    EXPECT_EQ(gi.address3, 100);
    EXPECT_LE(gi.address2, 100);
    EXPECT_LE(gi.address1, gi.address2);
    EXPECT_EQ(gi.address1, bands.long_start[gi.region0_count + 1]);
    EXPECT_EQ(gi.address2, std::min(bands.long_start[gi.region0_count + gi.region1_count + 2], 100));
    // Start blocks: region 0 ends at the ninth band's start, clipped to short big values.
    gi.window_switching_flag = 1;
    gi.block_type = kStartBlock;
    std::fill(ix.begin(), ix.end(), 0);
    for (int i = 0; i < 20; ++i) ix[i] = 2;
    bits = CountTestBits(ix.data(), bands, gi);
    EXPECT_EQ(gi.address1, 20);
    EXPECT_EQ(bits, CountRegionBits(ix.data(), 0, 20, static_cast<int>(gi.table_select[0])));
}

TEST(Layer3Reservoir, BoundsAndBudgets) {
    BitReservoir reservoir;
    reservoir.BeginFrame(3344, false);
    EXPECT_EQ(reservoir.Maximum(), 4088);
    reservoir.BeginFrame(3344, true);
    EXPECT_EQ(reservoir.Maximum(), 2040);
    reservoir.BeginFrame(8000, false);
    EXPECT_EQ(reservoir.Maximum(), 0);
    EXPECT_EQ(reservoir.GranuleBudget(100.0, 3000), 3000);  // no reservoir: the mean, whatever the demand
    EXPECT_EQ(reservoir.GranuleBudget(0.1, 3000), 3000);
    reservoir.BeginFrame(3344, false);
    EXPECT_EQ(reservoir.GranuleBudget(100.0, 1500), 1500);  // an empty reservoir lends nothing
    EXPECT_LT(reservoir.GranuleBudget(0.5, 1500), 1500);    // an easy granule saves
}

// Whole runs through the frame driver: the reservoir stays within its bounds and a whole number of bytes,
// and each frame's back pointer is what the frames before left free.
TEST(Layer3Reservoir, BackPointerFollowsTheContent) {
    struct Case {
        int rate, version, frequency, bitrateIndex;
    } cases[] = {{44100, 1, 0, 14}, {48000, 1, 1, 1}, {24000, 0, 1, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        Layer3Encoder encoder;
        ASSERT_TRUE(encoder.Setup(c.rate, nullptr));
        AnalysisFilter filter;
        AudioFrameHeader header;
        header.version = c.version;
        header.layer = 3;
        header.sampling_frequency = c.frequency;
        header.bitrate_index = c.bitrateIndex;
        header.mode = kJointStereo;
        const int frameBits = FrameLengthBytes(header) * 8;
        std::mt19937 random(7);
        std::normal_distribution<double> noise(0.0, 3000.0);
        std::vector<std::int16_t> samples(2304);
        std::vector<std::uint8_t> out;
        int previousContent = 0;
        for (int frame = 0; frame < 24; ++frame) {
            // Noise, silence and clicks in turn: full, empty and changing reservoirs.
            for (std::size_t i = 0; i < samples.size(); ++i) {
                double v = frame % 3 == 0 ? noise(random) : frame % 3 == 1 ? 0.0 : (i % 1152 < 40 ? 20000.0 : 0.0);
                samples[i] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
            }
            std::string error;
            ASSERT_TRUE(encoder.EncodeFrame(samples.data(), header, 2, frameBits, 1.0, filter, out, &error)) << error;
            EXPECT_EQ(encoder.LastSideInfo().main_data_begin * 8, previousContent);
            const BitReservoir& r = encoder.Reservoir();
            EXPECT_GE(r.Content(), 0);
            EXPECT_LE(r.Content(), r.Maximum());
            EXPECT_EQ(r.Content() % 8, 0);
            previousContent = r.Content();
        }
        encoder.Flush(out);
        EXPECT_EQ(out.size(), 24u * frameBits / 8);
    }
}

}  // namespace
}  // namespace mpa
