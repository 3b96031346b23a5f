#include "velmar_vrec.h"

namespace velmar {

velmar_ui::FormSpec RecordPanelForm() {
    velmar_ui::FormSpec form;
    form.title = "Velmar Recorder";
    return form;
}

bool CVelmarVrec::Dispatch(const velmar_ui::Event&) { return false; }

}  // namespace velmar
