// The board's I2C bus as its register 0xFC0A08 shows it: bit 0 the clock, bit 1 the data,
// bits 16 and 17 the host's drive enables of the clock and data lines. The devices on the bus
// (the EEPROM with its control byte at 0x30, the DSP at 0x20, the video and audio converters the
// register tables set up) answer within the write that clocks them, as the wires would: the
// register then reads the data line as the devices drive it.
#pragma once

#include <cstdint>

namespace tessolk {

inline constexpr std::uint8_t kEepromAddress = 0x30;  // 8-bit bus addresses, write form
inline constexpr std::uint8_t kDspAddress = 0x20;
inline constexpr std::uint8_t kDspRevision = 8;
// The serial EEPROM's memory: written a page (64 bytes) at a time after a two-byte address, high
// byte first; read sequentially from the address last written. Its write cycle ends at once, so
// its acknowledge poll, made through the port device at 0x44, always finds it ready.
inline constexpr std::uint8_t kEepromMemoryAddress = 0xA6;
inline constexpr std::uint8_t kEepromPortAddress = 0x44;
inline constexpr std::uint32_t kEepromMemoryBytes = 32768;
inline constexpr std::uint32_t kEepromPageBytes = 64;

struct I2cBusState {
    std::uint32_t lastValue = 3;  // both lines released and high
    std::uint8_t mode = 0;        // I2cMode
    std::uint8_t clocks = 0;      // rising clock edges within the current byte (9 with the acknowledge)
    std::uint8_t shift = 0;       // the byte being received or sent
    std::uint8_t device = 0;      // the addressed device (8-bit form), 0 when none answers
    std::uint8_t bytesInTransfer = 0;
    std::uint8_t deviceHoldsDataLow = 0;
    std::uint8_t switchToSend = 0;
    std::uint8_t controlByte = 0;  // the last byte written to device 0x30
    std::uint32_t dspCodeBytes = 0;  // bytes written to the DSP in its last transfer
    std::uint8_t eepromPort = 0xFF;  // the last state written to the port device at 0x44
    std::uint16_t eepromPointer = 0;  // the EEPROM memory's address counter
    std::uint8_t eepromMemory[kEepromMemoryBytes] = {};
};

enum I2cMode : std::uint8_t { kI2cIdle = 0, kI2cReceive = 1, kI2cSend = 2 };

// What the bus sees as it goes, for those who log it; the devices do not depend on it.
class I2cObserver {
public:
    virtual ~I2cObserver() = default;
    virtual void OnStart() {}
    // A whole byte on the bus: one the host sent (the address first), acknowledged by the device,
    // or one a device sent, acknowledged by the host.
    virtual void OnByte(std::uint8_t byte, bool fromDevice, bool acknowledged) = 0;
    virtual void OnStop() {}
};

// Applies one write of the host to the register; returns the word the register reads afterwards.
// `observer`, when given, hears of the start, each byte with its acknowledge, and the stop.
std::uint32_t I2cBusWrite(I2cBusState& bus, std::uint32_t value, I2cObserver* observer = nullptr);

}  // namespace tessolk
