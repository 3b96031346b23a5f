// The slider's model: clamping, geometry and the three drag zones, without a window.
#include <gtest/gtest.h>

#include "model/twin_rail_model.h"

using namespace twinrail;

namespace {

// 432 pixels wide: track from x 10, 400 long; with range 100 each value is 4 pixels.
TwinRailModel Slider(int count, int start, int end, int width = 432) {
    TwinRailModel m;
    m.SetBounds({0, 0, width, 40});
    m.SetRange(count);
    m.SetPos(start, end);
    return m;
}

}  // namespace

TEST(TwinRailModel, MethodsClampIntoTheRange) {
    struct Case {
        int count, start, end, wantRange, wantStart, wantEnd;
    };
    const Case cases[] = {
        {101, 20, 10, 100, 20, 20},   // end below start is raised to it
        {101, -5, 500, 100, 0, 100},  // both ends clamped
        {0, 3, 7, 0, 0, 0},           // no positions: range 0
        {-9, 3, 7, 0, 0, 0},
        {11, 4, 20, 10, 4, 10},
    };
    for (const auto& c : cases) {
        const auto m = Slider(c.count, c.start, c.end);
        EXPECT_EQ(m.Range(), c.wantRange);
        EXPECT_EQ(m.Start(), c.wantStart);
        EXPECT_EQ(m.End(), c.wantEnd);
        EXPECT_EQ(m.DragStart(), m.Start());
        EXPECT_EQ(m.DragEnd(), m.End());
    }
    // Shrinking the range pulls both ends in.
    auto m = Slider(101, 30, 90);
    m.SetRange(51);
    EXPECT_EQ(m.Start(), 30);
    EXPECT_EQ(m.End(), 50);
}

TEST(TwinRailModel, GeometryAndHitOrder) {
    const auto m = Slider(101, 20, 40);
    EXPECT_EQ(m.Track(), (RailRect{10, 8, 410, 32}));
    EXPECT_EQ(m.Selection(), (RailRect{90, 9, 182, 30}));
    EXPECT_EQ(m.HitTest(89, 20), RailZone::None);
    EXPECT_EQ(m.HitTest(90, 20), RailZone::LeftThumb);
    EXPECT_EQ(m.HitTest(93, 20), RailZone::LeftThumb);
    EXPECT_EQ(m.HitTest(94, 20), RailZone::Band);
    EXPECT_EQ(m.HitTest(177, 20), RailZone::Band);
    EXPECT_EQ(m.HitTest(178, 20), RailZone::RightThumb);
    EXPECT_EQ(m.HitTest(181, 20), RailZone::RightThumb);
    EXPECT_EQ(m.HitTest(182, 20), RailZone::None);
    EXPECT_EQ(m.HitTest(120, 30), RailZone::None);
    EXPECT_EQ(m.HoverCursor(91, 20), RailCursor::SizeWestEast);
    EXPECT_EQ(m.HoverCursor(120, 20), RailCursor::Arrow);
}

TEST(TwinRailModel, DragsInEachZoneFireChangeAndCommitOnRelease) {
    struct Case {
        int downX, moveX;
        int changeStart, changeEnd;
        RailCursor downCursor, upCursor;
    };
    // Start 20 (x 90), end 40 (x 170, selection right 182).
    const Case cases[] = {
        {120, 160, 30, 50, RailCursor::SizeAll, RailCursor::Arrow},        // band inside the track
        {120, -80, 0, 20, RailCursor::SizeAll, RailCursor::Arrow},         // band past the left end
        {120, 420, 80, 100, RailCursor::SizeAll, RailCursor::Arrow},       // band past the right end
        {91, 51, 10, 40, RailCursor::SizeWestEast, RailCursor::SizeWestEast},   // left thumb
        {91, 0, 0, 40, RailCursor::SizeWestEast, RailCursor::SizeWestEast},     // before the track
        {91, 191, 40, 40, RailCursor::SizeWestEast, RailCursor::SizeWestEast},  // past the right thumb
        {180, 220, 20, 50, RailCursor::SizeWestEast, RailCursor::SizeWestEast}, // right thumb
        {180, 500, 20, 100, RailCursor::SizeWestEast, RailCursor::SizeWestEast},
        {180, 80, 20, 20, RailCursor::SizeWestEast, RailCursor::SizeWestEast},  // before the left thumb
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.downX << " -> " << c.moveX);
        auto m = Slider(101, 20, 40);
        EXPECT_EQ(m.ButtonDown(c.downX, 20), c.downCursor);
        const auto change = m.MouseMove(c.moveX, 20);
        ASSERT_TRUE(change);
        EXPECT_EQ(*change, std::make_pair(c.changeStart, c.changeEnd));
        EXPECT_EQ(m.Start(), 20);  // nothing committed during the drag
        EXPECT_EQ(m.End(), 40);
        EXPECT_EQ(m.ButtonUp(), c.upCursor);
        EXPECT_EQ(m.Start(), c.changeStart);
        EXPECT_EQ(m.End(), c.changeEnd);
        if (c.downCursor == RailCursor::SizeAll) {
            EXPECT_EQ(m.End() - m.Start(), 20) << "the band keeps its width";
        }
    }
}

TEST(TwinRailModel, ReleaseWithoutMoveAndDegenerateTracksChangeNothing) {
    auto m = Slider(101, 20, 40);
    m.ButtonDown(120, 20);
    m.ButtonUp();
    EXPECT_EQ(std::make_pair(m.Start(), m.End()), std::make_pair(20, 40));
    // Outside every zone: moves fire nothing.
    m.ButtonDown(300, 20);
    EXPECT_FALSE(m.MouseMove(350, 20));
    m.ButtonUp();
    // Range 0: the band does not move, the values stay 0.
    auto zero = Slider(0, 0, 0);
    zero.ButtonDown(200, 20);
    EXPECT_FALSE(zero.MouseMove(250, 20));
    zero.ButtonUp();
    EXPECT_EQ(std::make_pair(zero.Start(), zero.End()), std::make_pair(0, 0));
    // A window of 32 pixels or less has no track: no division by its length.
    for (int width : {0, 20, 32}) {
        auto narrow = Slider(101, 20, 40, width);
        narrow.ButtonDown(narrow.Selection().left + 5, 20);
        EXPECT_FALSE(narrow.MouseMove(narrow.Selection().left + 15, 20));
        narrow.ButtonUp();
        EXPECT_EQ(std::make_pair(narrow.Start(), narrow.End()), std::make_pair(20, 40));
    }
}

TEST(TwinRailModel, LongClipsOnWideTracksDoNotOverflow) {
    // 2000-pixel track, 2,000,000 positions: length x value and range x offset pass 2^31.
    auto m = Slider(2000001, 1500000, 2000000, 2032);
    EXPECT_EQ(m.Selection().left, 10 + 1500);
    m.ButtonDown(m.Selection().left + 1, 20);
    const auto change = m.MouseMove(m.Selection().left + 1 + 100, 20);
    ASSERT_TRUE(change);
    EXPECT_EQ(change->first, 1600000);
}
