#include "i2c_bus.h"

#include "board_commands/command_lines.h"
#include "board_link.h"
#include "platform/kernel.h"

namespace velmar {
namespace {

// Drive values of the register: enables in bits 16-17, data in bit 1, clock in bit 0.
constexpr std::uint32_t kBothDriven = 0x30000;
constexpr std::uint32_t kClockDrivenOnly = 0x10000;

// The two ways of reaching the lines: the driver's register access, or command lines.
class BusLines {
public:
    virtual ~BusLines() = default;
    virtual void Write(std::uint32_t value) = 0;
    virtual std::uint32_t Read() = 0;
};

class RegisterLines : public BusLines {
public:
    explicit RegisterLines(BoardRegisters& registers) : registers_(registers) {}
    void Write(std::uint32_t value) override { registers_.Write32(kI2cRegister, value); }
    std::uint32_t Read() override { return registers_.Read32(kI2cRegister); }

private:
    BoardRegisters& registers_;
};

class CommandLines : public BusLines {
public:
    explicit CommandLines(BoardLink& link) : link_(link) {}
    void Write(std::uint32_t value) override { link_.SendCommand(board_commands::WriteI2cLines(value)); }
    std::uint32_t Read() override { return static_cast<std::uint32_t>(link_.SendCommand(board_commands::ReadI2cLines())); }

private:
    BoardLink& link_;
};

void Start(BusLines& lines, BusTiming& timing) {
    lines.Write(3);
    lines.Write(kBothDriven | 1);
    timing.DelayMicroseconds(5);
    lines.Write(kBothDriven);
}

std::uint32_t Acknowledge(BusLines& lines, BusTiming& timing) {
    timing.DelayMicroseconds(2);
    lines.Write(kClockDrivenOnly);
    timing.DelayMicroseconds(3);
    lines.Write(kClockDrivenOnly | 1);
    const std::uint32_t value = lines.Read();
    timing.DelayMicroseconds(5);
    lines.Write(kClockDrivenOnly);
    return value;
}

std::uint32_t SendByte(BusLines& lines, BusTiming& timing, std::uint8_t byte) {
    for (int bit = 7; bit >= 0; --bit) {
        const std::uint32_t data = ((byte >> bit) & 1u) << 1;
        timing.DelayMicroseconds(2);
        lines.Write(kBothDriven | data);
        timing.DelayMicroseconds(3);
        lines.Write(kBothDriven | data | 1);
        timing.DelayMicroseconds(5);
        lines.Write(kBothDriven | data);
    }
    return Acknowledge(lines, timing);
}

std::uint8_t ReceiveByte(BusLines& lines, BusTiming& timing) {
    std::uint8_t byte = 0;
    for (int bit = 7; bit >= 0; --bit) {
        timing.DelayMicroseconds(2);
        lines.Write(kClockDrivenOnly);
        timing.DelayMicroseconds(3);
        byte = static_cast<std::uint8_t>((byte << 1) | ((lines.Read() >> 1) & 1u));
        timing.DelayMicroseconds(5);
        lines.Write(kClockDrivenOnly | 1);
        lines.Write(kClockDrivenOnly);
    }
    return byte;
}

void Stop(BusLines& lines, BusTiming& timing) {
    timing.DelayMicroseconds(2);
    lines.Write(kBothDriven);
    timing.DelayMicroseconds(3);
    lines.Write(kBothDriven | 1);
    timing.DelayMicroseconds(2);
    lines.Write(kBothDriven | 3);
    timing.DelayMicroseconds(3);
    lines.Write(3);
    timing.DelayMicroseconds(10);
}

}  // namespace

void SystemBusTiming::DelayMicroseconds(int n) {
    const std::int64_t wait = (n & 0xFF) * (platform::kPerformanceFrequency / 1'000'000);
    const std::int64_t start = platform::PerformanceCounter();
    while (platform::PerformanceCounter() - start < wait) {
    }
}

void SystemBusTiming::SleepMs(int milliseconds) { platform::SleepMs(milliseconds); }

std::uint32_t I2cWrite(BoardRegisters& registers, BusTiming& timing, const std::uint8_t* buffer, int length) {
    RegisterLines lines(registers);
    std::uint32_t last = 0;
    Start(lines, timing);
    for (int i = 0; i < length; ++i) last = SendByte(lines, timing, buffer[i]);
    Stop(lines, timing);
    timing.SleepMs(1);
    return last;
}

std::uint32_t I2cRead(BoardLink& link, BusTiming& timing, std::uint8_t* buffer, int length) {
    CommandLines lines(link);
    Start(lines, timing);
    std::uint32_t last = length > 0 ? SendByte(lines, timing, buffer[0]) : 0;
    for (int i = 1; i < length; ++i) {
        buffer[i] = ReceiveByte(lines, timing);
        last = Acknowledge(lines, timing);
    }
    Stop(lines, timing);
    return last;
}

}  // namespace velmar
