// The record panel of Velmar. It is chosen by "-mr" or RECPLAY; its form and its board start-up
// with the record microcode grow here.
#pragma once

#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"

namespace velmar {

velmar_ui::FormSpec RecordPanelForm();

class CVelmarVrec : public velmar_ui::FormLogic {
public:
    CVelmarVrec(velmar_ui::FormView& view, velmar_ui::UiServices& ui) : FormLogic(view, ui) {}

protected:
    bool Dispatch(const velmar_ui::Event& event) override;
};

}  // namespace velmar
