// Form 101, the playback panel, as data: one group per channel or function.
#pragma once

#include "velmar_ui/form_spec.h"

namespace velmar {

velmar_ui::FormSpec PlaybackForm();

// The five position sliders of the form, in channel order (A, B, audio, alpha, list).
inline constexpr int kPositionSliderIds[] = {1033, 1041, 1067, 1075, 1086};

}  // namespace velmar
