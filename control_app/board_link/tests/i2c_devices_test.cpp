// The panel's I2C routines against the board's own bus devices, wire for wire.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "board_link/board_link.h"
#include "board_link/i2c_bus.h"
#include "tessolk/i2c_bus_devices.h"

namespace velmar {
namespace {

// The register 0xFC0A08 of a board, reached directly and through "mwr"/"mrd" lines.
struct BusBoard : BoardRegisters, BoardLibrary, BusTiming {
    tessolk::I2cBusState bus;
    std::uint32_t registerValue = 3;

    std::uint32_t Read32(std::uint32_t) override { return registerValue; }
    void Write32(std::uint32_t, std::uint32_t value) override { registerValue = tessolk::I2cBusWrite(bus, value); }
    int Call(BoardExport which, int argc, char** argv) override {
        if (which == BoardExport::Mwr && argc == 3) Write32(0, static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 0)));
        if (which == BoardExport::Mrd) return static_cast<int>(registerValue);
        return 0;
    }
    void DelayMicroseconds(int) override {}
    void SleepMs(int) override {}
};

TEST(I2cDevices, EepromIsReadyAndTheDspReportsItsRevision) {
    BusBoard board;
    BoardWindow window = BoardWindow::Demo();
    BoardLink link(board, window, board_commands::BoardNumber::First(), LinkKind::Playback, false);

    std::uint8_t eeprom[2] = {0x31, 0xFF};
    const std::uint32_t ack = I2cRead(link, board, eeprom, 2);
    EXPECT_EQ(eeprom[1] & 0x80, 0);
    EXPECT_EQ(ack & 2u, 2u);  // the host's closing acknowledge finds the line released

    std::uint8_t dsp[2] = {0x21, 0};
    I2cRead(link, board, dsp, 2);
    EXPECT_EQ(dsp[1], 8);
}

TEST(I2cDevices, WritesAreAcknowledgedAndReachTheirDevice) {
    BusBoard board;
    const std::uint8_t control[] = {0x30, 0x41};
    EXPECT_EQ(I2cWrite(board, board, control, 2) & 2u, 0u);  // acknowledged: data held low
    EXPECT_EQ(board.bus.controlByte, 0x41);

    const std::uint8_t code[] = {0x20, 0x11, 0x22, 0x33};
    I2cWrite(board, board, code, 4);
    EXPECT_EQ(board.bus.dspCodeBytes, 3u);

    const std::uint8_t nobody[] = {0x70, 0x01};
    EXPECT_EQ(I2cWrite(board, board, nobody, 2) & 2u, 2u);  // no device: no acknowledge
    EXPECT_EQ(board.bus.mode, tessolk::kI2cIdle);
}

}  // namespace
}  // namespace velmar
