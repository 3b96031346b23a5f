// The catalogue renders the lines the board and the command logs have always seen, blanks and all.
#include <gtest/gtest.h>

#include "board_commands/command_lines.h"

namespace board_commands {
namespace {

TEST(CommandLines, RenderTheTextTheBoardReceives) {
    const struct {
        std::string line;
        const char* expected;
    } cases[] = {
        {Freeze(kVideoB), "mwcmd -p 0x0 0x9e0100"},
        {Flush(kAllStreams), "mwcmd -p 0x0 0x9f0f00"},
        {ResumeAt(0x120, ListStream(1, 1)), "mwcmd -s 0x120 0x962100"},
        {Step(kVideoA, 1), "mwcmd -p 0x0 0x950001 0x1"},
        {Rate(kVideoA, 0x200), "mwcmd -p 0x0  0x940002 0x0 0x200"},
        {Trick(kVideoB, 2), "mwcmd -p 0x0  0x940102 0x2 0x0"},
        {RateAt(0x40, kVideoB, 0x100), "mwcmd -s 0x40  0x940102 0x0 0x100"},
        {TrickAt(0x40, kVideoA, 1), "mwcmd -s 0x40 0x940002 0x1 0x0"},
        {PlayRange(kVideoB, kImmediate, kImmediate, 0x10, 2), "mwcmd -p 0x0 0x930104 0xffffffff 0xffffffff 0x10 0x2 -L1"},
        {ListPlayRange(kVideoA, 0x30, 0), "mwcmd -p 0x0 0x930004 0xffffffff 0x30 0 0x0 -L0"},
        {KeyedTransitionWide(kVideoB, 0x50, 0), "mwcmd -p 0x0  0x9b0102 0x50 0x0 -L2"},
        {AudioPlay(kAudioInput, kImmediate), "mwcmd -p 0x0 0x980304 0xffffffff 0x0 0x0 0x0 -L3"},
        {RecordStartBothNow(), "mwcmd -p 0xffffffff 0x80010000 0xffffffff 0x80010100"},
        {RecordStopBothNow(), "mwcmd -p 0xffffffff 0x80020001 0x1 0xffffffff 0x80020101 0x1"},
        {RecordResumeNow(), "mwcmd -p 0x0 0x80040000"},
        {ReferenceSetup(true, 0x10000, 1, 0x80, 1), "mwcmd -p 0x0 0x900F05 0x1000001  0x00010000 0x00000001 0x80 0x1"},
        {DvRecordStart(4, true), "mwcmd -p 0x0 0x9a0f03 0xfffffff0 0 0x4 0x0 0x980704 0xffffffff 0 0 0"},
        {DvRecordStop(true), "mwcmd -p 0x0 0x9e0f00 0x0 0x990701 0x1"},
        {DvRecordStop(false), "mwcmd -p 0x0 0x9e0f00"},
        {DeviceByte(kCodecRegister3A, 0x11), "mwcmd -s 0xffffffff 0x00090004 0x01020001 0x003a03E8 0x00000000 0x11000000"},
        {CompressSource(0x2d0, "0x00120000", 5), "mwcmd -s 0xffffffff 0x000B0202 0x2d000F0 0x00120000 -s 0xFFFFFFFF 0x00100001 0x5"},
        {RecordAudioPath(false), "mwcmd -p 0x0 0xd0107  0x01010000 0x01000101 0xbb80 0x0 0x010000 0x0 0x0"},
        {VerticalSize(4), "mwcmd -s 0xffffffff 0xb1110001 0x4"},
        {InputFile(3, "-l1 -F ", "a b.mpg"), "mwcmd -i3B -l1 -F <a b.mpg>"},
        {QueueFile(4, RangeOption(0x100000002, 3) + " ", "c.mpg"), "mwcmd -q4 -O 0x1 0x2 0x0 0x3 <c.mpg>"},
        {OutputEnd(kDvOutput), "mwcmd -U6"},
        {OffsetWords(0x20), "0 0x20"},
        {OffsetWords(0x100000020), "0x1 0x20"},
        {WriteRegister(kCompressFromFileRegister, "0x00000001"), "mwr 0x40030 0x00000001"},
        {WriteI2cLines(0x30001), "mwr 0xfc0a08 0x30001"},
        {WriteI2cLines(3), "mwr 0xfc0a08 0x00003"},
        {ReadI2cLines(), "mrd 0xfc0a08"},
        {EncoderStart(), "mwcmd -s 0xffffffff 0xA10B0002 14 16"},
        // Clips on the playback inputs: loop count, range, word order and file, in the order each
        // channel has always written them.
        {VideoClip(kVideoA, false, 0x100000002, 0x20000, false, "a.mpg"), "mwcmd -i0B -l1 -O 0x1 0x2 0x0 0x20000 -F <a.mpg>"},
        {VideoClip(kVideoB, true, 0, 0x40, true, "a.mpg"), "mwcmd -i1B -l0 -O 0x0 0x0 0x0 0x40 -R -F <a.mpg>"},
        {QueuedVideoClip(5, 0x100, 0x20, true, "c.mpg"), "mwcmd -q5 -O 0x0 0x100 0x0 0x20 -R <c.mpg>"},
        {QueuedVideoClip(4, 0x100, 0x20, false, "c.mpg"), "mwcmd -q4 -O 0x0 0x100 0x0 0x20 <c.mpg>"},
        {ParkingClip(kVideoA, false, ".\\mpeg\\black1.mpg"), "mwcmd -i0B -l1 -F <.\\mpeg\\black1.mpg>"},
        {ParkingClip(kVideoB, true, ".\\mpeg\\black1pal.mpg"), "mwcmd -i1B -l1 -R -F <.\\mpeg\\black1pal.mpg>"},
        {ParkingClip(kAudioInput, false, ".\\mpeg\\black1.mpg"), "mwcmd -i3B -l1 -F <.\\mpeg\\black1.mpg>"},
        {AlphaStream(false, 320, 0, false, ".\\mpeg\\framecut1.alp"), "mwcmd -i2B -l1 -O 0x0 0x140 0 0x0 -F <.\\mpeg\\framecut1.alp>"},
        {AlphaStream(true, 0x1000, 0x40, true, "k.alp"), "mwcmd -i2B -l0 -O 0x0 0x1000 0 0x40 -R -F <k.alp>"},
        {QueuedAlphaStream(11, 0x1000, 0x40, true, "k.alp"), "mwcmd -q11 -O 0x0 0x1000 0 0x40 -R <k.alp>"},
        {QueuedAlphaStream(10, 0x1000, 0x40, false, "k.alp"), "mwcmd -q10 -O 0x0 0x1000 0 0x40 <k.alp>"},
        {AudioFile(false, 0, 0x40, true, "s.wav"), "mwcmd -i3B -R -l1 -O 0 0x0 0 0x40 -F <s.wav>"},
        {AudioFile(true, 0x800, 0x40, false, "s.wav"), "mwcmd -i3B -l0 -O 0 0x800 0 0x40 -F <s.wav>"},
        {QueuedAudioFile(14, 0x800, 0x40, true, "s.wav"), "mwcmd -q14 -R -O 0 0x800 0 0x40 <s.wav>"},
        {QueuedAudioFile(15, 0x800, 0x40, false, "s.wav"), "mwcmd -q15 -O 0 0x800 0 0x40 <s.wav>"},
        {OutputToFile(kRecordVideo, true, "v.mpg"), "mwcmd -o0B -R <v.mpg>"},
        {OutputToFile(kDvOutput, false, "v.dv"), "mwcmd -o6B <v.dv>"},
        {DecodeOutput(true, "d.yuv"), "mwcmd -o5B -I <d.yuv>"},
        {DecodeOutput(false, "d.yuv"), "mwcmd -o5B <d.yuv>"},
        {CompressInputFile(true, "f.flm"), "mwcmd -i2B -l1 -I <f.flm>"},
        {CompressInputFile(false, "f.flm"), "mwcmd -i2B -l1 <f.flm>"},
        // Board start-up: the microcode of each panel and record mode, and the service loops.
        {Quit(), "mquit"},
        {Reset(), "mreset"},
        {ClearHostRegisters(), "mwrblk -fill 0x0 0x40000 0x4003f"},
        {LoadMicrocode(kPlaybackMicrocode), "mld -first ucode\\ppdecMain.ux"},
        {LoadMicrocode(kRecord422PalMicrocode), "mld -first ucode\\single422_pal_nle.ux"},
        {LoadMicrocode(kRecord422Microcode), "mld -first ucode\\single422_nle.ux"},
        {LoadMicrocode(kRecord420PalMicrocode), "mld -first ucode\\single_pal_nle.ux"},
        {LoadMicrocode(kRecord420Microcode), "mld -first ucode\\single_nle.ux"},
        {LoadMicrocode(kRecordMpeg1PalMicrocode), "mld -first ucode\\single_mpeg1_pal.ux"},
        {LoadMicrocode(kRecordMpeg1Microcode), "mld -first ucode\\single_mpeg1.ux"},
        {PlaybackServiceLoop(), "mdaemon -start -s 0x1000 0x1000 0x400 0x400 0x100000 0x100000 0x100000 0x100000 0x0 0x0 "
                                "0x0 0x0 0x0 0x0 0x0 0x0 0x800 0x100000 0x200000 0xbdc0"},
        {RecordServiceLoop(), "mdaemon -start -s 0x400 0x400 0x400 0x400 0 0 0x500000 0x1800 0 0 0 0 0x200000 0xbdc0 0 0 0x2000"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.line, c.expected);
}

}  // namespace
}  // namespace board_commands
