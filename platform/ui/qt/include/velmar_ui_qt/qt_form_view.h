// The form view over real widgets. Changes made through it never raise the widgets' signals, so
// the logic hears only what the operator did.
#pragma once

#include <QWidget>

#include <functional>
#include <map>

#include "velmar_ui/form_view.h"

namespace velmar_ui_qt {

class QtFormView : public velmar_ui::FormView {
public:
    QtFormView(QWidget* window, std::map<velmar_ui::ControlId, QWidget*> controls,
               std::function<void()> closeWindow);

    QWidget* Widget(velmar_ui::ControlId id) const;  // nullptr when the form has no such id
    // Makes a widget built outside the description addressable by id (route it with FormRouter).
    void AddControl(velmar_ui::ControlId id, QWidget* widget);

    bool Has(velmar_ui::ControlId id) const override { return controls_.count(id) != 0; }
    std::string Text(velmar_ui::ControlId id) const override;
    void SetText(velmar_ui::ControlId id, std::string_view text) override;
    void SelectAllText(velmar_ui::ControlId id) override;
    bool Checked(velmar_ui::ControlId id) const override;
    void SetChecked(velmar_ui::ControlId id, bool checked) override;
    bool Enabled(velmar_ui::ControlId id) const override;
    void SetEnabled(velmar_ui::ControlId id, bool enabled) override;
    bool Shown(velmar_ui::ControlId id) const override;
    void SetShown(velmar_ui::ControlId id, bool shown) override;
    bool Flat(velmar_ui::ControlId id) const override;
    void SetFlat(velmar_ui::ControlId id, bool flat) override;
    velmar_ui::IntRange Range(velmar_ui::ControlId id) const override;
    void SetRange(velmar_ui::ControlId id, velmar_ui::IntRange range) override;
    int Position(velmar_ui::ControlId id) const override;
    void SetPosition(velmar_ui::ControlId id, int position) override;
    int ItemCount(velmar_ui::ControlId id) const override;
    std::string ItemText(velmar_ui::ControlId id, int index) const override;
    void AddItem(velmar_ui::ControlId id, std::string_view text) override;
    void RemoveItem(velmar_ui::ControlId id, int index) override;
    void ClearItems(velmar_ui::ControlId id) override;
    int Selection(velmar_ui::ControlId id) const override;
    void SetSelection(velmar_ui::ControlId id, int index) override;
    void ShowItem(velmar_ui::ControlId id, int index) override;
    std::string Title() const override;
    void SetTitle(std::string_view title) override;
    velmar_ui::Rect WindowRect() const override;
    void SetWindowRect(const velmar_ui::Rect& rect) override;
    void CloseWindow() override;

private:
    QWidget* Require(velmar_ui::ControlId id) const;

    QWidget* window_;
    std::map<velmar_ui::ControlId, QWidget*> controls_;
    std::function<void()> closeWindow_;
};

}  // namespace velmar_ui_qt
