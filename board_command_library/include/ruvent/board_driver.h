// The one narrow path from the command library to the board. The exports never call the driver
// library directly: they call the active BoardDriver, which is the driver library itself
// (TessolkDriver) unless a test installs another (the recording fake).
#pragma once

#include <cstdint>
#include <functional>

#include "tessolk/tessolk.h"

namespace ruvent {

class BoardDriver {
public:
    virtual ~BoardDriver() = default;

    virtual QRDDSTATUS ReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value) = 0;
    virtual QRDDSTATUS WriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value) = 0;
    virtual QRDDSTATUS ReadBlock(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes) = 0;
    virtual QRDDSTATUS WriteBlock(std::uint32_t board, std::uint32_t address, const char* buffer,
                                  std::uint32_t bytes) = 0;
    virtual QRDDSTATUS ReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index) = 0;
    virtual QRDDSTATUS WriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index) = 0;

    // Stream requests and their hand-shake words (the DriverRegisterFile).
    virtual QRDDSTATUS MapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host) = 0;
    virtual QRDDSTATUS GetDeviceContext(std::uint32_t board, std::uint64_t* words) = 0;
    virtual QRDDSTATUS ReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index) = 0;
    virtual QRDDSTATUS WriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                                      std::uint32_t stream) = 0;
    virtual QRDDSTATUS WriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                                      std::uint32_t which) = 0;
    virtual QRDDSTATUS ReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                                     std::uint32_t which) = 0;
    virtual QRDDSTATUS WriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream) = 0;
    virtual QRDDSTATUS WriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream) = 0;
    virtual QRDDSTATUS WriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot) = 0;
    virtual QRDDSTATUS WriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                                std::uint32_t startHigh, std::uint32_t startLow,
                                                std::uint32_t slot) = 0;
    virtual QRDDSTATUS WriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot) = 0;
    virtual QRDDSTATUS ReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot) = 0;
    virtual QRDDSTATUS WriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream) = 0;
    virtual QRDDSTATUS WriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream) = 0;
    virtual QRDDSTATUS ReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream) = 0;

    virtual QRDDSTATUS WriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index) = 0;
    virtual QRDDSTATUS SetDeviceContext(std::uint32_t board, const std::uint64_t* words) = 0;
    virtual QRDDSTATUS SendEventHandle(std::uint32_t board, const char* eventName) = 0;
    virtual QRDDSTATUS ReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                                     std::uint32_t stream) = 0;
    virtual QRDDSTATUS ReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream) = 0;
    virtual QRDDSTATUS ReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream) = 0;
    // Name buffers hold at least kQrddNameMax bytes.
    virtual QRDDSTATUS ReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot) = 0;
    virtual QRDDSTATUS ReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                               std::uint32_t& startHigh, std::uint32_t& startLow,
                                               std::uint32_t slot) = 0;
    virtual QRDDSTATUS ReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream) = 0;

    // The pauses the board's hand-shakes need (after reset registers, microcode pause sections).
    // They belong to the board's timing, so the fake records them instead of sleeping.
    virtual void Pause(int milliseconds) = 0;
};

// The driver library as the board's real path.
class TessolkDriver final : public BoardDriver {
public:
    QRDDSTATUS ReadInt32(std::uint32_t board, std::uint32_t address, std::uint32_t& value) override;
    QRDDSTATUS WriteInt32(std::uint32_t board, std::uint32_t address, std::uint32_t value) override;
    QRDDSTATUS ReadBlock(std::uint32_t board, std::uint32_t address, char* buffer, std::uint32_t bytes) override;
    QRDDSTATUS WriteBlock(std::uint32_t board, std::uint32_t address, const char* buffer,
                          std::uint32_t bytes) override;
    QRDDSTATUS ReadSharedMem(std::uint32_t board, std::uint32_t& value, std::uint32_t index) override;
    QRDDSTATUS WriteSharedMem(std::uint32_t board, std::uint32_t value, std::uint32_t index) override;
    QRDDSTATUS MapMemory(std::uint32_t board, std::uint32_t& physical, std::uint64_t& host) override;
    QRDDSTATUS GetDeviceContext(std::uint32_t board, std::uint64_t* words) override;
    QRDDSTATUS ReadSizeArray(std::uint32_t board, std::uint32_t& size, std::uint32_t index) override;
    QRDDSTATUS WriteSemaphore(std::uint32_t board, std::uint32_t code, std::uint32_t direction,
                              std::uint32_t stream) override;
    QRDDSTATUS WriteFirstLast(std::uint32_t board, std::uint32_t value, std::uint32_t stream,
                              std::uint32_t which) override;
    QRDDSTATUS ReadFirstLast(std::uint32_t board, std::uint32_t& value, std::uint32_t stream,
                             std::uint32_t which) override;
    QRDDSTATUS WriteLoopFlag(std::uint32_t board, std::uint32_t on, std::uint32_t stream) override;
    QRDDSTATUS WriteLoopTime(std::uint32_t board, int passes, std::uint32_t stream) override;
    QRDDSTATUS WriteInputFilename(std::uint32_t board, const char* name, std::uint32_t slot) override;
    QRDDSTATUS WriteInputFilenameOffset(std::uint32_t board, std::uint32_t endHigh, std::uint32_t endLow,
                                        std::uint32_t startHigh, std::uint32_t startLow, std::uint32_t slot) override;
    QRDDSTATUS WriteInputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t slot) override;
    QRDDSTATUS ReadInputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t slot) override;
    QRDDSTATUS WriteOutputFilename(std::uint32_t board, const char* name, std::uint32_t stream) override;
    QRDDSTATUS WriteOutputFilenameReverse(std::uint32_t board, std::uint32_t flags, std::uint32_t stream) override;
    QRDDSTATUS ReadOutputFilenameReverse(std::uint32_t board, std::uint32_t& flags, std::uint32_t stream) override;
    QRDDSTATUS WriteSizeArray(std::uint32_t board, std::uint32_t size, std::uint32_t index) override;
    QRDDSTATUS SetDeviceContext(std::uint32_t board, const std::uint64_t* words) override;
    QRDDSTATUS SendEventHandle(std::uint32_t board, const char* eventName) override;
    QRDDSTATUS ReadSemaphore(std::uint32_t board, std::uint32_t& code, std::uint32_t direction,
                             std::uint32_t stream) override;
    QRDDSTATUS ReadLoopFlag(std::uint32_t board, std::uint32_t& on, std::uint32_t stream) override;
    QRDDSTATUS ReadLoopTime(std::uint32_t board, int& passes, std::uint32_t stream) override;
    QRDDSTATUS ReadInputFilename(std::uint32_t board, char* name, std::uint32_t slot) override;
    QRDDSTATUS ReadInputFilenameOffset(std::uint32_t board, std::uint32_t& endHigh, std::uint32_t& endLow,
                                       std::uint32_t& startHigh, std::uint32_t& startLow, std::uint32_t slot) override;
    QRDDSTATUS ReadOutputFilename(std::uint32_t board, char* name, std::uint32_t stream) override;
    void Pause(int milliseconds) override;
};

// The driver every export uses.
BoardDriver& ActiveDriver();

// Installs `driver` (not owned) for every later call and returns the previous one; null restores
// the driver library.
BoardDriver* SetBoardDriver(BoardDriver* driver);

// How long mwr, mrd, mwrblk and mquit keep repeating a failing driver call before they give up.
inline constexpr int kRetryLimitMs = 2000;

// Repeats a driver call on `board` until it reports success, with short sleeps, for at most
// kRetryLimitMs; false when it never succeeded. A board that has just used up a whole wait gets a
// single try per call until one succeeds again: a board that went away costs its caller one wait,
// not one per command.
bool RetryUntilOk(std::uint32_t board, const std::function<QRDDSTATUS()>& call);

}  // namespace ruvent
