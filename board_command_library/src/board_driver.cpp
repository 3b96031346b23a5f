#include "ruvent/board_driver.h"

#include <atomic>
#include <string>

#include "platform/kernel.h"
#include "platform/log.h"

namespace ruvent {
namespace {

// Never destroyed: a service loop thread may still be calling it while the process exits.
TessolkDriver& Tessolk() {
    static TessolkDriver* const driver = new TessolkDriver;
    return *driver;
}
std::atomic<BoardDriver*> g_active{nullptr};
// Per board: the last retry ran out without a success.
std::atomic<bool> g_gaveUp[2];

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
QRDDSTATUS TessolkDriver::MapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host) {
    return qrddMapMemory(board, physical, host);
}
QRDDSTATUS TessolkDriver::GetDeviceContext(std::uint32_t board, std::uint64_t* words) {
    return qrddGetDeviceContext(board, words);
}
QRDDSTATUS TessolkDriver::ReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index) {
    return qrddReadSizeArray(board, size, index);
}
QRDDSTATUS TessolkDriver::WriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                                         std::uint32_t stream) {
    return qrddWriteSemaphore(board, code, direction, stream);
}
QRDDSTATUS TessolkDriver::WriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                                         std::uint32_t which) {
    return qrddWriteFirstLast(board, value, stream, which);
}
QRDDSTATUS TessolkDriver::ReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                                        std::uint32_t which) {
    return qrddReadFirstLast(board, value, stream, which);
}
QRDDSTATUS TessolkDriver::WriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream) {
    return qrddWriteLoopFlag(board, on, stream);
}
QRDDSTATUS TessolkDriver::WriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream) {
    return qrddWriteLoopTime(board, passes, stream);
}
QRDDSTATUS TessolkDriver::WriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot) {
    return qrddWriteInputFilename(board, name, slot);
}
QRDDSTATUS TessolkDriver::WriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                                   std::uint32_t startHigh, std::uint32_t startLow,
                                                   std::uint32_t slot) {
    return qrddWriteInputFilenameOffset(board, endHigh, endLow, startHigh, startLow, slot);
}
QRDDSTATUS TessolkDriver::WriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot) {
    return qrddWriteInputFilenameReverse(board, flags, slot);
}
QRDDSTATUS TessolkDriver::ReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot) {
    return qrddReadInputFilenameReverse(board, flags, slot);
}
QRDDSTATUS TessolkDriver::WriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream) {
    return qrddWriteOutputFilename(board, name, stream);
}
QRDDSTATUS TessolkDriver::WriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream) {
    return qrddWriteOutputFilenameReverse(board, flags, stream);
}
QRDDSTATUS TessolkDriver::ReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream) {
    return qrddReadOutputFilenameReverse(board, flags, stream);
}
QRDDSTATUS TessolkDriver::WriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index) {
    return qrddWriteSizeArray(board, size, index);
}
QRDDSTATUS TessolkDriver::SetDeviceContext(std::uint32_t board, const std::uint64_t* words) {
    return qrddSetDeviceContext(board, words);
}
QRDDSTATUS TessolkDriver::SendEventHandle(std::uint32_t board, const char* eventName) {
    return qrddSendEventHandle(board, eventName);
}
QRDDSTATUS TessolkDriver::ReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                                        std::uint32_t stream) {
    return qrddReadSemaphore(board, code, direction, stream);
}
QRDDSTATUS TessolkDriver::ReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream) {
    return qrddReadLoopFlag(board, on, stream);
}
QRDDSTATUS TessolkDriver::ReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream) {
    return qrddReadLoopTime(board, passes, stream);
}
QRDDSTATUS TessolkDriver::ReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot) {
    return qrddReadInputFilename(board, name, slot);
}
QRDDSTATUS TessolkDriver::ReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                                  std::uint32_t& startHigh, std::uint32_t& startLow,
                                                  std::uint32_t slot) {
    return qrddReadInputFilenameOffset(board, endHigh, endLow, startHigh, startLow, slot);
}
QRDDSTATUS TessolkDriver::ReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream) {
    return qrddReadOutputFilename(board, name, stream);
}
void TessolkDriver::Pause(int milliseconds) { platform::SleepMs(milliseconds); }

BoardDriver& ActiveDriver() {
    BoardDriver* driver = g_active.load();
    return driver ? *driver : Tessolk();
}

BoardDriver* SetBoardDriver(BoardDriver* driver) {
    BoardDriver* previous = g_active.exchange(driver);
    return previous ? previous : &Tessolk();
}

bool RetryUntilOk(std::uint32_t board, const std::function<QRDDSTATUS()>& call) {
    std::atomic<bool>& gaveUp = g_gaveUp[board & 1];
    if (call() == kQrddOk) {
        gaveUp = false;
        return true;
    }
    if (gaveUp) return false;
    const std::int64_t giveUpAt = platform::PerformanceCounter() + std::int64_t{kRetryLimitMs} * 1000;
    while (platform::PerformanceCounter() < giveUpAt) {
        platform::SleepMs(1);
        if (call() == kQrddOk) return true;
    }
    gaveUp = true;
    platform::Log(platform::LogLevel::Warning,
                  "board " + std::to_string(board + 1) + " does not answer; its driver calls fail");
    return false;
}

}  // namespace ruvent
