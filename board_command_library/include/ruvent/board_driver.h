// The one narrow path from the command library to the board. The exports never call the driver
// library directly: they call the active BoardDriver, which is the driver library itself
// (TessolkDriver) unless a test installs another (the recording fake).
#pragma once

#include <cstdint>

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
    void Pause(int milliseconds) override;
};

// The driver every export uses.
BoardDriver& ActiveDriver();

// Installs `driver` (not owned) for every later call and returns the previous one; null restores
// the driver library.
BoardDriver* SetBoardDriver(BoardDriver* driver);

// Repeats a driver call until it reports success.
template <typename Call>
void RetryUntilOk(Call call) {
    while (call() != kQrddOk) {
    }
}

}  // namespace ruvent
