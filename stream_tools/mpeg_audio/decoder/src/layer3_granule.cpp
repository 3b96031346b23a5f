// Layer III steps of one granule.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "layer3_steps.h"
#include "mpeg_audio/console.h"
#include "mpeg_audio/layer3_tables.h"
#include "vector_kernels.h"

namespace mpa {

namespace {

bool IsShortGranule(const Layer3GranuleChannel& g) { return g.window_switching_flag && g.block_type == 2; }

const ScaleFactorBands& BandsOf(const AudioFrameHeader& h) {
    return Layer3Bands(BandTableIndex(h.version, h.sampling_frequency));
}

// Lanes of the inverse MDCT's 36 outputs: the second half starts at lane 20, a whole number of
// 16-byte steps, so that reading it back as the next granule's overlap uses the same vector
// boundaries the transform stored with (reads that straddle two stores stall the processor).
constexpr int kSecondHalfLane = 20;
constexpr int ImdctLane(int output) { return output < 18 ? output : output - 18 + kSecondHalfLane; }

struct Layer3Constants {
    std::array<double, 8207> pow43{};
    double cos72[144] = {};
    double longImdct[36][18] = {};   // cos((2i + 19)(2m + 1) pi / 72)
    // The long transform with its window applied, by block type (0, 1 and 3) and input m, padded to
    // whole vectors: the 36 windowed outputs run over contiguous lanes.
    float windowedImdct[4][18][kImdctLanes] = {};
    double shortImdct[12][6] = {};   // cos((2i + 7)(2m + 1) pi / 24)
    double window[4][36] = {};  // by block type; type 2 uses the first 12 values
    float cs[8] = {}, ca[8] = {};
    double isRatioLeft[7] = {}, isRatioRight[7] = {};

    Layer3Constants() {
        for (std::size_t i = 0; i < pow43.size(); ++i) pow43[i] = std::pow(static_cast<double>(i), 4.0 / 3.0);
        for (int i = 0; i < 144; ++i) cos72[i] = std::cos(i * M_PI / 72.0);
        for (int i = 0; i < 36; ++i) {
            for (int m = 0; m < 18; ++m) longImdct[i][m] = cos72[((2 * i + 19) * (2 * m + 1)) % 144];
        }
        for (int i = 0; i < 12; ++i) {
            for (int m = 0; m < 6; ++m) shortImdct[i][m] = cos72[(3 * (2 * i + 7) * (2 * m + 1)) % 144];
        }
        for (int i = 0; i < 36; ++i) window[0][i] = std::sin(M_PI / 36 * (i + 0.5));
        for (int i = 0; i < 18; ++i) window[1][i] = window[0][i];
        for (int i = 18; i < 24; ++i) window[1][i] = 1.0;
        for (int i = 24; i < 30; ++i) window[1][i] = std::sin(M_PI / 12 * (i - 18 + 0.5));
        for (int i = 30; i < 36; ++i) window[1][i] = 0.0;
        for (int i = 0; i < 12; ++i) window[2][i] = std::sin(M_PI / 12 * (i + 0.5));
        for (int i = 0; i < 6; ++i) window[3][i] = 0.0;
        for (int i = 6; i < 12; ++i) window[3][i] = std::sin(M_PI / 12 * (i - 6 + 0.5));
        for (int i = 12; i < 18; ++i) window[3][i] = 1.0;
        for (int i = 18; i < 36; ++i) window[3][i] = window[0][i];
        for (int type : {0, 1, 3})
            for (int m = 0; m < 18; ++m)
                for (int c = 0; c < 36; ++c) windowedImdct[type][m][ImdctLane(c)] = static_cast<float>(longImdct[c][m] * window[type][c]);
        for (int i = 0; i < 8; ++i) {
            double root = std::sqrt(1.0 + kAliasCoefficients[i] * kAliasCoefficients[i]);
            cs[i] = static_cast<float>(1.0 / root);
            ca[i] = static_cast<float>(kAliasCoefficients[i] / root);
        }
        for (int pos = 0; pos < 7; ++pos) {
            if (pos == 6) {
                isRatioLeft[pos] = 1.0;
                isRatioRight[pos] = 0.0;
                continue;
            }
            double ratio = std::tan(pos * M_PI / 12.0);
            isRatioLeft[pos] = ratio / (1.0 + ratio);
            isRatioRight[pos] = 1.0 / (1.0 + ratio);
        }
    }
};

const Layer3Constants& Constants() {
    static const Layer3Constants constants;
    return constants;
}

}  // namespace

void ReadLayer3ScaleFactors(DecoderState& s, int gr, int ch) {
    const Layer3GranuleChannel& g = s.sideInfo.gr[gr][ch];
    DecoderScaleFactors& sf = s.scalefac[ch];
    MainDataReservoir& r = s.reservoir;
    const int slen1 = kSlen[0][g.scalefac_compress & 15];
    const int slen2 = kSlen[1][g.scalefac_compress & 15];
    if (IsShortGranule(g)) {
        int firstShort = 0;
        if (g.mixed_block_flag) {
            for (int sfb = 0; sfb < 8; ++sfb) sf.l[sfb] = static_cast<int>(r.GetBits(slen1));
            firstShort = 3;
        }
        for (int sfb = firstShort; sfb < 12; ++sfb) {
            for (int w = 0; w < 3; ++w) sf.s[sfb][w] = static_cast<int>(r.GetBits(sfb < 6 ? slen1 : slen2));
        }
        for (int w = 0; w < 3; ++w) sf.s[12][w] = 0;
        return;
    }
    static constexpr int kScfsiBands[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (gr == 1 && s.sideInfo.scfsi[ch][group]) continue;  // reused from granule 0
        for (int sfb = kScfsiBands[group]; sfb < kScfsiBands[group + 1]; ++sfb) {
            sf.l[sfb] = static_cast<int>(r.GetBits(group < 2 ? slen1 : slen2));
        }
    }
    sf.l[21] = sf.l[22] = 0;
}

void ReadLsfScaleFactors(DecoderState& s, int gr, int ch) {
    Layer3GranuleChannel& g = s.sideInfo.gr[gr][ch];
    DecoderScaleFactors& sf = s.scalefac[ch];
    const AudioFrameHeader& h = s.params.header;
    const bool intensityChannel = h.mode == kJointStereo && (h.mode_ext & 1) && ch == 1;
    unsigned sfc = g.scalefac_compress;
    int slen[4] = {0, 0, 0, 0};
    int table = 0;
    g.preflag = 0;
    if (!intensityChannel) {
        if (sfc < 400) {
            slen[0] = (sfc >> 4) / 5;
            slen[1] = (sfc >> 4) % 5;
            slen[2] = (sfc & 15) >> 2;
            slen[3] = sfc & 3;
            table = 0;
        } else if (sfc < 500) {
            sfc -= 400;
            slen[0] = (sfc >> 2) / 5;
            slen[1] = (sfc >> 2) % 5;
            slen[2] = sfc & 3;
            table = 1;
        } else {
            sfc -= 500;
            slen[0] = sfc / 3;
            slen[1] = sfc % 3;
            g.preflag = 1;
            table = 2;
        }
    } else {
        unsigned isfc = sfc >> 1;
        if (isfc < 180) {
            slen[0] = isfc / 36;
            slen[1] = (isfc % 36) / 6;
            slen[2] = (isfc % 36) % 6;
            table = 3;
        } else if (isfc < 244) {
            isfc -= 180;
            slen[0] = (isfc % 64) >> 4;
            slen[1] = (isfc % 16) >> 2;
            slen[2] = isfc % 4;
            table = 4;
        } else {
            isfc -= 244;
            slen[0] = isfc / 3;
            slen[1] = isfc % 3;
            table = 5;
        }
    }
    const int kind = IsShortGranule(g) ? (g.mixed_block_flag ? 2 : 1) : 0;
    int staged[45] = {};
    int illegal[45] = {};
    int count = 0;
    for (int part = 0; part < 4; ++part) {
        for (int j = 0; j < kLsfSfbPartitions[table][kind][part] && count < 45; ++j, ++count) {
            staged[count] = slen[part] ? static_cast<int>(s.reservoir.GetBits(slen[part])) : 0;
            illegal[count] = (1 << slen[part]) - 1;
        }
    }
    sf = DecoderScaleFactors{};
    int k = 0;
    if (kind == 0) {
        for (int sfb = 0; sfb < 21; ++sfb, ++k) {
            sf.l[sfb] = staged[k];
            s.isIllegalL[ch][sfb] = illegal[k];
        }
        s.isIllegalL[ch][21] = s.isIllegalL[ch][20];
        return;
    }
    int firstShort = 0;
    if (kind == 2) {
        for (int sfb = 0; sfb < 6; ++sfb, ++k) {
            sf.l[sfb] = staged[k];
            s.isIllegalL[ch][sfb] = illegal[k];
        }
        firstShort = 3;
    }
    for (int sfb = firstShort; sfb < 12; ++sfb) {
        for (int w = 0; w < 3; ++w, ++k) {
            sf.s[sfb][w] = staged[k];
            s.isIllegalS[ch][sfb][w] = illegal[k];
        }
    }
    for (int w = 0; w < 3; ++w) s.isIllegalS[ch][12][w] = s.isIllegalS[ch][11][w];
}

int HuffmanDecode(const HuffmanDecodeTable& table, MainDataReservoir& r, int* x, int* y, int* v, int* w) {
    *x = *y = *v = *w = 0;
    if (!table.hasTree || !table.tree) return 2;
    if (table.tree->empty()) return 0;
    int leaf = -1;
    unsigned ahead = 0;
    const HuffmanLookupEntry* entry = nullptr;
    if (table.lookup && r.Peek(kLookupBits, &ahead) && (entry = &(*table.lookup)[ahead])->bits != 0) {
        r.position += entry->bits;
        leaf = entry->leaf ? entry->nodeOrValue
                           : WalkHuffmanTree(*table.tree, [&r] { return r.Get1Bit(); }, entry->nodeOrValue,
                                             entry->bits);
    } else {
        leaf = WalkHuffmanTree(*table.tree, [&r] { return r.Get1Bit(); });
    }
    if (leaf < 0) {
        ConsoleMessage("Illegal Huffman code in data.\n");
        return 1;
    }
    if (table.count1) {
        *v = (leaf >> 3) & 1;
        *w = (leaf >> 2) & 1;
        *x = (leaf >> 1) & 1;
        *y = leaf & 1;
        int* const quad[4] = {v, w, x, y};
        r.ApplySigns(quad, 4);
        return 0;
    }
    *x = leaf >> 4;
    *y = leaf & 15;
    if (!table.linbits) {
        int* const pair[2] = {x, y};
        r.ApplySigns(pair, 2);
        return 0;
    }
    if (static_cast<unsigned>(*x) == table.xlen - 1) *x += static_cast<int>(r.GetBits(table.linbits));
    r.ApplySigns(&x, 1);
    if (static_cast<unsigned>(*y) == table.ylen - 1) *y += static_cast<int>(r.GetBits(table.linbits));
    r.ApplySigns(&y, 1);
    return 0;
}

namespace {

// The common case, decoded from the lookup and one 64-bit window: a code of at most kLookupBits
// bits, with its escape bits and signs (a pair needs 47 bits at the most), where the main data hold
// 64 more bits. Anything else is left to HuffmanDecode (false, nothing read). The bits are taken in
// the order HuffmanDecode reads them.
struct FastTable {
    const HuffmanLookupEntry* lookup = nullptr;
    unsigned linbits = 0, escape = 0;

    explicit FastTable(const HuffmanDecodeTable& table)
        : lookup(table.hasTree && table.tree && table.lookup ? table.lookup->data() : nullptr),
          linbits(table.linbits), escape(table.xlen - 1) {}

    // Zero values have no sign bit. Without branches: which values are zero is unpredictable.
    static int Signed(int value, uint64_t window, unsigned& used) {
        const unsigned present = value != 0;
        const int negative = -static_cast<int>(((window << used) >> 63) & present);
        used += present;
        return (value ^ negative) - negative;
    }

    // The escape: the largest value of a table with linbits is followed by that many more bits.
    int Escaped(int value, uint64_t window, unsigned& used) const {
        if (!linbits) return value;
        const bool escaped = static_cast<unsigned>(value) == escape;
        const int extra = static_cast<int>((window << used) >> (64 - linbits));
        used += escaped ? linbits : 0;
        return value + (escaped ? extra : 0);
    }

    bool Pair(MainDataReservoir& r, int* out) const {
        if (!lookup || r.position + 64 > r.endBit) return false;
        const uint64_t window = r.Window64();
        const HuffmanLookupEntry& entry = lookup[window >> (64 - kLookupBits)];
        if (!entry.leaf || entry.bits == 0) return false;
        unsigned used = entry.bits;
        const int x = Signed(Escaped(entry.nodeOrValue >> 4, window, used), window, used);
        const int y = Signed(Escaped(entry.nodeOrValue & 15, window, used), window, used);
        r.position += used;
        out[0] = x;
        out[1] = y;
        return true;
    }

    // Count1 quadruples, v w x y.
    bool Quad(MainDataReservoir& r, int* out) const {
        if (!lookup || r.position + 64 > r.endBit) return false;
        const uint64_t window = r.Window64();
        const HuffmanLookupEntry& entry = lookup[window >> (64 - kLookupBits)];
        if (!entry.leaf || entry.bits == 0) return false;
        unsigned used = entry.bits;
        for (int k = 0; k < 4; ++k) out[k] = Signed((entry.nodeOrValue >> (3 - k)) & 1, window, used);
        r.position += used;
        return true;
    }
};

}  // namespace

bool DecodeLayer3Huffman(DecoderState& s, int gr, int ch, std::size_t part2Start) {
    const Layer3GranuleChannel& g = s.sideInfo.gr[gr][ch];
    const HuffmanDecoderTables& tables = *s.huffman;
    MainDataReservoir& r = s.reservoir;
    const ScaleFactorBands& bands = BandsOf(s.params.header);
    int* values = s.values[ch];
    const std::size_t end = part2Start + g.part2_3_length;
    if (end > r.endBit) return false;  // the granule claims more main data than the frame has

    int region1 = 576, region2 = 576;
    if (IsShortGranule(g)) {
        region1 = 36;
    } else {
        region1 = bands.long_start[std::min<unsigned>(g.region0_count + 1, 22)];
        region2 = bands.long_start[std::min<unsigned>(g.region0_count + g.region1_count + 2, 22)];
    }
    const int bigEnd = static_cast<int>(std::min(2 * g.big_values, 576u));
    const int regionEnds[3] = {std::min(region1, bigEnd), std::min(region2, bigEnd), bigEnd};
    int i = 0;
    for (int region = 0; region < 3; ++region) {
        if (i >= regionEnds[region]) continue;
        const unsigned select = g.table_select[region];
        if (select == 4 || select == 14 || select >= tables.tables.size()) return false;
        const HuffmanDecodeTable& table = tables.tables[select];
        const FastTable fast(table);
        for (; i < regionEnds[region]; i += 2) {
            if (fast.Pair(r, values + i)) continue;
            int v, w;
            HuffmanDecode(table, r, &values[i], &values[i + 1], &v, &w);
        }
    }
    const HuffmanDecodeTable& quadTable = tables.tables[32 + g.count1table_select];
    const FastTable fastQuad(quadTable);
    while (i + 4 <= 576 && r.position < end) {
        int* quad = values + i;  // v w x y
        if (!fastQuad.Quad(r, quad)) HuffmanDecode(quadTable, r, &quad[2], &quad[3], &quad[0], &quad[1]);
        if (r.position > end) break;  // the last quadruple ran past the granule: dropped (zeroed below)
        i += 4;
    }
    r.position = end;
    std::fill(values + i, values + 576, 0);
    int last = i;
    while (last > 0 && values[last - 1] == 0) --last;
    s.nonzeroEnd[ch] = last;
    return true;
}

void DequantizeLayer3(DecoderState& s, int gr, int ch) {
    const Layer3GranuleChannel& g = s.sideInfo.gr[gr][ch];
    const DecoderScaleFactors& sf = s.scalefac[ch];
    const ScaleFactorBands& bands = BandsOf(s.params.header);
    const Layer3Constants& k = Constants();
    const int* values = s.values[ch];
    float* xr = s.xr[ch];
    const double gain = std::exp2(0.25 * (static_cast<double>(g.global_gain) - 210.0));
    const double multiplier = g.scalefac_scale ? 1.0 : 0.5;
    const int end = s.nonzeroEnd[ch];
    std::fill(xr, xr + 576, 0.0f);
    // Without branches: zeros are common and scattered, and pow43[0] is 0.
    auto scaleLine = [&](int line, double factor) {
        const int value = values[line];
        const auto result = static_cast<float>(k.pow43[std::min(std::abs(value), 8206)] * factor);
        xr[line] = value < 0 ? -result : result;
    };
    auto longBand = [&](int sfb, int from, int to) {
        double factor = gain * std::exp2(-multiplier * (sf.l[sfb] + (g.preflag ? kPretab[sfb] : 0)));
        for (int line = from; line < to && line < end; ++line) scaleLine(line, factor);
    };
    if (!IsShortGranule(g)) {
        for (int sfb = 0; sfb < 22 && bands.long_start[sfb] < end; ++sfb) {
            longBand(sfb, bands.long_start[sfb], bands.long_start[sfb + 1]);
        }
        return;
    }
    int firstShort = 0;
    if (g.mixed_block_flag) {
        for (int sfb = 0; bands.long_start[sfb] < 36; ++sfb) {
            longBand(sfb, bands.long_start[sfb], std::min(bands.long_start[sfb + 1], 36));
        }
        firstShort = 3;
    }
    for (int sfb = firstShort; sfb < 13; ++sfb) {
        const int start = 3 * bands.short_start[sfb];
        const int width = bands.short_start[sfb + 1] - bands.short_start[sfb];
        if (start >= end) break;
        for (int win = 0; win < 3; ++win) {
            double factor = gain * std::exp2(-2.0 * g.subblock_gain[win] - multiplier * sf.s[sfb][win]);
            const int from = start + win * width;
            for (int line = from; line < from + width && line < end; ++line) scaleLine(line, factor);
        }
    }
}

namespace {

constexpr double kMidSide = 0.707106782373095;

// Per line of the right channel: the intensity position to apply, or -1.
void IntensityPositions(const DecoderState& s, int gr, int positions[576]) {
    std::fill(positions, positions + 576, -1);
    const Layer3GranuleChannel& g = s.sideInfo.gr[gr][1];
    const DecoderScaleFactors& sf = s.scalefac[1];
    const ScaleFactorBands& bands = BandsOf(s.params.header);
    const bool mpeg1 = s.params.header.version == 1;
    const int* right = s.values[1];
    auto legal = [&](int pos, int illegal) { return mpeg1 ? pos != 7 : pos != illegal; };
    auto markLong = [&](int firstSfb, int limitLine) {
        for (int sfb = firstSfb; sfb < 22 && bands.long_start[sfb] < limitLine; ++sfb) {
            const int source = sfb < 21 ? sfb : 20;
            const int pos = sf.l[source];
            if (!legal(pos, s.isIllegalL[1][sfb])) continue;
            for (int line = bands.long_start[sfb]; line < std::min(bands.long_start[sfb + 1], limitLine); ++line) {
                positions[line] = pos;
            }
        }
    };
    if (!IsShortGranule(g)) {
        const int nonzero = s.nonzeroEnd[1];
        int first = 0;
        while (first < 22 && bands.long_start[first] < nonzero) ++first;
        // The band holding the last non-zero line is coded normally; intensity starts after it.
        markLong(first, 576);
        return;
    }
    const int firstShort = g.mixed_block_flag ? 3 : 0;
    bool shortPartSilent = true;
    for (int win = 0; win < 3; ++win) {
        int lastNonzeroSfb = firstShort - 1;
        for (int sfb = firstShort; sfb < 13; ++sfb) {
            const int width = bands.short_start[sfb + 1] - bands.short_start[sfb];
            const int from = 3 * bands.short_start[sfb] + win * width;
            for (int line = from; line < from + width; ++line) {
                if (right[line]) {
                    lastNonzeroSfb = sfb;
                    break;
                }
            }
        }
        if (lastNonzeroSfb >= firstShort) shortPartSilent = false;
        for (int sfb = lastNonzeroSfb + 1; sfb < 13; ++sfb) {
            const int source = sfb < 12 ? sfb : 11;
            const int pos = sf.s[source][win];
            if (!legal(pos, s.isIllegalS[1][sfb][win])) continue;
            const int width = bands.short_start[sfb + 1] - bands.short_start[sfb];
            const int from = 3 * bands.short_start[sfb] + win * width;
            for (int line = from; line < from + width; ++line) positions[line] = pos;
        }
    }
    if (g.mixed_block_flag && shortPartSilent) {
        int last = 36;
        while (last > 0 && right[last - 1] == 0) --last;
        int first = 0;
        while (bands.long_start[first] < last) ++first;
        markLong(first, 36);
    }
}

void LsfIntensityRatio(int pos, unsigned scalefac_compress, double* left, double* right) {
    const double io = (scalefac_compress & 1) ? 0.707106781188 : 0.840896415256;
    *left = 1.0;
    *right = 1.0;
    if (pos == 0) return;
    if (pos & 1) {
        *left = std::pow(io, (pos + 1) / 2);
    } else {
        *right = std::pow(io, pos / 2);
    }
}

}  // namespace

void Layer3Stereo(DecoderState& s, int gr) {
    const AudioFrameHeader& h = s.params.header;
    if (s.params.stereo != 2 || h.mode != kJointStereo) return;
    const bool ms = h.mode_ext & 2;
    const bool intensity = h.mode_ext & 1;
    float* left = s.xr[0];
    float* right = s.xr[1];
    if (!intensity) {
        if (!ms) return;
        // Mid/side alone: both channels are zero past the later of their last non-zero lines.
        const int end = std::max(s.nonzeroEnd[0], s.nonzeroEnd[1]);
        for (int line = 0; line < end; ++line) {
            const double m = left[line], side = right[line];
            left[line] = static_cast<float>((m + side) * kMidSide);
            right[line] = static_cast<float>((m - side) * kMidSide);
        }
        return;
    }
    int positions[576];
    if (intensity) {
        IntensityPositions(s, gr, positions);
    } else {
        std::fill(positions, positions + 576, -1);
    }
    const Layer3Constants& k = Constants();
    const bool mpeg1 = h.version == 1;
    const unsigned rightSfc = s.sideInfo.gr[gr][1].scalefac_compress;
    for (int line = 0; line < 576; ++line) {
        const int pos = positions[line];
        if (pos >= 0) {
            const double value = left[line];
            if (mpeg1) {
                const int p = std::min(pos, 6);
                left[line] = static_cast<float>(value * k.isRatioLeft[p]);
                right[line] = static_cast<float>(value * k.isRatioRight[p]);
            } else {
                double kl, kr;
                LsfIntensityRatio(pos, rightSfc, &kl, &kr);
                left[line] = static_cast<float>(value * kl);
                right[line] = static_cast<float>(value * kr);
            }
        } else if (ms) {
            const double m = left[line], side = right[line];
            left[line] = static_cast<float>((m + side) * kMidSide);
            right[line] = static_cast<float>((m - side) * kMidSide);
        }
    }
}

void ReorderLayer3(float* xr, const Layer3GranuleChannel& g, const AudioFrameHeader& h) {
    if (!IsShortGranule(g)) return;
    const ScaleFactorBands& bands = BandsOf(h);
    float reordered[576];
    std::copy(xr, xr + 576, reordered);
    for (int sfb = g.mixed_block_flag ? 3 : 0; sfb < 13; ++sfb) {
        const int start = bands.short_start[sfb];
        const int width = bands.short_start[sfb + 1] - start;
        for (int win = 0; win < 3; ++win) {
            for (int f = 0; f < width; ++f) reordered[3 * (start + f) + win] = xr[3 * start + win * width + f];
        }
    }
    std::copy(reordered, reordered + 576, xr);
}

void AntialiasLayer3(float* xr, const Layer3GranuleChannel& g, int nonzeroEnd) {
    if (IsShortGranule(g) && !g.mixed_block_flag) return;
    // A boundary whose sixteen lines all lie past the last non-zero line has nothing to mix.
    const int boundaries = std::min(IsShortGranule(g) ? 1 : 31, (nonzeroEnd + 7) / 18);
    const Layer3Constants& k = Constants();
    for (int sb = 1; sb <= boundaries; ++sb) {
        for (int i = 0; i < 8; ++i) {
            float& upper = xr[18 * sb - 1 - i];
            float& lower = xr[18 * sb + i];
            const float bu = upper, bd = lower;
            upper = bu * k.cs[i] - bd * k.ca[i];
            lower = bd * k.cs[i] + bu * k.ca[i];
        }
    }
}

namespace {

void InverseMdct(const float* in, float* out, int blockType) {
    const Layer3Constants& k = Constants();
    if (blockType == 2) {
        std::fill(out, out + kImdctLanes, 0.0f);
        for (int win = 0; win < 3; ++win) {
            for (int i = 0; i < 12; ++i) {
                double sum = 0;
                for (int m = 0; m < 6; ++m) sum += in[3 * m + win] * k.shortImdct[i][m];
                out[ImdctLane(6 * win + i + 6)] += static_cast<float>(sum * k.window[2][i]);
            }
        }
        return;
    }
    WindowedImdctSums(in, &k.windowedImdct[blockType][0][0], out);
}

}  // namespace

void HybridSynthesis(DecoderState& s, const float* in, int sb, int ch, const Layer3GranuleChannel& g) {
    int blockType = g.window_switching_flag ? static_cast<int>(g.block_type) : 0;
    if (g.window_switching_flag && g.mixed_block_flag && sb < 2) blockType = 0;
    float raw[kImdctLanes];
    // Silent when every input is zero (of either sign); one pass without early exits, which the
    // compiler turns into a few vector operations.
    uint32_t magnitudes = 0;
    for (int i = 0; i < 18; ++i) magnitudes |= std::bit_cast<uint32_t>(in[i]) & 0x7FFFFFFFu;
    if (magnitudes == 0) {
        std::fill(raw, raw + kImdctLanes, 0.0f);
    } else {
        InverseMdct(in, raw, blockType);
    }
    float* overlap = s.overlap[ch][sb];
    for (int i = 0; i < 18; ++i) {
        s.hybridOut[ch][i][sb] = raw[i] + overlap[i];
        overlap[i] = raw[kSecondHalfLane + i];
    }
}

}  // namespace mpa
