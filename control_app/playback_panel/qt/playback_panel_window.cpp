#include "playback_panel_window.h"

#include <QGridLayout>

#include "playback_panel/velmar_view_form.h"

namespace velmar_qt {

PlaybackPanelWindow::PlaybackPanelWindow(const PanelFactory& makePanel, velmar_ui_qt::QtUiServices* services,
                                         QWidget* parent) {
    window_ = std::make_unique<velmar_ui_qt::FormWindow>(
        velmar::PlaybackForm(),
        [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) -> std::unique_ptr<velmar_ui::FormLogic> {
            auto panel = makePanel(view, ui);
            panel_ = panel.get();
            return panel;
        },
        services, parent);
    // Embedded in the main frame, not a window of its own.
    if (parent) window_->setWindowFlags(Qt::Widget);
    InstallPositionSliders();
    panel_->SetPositionSliders(sliders_);
}

void PlaybackPanelWindow::InstallPositionSliders() {
    for (velmar_ui::ControlId id : velmar::kPositionSliderIds) {
        QWidget* plain = window_->Control(id);
        auto* grid = plain ? qobject_cast<QGridLayout*>(plain->parentWidget()->layout()) : nullptr;
        if (!grid) continue;
        auto* slider = new PositionSlider;
        // The form's own slider stays out of sight under another name; the panel never moves it.
        delete grid->replaceWidget(plain, slider);
        plain->hide();
        plain->setObjectName(plain->objectName() + "_form");
        slider->setObjectName(QString::fromStdString(velmar_ui::ObjectNameOf(id)));
        slider->OnEvent([this, id](long position, short dragging) {
            panel_->Slider(id, static_cast<int>(position), dragging != 0);
        });
        sliders_.Add(id, slider);
    }
}

}  // namespace velmar_qt
