// gen-eeprom-image OUT: writes an EEPROM image of our own content.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "eeprom/eeprom_image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen-eeprom-image OUT\n");
        return 2;
    }
    eeprom::EepromImage image{};
    // Page 0 names the image; the rest count so that a misplaced page shows on read-back.
    const char name[] = "Velmar software board EEPROM image 1.0";
    std::memcpy(image.data(), name, sizeof name);
    for (int i = eeprom::kPageBytes; i < eeprom::kEepromBytes; ++i)
        image[std::size_t(i)] = std::uint8_t((i / eeprom::kPageBytes) ^ (i * 37));
    const std::filesystem::path out = argv[1];
    std::filesystem::create_directories(out.parent_path());
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << eeprom::FormatEepromImage(image);
    return file ? 0 : 1;
}
