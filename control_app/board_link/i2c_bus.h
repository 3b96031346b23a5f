// The board's I2C bus, bit by bit through register 0xFC0A08 (bit 0 clock, bit 1 data, bits 16
// and 17 drive enables). Writes go straight to the register; reads run the same bus through
// "mwr"/"mrd" command lines, so they appear in the command log.
#pragma once

#include <cstdint>

#include "board_commands/command_words.h"
#include "board_library.h"

namespace velmar {

class BoardLink;

inline constexpr std::uint32_t kI2cRegister = board_commands::kI2cRegister;

// The bus's pacing: microsecond busy waits and millisecond sleeps.
class BusTiming {
public:
    virtual ~BusTiming() = default;
    // Waits (n & 0xFF) microseconds.
    virtual void DelayMicroseconds(int n) = 0;
    virtual void SleepMs(int milliseconds) = 0;
};

// Spins on the performance counter, as the bus's timing needs.
class SystemBusTiming : public BusTiming {
public:
    void DelayMicroseconds(int n) override;
    void SleepMs(int milliseconds) override;
};

// buffer[0] is the 8-bit bus address with the write bit, then the data bytes. Returns the last
// value read from the register (the final acknowledge).
std::uint32_t I2cWrite(BoardRegisters& registers, BusTiming& timing, const std::uint8_t* buffer, int length);

// buffer[0] is the bus address with the read bit; bytes 1 to length-1 are filled from the bus.
// Returns the last value read.
std::uint32_t I2cRead(BoardLink& link, BusTiming& timing, std::uint8_t* buffer, int length);

}  // namespace velmar
