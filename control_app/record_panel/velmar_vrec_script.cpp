// The encoder script on its way to the board: sent in slices so that the window answers between
// them, stopped by STOP, and ended by a line that resets the board or ends its service loop.
#include <chrono>

#include "board_link/board_library.h"
#include "board_link/format.h"
#include "record_ids.h"
#include "velmar_vrec.h"

namespace velmar {

namespace {

constexpr const char* kErrorCaption = "Velmar Error";

// What a script line did to the board that leaves nothing to record with, or nothing.
std::optional<std::string> BoardGoneAfter(const std::string& line, const BoardLink* link) {
    const std::size_t begin = line.find_first_not_of(" \t");
    const auto which = begin == std::string::npos
                           ? std::nullopt
                           : ExportForWord(std::string_view(line).substr(begin, line.find_first_of(" \t", begin) - begin));
    if (which == BoardExport::Mreset) return "reset the board";
    if (which == BoardExport::Mquit || (link && link->GetDaemonState() == DaemonState::Ended))
        return "ended the board's service loop";
    return std::nullopt;
}

}  // namespace

void CVelmarVrec::SendScriptSlice() {
    // A box a line brings up serves the window, and with it this timer: one slice at a time.
    if (!script_ || inScriptSlice_) return;
    inScriptSlice_ = true;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kScriptSliceMs);
    while (script_ && script_->next < script_->lines.size()) {
        const std::string line = script_->lines[script_->next++];
        SendCommand(line);
        if (!script_) break;
        if (const auto gone = DemoMode() ? std::nullopt : BoardGoneAfter(line, link_.get())) {
            inScriptSlice_ = false;
            AbandonScript(Format("The encoder script line \"%s\" %s: the recording is stopped", line.c_str(),
                                 gone->c_str()));
            return;
        }
        if (script_->next < script_->lines.size() && std::chrono::steady_clock::now() >= until) {
            if (!script_->sliced) {
                script_->sliced = true;
                AddLogMessage(Format("Sending the encoder script: %zu lines. STOP ends it.", script_->lines.size()));
                SetTimer(kScriptTimer, 1);
            }
            inScriptSlice_ = false;
            return;
        }
    }
    inScriptSlice_ = false;
    if (!script_) return;
    if (script_->sliced) KillTimer(kScriptTimer);
    auto then = std::move(script_->then);
    script_.reset();
    if (then) then();
}

void CVelmarVrec::AbandonScript(const std::string& why) {
    if (!script_) return;
    if (script_->sliced) KillTimer(kScriptTimer);
    auto abandon = std::move(script_->abandon);
    script_.reset();
    if (abandon) abandon();
    if (!why.empty()) Ui().MessageBox({why, kErrorCaption});
}

}  // namespace velmar
