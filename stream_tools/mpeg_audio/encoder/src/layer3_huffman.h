// Huffman table choice and exact bit counting of a quantized Layer III granule; the frame formatter
// writes with the same tables, so counted bits are written bits.
#pragma once

#include <cstdint>

#include "layer3_types.h"
#include "mpeg_audio/layer3_tables.h"

namespace mpa {

// One table of the `HuffmanCodeTable` directory: codes and lengths indexed x * ylen + y; the count1
// tables (32, 33) by 8v + 4w + 2x + y, the order in which decoders read a quadruple.
struct HuffmanCodeTable {
    int xlen = 0, ylen = 0, linbits = 0, linmax = 0;
    std::uint32_t code[256] = {};
    std::uint8_t length[256] = {};
    bool empty = true;
};
const HuffmanCodeTable& Layer3CodeTable(int table);

// Values of a granule: 576 magnitudes; short blocks store line 3k + w as value k of window w.
using QuantizedGranule = int[576];

void SplitSpectrumRegions(const int* ix, Layer3GranuleInfo& gi);
int CountCount1Bits(const int* ix, Layer3GranuleInfo& gi);
void SubdivideBigValues(const ScaleFactorBands& bands, Layer3GranuleInfo& gi);
void SelectBigValueTables(const int* ix, const ScaleFactorBands& bands, Layer3GranuleInfo& gi);
int ChooseTableForRegion(const int* ix, int begin, int end);
int ChooseTableForMax(int max);
int CountRegionBits(const int* ix, int begin, int end, int table);
int CountBigValueBits(const int* ix, const ScaleFactorBands& bands, const Layer3GranuleInfo& gi);
// Count1 + big-value bits of one trial, with every choice made; 100000 when a value is too large.
int CountTestBits(const int* ix, const ScaleFactorBands& bands, Layer3GranuleInfo& gi);

// Quadruple index of values v, w, x, y in the count1 tables.
inline int Count1Index(int v, int w, int x, int y) { return 8 * v + 4 * w + 2 * x + y; }

}  // namespace mpa
