// Base of every window's logic class. It holds the form view and the UI services the window
// was given and offers the event entry points the toolkit side calls; each derived class routes
// them through its own message map by overriding Dispatch.
#pragma once

#include <functional>
#include <memory>

#include "velmar_ui/events.h"
#include "velmar_ui/form_view.h"
#include "velmar_ui/ui_services.h"

namespace velmar_ui {

class FormLogic {
public:
    FormLogic(FormView& view, UiServices& ui) : view_(view), ui_(ui) {}
    virtual ~FormLogic() { *alive_ = false; }
    FormLogic(const FormLogic&) = delete;
    FormLogic& operator=(const FormLogic&) = delete;

    // Entry points. Each returns whether the logic handled the event.
    bool Command(ControlId id) { return Dispatch({EventKind::Command, id}); }
    bool SelectionChanged(ControlId id) { return Dispatch({EventKind::SelectionChange, id}); }
    bool EditChanged(ControlId id) { return Dispatch({EventKind::EditChange, id}); }
    bool EditLostFocus(ControlId id) { return Dispatch({EventKind::EditLostFocus, id}); }
    bool Scroll(ControlId id, ScrollCode code, int position) {
        return Dispatch({EventKind::Scroll, id, code, position});
    }
    bool Slider(ControlId id, int position, bool dragging) {
        return Dispatch({EventKind::SliderEvent, id, ScrollCode::EndScroll, position, dragging});
    }
    bool Timer(int timerId) { return Dispatch({EventKind::Timer, timerId}); }
    bool SystemCommand(int commandId) { return Dispatch({EventKind::SystemCommand, commandId}); }

    // The window has been built and is about to show.
    virtual void OnInitDialog() {}
    // Enter in the window. Returns whether the window closes.
    virtual bool OnOK() { return UpdateData(true); }
    // Esc or the window's close button. Returns whether the window closes now; a window that
    // says no may close itself later through FormView::CloseWindow.
    virtual bool OnCancel() { return true; }

    // Runs the form's data exchange table (none by default).
    virtual bool UpdateData(bool /*save*/) { return true; }

    FormView& View() const { return view_; }
    UiServices& Ui() const { return ui_; }

protected:
    virtual bool Dispatch(const Event& event) = 0;

    // Starts a timer whose ticks enter this logic through Timer(timerId).
    void SetTimer(int timerId, int periodMs) {
        ui_.SetTimer(timerId, periodMs, [this](int id) { Timer(id); });
    }
    void KillTimer(int timerId) { ui_.KillTimer(timerId); }

    // Queues `task` for the UI thread from any thread; it is dropped when this logic is gone by
    // the time it would run.
    void PostToUi(std::function<void()> task) {
        ui_.RunOnUiThread([alive = alive_, task = std::move(task)] {
            if (*alive) task();
        });
    }

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    FormView& view_;
    UiServices& ui_;
};

}  // namespace velmar_ui
