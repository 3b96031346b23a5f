#include "file_tool_windows.h"

#include <QLabel>
#include <QVBoxLayout>

#include "components/component_loader.h"
#include "file_tool_dialogs/file_tool_ids.h"
#include "file_tool_dialogs/swap_merge_dlg.h"
#include "shell/menu_ids.h"
#include "twinrail/twinrail_ids.h"

namespace velmar_qt {

using velmar_ui_qt::FormWindow;

std::unique_ptr<components::ComponentInstance> CreateTwinrail(QWidget* placeholder) {
    if (!placeholder) return nullptr;
    const auto loaded = components::LoadClassFactory(components::ComponentRegistry(), twinrail::kControlProgId);
    std::unique_ptr<components::ComponentInstance> control;
    if (loaded.factory) control = loaded.factory->CreateInstance(placeholder);
    auto* window = control ? static_cast<QWidget*>(control->Window()) : nullptr;
    auto* layout = new QVBoxLayout(placeholder);
    layout->setContentsMargins(0, 0, 0, 0);
    if (window) {
        layout->addWidget(window);
        placeholder->setMinimumHeight(40);
        return control;
    }
    auto* label = new QLabel("Dual slider control not registered", placeholder);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
    return nullptr;
}

FileToolWindows::~FileToolWindows() {
    for (auto* window : {swap_.data(), merge_.data(), split_.data()}) delete window;
}

void FileToolWindows::Show(QPointer<FormWindow>& slot, const velmar_ui::FormSpec& form,
                           const velmar_ui_qt::LogicFactory& factory) {
    if (!slot) {
        slot = new FormWindow(form, factory, nullptr, parent_);
        slot->setModal(false);
    }
    slot->show();
    slot->raise();
    slot->activateWindow();
}

bool FileToolWindows::Open(int menuCommand) {
    // Each dialog clears its slot when it closes; the window goes once control is back in the loop.
    auto closer = [](QPointer<FormWindow>& slot) {
        return [&slot] {
            if (slot) slot->deleteLater();
            slot = nullptr;
        };
    };
    switch (menuCommand) {
    case velmar::menu_ids::kByteSwap:
        Show(swap_, velmar::ByteSwapForm(), [&](auto& view, auto& ui) {
            return std::make_unique<velmar::CByteSwapDlg>(view, ui, profile_, closer(swap_));
        });
        return true;
    case velmar::menu_ids::kFileMerge:
        Show(merge_, velmar::FileMergeForm(), [&](auto& view, auto& ui) {
            return std::make_unique<velmar::CFileMergeDlg>(view, ui, profile_, closer(merge_));
        });
        return true;
    case velmar::menu_ids::kFileSplit:
        Show(split_, velmar::FileSplitForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
            auto& qtView = static_cast<velmar_ui_qt::QtFormView&>(view);
            auto slider = CreateTwinrail(qtView.Widget(velmar::file_tool_ids::kSlider));
            return std::make_unique<velmar::CFileSplitDlg>(view, ui, profile_, panel_, std::move(slider),
                                                           closer(split_));
        });
        return true;
    default: return false;
    }
}

}  // namespace velmar_qt
