// File Split: a range of frames of a source chosen with two time-code edits, the dual slider or
// the playback panel's positions, written to a new file on a worker.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "components/component.h"
#include "file_tools/file_split.h"
#include "timecode/timecode.h"
#include "tool_run_dlg.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"

namespace platform {
class Profile;
}

namespace velmar {

velmar_ui::FormSpec FileSplitForm();

// What File Split asks of the playback panel.
class SplitPanelLink {
public:
    virtual ~SplitPanelLink() = default;
    virtual TvStandard Standard() const = 0;
    // Current positions in fields: video channel A and the audio channel.
    virtual int VideoAPosition() const = 0;
    virtual int AudioPosition() const = 0;
};

// The dual-slider control as the dialog sees it: its two methods, by DISPID. Without a control
// (not registered, or not loadable) the calls do nothing.
class CTarnwicktwinrail {
public:
    explicit CTarnwicktwinrail(components::ComponentInstance* control = nullptr) : control_(control) {}
    bool Exists() const { return control_ != nullptr; }
    void SetPos(long start, long end);
    void SetRange(long range);

private:
    components::ComponentInstance* control_;
};

class CFileSplitDlg : public CToolRunDlg, private components::EventSink {
public:
    static constexpr const char* kNoSliderText =
        "Dual slider control not registered: use the time-code edits and the G buttons.";

    // `slider` (the dialog owns it) may be null. `onClosed` clears the owner's pointer to this dialog.
    CFileSplitDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                  const SplitPanelLink& panel, std::unique_ptr<components::ComponentInstance> slider,
                  std::function<void()> onClosed);
    ~CFileSplitDlg() override;

    void OnInitDialog() override;
    bool OnOK() override;  // Enter recomputes instead of closing
    bool UpdateData(bool save) override;

    void OnBrowseSource();
    void OnBrowseDestination();
    void OnEditChange() { UpdateData(true); }
    void OnKillFocusDestination();
    void UpdateSplitLength();
    void OnSplitPointChanged();
    void OnSplitVideo();
    void OnSplitAudio();
    void OnRate();
    void OnTakeStart();
    void OnTakeEnd();
    void OnSplitSliderChange(long start, long end);
    void OnStart() override;

    int Length() const { return length_; }
    const file_tools::SplitSelection& Selection() const { return selection_; }

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event) || DispatchRun(event); }

private:
    static const velmar_ui::MessageMap<CFileSplitDlg>& Map();
    static const velmar_ui::DataExchange<CFileSplitDlg>& DataMap();
    void Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) override;

    bool VideoChecked() const;
    file_tools::AudioRate CheckedRate() const;
    file_tools::AudioTimebase Timebase() const;
    std::string TimecodeText(int frames, const char* format) const;
    int EditToFields(const std::string& text) const;
    void ShowCadence();
    void ShowWritten(int firstFrame, int lastFrame);
    // The operator's box when the selection could not be worked out (no index, no source); true
    // when it was shown. Asked when a path is chosen and at START, not on every recompute.
    bool ReportMissingSource();

    const platform::Profile& profile_;
    const SplitPanelLink& panel_;
    std::unique_ptr<components::ComponentInstance> sliderControl_;

    std::string destination_;  // edit 1006
    std::string source_;       // edit 1160
    std::string endText_;      // edit 1035
    std::string startText_;    // edit 1173
    CTarnwicktwinrail m_slider;
    int length_ = -1;          // fields, -1 unknown
    int start_ = 0;            // fields
    int end_ = 0;
    file_tools::SplitSelection selection_;
    bool selectionValid_ = false;
    bool suppressSlider_ = false;
};

}  // namespace velmar
