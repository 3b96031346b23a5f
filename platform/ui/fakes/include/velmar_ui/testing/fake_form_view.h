// A form view for logic tests: the state of every control in a map. Built from a form
// description it knows exactly the form's ids and throws std::out_of_range on any other, so a
// handler that addresses a wrong id fails its test.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "velmar_ui/form_spec.h"
#include "velmar_ui/form_view.h"

namespace velmar_ui::testing {

struct FakeControl {
    ControlKind kind = ControlKind::Label;
    std::string group;
    std::string text;
    bool checked = false;
    bool enabled = true;
    bool shown = true;
    bool flat = false;
    bool allSelected = false;
    IntRange range{0, 100};
    int position = 0;
    std::vector<std::string> items;
    int selection = -1;
    int shownItem = -1;
};

class FakeFormView : public FormView {
public:
    // Every id is created on first use.
    FakeFormView() = default;
    // Exactly the ids of `form`, with their captions and flags.
    explicit FakeFormView(const FormSpec& form);

    // A control the description cannot hold, added after building (as QtFormView::AddControl).
    void AddControl(ControlId id, ControlKind kind);

    FakeControl& Control(ControlId id);
    const FakeControl& Control(ControlId id) const;

    // What the operator does: a click checks a radio button (clearing the others of its group)
    // or toggles a check box; typing replaces an edit's text; picking selects a combo item.
    void Click(ControlId id);
    void Type(ControlId id, const std::string& text);
    void Pick(ControlId id, const std::string& itemText);

    bool closed = false;

    bool Has(ControlId id) const override;
    std::string Text(ControlId id) const override;
    void SetText(ControlId id, std::string_view text) override;
    void SelectAllText(ControlId id) override;
    bool Checked(ControlId id) const override { return Control(id).checked; }
    void SetChecked(ControlId id, bool checked) override { Control(id).checked = checked; }
    bool Enabled(ControlId id) const override { return Control(id).enabled; }
    void SetEnabled(ControlId id, bool enabled) override { Control(id).enabled = enabled; }
    bool Shown(ControlId id) const override { return Control(id).shown; }
    void SetShown(ControlId id, bool shown) override { Control(id).shown = shown; }
    bool Flat(ControlId id) const override { return Control(id).flat; }
    void SetFlat(ControlId id, bool flat) override { Control(id).flat = flat; }
    IntRange Range(ControlId id) const override { return Control(id).range; }
    void SetRange(ControlId id, IntRange range) override;
    int Position(ControlId id) const override { return Control(id).position; }
    void SetPosition(ControlId id, int position) override;
    int ItemCount(ControlId id) const override { return static_cast<int>(Control(id).items.size()); }
    std::string ItemText(ControlId id, int index) const override;
    void AddItem(ControlId id, std::string_view text) override;
    void RemoveItem(ControlId id, int index) override;
    void ClearItems(ControlId id) override;
    int Selection(ControlId id) const override { return Control(id).selection; }
    void SetSelection(ControlId id, int index) override;
    void ShowItem(ControlId id, int index) override { Control(id).shownItem = index; }
    std::string Title() const override { return title_; }
    void SetTitle(std::string_view title) override { title_ = title; }
    Rect WindowRect() const override { return rect_; }
    void SetWindowRect(const Rect& rect) override { rect_ = rect; }
    void CloseWindow() override { closed = true; }

private:
    bool strict_ = false;
    mutable std::map<ControlId, FakeControl> controls_;
    std::string title_;
    Rect rect_;
};

}  // namespace velmar_ui::testing
