// Building decoder trees from code tables and laying them out as node lists with forward offsets.
#include <algorithm>
#include <memory>

#include "mpeg_audio/huffman_decoder_table.h"

namespace mpa {
namespace {

struct BuildNode {
    std::unique_ptr<BuildNode> child[2];
    bool leaf = false;
    uint8_t value = 0;
    int size = 1;  // nodes in this subtree
};

bool Insert(BuildNode& root, const TreeCode& code) {
    BuildNode* node = &root;
    for (int b = code.length - 1; b >= 0; --b) {
        if (node->leaf) return false;
        int bit = (code.code >> b) & 1;
        if (!node->child[bit]) node->child[bit] = std::make_unique<BuildNode>();
        node = node->child[bit].get();
    }
    if (node->leaf || node->child[0] || node->child[1]) return false;
    node->leaf = true;
    node->value = code.value;
    return true;
}

bool Complete(BuildNode& node) {
    if (node.leaf) return true;
    if (!node.child[0] || !node.child[1]) return false;
    if (!Complete(*node.child[0]) || !Complete(*node.child[1])) return false;
    node.size = 1 + node.child[0]->size + node.child[1]->size;
    return true;
}

// Lays the tree out depth first, the smaller subtree first, so that most offsets stay small. The
// offset to the later child grows while the earlier subtree is written; once it reaches 250 a chain
// node is put in its path, at most 255 nodes on, and the offset continues from there.
class Layout {
public:
    std::vector<HuffmanNode> nodes;
    bool overflow = false;

    void Place(const BuildNode& node, int pendingId) {
        InsertDueChains();
        const int position = static_cast<int>(nodes.size());
        if (pendingId >= 0) Resolve(pendingId, position);
        nodes.push_back({});
        if (node.leaf) {
            nodes[position] = {0, node.value};
            return;
        }
        int first = node.child[0]->size <= node.child[1]->size ? 0 : 1;
        int firstEdge = Open(position, first);
        int secondEdge = Open(position, 1 - first);
        Place(*node.child[first], firstEdge);
        Place(*node.child[1 - first], secondEdge);
    }

private:
    struct Edge {
        int from;  // node (or chain node) whose byte on `side` gets the next offset
        int side;
        bool open;
    };
    std::vector<Edge> edges_;

    int Open(int from, int side) {
        edges_.push_back({from, side, true});
        return static_cast<int>(edges_.size()) - 1;
    }
    void SetOffset(int from, int side, int offset) {
        if (offset < 1 || offset > 255) overflow = true;
        (side ? nodes[from].right : nodes[from].left) = static_cast<uint8_t>(offset);
    }
    void Resolve(int id, int position) {
        SetOffset(edges_[id].from, edges_[id].side, position - edges_[id].from);
        edges_[id].open = false;
    }
    void InsertDueChains() {
        bool inserted = true;
        while (inserted) {
            inserted = false;
            for (Edge& edge : edges_) {
                if (!edge.open) continue;
                int here = static_cast<int>(nodes.size());
                if (here - edge.from >= kChainOffset) {
                    SetOffset(edge.from, edge.side, here - edge.from);
                    nodes.push_back({});
                    edge.from = here;
                    inserted = true;
                }
            }
        }
    }
};

}  // namespace

std::vector<HuffmanNode> BuildHuffmanTree(const std::vector<TreeCode>& codes) {
    if (codes.empty()) return {};
    BuildNode root;
    for (const TreeCode& code : codes) {
        if (code.length < 1 || code.length > 32 || !Insert(root, code)) return {};
    }
    if (!Complete(root)) return {};
    Layout layout;
    layout.Place(root, -1);
    if (layout.overflow) return {};
    return std::move(layout.nodes);
}

std::vector<TreeCode> TreeCodesOf(const HuffmanCodeSet& set, bool count1) {
    std::vector<TreeCode> codes;
    for (std::size_t i = 0; i < set.count; ++i) {
        const HuffmanCode& c = set.codes[i];
        uint8_t value = count1 ? c.x : static_cast<uint8_t>(c.x << 4 | c.y);
        codes.push_back({c.code, c.length, value});
    }
    return codes;
}

void BuildHuffmanLookups(HuffmanDecoderTables& tables) {
    for (HuffmanDecodeTable& table : tables.tables) {
        table.lookup.reset();
        if (!table.tree || table.tree->empty()) continue;
        if (table.reference >= 0 && static_cast<std::size_t>(table.reference) < tables.tables.size() &&
            tables.tables[table.reference].tree == table.tree) {
            table.lookup = tables.tables[table.reference].lookup;
            continue;
        }
        const std::vector<HuffmanNode>& tree = *table.tree;
        auto lookup = std::make_shared<std::vector<HuffmanLookupEntry>>(1u << kLookupBits);
        for (unsigned pattern = 0; pattern < (1u << kLookupBits); ++pattern) {
            // Walk at most 8 bits of the pattern; stop at a leaf or hand over the node reached.
            std::size_t node = 0;
            int used = 0;
            bool failed = false;
            while (true) {
                if (node >= tree.size()) {
                    failed = true;
                    break;
                }
                if (tree[node].left == 0) break;
                if (used == kLookupBits) break;
                const bool one = (pattern >> (kLookupBits - 1 - used)) & 1;
                ++used;
                unsigned offset = one ? tree[node].right : tree[node].left;
                node += offset;
                while (offset >= kChainOffset && node < tree.size()) {
                    offset = one ? tree[node].right : tree[node].left;
                    if (offset == 0) {
                        node = tree.size();
                        break;
                    }
                    node += offset;
                }
            }
            HuffmanLookupEntry& entry = (*lookup)[pattern];
            if (failed || node > 0xFFFF) continue;  // bits 0: the slow walk decides
            entry.leaf = tree[node].left == 0;
            entry.nodeOrValue = static_cast<uint16_t>(entry.leaf ? tree[node].right : node);
            entry.bits = static_cast<uint8_t>(used);
        }
        table.lookup = std::move(lookup);
    }
}

HuffmanDecoderTables BuiltInHuffmanTables() {
    HuffmanDecoderTables result;
    for (int t = 0; t < kHuffmanTables; ++t) {
        HuffmanDecodeTable table;
        table.name = std::to_string(t);
        table.hasTree = true;
        const bool count1 = t >= 32;
        table.count1 = count1;
        const int shared = t >= 17 && t <= 23 ? 16 : t >= 25 && t <= 31 ? 24 : -1;
        HuffmanCodeSet set = Layer3HuffmanCodes(t);
        if (set.codes) {
            table.xlen = static_cast<unsigned>(set.xlen);
            table.ylen = static_cast<unsigned>(set.ylen);
        }
        table.linbits = count1 ? 0 : static_cast<unsigned>(kLayer3Linbits[t]);
        table.linmax = (1u << table.linbits) - 1;
        if (shared >= 0) {
            table.reference = shared;
            table.tree = result.tables[shared].tree;
        } else {
            table.tree = std::make_shared<const std::vector<HuffmanNode>>(
                set.codes ? BuildHuffmanTree(TreeCodesOf(set, count1)) : std::vector<HuffmanNode>{});
        }
        result.tables.push_back(std::move(table));
    }
    BuildHuffmanLookups(result);
    return result;
}

}  // namespace mpa
