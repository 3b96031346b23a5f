// What a panel (playback or record) needs from the window that hosts it: the main frame (rectangle,
// title, closing) and the windows it opens (settings dialogs, notices, the message log, the tools).
#pragma once

#include <string>

#include "velmar_ui/form_view.h"

namespace platform {
class Profile;
}

namespace velmar {

class BoardLink;
class CMessageLogDlg;
struct ColorSettings;

enum class Notice { Loading, Closing };

class PanelHost {
public:
    virtual ~PanelHost() = default;

    // --- the main frame
    virtual velmar_ui::Rect FrameRect() const = 0;
    virtual bool FrameMinimized() const = 0;
    virtual bool FrameMaximized() const = 0;
    // Shrinks the frame to the form's size.
    virtual void FitFrameToForm() = 0;
    virtual void SetFrameTitle(const std::string& title) = 0;
    // Closes the frame (and with it the panel).
    virtual void DestroyFrame() = 0;

    // --- windows the panel opens
    // Modal; the dialog edits `colors` as the operator works. True for OK.
    virtual bool RunColorSetting(ColorSettings& colors) = 0;
    virtual bool RunVideoSettings(ColorSettings& colors) = 0;
    // Modeless, one at a time: activates the open one.
    virtual void ShowAudioSettings(BoardLink& link, const platform::Profile& profile, const std::string& section) = 0;
    virtual void ShowNotice(Notice notice) = 0;
    virtual void CloseNotice(Notice notice) = 0;
    // The message log, created and shown when it is not open.
    virtual CMessageLogDlg& MessageLog(const platform::Profile& profile, const std::string& section) = 0;
    // Modeless tools (alpha generator, byte swap, merge, split) by their menu command.
    virtual void OpenTool(int menuCommand) = 0;
    // The modal EEPROM update; true when it wrote to the EEPROM (the board reads it at start-up).
    virtual bool RunEepromUpdate() = 0;
    // The modal index builder on a stream file; true when its index now exists and is complete.
    // A host without one builds nothing.
    virtual bool RunIndexBuild(const std::string& /*streamPath*/) { return false; }
};

}  // namespace velmar
