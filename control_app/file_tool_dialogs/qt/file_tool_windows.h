// The file tools' windows as the playback panel's menu opens them: Byte Swap, File Merge and
// File Split exist once each; a second command brings the open one forward.
#pragma once

#include <QPointer>
#include <QWidget>

#include "file_tool_dialogs/file_split_dlg.h"
#include "velmar_ui_qt/form_window.h"

namespace platform {
class Profile;
}

namespace velmar_qt {

class FileToolWindows {
public:
    FileToolWindows(QWidget* parent, const platform::Profile& profile, const velmar::SplitPanelLink& panel)
        : parent_(parent), profile_(profile), panel_(panel) {}
    ~FileToolWindows();

    // True when the menu command is one of these tools.
    bool Open(int menuCommand);

    velmar_ui_qt::FormWindow* ByteSwap() const { return swap_; }
    velmar_ui_qt::FormWindow* Merge() const { return merge_; }
    velmar_ui_qt::FormWindow* Split() const { return split_; }

private:
    void Show(QPointer<velmar_ui_qt::FormWindow>& slot, const velmar_ui::FormSpec& form,
              const velmar_ui_qt::LogicFactory& factory);

    QWidget* parent_;
    const platform::Profile& profile_;
    const velmar::SplitPanelLink& panel_;
    QPointer<velmar_ui_qt::FormWindow> swap_;
    QPointer<velmar_ui_qt::FormWindow> merge_;
    QPointer<velmar_ui_qt::FormWindow> split_;
};

// The dual slider for a split dialog, created by ProgID inside `placeholder`; null (with the
// placeholder saying so) when the control is not registered or will not load.
std::unique_ptr<components::ComponentInstance> CreateTwinrail(QWidget* placeholder);

}  // namespace velmar_qt
