// The record panel's record flow: its output files, RECORD, PAUSE, FR STEP and STOP of video and
// audio, the stop on a disk overrun, and the drain of an output before it is closed. The panel
// keeps the form, its timers and settings, and hands the flow's buttons to it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "board_panel/status_tracking.h"
#include "velmar_ui/message_map.h"

namespace velmar {

class BoardStatus;
class CVelmarVrec;

enum class RecordState : int { Idle = 0, Recording = 1, Paused = 2 };

class CRecordFlow {
public:
    explicit CRecordFlow(CVelmarVrec& panel) : panel_(panel) {}

    // The flow's buttons; false for an event that is not one of them.
    bool OnControl(const velmar_ui::Event& event);

    void OnRecordVideo();
    void OnPauseVideo();
    void OnFrameStep();
    void StopVideoRecord();
    void StartAudioRecord();
    void OnAudioRecordPause();
    void StopAudioRecord();

    RecordState State() const { return recordState_; }
    bool AudioRecording() const { return audioRecording_; }
    // The board frame at which the running audio recording started.
    int AudioStartFrame() const { return audioStartFrame_; }
    // The board counted a disk overrun: the service loop dropped data.
    bool Overrun() const;

    const DrainCounter& Drain(int output) const { return drain_[output]; }
    void CountDrains(const BoardStatus& status);

private:
    static const velmar_ui::MessageMap<CRecordFlow>& Map();

    bool OpenVideoOutput();
    bool OpenAudioOutput();
    void ResetEncoderOutput();
    void StartPausedRecording();
    // A recording that its script ended before it started: its outputs are closed, the panel is stopped.
    void AbandonRecordStart();
    void WriteWavHeader();
    std::string MdbPath() const;
    // The files the panel reads while it records: no output may replace them.
    std::vector<std::string> FilesInUse() const;
    // Sleeps and ticks until output `output` has been quiet for kDrainQuietTicks ticks, counted from
    // the call.
    void DrainWait(int output);
    int BoardFrames() const;

    CVelmarVrec& panel_;
    RecordState recordState_ = RecordState::Idle;
    bool audioRecording_ = false;
    int audioStartFrame_ = 0;
    std::array<DrainCounter, 2> drain_{};
};

}  // namespace velmar
