// The record flow: output files, RECORD, PAUSE, FR STEP and STOP of video and audio, the stop on a
// disk overrun, and the WAVE header of a finished audio file.
#include "record_flow.h"

#include <filesystem>

#include "board_commands/command_lines.h"
#include "index_formats/index_files.h"
#include "platform/kernel.h"
#include "record_ids.h"
#include "velmar_vrec.h"

namespace velmar {

using namespace record_ids;

namespace {

constexpr const char* kErrorCaption = "Velmar Error";
constexpr const char* kFileError = "Velmar File Error";

constexpr std::uint32_t kOutputStatus[2] = {window::ProgressWordOffset(window::kFirstOutputEntry, 0),
                                            window::ProgressWordOffset(window::kFirstOutputEntry + 1, 0)};

}  // namespace

const velmar_ui::MessageMap<CRecordFlow>& CRecordFlow::Map() {
    using F = CRecordFlow;
    using velmar_ui::OnCommand;
    static const velmar_ui::MessageMap<F> map{
        OnCommand(kRecordVideo, &F::OnRecordVideo),
        OnCommand(kPauseVideo, &F::OnPauseVideo),
        OnCommand(kFrameStep, &F::OnFrameStep),
        OnCommand(kStopVideo, &F::StopVideoRecord),
        OnCommand(kRecordAudio, &F::StartAudioRecord),
        OnCommand(kPauseAudio, &F::OnAudioRecordPause),
        OnCommand(kStopAudio, &F::StopAudioRecord),
    };
    return map;
}

bool CRecordFlow::OnControl(const velmar_ui::Event& event) { return Map().Dispatch(*this, event); }

// ------------------------------------------------------------------ output files

std::string CRecordFlow::MdbPath() const {
    return index_formats::IndexPathBeside(platform::NormalizePath(panel_.videoPath), ".mdb");
}

std::vector<std::string> CRecordFlow::FilesInUse() const {
    // The file the encoder compresses and its script; the data folders are checked by the outputs.
    std::vector<std::string> files;
    for (const std::string* path : {&panel_.compressPath, &panel_.scriptPath})
        if (!path->empty()) files.push_back(*path);
    return files;
}

bool CRecordFlow::OpenVideoOutput() {
    const std::string& videoPath = panel_.videoPath;
    // The service loop would take an empty name as no file at all and drop the recording.
    if (videoPath.empty()) {
        panel_.Ui().MessageBox({"Choose a video output file first", kFileError});
        return false;
    }
    if (!OutputPathUsable(panel_.Ui(), videoPath, FilesInUse())) return false;
    if ((panel_.linkedAudio_ || audioRecording_) && !OutputsAreTwoFiles(panel_.Ui(), videoPath, panel_.audioPath))
        return false;
    if (!ConfirmOverwrite(panel_.Ui(), videoPath, true)) return false;
    // The old index goes with the old recording; whatever else bears its name stays.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(MdbPath(), ignored)))
        std::filesystem::remove(MdbPath(), ignored);
    if (panel_.linkedAudio_ && !OpenAudioOutput()) return false;
    const bool swap = panel_.View().Checked(kByteSwap);
    const bool reversed = panel_.is2000Board_ ? swap : !swap;
    panel_.SendCommand(board_commands::OutputToFile(board_commands::kRecordVideo, reversed, videoPath));
    return true;
}

bool CRecordFlow::OpenAudioOutput() {
    const std::string& audioPath = panel_.audioPath;
    if (audioPath.empty()) {
        panel_.Ui().MessageBox({"Choose an audio output file first", kFileError});
        return false;
    }
    // The board's writer replaces the file; only the question is asked here.
    if (!OutputPathUsable(panel_.Ui(), audioPath, FilesInUse())) return false;
    if (recordState_ != RecordState::Idle && !OutputsAreTwoFiles(panel_.Ui(), panel_.videoPath, audioPath))
        return false;
    if (!ConfirmOverwrite(panel_.Ui(), audioPath, false)) return false;
    panel_.SendCommand(board_commands::OutputToFile(board_commands::kRecordAudio, panel_.is2000Board_, audioPath));
    return true;
}

// ------------------------------------------------------------------ video record

void CRecordFlow::ResetEncoderOutput() {
    BoardWindow& window = *panel_.window_;
    window.Write32(window::kDiskOverrunCounter, 0);
    window.Write32(window::kEncoderIndexRing, 0);
    window.Write32(window::kEncoderIndexRing + 4, 0);
}

int CRecordFlow::BoardFrames() const {
    return panel_.TimecodeToFrames(panel_.window_->Read32(window::kRecordTimecode + 4) & 0x7FFFFFFF);
}

bool CRecordFlow::Overrun() const {
    return panel_.window_ && static_cast<std::int32_t>(panel_.window_->Read32(window::kDiskOverrunCounter)) > 0;
}

void CRecordFlow::OnRecordVideo() {
    auto& view = panel_.View();
    if (!panel_.UpdateData(true) || !panel_.window_) return;
    if (recordState_ == RecordState::Paused) {
        panel_.SendCommand(board_commands::RecordResumeNow());
        recordState_ = RecordState::Recording;
        view.SetFlat(kPauseVideo, false);
        view.SetFlat(kRecordVideo, true);
        return;
    }
    if (recordState_ == RecordState::Recording || panel_.SendingScript()) return;

    const bool compress = panel_.compressFields > 0;
    if (compress) {
        panel_.SendCommand(board_commands::Flush(board_commands::kDecodeOutput));
        if (!panel_.LoadCompressSource()) return;
    }
    if (!OpenVideoOutput()) return;
    // Pressed while the encoder script is sent; STOP then ends the script.
    view.SetFlat(kRecordVideo, true);
    view.SetFlat(kStopVideo, false);
    const auto start = [this, compress] {
        auto& view = panel_.View();
        ResetEncoderOutput();
        if (compress) {
            panel_.SendCommand(
                board_commands::WriteRegister(board_commands::kCompressFromFileRegister, board_commands::kFlagSetWord));
            panel_.SendCommand(SourceFormatLine(panel_.Descriptor(), panel_.targaDepth_, panel_.compressFields));
        } else if (panel_.linkedAudio_) {
            audioStartFrame_ = BoardFrames();
            panel_.SendCommand(board_commands::RecordStartBothNow());
            audioRecording_ = true;
            view.SetFlat(kRecordAudio, true);
            view.SetFlat(kStopAudio, false);
        } else {
            panel_.SendCommand(board_commands::RecordStartNow(board_commands::kRecordVideo));
        }
        recordState_ = RecordState::Recording;
    };
    panel_.ProgramEncoder(start, [this] { AbandonRecordStart(); });
}

void CRecordFlow::StartPausedRecording() {
    if (panel_.SendingScript() || !panel_.UpdateData(true) || !OpenVideoOutput()) return;
    panel_.View().SetFlat(kPauseVideo, true);
    panel_.View().SetFlat(kStopVideo, false);
    const auto start = [this] {
        // A count or index left from the last recording would stop or confuse this one at once.
        ResetEncoderOutput();
        const int t = BoardFrames();
        panel_.SendCommand(board_commands::RecordAt(panel_.FramesToTimecode(t + 8), board_commands::kRecordStart));
        panel_.SendCommand(board_commands::RecordAt(panel_.FramesToTimecode(t + 15), board_commands::kRecordPause));
        recordState_ = RecordState::Paused;
    };
    panel_.ProgramEncoder(start, [this] { AbandonRecordStart(); });
}

void CRecordFlow::AbandonRecordStart() {
    // Nothing was recorded: the outputs opened for it are closed as they are.
    panel_.SendCommand(board_commands::OutputEnd(board_commands::kRecordVideo));
    if (panel_.linkedAudio_) panel_.SendCommand(board_commands::OutputEnd(board_commands::kRecordAudio));
    panel_.View().SetFlat(kRecordVideo, false);
    panel_.View().SetFlat(kPauseVideo, false);
    panel_.View().SetFlat(kStopVideo, true);
}

void CRecordFlow::OnPauseVideo() {
    if (!panel_.window_ || panel_.SendingScript()) return;
    if (recordState_ == RecordState::Recording) {
        panel_.SendCommand(board_commands::RecordPauseNow());
        recordState_ = RecordState::Paused;
        panel_.View().SetFlat(kRecordVideo, false);
        panel_.View().SetFlat(kPauseVideo, true);
    } else if (recordState_ == RecordState::Idle) {
        StartPausedRecording();
    }
}

void CRecordFlow::OnFrameStep() {
    if (!panel_.window_) return;
    if (recordState_ != RecordState::Paused) {
        OnPauseVideo();
        return;
    }
    const int t = BoardFrames();
    panel_.SendCommand(board_commands::RecordAt(panel_.FramesToTimecode(t + 8), board_commands::kRecordResume));
    panel_.SendCommand(board_commands::RecordAt(panel_.FramesToTimecode(t + 9), board_commands::kRecordPause));
}

void CRecordFlow::StopVideoRecord() {
    if (panel_.SendingScript()) {
        panel_.AbandonScript({});
        return;
    }
    if (recordState_ == RecordState::Idle) return;
    auto& view = panel_.View();
    const RecordState was = recordState_;
    recordState_ = RecordState::Idle;
    const bool withAudio = panel_.linkedAudio_;
    if (withAudio) {
        audioRecording_ = false;
        panel_.SendCommand(board_commands::RecordStopBothNow());
        view.SetFlat(kRecordAudio, false);
        view.SetFlat(kStopAudio, true);
    } else {
        panel_.SendCommand(board_commands::RecordStopNow(board_commands::kRecordVideo));
    }
    panel_.host_.ShowNotice(Notice::Closing);
    DrainWait(0);
    panel_.SendCommand(board_commands::OutputEnd(board_commands::kRecordVideo));
    if (panel_.recordMode_ == 4) {
        // MPEG-1 recordings keep no picture index.
        panel_.Ui().Sleep(200);
        std::error_code ignored;
        std::filesystem::remove(MdbPath(), ignored);
    }
    if (withAudio) {
        DrainWait(1);
        panel_.SendCommand(board_commands::OutputEnd(board_commands::kRecordAudio));
        WriteWavHeader();
    }
    if (panel_.compressFields > 0)
        panel_.SendCommand(
            board_commands::WriteRegister(board_commands::kCompressFromFileRegister, board_commands::kFlagClearWord));
    panel_.host_.CloseNotice(Notice::Closing);
    if (panel_.recordMode_ == 1) panel_.SendCommand(board_commands::VerticalSize(panel_.palMode_ ? 4 : 2));
    if (Overrun()) panel_.Ui().MessageBox({"Recording Stopped due Disk Overrun", kErrorCaption});
    view.SetFlat(was == RecordState::Recording ? kRecordVideo : kPauseVideo, false);
    view.SetFlat(kStopVideo, true);
}

// ------------------------------------------------------------------ audio record

void CRecordFlow::StartAudioRecord() {
    if (audioRecording_ || panel_.SendingScript() || !panel_.window_ || !OpenAudioOutput()) return;
    // A count left from an earlier overrun would stop this recording on the next tick, and the
    // service loop would drop its data meanwhile. A running video recording keeps its own count.
    if (recordState_ == RecordState::Idle) panel_.window_->Write32(window::kDiskOverrunCounter, 0);
    audioStartFrame_ = BoardFrames();
    panel_.SendCommand(board_commands::RecordStartNow(board_commands::kRecordAudio));
    audioRecording_ = true;
    panel_.View().SetFlat(kRecordAudio, true);
    panel_.View().SetFlat(kStopAudio, false);
}

void CRecordFlow::StopAudioRecord() {
    if (!audioRecording_) return;
    audioRecording_ = false;
    panel_.SendCommand(board_commands::RecordStopNow(board_commands::kRecordAudio));
    panel_.View().SetFlat(kRecordAudio, false);
    panel_.View().SetFlat(kStopAudio, true);
    panel_.host_.ShowNotice(Notice::Closing);
    DrainWait(1);
    panel_.SendCommand(board_commands::OutputEnd(board_commands::kRecordAudio));
    WriteWavHeader();
    panel_.host_.CloseNotice(Notice::Closing);
}

void CRecordFlow::OnAudioRecordPause() {
    panel_.Ui().MessageBox({"Feature Not Yet Implemented", "Velmar Message"});
}

void CRecordFlow::WriteWavHeader() {
    const std::string& audioPath = panel_.audioPath;
    // A loop that ended under the recording may have stopped in the middle of a sample.
    TrimToWholeUnits(audioPath, wav::kWavHeaderSize, 4);
    WriteWavHeaderRetrying(panel_.Ui(), audioPath, audioPath, RecordSampleRate(panel_.Port40() & 3));
}

// ------------------------------------------------------------------ drain

void CRecordFlow::CountDrains(const BoardStatus& status) {
    for (int output : {1, 0})
        drain_[output].Update(status.Word(kOutputStatus[output]), status.Word(kOutputStatus[output] + 4));
}

void CRecordFlow::DrainWait(int output) {
    // Quiet ticks count from the stop word on: what the board still flushes must reach the file.
    drain_[output].count = 0;
    // Bounded, and over once the service loop has ended: nothing would drain the output then.
    WaitForDrain(
        panel_.Ui(), [&] { return drain_[output].count; }, [this] { panel_.StatusTick(); },
        [this] { return panel_.link_ && panel_.link_->GetDaemonState() == DaemonState::Ended; });
}

}  // namespace velmar
