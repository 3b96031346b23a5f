#include <gtest/gtest.h>

#include "../../mux/tests/mux_test_streams.h"
#include "demux_test_support.h"
#include "index_formats/picture_index.h"
#include "wave_format/wave_header.h"

using namespace demux_testing;
using platform::RunStatus;

namespace {
std::vector<std::uint8_t> Payload(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(seed + i * 7);
    return v;
}
}  // namespace

TEST(RunDemux, SplitsOurOwnStreams) {
    for (auto version : {ps_mux::PsVersion::Mpeg1, ps_mux::PsVersion::Mpeg2}) {
        auto pictures = mux_testing::Group(true, true);
        const auto more = mux_testing::Group(true);
        pictures.insert(pictures.end(), more.begin(), more.end());
        const auto video = mux_testing::BuildVideo(pictures, 3001);
        auto audio = mux_testing::BuildLayer2Audio(50);
        audio.bytes.resize(audio.bytes.size() - 2);  // a cut last frame
        auto in = mux_testing::Inputs(video.bytes.size(), audio.bytes.size());
        in.version = version;
        ps::MemorySource v(video.bytes), a(audio.bytes);
        ps::MemorySink muxed;
        mux_testing::RecordingReport muxReport;
        ASSERT_EQ(ps_mux::RunMux(in, v, a, muxed, muxReport).status, RunStatus::Done);

        Outputs out;
        Report report;
        const auto r = Demux(muxed.Bytes(), out.Settings(), report);
        ASSERT_EQ(r.status, RunStatus::Done) << testing::PrintToString(report.messages);
        EXPECT_EQ(report.status, "Done !!!");
        EXPECT_EQ(report.messages.back(), "Finished !!!");
        EXPECT_TRUE(report.Has("Creating file clipe0.mpg"));
        EXPECT_TRUE(report.Has("Creating file clipc0.wav"));
        EXPECT_TRUE(report.Has("Stream Type:  MPEG-2"));
        EXPECT_EQ(out.files.size(), 4u);  // no file for padding
        EXPECT_EQ(out.files["clipe0.mpg"], video.bytes);
        EXPECT_EQ(out.files["clipc0.mpg"], audio.bytes);

        // 49 whole frames, 8 values each, after the reserved header.
        const auto& wav = out.files["clipc0.wav"];
        ASSERT_EQ(wav.size(), 44u + 49 * 16);
        EXPECT_EQ(std::vector<std::uint8_t>(wav.begin(), wav.begin() + 44),
                  [] { auto h = wav::MakeWavHeader(48000, 2, 49 * 16); return std::vector<std::uint8_t>(h.begin(), h.end()); }());
        EXPECT_EQ(wav[44], 576 & 0xFF);

        const auto records = index_formats::DecodePictureIndex(out.files["clipe0.mdb"]);
        ASSERT_EQ(records.size(), pictures.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].pictureInGroup, i % 12);
            EXPECT_EQ(records[i].picturesToGroupEnd, 12 - i % 12);
            EXPECT_EQ(records[i].lastGroup, i >= 12);
            const std::uint64_t at = records[i].GroupByteOffset();
            const auto& es = video.bytes;
            // The group starts with its sequence header start code.
            EXPECT_TRUE(es[at] == 0 && es[at + 1] == 0 && es[at + 2] == 1 && es[at + 3] == 0xB3) << i;
        }
    }
}

// A video stream whose start codes lie off 4-byte boundaries is split as it is, but gets no
// index: the index could not point at its groups. The index builder refuses it with the same line.
TEST(RunDemux, StartCodesOffWordBoundariesAreSplitWithoutAnIndex) {
    auto pictures = mux_testing::Group(true, true);
    const auto more = mux_testing::Group(true);
    pictures.insert(pictures.end(), more.begin(), more.end());
    const auto video = mux_testing::BuildVideo(pictures, 3001, 1);
    const auto audio = mux_testing::BuildLayer2Audio(50);
    ps::MemorySource v(video.bytes), a(audio.bytes);
    ps::MemorySink muxed;
    mux_testing::RecordingReport muxReport;
    ASSERT_EQ(ps_mux::RunMux(mux_testing::Inputs(video.bytes.size(), audio.bytes.size()), v, a, muxed, muxReport).status,
              RunStatus::Done);

    Outputs out;
    Report report;
    const auto r = Demux(muxed.Bytes(), out.Settings(), report);
    EXPECT_EQ(r.status, RunStatus::Done) << testing::PrintToString(report.messages);
    EXPECT_TRUE(report.Has(index_formats::kUnalignedStartCodesMessage)) << testing::PrintToString(report.messages);
    EXPECT_EQ(out.files["clipe0.mpg"], video.bytes);
    EXPECT_EQ(out.files["clipc0.mpg"], audio.bytes);
    EXPECT_TRUE(out.files["clipe0.mdb"].empty());
}

TEST(RunDemux, PacketFormsAndStreamIds) {
    PsBuilder b(1);
    b.Pack(0, true).Packet(0xE0, Payload(100, 1), 2, true, 3).Packet(0xBE, Payload(50, 0));
    b.Pack().Packet(0xE0, Payload(60, 2), 0, false, 16).Packet(0xBD, Payload(30, 3), 1, true);
    b.Pack().Packet(0xBF, Payload(20, 4)).Packet(0xE0, Payload(3, 5), 1);  // a short last packet
    b.End();
    Outputs out;
    Report report;
    ASSERT_EQ(Demux(b.bytes, out.Settings("x/", false), report).status, RunStatus::Done);
    auto expectVideo = Payload(100, 1);
    for (const auto& p : {Payload(60, 2), Payload(3, 5)}) expectVideo.insert(expectVideo.end(), p.begin(), p.end());
    EXPECT_EQ(out.files["x/e0.mpg"], expectVideo);
    EXPECT_EQ(out.files["x/bd.mpg"], Payload(30, 3));
    EXPECT_EQ(out.files["x/bf.mpg"], Payload(20, 4));
    EXPECT_EQ(out.files.size(), 3u);
    EXPECT_FALSE(report.Has("No end of stream code detected"));
}

TEST(RunDemux, Mpeg2PackStuffingAndSystemHeader) {
    PsBuilder b(2);
    std::vector<std::uint8_t> expect;
    for (int stuffing = 0; stuffing < 8; ++stuffing) {
        b.Pack(stuffing, stuffing == 0).Packet(0xC1, Payload(10 + std::size_t(stuffing), std::uint8_t(stuffing)));
        const auto p = Payload(10 + std::size_t(stuffing), std::uint8_t(stuffing));
        expect.insert(expect.end(), p.begin(), p.end());
    }
    Outputs out;
    Report report;
    ASSERT_EQ(Demux(b.bytes, out.Settings("s", false), report).status, RunStatus::Done) << testing::PrintToString(report.messages);
    EXPECT_EQ(out.files["sc1.mpg"], expect);
    EXPECT_TRUE(report.Has("No end of stream code detected"));
}

TEST(RunDemux, EarlyEnds) {
    {  // A 17th stream.
        PsBuilder b(2);
        b.Pack();
        for (int id = 0; id < 17; ++id) b.Packet(std::uint8_t(0xC0 + id), Payload(8, 0));
        Outputs out;
        Report report;
        const auto r = Demux(b.End().bytes, out.Settings("m", false), report);
        EXPECT_EQ(r.status, RunStatus::Discontinued);
        EXPECT_TRUE(report.Has("Max Tracks Exceeded"));
        EXPECT_EQ(report.messages.back(), "Process discontinued");
        EXPECT_EQ(report.status, "Processing...");
        EXPECT_EQ(out.files.size(), 16u);
    }
    {  // No output base.
        PsBuilder b(2);
        Outputs out;
        Report report;
        const auto r = Demux(b.Pack().Packet(0xE0, Payload(8, 0)).End().bytes, out.Settings("", false), report);
        EXPECT_EQ(r.status, RunStatus::Discontinued);
        EXPECT_TRUE(out.files.empty());
    }
    {  // Cut inside a packet.
        PsBuilder b(2);
        auto bytes = b.Pack().Packet(0xE0, Payload(800, 0)).bytes;
        bytes.resize(bytes.size() - 100);
        Outputs out;
        Report report;
        EXPECT_EQ(Demux(bytes, out.Settings("t", false), report).status, RunStatus::Discontinued);
        EXPECT_TRUE(report.Has("Unexpected end of stream"));
        EXPECT_EQ(out.files["te0.mpg"].size(), 700u);  // what was there is kept
    }
    {  // Stop.
        PsBuilder b(2);
        for (int i = 0; i < 10; ++i) b.Pack().Packet(0xE0, Payload(100, 0));
        Outputs out;
        Report report;
        report.stopAfter = 3;
        EXPECT_EQ(Demux(b.End().bytes, out.Settings("c", false), report).status, RunStatus::Canceled);
        EXPECT_EQ(report.status, "Canceled !!!");
        EXPECT_EQ(out.files["ce0.mpg"].size(), 300u);
    }
}

TEST(RunDemux, GarbageBetweenPacketsIsAnError) {
    PsBuilder b(2);
    b.Pack().Packet(0xE0, Payload(100, 0));
    const std::size_t at = b.bytes.size();
    b.Put({0x12, 0x34, 0x56, 0x78});
    b.Pack().Packet(0xE0, Payload(100, 0)).End();
    Outputs out;
    Report report;
    const auto r = Demux(b.bytes, out.Settings("g", false), report);
    EXPECT_EQ(r.status, RunStatus::Error);
    EXPECT_EQ(report.status, "Error !!!");
    EXPECT_TRUE(report.Has("No pack start code at offset " + std::to_string(at))) << report.messages[2];
    EXPECT_EQ(out.files["ge0.mpg"].size(), 100u);
}

TEST(RunDemux, AudioTracksTheDecoderCannotTake) {
    // MPEG-1 Layer II at 32 kHz: listed as refused, still written to its .mpg file.
    std::vector<std::uint8_t> frames;
    for (int i = 0; i < 5; ++i) {
        frames.insert(frames.end(), {0xFF, 0xFD, 0xA8, 0x00});
        frames.resize(frames.size() + 860, 0);
    }
    PsBuilder b(2);
    b.Pack().Packet(0xC0, frames).End();
    Outputs out;
    Report report;
    EXPECT_EQ(Demux(b.bytes, out.Settings(), report).status, RunStatus::Done);
    EXPECT_TRUE(report.Has("Invalid Frequency"));
    EXPECT_EQ(out.files["clipc0.mpg"], frames);
    EXPECT_EQ(out.files["clipc0.wav"].size(), 44u);
}

TEST(RunDemux, Layer1PaddedFramesAreAllDecoded) {
    const auto audio = mux_testing::BuildLayer1Audio(100);
    PsBuilder b(2);
    for (std::size_t at = 0; at < audio.bytes.size(); at += 2000) {
        const std::size_t n = std::min<std::size_t>(2000, audio.bytes.size() - at);
        b.Pack().Packet(0xC0, std::vector<std::uint8_t>(audio.bytes.begin() + std::ptrdiff_t(at),
                                                        audio.bytes.begin() + std::ptrdiff_t(at + n)));
    }
    Outputs out;
    Report report;
    EXPECT_EQ(Demux(b.End().bytes, out.Settings(), report).status, RunStatus::Done);
    EXPECT_FALSE(report.Has("Can't find audio sync!"));
    EXPECT_EQ(out.files["clipc0.wav"].size(), 44u + 100 * 16);
}

TEST(RunDemux, RefusedInput) {
    Report report;
    ps::MemorySource source({});
    const auto r = ps_demux::RunDemux({}, source, Outputs().Settings(), report);
    EXPECT_EQ(ps::ErrorBoxText(r.fault), "Program Stream not valid");
    EXPECT_EQ(report.status, "Error !!!");
    const auto unopened = ps_demux::RunDemuxFile(Accepted(10), "/nonexistent.mpg", Outputs().Settings(), report);
    EXPECT_EQ(ps::ErrorBoxText(unopened.fault), "Can't open program file");
}
