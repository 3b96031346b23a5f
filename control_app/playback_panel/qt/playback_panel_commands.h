// The playback panel as the main frame's command target: menu commands, their availability, and
// the frame's end (the panel's destroy handling).
#pragma once

#include "playback_panel/velmar_view.h"
#include "shell/panel_commands.h"  // the frame's PanelCommands

namespace velmar_qt {

class PlaybackPanelCommands : public velmar::PanelCommands {
public:
    explicit PlaybackPanelCommands(velmar::CVelmarView& panel) : panel_(panel) {}
    bool MenuCommand(int id) override { return panel_.Command(id); }
    bool MenuCommandEnabled(int id) const override { return panel_.CommandEnabled(id); }
    void FrameDestroyed(bool /*minimised*/) override { panel_.OnDestroy(); }

private:
    velmar::CVelmarView& panel_;
};

}  // namespace velmar_qt
