#include "start_codes/start_codes.h"

#include <cstring>

namespace start_codes {

std::size_t FindStartCode(const std::uint8_t* data, std::size_t size, std::size_t from) {
    // memchr finds the one byte fast; the two bytes before it decide.
    for (std::size_t i = from; i + 3 < size;) {
        const void* one = std::memchr(data + i + 2, 1, size - 1 - (i + 2));
        if (!one) return size;
        const std::size_t at = static_cast<std::size_t>(static_cast<const std::uint8_t*>(one) - data) - 2;
        if (data[at] == 0 && data[at + 1] == 0) return at;
        i = at + 1;
    }
    return size;
}

}  // namespace start_codes
