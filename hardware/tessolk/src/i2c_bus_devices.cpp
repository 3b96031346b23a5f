#include "tessolk/i2c_bus_devices.h"

namespace tessolk {
namespace {

constexpr std::uint32_t kClock = 1u << 0;
constexpr std::uint32_t kData = 1u << 1;
constexpr std::uint32_t kDataDriven = 1u << 17;

bool KnownDevice(std::uint8_t address) {
    switch (address & 0xFE) {
        case kEepromAddress:
        case kDspAddress:
        case 0x88:  // video decoder
        case 0x54:  // video encoder
        case 0x9A:  // audio converter
        case 0x40:  // port devices
        case 0x42:
        case kEepromPortAddress:
        case kEepromMemoryAddress:
            return true;
        default:
            return false;
    }
}

// What a device sends when it is read: the EEPROM its status (bit 7 clear: ready), the DSP its
// revision, the EEPROM memory its next byte, the EEPROM's port its state with the data line (bit
// 1) held low by the always ready EEPROM.
std::uint8_t ByteToSend(I2cBusState& bus) {
    switch (bus.device & 0xFE) {
        case kEepromAddress: return 0x00;
        case kDspAddress: return kDspRevision;
        case kEepromMemoryAddress: {
            const std::uint8_t byte = bus.eepromMemory[bus.eepromPointer % kEepromMemoryBytes];
            bus.eepromPointer = static_cast<std::uint16_t>((bus.eepromPointer + 1) % kEepromMemoryBytes);
            return byte;
        }
        case kEepromPortAddress: return static_cast<std::uint8_t>(bus.eepromPort & ~0x02);
        default: return 0xFF;
    }
}

// Bytes after the EEPROM memory's address: the two address bytes, then data that wraps within
// the addressed page, as the part's page buffer does.
void TakeEepromMemoryByte(I2cBusState& bus, std::uint8_t byte) {
    if (bus.bytesInTransfer == 2) {
        bus.eepromPointer = static_cast<std::uint16_t>((byte << 8) % kEepromMemoryBytes);
    } else if (bus.bytesInTransfer == 3) {
        bus.eepromPointer = static_cast<std::uint16_t>(bus.eepromPointer | byte);
    } else {
        bus.eepromMemory[bus.eepromPointer] = byte;
        const std::uint32_t page = bus.eepromPointer & ~(kEepromPageBytes - 1);
        bus.eepromPointer = static_cast<std::uint16_t>(page | ((bus.eepromPointer + 1) & (kEepromPageBytes - 1)));
    }
}

void TakeByte(I2cBusState& bus, std::uint8_t byte, I2cObserver* observer) {
    const bool first = bus.bytesInTransfer++ == 0;
    if (first) {
        bus.device = KnownDevice(byte) ? byte : 0;
        if (bus.device == kDspAddress) bus.dspCodeBytes = 0;
        bus.switchToSend = bus.device != 0 && (byte & 1);
    } else if (bus.device == kEepromAddress && bus.bytesInTransfer == 2) {
        bus.controlByte = byte;
    } else if (bus.device == kDspAddress) {
        ++bus.dspCodeBytes;
    } else if (bus.device == kEepromMemoryAddress) {
        TakeEepromMemoryByte(bus, byte);
    } else if (bus.device == kEepromPortAddress) {
        bus.eepromPort = byte;
    }
    // A device that knows its address acknowledges it and every byte after it.
    bus.deviceHoldsDataLow = bus.device != 0;
    if (observer) observer->OnByte(byte, false, bus.device != 0);
}

void PresentBit(I2cBusState& bus) {
    bus.deviceHoldsDataLow = ((bus.shift << bus.clocks) & 0x80) == 0;
}

void OnRisingClock(I2cBusState& bus, bool data, I2cObserver* observer) {
    if (bus.mode == kI2cReceive && bus.clocks < 8) bus.shift = static_cast<std::uint8_t>((bus.shift << 1) | data);
    // The ninth clock of a device's byte: the host acknowledges by holding the data line low.
    if (bus.mode == kI2cSend && bus.clocks == 8 && observer) observer->OnByte(bus.shift, true, !data);
    ++bus.clocks;
}

void OnFallingClock(I2cBusState& bus, I2cObserver* observer) {
    if (bus.mode == kI2cReceive) {
        if (bus.clocks == 8) {
            TakeByte(bus, bus.shift, observer);
        } else if (bus.clocks >= 9) {
            bus.deviceHoldsDataLow = 0;
            bus.clocks = 0;
            bus.shift = 0;
            if (bus.switchToSend) {
                bus.mode = kI2cSend;
                bus.shift = ByteToSend(bus);
                PresentBit(bus);
            }
        }
        return;
    }
    if (bus.mode == kI2cSend) {
        if (bus.clocks < 8) {
            PresentBit(bus);
        } else if (bus.clocks == 8) {
            bus.deviceHoldsDataLow = 0;  // the host's acknowledge
        } else {
            // The next byte whatever the host answered: the panel's reads release the line for
            // every acknowledge, even between bytes it still wants.
            bus.clocks = 0;
            bus.shift = ByteToSend(bus);
            PresentBit(bus);
        }
    }
}

bool DataLine(const I2cBusState& bus, std::uint32_t hostValue) {
    if (hostValue & kDataDriven) return (hostValue & kData) != 0;
    return !bus.deviceHoldsDataLow;
}

}  // namespace

std::uint32_t I2cBusWrite(I2cBusState& bus, std::uint32_t value, I2cObserver* observer) {
    const bool clockBefore = (bus.lastValue & kClock) != 0;
    const bool dataBefore = DataLine(bus, bus.lastValue);
    const bool clock = (value & kClock) != 0;
    const bool data = DataLine(bus, value);

    if (clockBefore && clock && dataBefore != data) {
        if (!data) {  // start: data falls while the clock is high
            bus.mode = kI2cReceive;
            bus.clocks = 0;
            bus.shift = 0;
            bus.device = 0;
            bus.bytesInTransfer = 0;
            bus.switchToSend = 0;
            if (observer) observer->OnStart();
        } else {  // stop
            bus.mode = kI2cIdle;
            if (observer) observer->OnStop();
        }
        bus.deviceHoldsDataLow = 0;
    } else if (!clockBefore && clock) {
        OnRisingClock(bus, data, observer);
    } else if (clockBefore && !clock) {
        OnFallingClock(bus, observer);
    }
    bus.lastValue = value;
    const bool line = DataLine(bus, value);
    return (value & ~kData) | (line ? kData : 0);
}

}  // namespace tessolk
