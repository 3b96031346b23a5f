// Velmar: the board control application. One instance drives one board through one panel.
//   Velmar [-1|-2] [-mp|-mr] [-" top left bottom right zoom "]
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <memory>

#include "board_bindings.h"
#include "file_tool_windows.h"
#include "i2c_bus.h"
#include "launch.h"
#include "main_frame.h"
#include "platform/host_hooks.h"
#include "platform/profile.h"
#include "playback_panel_commands.h"
#include "playback_panel_window.h"
#include "qt_panel_host.h"
#include "remote_requests.h"
#include "remote_server.h"
#include "velmar_ui_qt/form_window.h"
#include "velmar_vrec.h"

namespace {

// Libraries report their boxes through the host hook: show them as the program's own.
void InstallMessageBoxes() {
    platform::SetMessageBoxHook([](const std::string& text, const std::string& caption, platform::MessageButtons,
                                   platform::MessageIcon) {
        QMessageBox::warning(nullptr, QString::fromStdString(caption), QString::fromStdString(text));
        return platform::MessageAnswer::Ok;
    });
}

void Place(velmar::CMainFrame& frame, const velmar::LaunchArguments& arguments, const platform::Profile& profile,
           const std::string& section) {
    if (auto rect = velmar::ChooseWindowRect(arguments, profile, section))
        frame.PlaceAt(rect->x, rect->y, rect->width, rect->height);
    else
        frame.resize(frame.sizeHint());  // the whole form where the screen allows, not Qt's two thirds
}

// What the split tool reads from the playback panel: its TV standard and channel positions.
class PanelSplitLink : public velmar::SplitPanelLink {
public:
    explicit PanelSplitLink(velmar::CVelmarView& view) : view_(view) {}
    velmar::TvStandard Standard() const override { return view_.Standard(); }
    int VideoAPosition() const override { return 0; }
    int AudioPosition() const override { return static_cast<int>(view_.Channels().audio->position); }

private:
    velmar::CVelmarView& view_;
};

// The record panel has no menu commands of its own yet.
struct RecordPanelCommands : velmar::PanelCommands {
    bool MenuCommand(int) override { return false; }
};

int RunPlayback(QApplication& app, const velmar::LaunchArguments& arguments, const velmar::LaunchChoice& choice,
                const platform::Profile& profile) {
    velmar::RuventLibrary library;
    velmar::TessolkDriver driver(choice.board);
    velmar::SystemBusTiming timing;
    velmar::RemoteRequests remote(profile, choice.section);
    velmar::RemoteServer server(remote, choice.board);

    velmar_qt::QtPanelHost host;
    velmar_qt::PlaybackPanelWindow panel([&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<velmar::CVelmarView>(view, ui, host, velmar::PanelBoard{driver, library, timing},
                                                     profile, &remote, choice.board);
    });
    velmar_qt::PlaybackPanelCommands commands(panel.Panel());
    velmar::CMainFrame frame(&panel.Widget(), commands);
    host.SetFrame(&frame);
    PanelSplitLink splitLink(panel.Panel());
    velmar_qt::FileToolWindows fileTools(&frame, profile, splitLink);
    host.openTool = [&fileTools](int menuCommand) { fileTools.Open(menuCommand); };
    Place(frame, arguments, profile, choice.section);
    server.ListenWhenFree();
    frame.show();
    panel.OnInitialUpdate();
    QTimer::singleShot(0, &frame, [&] { panel.Panel().OnPaint(); });
    const int code = app.exec();
    frame.ReleasePanel();  // the panel window belongs to `panel`
    return code;
}

int RunRecord(QApplication& app, const velmar::LaunchArguments& arguments, const velmar::LaunchChoice& choice,
              const platform::Profile& profile) {
    velmar_ui_qt::FormPanel panel(velmar::RecordPanelForm(), [](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<velmar::CVelmarVrec>(view, ui);
    });
    RecordPanelCommands commands;
    velmar::CMainFrame frame(&panel, commands);
    frame.setWindowTitle(QString::fromStdString(velmar::FrameTitle(choice.board, false)));
    Place(frame, arguments, profile, choice.section);
    frame.show();
    const int code = app.exec();
    frame.ReleasePanel();
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallMessageBoxes();
    const platform::Profile profile;
    const auto arguments = velmar::ParseLaunchArguments(velmar::JoinArguments(argc, argv));
    const auto choice = velmar::ChooseLaunch(arguments, profile);
    return choice.PlaybackPanel() ? RunPlayback(app, arguments, choice, profile)
                                  : RunRecord(app, arguments, choice, profile);
}
