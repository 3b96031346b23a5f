#include "qt_panel_host.h"

#include "dialogs/index_build_dlg.h"
#include "dialogs/settings_dialogs.h"

namespace velmar_qt {

using velmar_ui_qt::FormWindow;

QtPanelHost::~QtPanelHost() {
    for (auto* window : {audioSettings_.data(), loading_.data(), closing_.data(), messageLog_.data()})
        delete window;
}

velmar_ui::Rect QtPanelHost::FrameRect() const {
    if (!frame_) return {};
    const QRect rect = frame_->geometry();
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

bool QtPanelHost::FrameMinimized() const { return frame_ && frame_->isMinimized(); }
bool QtPanelHost::FrameMaximized() const { return frame_ && frame_->isMaximized(); }

void QtPanelHost::FitFrameToForm() {
    if (!frame_) return;
    const QSize wanted = frame_->sizeHint();
    frame_->resize(std::min(frame_->width(), wanted.width()), std::min(frame_->height(), wanted.height()));
}

void QtPanelHost::SetFrameTitle(const std::string& title) {
    if (frame_) frame_->setWindowTitle(QString::fromStdString(title));
}

void QtPanelHost::DestroyFrame() {
    // Closed from the event loop, not from inside the panel's own handler.
    if (frame_) QMetaObject::invokeMethod(frame_, &QMainWindow::close, Qt::QueuedConnection);
}

bool QtPanelHost::RunColorSetting(velmar::ColorSettings& colors) {
    FormWindow dialog(velmar::ColorSettingForm(), [&](auto& view, auto& ui) {
        return std::make_unique<velmar::CColorSettingDlg>(view, ui, colors);
    }, nullptr, frame_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPanelHost::RunVideoSettings(velmar::ColorSettings& colors) {
    FormWindow dialog(velmar::VideoSettingsForm(), [&](auto& view, auto& ui) {
        return std::make_unique<velmar::CVideoSettingsDlg>(view, ui, colors);
    }, nullptr, frame_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtPanelHost::RunIndexBuild(const std::string& streamPath) {
    velmar::CIndexBuildDlg* logic = nullptr;
    FormWindow dialog(velmar::IndexBuildForm(), [&](auto& view, auto& ui) {
        auto made = std::make_unique<velmar::CIndexBuildDlg>(view, ui, streamPath);
        logic = made.get();
        return made;
    }, nullptr, frame_);
    dialog.exec();
    return logic && logic->Completed();
}

void QtPanelHost::ShowAudioSettings(velmar::BoardLink& link, const platform::Profile& profile,
                                    const std::string& section) {
    if (!audioSettings_) {
        audioSettings_ = new FormWindow(velmar::AudioSettingsForm(), [&](auto& view, auto& ui) {
            return std::make_unique<velmar::CAudioSettingsDlg>(view, ui, link, profile, section, [this] {
                if (audioSettings_) audioSettings_->deleteLater();
            });
        }, nullptr, frame_);
    }
    audioSettings_->show();
    audioSettings_->raise();
    audioSettings_->activateWindow();
}

void QtPanelHost::ShowNotice(velmar::Notice notice) {
    auto& slot = notice == velmar::Notice::Loading ? loading_ : closing_;
    if (!slot) {
        slot = new FormWindow(notice == velmar::Notice::Loading ? velmar::LoadWaitForm() : velmar::CloseWaitForm(),
                              [](auto& view, auto& ui) { return std::make_unique<velmar::CLoadWaitDlg>(view, ui); },
                              nullptr, frame_);
    }
    slot->show();
}

void QtPanelHost::CloseNotice(velmar::Notice notice) {
    auto& slot = notice == velmar::Notice::Loading ? loading_ : closing_;
    if (slot) slot->deleteLater();
    slot = nullptr;
}

velmar::CMessageLogDlg& QtPanelHost::MessageLog(const platform::Profile& profile, const std::string& section) {
    if (!messageLog_) {
        messageLog_ = new FormWindow(velmar::MessageLogForm(), [&](auto& view, auto& ui) {
            auto logic = std::make_unique<velmar::CMessageLogDlg>(view, ui, profile, section, [this] {
                if (messageLog_) messageLog_->deleteLater();
                messageLogLogic_ = nullptr;
            });
            messageLogLogic_ = logic.get();
            return logic;
        }, nullptr, frame_);
        messageLog_->setModal(false);
        messageLog_->show();
    }
    return *messageLogLogic_;
}

void QtPanelHost::OpenTool(int menuCommand) {
    if (openTool) openTool(menuCommand);
}

bool QtPanelHost::RunEepromUpdate() { return runEepromUpdate && runEepromUpdate(); }

}  // namespace velmar_qt
