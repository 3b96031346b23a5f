// Dialog data exchange: one table per form binding control ids to members of the logic class, and
// one UpdateData over it. Loading (save = false) writes the members into the controls; saving
// reads the controls back, checks numbers against their range and stops at the first bad field
// with a box, leaving that field's member unchanged.
//
//   const DataExchange<CMuxDlg>& CMuxDlg::DataMap() {
//       static const DataExchange<CMuxDlg> table{
//           DdxText(1005, &CMuxDlg::audioPath_),
//           DdxNumber(1040, &CMuxDlg::count_, 1, 99),
//           DdxCheck(1019, &CMuxDlg::decode_),
//           DdxRadio({1027, 1024, 1025, 1032}, &CMuxDlg::type_),
//       };
//       return table;
//   }
#pragma once

#include <initializer_list>
#include <string>
#include <variant>
#include <vector>

#include "velmar_ui/form_view.h"
#include "velmar_ui/ui_services.h"

namespace velmar_ui {

// Parses a whole decimal integer with optional sign and surrounding blanks.
bool ParseInteger(const std::string& text, int& value);

template <class Logic>
struct DdxField {
    struct Text { std::string Logic::*member; };
    struct Number { int Logic::*member; int low; int high; };
    struct Check { bool Logic::*member; };
    // Index into `ids` of the checked radio button, -1 for none.
    struct Radio { int Logic::*member; };

    std::vector<ControlId> ids;  // one id, or the radio group's ids in order
    std::variant<Text, Number, Check, Radio> binding;
};

template <class L>
DdxField<L> DdxText(ControlId id, std::string L::*member) { return {{id}, typename DdxField<L>::Text{member}}; }
template <class L>
DdxField<L> DdxNumber(ControlId id, int L::*member, int low, int high) {
    return {{id}, typename DdxField<L>::Number{member, low, high}};
}
template <class L>
DdxField<L> DdxCheck(ControlId id, bool L::*member) { return {{id}, typename DdxField<L>::Check{member}}; }
template <class L>
DdxField<L> DdxRadio(std::initializer_list<ControlId> ids, int L::*member) {
    return {ids, typename DdxField<L>::Radio{member}};
}

// The box a bad number gets.
MessageBoxSpec NumberRangeBox(int low, int high);

template <class Logic>
class DataExchange {
public:
    DataExchange(std::initializer_list<DdxField<Logic>> fields) : fields_(fields) {}

    // False when a field failed to save; `failedId` then names its control.
    bool UpdateData(Logic& logic, FormView& view, UiServices& ui, bool save, ControlId* failedId = nullptr) const {
        for (const auto& field : fields_) {
            if (!Exchange(logic, view, ui, save, field)) {
                if (failedId) *failedId = field.ids.front();
                return false;
            }
        }
        return true;
    }

    const std::vector<DdxField<Logic>>& Fields() const { return fields_; }

private:
    using F = DdxField<Logic>;

    static bool Exchange(Logic& logic, FormView& view, UiServices& ui, bool save, const F& field) {
        const ControlId id = field.ids.front();
        if (auto* text = std::get_if<typename F::Text>(&field.binding)) {
            if (save) logic.*(text->member) = view.Text(id);
            else view.SetText(id, logic.*(text->member));
        } else if (auto* number = std::get_if<typename F::Number>(&field.binding)) {
            if (!save) {
                view.SetText(id, std::to_string(logic.*(number->member)));
                return true;
            }
            int value = 0;
            if (!ParseInteger(view.Text(id), value) || value < number->low || value > number->high) {
                ui.MessageBox(NumberRangeBox(number->low, number->high));
                view.SelectAllText(id);
                return false;
            }
            logic.*(number->member) = value;
        } else if (auto* check = std::get_if<typename F::Check>(&field.binding)) {
            if (save) logic.*(check->member) = view.Checked(id);
            else view.SetChecked(id, logic.*(check->member));
        } else if (auto* radio = std::get_if<typename F::Radio>(&field.binding)) {
            int& member = logic.*(radio->member);
            if (save) member = -1;
            for (int i = 0; i < static_cast<int>(field.ids.size()); ++i) {
                if (save && view.Checked(field.ids[i])) member = i;
                if (!save) view.SetChecked(field.ids[i], i == member);
            }
        }
        return true;
    }

    std::vector<F> fields_;
};

}  // namespace velmar_ui
