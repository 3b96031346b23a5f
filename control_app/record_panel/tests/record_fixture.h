// A record panel over the panels' shared fakes: board, command library, host and start-up files.
#pragma once

#include <memory>

#include "board_panel/testing/panel_test_support.h"
#include "platform/profile.h"
#include "record_panel/record_form.h"
#include "record_panel/record_ids.h"
#include "record_panel/velmar_vrec.h"
#include "velmar_ui/testing/fake_ui_services.h"

namespace velmar::record_testing {

using namespace panel_testing;
using Lines = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

struct RecordFixture {
    explicit RecordFixture(std::uint32_t boardType = window::kNewerBoardType, bool present = true)
        : board(present, boardType), library(board), profile("VELMAR-TEST.INI") {
        host.ui = &ui;
    }
    ~RecordFixture() {
        library.EndDaemon(1);
        panel.reset();
    }

    void Make() {
        panel = std::make_unique<CVelmarVrec>(view, ui, host, PanelBoard{board, library, timing}, profile, board_commands::BoardNumber::First());
    }

    // OnInitialUpdate and the first tick (the board's initialisation).
    void StartUp() {
        if (!panel) Make();
        panel->OnInitialUpdate();
        ui.Advance(kPanelTimerMs);
    }

    void Tick() { ui.Advance(kPanelTimerMs); }
    void SetKey(const std::string& key, const std::string& value) { profile.WriteString("BOARD1", key, value); }
    std::string Key(const std::string& key) const { return profile.GetString("BOARD1", key, "<none>"); }

    // The command lines sent from `from` on, without the I2C bus traffic and the daemon line.
    Lines Sent(std::size_t from = 0) const {
        Lines out;
        const Lines all = library.CommandLines();
        for (std::size_t i = from; i < all.size(); ++i)
            if (all[i].rfind("mdaemon", 0) != 0) out.push_back(all[i]);
        return out;
    }
    std::size_t Mark() const { return library.CommandLines().size(); }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : ui.Boxes()) texts.push_back(box.text);
        return texts;
    }

    StartupFiles files;
    velmar_ui::testing::FakeFormView view{RecordPanelForm()};
    velmar_ui::testing::FakeUiServices ui;
    FakeHost host;
    FakeBoard board;
    RecordingLibrary library;
    NoDelays timing;
    platform::Profile profile;
    std::unique_ptr<CVelmarVrec> panel;
};

}  // namespace velmar::record_testing
