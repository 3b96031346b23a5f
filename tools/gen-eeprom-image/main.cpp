// gen-eeprom-image OUT: writes an EEPROM image of our own content.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "eeprom/eeprom_image.h"
#include "platform/replacing_file.h"

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
    const std::string text = eeprom::FormatEepromImage(image);
    platform::ReplacingFile file;
    return file.Open(out.string()) && file.Write(text.data(), text.size()) && file.Commit() ? 0 : 1;
}
