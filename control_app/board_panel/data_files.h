// The data files the panels and their board use, each named once, as a path below the folder
// Velmar runs in. The files the panels read themselves (the I2C tables, the DSP code) are found
// with platform::DataFilePath; the clips the board plays are opened by the board from the working
// directory, and its lines carry them in the board's own spelling (BoardFileName).
#pragma once

#include <string>
#include <string_view>

namespace velmar::data_files {

// The clips a stopped channel parks on (NTSC and PAL), and the play list's one-frame cut.
inline constexpr const char* kBlackClip = "mpeg/black1.mpg";
inline constexpr const char* kBlackClipPal = "mpeg/black1pal.mpg";
inline constexpr const char* kCutAlpha = "mpeg/framecut1.alp";
// The newer board's DSP code and the I2C tables (NTSC and PAL).
inline constexpr const char* kDspCode = "ucode/dsp.hex";
inline constexpr const char* kI2cTable = "i2c/velmar2ki2c.bin";
inline constexpr const char* kI2cTablePal = "i2c/velmar2ki2cpal.bin";

// A file's name as the board's lines carry it: ".\mpeg\black1.mpg".
inline std::string BoardFileName(std::string_view file) {
    std::string name = ".\\";
    for (const char c : file) name += c == '/' ? '\\' : c;
    return name;
}

// The file's name relative to the working directory, "./mpeg/black1.mpg": where the board opens
// the files its lines name, and where DataFilePath looks first.
inline std::string RelativePath(std::string_view file) { return "./" + std::string(file); }

}  // namespace velmar::data_files
