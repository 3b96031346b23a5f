// Layer II bit allocation tables: ISO/IEC 11172-3 Tables 3-B.2a..d and, as table 4, ISO/IEC 13818-3
// Table B.1 for the half sampling rates. Each table is described by groups of subbands that share
// the allocation field width and the quantizer classes of allocation indexes 1, 2, ...
#include <vector>

#include "mpeg_audio/audio_frame.h"

namespace mpa {
namespace {

struct SubbandGroup {
    int first, last, nbal;
    std::vector<int> classes;  // quantizer class of allocation index 1, 2, ...
};

const std::vector<SubbandGroup>& Groups(int number) {
    static const std::vector<SubbandGroup> tables[kBuiltInAllocTables] = {
        {{0, 2, 4, {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
         {3, 10, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}},
         {11, 22, 3, {0, 1, 2, 3, 4, 5, 16}},
         {23, 26, 2, {0, 1, 16}}},
        {{0, 2, 4, {0, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}},
         {3, 10, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 16}},
         {11, 22, 3, {0, 1, 2, 3, 4, 5, 16}},
         {23, 29, 2, {0, 1, 16}}},
        {{0, 1, 4, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
         {2, 7, 3, {0, 1, 3, 4, 5, 6, 7}}},
        {{0, 1, 4, {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
         {2, 11, 3, {0, 1, 3, 4, 5, 6, 7}}},
        {{0, 3, 4, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
         {4, 10, 3, {0, 1, 3, 4, 5, 6, 7}},
         {11, 29, 2, {0, 1, 3}}},
    };
    return tables[number];
}

// Steps of quantizer classes 0..16; 3, 5 and 9 steps are coded as groups of three samples.
constexpr int kClassSteps[17] = {3,   5,    7,    9,    15,   31,    63,    127,  255,
                                 511, 1023, 2047, 4095, 8191, 16383, 32767, 65535};

AllocationRow MakeRow(int subband, int index, int nbal, int quant_class) {
    if (index == 0) return {subband, 0, 0, nbal, 0, 0};
    int steps = kClassSteps[quant_class];
    int bits = 0;
    int group = 3;
    if (steps == 3 || steps == 5 || steps == 9) {
        group = 1;
        bits = steps == 3 ? 5 : steps == 5 ? 7 : 10;
    } else {
        while ((1 << bits) < steps + 1) ++bits;
    }
    return {subband, index, steps, bits, group, quant_class};
}

struct ExpandedTables {
    std::vector<AllocationRow> rows[kBuiltInAllocTables];
    int sblimit[kBuiltInAllocTables] = {};
    ExpandedTables() {
        for (int t = 0; t < kBuiltInAllocTables; ++t) {
            for (const SubbandGroup& group : Groups(t)) {
                for (int sb = group.first; sb <= group.last; ++sb) {
                    int indexes = 1 << group.nbal;
                    for (int index = 0; index < indexes; ++index) {
                        int quant_class = index == 0 ? 0 : group.classes[index - 1];
                        rows[t].push_back(MakeRow(sb, index, group.nbal, quant_class));
                    }
                }
                sblimit[t] = group.last + 1;
            }
        }
    }
};

const ExpandedTables& Expanded() {
    static const ExpandedTables tables;
    return tables;
}

}  // namespace

BuiltInAllocTable DescribeAllocTable(int number) {
    if (number < 0 || number >= kBuiltInAllocTables) number = 0;
    return {Expanded().sblimit[number], Expanded().rows[number].size()};
}

AllocationRow AllocTableRow(int number, std::size_t row) {
    if (number < 0 || number >= kBuiltInAllocTables) number = 0;
    return Expanded().rows[number].at(row);
}

int LoadAllocTable(int number, AllocationTable& table) {
    if (number < 0 || number >= kBuiltInAllocTables) number = 0;
    table = AllocationTable{};
    for (const AllocationRow& row : Expanded().rows[number]) {
        table[row.subband][row.index] = {static_cast<uint32_t>(row.steps), static_cast<uint32_t>(row.bits),
                                         static_cast<uint32_t>(row.group), static_cast<uint32_t>(row.quant)};
    }
    return Expanded().sblimit[number];
}

}  // namespace mpa
