// The channels' position slider: a track of `length` positions whose thumb the panel moves with
// four methods (by their dispatch numbers, as the panel calls them) and which reports the
// operator's moves as one event (position, dragging). Moves made by the panel raise no event.
#pragma once

#include <QSlider>

#include <functional>
#include <map>

#include "playback_panel/position_sliders.h"

namespace velmar_qt {

class PositionSlider : public QSlider {
public:
    // Event 1: dragging is 1 while the thumb is held, 0 on release, click or key.
    using EventHandler = std::function<void(long position, short dragging)>;

    explicit PositionSlider(QWidget* parent = nullptr);

    void SetLength(long length);
    void SetPosition(long position);
    // The timer's form: (0, position).
    void SetPositionPair(long first, long position);
    // Follows another slider's drag.
    void SetTrackPosition(long position);
    void Invoke(velmar::SliderMethod dispid, long first, long second = 0);

    void OnEvent(EventHandler handler) { onEvent_ = std::move(handler); }

private:
    void Move(long position);
    EventHandler onEvent_;
};

// The panel's seam over the form's PositionSlider widgets.
class QtPositionSliders : public velmar::PositionSliders {
public:
    void Add(velmar_ui::ControlId id, PositionSlider* slider) { sliders_[id] = slider; }
    PositionSlider* Slider(velmar_ui::ControlId id) const;
    void Invoke(velmar_ui::ControlId id, velmar::SliderMethod dispid, long first, long second) override;

private:
    std::map<velmar_ui::ControlId, PositionSlider*> sliders_;
};

}  // namespace velmar_qt
