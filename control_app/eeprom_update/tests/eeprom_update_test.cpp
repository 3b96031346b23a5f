// The EEPROM update: image checks, the exact I2C traffic over a recording bus, and a whole image
// written through the panel's I2C routines into the software board's EEPROM and read back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "board_link/board_link.h"
#include "board_link/i2c_bus.h"
#include "eeprom/eeprom_programmer.h"
#include "eeprom_update/eeprom_update_dlg.h"
#include "tessolk/i2c_bus_devices.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui/testing/fake_form_view.h"
#include "velmar_ui/testing/fake_ui_services.h"

using namespace eeprom;

namespace {

EepromImage Sample() {
    EepromImage image{};
    for (int i = 0; i < kEepromBytes; ++i) image[std::size_t(i)] = std::uint8_t(i * 13 + i / 64);
    image[0] = 0x01, image[1] = 0xF0, image[2] = 0xA5;
    return image;
}

struct RecordingBus : EepromI2c {
    std::vector<std::vector<std::uint8_t>> writes;
    std::vector<std::uint8_t> reads;
    int busyPolls = 0;  // reads that find the EEPROM still busy (data line high)
    void I2cWrite(const std::vector<std::uint8_t>& bytes) override { writes.push_back(bytes); }
    std::uint8_t I2cRead(std::uint8_t address) override {
        reads.push_back(address);
        return busyPolls-- > 0 ? 0x02 : 0x00;
    }
};

using Bytes = std::vector<std::uint8_t>;

}  // namespace

TEST(EepromImage, TakesOneDigitStreamOr512LinesAndRefusesAnythingElse) {
    const auto image = Sample();
    const std::string lines = FormatEepromImage(image);
    std::string stream;
    for (char c : lines)
        if (c != '\n') stream.push_back(c);
    std::string crlf;
    for (char c : lines) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    // Trailing white space (a final line end, a blank line) follows either layout.
    for (const std::string& good : {lines, stream, crlf, lines.substr(0, lines.size() - 1), stream + "\n",
                                    stream + "\r\n", lines + "\n", crlf + "\r\n \t\n"})
        EXPECT_EQ(ParseEepromImage(good), image);
    std::string lowercase = stream;
    for (char& c : lowercase) c = char(std::tolower(c));
    EXPECT_EQ(ParseEepromImage(lowercase), image);

    std::string shortLine = lines;
    shortLine.erase(5, 1);  // first line 127 digits, the image one digit short
    std::string longLine = lines;
    longLine.insert(5, "0");
    std::string stray = lines;
    stray[200] = 'g';
    const std::string missingLine = lines.substr(0, lines.size() - 129);
    const std::string extraLine = lines + lines.substr(0, 129);
    for (const std::string& bad : {shortLine, longLine, stray, missingLine, extraLine, std::string(), " " + stream,
                                   lines + "\n0\n"})
        EXPECT_FALSE(ParseEepromImage(bad));
    EXPECT_EQ(ReverseBits(0x01), 0x80);
    EXPECT_EQ(ReverseBits(0xF0), 0x0F);
    EXPECT_EQ(ReverseBits(0xA5), 0xA5);
}

TEST(EepromProgrammer, SendsThePagesAndPollsThroughThePortDevice) {
    RecordingBus bus;
    std::vector<int> progress;
    const auto result = ProgramEeprom(bus, Sample(), [&](int bytes) { progress.push_back(bytes); });
    ASSERT_TRUE(result.ok);
    const std::vector<Bytes> preparation = {{0x40, 0x8A}, {0x42, 0x9F}, {0x44, 0x03},
                                            {0x44, 0x01}, {0x44, 0x03}, {0x44, 0x83}};
    ASSERT_GT(bus.writes.size(), 12u);
    EXPECT_EQ(std::vector<Bytes>(bus.writes.begin(), bus.writes.begin() + 6), preparation);
    // Page 0: bit 7 of the port cleared, the EEPROM's port switched, the page, and back.
    EXPECT_EQ(bus.writes[6], (Bytes{0x44, 0x03}));
    EXPECT_EQ(bus.writes[7], (Bytes{0x42, 0xFF}));
    ASSERT_EQ(bus.writes[8].size(), 67u);
    EXPECT_EQ(Bytes(bus.writes[8].begin(), bus.writes[8].begin() + 6), (Bytes{0xA6, 0x00, 0x00, 0x80, 0x0F, 0xA5}));
    EXPECT_EQ(bus.writes[9], (Bytes{0x42, 0x9F}));
    // The poll: start (4 states) and 0xA6 bit by bit (3 states a bit, 2 for the acknowledge),
    // sent in one write before the port is read.
    const Bytes poll = {0x44, 0x03, 0x03, 0x01, 0x00,  // data high, clock high, data low, clock low
                        0x02, 0x03, 0x02,              // 1
                        0x00, 0x01, 0x00,              // 0
                        0x02, 0x03, 0x02,              // 1
                        0x00, 0x01, 0x00,              // 0
                        0x00, 0x01, 0x00,              // 0
                        0x02, 0x03, 0x02,              // 1
                        0x02, 0x03, 0x02,              // 1
                        0x00, 0x01, 0x00,              // 0
                        0x02, 0x03};                   // released data line, clock high
    EXPECT_EQ(bus.writes[10], poll);
    EXPECT_EQ(bus.writes[11], (Bytes{0x44, 0x83}));  // bit 7 set again; the stop states wait in the queue
    EXPECT_EQ(bus.writes[12], (Bytes{0x44, 0x03}));
    // Page 511 is addressed 7F C0; the last writes put the port back.
    const Bytes* last = nullptr;
    for (const auto& w : bus.writes)
        if (w.size() == 67) last = &w;
    ASSERT_TRUE(last);
    EXPECT_EQ((*last)[1], 0x7F);
    EXPECT_EQ((*last)[2], 0xC0);
    EXPECT_EQ(bus.writes.back(), (Bytes{0x44, 0x97, 0xB7}));
    // The last page's clock-low and stop states reach the port only with this final flush.
    EXPECT_EQ(bus.writes[bus.writes.size() - 2], (Bytes{0x44, 0x02, 0x00, 0x01, 0x03}));
    EXPECT_EQ(bus.reads.size(), 512u);
    EXPECT_EQ(progress.size(), 32768u);
    EXPECT_EQ(progress.back(), 32767);
}

TEST(EepromProgrammer, QueuesAtMost107StatesAndGivesUpOnASilentEeprom) {
    RecordingBus queue;
    EepromPortBus port(queue);
    for (int i = 0; i < 250; ++i) port.QueuePortByte(std::uint8_t(i));
    ASSERT_EQ(queue.writes.size(), 2u);  // two full queues: the address and 107 states each
    EXPECT_EQ(queue.writes[0].size(), 108u);
    EXPECT_EQ(queue.writes[1][1], 107);
    port.FlushPortQueue();
    port.FlushPortQueue();  // nothing left: no empty write
    ASSERT_EQ(queue.writes.size(), 3u);
    EXPECT_EQ(queue.writes[2].size(), 1u + 250 - 214);

    RecordingBus busy;
    busy.busyPolls = 6;  // the first page's write cycle takes a while
    ASSERT_TRUE(ProgramEeprom(busy, Sample(), {}).ok);
    EXPECT_EQ(busy.reads.size(), 512u + 6);

    RecordingBus silent;
    silent.busyPolls = 1 << 30;
    const auto result = ProgramEeprom(silent, Sample(), {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedPage, 0);
    EXPECT_EQ(int(silent.reads.size()), kAcknowledgePolls);
    int pages = 0;
    for (const auto& w : silent.writes) pages += w.size() == 67;
    EXPECT_EQ(pages, 1);
    EXPECT_EQ(silent.writes.back(), (Bytes{0x44, 0x97, 0xB7}));
}

namespace {

// The board's I2C register driving the software board's bus devices, as in the other bus tests.
struct BusBoard : velmar::BoardRegisters, velmar::BoardLibrary, velmar::BusTiming {
    tessolk::I2cBusState bus;
    std::uint32_t registerValue = 3;
    std::uint32_t Read32(std::uint32_t) override { return registerValue; }
    void Write32(std::uint32_t, std::uint32_t value) override { registerValue = tessolk::I2cBusWrite(bus, value); }
    int Call(velmar::BoardExport which, int argc, char** argv) override {
        if (which == velmar::BoardExport::Mwr && argc == 3)
            Write32(0, static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 0)));
        if (which == velmar::BoardExport::Mrd) return static_cast<int>(registerValue);
        return 0;
    }
    void DelayMicroseconds(int) override {}
    void SleepMs(int) override {}
};

struct PanelBus : EepromI2c {
    BusBoard& board;
    velmar::BoardLink& link;
    PanelBus(BusBoard& b, velmar::BoardLink& l) : board(b), link(l) {}
    void I2cWrite(const std::vector<std::uint8_t>& bytes) override {
        velmar::I2cWrite(board, board, bytes.data(), int(bytes.size()));
    }
    std::uint8_t I2cRead(std::uint8_t address) override {
        std::uint8_t buffer[2] = {address, 0};
        velmar::I2cRead(link, board, buffer, 2);
        return buffer[1];
    }
};

}  // namespace

TEST(EepromUpdate, AnImageWrittenToTheSoftwareBoardReadsBackEqual) {
    auto board = std::make_unique<BusBoard>();
    velmar::BoardWindow window = velmar::BoardWindow::Demo();
    velmar::BoardLink link(*board, window, board_commands::BoardNumber::First(), velmar::LinkKind::Playback, false);
    PanelBus bus(*board, link);

    const std::string dir = velmar_testing::TempDir();
    const auto image = Sample();
    std::ofstream(dir + "/velmar.hex") << FormatEepromImage(image);
    std::ofstream(dir + "/broken.hex") << FormatEepromImage(image).substr(1);

    velmar_ui::testing::FakeFormView view(velmar::EepromUpdateForm());
    velmar_ui::testing::FakeUiServices ui;
    // A malformed image and a missing one: refused before the board is touched.
    for (const std::string name : {"/broken.hex", "/missing.hex"}) {
        velmar::CEepromUpdateDlg dlg(view, ui, bus, dir + name);
        dlg.OnInitDialog();
        EXPECT_TRUE(dlg.OnOK());
        EXPECT_FALSE(dlg.Programmed());
        EXPECT_FALSE(dlg.WroteEeprom());
    }
    ASSERT_EQ(ui.Boxes().size(), 2u);
    EXPECT_EQ(ui.Boxes()[1].text, "Can't find file .hex");
    EXPECT_EQ(board->bus.bytesInTransfer, 0) << "nothing went to the bus";

    velmar::CEepromUpdateDlg dlg(view, ui, bus, dir + "/velmar.hex");
    dlg.OnInitDialog();
    EXPECT_FALSE(dlg.WroteEeprom());  // a Cancel now would leave nothing to restart for
    EXPECT_TRUE(dlg.OnOK());
    EXPECT_TRUE(dlg.Programmed());
    EXPECT_TRUE(dlg.WroteEeprom());
    EXPECT_EQ(view.Text(velmar::kEepromText), "Bytes Programmed = 32767 / 32768");
    EXPECT_EQ(view.Position(velmar::kEepromProgress), 32767);

    // Read it back through the bus: the address, then every byte in one sequential read.
    const std::uint8_t address[] = {0xA6, 0x00, 0x00};
    velmar::I2cWrite(*board, *board, address, 3);
    std::vector<std::uint8_t> back(kEepromBytes + 1);
    back[0] = 0xA7;
    velmar::I2cRead(link, *board, back.data(), int(back.size()));
    for (int i = 0; i < kEepromBytes; ++i)
        ASSERT_EQ(back[std::size_t(i) + 1], ReverseBits(image[std::size_t(i)])) << "byte " << i;
}
