#include "velmar_ui_qt/form_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>

namespace velmar_ui_qt {

using velmar_ui::ControlId;
using velmar_ui::ScrollCode;

namespace {
ScrollCode CodeOf(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: return ScrollCode::LineDown;
    case QAbstractSlider::SliderSingleStepSub: return ScrollCode::LineUp;
    case QAbstractSlider::SliderPageStepAdd: return ScrollCode::PageDown;
    case QAbstractSlider::SliderPageStepSub: return ScrollCode::PageUp;
    case QAbstractSlider::SliderToMinimum: return ScrollCode::Top;
    case QAbstractSlider::SliderToMaximum: return ScrollCode::Bottom;
    case QAbstractSlider::SliderMove: return ScrollCode::ThumbTrack;
    default: return ScrollCode::EndScroll;
    }
}
}  // namespace

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
    RouteSignals(form);
    logic_->OnInitDialog();
}

FormWindow::~FormWindow() {
    for (auto& [object, id] : editIds_) object->removeEventFilter(this);
    logic_.reset();
}

void FormWindow::RouteSignals(const velmar_ui::FormSpec& form) {
    velmar_ui::FormLogic* logic = logic_.get();
    for (const auto& [id, widget] : built_.controls) {
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            connect(button, &QAbstractButton::clicked, this, [this, logic, id = id] {
                if (id == 1) accept();        // the window's OK button
                else if (id == 2) reject();   // and its Cancel button
                else logic->Command(id);
            });
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            connect(edit, &QLineEdit::textChanged, this, [logic, id = id] { logic->EditChanged(id); });
            edit->installEventFilter(this);
            editIds_[edit] = id;
        } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
            connect(plain, &QPlainTextEdit::textChanged, this, [logic, id = id] { logic->EditChanged(id); });
            plain->installEventFilter(this);
            editIds_[plain] = id;
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            connect(combo, &QComboBox::activated, this, [logic, id = id] { logic->SelectionChanged(id); });
        } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
            connect(list, &QListWidget::itemSelectionChanged, this, [logic, id = id] { logic->SelectionChanged(id); });
        } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
            connect(slider, &QAbstractSlider::actionTriggered, this, [logic, slider, id = id](int action) {
                logic->Scroll(id, CodeOf(action), slider->sliderPosition());
            });
            connect(slider, &QAbstractSlider::sliderMoved, this,
                    [logic, id = id](int position) { logic->Slider(id, position, true); });
            connect(slider, &QAbstractSlider::sliderReleased, this, [logic, slider, id = id] {
                logic->Scroll(id, ScrollCode::ThumbPosition, slider->value());
                logic->Slider(id, slider->value(), false);
            });
        } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
            connect(spin, &QSpinBox::valueChanged, this,
                    [logic, id = id](int value) { logic->Scroll(id, ScrollCode::ThumbPosition, value); });
        }
    }
    // The system menu has no counterpart here; its items live in the window's context menu.
    if (!form.systemMenu.empty()) setContextMenuPolicy(Qt::ActionsContextMenu);
    for (const auto& item : form.systemMenu) {
        auto* action = new QAction(QString::fromStdString(item.caption), this);
        action->setObjectName(QString("m%1").arg(item.commandId));
        connect(action, &QAction::triggered, this, [logic, command = item.commandId] { logic->SystemCommand(command); });
        addAction(action);
    }
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        auto found = editIds_.find(watched);
        if (found != editIds_.end()) logic_->EditLostFocus(found->second);
    }
    return QDialog::eventFilter(watched, event);
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

}  // namespace velmar_ui_qt
