#include "ruvent/board_bytes.h"

#include <algorithm>
#include <cstring>

#include "ruvent/board_driver.h"
#include "tessolk/board_map.h"

namespace ruvent {

void CopySwapped32(const void* source, std::size_t bytes, void* destination) {
    const auto* in = static_cast<const std::uint8_t*>(source);
    auto* out = static_cast<std::uint8_t*>(destination);
    for (std::size_t offset = 0; offset < bytes; offset += 4) {
        std::uint8_t word[4] = {0, 0, 0, 0};
        std::memcpy(word, in + offset, std::min<std::size_t>(4, bytes - offset));
        out[offset + 0] = word[3];
        out[offset + 1] = word[2];
        out[offset + 2] = word[1];
        out[offset + 3] = word[0];
    }
}

int SwapBytes(void* buffer, std::size_t length, int width) {
    if (width == 2) return 1;
    if (width != 4) return 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    for (std::size_t offset = 0; offset + 4 <= length; offset += 4) {
        std::swap(bytes[offset], bytes[offset + 3]);
        std::swap(bytes[offset + 1], bytes[offset + 2]);
    }
    return 1;
}

bool InsideBoard(std::uint32_t address, std::uint64_t count) {
    return static_cast<std::uint64_t>(address) + count <= board_map::kBoardAddressSpace;
}

namespace {

// One partial word: read it, change the lanes [first, first + count), write it back.
void WritePartialWord(BoardDriver& driver, std::uint32_t board, std::uint32_t wordAddress, std::size_t first,
                      const std::uint8_t* bytes, std::size_t count) {
    char word[4] = {0, 0, 0, 0};
    driver.ReadBlock(board, wordAddress, word, 4);
    std::memcpy(word + first, bytes, count);
    driver.WriteBlock(board, wordAddress, word, 4);
}

}  // namespace

bool WriteBoardBytes(std::uint32_t board, std::uint32_t address, const std::uint8_t* bytes, std::size_t count) {
    if (!InsideBoard(address, count)) return false;
    BoardDriver& driver = ActiveDriver();
    while (count > 0 && address % 4 != 0) {
        const std::uint32_t wordAddress = address & ~3u;
        const std::size_t lane = address % 4;
        const std::size_t take = std::min<std::size_t>(count, 4 - lane);
        WritePartialWord(driver, board, wordAddress, lane, bytes, take);
        address += static_cast<std::uint32_t>(take);
        bytes += take;
        count -= take;
    }
    const std::size_t whole = count & ~static_cast<std::size_t>(3);
    if (whole > 0) driver.WriteBlock(board, address, reinterpret_cast<const char*>(bytes), static_cast<std::uint32_t>(whole));
    address += static_cast<std::uint32_t>(whole);
    bytes += whole;
    count -= whole;
    if (count > 0) WritePartialWord(driver, board, address, 0, bytes, count);
    return true;
}

bool ReadBoardBytes(std::uint32_t board, std::uint32_t address, std::uint8_t* bytes, std::size_t count) {
    if (!InsideBoard(address, count)) return false;
    BoardDriver& driver = ActiveDriver();
    while (count > 0) {
        const std::uint32_t wordAddress = address & ~3u;
        const std::size_t lane = address % 4;
        if (lane == 0 && count >= 4) {
            const std::size_t whole = count & ~static_cast<std::size_t>(3);
            driver.ReadBlock(board, address, reinterpret_cast<char*>(bytes), static_cast<std::uint32_t>(whole));
            address += static_cast<std::uint32_t>(whole);
            bytes += whole;
            count -= whole;
            continue;
        }
        char word[4] = {0, 0, 0, 0};
        driver.ReadBlock(board, wordAddress, word, 4);
        const std::size_t take = std::min<std::size_t>(count, 4 - lane);
        std::memcpy(bytes, word + lane, take);
        address += static_cast<std::uint32_t>(take);
        bytes += take;
        count -= take;
    }
    return true;
}

}  // namespace ruvent
