#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "mpeg_audio/console.h"
#include "mpeg_audio/huffman_decoder_table.h"
#include "velmar_testing/test_support.h"

namespace mpa {
namespace {

// Decodes `code` of `length` bits through tree.
int Decode(const std::vector<HuffmanNode>& tree, uint32_t code, int length) {
    int bit = length;
    return WalkHuffmanTree(tree, [&] { return bit > 0 ? (code >> --bit) & 1 : 0; });
}

// 256 codes of 8 bits: the root's second subtree lies 256 nodes on, beyond one offset byte, so
// the layout must chain.
std::vector<TreeCode> FlatCodes() {
    std::vector<TreeCode> codes;
    for (uint32_t v = 0; v < 256; ++v) codes.push_back({v, 8, static_cast<uint8_t>(v ^ 0x5A)});
    return codes;
}

bool HasChainOffset(const std::vector<HuffmanNode>& tree) {
    for (const HuffmanNode& node : tree) {
        if (node.left != 0 && (node.left >= kChainOffset || node.right >= kChainOffset)) return true;
    }
    return false;
}

TEST(HuffmanTree, TreeNeedingChainedOffsetsDecodesEveryCodeThroughTheFile) {
    std::vector<HuffmanNode> tree = BuildHuffmanTree(FlatCodes());
    ASSERT_GT(tree.size(), 511u);  // chain nodes beside the 511 tree nodes
    ASSERT_TRUE(HasChainOffset(tree));
    for (uint32_t v = 0; v < 256; ++v) ASSERT_EQ(Decode(tree, v, 8), static_cast<int>(v ^ 0x5A)) << v;

    // The same tree written as a "huffdec" table and read back.
    HuffmanDecoderTables tables = BuiltInHuffmanTables();
    tables.tables[15].tree = std::make_shared<const std::vector<HuffmanNode>>(tree);
    std::stringstream file;
    WriteHuffmanTableFile(tables, file);
    HuffmanDecoderTables parsed;
    ASSERT_EQ(ParseHuffmanTableFile(file, parsed), kHuffmanTables);
    ASSERT_EQ(*parsed.tables[15].tree, tree);
    for (uint32_t v = 0; v < 256; ++v) ASSERT_EQ(Decode(*parsed.tables[15].tree, v, 8), static_cast<int>(v ^ 0x5A));

    // The lookup follows the chains as the walk does.
    BuildHuffmanLookups(parsed);
    for (uint32_t v = 0; v < 256; ++v) {
        // Any bits after the 8-bit code index the same entry.
        const HuffmanLookupEntry& entry = (*parsed.tables[15].lookup)[(v << (kLookupBits - 8)) | 1];
        ASSERT_TRUE(entry.leaf);
        ASSERT_EQ(entry.bits, 8);
        ASSERT_EQ(entry.nodeOrValue, v ^ 0x5A);
    }
    EXPECT_EQ(parsed.tables[17].lookup, parsed.tables[16].lookup);
}

TEST(HuffmanTree, RejectsCodesThatDoNotFormACompleteTree) {
    EXPECT_TRUE(BuildHuffmanTree({{0, 1, 1}, {2, 2, 2}}).empty());                  // 11 missing
    EXPECT_TRUE(BuildHuffmanTree({{0, 1, 1}, {0, 2, 2}, {1, 1, 3}}).empty());       // 0 is a prefix of 00
    EXPECT_FALSE(BuildHuffmanTree({{0, 1, 1}, {2, 2, 2}, {3, 2, 3}}).empty());
}

TEST(HuffmanTree, WalkOutOfADamagedTreeIsIllegalNotACrash) {
    std::vector<HuffmanNode> tree = {{1, 200}, {0, 0x11}};
    EXPECT_EQ(Decode(tree, 0, 1), 0x11);
    EXPECT_EQ(Decode(tree, 1, 1), -1);
    std::vector<HuffmanNode> loop = {{1, 1}, {255, 255}};  // a chain that never ends inside the tree
    EXPECT_EQ(Decode(loop, 0, 1), -1);
}

// The file the build generates holds all 34 tables, and every code of every table decodes.
TEST(HuffmanTree, GeneratedHuffdecFileDecodesEveryCode) {
    std::ifstream in(velmar_testing::RunDir() + "/huffdec");
    ASSERT_TRUE(in.good());
    HuffmanDecoderTables tables;
    ASSERT_EQ(ParseHuffmanTableFile(in, tables), kHuffmanTables);
    for (int t = 1; t < kHuffmanTables; ++t) {
        HuffmanCodeSet set = Layer3HuffmanCodes(t);
        if (!set.codes) continue;
        ASSERT_TRUE(tables.tables[t].tree) << t;
        EXPECT_EQ(tables.tables[t].xlen, static_cast<unsigned>(set.xlen));
        EXPECT_EQ(tables.tables[t].linbits, t < 32 ? static_cast<unsigned>(kLayer3Linbits[t]) : 0u);
        for (const TreeCode& code : TreeCodesOf(set, t >= 32)) {
            ASSERT_EQ(Decode(*tables.tables[t].tree, code.code, code.length), code.value) << "table " << t;
        }
    }
    EXPECT_EQ(tables.tables[20].reference, 16);
    EXPECT_EQ(tables.tables[31].reference, 24);
}

struct ParseResult {
    int result;
    std::string messages;
};

ParseResult Parse(const std::string& text, HuffmanDecoderTables* tables = nullptr) {
    ParseResult r;
    MessageSink previous = SetMessageSink([&](const std::string& m) { r.messages += m; });
    std::istringstream in(text);
    HuffmanDecoderTables local;
    r.result = ParseHuffmanTableFile(in, tables ? *tables : local);
    SetMessageSink(previous);
    return r;
}

std::string GeneratedText() {
    std::stringstream file;
    WriteHuffmanTableFile(BuiltInHuffmanTables(), file);
    return file.str();
}

// The first n tables of the generated file.
std::string FirstTables(int n) {
    std::string text = GeneratedText();
    std::size_t at = text.find(".table " + std::to_string(n) + " ");
    return text.substr(0, at);
}

TEST(HuffdecFile, ErrorsOfTheFormat) {
    ParseResult earlyEnd = Parse(FirstTables(10) + ".end\n");
    EXPECT_EQ(earlyEnd.result, 10);

    ParseResult badReference = Parse(FirstTables(17) + ".table 17 511 8 8 2\n.reference 16\n");
    EXPECT_EQ(badReference.result, -3);
    EXPECT_NE(badReference.messages.find("wrong table 17 reference\n"), std::string::npos);

    ParseResult skipped = Parse(FirstTables(3) + ".table 5 0 0 0 0\n.treedata\n");
    EXPECT_EQ(skipped.result, -2);
    EXPECT_NE(skipped.messages.find("wrong table number 3\n"), std::string::npos);

    ParseResult corrupt = Parse(FirstTables(2) + "table 2 17 3 3 0\n");
    EXPECT_EQ(corrupt.result, -1);
    EXPECT_NE(corrupt.messages.find("huffman table 2 data corrupted\n"), std::string::npos);

    HuffmanDecoderTables tables;
    ParseResult noTree = Parse(FirstTables(1) + ".table 1 7 2 2 0\n.nodes\n.end\n", &tables);
    EXPECT_EQ(noTree.result, 2);
    EXPECT_NE(noTree.messages.find("huffman decodertable error at table 1\n"), std::string::npos);
    EXPECT_FALSE(tables.tables[1].hasTree);

    ParseResult shortData = Parse(FirstTables(1) + ".table 1 7 2 2 0\n.treedata\n02 01 00 00\n");
    EXPECT_EQ(shortData.result, -1);
}

TEST(HuffdecFile, MissingOrDamagedFileFallsBackToTheBuiltInTrees) {
    std::string messages;
    MessageSink previous = SetMessageSink([&](const std::string& m) { messages += m; });
    auto missing = LoadHuffmanDecoderTables(velmar_testing::TempDir() + "/no-such-huffdec");
    const std::string damagedPath = velmar_testing::TempDir() + "/huffdec";
    std::ofstream(damagedPath) << FirstTables(10) << ".end\n";
    auto damaged = LoadHuffmanDecoderTables(damagedPath);
    SetMessageSink(previous);
    EXPECT_TRUE(missing->Complete());
    EXPECT_TRUE(damaged->Complete());
    EXPECT_NE(messages.find("Please check huffman table 'huffdec'\n"), std::string::npos);
    EXPECT_NE(messages.find("decoder table read error\n"), std::string::npos);
}

}  // namespace
}  // namespace mpa
