// Writes the board data files the playback panel reads at start-up:
//   i2c/velmar2ki2c.bin, i2c/velmar2ki2cpal.bin  the I2C register tables for NTSC and PAL
//   ucode/dsp.hex                                the DSP code
// The tables set up the board's video devices; their bytes are ours, in the layout the panel reads:
// three unused bytes, the record count, three unused bytes, then records of
// {device address, unused, length n, n data bytes, unused}.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/replacing_file.h"

namespace {

// Put in place only once whole: a failed run leaves the file that was there.
bool WriteBytes(const std::filesystem::path& path, const void* data, std::size_t size) {
    platform::ReplacingFile out;
    return out.Open(path.string()) && out.Write(data, size) && out.Commit();
}

struct I2cRecord {
    std::uint8_t device;  // 8-bit bus address, write form
    std::vector<std::uint8_t> data;
};

// Video decoder (0x88), video encoder (0x54) and the audio converter (0x9A): a sub-address
// followed by register values.
std::vector<I2cRecord> TableFor(bool pal) {
    const std::uint8_t standard = pal ? 0x40 : 0x00;
    return {
        {0x88, {0x00, 0x02, 0x00, standard, 0x10}},
        {0x88, {0x08, 0x80, 0x47, 0x40, 0x00}},
        {0x54, {0x00, standard, 0x1A, 0x08, 0x80, 0x80}},
        {0x54, {0x3A, 0x13}},
        {0x9A, {0x01, 0x20, 0x00}},
    };
}

bool WriteTable(const std::filesystem::path& path, bool pal) {
    const auto records = TableFor(pal);
    std::vector<std::uint8_t> bytes{0, 0, 0, static_cast<std::uint8_t>(records.size()), 0, 0, 0};
    for (const auto& record : records) {
        bytes.push_back(record.device);
        bytes.push_back(0);
        bytes.push_back(static_cast<std::uint8_t>(record.data.size()));
        bytes.insert(bytes.end(), record.data.begin(), record.data.end());
        bytes.push_back(0);
    }
    return WriteBytes(path, bytes.data(), bytes.size());
}

// The first number is a place holder for the DSP's bus address; the rest is its program.
bool WriteDspCode(const std::filesystem::path& path) {
    std::string out = "00\n";
    std::uint32_t state = 0x2545F491;
    for (int i = 0; i < 255; ++i) {
        state = state * 1664525u + 1013904223u;
        char number[8];
        std::snprintf(number, sizeof number, "%02X", state >> 24);
        out += number;
        out += (i + 1) % 16 == 0 ? "\n" : " ";
    }
    out += "\n";
    return WriteBytes(path, out.data(), out.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen-board-data RUN_DIRECTORY\n");
        return 2;
    }
    const std::filesystem::path run = argv[1];
    std::filesystem::create_directories(run / "i2c");
    std::filesystem::create_directories(run / "ucode");
    const bool ok = WriteTable(run / "i2c" / "velmar2ki2c.bin", false) &&
                    WriteTable(run / "i2c" / "velmar2ki2cpal.bin", true) && WriteDspCode(run / "ucode" / "dsp.hex");
    if (!ok) std::fprintf(stderr, "gen-board-data: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
