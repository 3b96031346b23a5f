// Builds a window's widgets from its form description: one group box widget per group, grid
// layouts, every control's object name "c<id>".
#pragma once

#include <QGroupBox>
#include <QWidget>

#include <map>

#include "velmar_ui/form_spec.h"

class QGridLayout;

namespace velmar_ui_qt {

// A group box laying out its controls on a grid.
class FormGroupBox : public QGroupBox {
public:
    FormGroupBox(const velmar_ui::GroupSpec& spec, QWidget* parent);
    void Place(QWidget* control, const velmar_ui::ControlSpec& spec);
    QGridLayout* Grid() const { return grid_; }

private:
    QGridLayout* grid_;
};

struct BuiltForm {
    std::map<velmar_ui::ControlId, QWidget*> controls;  // by id; labels without id are not listed
    std::map<std::string, FormGroupBox*> groups;
};

// Creates one widget for a control description (parentless; the layout adopts it).
QWidget* CreateControl(const velmar_ui::ControlSpec& spec);

// Fills `window` (which must not have a layout yet) with the form's groups and controls.
BuiltForm BuildForm(const velmar_ui::FormSpec& form, QWidget* window);

}  // namespace velmar_ui_qt
