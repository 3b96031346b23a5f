// Form 101 as a Qt window: the form's widgets with the five position sliders replaced by
// PositionSlider widgets, routed into a CVelmarView. The main frame embeds Widget() as its
// central widget, calls OnInitialUpdate once it is shown, and routes its menu commands to
// Command(id).
#pragma once

#include <memory>

#include "playback_panel/velmar_view.h"
#include "position_slider.h"
#include "velmar_ui_qt/form_window.h"

namespace velmar_qt {

class PlaybackPanelWindow {
public:
    // Builds the panel's logic through `makePanel` on the window's form view and UI services.
    using PanelFactory =
        std::function<std::unique_ptr<velmar::CVelmarView>(velmar_ui::FormView&, velmar_ui::UiServices&)>;

    explicit PlaybackPanelWindow(const PanelFactory& makePanel, velmar_ui_qt::QtUiServices* services = nullptr,
                                 QWidget* parent = nullptr);

    velmar_ui_qt::FormWindow& Widget() { return *window_; }
    velmar::CVelmarView& Panel() { return *panel_; }
    PositionSlider* Slider(velmar_ui::ControlId id) const { return sliders_.Slider(id); }

    void OnInitialUpdate() { panel_->OnInitialUpdate(); }
    bool Command(int id) { return panel_->Command(id); }

private:
    void InstallPositionSliders();

    std::unique_ptr<velmar_ui_qt::FormWindow> window_;
    velmar::CVelmarView* panel_ = nullptr;
    QtPositionSliders sliders_;
};

}  // namespace velmar_qt
