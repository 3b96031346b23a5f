#include "position_slider.h"

#include <QSignalBlocker>

#include <algorithm>

namespace velmar_qt {

PositionSlider::PositionSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, 0);
    setTracking(true);
    // Only the operator's actions reach the event; setValue raises none of these signals.
    connect(this, &QAbstractSlider::sliderMoved, this, [this](int position) {
        if (onEvent_) onEvent_(position, 1);
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        if (onEvent_) onEvent_(sliderPosition(), 0);
    });
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action == QAbstractSlider::SliderMove || action == QAbstractSlider::SliderNoAction) return;
        if (onEvent_) onEvent_(sliderPosition(), 0);
    });
}

void PositionSlider::Move(long position) {
    const QSignalBlocker quiet(this);
    setValue(static_cast<int>(std::clamp<long>(position, minimum(), maximum())));
}

void PositionSlider::SetLength(long length) {
    const QSignalBlocker quiet(this);
    setRange(0, static_cast<int>(std::max(1L, length) - 1));
    setPageStep(std::max(1, maximum() / 20));
}

void PositionSlider::SetPosition(long position) { Move(position); }
void PositionSlider::SetPositionPair(long /*first*/, long position) { Move(position); }
void PositionSlider::SetTrackPosition(long position) { Move(position); }

void PositionSlider::Invoke(velmar::SliderMethod dispid, long first, long second) {
    switch (dispid) {
    case velmar::SliderMethod::SetLength: SetLength(first); break;
    case velmar::SliderMethod::SetPosition: SetPosition(first); break;
    case velmar::SliderMethod::SetPositionPair: SetPositionPair(first, second); break;
    case velmar::SliderMethod::SetTrackPosition: SetTrackPosition(first); break;
    }
}

PositionSlider* QtPositionSliders::Slider(velmar_ui::ControlId id) const {
    auto found = sliders_.find(id);
    return found == sliders_.end() ? nullptr : found->second;
}

void QtPositionSliders::Invoke(velmar_ui::ControlId id, velmar::SliderMethod dispid, long first, long second) {
    if (auto* slider = Slider(id)) slider->Invoke(dispid, first, second);
}

}  // namespace velmar_qt
