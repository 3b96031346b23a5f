#include "velmar_ui_qt/form_window.h"

#include <QKeyEvent>
#include <QPushButton>

namespace velmar_ui_qt {

FormWindow::FormWindow(const velmar_ui::FormSpec& form, const LogicFactory& makeLogic, QtUiServices* services,
                       QWidget* parent)
    : QDialog(parent) {
    built_ = BuildForm(form, this);
    if (!services) {
        ownServices_ = std::make_unique<QtUiServices>(this);
        services = ownServices_.get();
    }
    services_ = services;
    view_ = std::make_unique<QtFormView>(this, built_.controls, [this] { QDialog::done(QDialog::Rejected); });
    logic_ = makeLogic(*view_, *services_);
    router_ = std::make_unique<FormRouter>(this, *logic_, [this](velmar_ui::ControlId id) {
        if (id == 1) accept();        // the window's OK button
        else if (id == 2) reject();   // and its Cancel button
        return id == 1 || id == 2;
    });
    router_->RouteAll(built_.controls);
    router_->AddSystemMenu(form.systemMenu);
    logic_->OnInitDialog();
}

FormWindow::~FormWindow() {
    router_.reset();
    logic_.reset();
}

void FormWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A default button, where the form has one, takes Enter; otherwise the logic does.
        for (auto* button : findChildren<QPushButton*>()) {
            if (button->isDefault() && button->isVisible() && button->isEnabled()) {
                button->click();
                return;
            }
        }
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FormWindow::accept() {
    if (logic_->OnOK()) QDialog::accept();
}

void FormWindow::reject() {
    if (logic_->OnCancel()) QDialog::reject();
}

FormPanel::FormPanel(const velmar_ui::FormSpec& form, const LogicFactory& makeLogic, QtUiServices* services,
                     QWidget* parent, std::function<void()> closeWindow)
    : QWidget(parent) {
    built_ = BuildForm(form, this);
    if (!services) {
        ownServices_ = std::make_unique<QtUiServices>(this);
        services = ownServices_.get();
    }
    services_ = services;
    if (!closeWindow) closeWindow = [this] { close(); };
    view_ = std::make_unique<QtFormView>(this, built_.controls, std::move(closeWindow));
    logic_ = makeLogic(*view_, *services_);
    router_ = std::make_unique<FormRouter>(this, *logic_);
    router_->RouteAll(built_.controls);
    router_->AddSystemMenu(form.systemMenu);
    logic_->OnInitDialog();
}

FormPanel::~FormPanel() {
    router_.reset();
    logic_.reset();
}

}  // namespace velmar_ui_qt
