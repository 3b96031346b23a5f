// gen-huffdec OUT: writes the Layer III decoder's "huffdec" tree file, built from the Huffman code
// tables compiled into the MPEG audio library.
#include <cstdio>
#include <sstream>
#include <string>

#include "platform/replacing_file.h"
#include "mpeg_audio/huffman_decoder_table.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen-huffdec OUT\n");
        return 2;
    }
    mpa::HuffmanDecoderTables tables = mpa::BuiltInHuffmanTables();
    for (const mpa::HuffmanDecodeTable& table : tables.tables) {
        const mpa::HuffmanCodeSet codes = mpa::Layer3HuffmanCodes(std::stoi(table.name));
        if (codes.codes && table.TreeLength() == 0) {
            std::fprintf(stderr, "gen-huffdec: table %s does not form a tree\n", table.name.c_str());
            return 1;
        }
    }
    std::ostringstream text;
    mpa::WriteHuffmanTableFile(tables, text);
    const std::string bytes = text.str();
    platform::ReplacingFile out;
    if (!out.Open(argv[1]) || !out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
        std::fprintf(stderr, "gen-huffdec: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
