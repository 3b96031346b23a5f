// Routes the signals of a form's widgets into its logic's entry points. Shared by the dialog
// window and the embedded panel; a widget added to a form after building (one the description
// cannot hold) is routed with Route. Its owner destroys it before the logic.
#pragma once

#include <QObject>
#include <QWidget>

#include <functional>
#include <map>

#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"

namespace velmar_ui_qt {

class FormRouter : public QObject {
public:
    // `onButton` may take a push button's click before the logic (the dialog's OK and Cancel);
    // it returns whether it did.
    FormRouter(QWidget* root, velmar_ui::FormLogic& logic,
               std::function<bool(velmar_ui::ControlId)> onButton = {});
    ~FormRouter() override;

    // Connects one control: buttons to Command, edits to EditChanged and EditLostFocus, combo
    // and list boxes to SelectionChanged, sliders to Scroll and Slider, spin boxes to Scroll.
    void Route(velmar_ui::ControlId id, QWidget* widget);
    void RouteAll(const std::map<velmar_ui::ControlId, QWidget*>& controls);
    // The form's system menu items, offered in the root widget's context menu.
    void AddSystemMenu(const std::vector<velmar_ui::SystemMenuItem>& items);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* root_;
    velmar_ui::FormLogic& logic_;
    std::function<bool(velmar_ui::ControlId)> onButton_;
    std::map<QObject*, velmar_ui::ControlId> edits_;
};

}  // namespace velmar_ui_qt
