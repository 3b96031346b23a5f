// Form 102, the record panel, as data.
#pragma once

#include "velmar_ui/form_spec.h"

namespace velmar {

velmar_ui::FormSpec RecordPanelForm();

}  // namespace velmar
