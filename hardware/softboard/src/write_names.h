// Readable names of the board addresses the software board logs.
#pragma once

#include <cstdint>
#include <string>

namespace softboard {

// "0xFC0000 (control)", or the bare address when it has no name.
std::string DescribeRegister(std::uint32_t address);

}  // namespace softboard
