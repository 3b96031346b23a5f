#include "dv_record.h"

#include <memory>

#include "board_commands/command_lines.h"
#include "board_link/format.h"
#include "platform/log.h"
#include "record_output/record_output.h"
#include "velmar_view.h"
#include "velmar_view_ids.h"
#include "video_clip.h"

namespace velmar {

using namespace panel_ids;

namespace {

constexpr const char* kFileError = "Velmar File Error";
// The board needs a moment after the end of output 6 before the channels are read again.
constexpr int kAfterCloseMs = 1000;

}  // namespace

std::uint64_t DvFrameBytes(bool pal, bool dv50) { return (pal ? 144000u : 120000u) * (dv50 ? 2u : 1u); }

CDvRecordChannel::CDvRecordChannel(CVelmarView& panel)
    : panel_(panel),
      texts_{velmar_ui::DdxText(kPathDv, &CDvRecordChannel::videoPath_),
             velmar_ui::DdxText(kPathDvAudio, &CDvRecordChannel::audioPath_)} {}

void CDvRecordChannel::ExchangeTexts(bool save) { texts_.UpdateData(*this, panel_.View(), panel_.Ui(), save); }

void InstallDvRecord(CVelmarView& panel) {
    panel.Channels().dvRecord = std::make_unique<CDvRecordChannel>(panel);
}

void CVelmarView::OnDvControl(const velmar_ui::Event& event) { channels_.dvRecord->OnControl(event); }

void CDvRecordChannel::WriteWavHeader() {
    WriteWavHeaderRetrying(panel_.Ui(), audioPath_, audioPath_, RecordSampleRate(panel_.BusByte40() & 3));
}

bool CDvRecordChannel::OnControl(const velmar_ui::Event& event) {
    const bool lostFocus = event.kind == velmar_ui::EventKind::EditLostFocus;
    switch (event.id) {
    case kFileDv: OnBrowseVideo(); return true;
    case kFileDvAudio: OnBrowseAudio(); return true;
    case kRecordDv: OnDvRecord(); return true;
    case kStopDv: OnDvRecordStop(); return true;
    case kRecordAudioDv: panel_.WriteKey("LINKDVR", RecordAudioChecked() ? "1" : "0"); return true;
    case kPathDv:
    case kPathDvAudio:
        if (!lostFocus) return false;
        panel_.UpdateFormData();
        if (event.id == kPathDv)
            panel_.WriteKey("PATHDVR", videoPath_);
        else
            panel_.WriteKey("PATHDVAR", audioPath_);
        return true;
    default: return false;
    }
}

bool CDvRecordChannel::RecordAudioChecked() const { return panel_.View().Checked(kRecordAudioDv); }

void CDvRecordChannel::InitDvRecord() {
    panel_.View().SetFlat(kStopDv, true);
    videoPath_ = panel_.ReadKey("PATHDVR");
    audioPath_ = panel_.ReadKey("PATHDVAR");
    panel_.View().SetChecked(kRecordAudioDv, panel_.ReadKey("LINKDVR") == "1");
    panel_.UpdateData(false);
}

// ------------------------------------------------------------------ files

namespace {

void Browse(CVelmarView& panel, std::string& member, const char* key, ControlId edit, const char* extension,
            const std::string& filter) {
    const std::string stored = panel.ReadKey(key);
    const std::string ext = ExtensionOf(stored);
    velmar_ui::FileChooserSpec chooser;
    // A save form: the recording usually does not exist yet.
    chooser.save = true;
    // The recorder asks "File Already Exists ..." itself when it starts: one question, not two.
    chooser.askBeforeReplacing = false;
    chooser.startFolder = velmar_ui::FolderOf(stored);
    chooser.initialName = "*" + (ext.empty() ? std::string(".") + extension : ext);
    chooser.defaultExtension = extension;
    chooser.filter = filter;
    const auto choice = panel.Ui().ChooseFile(chooser);
    if (!choice || !BoardTakesPath(panel.Ui(), *choice)) return;
    member = *choice;
    panel.WriteKey(key, *choice);
    panel.UpdateData(false);
    panel.View().SelectAllText(edit);
}

}  // namespace

void CDvRecordChannel::OnBrowseVideo() {
    Browse(panel_, videoPath_, "PATHDVR", kPathDv, "dv", "DV Files (*.dv)|*.dv|All Files (*.*)|*.*||");
}

void CDvRecordChannel::OnBrowseAudio() {
    Browse(panel_, audioPath_, "PATHDVAR", kPathDvAudio, "wav", "Audio Files (*.wav)|*.wav|All Files (*.*)|*.*||");
}

bool CDvRecordChannel::OpenDvRecordFiles() {
    velmar_ui::UiServices& ui = panel_.Ui();
    const bool audio = RecordAudioChecked();
    // The service loop takes an empty name as no file at all and would drop the recording.
    if (videoPath_.empty() || (audio && audioPath_.empty())) {
        ui.MessageBox({"Choose the DV record files first", kFileError});
        return false;
    }
    const std::vector<std::string> inUse = panel_.FilesInUse();
    if (!OutputPathUsable(ui, videoPath_, inUse) || (audio && !OutputPathUsable(ui, audioPath_, inUse))) return false;
    if (audio && !OutputsAreTwoFiles(ui, videoPath_, audioPath_)) return false;
    if (!ConfirmOverwrite(ui, videoPath_, true)) return false;
    if (audio) {
        if (!ConfirmOverwrite(ui, audioPath_, true)) return false;
        // The board hands its audio words over reversed, on every board type.
        panel_.SendCommand(board_commands::OutputToFile(board_commands::kDvAudioOutput, true, audioPath_));
    }
    panel_.SendCommand(board_commands::OutputToFile(board_commands::kDvOutput, false, videoPath_));
    return true;
}

// ------------------------------------------------------------------ record and stop

void CDvRecordChannel::OnDvRecord() {
    panel_.UpdateFormData();
    if (recording_) return;
    panel_.SendCommand(board_commands::Flush(board_commands::kDvOutput));
    if (!OpenDvRecordFiles()) return;
    if (BoardWindow* window = panel_.Window()) window->Write32(window::kDiskOverrunCounter, 0);
    const bool pal = panel_.PalMode();
    const bool dv50 = panel_.Dv50() != 0;
    withAudio_ = RecordAudioChecked();
    frameBytes_ = DvFrameBytes(pal, dv50);
    panel_.SendCommand(board_commands::ReferenceSetup(pal, 0x00010000, 1, panel_.Colors().refColor, 1));
    panel_.SendCommand(board_commands::DvRecordStart(dv50 ? 4 : 2, withAudio_));
    recording_ = true;
    panel_.View().SetFlat(kRecordDv, true);
    panel_.View().SetFlat(kStopDv, false);
}

void CDvRecordChannel::WaitForDrain(int output) {
    BoardLink* link = panel_.Link();
    const bool drained =
        panel_.WaitForOutputDrain(output, [link] { return link && link->GetDaemonState() == DaemonState::Ended; });
    if (!drained) platform::Log(platform::LogLevel::Warning, Format("DV record output %d did not drain", output));
}

void CDvRecordChannel::OnDvRecordStop() { Stop(true); }

// Once the service loop has gone the stop words go nowhere and the drain waits return at once:
// the loop has closed the files, which are cut back to whole frames and samples as after an overrun.
void CDvRecordChannel::EndWithPanel() { Stop(false); }

void CDvRecordChannel::Stop(bool reloadClips) {
    if (!recording_) return;
    recording_ = false;
    panel_.SendCommand(board_commands::DvRecordStop(withAudio_));
    panel_.Host().ShowNotice(Notice::Closing);
    // After a disk overrun the service loop stopped writing in the middle of a pair: both files
    // are cut back to whole samples and frames, so that they stay readable.
    if (withAudio_) {
        WaitForDrain(board_commands::kDvAudioOutput);
        panel_.SendCommand(board_commands::OutputEnd(board_commands::kDvAudioOutput));
        TrimToWholeUnits(audioPath_, wav::kWavHeaderSize, 4);
        WriteWavHeader();
        if (reloadClips) panel_.Channels().audio->ReloadFile();
    }
    WaitForDrain(board_commands::kDvOutput);
    panel_.SendCommand(board_commands::OutputEnd(board_commands::kDvOutput));
    panel_.Ui().Sleep(kAfterCloseMs);
    TrimToWholeUnits(videoPath_, 0, frameBytes_);
    if (reloadClips) {
        panel_.Channels().videoA->ReloadClip();
        panel_.Channels().videoB->ReloadClip();
    }
    panel_.Host().CloseNotice(Notice::Closing);
    panel_.SendCommand(board_commands::ReferenceSetup(panel_.PalMode(), 0, 1, panel_.Colors().refColor, 0));
    const BoardWindow* window = panel_.Window();
    if (window && static_cast<std::int32_t>(window->Read32(window::kDiskOverrunCounter)) > 0)
        panel_.Ui().MessageBox({"Recording Stopped due Disk Overrun", "Velmar Error"});
    panel_.View().SetFlat(kRecordDv, false);
    panel_.View().SetFlat(kStopDv, true);
}

}  // namespace velmar
