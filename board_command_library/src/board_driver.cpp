#include "ruvent/board_driver.h"

#include <atomic>

#include "platform/kernel.h"

namespace ruvent {
namespace {

TessolkDriver g_tessolk;
std::atomic<BoardDriver*> g_active{nullptr};

}  // namespace

QRDDSTATUS TessolkDriver::ReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value) {
    return qrddReadInt32(board, address, value);
}
QRDDSTATUS TessolkDriver::WriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value) {
    return qrddWriteInt32(board, address, value);
}
QRDDSTATUS TessolkDriver::ReadBlock(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes) {
    return qrddReadBlk_ioctl(board, address, buffer, bytes);
}
QRDDSTATUS TessolkDriver::WriteBlock(std::uint32_t board, std::uint32_t address, const char* buffer,
                                     std::uint32_t bytes) {
    return qrddWriteBlk_ioctl(board, address, buffer, bytes);
}
QRDDSTATUS TessolkDriver::ReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index) {
    return qrddReadSharedMem(board, value, index);
}
QRDDSTATUS TessolkDriver::WriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index) {
    return qrddWriteSharedMem(board, value, index);
}
void TessolkDriver::Pause(int milliseconds) { platform::SleepMs(milliseconds); }

BoardDriver& ActiveDriver() {
    BoardDriver* driver = g_active.load();
    return driver ? *driver : g_tessolk;
}

BoardDriver* SetBoardDriver(BoardDriver* driver) {
    BoardDriver* previous = g_active.exchange(driver);
    return previous ? previous : &g_tessolk;
}

}  // namespace ruvent
