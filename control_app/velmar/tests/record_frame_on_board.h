// The record panel in the main frame as Velmar shows it, over the real driver and command library
// against the software board program, with settings that record video and audio into a folder.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "panel_on_board.h"
#include "recording_checks.h"
#include "platform/profile.h"
#include "playback_panel/qt/qt_panel_host.h"
#include "record_panel/record_form.h"
#include "record_panel/record_ids.h"
#include "record_panel/velmar_vrec.h"
#include "velmar/board_bindings.h"
#include "velmar/main_frame.h"
#include "velmar_ui_qt/form_window.h"

namespace velmar {

// Turns the event loop for at most `milliseconds`, until `done` holds.
inline bool RunEventsUntil(int milliseconds, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The record panel as the frame's command target, as Velmar makes it.
class RecordPanelCommands : public PanelCommands {
public:
    explicit RecordPanelCommands(CVelmarVrec*& panel) : panel_(panel) {}
    bool MenuCommand(int id) override { return panel_->Command(id); }
    bool MenuCommandEnabled(int id) const override { return panel_->CommandEnabled(id); }
    void FrameDestroyed(bool) override { panel_->OnDestroy(); }

private:
    CVelmarVrec*& panel_;
};

struct RecordFrameOnBoard {
    explicit RecordFrameOnBoard(const std::string& dir)
        : files(dir), profile(dir + "/RECORD.INI"), board({}, dir + "/board.log") {
        files.WriteSettings(profile);
        form = std::make_unique<velmar_ui_qt::FormPanel>(
            RecordPanelForm(), [this](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
                auto made = std::make_unique<CVelmarVrec>(view, ui, host, PanelBoard{driver, library, timing}, profile,
                                                          board_commands::BoardNumber::First());
                panel = made.get();
                return made;
            });
        frame = new CMainFrame(form.get(), commands);
        host.SetFrame(frame);
        // A box would wait for an operator: it is noted and closed.
        QObject::connect(&boxCloser, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxes.push_back(box->text().toStdString());
                box->reject();
            }
        });
        boxCloser.start(100);
    }
    ~RecordFrameOnBoard() {
        frame->close();  // the panel's destroy handling ends the service loop
        frame->ReleasePanel();
        delete frame;
    }
    // Opens the frame as Velmar does without a stored rectangle and brings the board up: the
    // panel's first timer tick sets the board up and loads the output names.
    bool Open() {
        frame->OpenAtPanelSize();
        frame->show();
        panel->OnInitialUpdate();
        const bool up = RunEventsUntil(60000, [this] { return panel->videoPath == files.video; });
        RunEventsUntil(300, [] { return false; });  // the layouts settle
        return up;
    }
    // RECORD, then about a second and a half of recording (the board counts fields).
    bool Record() {
        panel->Command(record_ids::kRecordVideo);
        return RunEventsUntil(30000, [this] { return panel->Window()->Read32(window::kRecordStatus + 16) >= 90; });
    }

    RecordingFiles files;
    platform::Profile profile;
    SoftBoardProgram board;
    InRunDirectory inRunDirectory;
    RuventLibrary library;
    TessolkLibrary driver{board_commands::BoardNumber::First()};
    panel_testing::NoDelays timing;
    velmar_qt::QtPanelHost host;
    CVelmarVrec* panel = nullptr;
    RecordPanelCommands commands{panel};
    std::unique_ptr<velmar_ui_qt::FormPanel> form;
    CMainFrame* frame = nullptr;
    QTimer boxCloser;
    std::vector<std::string> boxes;
};

}  // namespace velmar
