// mwr, mrd, mwrblk, mreset, mquit: direct board access from a command line.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/regular_file.h"
#include "ruvent/access_arguments.h"
#include "ruvent/board_bytes.h"
#include "ruvent/board_driver.h"
#include "ruvent/call_outcome.h"
#include "ruvent/ruvent.h"
#include "ruvent/shared_words.h"
#include "tessolk/board_map.h"

namespace ruvent {
namespace {

constexpr std::uint32_t kChunkBytes = 4096;

// Lengths stay 64-bit until they have passed the board-range check: a file over 4 GiB must not wrap
// into a length that looks as if it fits.
std::uint64_t RoundUp4(std::uint64_t bytes) { return (bytes + 3) & ~std::uint64_t{3}; }

// Addresses beyond the board are refused before anything is written.
bool RefuseOutside(std::uint32_t address, std::uint64_t bytes) {
    if (InsideBoard(address, bytes)) return false;
    char text[96];
    std::snprintf(text, sizeof text, "refused: 0x%X + %llu bytes lies outside the board", address,
                  static_cast<unsigned long long>(bytes));
    platform::Log(platform::LogLevel::Warning, text);
    return true;
}

int WriteFile(const AccessArguments& arguments) {
    // Runs on the caller's thread, the window's: a FIFO or a character device is never waited on.
    const platform::CFile file = platform::OpenRegularFile(platform::NormalizePath(arguments.fileName), "rb");
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0)
        return Refuse(RUVENT_FILE_NOT_OPENED, "cannot open file " + arguments.fileName, "cannot open file\n");
    std::int64_t length = info.st_size;
    if (RefuseOutside(arguments.address, RoundUp4(static_cast<std::uint64_t>(std::max<std::int64_t>(length, 0)))))
        return 0;

    BoardDriver& driver = ActiveDriver();
    std::uint32_t address = arguments.address;
    std::vector<char> chunk(kChunkBytes), swapped(kChunkBytes);
    while (length >= 1) {
        const auto want = static_cast<std::uint32_t>(std::min<std::int64_t>(length, kChunkBytes));
        const auto got = static_cast<std::uint32_t>(std::fread(chunk.data(), 1, want, file.get()));
        if (got == 0) break;  // the file shrank while we read it
        const auto rounded = static_cast<std::uint32_t>(RoundUp4(got));
        std::fill(chunk.begin() + got, chunk.begin() + rounded, 0);  // the last word is padded with zeros
        CopySwapped32(chunk.data(), rounded, swapped.data());
        if (!RetryUntilOk(arguments.board,
                          [&] { return driver.WriteBlock(arguments.board, address, swapped.data(), rounded); }))
            return 0;
        address += rounded;
        length -= rounded;
    }
    return 1;
}

int WriteFill(const AccessArguments& arguments) {
    std::int64_t length = static_cast<std::int64_t>(arguments.end) - static_cast<std::int64_t>(arguments.address);
    if (length < 1) return 1;
    if (RefuseOutside(arguments.address, RoundUp4(static_cast<std::uint64_t>(length)))) return 0;

    BoardDriver& driver = ActiveDriver();
    std::vector<std::uint32_t> words(kChunkBytes / 4, arguments.value);
    const char* buffer = reinterpret_cast<const char*>(words.data());
    std::uint32_t address = arguments.address;
    while (length >= 1) {
        const auto chunk =
            static_cast<std::uint32_t>(RoundUp4(static_cast<std::uint64_t>(std::min<std::int64_t>(length, kChunkBytes))));
        if (!RetryUntilOk(arguments.board, [&] { return driver.WriteBlock(arguments.board, address, buffer, chunk); }))
            return 0;
        address += chunk;
        length -= chunk;
    }
    return 1;
}

}  // namespace
}  // namespace ruvent

using namespace ruvent;

extern "C" int mwr(int argc, char* argv[]) {
    BeginCall();
    const auto parsed = ParseAccessArguments(argc, argv);
    if (!parsed) return RUVENT_REFUSED;
    const AccessArguments& arguments = *parsed;
    if (RefuseOutside(arguments.address, 4)) return 0;
    BoardDriver& driver = ActiveDriver();
    return RetryUntilOk(arguments.board,
                        [&] { return driver.WriteInt32(arguments.board, arguments.address, arguments.value); })
               ? 1
               : 0;
}

extern "C" int mrd(int argc, char* argv[]) {
    BeginCall();
    const auto parsed = ParseAccessArguments(argc, argv);
    if (!parsed) return RUVENT_REFUSED;
    const AccessArguments& arguments = *parsed;
    if (RefuseOutside(arguments.address, 4)) return 0;
    BoardDriver& driver = ActiveDriver();
    std::uint32_t value = 0;
    // A board that does not answer reads as 0.
    if (!RetryUntilOk(arguments.board, [&] { return driver.ReadInt32(arguments.board, arguments.address, value); }))
        return 0;
    return static_cast<int>(value);
}

extern "C" int mwrblk(int argc, char* argv[]) {
    BeginCall();
    const auto parsed = ParseAccessArguments(argc, argv);
    if (!parsed) return RUVENT_REFUSED;
    const AccessArguments& arguments = *parsed;
    if (!arguments.fileName.empty()) return WriteFile(arguments);
    if (arguments.fill) return WriteFill(arguments);
    return 1;
}

extern "C" int mreset(int argc, char* argv[]) {
    BeginCall();
    const auto parsed = ParseAccessArguments(argc, argv);
    if (!parsed) return RUVENT_REFUSED;
    const AccessArguments& arguments = *parsed;
    BoardDriver& driver = ActiveDriver();
    driver.WriteInt32(arguments.board, board_map::kControlRegister, board_map::kControlReset);
    driver.Pause(10);
    driver.WriteInt32(arguments.board, board_map::kResetCompanionB, board_map::kResetCompanionBValue);
    driver.Pause(10);
    driver.WriteInt32(arguments.board, board_map::kResetCompanionA, board_map::kResetCompanionAValue);
    driver.Pause(10);
    return 1;
}

extern "C" int mquit(int argc, char* argv[]) {
    BeginCall();
    const auto parsed = ParseAccessArguments(argc, argv);
    if (!parsed) return RUVENT_REFUSED;
    const AccessArguments& arguments = *parsed;
    BoardDriver& driver = ActiveDriver();
    // 0 whether or not the request got through: the caller's next step does not depend on it.
    RetryUntilOk(arguments.board,
                 [&] { return driver.WriteSharedMem(arguments.board, shared_word::kQuitValue, shared_word::kQuitRequest); });
    return 0;
}
