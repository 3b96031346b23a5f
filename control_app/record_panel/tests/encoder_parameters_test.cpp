// The encoder parameter model: mode tables, the Intra Pict Dist. list, the programming lines and
// encoder scripts.
#include <gtest/gtest.h>

#include "record_panel/encoder_parameters.h"

namespace velmar {
namespace {

using Lines = std::vector<std::string>;

TEST(EncoderModel, ModeTablesKeepTheirDefaultsAndLists) {
    EXPECT_EQ(RecordModeOf(0), RecordMode::Mpeg2_420);
    EXPECT_EQ(RecordModeOf(1), RecordMode::Mpeg2_422);
    EXPECT_EQ(RecordModeOf(4), RecordMode::Mpeg1);
    EXPECT_FALSE(RecordModeOf(2));
    const auto& m422 = ModeSpec(RecordMode::Mpeg2_422);
    const auto& m420 = ModeSpec(RecordMode::Mpeg2_420);
    const auto& mp1 = ModeSpec(RecordMode::Mpeg1);
    EXPECT_STREQ(m422.suffix, "422");
    EXPECT_STREQ(m420.suffix, "420");
    EXPECT_STREQ(mp1.suffix, "MP1");
    EXPECT_EQ(m422.verticalPal, (std::vector<int>{576, 608}));
    EXPECT_EQ(m420.verticalNtsc, (std::vector<int>{480}));
    EXPECT_EQ(mp1.horizontal, (std::vector<int>{160, 176, 320, 352}));
    // MPEG-1 PAL defaults to the larger picture, NTSC to the smaller.
    EXPECT_EQ(mp1.verticalPalDefault, 288);
    EXPECT_EQ(mp1.verticalNtscDefault, 112);
    EXPECT_EQ(m422.refDistances, 2);
    EXPECT_EQ(m422.refDefault, 1);
    EXPECT_EQ(m420.refDefault, 3);
    EXPECT_EQ(m422.bitRateMax, 50000);
    EXPECT_EQ(m420.bitRateMax, 15000);
    EXPECT_EQ(mp1.bitRateDefault, 2000);
}

TEST(EncoderModel, IntraDistanceListAndRounding) {
    EXPECT_EQ(IntraDistances(3), (std::vector<int>{3, 6, 9, 12, 15}));
    EXPECT_EQ(IntraDistances(2).back(), 14);
    EXPECT_EQ(IntraDistances(1).size(), 15u);
    struct Case {
        int stored, ref, chosen;
    };
    for (const Case& c : std::initializer_list<Case>{
             {16, 3, 15}, {15, 2, 14}, {7, 3, 6}, {15, 1, 15}, {0, 3, 15}, {1, 3, 15}, {-4, 2, 14}, {9, 0, 9}}) {
        EXPECT_EQ(ChooseIntraDistance(c.stored, c.ref), c.chosen) << c.stored << " / " << c.ref;
    }
}

TEST(EncoderModel, ProgrammingLinesPerMode) {
    EncoderSettings s420;  // 720 x 480, Ref 3, Intra 15, CBR
    s420.horizontalIndex = 8;
    s420.refIndex = 2;
    s420.intraIndex = 4;
    s420.bitRate = 8000;
    s420.closeFreq = 1;
    s420.sceneChange = true;
    EXPECT_EQ(EncoderCommandLines(s420), (Lines{
                                             "mwcmd -s 0xffffffff 0xb1130002 0x0 0x1",
                                             "mwcmd -s 0xffffffff 0xc1190002 0x0 0x0",
                                             "mwcmd -s 0xffffffff 0xa10d0005 0 8000000 2 2 2",
                                             "mwcmd -s 0xffffffff 0xa00d0001 8000000",
                                             "mwcmd -s 0xffffffff 0xa0040001 0x1",
                                             "mwcmd -s 0xffffffff 0xc1170002 15 3",
                                             "mwcmd -s 0xffffffff 0xa0020001 1",
                                         }));

    EncoderSettings s422 = s420;  // PAL 608 lines, VBR, both filters
    s422.mode = RecordMode::Mpeg2_422;
    s422.pal = true;
    s422.horizontalIndex = 7;  // 704
    s422.verticalIndex = 1;
    s422.refIndex = 1;
    s422.intraIndex = 6;  // 14
    s422.vbr = true;
    s422.minQ = 4;
    s422.luma = s422.chroma = true;
    s422.sceneChange = false;
    s422.bitRate = 50000;
    s422.closeFreq = 0;
    EXPECT_EQ(EncoderCommandLines(s422), (Lines{
                                             "mwcmd -s 0xffffffff 0xb1130002 0x1 0x1",
                                             "mwcmd -s 0xffffffff 0xb1110001 0x5",
                                             "mwcmd -s 0xffffffff 0xc1190002 0x1 0x1",
                                             "mwcmd -s 0xffffffff 0xa10d0005 1 50000000 4 4 4",
                                             "mwcmd -s 0xffffffff 0xa0040001 0x0",
                                             "mwcmd -s 0xffffffff 0xc1170002 14 2",
                                             "mwcmd -s 0xffffffff 0xa0020001 0",
                                         }));

    // MPEG-1: 160 is size code 4; NTSC 112 is vertical code 1, PAL 144 code 3 and 288 code 2.
    EncoderSettings mp1;
    mp1.mode = RecordMode::Mpeg1;
    const auto lines = [&](bool pal, int vertical) {
        mp1.pal = pal;
        mp1.verticalIndex = vertical;
        const Lines all = EncoderCommandLines(mp1);
        return Lines(all.begin(), all.begin() + 2);
    };
    EXPECT_EQ(lines(false, 0), (Lines{"mwcmd -s 0xffffffff 0xb1130002 0x4 0x1", "mwcmd -s 0xffffffff 0xb1110001 0x1"}));
    EXPECT_EQ(lines(true, 0)[1], "mwcmd -s 0xffffffff 0xb1110001 0x3");
    EXPECT_EQ(lines(true, 1)[1], "mwcmd -s 0xffffffff 0xb1110001 0x2");
    EXPECT_EQ(lines(false, 1)[1], "mwcmd -s 0xffffffff 0xb1110001 0x0");
}

TEST(EncoderModel, ScriptLinesFollowTheReaderQuirks) {
    const std::string text = "; a comment line\n"
                             "mwcmd -s 0xffffffff 0xa0020001 5\r\n"
                             "mquit\n"               // 6 characters with its line end: skipped
                             "mreset\n"              // 7: sent
                             "\n"
                             "mwr 0x40030 0x1\r\r\n" // only two line-end characters are removed
                             + std::string(1100, 'x') + "\n"  // longer than the reader holds
                             + "mwcmd -p 0x0 0x9f0500";       // no line end: sent whole
    EXPECT_EQ(ScriptCommandLines(text), (Lines{"mwcmd -s 0xffffffff 0xa0020001 5", "mreset", "mwr 0x40030 0x1\r",
                                               "mwcmd -p 0x0 0x9f0500"}));
    EXPECT_TRUE(ScriptCommandLines("").empty());
}

}  // namespace
}  // namespace velmar
