#include "velmar_ui_qt/qt_form_view.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <stdexcept>

#include "velmar_ui/form_spec.h"

namespace velmar_ui_qt {

using velmar_ui::ControlId;

namespace {
QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }
std::string S(const QString& text) { return text.toStdString(); }
}  // namespace

QtFormView::QtFormView(QWidget* window, std::map<ControlId, QWidget*> controls, std::function<void()> closeWindow)
    : window_(window), controls_(std::move(controls)), closeWindow_(std::move(closeWindow)) {}

QWidget* QtFormView::Widget(ControlId id) const {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

void QtFormView::AddControl(ControlId id, QWidget* widget) {
    widget->setObjectName(QString::fromStdString(velmar_ui::ObjectNameOf(id)));
    controls_[id] = widget;
}

QWidget* QtFormView::Require(ControlId id) const {
    QWidget* widget = Widget(id);
    if (!widget) throw std::out_of_range("no control " + std::to_string(id));
    return widget;
}

std::string QtFormView::Text(ControlId id) const {
    QWidget* w = Require(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return S(edit->text());
    if (auto* text = qobject_cast<QPlainTextEdit*>(w)) return S(text->toPlainText());
    if (auto* label = qobject_cast<QLabel*>(w)) return S(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return S(button->text());
    if (auto* combo = qobject_cast<QComboBox*>(w)) return S(combo->currentText());
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentItem() ? S(list->currentItem()->text()) : "";
    if (auto* spin = qobject_cast<QSpinBox*>(w)) return S(spin->text());
    return {};
}

void QtFormView::SetText(ControlId id, std::string_view text) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setText(Q(text));
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) plain->setPlainText(Q(text));
    else if (auto* label = qobject_cast<QLabel*>(w)) label->setText(Q(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(Q(text));
    else if (auto* combo = qobject_cast<QComboBox*>(w)) combo->setCurrentIndex(combo->findText(Q(text)));
    else if (auto* spin = qobject_cast<QSpinBox*>(w)) spin->setValue(Q(text).toInt());
}

void QtFormView::SelectAllText(ControlId id) {
    if (auto* edit = qobject_cast<QLineEdit*>(Require(id))) edit->selectAll();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(Require(id))) plain->selectAll();
}

bool QtFormView::Checked(ControlId id) const {
    auto* button = qobject_cast<QAbstractButton*>(Require(id));
    return button && button->isChecked();
}

void QtFormView::SetChecked(ControlId id, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(Require(id));
    if (!button) return;
    const QSignalBlocker quiet(button);
    // An exclusive radio button cannot be unchecked directly; lift the exclusivity for a moment.
    const bool exclusive = button->autoExclusive();
    if (!checked && exclusive) button->setAutoExclusive(false);
    button->setChecked(checked);
    button->setAutoExclusive(exclusive);
}

bool QtFormView::Enabled(ControlId id) const { return Require(id)->isEnabled(); }
void QtFormView::SetEnabled(ControlId id, bool enabled) { Require(id)->setEnabled(enabled); }
bool QtFormView::Shown(ControlId id) const { return !Require(id)->isHidden(); }
void QtFormView::SetShown(ControlId id, bool shown) { Require(id)->setVisible(shown); }

bool QtFormView::Flat(ControlId id) const {
    auto* button = qobject_cast<QPushButton*>(Require(id));
    return button && button->isFlat();
}

void QtFormView::SetFlat(ControlId id, bool flat) {
    if (auto* button = qobject_cast<QPushButton*>(Require(id))) {
        // The mark keeps the button's size: a row, and the panel with it, would otherwise grow and
        // shrink by a few pixels as modes change, and a window just big enough would start to scroll.
        const char* kUnmarkedSize = "velmarUnmarkedSize";
        if (!button->property(kUnmarkedSize).isValid()) {
            const QSize unmarked = button->sizeHint();
            button->setProperty(kUnmarkedSize, unmarked);
            button->setMinimumSize(unmarked);
            button->setMaximumHeight(unmarked.height());
        }
        button->setFlat(flat);
        // A flat button alone reads as a label; the active mode must stand out at a glance.
        button->setStyleSheet(flat ? "QPushButton { background: palette(highlight); color: palette(highlighted-text);"
                                     " border: 1px solid palette(dark); padding: 4px 8px; }"
                                   : "");
        button->update();
    }
}

velmar_ui::IntRange QtFormView::Range(ControlId id) const {
    QWidget* w = Require(id);
    if (auto* bar = qobject_cast<QProgressBar*>(w)) return {bar->minimum(), bar->maximum()};
    if (auto* slider = qobject_cast<QAbstractSlider*>(w)) return {slider->minimum(), slider->maximum()};
    if (auto* spin = qobject_cast<QSpinBox*>(w)) return {spin->minimum(), spin->maximum()};
    return {};
}

void QtFormView::SetRange(ControlId id, velmar_ui::IntRange range) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* bar = qobject_cast<QProgressBar*>(w)) bar->setRange(range.low, range.high);
    else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) slider->setRange(range.low, range.high);
    else if (auto* spin = qobject_cast<QSpinBox*>(w)) spin->setRange(range.low, range.high);
}

int QtFormView::Position(ControlId id) const {
    QWidget* w = Require(id);
    if (auto* bar = qobject_cast<QProgressBar*>(w)) return bar->value();
    if (auto* slider = qobject_cast<QAbstractSlider*>(w)) return slider->value();
    if (auto* spin = qobject_cast<QSpinBox*>(w)) return spin->value();
    return 0;
}

void QtFormView::SetPosition(ControlId id, int position) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* bar = qobject_cast<QProgressBar*>(w)) bar->setValue(position);
    else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) slider->setValue(position);
    else if (auto* spin = qobject_cast<QSpinBox*>(w)) spin->setValue(position);
}

int QtFormView::ItemCount(ControlId id) const {
    QWidget* w = Require(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
    return 0;
}

std::string QtFormView::ItemText(ControlId id, int index) const {
    QWidget* w = Require(id);
    if (index < 0 || index >= ItemCount(id)) throw std::out_of_range("no item " + std::to_string(index));
    if (auto* combo = qobject_cast<QComboBox*>(w)) return S(combo->itemText(index));
    return S(qobject_cast<QListWidget*>(w)->item(index)->text());
}

void QtFormView::AddItem(ControlId id, std::string_view text) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // A combo box with items selects the first by itself; the logic decides the selection.
        const int selected = combo->count() == 0 ? -1 : combo->currentIndex();
        combo->addItem(Q(text));
        combo->setCurrentIndex(selected);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->addItem(Q(text));
    }
}

void QtFormView::RemoveItem(ControlId id, int index) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->removeItem(index);
    else if (auto* list = qobject_cast<QListWidget*>(w)) delete list->takeItem(index);
}

void QtFormView::ClearItems(ControlId id) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) combo->clear();
    else if (auto* list = qobject_cast<QListWidget*>(w)) list->clear();
}

int QtFormView::Selection(ControlId id) const {
    QWidget* w = Require(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        const auto selected = list->selectedItems();
        return selected.isEmpty() ? -1 : list->row(selected.front());
    }
    return -1;
}

void QtFormView::SetSelection(ControlId id, int index) {
    QWidget* w = Require(id);
    const QSignalBlocker quiet(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->clearSelection();
        if (index >= 0 && index < list->count()) list->item(index)->setSelected(true);
    }
}

void QtFormView::ShowItem(ControlId id, int index) {
    if (auto* list = qobject_cast<QListWidget*>(Require(id))) {
        const QSignalBlocker quiet(list);
        if (index < 0 || index >= list->count()) return;
        list->setCurrentRow(index, QItemSelectionModel::NoUpdate);
        list->scrollToItem(list->item(index));
    }
}

std::string QtFormView::Title() const { return S(window_->windowTitle()); }
void QtFormView::SetTitle(std::string_view title) { window_->setWindowTitle(Q(title)); }

velmar_ui::Rect QtFormView::WindowRect() const {
    const QRect r = window_->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtFormView::SetWindowRect(const velmar_ui::Rect& rect) {
    window_->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

void QtFormView::CloseWindow() {
    if (closeWindow_) closeWindow_();
}

}  // namespace velmar_ui_qt
