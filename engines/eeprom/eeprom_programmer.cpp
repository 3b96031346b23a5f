#include "eeprom_programmer.h"

namespace eeprom {

void EepromPortBus::QueuePortByte(std::uint8_t b) {
    PortQueue[std::size_t(PortQueueLength++)] = b;
    if (PortQueueLength == kPortQueueStates + 1) FlushPortQueue();
}

void EepromPortBus::FlushPortQueue() {
    if (PortQueueLength <= 1) return;
    PortQueue[0] = kPortAddress;
    bus_.I2cWrite({PortQueue.begin(), PortQueue.begin() + PortQueueLength});
    PortQueueLength = 1;
}

std::uint8_t EepromPortBus::ReadPort() { return bus_.I2cRead(kPortReadAddress); }

void EepromPortBus::SetClockLine(bool high) {
    PortByte = std::uint8_t(high ? PortByte | 0x01 : PortByte & ~0x01);
    QueuePortByte(PortByte);
}

void EepromPortBus::SetDataLine(bool high) {
    PortByte = std::uint8_t(high ? PortByte | 0x02 : PortByte & ~0x02);
    QueuePortByte(PortByte);
}

void EepromPortBus::BusStart() {
    SetDataLine(true);
    SetClockLine(true);
    SetDataLine(false);
    SetClockLine(false);
}

void EepromPortBus::BusStop() {
    SetDataLine(false);
    SetClockLine(true);
    SetDataLine(true);
}

int EepromPortBus::SendByteAck(std::uint8_t b, bool msbFirst) {
    for (int i = 0; i < 8; ++i) {
        const int bit = msbFirst ? 7 - i : i;
        SetDataLine((b >> bit) & 1);
        RaiseClock();
        SetClockLine(false);
    }
    SetDataLine(true);
    RaiseClock();
    FlushPortQueue();
    LastPortRead = ReadPort();
    SetClockLine(false);
    return (LastPortRead >> 1) & 1;
}

namespace {

bool WriteEepromPage(EepromI2c& bus, EepromPortBus& port, int k, const std::uint8_t* data,
                     const std::function<void(int)>& progress) {
    port.PortByte &= 0x7F;
    bus.I2cWrite({kPortAddress, port.PortByte});
    bus.I2cWrite({0x42, 0xFF});
    std::vector<std::uint8_t> packet{kEepromBusAddress, std::uint8_t(k >> 2), std::uint8_t((k << 6) & 0xFF)};
    for (int i = 0; i < kPageBytes; ++i) {
        if (progress) progress(k * kPageBytes + i);
        packet.push_back(ReverseBits(data[i]));
    }
    bus.I2cWrite(packet);
    bus.I2cWrite({0x42, 0x9F});
    bool acknowledged = false;
    for (int poll = 0; poll < kAcknowledgePolls && !acknowledged; ++poll) {
        port.BusStart();
        acknowledged = port.SendByteAck(kEepromBusAddress, true) == 0;
    }
    port.BusStop();
    port.PortByte |= 0x80;
    bus.I2cWrite({kPortAddress, port.PortByte});
    return acknowledged;
}

}  // namespace

ProgramResult ProgramEeprom(EepromI2c& bus, const EepromImage& image, const std::function<void(int)>& progress) {
    EepromPortBus port(bus);
    for (const auto& write : std::initializer_list<std::vector<std::uint8_t>>{
             {0x40, 0x8A}, {0x42, 0x9F}, {0x44, 0x03}, {0x44, 0x01}, {0x44, 0x03}, {0x44, 0x83}})
        bus.I2cWrite(write);
    port.PortByte = 0x83;
    ProgramResult result;
    for (int k = 0; k < kPages; ++k) {
        if (!WriteEepromPage(bus, port, k, image.data() + k * kPageBytes, progress)) {
            // An EEPROM that stops answering takes no more pages; the port is still put back.
            result = {false, k};
            break;
        }
    }
    port.FlushPortQueue();
    port.QueuePortByte(0x97);
    port.QueuePortByte(0xB7);
    port.FlushPortQueue();
    return result;
}

}  // namespace eeprom
