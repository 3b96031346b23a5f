#include "velmar_ui_qt/form_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace velmar_ui_qt {

using velmar_ui::ControlKind;
using velmar_ui::ControlSpec;

FormGroupBox::FormGroupBox(const velmar_ui::GroupSpec& spec, QWidget* parent)
    : QGroupBox(QString::fromStdString(spec.title), parent), grid_(new QGridLayout(this)) {}

void FormGroupBox::Place(QWidget* control, const ControlSpec& spec) {
    grid_->addWidget(control, spec.row, spec.column, spec.rowSpan, spec.columnSpan);
}

namespace {

// Room for the widest counter text the panels show ("00:00:00:00  X"), and a spare character: a
// label is a little wider than its text's advance.
constexpr const char* kWidestCounter = "00:00:00:00  X ";
// An edit or spin box of one cell holds a number or a time code: it need not take the width that paths and
// sliders use, nor widen the buttons above it.
constexpr const char* kWidestNumber = "0000000000";

void Compact(QGridLayout* grid, int margin) {
    grid->setContentsMargins(margin, margin / 2, margin, margin / 2);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
}

}  // namespace

QWidget* CreateControl(const ControlSpec& spec) {
    const QString caption = QString::fromStdString(spec.caption);
    QWidget* widget = nullptr;
    switch (spec.kind) {
    case ControlKind::Label: {
        auto* label = new QLabel(caption);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        widget = label;
        break;
    }
    case ControlKind::PushButton: {
        auto* button = new QPushButton(caption);
        // Enter belongs to the window's OnOK unless a button is marked as the default one.
        button->setAutoDefault(false);
        button->setDefault(spec.flags & velmar_ui::kDefaultButton);
        widget = button;
        break;
    }
    case ControlKind::CheckBox: widget = new QCheckBox(caption); break;
    case ControlKind::RadioButton: widget = new QRadioButton(caption); break;
    case ControlKind::Edit:
        if (spec.flags & velmar_ui::kMultiLine) {
            auto* edit = new QPlainTextEdit;
            edit->setReadOnly(spec.flags & velmar_ui::kReadOnly);
            widget = edit;
        } else {
            auto* edit = new QLineEdit;
            edit->setReadOnly(spec.flags & velmar_ui::kReadOnly);
            widget = edit;
        }
        break;
    case ControlKind::ComboBox: widget = new QComboBox; break;
    case ControlKind::ListBox: {
        auto* list = new QListWidget;
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        widget = list;
        break;
    }
    case ControlKind::ProgressBar: widget = new QProgressBar; break;
    case ControlKind::Slider:
        widget = new QSlider(spec.flags & velmar_ui::kVertical ? Qt::Vertical : Qt::Horizontal);
        break;
    case ControlKind::SpinBox: widget = new QSpinBox; break;
    case ControlKind::Picture: widget = new QLabel; break;
    }
    if (spec.flags & velmar_ui::kFixedFont) widget->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    if (spec.flags & velmar_ui::kDisabled) widget->setEnabled(false);
    if (spec.flags & velmar_ui::kHidden) widget->setVisible(false);
    if (spec.id != velmar_ui::kNoId) widget->setObjectName(QString::fromStdString(velmar_ui::ObjectNameOf(spec.id)));
    return widget;
}

BuiltForm BuildForm(const velmar_ui::FormSpec& form, QWidget* window) {
    BuiltForm built;
    auto* grid = new QGridLayout(window);
    window->setWindowTitle(QString::fromStdString(form.title));
    for (const auto& group : form.groups) {
        auto* box = new FormGroupBox(group, window);
        grid->addWidget(box, group.row, group.column, group.rowSpan, group.columnSpan);
        if (group.hidden) box->setVisible(false);
        built.groups[group.title] = box;
    }
    if (form.compact) {
        Compact(grid, 4);
        for (auto& [title, box] : built.groups) Compact(box->Grid(), 6);
    }
    for (const auto& spec : form.controls) {
        QWidget* widget = CreateControl(spec);
        if (form.compact && spec.kind == ControlKind::Label && (spec.flags & velmar_ui::kFixedFont))
            widget->setMinimumWidth(widget->fontMetrics().horizontalAdvance(kWidestCounter));
        const bool numberCell = spec.kind == ControlKind::Edit || spec.kind == ControlKind::SpinBox;
        if (form.compact && numberCell && spec.columnSpan == 1)
            widget->setMaximumWidth(widget->fontMetrics().horizontalAdvance(kWidestNumber));
        auto group = built.groups.find(spec.group);
        if (spec.group.empty() || group == built.groups.end())
            grid->addWidget(widget, spec.row, spec.column, spec.rowSpan, spec.columnSpan);
        else
            group->second->Place(widget, spec);
        if (spec.flags & velmar_ui::kHidden) widget->setVisible(false);
        if (spec.id != velmar_ui::kNoId) built.controls[spec.id] = widget;
    }
    if (form.width > 0 || form.height > 0) {
        const QSize hint = window->sizeHint();
        window->resize(std::max(form.width, hint.width()), std::max(form.height, hint.height()));
    }
    return built;
}

}  // namespace velmar_ui_qt
