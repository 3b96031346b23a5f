// The DV Video Record group of the playback panel: the board's DV output to a .dv file on output
// stream 6 and, with "Record Audio", its audio to a .wav file on output stream 7 (a WAVE header is
// written over it when the recording stops).
#pragma once

#include <cstdint>
#include <string>

#include "panel_channels.h"
#include "velmar_ui/data_exchange.h"

namespace velmar {

class CVelmarView;

// Bytes of one DV frame: DV25 120000 (525 lines) or 144000 (625 lines); DV50 twice that.
std::uint64_t DvFrameBytes(bool pal, bool dv50);

class CDvRecordChannel : public DvRecordChannel {
public:
    explicit CDvRecordChannel(CVelmarView& panel);

    void Init() override { InitDvRecord(); }
    bool Recording() const override { return recording_; }
    bool OnControl(const velmar_ui::Event& event) override;
    void ExchangeTexts(bool save) override;

    void InitDvRecord();
    void OnDvRecord();
    void OnDvRecordStop();
    void EndWithPanel() override;
    // The output files on streams 6 and 7, after the overwrite questions; false when refused.
    virtual bool OpenDvRecordFiles();
    void OnBrowseVideo();
    void OnBrowseAudio();

private:
    bool RecordAudioChecked() const;
    // STOP; with `reloadClips` the panel's channels then load what the recording changed.
    void Stop(bool reloadClips);
    void WaitForDrain(int output);
    // The WAVE header over the audio file, at the rate of the audio control byte.
    void WriteWavHeader();

    CVelmarView& panel_;
    // The group's form fields: the video and audio record files.
    std::string videoPath_, audioPath_;
    velmar_ui::DataExchange<CDvRecordChannel> texts_;
    bool recording_ = false;
    // Taken at RECORD, so STOP closes what was opened even when the box changed meanwhile.
    bool withAudio_ = false;
    std::uint64_t frameBytes_ = 0;
};

// Gives the panel its DV record group.
void InstallDvRecord(CVelmarView& panel);

}  // namespace velmar
