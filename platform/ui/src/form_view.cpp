#include "velmar_ui/form_view.h"

namespace velmar_ui {

int FormView::FindItem(ControlId id, std::string_view text) const {
    const int count = ItemCount(id);
    for (int i = 0; i < count; ++i)
        if (ItemText(id, i) == text) return i;
    return -1;
}

int FormView::SelectItemText(ControlId id, std::string_view text) {
    const int index = FindItem(id, text);
    SetSelection(id, index);
    return index;
}

std::string FormView::SelectedText(ControlId id) const {
    const int index = Selection(id);
    return index < 0 ? std::string() : ItemText(id, index);
}

}  // namespace velmar_ui
