#include "write_names.h"

#include <cstdio>

#include "tessolk/board_map.h"

namespace softboard {

std::string DescribeRegister(std::uint32_t address) {
    using namespace board_map;
    const char* name = nullptr;
    switch (address) {
        case kAreaAddressRegisters: name = "CBE address"; break;
        case kAreaAddressRegisters + 4: name = "CBO address"; break;
        case kAreaAddressRegisters + 8: name = "MBE address"; break;
        case kAreaAddressRegisters + 12: name = "MBO address"; break;
        case kControlRegister: name = "control"; break;
        case kResetCompanionA: name = "reset companion A"; break;
        case kResetCompanionB: name = "reset companion B"; break;
        case kReferenceControl: name = "reference control"; break;
        case kI2cLines: name = "I2C lines"; break;
        case kMicrocodeDescriptorAddress: name = "microcode descriptor"; break;
        default: break;
    }
    char text[64];
    if (name)
        std::snprintf(text, sizeof text, "0x%X (%s)", address, name);
    else if (address >= kRmemBase)
        std::snprintf(text, sizeof text, "0x%X (RMEM+0x%X)", address, address - kRmemBase);
    else
        std::snprintf(text, sizeof text, "0x%X", address);
    return text;
}

}  // namespace softboard
