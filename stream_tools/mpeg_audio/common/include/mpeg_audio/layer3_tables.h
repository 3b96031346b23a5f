// Tables of ISO/IEC 11172-3 and ISO/IEC 13818-3 that the Layer III encoder and decoder share, and
// the synthesis window of the polyphase filterbank.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mpa {

// Scale factor band tables are indexed 0..2 for 44.1/48/32 kHz and 3..5 for 22.05/24/16 kHz.
inline int BandTableIndex(int version, int sampling_frequency) {
    return version == 1 ? sampling_frequency : 3 + sampling_frequency;
}
struct ScaleFactorBands {
    int long_start[23];   // first line of long bands 0..21, [22] = 576
    int short_start[14];  // first line (per window) of short bands 0..12, [13] = 192
};
const ScaleFactorBands& Layer3Bands(int band_table_index);

extern const int kPretab[22];
extern const int kSlen[2][16];              // slen1, slen2 by scalefac_compress (MPEG-1)
extern const int kLsfSfbPartitions[6][3][4];  // [table][long, short, mixed][partition]
extern const double kAliasCoefficients[8];  // Ci

// Huffman code of one value pair (count1 tables: one quadruple).
struct HuffmanCode {
    uint8_t x, y, length;
    uint32_t code;
};
struct HuffmanCodeSet {
    const HuffmanCode* codes;  // null for tables 0, 4 and 14
    std::size_t count;
    int xlen, ylen;
};
constexpr int kHuffmanTables = 34;  // 0..31 big values, 32 and 33 count1 A and B
// Codes of table 0..33; tables 16..23 and 24..31 share the codes of 16 and 24.
HuffmanCodeSet Layer3HuffmanCodes(int table);
extern const int kLayer3Linbits[32];

// First half of the synthesis window in units of 1/65536.
extern const int kSynthesisWindowHalf[257];
// D[i], i = 0..511.
double SynthesisWindow(int i);

}  // namespace mpa
