// A dialog window built from a form description and driven by one logic object: the widgets'
// signals enter the logic's entry points, Enter goes to OnOK, Esc and the close button to
// OnCancel, the system menu items (offered in the window's context menu) to SystemCommand.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui_qt/form_builder.h"
#include "velmar_ui_qt/qt_form_view.h"
#include "velmar_ui_qt/qt_ui_services.h"

namespace velmar_ui_qt {

class FormWindow : public QDialog {
public:
    using LogicFactory =
        std::function<std::unique_ptr<velmar_ui::FormLogic>(velmar_ui::FormView&, velmar_ui::UiServices&)>;

    // `services` may replace the window's own UI services (tests); the window then uses it as
    // given and does not own it.
    FormWindow(const velmar_ui::FormSpec& form, const LogicFactory& makeLogic,
               QtUiServices* services = nullptr, QWidget* parent = nullptr);
    ~FormWindow() override;

    velmar_ui::FormLogic& Logic() { return *logic_; }
    QtFormView& View() { return *view_; }
    QtUiServices& Services() { return *services_; }
    QWidget* Control(velmar_ui::ControlId id) const { return view_->Widget(id); }

    void accept() override;  // Enter
    void reject() override;  // Esc, close button

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RouteSignals(const velmar_ui::FormSpec& form);

    BuiltForm built_;
    std::unique_ptr<QtUiServices> ownServices_;
    QtUiServices* services_;
    std::unique_ptr<QtFormView> view_;
    std::unique_ptr<velmar_ui::FormLogic> logic_;
    std::map<QObject*, velmar_ui::ControlId> editIds_;
};

}  // namespace velmar_ui_qt
