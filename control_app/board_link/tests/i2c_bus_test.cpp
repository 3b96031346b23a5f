#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_link/board_link.h"
#include "board_link/i2c_bus.h"
#include "recording_board_library.h"

namespace velmar {
namespace {

// Writes, reads and delays in the order they happened.
struct BusTrace : BoardRegisters, BusTiming {
    std::vector<std::string> events;
    std::uint32_t readValue = 0;

    std::uint32_t Read32(std::uint32_t address) override {
        events.push_back("r" + std::to_string(address == kI2cRegister));
        return readValue;
    }
    void Write32(std::uint32_t address, std::uint32_t value) override {
        char text[32];
        std::snprintf(text, sizeof text, "w%s%x", address == kI2cRegister ? "" : "?", value);
        events.emplace_back(text);
    }
    void DelayMicroseconds(int n) override { events.push_back("d" + std::to_string(n)); }
    void SleepMs(int ms) override { events.push_back("s" + std::to_string(ms)); }
};

std::string Join(const std::vector<std::string>& events, std::size_t from, std::size_t count) {
    std::string text;
    for (std::size_t i = from; i < from + count && i < events.size(); ++i) text += events[i] + " ";
    return text;
}

TEST(I2cWrite, ShiftsEachByteOutMsbFirstBetweenStartAndStop) {
    BusTrace bus;
    bus.readValue = 0x30003;
    const std::uint8_t bytes[] = {0x80};  // one address byte: bit 7 set, the rest clear
    EXPECT_EQ(I2cWrite(bus, bus, bytes, 1), 0x30003u);
    // start
    EXPECT_EQ(Join(bus.events, 0, 4), "w3 w30001 d5 w30000 ");
    // bit 7 = 1 drives data high
    EXPECT_EQ(Join(bus.events, 4, 6), "d2 w30002 d3 w30003 d5 w30002 ");
    // bit 6 = 0
    EXPECT_EQ(Join(bus.events, 10, 6), "d2 w30000 d3 w30001 d5 w30000 ");
    // acknowledge after the eighth bit, then the stop and the closing sleep
    EXPECT_EQ(Join(bus.events, 4 + 8 * 6, 7), "d2 w10000 d3 w10001 r1 d5 w10000 ");
    EXPECT_EQ(Join(bus.events, 4 + 8 * 6 + 7, 10), "d2 w30000 d3 w30001 d2 w30003 d3 w3 d10 s1 ");
    EXPECT_EQ(bus.events.size(), 4u + 8 * 6 + 7 + 10);
}

TEST(I2cRead, SamplesDataBitOneThroughCommandLines) {
    testing_support::RecordingBoardLibrary library;
    BoardWindow window = BoardWindow::Demo();
    BoardLink link(library, window, board_commands::BoardNumber::First(), LinkKind::Playback, false);
    // The device answers 0xA5: each "mrd" during a data bit gives the next bit in bit 1.
    const std::uint8_t answer = 0xA5;
    int bitReads = 0;
    library.answer = [&](const testing_support::RecordedCall& call) -> int {
        if (call.which != BoardExport::Mrd) return 0;
        const auto& previous = library.calls[library.calls.size() - 2].argv;
        const bool dataBit = previous.size() == 3 && previous[2] == "0x10000";
        if (!dataBit) return 0;  // acknowledge
        const int bit = (answer >> (7 - bitReads++ % 8)) & 1;
        return bit << 1;
    };
    BusTrace timing;
    std::uint8_t buffer[3] = {0xA1, 0, 0};
    I2cRead(link, timing, buffer, 3);
    EXPECT_EQ(buffer[1], 0xA5);
    EXPECT_EQ(buffer[2], 0xA5);
    EXPECT_EQ(library.calls[0].Joined(), "mwr|0xfc0a08|0x00003");
    EXPECT_EQ(library.calls[1].Joined(), "mwr|0xfc0a08|0x30001");
    EXPECT_EQ(library.calls.back().Joined(), "mwr|0xfc0a08|0x00003");
}

}  // namespace
}  // namespace velmar
