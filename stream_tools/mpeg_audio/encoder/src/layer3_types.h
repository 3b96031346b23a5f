// Side information and scale factors of one Layer III frame, as the encoder's stages fill them.
#pragma once

#include <cstdint>

namespace mpa {

// Block types of a granule.
enum Layer3BlockType { kNormalBlock = 0, kStartBlock = 1, kShortBlock = 2, kStopBlock = 3 };

struct Layer3GranuleInfo {
    std::uint32_t part2_3_length = 0;
    std::uint32_t big_values = 0;
    std::uint32_t count1 = 0;  // quadruples in the count1 region
    std::uint32_t global_gain = 0;
    std::uint32_t scalefac_compress = 0;
    std::uint32_t window_switching_flag = 0;
    std::uint32_t block_type = 0;
    std::uint32_t mixed_block_flag = 0;
    std::uint32_t table_select[3] = {};
    std::uint32_t subblock_gain[3] = {};
    std::uint32_t region0_count = 0;
    std::uint32_t region1_count = 0;
    std::uint32_t preflag = 0;
    std::uint32_t scalefac_scale = 0;
    std::uint32_t count1table_select = 0;
    // Working fields of the quantization loop.
    int part2_length = 0;  // scale factor bits
    int lmax = 21;         // long bands coded
    int smax = 12;         // first short band coded
    int address1 = 0, address2 = 0, address3 = 0;
    int quantizer_step = 0;
    int sfb_partition_table = 0;  // LSF: row of the partition table (0..5)
    int slen[4] = {};

    bool IsShort() const { return window_switching_flag && block_type == kShortBlock; }
};

// First long band of each of the four scale factor groups that scfsi may share between granules (MPEG-1).
inline constexpr int kScfsiBandStart[5] = {0, 6, 11, 16, 21};

struct Layer3SideInfo {
    int main_data_begin = 0;
    int private_bits = 0;
    int reservoir_drain = 0;  // zero bits written after the frame's main data
    std::uint32_t scfsi[2][4] = {};
    Layer3GranuleInfo gr[2][2];
};

struct Layer3ScaleFactors {
    int l[22] = {};     // long bands 0..20
    int s[13][3] = {};  // short band, window
};

}  // namespace mpa
