// Form 101, the playback panel, as data: one group per channel or function.
#pragma once

#include "velmar_ui/form_spec.h"

namespace velmar {

velmar_ui::FormSpec PlaybackForm();

// A group for a file of frames, as both panels have one (the playback panel's decode output, the
// record panel's compress source): FILE... and the path, the field count with its spin after
// `fieldsLabel`, and the Frame / Field radios.
struct FrameFileGroupIds {
    velmar_ui::ControlId file, path, fields, fieldsSpin, frame, field;
};
void AddFrameFileGroup(std::vector<velmar_ui::ControlSpec>& controls, const std::string& group, const char* fieldsLabel,
                       const FrameFileGroupIds& ids);

// The five position sliders of the form, in channel order (A, B, audio, alpha, list).
inline constexpr int kPositionSliderIds[] = {1033, 1041, 1067, 1075, 1086};

}  // namespace velmar
