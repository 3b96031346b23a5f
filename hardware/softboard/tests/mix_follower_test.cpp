// The board's mix: alpha frames counted across pieces in either word order, cuts and keyed
// transitions at the fields their time words name, the play list's span words and resumes.
#include <gtest/gtest.h>

#include <algorithm>

#include "softboard/mix_follower.h"

namespace softboard {
namespace {

// `count` frames of `length` bytes (padded to 8), in stored or word-reversed order.
std::vector<std::uint8_t> AlphaFrames(int count, std::uint32_t length, bool reversed) {
    std::vector<std::uint8_t> bytes;
    for (int f = 0; f < count; ++f) {
        const std::size_t at = bytes.size();
        bytes.resize(at + (length + 7) / 8 * 8, 0);
        const std::uint32_t words[2] = {0x43434241, length};
        for (int w = 0; w < 2; ++w)
            for (int b = 0; b < 4; ++b)
                bytes[at + 4 * w + (reversed ? 3 - b : b)] = static_cast<std::uint8_t>(words[w] >> (24 - 8 * b));
    }
    return bytes;
}

TEST(AlphaFrameCounter, CountsFramesFedInAnyPieces) {
    for (bool reversed : {false, true}) {
        const auto bytes = AlphaFrames(5, 314, reversed);
        for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{320}, bytes.size()}) {
            AlphaFrameCounter counter;
            for (std::size_t at = 0; at < bytes.size(); at += piece)
                counter.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
            EXPECT_EQ(counter.Frames(), 5u) << reversed << " " << piece;
        }
    }
    AlphaFrameCounter counter;
    const std::vector<std::uint8_t> junk(64, 0x55);
    counter.Feed(junk.data(), junk.size());
    EXPECT_EQ(counter.Frames(), 0u);
}

TEST(MixFollower, CutsAndKeyedTransitionsAtTheirFields) {
    MixFollower mix;
    const auto alpha = AlphaFrames(3, 314, false);
    mix.OnAlphaBytes(alpha.data(), alpha.size());
    mix.OnCommand({100, MixFollower::kOpOutputSource, 0x01, {1}});  // cut to B at field 100
    mix.OnCommand({0, MixFollower::kOpKeyedTransition, 0x00, {110, 0}});  // key back to A at 110
    for (std::uint64_t field = 90; field < 120; ++field) mix.OnField(field);
    EXPECT_EQ(mix.Events(), (std::vector<MixEvent>{{100, MixEvent::Cut, 1},
                                                   {110, MixEvent::KeyedStart, 0},
                                                   {113, MixEvent::KeyedEnd, 0}}));
    EXPECT_EQ(mix.OnAir(), 0);
    EXPECT_EQ(mix.AlphaCounter(), 3u);
    EXPECT_EQ(mix.StatusWord(), 4u);  // A on air, no key running, the last one keyed
}

TEST(MixFollower, TheListsSpanWordReleasesTheKeyAndResumesCount) {
    MixFollower mix;
    const auto alpha = AlphaFrames(50, 314, false);
    mix.OnAlphaBytes(alpha.data(), alpha.size());
    mix.OnCommand({200, MixFollower::kOpOutputSource, 0x21, {0}});  // later keyed to B
    mix.OnCommand({190, MixFollower::kOpResume, 0x21, {}});          // B takes its queued clip
    mix.OnCommand({210, MixFollower::kOpOutputSource, 0x20, {1}});   // span end after A's entry
    mix.OnCommand({215, MixFollower::kOpFreeze, 0x20, {}});
    for (std::uint64_t field = 180; field <= 205; ++field) mix.OnField(field);
    EXPECT_TRUE(mix.Keyed());
    EXPECT_EQ(mix.StatusWord() & 3u, 2u);
    for (std::uint64_t field = 206; field <= 220; ++field) mix.OnField(field);
    EXPECT_EQ(mix.Events(), (std::vector<MixEvent>{{190, MixEvent::Resume, 1},
                                                   {200, MixEvent::KeyedStart, 1},
                                                   {210, MixEvent::KeyedEnd, 1},
                                                   {215, MixEvent::Freeze, 0}}));
    EXPECT_EQ(mix.AlphaCounter(), 10u);
    EXPECT_EQ(mix.StatusWord(), 1u | 4u | 1u << 16);
    // The list stops: nothing scheduled stays.
    mix.OnCommand({300, MixFollower::kOpOutputSource, 0x10, {1}});
    mix.OnCommand({0, MixFollower::kOpFlush, 0x0F, {}});
    mix.OnField(300);
    EXPECT_EQ(mix.OnAir(), 1);
}

TEST(MixFollower, ListWordsCountFromTheListsClock) {
    MixFollower mix;
    const auto alpha = AlphaFrames(4, 314, false);
    mix.OnAlphaBytes(alpha.data(), alpha.size());
    // Channel A's first list entry starts at field 116; its alpha keys into B six fields later.
    mix.OnCommand({0, MixFollower::kOpPlayRange, 0x00, {0xFFFFFFFF, 116, 0, 0}});
    mix.OnCommand({0, MixFollower::kOpKeyedTransition, 0x01, {6, 2}});
    mix.OnCommand({12, MixFollower::kOpFreeze, 0x20, {}});
    for (std::uint64_t field = 110; field <= 130; ++field) mix.OnField(field);
    EXPECT_EQ(mix.Events(), (std::vector<MixEvent>{{122, MixEvent::KeyedStart, 1},
                                                   {126, MixEvent::KeyedEnd, 1},
                                                   {128, MixEvent::Freeze, 0}}));
    EXPECT_EQ(mix.OnAir(), 1);
}

// A roll of three entries as the list engine schedules it, the list starting at field 100: A
// keys into B (B's first entry starts at 106 with two pictures of its group before it), B cuts
// to A's queued entry, A cuts to B's, B keys into A. Each word counts on the list clock of the
// channel its stream byte names, and a channel's clock stands while the channel is frozen.
TEST(MixFollower, EachChannelsListClockCountsTheFieldsItPlays) {
    constexpr std::uint32_t kNowWord = 0xFFFFFFFF;
    const MixCommand roll[] = {
        {0, MixFollower::kOpPlayRange, 0x00, {kNowWord, 100, 0, 0}},
        {0, MixFollower::kOpPlayRange, 0x01, {kNowWord, 106, 4, 0}},
        {0, MixFollower::kOpKeyedTransition, 0x01, {10, 2}},   // on A's clock
        {16, MixFollower::kOpFreeze, 0x20, {}},                // A's end
        {8, MixFollower::kOpOutputSource, 0x11, {1}},          // span end, on B's clock from B's start
        {20, MixFollower::kOpResume, 0x10, {}},                // A's queued entry
        {20, MixFollower::kOpOutputSource, 0x10, {1}},
        {24, MixFollower::kOpFreeze, 0x11, {}},
        {24, MixFollower::kOpResume, 0x21, {}},                // A's clock stood from 116 to 126
        {24, MixFollower::kOpOutputSource, 0x21, {1}},
        {24, MixFollower::kOpFreeze, 0x20, {}},
        {30, MixFollower::kOpResume, 0x10, {}},
        {34, MixFollower::kOpOutputSource, 0x10, {0}},         // keyed back to A
        {40, MixFollower::kOpFreeze, 0x11, {}},
        {32, MixFollower::kOpOutputSource, 0x20, {1}},         // its span end
    };
    MixFollower mix;
    const auto alpha = AlphaFrames(8, 314, false);  // both entries' streams already fed
    mix.OnAlphaBytes(alpha.data(), alpha.size());
    mix.OnField(95);
    for (const MixCommand& command : roll) mix.OnCommand(command);
    for (std::uint64_t field = 96; field <= 155; ++field) mix.OnField(field);
    using E = MixEvent;
    EXPECT_EQ(mix.Events(), (std::vector<MixEvent>{{110, E::KeyedStart, 1}, {114, E::KeyedEnd, 1}, {116, E::Freeze, 0},
                                                   {126, E::Resume, 0}, {126, E::Cut, 0}, {130, E::Freeze, 1},
                                                   {134, E::Resume, 1}, {134, E::Cut, 1}, {134, E::Freeze, 0},
                                                   {140, E::Resume, 0}, {144, E::KeyedStart, 0},
                                                   {148, E::KeyedEnd, 0}, {150, E::Freeze, 1}}));
    EXPECT_EQ(mix.AlphaCounter(), 8u);
    EXPECT_EQ(mix.StatusWord(), 4u | 2u << 8 | 1u << 16);

    // The clock itself: nothing before its origin, standing while frozen, a stopped one never due.
    ListClock clock;
    clock.Start(10);
    enum Act { Read, Freeze, Resume };
    struct Step {
        Act act;
        std::uint64_t field;
        std::optional<std::uint64_t> value;  // read at `field` after the act
    };
    const Step steps[] = {
        {Freeze, 5, std::nullopt},  // frozen before it started: it starts frozen
        {Read, 12, 0},   {Resume, 12, 0}, {Read, 13, 1}, {Freeze, 20, 8},
        {Read, 24, 8},   {Resume, 25, 8}, {Read, 30, 13},
    };
    for (const Step& step : steps) {
        if (step.act == Freeze) clock.Freeze(step.field);
        if (step.act == Resume) clock.Resume(step.field);
        EXPECT_EQ(clock.Value(step.field), step.value) << step.field;
    }
    clock.Stop();
    EXPECT_EQ(clock.Value(1000), std::nullopt);
}

}  // namespace
}  // namespace softboard
