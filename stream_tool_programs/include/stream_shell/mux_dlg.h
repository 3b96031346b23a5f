// The multiplexer's dialog ("MPEG Program Mux"): inputs, their probes, output type, the audio
// layer and bitrate for WAVE input, and the run.
#pragma once

#include <string>
#include <vector>

#include "stream_shell/tool_dialog.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"

namespace stream_shell {

// Output types (MPSTYPE).
enum MuxOutputType : int { kOutputDv = 0, kOutputMpeg1 = 1, kOutputMpeg2 = 2, kOutputAudio = 3 };

// The bitrate choices of combo 1029 for a layer, six-digit texts.
const std::vector<std::string>& BitrateList(int layer);

velmar_ui::FormSpec MuxDlgForm();

class CMuxDlg : public ToolDialog {
public:
    CMuxDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, MuxEngine& engine);
    ~CMuxDlg() override;

    void OnInitDialog() override;
    bool OnOK() override;
    bool UpdateData(bool save) override;

    // Handlers of the message map.
    void OnVideoFile();
    void OnAudioFile();
    void OnOutputFile();
    void OnChangeVideoPath();
    void OnKillFocusVideoPath();
    void OnChangeAudioPath();
    void OnKillFocusAudioPath();
    void OnChangeOutputPath();
    void OnKillFocusOutputPath();
    void OnTypeDv() { SetOutputType(kOutputDv); }
    void OnTypeMpeg1() { SetOutputType(kOutputMpeg1); }
    void OnTypeMpeg2() { SetOutputType(kOutputMpeg2); }
    void OnTypeAudio() { SetOutputType(kOutputAudio); }
    void OnSelChangeLayer();
    void OnSelChangeBitrate();
    void OnStart();

    // The probes, showing their results in the statics.
    void AnalyzeVideoFile();
    void AnalyzeAudioFile();

    int OutputType() const { return outputType_; }
    int Layer() const { return layer_; }
    int AudioBitrate() const { return audioBitrate_; }
    const std::string& VideoPath() const { return videoPath_; }

protected:
    bool Dispatch(const velmar_ui::Event& event) override;
    void OnRunCounts(std::int64_t done, std::int64_t total) override;
    void OnRunFinished(const RunResult& result) override;

private:
    void SetOutputType(int type);
    void CheckOutputRadio();
    void ShowPlaceholder(velmar_ui::ControlId id, const std::string& text);

    MuxEngine& engine_;
    std::string audioPath_;
    std::string outputPath_;
    std::string videoPath_;
    int outputType_ = kOutputMpeg2;
    bool videoEdited_ = false;
    bool audioEdited_ = false;
    int layer_ = 2;
    int audioBitrate_ = 128000;
    stream_analysis::VideoAnalysis video_;
    stream_analysis::AudioAnalysis audio_;
};

}  // namespace stream_shell
