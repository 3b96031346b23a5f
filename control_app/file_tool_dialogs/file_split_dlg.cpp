#include "file_split_dlg.h"

#include <cstdio>
#include <cstdlib>

#include "file_tool_ids.h"
#include "file_tools/tool_file.h"
#include "platform/profile.h"
#include "swap_merge_dlg.h"
#include "twinrail/twinrail_ids.h"

namespace velmar {

using namespace file_tool_ids;
using platform::RunResult;
using velmar_ui::ControlKind;
using velmar_ui::kNoId;

namespace {

constexpr const char* kSection = "GLOBAL";

template <typename... Args>
std::string Text(const char* format, Args... args) {
    char buffer[600];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

}  // namespace

velmar_ui::FormSpec FileSplitForm() {
    velmar_ui::FormSpec form;
    form.title = "File Split";
    form.groups = {{"Kind", 1, 0, 1, 1}, {"Rate", 1, 1, 1, 2}, {"Frame Select", 5, 0, 1, 4}};
    form.controls = {
        {kNoId, ControlKind::Label,
         "This tool will create a new file that includes the frames specified by Start and End.  Cut points will be "
         "rounded to the nearest GOP for Video, and the nearest Frame for Audio.",
         "", 0, 0, 1, 4, velmar_ui::kMultiLine},
        {kVideo, ControlKind::RadioButton, "Video", "Kind", 0, 0},
        {kAudio, ControlKind::RadioButton, "Audio", "Kind", 0, 1},
        {kRate48, ControlKind::RadioButton, "48.0K", "Rate", 0, 0},
        {kRate44, ControlKind::RadioButton, "44.1K", "Rate", 0, 1},
        {kRate32, ControlKind::RadioButton, "32.0K", "Rate", 0, 2},
        {kSourceLength, ControlKind::Label, "00:00:00:00", "", 1, 3, 1, 1, velmar_ui::kFixedFont},
        {kNoId, ControlKind::Label, "Source", "", 3, 0},
        {kFirstPath, ControlKind::Edit, "", "", 3, 1, 1, 2},
        {kBrowseFirst, ControlKind::PushButton, "FILE...", "", 3, 3},
        {kNoId, ControlKind::Label, "Destination", "", 4, 0},
        {kSecondPath, ControlKind::Edit, "", "", 4, 1, 1, 2},
        {kBrowseSecond, ControlKind::PushButton, "FILE...", "", 4, 3},
        {kNoId, ControlKind::Label, "Start", "Frame Select", 0, 1},
        {kNoId, ControlKind::Label, "End", "Frame Select", 0, 3},
        {kNoId, ControlKind::Label, "Selections ->", "Frame Select", 1, 0},
        {kStartEdit, ControlKind::Edit, "", "Frame Select", 1, 1, 1, 1, velmar_ui::kFixedFont},
        {kTakeStart, ControlKind::PushButton, "G", "Frame Select", 1, 2},
        {kEndEdit, ControlKind::Edit, "", "Frame Select", 1, 3, 1, 1, velmar_ui::kFixedFont},
        {kTakeEnd, ControlKind::PushButton, "G", "Frame Select", 1, 4},
        {kNoId, ControlKind::Label, "GOP TC    ->", "Frame Select", 2, 0},
        {kFirstWritten, ControlKind::Label, "", "Frame Select", 2, 1, 1, 1, velmar_ui::kFixedFont},
        {kLastWritten, ControlKind::Label, "", "Frame Select", 2, 3, 1, 1, velmar_ui::kFixedFont},
        {kNoId, ControlKind::Label, "Frames:", "Frame Select", 3, 0},
        {kLengthWritten, ControlKind::Label, "", "Frame Select", 3, 1, 1, 1, velmar_ui::kFixedFont},
        {kCadence, ControlKind::Label, "", "Frame Select", 3, 3},
        {kSlider, ControlKind::Picture, "", "Frame Select", 4, 0, 1, 5},
        {kProgress, ControlKind::ProgressBar, "", "", 6, 0, 1, 4},
        {kStatus, ControlKind::Label, "", "", 7, 0, 1, 4},
        {kStart, ControlKind::PushButton, "START", "", 8, 0},
        {kCancelRun, ControlKind::PushButton, "CANCEL", "", 8, 1},
        {kExit, ControlKind::PushButton, "EXIT", "", 8, 3},
    };
    form.width = 520;
    return form;
}

void CTarnwicktwinrail::SetPos(long start, long end) {
    if (!control_) return;
    const std::int32_t arguments[] = {std::int32_t(start), std::int32_t(end)};
    control_->Invoke(twinrail::kDispidSetPos, arguments);
}

void CTarnwicktwinrail::SetRange(long range) {
    if (!control_) return;
    const std::int32_t arguments[] = {std::int32_t(range)};
    control_->Invoke(twinrail::kDispidSetRange, arguments);
}

CFileSplitDlg::CFileSplitDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                             const SplitPanelLink& panel, std::unique_ptr<components::ComponentInstance> slider,
                             std::function<void()> onClosed)
    : CToolRunDlg(view, ui, std::move(onClosed)), profile_(profile), panel_(panel),
      sliderControl_(std::move(slider)), m_slider(sliderControl_.get()) {
    if (sliderControl_) sliderControl_->Advise(this);
}

CFileSplitDlg::~CFileSplitDlg() {
    if (sliderControl_) sliderControl_->Unadvise();
    StopWorker();
}

const velmar_ui::MessageMap<CFileSplitDlg>& CFileSplitDlg::Map() {
    static const velmar_ui::MessageMap<CFileSplitDlg> map{
        velmar_ui::OnCommand(kBrowseFirst, &CFileSplitDlg::OnBrowseSource),
        velmar_ui::OnCommand(kBrowseSecond, &CFileSplitDlg::OnBrowseDestination),
        velmar_ui::OnEditLostFocus(kFirstPath, &CFileSplitDlg::UpdateSplitLength),
        velmar_ui::OnEditLostFocus(kSecondPath, &CFileSplitDlg::OnKillFocusDestination),
        velmar_ui::OnEditLostFocus(kStartEdit, &CFileSplitDlg::OnSplitPointChanged),
        velmar_ui::OnEditLostFocus(kEndEdit, &CFileSplitDlg::OnSplitPointChanged),
        velmar_ui::OnEditChange(kFirstPath, &CFileSplitDlg::OnEditChange),
        velmar_ui::OnEditChange(kSecondPath, &CFileSplitDlg::OnEditChange),
        velmar_ui::OnEditChange(kStartEdit, &CFileSplitDlg::OnEditChange),
        velmar_ui::OnEditChange(kEndEdit, &CFileSplitDlg::OnEditChange),
        velmar_ui::OnCommand(kVideo, &CFileSplitDlg::OnSplitVideo),
        velmar_ui::OnCommand(kAudio, &CFileSplitDlg::OnSplitAudio),
        velmar_ui::OnCommand(kRate48, &CFileSplitDlg::OnRate),
        velmar_ui::OnCommand(kRate44, &CFileSplitDlg::OnRate),
        velmar_ui::OnCommand(kRate32, &CFileSplitDlg::OnRate),
        velmar_ui::OnCommand(kTakeStart, &CFileSplitDlg::OnTakeStart),
        velmar_ui::OnCommand(kTakeEnd, &CFileSplitDlg::OnTakeEnd),
    };
    return map;
}

const velmar_ui::DataExchange<CFileSplitDlg>& CFileSplitDlg::DataMap() {
    static const velmar_ui::DataExchange<CFileSplitDlg> table{
        velmar_ui::DdxText(kSecondPath, &CFileSplitDlg::destination_),
        velmar_ui::DdxText(kFirstPath, &CFileSplitDlg::source_),
        velmar_ui::DdxText(kEndEdit, &CFileSplitDlg::endText_),
        velmar_ui::DdxText(kStartEdit, &CFileSplitDlg::startText_),
    };
    return table;
}

bool CFileSplitDlg::UpdateData(bool save) { return DataMap().UpdateData(*this, View(), Ui(), save); }

void CFileSplitDlg::Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) {
    if (dispid == twinrail::kDispidChange && arguments.size() == 2) OnSplitSliderChange(arguments[0], arguments[1]);
}

bool CFileSplitDlg::VideoChecked() const { return View().Checked(kVideo); }

file_tools::AudioRate CFileSplitDlg::CheckedRate() const {
    if (View().Checked(kRate44)) return file_tools::AudioRate::k44_1;
    if (View().Checked(kRate32)) return file_tools::AudioRate::k32;
    return file_tools::AudioRate::k48;
}

// Byte counts follow the rate checked here, the same rate the WAVE header names, so that the
// header describes the bytes it precedes.
file_tools::AudioTimebase CFileSplitDlg::Timebase() const {
    return file_tools::AudioTimebase::Of(CheckedRate(), panel_.Standard() == TvStandard::Ntsc);
}

std::string CFileSplitDlg::TimecodeText(int frames, const char* format) const {
    return Text(format, unsigned(FramesToTimecode(frames, panel_.Standard())));
}

int CFileSplitDlg::EditToFields(const std::string& text) const {
    const auto code = PackedTimecode(std::strtoul(text.c_str(), nullptr, 16));
    return 2 * TimecodeToFrames(IsValidTimecode(code, panel_.Standard()), panel_.Standard());
}

void CFileSplitDlg::OnInitDialog() {
    source_ = profile_.GetString(kSection, "PATHFSPLITS");
    const bool video = file_tools::SplitsAsVideo(source_);
    View().SetChecked(kVideo, video);
    View().SetChecked(kAudio, !video);
    for (ControlId rate : {kRate48, kRate44, kRate32}) View().SetShown(rate, !video);
    View().SetChecked(kRate48, true);
    destination_ = profile_.GetString(kSection, "PATHFSPLITD");
    startText_ = "00000000";
    endText_ = "00000000";
    View().SetRange(kProgress, {0, platform::kProgressSteps});
    UpdateData(false);
    if (!m_slider.Exists()) View().SetText(kStatus, kNoSliderText);
    UpdateSplitLength();
    endText_ = TimecodeText(length_ / 2, "%.8x");
    UpdateData(false);
    OnSplitPointChanged();
}

void CFileSplitDlg::UpdateSplitLength() {
    profile_.WriteString(kSection, "PATHFSPLITS", source_);
    const auto length = file_tools::SplitSourceLength(source_, VideoChecked(), Timebase());
    length_ = length ? *length : -1;
    View().SetText(kSourceLength,
                   length ? FormatTimecode(FramesToTimecode(length_ / 2, panel_.Standard())) : "00:00:00:00");
    m_slider.SetRange(length_ >> 1);
}

void CFileSplitDlg::ShowWritten(int firstFrame, int lastFrame) {
    View().SetText(kFirstWritten, FormatTimecode(FramesToTimecode(firstFrame, panel_.Standard())));
    View().SetText(kLastWritten, FormatTimecode(FramesToTimecode(lastFrame, panel_.Standard())));
    View().SetText(kLengthWritten, FormatTimecode(FramesToTimecode(lastFrame - firstFrame + 1, panel_.Standard())));
}

void CFileSplitDlg::ShowCadence() {
    const int diff = end_ - start_;
    switch (CheckedRate()) {
    case file_tools::AudioRate::k48: View().SetText(kCadence, Text("%d/5", (diff % 10) / 2 + 1)); break;
    case file_tools::AudioRate::k44_1: View().SetText(kCadence, Text("%d/25", (diff % 50) / 2 + 1)); break;
    case file_tools::AudioRate::k32: View().SetText(kCadence, Text("%d/15", (diff % 30) / 2 + 1)); break;
    }
}

void CFileSplitDlg::OnSplitPointChanged() {
    start_ = EditToFields(startText_);
    end_ = EditToFields(endText_);
    file_tools::ClampSplitPoints(start_, end_, length_);
    startText_ = TimecodeText(start_ / 2, "%.8x");
    endText_ = TimecodeText(end_ / 2, "%.8x");
    if (!suppressSlider_) m_slider.SetPos(start_ / 2, end_ / 2);
    UpdateData(false);

    selectionValid_ = false;
    if (VideoChecked() && length_ >= 0) {
        if (auto sel = file_tools::VideoSplitSelection(source_, start_, end_)) {
            selection_ = *sel;
            selectionValid_ = true;
            ShowWritten(sel->FirstFrame(), sel->LastFrame());
            return;
        }
    } else if (!VideoChecked() && length_ >= 0) {
        selection_ = file_tools::AudioSplitSelection(start_, end_, Timebase());
        selectionValid_ = true;
        ShowWritten(start_ / 2, end_ / 2);
        ShowCadence();
        return;
    }
}

bool CFileSplitDlg::ReportMissingSource() {
    if (selectionValid_) return false;
    const std::string missing = VideoChecked() ? file_tools::PictureIndexPathBeside(source_) : source_;
    Ui().MessageBox({Text("Can'f find file %s", missing.c_str()), kErrorCaption});
    return true;
}

void CFileSplitDlg::OnSplitSliderChange(long start, long end) {
    startText_ = TimecodeText(int(start), "%x");
    endText_ = TimecodeText(int(end), "%x");
    suppressSlider_ = true;
    OnSplitPointChanged();
    suppressSlider_ = false;
}

void CFileSplitDlg::OnBrowseSource() {
    if (auto path = BrowseToolPath(Ui(), {profile_, "PATHFSPLITS", false}, source_)) {
        source_ = *path;
        UpdateData(false);
        View().SelectAllText(kFirstPath);
        UpdateSplitLength();
        OnSplitPointChanged();
        ReportMissingSource();
    }
}

void CFileSplitDlg::OnBrowseDestination() {
    if (auto path = BrowseToolPath(Ui(), {profile_, "PATHFSPLITD", true}, destination_)) {
        destination_ = *path;
        UpdateData(false);
        View().SelectAllText(kSecondPath);
    }
}

void CFileSplitDlg::OnKillFocusDestination() { profile_.WriteString(kSection, "PATHFSPLITD", destination_); }

void CFileSplitDlg::OnSplitVideo() {
    for (ControlId rate : {kRate48, kRate44, kRate32}) View().SetShown(rate, false);
    View().SetText(kCadence, "");
    UpdateSplitLength();
    OnSplitPointChanged();
}

void CFileSplitDlg::OnRate() {
    const auto rate = CheckedRate();
    View().SetText(kCadence, rate == file_tools::AudioRate::k48 ? "5/5" : rate == file_tools::AudioRate::k44_1 ? "25/25" : "15/15");
    UpdateSplitLength();
    OnSplitPointChanged();
}

void CFileSplitDlg::OnSplitAudio() {
    for (ControlId rate : {kRate48, kRate44, kRate32}) View().SetShown(rate, true);
    OnRate();
}

void CFileSplitDlg::OnTakeStart() {
    const int position = VideoChecked() ? panel_.VideoAPosition() : panel_.AudioPosition();
    startText_ = TimecodeText(position / 2, "%x");
    UpdateData(false);
    OnSplitPointChanged();
}

void CFileSplitDlg::OnTakeEnd() {
    const int position = VideoChecked() ? panel_.VideoAPosition() : panel_.AudioPosition();
    endText_ = TimecodeText(position / 2, "%x");
    UpdateData(false);
    OnSplitPointChanged();
}

bool CFileSplitDlg::OnOK() {
    UpdateData(true);
    UpdateSplitLength();
    OnSplitPointChanged();
    ReportMissingSource();
    return false;
}

void CFileSplitDlg::OnStart() {
    if (run_.State() != platform::RunState::Idle) return;
    // The range is worked out anew from the paths and times as they are now: a path typed since
    // the last recompute must not be cut with the range of the file before.
    UpdateData(true);
    UpdateSplitLength();
    OnSplitPointChanged();
    const bool video = VideoChecked();
    if (ReportMissingSource()) {
        View().SetText(kStatus, kFileErrorStatus);
        return;
    }
    // Checked before anything is created, as the engines do.
    if (file_tools::SplitWouldOverwriteInput(source_, destination_, video)) {
        View().SetText(kStatus, kFileErrorStatus);
        Ui().MessageBox({SameFileBox(), kErrorCaption});
        return;
    }
    run_.Begin();
    const std::uint32_t sampleRate = file_tools::SampleRateOf(CheckedRate());
    StartWorker([this, video, sampleRate, source = source_, destination = destination_, sel = selection_] {
        if (!video) return file_tools::SplitAudioToWav(source, destination, sel, sampleRate, run_);
        return file_tools::SplitVideo(source, destination, sel, run_);
    });
}

}  // namespace velmar
