#include "layer3_huffman.h"

#include <algorithm>

namespace mpa {

namespace {

struct Directory {
    HuffmanCodeTable tables[kHuffmanTables];
    Directory() {
        for (int t = 0; t < kHuffmanTables; ++t) {
            HuffmanCodeTable& table = tables[t];
            HuffmanCodeSet set = Layer3HuffmanCodes(t);
            table.xlen = set.xlen;
            table.ylen = set.ylen;
            table.linbits = t < 32 ? kLayer3Linbits[t] : 0;
            table.linmax = (1 << table.linbits) - 1;
            table.empty = set.codes == nullptr;
            for (std::size_t i = 0; i < set.count && set.codes; ++i) {
                const HuffmanCode& c = set.codes[i];
                int index = t >= 32 ? c.x : c.x * set.ylen + c.y;
                table.code[index] = c.code;
                table.length[index] = c.length;
            }
        }
    }
};

// Bits of the pairs (ix[i], ix[i + step]) for i = begin, begin + 2 step, ... below end.
int CountPairs(const int* ix, int begin, int end, int step, const HuffmanCodeTable& table) {
    int bits = 0;
    if (table.linbits == 0 && table.xlen <= 16) {
        for (int i = begin; i < end; i += 2 * step) {
            int x = ix[i], y = ix[i + step];
            bits += table.length[x * table.ylen + y] + (x != 0) + (y != 0);
        }
        return bits;
    }
    for (int i = begin; i < end; i += 2 * step) {
        int x = ix[i], y = ix[i + step];
        int xc = x, yc = y;
        if (x >= 15) {
            xc = 15;
            bits += table.linbits;
        }
        if (y >= 15) {
            yc = 15;
            bits += table.linbits;
        }
        bits += table.length[xc * 16 + yc] + (x != 0) + (y != 0);
    }
    return bits;
}

int MaxOf(const int* ix, int begin, int end) {
    int max = 0;
    for (int i = begin; i < end; ++i) max = std::max(max, ix[i]);
    return max;
}

// Region subdivision by the number of long bands that cover the big values.
constexpr int kSubdivision[23][2] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 1}, {1, 1}, {1, 1},
                                     {1, 2}, {2, 2}, {2, 3}, {2, 3}, {3, 4}, {3, 4}, {3, 4}, {4, 5},
                                     {4, 5}, {4, 6}, {5, 6}, {5, 6}, {5, 7}, {6, 7}, {6, 7}};

}  // namespace

const HuffmanCodeTable& Layer3CodeTable(int table) {
    static const Directory directory;
    return directory.tables[std::clamp(table, 0, kHuffmanTables - 1)];
}

void SplitSpectrumRegions(const int* ix, Layer3GranuleInfo& gi) {
    gi.count1 = 0;
    if (gi.IsShort()) {
        gi.big_values = 288;
        return;
    }
    int n = 576;
    while (n > 1 && ix[n - 1] == 0 && ix[n - 2] == 0) n -= 2;
    while (n > 3 && ix[n - 1] <= 1 && ix[n - 2] <= 1 && ix[n - 3] <= 1 && ix[n - 4] <= 1) {
        ++gi.count1;
        n -= 4;
    }
    gi.big_values = n / 2;
}

int CountCount1Bits(const int* ix, Layer3GranuleInfo& gi) {
    const HuffmanCodeTable& a = Layer3CodeTable(32);
    const HuffmanCodeTable& b = Layer3CodeTable(33);
    int sumA = 0, sumB = 0;
    int i = 2 * static_cast<int>(gi.big_values);
    for (unsigned q = 0; q < gi.count1; ++q, i += 4) {
        int v = ix[i], w = ix[i + 1], x = ix[i + 2], y = ix[i + 3];
        int index = Count1Index(v, w, x, y);
        int signs = v + w + x + y;
        sumA += signs + a.length[index];
        sumB += signs + b.length[index];
    }
    if (sumA < sumB) {
        gi.count1table_select = 0;
        return sumA;
    }
    gi.count1table_select = 1;
    return sumB;
}

void SubdivideBigValues(const ScaleFactorBands& bands, Layer3GranuleInfo& gi) {
    const int r = 2 * static_cast<int>(gi.big_values);
    if (gi.big_values == 0) {
        gi.region0_count = gi.region1_count = 0;
        gi.address1 = gi.address2 = gi.address3 = 0;
        return;
    }
    if (gi.window_switching_flag) {
        if (gi.block_type == kShortBlock && !gi.mixed_block_flag) {
            gi.region0_count = 8;
            gi.region1_count = 36;
            gi.address1 = 36;
        } else {
            gi.region0_count = 7;
            gi.region1_count = 13;
            gi.address1 = std::min(bands.long_start[8], r);
        }
        gi.address2 = r;
        gi.address3 = 0;
        return;
    }
    const int* l = bands.long_start;
    int n = 0;
    while (n < 22 && l[n] < r) ++n;
    int r0 = kSubdivision[n][0];
    while (r0 > 0 && l[r0 + 1] > r) --r0;
    int r1 = kSubdivision[n][1];
    while (r1 > 0 && l[r0 + r1 + 2] > r) --r1;
    gi.region0_count = r0;
    gi.region1_count = r1;
    // Decoders end every region at the big values' end.
    gi.address1 = std::min(l[r0 + 1], r);
    gi.address2 = std::min(l[r0 + r1 + 2], r);
    gi.address3 = r;
}

int ChooseTableForMax(int max) {
    if (max == 0) return 0;
    if (max < 15) {
        for (int t = 1; t < 16; ++t) {
            const HuffmanCodeTable& table = Layer3CodeTable(t);
            if (!table.empty && table.xlen > max) return t;
        }
        return 15;
    }
    for (int t = 16; t < 32; ++t)
        if (Layer3CodeTable(t).linmax >= max - 15) return t;
    return 0;
}

int ChooseTableForRegion(const int* ix, int begin, int end) {
    int max = MaxOf(ix, begin, end);
    if (max == 0) return 0;
    auto bits = [&](int t) { return CountRegionBits(ix, begin, end, t); };
    if (max < 15) {
        int t = ChooseTableForMax(max);
        int best = bits(t);
        auto tryTable = [&](int candidate) {
            int b = bits(candidate);
            if (b <= best) {
                best = b;
                t = candidate;
            }
        };
        switch (t) {
            case 2: tryTable(3); break;
            case 5: tryTable(6); break;
            case 7: tryTable(8); tryTable(9); break;
            case 10: tryTable(11); tryTable(12); break;
            case 13: tryTable(15); break;
            default: break;
        }
        return t;
    }
    int t1 = 0, t2 = 0;
    for (int t = 16; t < 24; ++t)
        if (Layer3CodeTable(t).linmax >= max - 15) {
            t1 = t;
            break;
        }
    for (int t = 24; t < 32; ++t)
        if (Layer3CodeTable(t).linmax >= max - 15) {
            t2 = t;
            break;
        }
    if (t1 == 0) return t2;
    return bits(t2) < bits(t1) ? t2 : t1;
}

int CountRegionBits(const int* ix, int begin, int end, int table) {
    if (table == 0 || begin >= end) return 0;
    return CountPairs(ix, begin, end, 1, Layer3CodeTable(table));
}

void SelectBigValueTables(const int* ix, const ScaleFactorBands& bands, Layer3GranuleInfo& gi) {
    gi.table_select[0] = gi.table_select[1] = gi.table_select[2] = 0;
    if (gi.big_values == 0) return;
    if (gi.IsShort()) {
        int max1 = 0, max2 = 0;
        for (int b = 0; b < 13; ++b) {
            int m = MaxOf(ix, 3 * bands.short_start[b], 3 * bands.short_start[b + 1]);
            if (bands.short_start[b] * 3 < 36) max1 = std::max(max1, m);
            else max2 = std::max(max2, m);
        }
        gi.table_select[0] = ChooseTableForMax(max1);
        gi.table_select[1] = ChooseTableForMax(max2);
        return;
    }
    if (gi.address1 > 0) gi.table_select[0] = ChooseTableForRegion(ix, 0, gi.address1);
    if (gi.address2 > gi.address1) gi.table_select[1] = ChooseTableForRegion(ix, gi.address1, gi.address2);
    if (gi.address3 > gi.address2) gi.table_select[2] = ChooseTableForRegion(ix, gi.address2, gi.address3);
}

int CountBigValueBits(const int* ix, const ScaleFactorBands& bands, const Layer3GranuleInfo& gi) {
    if (gi.big_values == 0) return 0;
    if (gi.IsShort()) {
        int bits = 0;
        for (int b = 0; b < 13; ++b) {
            int table = gi.table_select[bands.short_start[b] * 3 < 36 ? 0 : 1];
            if (table == 0) continue;
            for (int w = 0; w < 3; ++w)
                bits += CountPairs(ix, 3 * bands.short_start[b] + w, 3 * bands.short_start[b + 1], 3,
                                   Layer3CodeTable(table));
        }
        return bits;
    }
    return CountRegionBits(ix, 0, gi.address1, gi.table_select[0]) +
           CountRegionBits(ix, gi.address1, gi.address2, gi.table_select[1]) +
           CountRegionBits(ix, gi.address2, gi.address3, gi.table_select[2]);
}

int CountTestBits(const int* ix, const ScaleFactorBands& bands, Layer3GranuleInfo& gi) {
    if (MaxOf(ix, 0, 576) > 8191 + 15) return 100000;
    SplitSpectrumRegions(ix, gi);
    int bits = CountCount1Bits(ix, gi);
    SubdivideBigValues(bands, gi);
    SelectBigValueTables(ix, bands, gi);
    return bits + CountBigValueBits(ix, bands, gi);
}

}  // namespace mpa
