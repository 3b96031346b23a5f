// The playback panel's host over Qt: the main frame it sits in, and its dialogs and notices as
// form windows. Tools and the EEPROM update belong to other parts of the program; the frame
// passes them in as functions.
#pragma once

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

#include "board_panel/message_log_dlg.h"
#include "board_panel/panel_frame_host.h"
#include "velmar_ui_qt/form_window.h"

namespace velmar_qt {

class QtPanelHost : public velmar::PanelHost {
public:
    explicit QtPanelHost(QMainWindow* frame = nullptr) : frame_(frame) {}
    // The frame is usually built after the panel: it arrives here once it exists.
    void SetFrame(QMainWindow* frame) { frame_ = frame; }
    ~QtPanelHost() override;

    std::function<void(int menuCommand)> openTool;
    std::function<bool()> runEepromUpdate;  // true when it wrote to the EEPROM

    velmar_ui::Rect FrameRect() const override;
    bool FrameMinimized() const override;
    bool FrameMaximized() const override;
    void FitFrameToForm() override;
    void SetFrameTitle(const std::string& title) override;
    void DestroyFrame() override;
    bool RunColorSetting(velmar::ColorSettings& colors) override;
    bool RunVideoSettings(velmar::ColorSettings& colors) override;
    void ShowAudioSettings(velmar::BoardLink& link, const platform::Profile& profile,
                           const std::string& section) override;
    void ShowNotice(velmar::Notice notice) override;
    void CloseNotice(velmar::Notice notice) override;
    velmar::CMessageLogDlg& MessageLog(const platform::Profile& profile, const std::string& section) override;
    void OpenTool(int menuCommand) override;
    bool RunEepromUpdate() override;
    bool RunIndexBuild(const std::string& streamPath) override;

private:
    QPointer<QMainWindow> frame_;
    QPointer<velmar_ui_qt::FormWindow> audioSettings_;
    QPointer<velmar_ui_qt::FormWindow> loading_;
    QPointer<velmar_ui_qt::FormWindow> closing_;
    QPointer<velmar_ui_qt::FormWindow> messageLog_;
    velmar::CMessageLogDlg* messageLogLogic_ = nullptr;
};

}  // namespace velmar_qt
