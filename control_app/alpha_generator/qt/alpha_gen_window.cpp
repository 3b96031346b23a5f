#include "alpha_gen_window.h"

#include "alpha_generator/alpha_gen_dlg.h"

namespace velmar_qt {

void ShowAlphaGenerator(QPointer<velmar_ui_qt::FormWindow>& slot, const platform::Profile& profile,
                        std::function<bool(const std::string&)> runIndexBuild, QWidget* parent) {
    if (!slot) {
        auto* window = new velmar_ui_qt::FormWindow(
            velmar::AlphaGenForm(),
            [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
                return std::make_unique<velmar::CAlphaGenDlg>(view, ui, profile, std::move(runIndexBuild),
                                                              [&slot] {
                                                                  // Deleted from the event loop, not
                                                                  // inside its own handler.
                                                                  if (slot) slot->deleteLater();
                                                                  slot = nullptr;
                                                              });
            },
            nullptr, parent);
        window->setModal(false);
        slot = window;
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

}  // namespace velmar_qt
