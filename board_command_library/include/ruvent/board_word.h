// The "-b<digit>" option the exports take. Only "-b1" and "-b2" name a board; any other digit
// would have sent the call to the first board unnoticed, so it is refused with a line naming it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ruvent {

// A board word sets `driverBoard` (0 or 1) and returns true; a "-b<digit>" that names no board
// returns false, for the caller to refuse the line with NamesNoBoard(word). Any other word leaves
// `driverBoard` alone and returns true.
bool TakeBoardWord(std::string_view word, std::uint32_t& driverBoard);

// "<word> names no board: -b1 or -b2"
std::string NamesNoBoard(std::string_view word);

}  // namespace ruvent
