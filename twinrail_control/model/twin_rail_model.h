// The dual-thumb slider without a toolkit: a range [start, end] of integer positions 0..range on
// one horizontal track, its geometry in a window of given bounds, hit tests and the drag
// arithmetic. The widget paints what this computes and forwards the mouse to it.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

namespace twinrail {

// Left and top inside, right and bottom outside, as window rectangles have always been.
struct RailRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    int Width() const { return right - left; }
    bool operator==(const RailRect&) const = default;
};

enum class RailCursor { Arrow, SizeWestEast, SizeAll };
enum class RailZone { None, Band, LeftThumb, RightThumb };

class TwinRailModel {
public:
    static constexpr std::uint32_t kDefaultColor = 0xFF00FF;  // 0x00BBGGRR

    // Automation: values are clamped so that 0 <= start <= end <= range always holds.
    void SetPos(std::int32_t start, std::int32_t end);
    void SetRange(std::int32_t count);  // highest position = count - 1
    void SetColor(std::uint32_t color) { color_ = color; }

    int Range() const { return range_; }
    int Start() const { return start_; }
    int End() const { return end_; }
    int DragStart() const { return dragStart_; }
    int DragEnd() const { return dragEnd_; }
    std::uint32_t Color() const { return color_; }

    // Geometry from the window's bounds; the rubber band follows the selection outside a drag.
    void SetBounds(const RailRect& bounds);
    const RailRect& Bounds() const { return bounds_; }
    RailRect Inner() const;
    RailRect Track() const;
    int TrackLength() const { return bounds_.Width() - 32; }
    RailRect Selection() const;
    RailRect Band() const;
    RailRect LeftThumb() const;
    RailRect RightThumb() const;
    const RailRect& Rubber() const { return rubber_; }

    RailZone HitTest(int x, int y) const;
    // Cursor over a point when no drag runs.
    RailCursor HoverCursor(int x, int y) const;

    // A drag: button down picks the zone, each move gives the Change (start, end) to fire, the
    // release commits the drag values. Moves without a zone give nothing.
    RailCursor ButtonDown(int x, int y);
    std::optional<std::pair<int, int>> MouseMove(int x, int y);
    RailCursor ButtonUp();
    bool Dragging() const { return dragging_; }
    RailZone DragZone() const { return zone_; }

private:
    // Pixel position of a value on the track; 64-bit so that long clips on wide tracks do not overflow.
    int X(int value) const;
    // Value of a pixel offset along the track, the drag formulas' "range x offset / length".
    int ValueAt(std::int64_t offset) const;
    void MoveBand(int dx);
    void MoveLeftThumb(int dx);
    void MoveRightThumb(int dx);

    int range_ = 1;
    int start_ = 0;
    int end_ = 1;
    int dragStart_ = 0;
    int dragEnd_ = 1;
    std::uint32_t color_ = kDefaultColor;
    RailRect bounds_;
    RailRect rubber_;
    RailRect downSelection_;
    bool dragging_ = false;
    RailZone zone_ = RailZone::None;
    int downX_ = 0;
};

}  // namespace twinrail
