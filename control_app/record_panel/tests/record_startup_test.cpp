// Record panel start-up text for text per record mode and TV standard, the input, audio source
// and reference settings, and the encoder controls' loading and change handling.
#include <gtest/gtest.h>

#include <fstream>

#include "record_fixture.h"

namespace velmar {
namespace {

using namespace record_testing;
using namespace record_ids;

// The command log's lines without their counters, I2C reads and the service thread's line.
Lines LoggedLines(const std::string& path) {
    std::ifstream file(path);
    Lines lines;
    std::string line;
    while (std::getline(file, line)) {
        const std::string text = line.size() > 9 ? line.substr(9) : "";
        if (text.rfind("mdaemon", 0) == 0 || text.find("0xfc0a08") != std::string::npos) continue;
        lines.push_back(text);
    }
    return lines;
}

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Lines kAfterMicrocode = {
    "mwr 0x40038 0x1",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003203E8 0x00000000 0x0000000",
    "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003403E8 0x00000000 0x0000000",
    "mwcmd -s 0xffffffff 0xA10B0002 14 16",
    "mwcmd -s 0xffffffff 0xc1190002 0 0",
    "mwcmd -p 0x0 0xd0107  0x01010000 0x01000101 0xbb80 0x0 0x010001 0x0 0x0",
    "mwcmd -s 0xffffffff 0xb1150004 0 0 0 1",
    "mwcmd -s 0xffffffff 0x00090004 0x01010001 0x004003E8 0x00000000 0x8a000000",
};
const Lines kMode420Registers = {"mwr 0x7e9a00 0x0", "mwr 0x7e9b00 0x0", "mwr 0x40030 0x0",
                                 "mwrblk -fill 0x0 0x40000 0x4003f"};

TEST(RecordStartUp, CommandLinesPerModeAndStandard) {
    struct Case {
        int mode;
        bool pal;
        Lines lines;
    };
    const Case cases[] = {
        {0, false, Concat({{"mquit", "mreset"}, kMode420Registers, {"mld -first ucode\\single_nle.ux"}})},
        {0, true, Concat({{"mquit", "mreset"}, kMode420Registers, {"mld -first ucode\\single_pal_nle.ux"}})},
        {1, false,
         {"mquit", "mreset", "mwrblk -fill 0x0 0x40000 0x4003f", "mwr 0x410c0 0x0", "mwr 0x411c0 0x0",
          "mwr 0x40030 0x0", "mwrblk -fill 0x0 0x40000 0x4003f", "mld -first ucode\\single422_nle.ux"}},
        {1, true,
         {"mquit", "mreset", "mwrblk -fill 0x0 0x40000 0x4003f", "mwr 0x410c0 0x0", "mwr 0x411c0 0x0",
          "mwr 0x40030 0x0", "mwrblk -fill 0x0 0x40000 0x4003f", "mld -first ucode\\single422_pal_nle.ux"}},
        {4, false, Concat({{"mquit", "mreset"}, kMode420Registers, {"mld -first ucode\\single_mpeg1.ux"}})},
        {4, true, Concat({{"mquit", "mreset"}, kMode420Registers, {"mld -first ucode\\single_mpeg1_pal.ux"}})},
        // An unknown mode loads no microcode but still starts the service loop.
        {7, false, {"mquit", "mreset"}},
    };
    for (const Case& c : cases) {
        RecordFixture f;
        f.SetKey("LOGFILER", "record.log");
        f.SetKey("RECMODE", std::to_string(c.mode));
        f.SetKey("PALMODE", c.pal ? "1" : "0");
        f.StartUp();
        Lines expected = Concat({c.lines, kAfterMicrocode});
        // The 4:2:2 encoder starts at the base vertical size; the others carry no such word.
        EXPECT_EQ(LoggedLines("record.log"), expected) << "mode " << c.mode << (c.pal ? " PAL" : " NTSC");
        EXPECT_EQ(f.panel->GetTimerState(), TimerState::Idle);
        EXPECT_EQ(f.panel->Link()->GetDaemonState(), DaemonState::Running);
        EXPECT_TRUE(f.view.Flat(c.pal ? kPal : kNtsc));
        EXPECT_EQ(f.view.Flat(kMode422), c.mode == 1);
        EXPECT_EQ(f.view.Flat(kModeMpeg1), c.mode == 4);
        EXPECT_TRUE(f.view.Checked(kFrameRadio));
        EXPECT_TRUE(f.view.Flat(kStopVideo));
        EXPECT_EQ(f.view.Range(kCompressFieldsSpin), (velmar_ui::IntRange{0, 2304}));
    }
}

TEST(RecordStartUp, StoredSettingsAndTheBusWrites) {
    RecordFixture f;
    f.SetKey("RSTOPREF", "1");
    f.SetKey("RAUDRATE", "32");
    f.SetKey("LINKRAUD", "1");
    f.SetKey("RECREFA", "5");
    f.SetKey("AUDVOL", "3");
    f.StartUp();
    const Lines sent = f.Sent();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "mwcmd -s 0xffffffff 0xb1150004 0 0 0 1"), 0);
    EXPECT_FALSE(f.view.Checked(kRef));
    EXPECT_TRUE(f.view.Checked(kTbc));
    EXPECT_TRUE(f.view.Checked(kRate32));
    EXPECT_TRUE(f.view.Checked(kLinkAudio));
    EXPECT_EQ(f.panel->Port40() & 3, 0);
    EXPECT_EQ(sent.back(), "mwcmd -s 0xffffffff 0x00090004 0x01010001 0x004003E8 0x00000000 0x88000000");
    // The stored audio source's button alone is checked.
    EXPECT_TRUE(f.view.Checked(kAudioDigital));
    EXPECT_FALSE(f.view.Checked(kAudioAnalog));
    EXPECT_TRUE(f.board.writes.messages.size() > 0);
    // After the table and DSP code: the audio source, then C-Video's input writes.
    const auto& m = f.board.writes.messages;
    const std::vector<Bytes> tail(m.end() - 12, m.end());
    EXPECT_EQ(tail, (std::vector<Bytes>{
                        {0x36, 5}, {0x38, 0}, {0x3A, 0}, {0x3C, 0}, {0x3E, 0}, {0x42, 0x9F}, {0x40, 0x8A},
                        {0x48, 0x02, 0xD8, 0x23, 0, 0, 0, 0x10, 0x48, 0x18, 0x79, 0x43, 0x3F},
                        {0x4A, 0x02, 0xC0, 0x33, 0, 0, 0xE9, 0x0D, 0x58, 0x01, 0x80, 0x47, 0x40},
                        {0x48, 0x0A, 0x80, 0x47, 0x40, 0x00}, {0x4A, 0x0A, 0x80, 0x47, 0x40, 0x00},
                        {0x88, 0x5C, 0xB2}}));
}

TEST(RecordStartUp, MissingFilesAndDemoMode) {
    {
        RecordFixture f;
        f.files.Remove("i2c/velmar2ki2c.bin");
        f.StartUp();
        EXPECT_EQ(f.BoxTexts(), (std::vector<std::string>{"Can't find file .bin"}));
        EXPECT_EQ(f.ui.exitCode, 0);
    }
    {
        RecordFixture f;
        f.files.Remove("ucode/dsp.hex");
        f.StartUp();
        EXPECT_EQ(f.BoxTexts(), (std::vector<std::string>{"Can't find file .hex"}));
    }
    {
        RecordFixture f(window::kNewerBoardType, false);
        f.StartUp();
        EXPECT_EQ(f.BoxTexts(), (std::vector<std::string>{"Can't find Velmar Card.  Switching to Demo Mode"}));
        EXPECT_TRUE(f.panel->DemoMode());
        EXPECT_TRUE(f.library.lines.empty());
        EXPECT_EQ(f.panel->GetTimerState(), TimerState::Idle);
    }
}

TEST(RecordSettings, VideoInputsSendTheirBusWrites) {
    struct Case {
        ControlId radio;
        bool pal;
        std::vector<Bytes> writes;
    };
    const Bytes cvideo48 = {0x48, 0x02, 0xD8, 0x23, 0, 0, 0, 0x10, 0x08, 0x18, 0x79, 0x43, 0x3F};
    const Bytes cvideo4A = {0x4A, 0x02, 0xC0, 0x33, 0, 0, 0xE9, 0x0D, 0x18, 0x01, 0x80, 0x47, 0x40};
    const Bytes color48 = {0x48, 0x0A, 0x80, 0x47, 0x40, 0}, color4A = {0x4A, 0x0A, 0x80, 0x47, 0x40, 0};
    const Case cases[] = {
        {kInputSvhs, true,
         {{0x42, 0x9F}, {0x40, 0x8A},
          {0x48, 0x02, 0xDF, 0x23, 0, 0, 0, 0x10, 0x08, 0x98, 0x80, 0x46, 0x42},
          {0x4A, 0x02, 0xC7, 0x33, 0, 0, 0xE9, 0x0D, 0x18, 0x81, 0x80, 0x47, 0x40}, color48, color4A, {0x88, 0x5C, 0xB0}}},
        {kInputSdi, true, {{0x42, 0x9F}, cvideo48, cvideo4A, {0x88, 0x5C, 0xB2}, {0x40, 0x82}}},
        {kInputVp, true, {{0x42, 0xBF}, cvideo48, cvideo4A, {0x88, 0x5C, 0xB2}, {0x40, 0x82}}},
        {kInputFree, false,
         {{0x42, 0x9F}, {0x40, 0x8A},
          {0x48, 0x02, 0xD8, 0x23, 0, 0, 0, 0x10, 0x46, 0x18, 0x79, 0x43, 0x3F},
          {0x4A, 0x02, 0xC0, 0x33, 0, 0, 0xE9, 0x0D, 0x66, 0x01, 0x80, 0x47, 0x40}, {0x88, 0x5C, 0xB2}}},
    };
    for (const Case& c : cases) {
        RecordFixture f;
        f.SetKey("PALMODE", c.pal ? "1" : "0");
        f.StartUp();
        const std::size_t before = f.board.writes.messages.size();
        f.view.Click(c.radio);
        f.panel->Command(c.radio);
        const auto& m = f.board.writes.messages;
        EXPECT_EQ(std::vector<Bytes>(m.begin() + static_cast<long>(before), m.end()), c.writes) << c.radio;
        EXPECT_TRUE(f.view.Checked(c.radio));
    }
    // The Video Port needs the newer board: nothing changes on the other.
    RecordFixture f(0x1234);
    f.StartUp();
    const std::size_t before = f.board.writes.messages.size();
    f.view.Click(kInputVp);
    f.panel->Command(kInputVp);
    EXPECT_EQ(f.board.writes.messages.size(), before);
    EXPECT_TRUE(f.view.Checked(kInputCVideo));
    EXPECT_EQ(f.Key("RECREF"), "0");
    EXPECT_EQ(f.BoxTexts().back(), "Video Port is only available on Velmar2000 boards");
}

TEST(RecordSettings, BoardTypeGuardsRefAndDspReset) {
    RecordFixture older(0x1234);
    older.StartUp();
    older.view.Click(kAudioDigital);
    older.panel->Command(kAudioDigital);
    EXPECT_EQ(older.BoxTexts().back(), "Digital Audio is only available on Velmar2000 boards");
    EXPECT_TRUE(older.view.Checked(kAudioAnalog));
    EXPECT_FALSE(older.view.Checked(kAudioDigital));
    older.view.Click(kTbc);
    older.panel->Command(kTbc);
    EXPECT_TRUE(older.view.Checked(kTbc));
    older.panel->Command(kDv50Mp);
    EXPECT_EQ(older.BoxTexts().back(), "Video Port is only available on Velmar2000 boards");

    RecordFixture f;
    f.StartUp();
    f.view.Click(kAudioSdi);
    f.panel->Command(kAudioSdi);
    EXPECT_EQ(f.Key("RECREFA"), "6");
    EXPECT_EQ(f.board.writes.messages.back(), (Bytes{0x36, 6}));
    f.panel->Command(kDspReset);
    EXPECT_EQ(f.board.writes.messages.back(), (Bytes{0x44, 0xB3}));
    f.panel->Command(kDspReset);
    EXPECT_EQ(f.board.writes.messages.back(), (Bytes{0x44, 0xB7}));
    const std::size_t mark = f.Mark();
    f.view.Click(kRef);  // checked at start-up: now off
    f.panel->Command(kRef);
    EXPECT_EQ(f.Sent(mark), (Lines{"mwcmd -s 0xffffffff 0xb1150004 0 0 0 0"}));
    EXPECT_EQ(f.Key("RSTOPREF"), "1");
    f.panel->Command(kDv25Mp);
    EXPECT_EQ(f.BoxTexts().back(), "This feature is not yet implemented");
}

TEST(RecordEncoder, DefaultsAndStoredValuesPerMode) {
    RecordFixture f;  // 4:2:0 NTSC
    f.SetKey("INTRADIST420", "16");
    f.SetKey("HRES420", "999");  // matches no item: the mode's default
    f.StartUp();
    EXPECT_EQ(f.view.SelectedText(kHorizontal), "720");
    EXPECT_EQ(f.view.SelectedText(kVertical), "480");
    EXPECT_EQ(f.view.SelectedText(kRefDistance), "3");
    EXPECT_EQ(f.view.ItemCount(kRefDistance), 3);
    EXPECT_EQ(f.view.SelectedText(kIntraDistance), "15");
    EXPECT_EQ(f.view.ItemCount(kIntraDistance), 5);
    EXPECT_EQ(f.view.Text(kBitRate), "8000");
    EXPECT_EQ(f.panel->bitRate, 8000);
    EXPECT_EQ(f.view.Range(kBitRateSpin), (velmar_ui::IntRange{1, 15000}));
    EXPECT_TRUE(f.view.Checked(kVbr));
    EXPECT_TRUE(f.view.Shown(kMinQ));
    EXPECT_EQ(f.view.Text(kBitRateLabel), "Max BitRate");
    EXPECT_TRUE(f.view.Checked(kSceneChange));
    EXPECT_TRUE(f.view.Checked(kAspect4x3));
    EXPECT_EQ(f.view.Position(kCloseFreqSpin), 1);

    RecordFixture mp1;
    mp1.SetKey("RECMODE", "4");
    mp1.SetKey("PALMODE", "1");
    mp1.SetKey("REFDIST" "MP1", "0");  // outside its list: the default
    mp1.SetKey("VRESMP1", "240");      // NTSC's key does not count in PAL
    mp1.StartUp();
    EXPECT_EQ(mp1.view.SelectedText(kHorizontal), "160");
    EXPECT_EQ(mp1.view.SelectedText(kVertical), "288");
    EXPECT_EQ(mp1.view.SelectedText(kRefDistance), "3");
    EXPECT_EQ(mp1.panel->bitRate, 2000);

    RecordFixture other;  // no encoder keys at all
    other.SetKey("RECMODE", "2");
    other.StartUp();
    EXPECT_EQ(other.view.ItemCount(kHorizontal), 0);
    other.view.Click(kVbr);
    other.panel->Command(kVbr);
    EXPECT_EQ(other.Key("VBR420"), "<none>");
}

// The Compress group's "Flds" edit and its spin arrows are one number.
TEST(RecordEncoder, FieldsEditAndSpinAreOneNumber) {
    RecordFixture f;
    f.StartUp();
    f.view.Type(kCompressFields, "50");
    f.panel->EditChanged(kCompressFields);
    EXPECT_EQ(f.view.Position(kCompressFieldsSpin), 50);
    f.view.SetPosition(kCompressFieldsSpin, 51);
    f.panel->Scroll(kCompressFieldsSpin, velmar_ui::ScrollCode::LineUp, 51);
    EXPECT_EQ(f.view.Text(kCompressFields), "51");
}

TEST(RecordEncoder, ControlsWriteTheirKeysAtOnce) {
    RecordFixture f;
    f.SetKey("RECMODE", "1");
    f.StartUp();
    f.view.Pick(kRefDistance, "2");
    f.panel->SelectionChanged(kRefDistance);
    EXPECT_EQ(f.Key("REFDIST422"), "2");
    EXPECT_EQ(f.view.SelectedText(kIntraDistance), "14");  // 15 rounded down to a multiple of 2
    EXPECT_EQ(f.Key("INTRADIST422"), "<none>");            // only the intra combo writes it
    f.view.Pick(kIntraDistance, "8");
    f.panel->SelectionChanged(kIntraDistance);
    EXPECT_EQ(f.Key("INTRADIST422"), "8");
    f.view.Pick(kVertical, "512");
    f.panel->SelectionChanged(kVertical);
    EXPECT_EQ(f.Key("VRES422"), "512");
    f.view.Pick(kHorizontal, "544");
    f.panel->SelectionChanged(kHorizontal);
    EXPECT_EQ(f.Key("HRES422"), "544");
    f.view.Click(kVbr);
    f.panel->Command(kVbr);
    EXPECT_EQ(f.Key("VBR422"), "0");
    EXPECT_FALSE(f.view.Shown(kMinQ));
    EXPECT_EQ(f.view.Text(kBitRateLabel), "BitRate");
    f.view.SetPosition(kBitRateSpin, 30000);
    f.panel->Scroll(kBitRateSpin, velmar_ui::ScrollCode::ThumbPosition, 30000);
    EXPECT_EQ(f.Key("BITRATE422"), "30000");
    EXPECT_EQ(f.view.Text(kBitRate), "30000");
    f.view.Type(kBitRate, "12000");
    f.panel->EditChanged(kBitRate);
    EXPECT_EQ(f.Key("BITRATE422"), "12000");
    EXPECT_EQ(f.view.Position(kBitRateSpin), 12000);
    f.view.SetPosition(kCloseFreqSpin, 4);
    f.panel->Scroll(kCloseFreqSpin, velmar_ui::ScrollCode::ThumbPosition, 4);
    EXPECT_EQ(f.Key("CLOSEFREQ422"), "4");
    f.panel->Command(kAspect16x9);
    EXPECT_EQ(f.Key("ASPECTRATIO422"), "2");

    // What ProgramEncoder now sends, then a script that is not there.
    f.panel->scriptPath = "missing.scr";
    const std::size_t mark = f.Mark();
    f.panel->ProgramEncoder();
    EXPECT_EQ(f.Sent(mark), (Lines{
                                "mwcmd -s 0xffffffff 0xb1130002 0x3 0x1",
                                "mwcmd -s 0xffffffff 0xb1110001 0x3",
                                "mwcmd -s 0xffffffff 0xc1190002 0x0 0x0",
                                "mwcmd -s 0xffffffff 0xa10d0005 0 8000000 2 2 2",
                                "mwcmd -s 0xffffffff 0xa00d0001 12000000",
                                "mwcmd -s 0xffffffff 0xa0040001 0x1",
                                "mwcmd -s 0xffffffff 0xc1170002 8 2",
                                "mwcmd -s 0xffffffff 0xa0020001 4",
                            }));
    EXPECT_EQ(f.ui.Boxes().back().text, "Can't find file missing.scr");
    EXPECT_EQ(f.ui.Boxes().back().caption, "File Error");
    f.files.Write("enc.scr", "; tweak\r\nmwcmd -s 0xffffffff 0xa0020001 9\r\n");
    f.panel->scriptPath = "enc.scr";
    f.panel->ProgramEncoder();
    EXPECT_EQ(f.Sent().back(), "mwcmd -s 0xffffffff 0xa0020001 9");
}

}  // namespace
}  // namespace velmar
