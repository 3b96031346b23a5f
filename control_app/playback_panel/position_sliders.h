// The channels' position sliders as the panel drives them: the four methods of the slider control
// by their dispatch numbers. Setting a position from code never raises the slider's event.
#pragma once

#include "velmar_ui/form_view.h"

namespace velmar {

enum class SliderMethod : int { SetLength = 1, SetPosition = 2, SetPositionPair = 3, SetTrackPosition = 4 };
inline constexpr int kSliderEventPosition = 1;  // (long position, short dragging)

class PositionSliders {
public:
    virtual ~PositionSliders() = default;
    // Calls method `dispid` of slider `id` with one or two arguments.
    virtual void Invoke(velmar_ui::ControlId id, SliderMethod dispid, long first, long second = 0) = 0;

    void SetLength(velmar_ui::ControlId id, long length) { Invoke(id, SliderMethod::SetLength, length); }
    void SetPosition(velmar_ui::ControlId id, long position) { Invoke(id, SliderMethod::SetPosition, position); }
    void SetPositionPair(velmar_ui::ControlId id, long first, long position) {
        Invoke(id, SliderMethod::SetPositionPair, first, position);
    }
    void SetTrackPosition(velmar_ui::ControlId id, long position) {
        Invoke(id, SliderMethod::SetTrackPosition, position);
    }
};

// Sliders that are plain slider controls of the form: the length is the range, every position
// method moves the thumb.
class FormPositionSliders : public PositionSliders {
public:
    explicit FormPositionSliders(velmar_ui::FormView& view) : view_(view) {}
    void Invoke(velmar_ui::ControlId id, SliderMethod dispid, long first, long second) override;

private:
    velmar_ui::FormView& view_;
};

}  // namespace velmar
