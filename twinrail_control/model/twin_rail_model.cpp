#include "twin_rail_model.h"

#include <algorithm>

namespace twinrail {

void TwinRailModel::SetPos(std::int32_t start, std::int32_t end) {
    start_ = std::clamp<std::int32_t>(start, 0, range_);
    end_ = std::clamp<std::int32_t>(end, start_, range_);
    dragStart_ = start_;
    dragEnd_ = end_;
    rubber_ = Selection();
}

void TwinRailModel::SetRange(std::int32_t count) {
    range_ = std::max<std::int64_t>(std::int64_t{count} - 1, 0);
    start_ = std::min(start_, range_);
    end_ = std::min(end_, range_);
    dragStart_ = start_;
    dragEnd_ = end_;
    rubber_ = Selection();
}

void TwinRailModel::SetBounds(const RailRect& bounds) {
    bounds_ = bounds;
    if (!dragging_) rubber_ = Selection();
}

RailRect TwinRailModel::Inner() const {
    return {bounds_.left + 8, bounds_.top + 8, bounds_.right - 8, bounds_.bottom - 8};
}

RailRect TwinRailModel::Track() const {
    return {bounds_.left + 10, bounds_.top + 8, bounds_.right - 22, bounds_.bottom - 8};
}

int TwinRailModel::X(int value) const {
    const RailRect track = Track();
    if (range_ == 0) return track.left;
    return track.left + int(std::int64_t{TrackLength()} * value / range_);
}

RailRect TwinRailModel::Selection() const {
    const RailRect track = Track();
    // With nothing to choose from the band spans the whole track.
    const int right = range_ == 0 ? track.right : X(end_);
    return {X(start_), track.top + 1, right + 12, track.bottom - 2};
}

RailRect TwinRailModel::Band() const {
    const RailRect s = Selection();
    return {s.left + 4, s.top, s.right - 4, s.bottom};
}

RailRect TwinRailModel::LeftThumb() const {
    const RailRect s = Selection();
    return {s.left, s.top, s.right - 4, s.bottom};
}

RailRect TwinRailModel::RightThumb() const {
    const RailRect s = Selection();
    return {s.left + 4, s.top, s.right, s.bottom};
}

RailZone TwinRailModel::HitTest(int x, int y) const {
    if (Band().Contains(x, y)) return RailZone::Band;
    if (LeftThumb().Contains(x, y)) return RailZone::LeftThumb;
    if (RightThumb().Contains(x, y)) return RailZone::RightThumb;
    return RailZone::None;
}

RailCursor TwinRailModel::HoverCursor(int x, int y) const {
    const RailZone zone = HitTest(x, y);
    return zone == RailZone::LeftThumb || zone == RailZone::RightThumb ? RailCursor::SizeWestEast : RailCursor::Arrow;
}

RailCursor TwinRailModel::ButtonDown(int x, int y) {
    dragging_ = true;
    downX_ = x;
    zone_ = HitTest(x, y);
    downSelection_ = Selection();
    rubber_ = downSelection_;
    switch (zone_) {
    case RailZone::Band: return RailCursor::SizeAll;
    case RailZone::LeftThumb:
    case RailZone::RightThumb: return RailCursor::SizeWestEast;
    case RailZone::None: break;
    }
    return RailCursor::Arrow;
}

int TwinRailModel::ValueAt(std::int64_t offset) const {
    return int(std::int64_t{range_} * offset / TrackLength());
}

void TwinRailModel::MoveBand(int dx) {
    const RailRect track = Track();
    const RailRect& sel = downSelection_;
    const int width = sel.right - sel.left;
    if (sel.left + dx < track.left) {
        rubber_.left = track.left;
        rubber_.right = sel.right + track.left - sel.left;
        dragStart_ = 0;
        dragEnd_ = end_ - start_;
    } else if (track.right + 12 < sel.right + dx) {
        rubber_.right = track.right + 12;
        rubber_.left = rubber_.right - width;
        dragStart_ = start_ + range_ - end_;
        dragEnd_ = range_;
    } else {
        rubber_.left = sel.left + dx;
        rubber_.right = sel.right + dx;
        const std::int64_t half = TrackLength() / range_ / 2;
        dragStart_ = ValueAt(sel.left + dx + half - track.left);
        dragEnd_ = dragStart_ + end_ - start_;
        if (dragEnd_ > range_) {
            dragStart_ = start_ + range_ - end_;
            dragEnd_ = range_;
        }
    }
}

void TwinRailModel::MoveLeftThumb(int dx) {
    const RailRect track = Track();
    const RailRect& sel = downSelection_;
    const int p = sel.left + dx;
    if (p < track.left) {
        rubber_.left = track.left;
        dragStart_ = 0;
    } else if (p > sel.right - 12) {
        rubber_.left = sel.right - 12;
        dragStart_ = end_;
    } else {
        rubber_.left = p;
        if (range_ > 0) {
            const std::int64_t half = TrackLength() / range_ / 2;
            dragStart_ = std::clamp(ValueAt(p + half - track.left), 0, end_);
        }
    }
}

void TwinRailModel::MoveRightThumb(int dx) {
    const RailRect track = Track();
    const RailRect& sel = downSelection_;
    const int p = sel.right + dx;
    if (p > track.right + 12) {
        rubber_.right = track.right + 12;
        dragEnd_ = range_;
    } else if (p < sel.left + 12) {
        rubber_.right = sel.left + 12;
        dragEnd_ = start_;
    } else {
        rubber_.right = p;
        if (range_ > 0) {
            const std::int64_t half = TrackLength() / range_ / 2;
            dragEnd_ = std::clamp(ValueAt(half + p - track.left - 12), start_, range_);
        }
    }
}

std::optional<std::pair<int, int>> TwinRailModel::MouseMove(int x, int /*y*/) {
    // A track of no length (a window 32 pixels wide or less, or not laid out yet) has no values.
    if (!dragging_ || zone_ == RailZone::None || TrackLength() <= 0) return std::nullopt;
    const int dx = x - downX_;
    switch (zone_) {
    case RailZone::Band:
        // A band over the whole of a one-value track has nowhere to go.
        if (range_ <= 0) return std::nullopt;
        MoveBand(dx);
        return std::pair{dragStart_, dragEnd_};
    case RailZone::LeftThumb:
        MoveLeftThumb(dx);
        return std::pair{dragStart_, end_};
    case RailZone::RightThumb:
        MoveRightThumb(dx);
        return std::pair{start_, dragEnd_};
    case RailZone::None: break;
    }
    return std::nullopt;
}

RailCursor TwinRailModel::ButtonUp() {
    if (!dragging_) return RailCursor::Arrow;
    dragging_ = false;
    const RailZone zone = zone_;
    zone_ = RailZone::None;
    if (zone == RailZone::None) return RailCursor::Arrow;
    start_ = dragStart_;
    end_ = dragEnd_;
    rubber_ = Selection();
    return zone == RailZone::Band ? RailCursor::Arrow : RailCursor::SizeWestEast;
}

}  // namespace twinrail
