// A window described as data: its groups and controls with their ids, kinds, captions and grid
// cells. One builder turns it into widgets; the test fake takes the same description, so the
// logic's tests and the real window agree on which ids exist.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "velmar_ui/form_view.h"

namespace velmar_ui {

enum class ControlKind {
    Label,        // static text
    PushButton,
    CheckBox,
    RadioButton,  // radio buttons of one group box form one exclusive group
    Edit,
    ComboBox,     // drop-down list, not editable
    ListBox,
    ProgressBar,
    Slider,       // horizontal unless Vertical is set
    SpinBox,
    Picture,      // an icon or image area
};

// Short names of the kinds, for the forms described as data.
namespace form_kinds {
inline constexpr ControlKind kButton = ControlKind::PushButton;
inline constexpr ControlKind kEdit = ControlKind::Edit;
inline constexpr ControlKind kLabel = ControlKind::Label;
inline constexpr ControlKind kCheck = ControlKind::CheckBox;
inline constexpr ControlKind kRadio = ControlKind::RadioButton;
inline constexpr ControlKind kSlider = ControlKind::Slider;
inline constexpr ControlKind kSpin = ControlKind::SpinBox;
inline constexpr ControlKind kCombo = ControlKind::ComboBox;
}  // namespace form_kinds

// Flags of a control, combined with |.
enum ControlFlag : unsigned {
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kReadOnly = 1u << 2,
    kFixedFont = 1u << 3,   // time codes and counters
    kVertical = 1u << 4,
    kDefaultButton = 1u << 5,
    kMultiLine = 1u << 6,
    // Shares its cell with other kAlternate controls, one of them shown at a time (a placeholder
    // and the control it stands for).
    kAlternate = 1u << 7,
};

struct ControlSpec {
    ControlId id = kNoId;
    ControlKind kind = ControlKind::Label;
    std::string caption;
    std::string group;  // title of its group box; empty: the window's own grid
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    unsigned flags = 0;
};

// One cell of a row of like controls: the control's id and caption.
struct RowCell {
    ControlId id;
    const char* caption;
};

// Adds controls of one kind side by side in row `row` of `group`, one cell each from `column`
// on, all with `flags`: a transport row, a row of radio buttons.
void AddRow(std::vector<ControlSpec>& controls, ControlKind kind, const std::string& group, int row, int column,
            std::initializer_list<RowCell> cells, unsigned flags = 0);

// A "FILE..." button at the start of row `row` and the path edit beside it over `editColumns` cells.
void AddFileRow(std::vector<ControlSpec>& controls, const std::string& group, int row, ControlId button, ControlId edit,
                int editColumns);

struct GroupSpec {
    std::string title;  // unique within the form; also the group's name in ControlSpec::group
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    bool hidden = false;  // a group of controls the form keeps but does not show
};

struct SystemMenuItem {
    int commandId = 0;
    std::string caption;
};

struct FormSpec {
    std::string title;
    std::vector<GroupSpec> groups;
    std::vector<ControlSpec> controls;
    // Extra items of the window's system menu (the About box of the tool programs).
    std::vector<SystemMenuItem> systemMenu;
    // Opening size, at least what the layout needs; 0 lets the layout decide.
    int width = 0;
    int height = 0;
    // Panels with many controls: rows and groups packed tighter, fixed-font labels (counters, time
    // codes) at least as wide as a time code with its mark, so that no row changes its width as
    // their texts change, and one-cell edits and spin boxes (numbers, time codes) no wider than a
    // number needs.
    bool compact = false;

    const ControlSpec* Find(ControlId id) const;
};

// Problems of a description: duplicate ids or group titles, controls naming an unknown group,
// two controls in one cell, negative cells. Empty when the form is sound.
std::vector<std::string> CheckFormSpec(const FormSpec& form);

// The object name a control's widget carries, "c<id>".
std::string ObjectNameOf(ControlId id);

}  // namespace velmar_ui
