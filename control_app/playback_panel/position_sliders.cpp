#include "position_sliders.h"

#include <algorithm>

namespace velmar {

void FormPositionSliders::Invoke(velmar_ui::ControlId id, SliderMethod dispid, long first, long second) {
    switch (dispid) {
    case SliderMethod::SetLength:
        view_.SetRange(id, {0, static_cast<int>(std::max(1L, first) - 1)});
        break;
    case SliderMethod::SetPosition:
    case SliderMethod::SetTrackPosition: view_.SetPosition(id, static_cast<int>(first)); break;
    case SliderMethod::SetPositionPair: view_.SetPosition(id, static_cast<int>(second)); break;
    }
}

}  // namespace velmar
