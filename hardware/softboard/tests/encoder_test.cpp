// The encoder's pieces that need no codec: the record words it takes, the picture sizes they
// select, the start-code alignment with its picture units, and the test picture's field code;
// and the DV recorder of the playback microcode, driven word by word and field by field.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "encoder_program.h"
#include "encoder_stream.h"
#include "softboard/dv_recorder.h"
#include "softboard/streaming.h"
#include "tessolk/board_map.h"
#include "test_picture.h"
#include "wave_format/wave_header.h"

namespace softboard {
namespace {

using board_map::StreamFormat;
using board_map::TvStandard;
using Bytes = std::vector<std::uint8_t>;

DecodedCommand Word(std::uint32_t header, std::vector<std::uint32_t> parameters) {
    DecodedCommand c;
    c.opcode = header >> 16;
    c.stream = header >> 8 & 0xFF;
    c.parameters = std::move(parameters);
    return c;
}

TEST(EncoderProgram, RecordWordsAndPictureSizes) {
    EncoderProgram p;
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0xb1130002, {3, 1})));
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0xa10d0005, {1, 6000000, 4, 4, 4})));
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0xc1170002, {12, 3})));
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0x000B0202, {0x2d000F0, 0x00720000})));
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0x00090004, {0x01010001, 0x004003E8, 0, 0x89000000})));
    EXPECT_FALSE(ApplyEncoderCommand(p, Word(0x00090004, {0x01010001, 0x004203E8, 0, 0x9f000000})));
    EXPECT_FALSE(ApplyEncoderCommand(p, Word(0x80010000, {})));
    EXPECT_TRUE(p.vbr);
    EXPECT_EQ(p.bitRate, 6000000u);
    EXPECT_EQ(p.minQ, 4);
    EXPECT_EQ(p.intraDistance, 12);
    EXPECT_EQ(p.refDistance, 3);
    EXPECT_EQ(p.sourcePixels, 720u);
    EXPECT_EQ(SourceBytesPerPixel(p.sourceFormat), 3);
    EXPECT_EQ(AudioSampleRate(p.audioRateCode), 44100u);
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0xa10d0005, {0, 8000000, 2, 2, 2})));
    EXPECT_TRUE(ApplyEncoderCommand(p, Word(0xa00d0001, {3000000})));
    EXPECT_FALSE(p.vbr);
    EXPECT_EQ(p.bitRate, 3000000u);

    struct Case {
        StreamFormat format;
        TvStandard standard;
        int h, v, width, height;
    };
    for (const Case& c : {Case{StreamFormat::Mpeg2_420, TvStandard::Ntsc, 0, -1, 720, 480},
                          Case{StreamFormat::Mpeg2_420, TvStandard::Pal, 3, 4, 544, 576},
                          Case{StreamFormat::Mpeg2_422, TvStandard::Pal, 1, 5, 704, 608},
                          Case{StreamFormat::Mpeg2_422, TvStandard::Ntsc, 8, 3, 320, 512},
                          Case{StreamFormat::Mpeg2_422, TvStandard::Ntsc, 9, 7, 720, 480},
                          Case{StreamFormat::Mpeg1, TvStandard::Ntsc, 4, 1, 160, 112},
                          Case{StreamFormat::Mpeg1, TvStandard::Pal, 1, 3, 352, 144},
                          Case{StreamFormat::Mpeg1, TvStandard::Pal, 2, 2, 320, 288}}) {
        EncoderProgram q;
        q.horizontalCode = c.h;
        q.verticalCode = c.v;
        const PictureGeometry g = GeometryOf(q, c.format, c.standard);
        EXPECT_EQ(g.width, c.width) << c.h;
        EXPECT_EQ(g.height, c.height) << c.v;
    }
}

TEST(StartCodeAligner, StuffsZerosAndCutsPictureUnits) {
    StartCodeAligner a;
    const Bytes group = {0, 0, 1, 0xB3, 9, 0, 0, 1, 0xB8, 7, 7, 0, 0, 1, 0, 5};  // sequence, group, picture
    const Bytes picture = {0, 0, 1, 0, 6, 6, 6};
    a.Append(group.data(), group.size());
    a.Append(picture.data(), picture.size());
    a.Append(group.data(), group.size());
    a.Finish();
    const Bytes& out = a.Pending();
    EXPECT_EQ(out.size() % 4, 0u);
    for (std::size_t i = 0; i + 3 < out.size(); ++i) {
        if (out[i] == 0 && out[i + 1] == 0 && out[i + 2] == 1) {
            EXPECT_EQ(i % 4, 0u) << i;
        }
    }
    ASSERT_EQ(a.Units().size(), 3u);
    std::uint64_t total = 0;
    for (const PictureUnit& unit : a.Units()) {
        EXPECT_EQ(unit.bytes % 4, 0u);
        total += unit.bytes;
    }
    EXPECT_EQ(total, out.size());
    EXPECT_TRUE(a.Units()[0].groupStart);
    EXPECT_FALSE(a.Units()[1].groupStart);
    EXPECT_TRUE(a.Units()[2].groupStart);
    EXPECT_EQ(Bytes(out.end() - 4, out.end()), (Bytes{0, 0, 1, 0xB7}));
}

TEST(TestPicture, FieldCodeReadsBack) {
    const int width = 352, height = 240;
    Bytes y(std::size_t(width) * height), cb(std::size_t(width / 2) * height / 2), cr(cb.size());
    PicturePlanes planes;
    planes.data[0] = y.data(), planes.data[1] = cb.data(), planes.data[2] = cr.data();
    planes.linesize[0] = width, planes.linesize[1] = planes.linesize[2] = width / 2;
    planes.width = width;
    planes.height = height;
    for (std::uint64_t field : {0ull, 1ull, 4242ull, 0xABCDEFull}) {
        DrawTestPicture(planes, 0x01020304, field);
        EXPECT_EQ(ReadFieldCode(y.data(), width, width), field);
    }
}

TEST(DvRecorder, AFrameEveryOtherFieldAndReversedPcmForEachSize) {
    const struct {
        bool pal, dv50;
        std::size_t frameBytes, samplesInFourFields;
        std::uint8_t lines625;  // byte 3 of a frame's first DIF block: bit 7 for 625 lines
    } cases[] = {{false, false, 120000, 3203, 0x00}, {true, true, 288000, 3840, 0x80}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pal ? "625 lines DV50" : "525 lines DV25");
        auto board = SoftBoard::Create({});
        ASSERT_TRUE(board);
        DvRecorder& dv = board->Streaming().Dv();
        dv.OnCommand(Word(0x00900F05, {c.pal ? 0x1000001u : 0x1000000u, 0x10000, 1, 0x108080, 1}));
        dv.OnCommand(Word(0x009a0f03, {0xfffffff0, 0, c.dv50 ? 4u : 2u}));
        dv.OnCommand(Word(0x00980704, {0xffffffff, 0, 0, 0}));
        ASSERT_TRUE(dv.Recording()) << dv.LastError();
        for (int field = 0; field < 4; ++field) dv.OnField();
        const auto& video = dv.Pending(kDvVideoOutput);
        ASSERT_EQ(video.size(), 2 * c.frameBytes);
        EXPECT_EQ(video[0], 0x1F);
        EXPECT_EQ(video[3] & 0x80, c.lines625);
        const std::uint32_t counter =
            std::atomic_ref(*reinterpret_cast<std::uint32_t*>(board->Window() + board_map::kRecordCounter)).load();
        EXPECT_EQ(static_cast<std::int32_t>(counter), -18);  // -16, less the two frames

        // A WAVE header reaching to the end of the file, where the host writes the final one at the
        // stop, then the tone; each word reversed (R hi, R lo, L hi, L lo).
        const auto& audio = dv.Pending(kDvAudioOutput);
        ASSERT_EQ(audio.size(), 44 + 4 * c.samplesInFourFields);
        std::vector<std::uint8_t> head(audio.begin(), audio.begin() + 44);
        for (std::size_t i = 0; i < head.size(); i += 4) std::reverse(head.begin() + i, head.begin() + i + 4);
        const auto layout = wav::ParseWaveLayout(head, 1'000'044);
        ASSERT_TRUE(layout);
        EXPECT_EQ(layout->sampleRate, 48000u);
        EXPECT_EQ(layout->dataBytes, 1'000'000u);
        const auto second = static_cast<std::int16_t>(audio[48] << 8 | audio[49]);
        EXPECT_EQ(second, std::lround(8192 * std::sin(2 * M_PI * 1000 / 48000)));
        EXPECT_EQ(audio[48], audio[50]);
        EXPECT_EQ(audio[49], audio[51]);

        // The freeze ends the video, the audio word on output 7 the audio; a flush empties output 6.
        dv.OnCommand(Word(0x009e0f00, {}));
        dv.OnCommand(Word(0x00990701, {1}));
        for (int field = 0; field < 4; ++field) dv.OnField();
        EXPECT_FALSE(dv.Recording());
        EXPECT_EQ(video.size(), 2 * c.frameBytes);
        EXPECT_EQ(audio.size(), 44 + 4 * c.samplesInFourFields);
        dv.OnCommand(Word(0x009f0600, {}));
        EXPECT_TRUE(video.empty());
    }
}

}  // namespace
}  // namespace softboard
