// A form group for a file of frames, as both panels have one (the playback panel's decode output,
// the record panel's compress source).
#pragma once

#include <string>
#include <vector>

#include "velmar_ui/form_spec.h"

namespace velmar {

// FILE... and the path, the field count with its spin after `fieldsLabel`, and the Frame / Field
// radios.
struct FrameFileGroupIds {
    velmar_ui::ControlId file, path, fields, fieldsSpin, frame, field;
};
void AddFrameFileGroup(std::vector<velmar_ui::ControlSpec>& controls, const std::string& group, const char* fieldsLabel,
                       const FrameFileGroupIds& ids);

}  // namespace velmar
