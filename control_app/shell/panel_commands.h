// What the main frame needs of the panel it hosts, beyond the panel's own form: its menu
// commands, whether a command is available now, and the moment the frame goes away.
#pragma once

namespace velmar {

class PanelCommands {
public:
    virtual ~PanelCommands() = default;
    // A menu command of menu 128 (the ids of menu_ids.h). Returns whether the panel handled it.
    virtual bool MenuCommand(int id) = 0;
    // Whether the command's menu item is enabled now (Set Log File only while no log is open, ...).
    virtual bool MenuCommandEnabled(int /*id*/) const { return true; }
    // The frame is being destroyed (WM_DESTROY of the panel); minimised tells whether the frame's
    // rectangle is worth saving.
    virtual void FrameDestroyed(bool /*minimised*/) {}
};

}  // namespace velmar
