#include "velmar_ui/testing/fake_form_view.h"

#include <algorithm>
#include <stdexcept>

namespace velmar_ui::testing {

FakeFormView::FakeFormView(const FormSpec& form) : strict_(true), title_(form.title) {
    for (const auto& spec : form.controls) {
        if (spec.id == kNoId) continue;
        FakeControl& control = controls_[spec.id];
        control.kind = spec.kind;
        control.group = spec.group;
        if (spec.kind != ControlKind::Edit) control.text = spec.caption;
        control.enabled = !(spec.flags & kDisabled);
        control.shown = !(spec.flags & kHidden);
        if (spec.kind == ControlKind::ProgressBar) control.range = {0, 100};
    }
    rect_ = {0, 0, form.width, form.height};
}

void FakeFormView::AddControl(ControlId id, ControlKind kind) { controls_[id].kind = kind; }

FakeControl& FakeFormView::Control(ControlId id) {
    if (strict_) {
        auto found = controls_.find(id);
        if (found == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
        return found->second;
    }
    return controls_[id];
}

const FakeControl& FakeFormView::Control(ControlId id) const {
    return const_cast<FakeFormView*>(this)->Control(id);
}

bool FakeFormView::Has(ControlId id) const { return !strict_ || controls_.count(id) != 0; }

std::string FakeFormView::Text(ControlId id) const {
    const FakeControl& control = Control(id);
    if (control.kind == ControlKind::ComboBox) return control.selection < 0 ? "" : control.items[control.selection];
    return control.text;
}

void FakeFormView::SetText(ControlId id, std::string_view text) {
    FakeControl& control = Control(id);
    control.text = text;
    control.allSelected = false;
}

void FakeFormView::SelectAllText(ControlId id) { Control(id).allSelected = true; }

void FakeFormView::SetRange(ControlId id, IntRange range) {
    FakeControl& control = Control(id);
    control.range = range;
    control.position = std::clamp(control.position, range.low, std::max(range.low, range.high));
}

void FakeFormView::SetPosition(ControlId id, int position) {
    FakeControl& control = Control(id);
    control.position = std::clamp(position, control.range.low, std::max(control.range.low, control.range.high));
}

std::string FakeFormView::ItemText(ControlId id, int index) const {
    const FakeControl& control = Control(id);
    if (index < 0 || index >= static_cast<int>(control.items.size()))
        throw std::out_of_range("no item " + std::to_string(index) + " in " + std::to_string(id));
    return control.items[index];
}

void FakeFormView::AddItem(ControlId id, std::string_view text) { Control(id).items.emplace_back(text); }

void FakeFormView::RemoveItem(ControlId id, int index) {
    FakeControl& control = Control(id);
    if (index < 0 || index >= static_cast<int>(control.items.size())) return;
    control.items.erase(control.items.begin() + index);
    if (control.selection == index) control.selection = -1;
    else if (control.selection > index) --control.selection;
}

void FakeFormView::ClearItems(ControlId id) {
    FakeControl& control = Control(id);
    control.items.clear();
    control.selection = -1;
}

void FakeFormView::SetSelection(ControlId id, int index) {
    FakeControl& control = Control(id);
    control.selection = index >= 0 && index < static_cast<int>(control.items.size()) ? index : -1;
}

void FakeFormView::Click(ControlId id) {
    FakeControl& control = Control(id);
    if (control.kind == ControlKind::CheckBox) {
        control.checked = !control.checked;
    } else if (control.kind == ControlKind::RadioButton) {
        for (auto& [otherId, other] : controls_)
            if (other.kind == ControlKind::RadioButton && other.group == control.group) other.checked = false;
        control.checked = true;
    }
}

void FakeFormView::Type(ControlId id, const std::string& text) { SetText(id, text); }

void FakeFormView::Pick(ControlId id, const std::string& itemText) {
    if (SelectItemText(id, itemText) < 0) throw std::out_of_range("no item \"" + itemText + "\"");
}

}  // namespace velmar_ui::testing
