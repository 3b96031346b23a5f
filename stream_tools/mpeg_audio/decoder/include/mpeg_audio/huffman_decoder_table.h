// Layer III Huffman decoder trees and their text form, the "huffdec" file.
//
// A tree is a list of nodes {left, right}. A node whose left byte is 0 is a leaf; its right byte
// holds x in bits 4-7 and y in bits 0-3 (count1 tables: v, w, x, y in bits 3..0). Any other node
// branches: bit 0 follows the left byte, bit 1 the right byte, each a forward offset in nodes.
// Offsets of 250 and more chain: the walk moves by that offset and then adds the byte on the same
// side (left for a 0 bit, right for a 1 bit) of the node it lands on, repeatedly, until it has
// added an offset below 250. The nodes a chain passes through are not tree nodes.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "mpeg_audio/layer3_tables.h"

namespace mpa {

constexpr int kChainOffset = 250;

struct HuffmanNode {
    uint8_t left = 0;
    uint8_t right = 0;
    bool operator==(const HuffmanNode&) const = default;
};

// Where the tree's walk stands after reading 8 bits: a leaf reached after `bits` bits, or the node
// to continue from. Only a speed-up: decoding through it gives what the walk gives.
struct HuffmanLookupEntry {
    uint16_t nodeOrValue = 0;
    uint8_t bits = 0;   // 0: the walk fails within these bits
    bool leaf = false;
};
constexpr int kLookupBits = 10;

struct HuffmanDecodeTable {
    std::string name;
    unsigned xlen = 0, ylen = 0, linbits = 0, linmax = 0;
    int reference = -1;                    // table whose tree this one shares, -1 = own tree
    bool hasTree = false;                 // false: the file gave no tree for this table
    bool count1 = false;                   // tables "32" and "33": quadruples
    std::shared_ptr<const std::vector<HuffmanNode>> tree;
    std::shared_ptr<const std::vector<HuffmanLookupEntry>> lookup;  // 1 << kLookupBits entries, or null
    std::size_t TreeLength() const { return tree ? tree->size() : 0; }
};

struct HuffmanDecoderTables {
    std::vector<HuffmanDecodeTable> tables;  // 34 when complete
    bool Complete() const { return tables.size() == kHuffmanTables; }
};

// One code to place in a tree: `length` bits of `code` lead to the leaf byte `value`.
struct TreeCode {
    uint32_t code;
    int length;
    uint8_t value;
};
// Builds a tree from a complete prefix-free code; empty when the codes do not form one.
std::vector<HuffmanNode> BuildHuffmanTree(const std::vector<TreeCode>& codes);
// Leaf byte of the code table entry (x << 4 | y, or the count1 value).
std::vector<TreeCode> TreeCodesOf(const HuffmanCodeSet& set, bool count1);

// The decoder tables built from the code tables compiled into the program.
HuffmanDecoderTables BuiltInHuffmanTables();
// Writes tables in the "huffdec" text form.
void WriteHuffmanTableFile(const HuffmanDecoderTables& tables, std::ostream& out);
// Reads the "huffdec" text form; returns the number of tables read or -1 (corrupt header line),
// -2 (wrong table number), -3 (reference to a table of other sizes). Messages go to the console.
int ParseHuffmanTableFile(std::istream& in, HuffmanDecoderTables& tables);

// Tables for the Layer III decoder: "huffdec" read once from `path` (the working directory's file
// by default) or, when it is missing or damaged, built from the compiled-in codes after a message.
std::shared_ptr<const HuffmanDecoderTables> LoadHuffmanDecoderTables(const std::string& path = "huffdec");
std::shared_ptr<const HuffmanDecoderTables> DefaultHuffmanDecoderTables();

// Fills the kLookupBits-bit lookup of every table that has a tree.
void BuildHuffmanLookups(HuffmanDecoderTables& tables);

// Walks `tree` with bits from `nextBit`, from node `start` with `bitsUsed` bits already read.
// Returns the leaf byte, or -1 for a walk that leaves the tree or takes more than 32 bits.
template <typename NextBit>
int WalkHuffmanTree(const std::vector<HuffmanNode>& tree, NextBit&& nextBit, std::size_t start = 0,
                    int bitsUsed = 0) {
    std::size_t node = start;
    const std::size_t size = tree.size();
    for (int bits = bitsUsed; node < size; ) {
        if (tree[node].left == 0) return tree[node].right;
        if (++bits > 32) return -1;
        const bool one = nextBit() != 0;
        unsigned offset = one ? tree[node].right : tree[node].left;
        node += offset;
        while (offset >= kChainOffset && node < size) {
            offset = one ? tree[node].right : tree[node].left;
            if (offset == 0) return -1;
            node += offset;
        }
    }
    return -1;
}

}  // namespace mpa
