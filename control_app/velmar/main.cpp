// Velmar: the board control application. One instance drives one board through one panel.
//   Velmar [-1|-2] [-mp|-mr] [-" top left bottom right zoom "]
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

#include "alpha_generator/qt/alpha_gen_window.h"
#include "board_bindings.h"
#include "board_commands/command_lines.h"
#include "board_link/board_link.h"
#include "board_link/i2c_bus.h"
#include "eeprom_update/eeprom_update_dlg.h"
#include "file_tool_dialogs/qt/file_tool_windows.h"
#include "main_frame.h"
#include "platform/host_hooks.h"
#include "platform/profile.h"
#include "platform/shared_lock.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/dv_record.h"
#include "playback_panel/play_list_channel.h"
#include "playback_panel/qt/playback_panel_commands.h"
#include "playback_panel/qt/playback_panel_window.h"
#include "playback_panel/qt/qt_panel_host.h"
#include "playback_panel/video_channel.h"
#include "record_panel/velmar_vrec.h"
#include "remote_server.h"
#include "shell/launch.h"
#include "shell/menu_ids.h"
#include "shell/remote_requests.h"
#include "termination_signal.h"
#include "velmar_ui_qt/form_window.h"
#include "velmar_ui_qt/qt_ui_services.h"

namespace {

// Libraries report their boxes through the host hook: show them as the program's own, on the UI
// thread even when the board's service thread asks (the services wait there for the answer).
void InstallMessageBoxes(velmar_ui::UiServices& ui) { platform::SetMessageBoxHook(velmar_ui::LibraryBoxesThrough(ui)); }

void Place(velmar::CMainFrame& frame, const velmar::LaunchArguments& arguments, const platform::Profile& profile,
           const std::string& section) {
    if (auto rect = velmar::ChooseWindowRect(arguments, profile, section))
        frame.PlaceAt(rect->x, rect->y, rect->width, rect->height);
    else
        frame.OpenAtPanelSize();  // not Qt's two thirds of the screen
}

// What the split tool reads from the playback panel: its TV standard and channel positions.
class PanelSplitLink : public velmar::SplitPanelLink {
public:
    explicit PanelSplitLink(velmar::CVelmarView& view) : view_(view) {}
    velmar::TvStandard Standard() const override { return view_.Standard(); }
    int VideoAPosition() const override { return view_.Channels().videoA->Position(); }
    int AudioPosition() const override { return static_cast<int>(view_.Channels().audio->Position()); }

private:
    velmar::CVelmarView& view_;
};

// The EEPROM update's way to the board: the panel's I2C routines.
class PanelEepromBus : public eeprom::EepromI2c {
public:
    explicit PanelEepromBus(velmar::CVelmarView& view) : view_(view) {}
    void I2cWrite(const std::vector<std::uint8_t>& bytes) override { view_.I2cWriteBytes(bytes); }
    std::uint8_t I2cRead(std::uint8_t readAddress) override { return view_.I2cReadByte(readAddress); }

private:
    velmar::CVelmarView& view_;
};

// The record panel as the main frame's command target.
class RecordPanelCommands : public velmar::PanelCommands {
public:
    explicit RecordPanelCommands(velmar::CVelmarVrec& panel) : panel_(panel) {}
    bool MenuCommand(int id) override { return panel_.Command(id); }
    bool MenuCommandEnabled(int id) const override { return panel_.CommandEnabled(id); }
    void FrameDestroyed(bool /*minimised*/) override { panel_.OnDestroy(); }

private:
    velmar::CVelmarVrec& panel_;
};

// How long a new instance waits for the one that drives its board to go.
constexpr int kTakeOverLimitMs = 30000;
constexpr int kTakeOverPollMs = 100;

// One instance per board: the instance that drives a board holds its lock for life. A new one
// asks the holder to quit, as a restart does: its service loop ends and it closes. The request is
// repeated, since an instance still in its start-up clears it when its service loop begins. Null
// when the other one never went.
std::unique_ptr<platform::NamedLock> TakeBoard(board_commands::BoardNumber board, velmar_ui::UiServices& ui) {
    const std::string name = "velmar-instance-board" + std::to_string(board.Number());
    velmar::RuventLibrary library;
    for (int waited = 0;; waited += kTakeOverPollMs) {
        if (auto lock = platform::NamedLock::TryTake(name)) return lock;
        if (waited >= kTakeOverLimitMs) return nullptr;
        velmar::SendTakeOverQuit(library, board);
        ui.Sleep(kTakeOverPollMs);
    }
}

int RunPlayback(QApplication& app, const velmar::LaunchArguments& arguments, const velmar::LaunchChoice& choice,
                const platform::Profile& profile, velmar::RemoteRequests& remote) {
    velmar::RuventLibrary library;
    velmar::TessolkLibrary driver(choice.board);
    velmar::SystemBusTiming timing;

    velmar_qt::QtPanelHost host;
    velmar_qt::PlaybackPanelWindow panel([&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        auto panel = std::make_unique<velmar::CVelmarView>(view, ui, host, velmar::PanelBoard{driver, library, timing},
                                                           profile, &remote, choice.board);
        velmar::InstallVideoChannels(*panel);
        velmar::InstallAudioChannel(*panel);
        velmar::InstallAlphaAndPlayList(*panel);
        velmar::InstallDvRecord(*panel);
        return panel;
    });
    velmar_qt::PlaybackPanelCommands commands(panel.Panel());
    velmar::CMainFrame frame(&panel.Widget(), commands);
    host.SetFrame(&frame);
    PanelSplitLink splitLink(panel.Panel());
    velmar_qt::FileToolWindows fileTools(&frame, profile, splitLink);
    QPointer<velmar_ui_qt::FormWindow> alphaGenerator;
    host.openTool = [&](int command) {
        if (command == velmar::menu_ids::kAlphaGenerator)
            velmar_qt::ShowAlphaGenerator(alphaGenerator, profile,
                                          [&](const std::string& path) { return host.RunIndexBuild(path); }, &frame);
        else
            fileTools.Open(command);
    };
    host.runEepromUpdate = [&] {
        PanelEepromBus bus(panel.Panel());
        velmar::CEepromUpdateDlg* updater = nullptr;
        velmar_ui_qt::FormWindow dialog(velmar::EepromUpdateForm(), [&](auto& view, auto& ui) {
            auto logic = std::make_unique<velmar::CEepromUpdateDlg>(view, ui, bus);
            updater = logic.get();
            return logic;
        }, nullptr, &frame);
        dialog.exec();
        return updater->WroteEeprom();
    };
    Place(frame, arguments, profile, choice.section);
    const velmar::EndOnSignals endOnSignals(frame);
    frame.show();
    panel.OnInitialUpdate();
    QTimer::singleShot(0, &frame, [&] { panel.Panel().OnPaint(); });
    const int code = app.exec();
    frame.ReleasePanel();  // the panel window belongs to `panel`
    return code;
}

int RunRecord(QApplication& app, const velmar::LaunchArguments& arguments, const velmar::LaunchChoice& choice,
              const platform::Profile& profile) {
    velmar::RuventLibrary library;
    velmar::TessolkLibrary driver(choice.board);
    velmar::SystemBusTiming timing;

    velmar_qt::QtPanelHost host;
    velmar::CVelmarVrec* panel = nullptr;
    velmar_ui_qt::FormPanel form(velmar::RecordPanelForm(), [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        auto made = std::make_unique<velmar::CVelmarVrec>(view, ui, host, velmar::PanelBoard{driver, library, timing},
                                                          profile, choice.board);
        panel = made.get();
        return made;
    });
    RecordPanelCommands commands(*panel);
    velmar::CMainFrame frame(&form, commands);
    host.SetFrame(&frame);
    Place(frame, arguments, profile, choice.section);
    const velmar::EndOnSignals endOnSignals(frame);
    frame.show();
    panel->OnInitialUpdate();
    QTimer::singleShot(0, &frame, [&] { panel->OnPaint(); });
    const int code = app.exec();
    frame.ReleasePanel();  // the form belongs to `form`
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    // Help is answered before anything opens a window or reaches a board.
    if (velmar::AsksForHelp(argc, argv)) {
        std::fputs(velmar::kLaunchUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    velmar_ui_qt::QtUiServices libraryBoxes(nullptr);
    InstallMessageBoxes(libraryBoxes);
    const platform::Profile profile;
    const auto arguments = velmar::ParseLaunchArguments(velmar::JoinArguments(argc, argv));
    // An argument it does not know still starts an instance, as operators' shortcuts rely on, but
    // never silently: the instance it starts takes the board over from any running one.
    for (const std::string& word : velmar::UnknownLaunchWords(arguments))
        std::fprintf(stderr, "Velmar: unknown argument \"%s\"; starting as the known arguments say\n%s", word.c_str(),
                     velmar::kLaunchUsage);
    const auto choice = velmar::ChooseLaunch(arguments, profile);
    const auto boardLock = TakeBoard(choice.board, libraryBoxes);
    if (!boardLock) {
        std::fprintf(stderr, "Velmar: board %d stays with the instance that drives it\n", choice.board.Number());
        platform::SetMessageBoxHook({});
        return 1;
    }
    // Either panel answers a controlling program; only the playback panel acts on its requests.
    velmar::RemoteRequests remote(profile, choice.section);
    velmar::RemoteServer server(remote, choice.board);
    server.ListenWhenFree();
    const int code = choice.PlaybackPanel() ? RunPlayback(app, arguments, choice, profile, remote)
                                            : RunRecord(app, arguments, choice, profile);
    platform::SetMessageBoxHook({});  // the services go with this scope; the service thread has ended
    return code;
}
