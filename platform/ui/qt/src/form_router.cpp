#include "velmar_ui_qt/form_router.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
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

FormRouter::FormRouter(QWidget* root, velmar_ui::FormLogic& logic, std::function<bool(ControlId)> onButton)
    : root_(root), logic_(logic), onButton_(std::move(onButton)) {}

FormRouter::~FormRouter() {
    for (auto& [object, id] : edits_) object->removeEventFilter(this);
}

void FormRouter::RouteAll(const std::map<ControlId, QWidget*>& controls) {
    for (const auto& [id, widget] : controls) Route(id, widget);
}

void FormRouter::Route(ControlId id, QWidget* widget) {
    velmar_ui::FormLogic* logic = &logic_;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this, [this, logic, id] {
            if (!onButton_ || !onButton_(id)) logic->Command(id);
        });
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textChanged, this, [logic, id] { logic->EditChanged(id); });
        edit->installEventFilter(this);
        edits_[edit] = id;
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        connect(plain, &QPlainTextEdit::textChanged, this, [logic, id] { logic->EditChanged(id); });
        plain->installEventFilter(this);
        edits_[plain] = id;
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this, [logic, id] { logic->SelectionChanged(id); });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        connect(list, &QListWidget::itemSelectionChanged, this, [logic, id] { logic->SelectionChanged(id); });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        connect(slider, &QAbstractSlider::actionTriggered, this, [logic, slider, id](int action) {
            logic->Scroll(id, CodeOf(action), slider->sliderPosition());
        });
        connect(slider, &QAbstractSlider::sliderMoved, this,
                [logic, id](int position) { logic->Slider(id, position, true); });
        connect(slider, &QAbstractSlider::sliderReleased, this, [logic, slider, id] {
            logic->Scroll(id, ScrollCode::ThumbPosition, slider->value());
            logic->Slider(id, slider->value(), false);
        });
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        connect(spin, &QSpinBox::valueChanged, this,
                [logic, id](int value) { logic->Scroll(id, ScrollCode::ThumbPosition, value); });
    }
}

void FormRouter::AddSystemMenu(const std::vector<velmar_ui::SystemMenuItem>& items) {
    // The system menu has no counterpart here; its items live in the window's context menu.
    if (!items.empty()) root_->setContextMenuPolicy(Qt::ActionsContextMenu);
    velmar_ui::FormLogic* logic = &logic_;
    for (const auto& item : items) {
        auto* action = new QAction(QString::fromStdString(item.caption), root_);
        action->setObjectName(QString("m%1").arg(item.commandId));
        connect(action, &QAction::triggered, this, [logic, command = item.commandId] { logic->SystemCommand(command); });
        root_->addAction(action);
    }
}

bool FormRouter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        auto found = edits_.find(watched);
        if (found != edits_.end()) logic_.EditLostFocus(found->second);
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace velmar_ui_qt
