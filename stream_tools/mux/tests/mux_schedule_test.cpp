#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "ps_common/program_stream.h"

#include "mux_test_streams.h"

using namespace ps_mux;
using namespace mux_testing;
using ps_testing::PsPacket;
using ps_testing::ReadProgramStream;

namespace {

struct MuxRun {
    MuxResult result;
    std::vector<std::uint8_t> out;
    ps_testing::PsReadResult read;
    RecordingReport report;
};

std::unique_ptr<MuxRun> Mux(const MuxInputs& in, const std::vector<std::uint8_t>& video,
                            const std::vector<std::uint8_t>& audio, int stopAfter = 1 << 30,
                            std::size_t failAfter = SIZE_MAX) {
    auto run = std::make_unique<MuxRun>();
    ps::MemorySource v(video), a(audio);
    ps::MemorySink sink;
    sink.FailAfter(failAfter);
    run->report.stopAfterPolls = stopAfter;
    run->result = RunMux(in, v, a, sink, run->report);
    run->out = sink.Bytes();
    run->read = ReadProgramStream(run->out);
    return run;
}

// The PTS (and DTS) expected for the first picture starting inside each video packet.
void CheckVideoStamps(const MuxRun& run, const BuiltVideo& v, int period) {
    std::uint64_t esOffset = 0;
    int checked = 0;
    for (const PsPacket& p : run.read.packets) {
        if (p.streamId != 0xE0) continue;
        const auto first = std::lower_bound(v.pictureOffsets.begin(), v.pictureOffsets.end(), esOffset);
        const bool starts = first != v.pictureOffsets.end() && *first < esOffset + p.payloadBytes;
        ASSERT_EQ(p.hasPts, starts) << "packet at " << p.offset;
        if (starts) {
            const std::size_t j = std::size_t(first - v.pictureOffsets.begin());
            EXPECT_EQ(p.pts, v.expectedPts[j]) << "picture " << j;
            if (p.hasDts) {
                EXPECT_EQ(p.dts, 30000 + period * (std::int64_t(j) - 1)) << "picture " << j;
            }
            ++checked;
        }
        esOffset += p.payloadBytes;
    }
    EXPECT_GT(checked, 10);
}

}  // namespace

TEST(RunMux, PackLayoutClockAndEndCode) {
    for (auto version : {PsVersion::Mpeg1, PsVersion::Mpeg2}) {
        auto group = Group(true);
        const BuiltVideo v = BuildVideo(group, 3000);
        const BuiltAudio a = BuildLayer2Audio(40);
        MuxInputs in = Inputs(v.bytes.size(), a.bytes.size());
        in.version = version;
        auto run = Mux(in, v.bytes, a.bytes);
        ASSERT_EQ(run->result.status, platform::RunStatus::Done) << BoxOf(run->result);
        ASSERT_TRUE(run->read.error.empty()) << run->read.error;
        EXPECT_TRUE(run->read.endCode);
        EXPECT_EQ(run->report.statuses.front(), "Processing...");
        EXPECT_EQ(run->report.statuses.back(), "Done !!!");
        EXPECT_EQ(run->report.progress.back(), 16);
        const MuxClock clock = ClockFor(4000000, 192000);
        std::set<std::uint64_t> packOffsets;
        for (std::size_t k = 0; k < run->read.packets.size(); ++k) {
            const PsPacket& p = run->read.packets[k];
            EXPECT_EQ(p.scr, k * clock.scrStep + 1);
            if (k > 0 && p.payloadBytes + p.headerBytes + (p.version == 1 ? 12 : 16) != 2048) {
                EXPECT_TRUE(k + 1 == run->read.packets.size() || p.streamId != run->read.packets.back().streamId);
            }
            EXPECT_EQ(p.muxRate, clock.muxRate);
            EXPECT_TRUE(packOffsets.insert(p.packOffset).second) << "one packet per pack";
        }
        // Aligned inputs whose sizes are whole words: every pack 2048 bytes, apart from each
        // stream's last packet.
        EXPECT_EQ(ps_testing::StreamPayload(run->out, run->read, 0xE0), v.bytes);
        EXPECT_EQ(ps_testing::StreamPayload(run->out, run->read, 0xC0), a.bytes);
        CheckVideoStamps(*run, v, 3600);
    }
}

TEST(RunMux, PackZeroBytes) {
    const BuiltVideo v = BuildVideo(Group(true), 100);
    const BuiltAudio a = BuildLayer2Audio(2);
    auto run = Mux(Inputs(v.bytes.size(), a.bytes.size()), v.bytes, a.bytes);
    ASSERT_GE(run->out.size(), 2048u);
    const std::vector<std::uint8_t> head(run->out.begin(), run->out.begin() + 40);
    EXPECT_EQ(head[13], 0xF8);                              // no stuffing in pack 0
    EXPECT_EQ(ps::ReadBe32(&head[14]), 0x1BBu);            // system header
    EXPECT_EQ(ps::ReadBe32(&head[32]), 0x1BEu);            // padding packet
    EXPECT_EQ(ps::ReadBe16(&head[36]), 2010);
    EXPECT_EQ(head[38], 0xFF);
    EXPECT_EQ(head[39], 0x0F);
    EXPECT_EQ(run->read.packets[1].scr, ClockFor(4000000, 192000).scrStep + 1);
}

TEST(RunMux, TimeStampsOfOpenAndClosedGroups) {
    // Groups after the first carry only a group of pictures header: the references restart there.
    auto pictures = Group(true, true);
    for (int g = 0; g < 3; ++g) {
        const auto more = Group(false);
        pictures.insert(pictures.end(), more.begin(), more.end());
    }
    const BuiltVideo v = BuildVideo(pictures, 2500);
    const BuiltAudio a = BuildLayer2Audio(100);
    auto run = Mux(Inputs(v.bytes.size(), a.bytes.size()), v.bytes, a.bytes);
    ASSERT_EQ(run->result.status, platform::RunStatus::Done);
    CheckVideoStamps(*run, v, 3600);
    // DTS runs regularly at the 25 frames/s period.
    std::vector<std::uint64_t> dts;
    for (const auto& p : run->read.packets)
        if (p.hasDts) dts.push_back(p.dts);
    for (std::size_t i = 1; i < dts.size(); ++i) EXPECT_EQ((dts[i] - dts[i - 1]) % 3600, 0u);
}

TEST(RunMux, OpenGroupsAt2997KeepTheClassicDtsRule) {
    // At 29.97 frames/s with two B pictures between anchors, decode stamps are the display stamps
    // less 9009 ticks, as streams written by earlier versions carry them.
    std::vector<mux_testing::Picture> pictures;
    for (int g = 0; g < 4; ++g) {
        const auto more = Group(g == 0);
        pictures.insert(pictures.end(), more.begin(), more.end());
    }
    const BuiltVideo v = BuildVideo(pictures, 2500, 0, 3003);
    const BuiltAudio a = BuildLayer2Audio(100);
    MuxInputs in = Inputs(v.bytes.size(), a.bytes.size());
    in.video.framePeriod = 3003;
    auto run = Mux(in, v.bytes, a.bytes);
    ASSERT_EQ(run->result.status, platform::RunStatus::Done);
    CheckVideoStamps(*run, v, 3003);
    int withDts = 0;
    for (const auto& p : run->read.packets) {
        if (!p.hasDts) continue;
        EXPECT_EQ(p.pts - p.dts, 9009u);
        ++withDts;
    }
    EXPECT_GT(withDts, 10);
}

TEST(RunMux, StartCodesOffWordBoundariesAndTrailingBytes) {
    const BuiltVideo v = BuildVideo(Group(true), 2999, 1);
    ASSERT_TRUE(std::any_of(v.pictureOffsets.begin(), v.pictureOffsets.end(), [](auto o) { return o % 4 != 0; }));
    BuiltAudio a = BuildLayer2Audio(20);
    a.bytes.resize(a.bytes.size() - 1);  // a size that is not a whole number of words
    auto run = Mux(Inputs(v.bytes.size(), a.bytes.size()), v.bytes, a.bytes);
    ASSERT_EQ(run->result.status, platform::RunStatus::Done) << BoxOf(run->result);
    CheckVideoStamps(*run, v, 3600);
    EXPECT_EQ(ps_testing::StreamPayload(run->out, run->read, 0xE0), v.bytes);
    EXPECT_EQ(ps_testing::StreamPayload(run->out, run->read, 0xC0), a.bytes);
}

TEST(RunMux, AudioFramesAndTimeStamps) {
    for (int layer : {2, 1}) {
        const BuiltAudio a = layer == 2 ? BuildLayer2Audio(60) : BuildLayer1Audio(200);
        const BuiltVideo v = BuildVideo(Group(true), 2000);
        auto run = Mux(Inputs(v.bytes.size(), a.bytes.size(), layer), v.bytes, a.bytes);
        ASSERT_EQ(run->result.status, platform::RunStatus::Done) << "layer " << layer << ": " << BoxOf(run->result);
        const std::uint64_t spf = layer == 2 ? 1152 : 384, rate = layer == 2 ? 48000 : 44100;
        std::uint64_t esOffset = 0;
        for (const auto& p : run->read.packets) {
            if (p.streamId != 0xC0) continue;
            const auto first = std::lower_bound(a.frameOffsets.begin(), a.frameOffsets.end(), esOffset);
            const bool starts = first != a.frameOffsets.end() && *first < esOffset + p.payloadBytes;
            ASSERT_EQ(p.hasPts, starts);
            if (starts) {
                ASSERT_EQ(p.pts, spf * std::uint64_t(first - a.frameOffsets.begin()) * 90000 / rate + 30000);
            }
            esOffset += p.payloadBytes;
        }
        EXPECT_EQ(ps_testing::StreamPayload(run->out, run->read, 0xC0), a.bytes);
    }
}

TEST(RunMux, VideoEndingFirstLeavesAudioWithPadding) {
    const BuiltVideo v = BuildVideo(Group(true), 100);
    const BuiltAudio a = BuildLayer2Audio(300);
    auto run = Mux(Inputs(v.bytes.size(), a.bytes.size()), v.bytes, a.bytes);
    ASSERT_EQ(run->result.status, platform::RunStatus::Done);
    const auto& packets = run->read.packets;
    EXPECT_EQ(packets.back().streamId, 0xC0);
    EXPECT_TRUE(std::any_of(packets.begin() + 1, packets.end(), [](const PsPacket& p) { return p.streamId == 0xBE; }));
    EXPECT_EQ(run->out.size() - (packets.back().offset + packets.back().headerBytes + packets.back().payloadBytes), 4u);
}

TEST(RunMux, Refusals) {
    const BuiltVideo v = BuildVideo(Group(true), 1000);
    std::vector<std::uint8_t> notAudio(5000, 0x11);
    auto run = Mux(Inputs(v.bytes.size(), notAudio.size()), v.bytes, notAudio);
    EXPECT_EQ(run->result.status, platform::RunStatus::Error);
    EXPECT_EQ(BoxOf(run->result), "Audio sync error in audio file !");
    EXPECT_EQ(run->report.statuses.back(), "Error !!!");

    BuiltAudio changing = BuildLayer2Audio(10);
    changing.bytes[changing.frameOffsets[3] + 1] = 0xFC;  // protection bit flips mid-stream
    run = Mux(Inputs(v.bytes.size(), changing.bytes.size()), v.bytes, changing.bytes);
    EXPECT_EQ(BoxOf(run->result), "Audio sync error in audio file !");

    MuxInputs in = Inputs(v.bytes.size(), 100);
    in.audio.type = stream_analysis::AudioType::None;
    EXPECT_EQ(BoxOf(Mux(in, v.bytes, {})->result), "Video or Audio file not valid");
    in = Inputs(v.bytes.size(), 100);
    in.video.bitrate = 0;
    in.audio.bitrate = 0;
    EXPECT_EQ(BoxOf(Mux(in, v.bytes, {})->result), "Video or Audio file not valid");
}

TEST(RunMux, StopAndWriteFailure) {
    const BuiltVideo v = BuildVideo(Group(true), 3000);
    const BuiltAudio a = BuildLayer2Audio(40);
    auto run = Mux(Inputs(v.bytes.size(), a.bytes.size()), v.bytes, a.bytes, 5);
    EXPECT_EQ(run->result.status, platform::RunStatus::Canceled);
    EXPECT_EQ(run->report.statuses.back(), "Canceled !!!");
    EXPECT_EQ(run->out.size(), 6u * 2048);  // pack 0 and five more
    EXPECT_FALSE(run->read.endCode);

    run = Mux(Inputs(v.bytes.size(), a.bytes.size()), v.bytes, a.bytes, 1 << 30, 5000);
    EXPECT_EQ(run->result.status, platform::RunStatus::Error);
    EXPECT_EQ(BoxOf(run->result), "Write File Error");
    EXPECT_EQ(run->report.statuses.back(), "Error !!!");
}
