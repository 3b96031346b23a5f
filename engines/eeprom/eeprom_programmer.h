// Writing an image into the board's serial EEPROM. Each page goes to the EEPROM (bus address
// 0xA6) in one I2C write; the end of its write cycle is polled on the EEPROM's own two-wire bus,
// which is driven bit by bit through the port device at 0x44 (bit 0 clock, bit 1 data, bit 7
// cleared during an access). Line states are queued and sent up to 107 at a time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "eeprom_image.h"

namespace eeprom {

// The board's I2C bus as the programmer uses it.
class EepromI2c {
public:
    virtual ~EepromI2c() = default;
    // bytes[0] is the bus address (write form), then the data.
    virtual void I2cWrite(const std::vector<std::uint8_t>& bytes) = 0;
    // One byte read from the device whose read address is given.
    virtual std::uint8_t I2cRead(std::uint8_t readAddress) = 0;
};

inline constexpr std::uint8_t kPortAddress = 0x44;
inline constexpr std::uint8_t kPortReadAddress = 0x45;
inline constexpr std::uint8_t kEepromBusAddress = 0xA6;
inline constexpr int kPortQueueStates = 107;
// An EEPROM finishes a page within milliseconds; one that never answers is given this many polls.
inline constexpr int kAcknowledgePolls = 2000;

// The port device's state during one run.
class EepromPortBus {
public:
    explicit EepromPortBus(EepromI2c& bus) : bus_(bus) {}

    void QueuePortByte(std::uint8_t b);
    void FlushPortQueue();
    std::uint8_t ReadPort();
    void SetClockLine(bool high);
    void SetDataLine(bool high);
    void RaiseClock() { SetClockLine(true); }
    void BusStart();
    void BusStop();
    // Sends a byte on the EEPROM's bus; 0 when the device acknowledged it.
    int SendByteAck(std::uint8_t b, bool msbFirst);

    std::uint8_t PortByte = 0;
    std::uint8_t LastPortRead = 0;

private:
    EepromI2c& bus_;
    std::array<std::uint8_t, kPortQueueStates + 1> PortQueue{kPortAddress};
    int PortQueueLength = 1;
};

struct ProgramResult {
    bool ok = true;
    int failedPage = -1;  // the page whose write cycle never ended
};

// `progress` gets the byte count programmed so far before each byte is queued (0 .. 32767).
ProgramResult ProgramEeprom(EepromI2c& bus, const EepromImage& image, const std::function<void(int)>& progress);

}  // namespace eeprom
