// Windows built from a form description and driven by one logic object.
//
// FormWindow is a dialog: Enter goes to OnOK, Esc and the close button to OnCancel, the hidden
// buttons 1 and 2 act as OK and Cancel. FormPanel is the same form as a widget another window
// embeds (the panels of the control application's main frame). In both, the widgets' signals
// enter the logic's entry points and the system menu items (offered in the context menu) arrive
// as SystemCommand.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui_qt/form_builder.h"
#include "velmar_ui_qt/form_router.h"
#include "velmar_ui_qt/qt_form_view.h"
#include "velmar_ui_qt/qt_ui_services.h"

namespace velmar_ui_qt {

using LogicFactory =
    std::function<std::unique_ptr<velmar_ui::FormLogic>(velmar_ui::FormView&, velmar_ui::UiServices&)>;

class FormWindow : public QDialog {
public:
    using LogicFactory = velmar_ui_qt::LogicFactory;

    // `services` may replace the window's own UI services (tests); the window then uses it as
    // given and does not own it.
    FormWindow(const velmar_ui::FormSpec& form, const LogicFactory& makeLogic,
               QtUiServices* services = nullptr, QWidget* parent = nullptr);
    ~FormWindow() override;

    velmar_ui::FormLogic& Logic() { return *logic_; }
    QtFormView& View() { return *view_; }
    QtUiServices& Services() { return *services_; }
    FormRouter& Router() { return *router_; }
    QWidget* Control(velmar_ui::ControlId id) const { return view_->Widget(id); }

    void accept() override;  // Enter
    void reject() override;  // Esc, close button

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    BuiltForm built_;
    std::unique_ptr<QtUiServices> ownServices_;
    QtUiServices* services_;
    std::unique_ptr<QtFormView> view_;
    std::unique_ptr<velmar_ui::FormLogic> logic_;
    std::unique_ptr<FormRouter> router_;  // after the logic: goes first
};

class FormPanel : public QWidget {
public:
    // `closeWindow` is what FormView::CloseWindow does; by default the panel closes itself.
    FormPanel(const velmar_ui::FormSpec& form, const LogicFactory& makeLogic, QtUiServices* services = nullptr,
              QWidget* parent = nullptr, std::function<void()> closeWindow = {});
    ~FormPanel() override;

    velmar_ui::FormLogic& Logic() { return *logic_; }
    QtFormView& View() { return *view_; }
    QtUiServices& Services() { return *services_; }
    FormRouter& Router() { return *router_; }
    QWidget* Control(velmar_ui::ControlId id) const { return view_->Widget(id); }

private:
    BuiltForm built_;
    std::unique_ptr<QtUiServices> ownServices_;
    QtUiServices* services_;
    std::unique_ptr<QtFormView> view_;
    std::unique_ptr<velmar_ui::FormLogic> logic_;
    std::unique_ptr<FormRouter> router_;
};

}  // namespace velmar_ui_qt
