// mld: the .ux walk and the section kinds.
#include "ruvent/microcode_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <string>

#include "platform/kernel.h"
#include "platform/log.h"
#include "platform/regular_file.h"
#include "ruvent/board_bytes.h"
#include "ruvent/board_driver.h"
#include "ruvent/board_word.h"
#include "ruvent/call_outcome.h"
#include "ruvent/ruvent.h"
#include "tessolk/board_map.h"

namespace ruvent {
namespace {

constexpr int kModeAll = 0;
constexpr int kModeFirst = 2;
constexpr int kModeLast = 999;

void Warn(const std::string& message) { platform::Log(platform::LogLevel::Warning, "mld: " + message); }

void ApplyPause(BoardDriver& driver, const std::vector<std::uint8_t>& payload, int& budgetMs) {
    if (payload.size() < 4) {
        Warn("pause section shorter than its 4-byte duration, skipped");
        return;
    }
    const std::uint64_t microseconds = ux::LoadBig32(payload.data());
    auto milliseconds = static_cast<std::int64_t>((microseconds + 999) / 1000);
    if (milliseconds > budgetMs) {
        if (budgetMs >= 0)
            Warn("pauses add up to more than " + std::to_string(kMicrocodePauseBudgetMs) + " ms; the rest are cut");
        milliseconds = std::max(budgetMs, 0);
        budgetMs = -1;  // spent: warned once
    } else {
        budgetMs -= static_cast<int>(milliseconds);
    }
    driver.Pause(static_cast<int>(milliseconds));
}

bool ApplyReadBack(std::uint32_t board, BoardDriver& driver, const ux::SectionHeader& header,
                   const std::vector<std::uint8_t>& payload) {
    if (!InsideBoard(header.address, payload.size())) {
        Warn("read-back section outside the board, skipped");
        return true;
    }
    std::vector<std::uint8_t> onBoard(payload.size());
    for (int poll = 0; poll < kReadBackPolls; ++poll) {
        ReadBoardBytes(board, header.address, onBoard.data(), onBoard.size());
        if (onBoard == payload) return true;
        driver.Pause(1);
    }
    Warn("board memory never matched the read-back section");
    return false;
}

void ApplyRegisterList(std::uint32_t board, BoardDriver& driver, const std::vector<std::uint8_t>& payload) {
    for (std::size_t offset = 0; offset + ux::kRegisterPairBytes <= payload.size(); offset += ux::kRegisterPairBytes) {
        RegisterPair pair{ux::LoadBig32(&payload[offset]), ux::LoadBig32(&payload[offset + 4])};
        const int pause = CheckResetRegister(pair);
        std::uint8_t bytes[4];
        std::memcpy(bytes, &pair.value, 4);
        if (!WriteBoardBytes(board, pair.address, bytes, 4)) Warn("register outside the board, skipped");
        if (pause > 0) driver.Pause(pause);
    }
}

void ApplyByteList(std::uint32_t board, const std::vector<std::uint8_t>& payload) {
    for (std::size_t offset = 0; offset + ux::kByteRecordBytes <= payload.size(); offset += ux::kByteRecordBytes) {
        const std::uint32_t address = ux::LoadBig32(&payload[offset]);
        if (address == board_map::kNeverWrittenByByteLists) continue;
        if (!WriteBoardBytes(board, address, &payload[offset + 4], 1)) Warn("byte outside the board, skipped");
    }
}

void ApplyBulk(std::uint32_t board, const ux::SectionHeader& header, std::vector<std::uint8_t> payload) {
    SwapBytes(payload.data(), payload.size(), 4);
    if (!WriteBoardBytes(board, header.address, payload.data(), payload.size()))
        Warn("bulk data outside the board, skipped");
}

struct MldArguments {
    int mode = kModeAll;
    std::uint32_t board = 0;
    std::string refusedBoardWord;  // a "-b<digit>" that names no board: nothing is loaded
    std::string file;
};

MldArguments ParseMldArguments(int argc, char* argv[]) {
    MldArguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-first") == 0) arguments.mode = kModeFirst;
        else if (std::strcmp(argv[i], "-last") == 0) arguments.mode = kModeLast;
        else if (!TakeBoardWord(argv[i], arguments.board)) arguments.refusedBoardWord = argv[i];
    }
    if (argc >= 2 && argv[argc - 1]) arguments.file = platform::NormalizePath(argv[argc - 1]);
    return arguments;
}

}  // namespace

int CheckResetRegister(RegisterPair& pair) {
    switch (pair.address) {
        case board_map::kControlRegister: return 1000;
        case board_map::kResetCompanionA: pair.value = board_map::kResetCompanionAValue; return 0;
        case board_map::kResetCompanionB: pair.value = board_map::kResetCompanionBValue; return 10;
        default: return 0;
    }
}

bool LoadMicrocodeSection(std::uint32_t board, const ux::SectionHeader& header,
                          const std::vector<std::uint8_t>& payload, int& pauseBudgetMs) {
    if (payload.empty() || header.type > ux::kWordData) return true;
    BoardDriver& driver = ActiveDriver();
    switch (header.flags & ux::kKindMask) {
        case ux::kListFlag | ux::kReadBackFlag: ApplyPause(driver, payload, pauseBudgetMs); return true;
        case ux::kReadBackFlag: return ApplyReadBack(board, driver, header, payload);
        case ux::kListFlag:
            if (header.type == ux::kWordData)
                ApplyRegisterList(board, driver, payload);
            else
                ApplyByteList(board, payload);
            return true;
        default: ApplyBulk(board, header, payload); return true;
    }
}

}  // namespace ruvent

using namespace ruvent;

extern "C" int mld(int argc, char* argv[]) {
    BeginCall();
    const MldArguments arguments = ParseMldArguments(argc, argv);
    // A command-line program goes on after a refused load, as after a failed one; the load returns
    // 0 as any load that could not be done does, the cause kept in the last-call record.
    if (!arguments.refusedBoardWord.empty()) {
        const std::string cause = NamesNoBoard(arguments.refusedBoardWord);
        Refuse(RUVENT_BAD_ARGUMENTS, cause, cause + "\n", -1);
        return 0;
    }
    if (arguments.file.empty()) return 0;
    // A FIFO or a device is no microcode: its open could wait for good, its reading never end.
    const std::string path = platform::DataFilePath(arguments.file);
    const platform::CFile file = platform::OpenRegularFile(path, "rb");
    struct stat info {};
    if (!file || ::fstat(::fileno(file.get()), &info) != 0) {
        if (::access(path.c_str(), F_OK) != 0) return 0;
        const std::string cause = arguments.file + " is not a regular file that can be read";
        platform::Log(platform::LogLevel::Warning, "mld: " + cause);
        Refuse(RUVENT_FILE_NOT_OPENED, cause, cause + "\n", -1);
        return 0;
    }
    // Payloads are never taken larger than what is left of the file.
    std::uint64_t remaining = static_cast<std::uint64_t>(info.st_size);
    const auto read = [&file](void* bytes, std::size_t count) {
        return std::fread(bytes, 1, count, file.get()) == count;
    };

    std::uint8_t header[ux::kFileHeaderBytes];
    if (remaining < sizeof header || !read(header, sizeof header) || std::memcmp(header, ux::kMagic, 4) != 0)
        return 0;
    remaining -= sizeof header;
    const std::uint32_t sections = ux::LoadLittle32(header + 4);
    if (static_cast<int>(sections) == arguments.mode && arguments.mode != kModeLast) return 1;

    int pauseBudgetMs = kMicrocodePauseBudgetMs;
    for (std::uint32_t r = sections; r > 0; --r) {
        if (arguments.mode == kModeFirst && r <= 2) break;
        std::uint8_t sectionBytes[ux::kSectionHeaderBytes];
        if (remaining < sizeof sectionBytes || !read(sectionBytes, sizeof sectionBytes)) {
            platform::Log(platform::LogLevel::Warning, "mld: " + arguments.file + " ends before its last section");
            return 0;
        }
        remaining -= sizeof sectionBytes;
        const ux::SectionHeader section = ux::DecodeSectionHeader(sectionBytes);
        if (section.length == 0) continue;
        if (section.length > remaining) {
            platform::Log(platform::LogLevel::Warning, "mld: " + arguments.file + " has a section longer than the file");
            return 0;
        }
        std::vector<std::uint8_t> payload(section.length);
        if (!read(payload.data(), section.length)) return 0;
        remaining -= section.length;
        const bool apply = arguments.mode != kModeLast || r <= 2;
        if (apply && !LoadMicrocodeSection(arguments.board, section, payload, pauseBudgetMs)) return 0;
    }
    return 1;
}
