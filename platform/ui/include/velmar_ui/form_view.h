// What a window's logic may do to its controls. Every control is addressed by its numeric id;
// the logic never sees a widget. The Qt side and the test fake implement it.
#pragma once

#include <string>
#include <string_view>

namespace velmar_ui {

using ControlId = int;

// A label or frame that the logic never addresses.
inline constexpr ControlId kNoId = -1;

// A spin box and the edit that shows its number.
struct SpinBuddy {
    ControlId spin;
    ControlId edit;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

struct IntRange {
    int low = 0;
    int high = 0;
    bool operator==(const IntRange&) const = default;
};

class FormView {
public:
    virtual ~FormView() = default;

    virtual bool Has(ControlId id) const = 0;

    // Caption of a button or static, contents of an edit, the current text of a combo box.
    virtual std::string Text(ControlId id) const = 0;
    virtual void SetText(ControlId id, std::string_view text) = 0;
    // Select the whole text of an edit, as after tabbing into it.
    virtual void SelectAllText(ControlId id) = 0;

    virtual bool Checked(ControlId id) const = 0;
    virtual void SetChecked(ControlId id, bool checked) = 0;
    virtual bool Enabled(ControlId id) const = 0;
    virtual void SetEnabled(ControlId id, bool enabled) = 0;
    virtual bool Shown(ControlId id) const = 0;
    virtual void SetShown(ControlId id, bool shown) = 0;
    // The flat look that marks the active push button of a mode group.
    virtual bool Flat(ControlId id) const = 0;
    virtual void SetFlat(ControlId id, bool flat) = 0;

    // Sliders, spin boxes, scroll bars and progress bars.
    virtual IntRange Range(ControlId id) const = 0;
    virtual void SetRange(ControlId id, IntRange range) = 0;
    virtual int Position(ControlId id) const = 0;
    virtual void SetPosition(ControlId id, int position) = 0;

    // Items of list and combo boxes. Selection -1 means none.
    virtual int ItemCount(ControlId id) const = 0;
    virtual std::string ItemText(ControlId id, int index) const = 0;
    virtual void AddItem(ControlId id, std::string_view text) = 0;
    virtual void RemoveItem(ControlId id, int index) = 0;
    virtual void ClearItems(ControlId id) = 0;
    virtual int Selection(ControlId id) const = 0;
    virtual void SetSelection(ControlId id, int index) = 0;
    // The item a list box scrolls to and keeps its caret on.
    virtual void ShowItem(ControlId id, int index) = 0;

    virtual std::string Title() const = 0;
    virtual void SetTitle(std::string_view title) = 0;
    virtual Rect WindowRect() const = 0;
    virtual void SetWindowRect(const Rect& rect) = 0;
    // Closes the window without asking the logic again.
    virtual void CloseWindow() = 0;

    // Index of the item whose text equals `text` exactly, or -1.
    int FindItem(ControlId id, std::string_view text) const;
    // Selects the item with that exact text; returns its index or -1 (then nothing is selected).
    int SelectItemText(ControlId id, std::string_view text);
    // Text of the selected item, empty when none.
    std::string SelectedText(ControlId id) const;
};

}  // namespace velmar_ui
