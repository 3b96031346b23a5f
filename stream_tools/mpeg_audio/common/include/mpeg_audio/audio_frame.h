// MPEG audio frame header, derived frame parameters, Layer II allocation tables and the
// bitrate / sampling-frequency lookups shared by the encoder and the decoder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace mpa {

constexpr int kSubbands = 32;
constexpr int kAllocIndexes = 16;

// The header fields as decoded (or to be written). Twelve signed integers in stream order.
struct AudioFrameHeader {
    int32_t version = 1;             // 1 MPEG-1, 0 half sampling rates (LSF)
    int32_t layer = 2;               // 1, 2, 3 (stored in the stream as 4 - layer)
    int32_t error_protection = 0;    // 1 when a CRC word follows the header
    int32_t bitrate_index = 0;       // 0 = free format, 1..14
    int32_t sampling_frequency = 0;  // 0..2
    int32_t padding = 0;
    int32_t extension = 0;
    int32_t mode = 0;                // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int32_t mode_ext = 0;
    int32_t copyright = 0;
    int32_t original = 0;
    int32_t emphasis = 0;
};

enum ChannelMode : int32_t { kStereo = 0, kJointStereo = 1, kDualChannel = 2, kSingleChannel = 3 };

// One Layer II allocation entry.
struct AllocationEntry {
    uint32_t steps = 0;  // quantization steps (0 for allocation index 0)
    uint32_t bits = 0;   // code width; entry 0: width of the subband's allocation field
    uint32_t group = 0;  // 1: three samples share one grouped code, 3: one code per sample
    uint32_t quant = 0;  // quantizer class
};

using AllocationTable = std::array<std::array<AllocationEntry, kAllocIndexes>, kSubbands>;

// Number of the built-in table for the half sampling rates (ISO/IEC 13818-3 Table B.1).
constexpr int kLsfAllocTable = 4;
constexpr int kBuiltInAllocTables = 5;

// Parameters derived from one header. Owns the loaded allocation table.
struct AudioFrameParams {
    AudioFrameHeader header;
    int32_t actual_mode = 0;
    std::unique_ptr<AllocationTable> alloc;  // null until one is loaded
    int32_t tab_num = -1;                    // number of the loaded table, -1 = none
    int32_t stereo = 2;                      // channel count
    int32_t jsbound = 32;                    // subbands below are coded per channel
    int32_t sblimit = 32;                    // subbands from here on are never coded
};

// Sampling frequencies in kHz by [version][index]; index 3 is reserved (0).
extern const double kSamplingFrequencyKhz[2][4];
// Bitrates in kbit/s by [version][layer - 1][bitrate_index]; index 0 = free format, 15 forbidden (0).
extern const int kBitrateKbps[2][3][16];

// Table index of a sampling rate in Hz; sets version. Reports and returns -1 for other rates.
int SmpFrqIndex(long rate_hz, int* version);
// First bitrate index whose entry equals bitrate_kbps; reports and returns -1 when there is none.
int BitrateIndex(int layer, int bitrate_kbps, int version);
// Joint-stereo bound; -1 (after a message) for a layer outside 1..3 or mode_ext outside 0..3.
int js_bound(int layer, int mode_ext);

// Fills actual mode, channel count, subband limit and joint-stereo bound from params.header.
// Returns false (nothing usable) when the header holds values outside the tables.
bool HeaderToFrameParams(AudioFrameParams& params);
// Picks the Layer II table for params.header, loads it when it differs from the loaded one and
// returns the subband limit.
int ChooseAllocTable(AudioFrameParams& params);
// Number of the table ChooseAllocTable picks for this header (0..3 MPEG-1, 4 half rates).
int AllocTableNumber(const AudioFrameHeader& header);
// Copies built-in table `number` into table (unknown numbers load table 0); returns its subband limit.
int LoadAllocTable(int number, AllocationTable& table);

// Rows of a built-in table as stored: {subband, allocation index, steps, bits, group, quant}.
struct AllocationRow {
    int subband, index, steps, bits, group, quant;
};
struct BuiltInAllocTable {
    int sblimit;
    std::size_t rows;
};
BuiltInAllocTable DescribeAllocTable(int number);
AllocationRow AllocTableRow(int number, std::size_t row);

// Header checks and sizes used to walk a stream.
// Whether the header's fields are all inside the tables (no reserved layer, bitrate 15 or frequency 3).
bool IsDecodableHeader(const AudioFrameHeader& header);
// Parses the four header bytes (sync included). False when the sync or a field is invalid.
bool ParseHeaderBytes(const uint8_t* bytes, AudioFrameHeader& header);
// Frame length in bytes, padding included; 0 for free format.
int FrameLengthBytes(const AudioFrameHeader& header);
// Samples per channel in one frame: 384, 1152 or 576 (Layer III half rates).
int SamplesPerFrame(const AudioFrameHeader& header);
// Sampling rate in Hz, 0 when reserved.
int SamplingRateHz(const AudioFrameHeader& header);

}  // namespace mpa
