// The "huffdec" text file: one ".table" header per table, then ".treedata" with the node pairs in
// hexadecimal or ".reference" naming the table whose tree it shares.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>

#include "mpeg_audio/console.h"
#include "mpeg_audio/huffman_decoder_table.h"
#include "mpeg_audio/table_file.h"

namespace mpa {

void WriteHuffmanTableFile(const HuffmanDecoderTables& tables, std::ostream& out) {
    out << "# Layer III Huffman decoder trees.\n"
           "# .table <name> <tree length> <xlen> <ylen> <linbits>, then .treedata with <tree length>\n"
           "# hexadecimal node pairs {left, right}, or .reference <table> sharing that table's tree.\n"
           "# A node with left 0 is a leaf holding x << 4 | y (count1: v w x y in bits 3..0); otherwise\n"
           "# the bytes are forward offsets for bits 0 and 1. An offset of 250 or more lands on a chain node\n"
           "# whose byte on the same side is added in turn, until an offset below 250 has been added.\n";
    for (const HuffmanDecodeTable& t : tables.tables) {
        out << ".table " << t.name << ' ' << t.TreeLength() << ' ' << t.xlen << ' ' << t.ylen << ' ' << t.linbits
            << '\n';
        if (t.reference >= 0) {
            out << ".reference " << t.reference << '\n';
            continue;
        }
        out << ".treedata\n";
        const std::vector<HuffmanNode> empty;
        const std::vector<HuffmanNode>& tree = t.tree ? *t.tree : empty;
        char pair[16];
        for (std::size_t i = 0; i < tree.size(); ++i) {
            std::snprintf(pair, sizeof pair, "%02x %02x", tree[i].left, tree[i].right);
            out << pair << ((i % 8 == 7 || i + 1 == tree.size()) ? "\n" : "  ");
        }
    }
}

namespace {

// Reads the next line into at most 98 characters, as the file format allows; longer lines are
// read in pieces.
bool ReadLine(std::istream& in, std::string& line) {
    line.clear();
    char c;
    while (in.get(c)) {
        if (c == '\n') return true;
        line += c;
        if (line.size() == 98) return true;
    }
    return !line.empty();
}

bool IsComment(const std::string& line) {
    return line.empty() || line[0] == '#' || static_cast<unsigned char>(line[0]) < ' ';
}

bool NextCommandLine(std::istream& in, std::string& line) {
    while (ReadLine(in, line)) {
        if (!IsComment(line)) return true;
    }
    return false;
}

// Reads `count` hexadecimal pairs in free layout; the rest of the last data line is skipped.
bool ReadTreeData(std::istream& in, std::size_t count, std::vector<HuffmanNode>& tree) {
    tree.clear();
    std::string line;
    std::vector<unsigned> pending;
    while (tree.size() < count) {
        if (!ReadLine(in, line)) return false;
        std::istringstream words(line);
        std::string word;
        while (tree.size() < count && words >> word) {
            char* end = nullptr;
            unsigned long value = std::strtoul(word.c_str(), &end, 16);
            if (*end != '\0' || value > 255) return false;
            pending.push_back(static_cast<unsigned>(value));
            if (pending.size() == 2) {
                tree.push_back({static_cast<uint8_t>(pending[0]), static_cast<uint8_t>(pending[1])});
                pending.clear();
            }
        }
    }
    return true;
}

}  // namespace

int ParseHuffmanTableFile(std::istream& in, HuffmanDecoderTables& tables) {
    tables.tables.clear();
    std::string line;
    for (unsigned n = 0; n < kHuffmanTables; ++n) {
        if (!NextCommandLine(in, line)) break;
        char command[100] = {}, name[100] = {};
        unsigned length = 0, xlen = 0, ylen = 0, linbits = 0;
        int fields = std::sscanf(line.c_str(), "%99s %99s %u %u %u %u", command, name, &length, &xlen, &ylen,
                                 &linbits);
        if (fields >= 1 && std::strcmp(command, ".end") == 0) break;
        if (fields < 6 || std::strcmp(command, ".table") != 0 || length > 4096 || linbits > 16) {
            ConsoleMessage("huffman table %u data corrupted\n", n);
            return -1;
        }
        unsigned number = 0;
        if (std::sscanf(name, "%u", &number) != 1 || number != n) {
            ConsoleMessage("wrong table number %u\n", n);
            return -2;
        }
        HuffmanDecodeTable table;
        table.name = name;
        table.count1 = table.name == "32" || table.name == "33";
        table.xlen = xlen;
        table.ylen = ylen;
        table.linbits = linbits;
        table.linmax = (1u << linbits) - 1;
        if (!NextCommandLine(in, line)) line.clear();
        unsigned reference = 0;
        char second[100] = {};
        int words = std::sscanf(line.c_str(), "%99s %u", second, &reference);
        if (words >= 1 && std::strcmp(second, ".treedata") == 0) {
            auto tree = std::make_shared<std::vector<HuffmanNode>>();
            if (!ReadTreeData(in, length, *tree)) {
                ConsoleMessage("huffman table %u data corrupted\n", n);
                return -1;
            }
            table.tree = std::move(tree);
            table.hasTree = true;
        } else if (words == 2 && std::strcmp(second, ".reference") == 0 && reference < n) {
            const HuffmanDecodeTable& shared = tables.tables[reference];
            if (shared.xlen != xlen || shared.ylen != ylen) {
                ConsoleMessage("wrong table %u reference\n", n);
                return -3;
            }
            table.reference = static_cast<int>(reference);
            table.tree = shared.tree;
            table.hasTree = shared.hasTree;
        } else {
            ConsoleMessage("huffman decodertable error at table %d\n", static_cast<int>(n));
        }
        tables.tables.push_back(std::move(table));
    }
    return static_cast<int>(tables.tables.size());
}

std::shared_ptr<const HuffmanDecoderTables> LoadHuffmanDecoderTables(const std::string& path) {
    auto tables = std::make_shared<HuffmanDecoderTables>();
    std::string text;
    std::istringstream in;
    if (!ReadTableFile(path, &text)) {
        ConsoleMessage("Please check huffman table 'huffdec'\n");
    } else if (in.str(text), ParseHuffmanTableFile(in, *tables) == kHuffmanTables) {
        BuildHuffmanLookups(*tables);
        return tables;
    } else {
        ConsoleMessage("decoder table read error\n");
    }
    // Layer III must not die with a damaged data file: the trees are rebuilt from our own codes.
    *tables = BuiltInHuffmanTables();
    return tables;
}

std::shared_ptr<const HuffmanDecoderTables> DefaultHuffmanDecoderTables() {
    static std::once_flag once;
    static std::shared_ptr<const HuffmanDecoderTables> tables;
    std::call_once(once, [] { tables = LoadHuffmanDecoderTables("huffdec"); });
    return tables;
}

}  // namespace mpa
