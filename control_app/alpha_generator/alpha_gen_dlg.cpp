#include "alpha_gen_dlg.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "alpha_gen_ids.h"
#include "platform/log.h"
#include "velmar_ui/data_exchange.h"

namespace velmar {

using namespace alpha_gen_ids;
using namespace velmar_ui;
using alpha_stream::AlphaGenParams;

namespace {

constexpr const char* kSection = "GLOBAL";
constexpr const char* kPathKey = "PATHALPGEN";
constexpr const char* kFilter =
    "Alpha Files (*.alp)|*.alp|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.wav)|*.mpg; *.wav|All Files (*.*)|*.*||";
constexpr const char* kErrorCaption = "Velmar Error";
constexpr int kNotSupported = -1;  // a type without a generator

struct TypeName {
    const char* text;
    int type;
};
constexpr TypeName kTypes[] = {{"Wipe Stripes", alpha_stream::kWipeStripes}, {"Wipe Fade", alpha_stream::kWipeFade},
                               {"Wipe Band", alpha_stream::kWipeBand},       {"Cross Fade", alpha_stream::kCrossFade},
                               {"Reverse", alpha_stream::kReverse},          {"Dissolve", alpha_stream::kDissolve}};
constexpr const char* kHorizontals[] = {"320", "352", "368", "384", "480", "544", "640", "704", "720"};
constexpr const char* kVerticals[] = {"480", "512", "576", "608"};

constexpr velmar_ui::SpinBuddy kBuddies[] = {
    {kCountSpin, kCountEdit}, {kStartSpin, kStartEdit}, {kEndSpin, kEndEdit}, {kBlockSpin, kBlockEdit}};

constexpr ControlId kLevelControls[] = {kStartLabel, kStartSpin, kStartEdit, kEndLabel, kEndSpin, kEndEdit};
constexpr ControlId kBlockControls[] = {kBlockSpin, kBlockEdit};

// The extension of a path's file name with its dot, "" when it has none.
std::string ExtensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return path.substr(dot);
}

}  // namespace

CAlphaGenDlg::CAlphaGenDlg(FormView& view, UiServices& ui, const platform::Profile& profile,
                           std::function<bool(const std::string&)> runIndexBuild, std::function<void()> onClosed)
    : RunDialog(view, ui, RunEnds::WhenShown),
      profile_(profile),
      runIndexBuild_(std::move(runIndexBuild)),
      onClosed_(std::move(onClosed)) {}

// A run still going is asked to stop; the worker is joined before the members go.
CAlphaGenDlg::~CAlphaGenDlg() { StopAndJoin(); }

const MessageMap<CAlphaGenDlg>& CAlphaGenDlg::Map() {
    static const MessageMap<CAlphaGenDlg> map{
        OnCommand(kBrowse, &CAlphaGenDlg::OnBrowse),
        OnCommand(kStart, &CAlphaGenDlg::OnAlphaGenStart),
        OnSelectionChange(kType, &CAlphaGenDlg::OnSelchangeAlphaType),
        OnEditChange(kFileName, &CAlphaGenDlg::OnChangeFileName),
        OnEditLostFocus(kFileName, &CAlphaGenDlg::OnKillFocusFileName),
        OnScroll(kCountSpin, &CAlphaGenDlg::OnSpin),
        OnScroll(kStartSpin, &CAlphaGenDlg::OnSpin),
        OnScroll(kEndSpin, &CAlphaGenDlg::OnSpin),
        OnScroll(kBlockSpin, &CAlphaGenDlg::OnSpin),
        OnTimerId(kTimerId, &CAlphaGenDlg::OnTimer),
    };
    return map;
}

bool CAlphaGenDlg::UpdateData(bool save) {
    static const DataExchange<CAlphaGenDlg> table{
        DdxText(kFileName, &CAlphaGenDlg::m_fileName),
        DdxNumber(kBlockEdit, &CAlphaGenDlg::m_blockSize, INT_MIN, INT_MAX),
        DdxNumber(kStartEdit, &CAlphaGenDlg::m_startLevel, INT_MIN, INT_MAX),
        DdxNumber(kEndEdit, &CAlphaGenDlg::m_endLevel, INT_MIN, INT_MAX),
        DdxNumber(kCountEdit, &CAlphaGenDlg::m_fieldCount, 1, alpha_stream::kMaxFieldCount),
    };
    return table.UpdateData(*this, View(), Ui(), save);
}

void CAlphaGenDlg::OnInitDialog() {
    for (const char* h : kHorizontals) View().AddItem(kHorizontal, h);
    View().SelectItemText(kHorizontal, "720");
    for (const char* v : kVerticals) View().AddItem(kVertical, v);
    View().SelectItemText(kVertical, "480");
    for (const auto& t : kTypes) View().AddItem(kType, t.text);
    View().SelectItemText(kType, "Cross Fade");
    m_fieldCount = 50;
    m_startLevel = 255;
    m_endLevel = 0;
    m_blockSize = 32;
    m_fileName = profile_.GetString(kSection, kPathKey, "");
    View().SetRange(kCountSpin, {1, alpha_stream::kMaxFieldCount});
    View().SetPosition(kCountSpin, 50);
    View().SetRange(kStartSpin, {0, 255});
    View().SetPosition(kStartSpin, 255);
    View().SetRange(kEndSpin, {0, 255});
    View().SetPosition(kEndSpin, 0);
    View().SetRange(kBlockSpin, {alpha_stream::kMinDissolveBlock, alpha_stream::kMaxDissolveBlock});
    View().SetPosition(kBlockSpin, 32);
    UpdateData(false);
    OnSelchangeAlphaType();
    View().SelectAllText(kFileName);
}

void CAlphaGenDlg::OnSelchangeAlphaType() {
    for (ControlId id : kLevelControls) View().SetShown(id, false);
    for (ControlId id : kBlockControls) View().SetShown(id, false);
    const std::string type = View().SelectedText(kType);
    if (type == "Cross Fade") {
        View().SetText(kParameterCaption, "Mix Level (0 - 255)");
        for (ControlId id : kLevelControls) View().SetShown(id, true);
    } else if (type == "Dissolve") {
        View().SetText(kParameterCaption, "Block Size (2 - 240)");
        for (ControlId id : kBlockControls) View().SetShown(id, true);
    }
}

void CAlphaGenDlg::OnChangeFileName() { UpdateData(true); }

void CAlphaGenDlg::OnKillFocusFileName() { profile_.WriteString(kSection, kPathKey, m_fileName); }

void CAlphaGenDlg::OnBrowse() {
    const std::string stored = profile_.GetString(kSection, kPathKey, "");
    std::string extension = ExtensionOf(stored);
    if (extension.empty()) extension = ".alp";
    FileChooserSpec chooser;
    chooser.save = true;                     // the stream it writes
    chooser.startFolder = FolderOf(stored);  // not the process's folder: workers open files too
    chooser.initialName = "*" + extension;
    chooser.defaultExtension = "alp";
    chooser.filter = kFilter;
    const auto chosen = Ui().ChooseFile(chooser);
    if (!chosen) return;
    m_fileName = *chosen;
    View().SetText(kFileName, m_fileName);
    profile_.WriteString(kSection, kPathKey, m_fileName);
}

void CAlphaGenDlg::OnSpin(const Event& event) {
    for (const auto& buddy : kBuddies)
        if (buddy.spin == event.id) View().SetText(buddy.edit, std::to_string(event.position));
}

int CAlphaGenDlg::SpinValue(ControlId spin) const {
    for (const auto& buddy : kBuddies) {
        if (buddy.spin != spin) continue;
        const std::string text = View().Text(buddy.edit);
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (end == text.c_str()) break;
        const IntRange range = View().Range(spin);
        return static_cast<int>(std::clamp<long>(value, range.low, range.high));
    }
    return View().Position(spin);
}

void CAlphaGenDlg::OnAlphaGenStart() {
    if (RunState() != platform::RunState::Idle) return;
    View().SetText(kStatus, platform::kProcessingText);
    AlphaGenParams params;
    params.vertical = std::atoi(View().Text(kVertical).c_str());
    params.horizontal = std::atoi(View().Text(kHorizontal).c_str());
    params.fieldCount = SpinValue(kCountSpin);
    params.outputFile = m_fileName;
    View().SetRange(kProgress, {0, params.fieldCount});
    View().SetPosition(kProgress, 0);
    params.type = kNotSupported;
    const std::string typeText = View().SelectedText(kType);
    for (const auto& t : kTypes)
        if (typeText == t.text) params.type = t.type;
    params.invert = 0;
    if (params.type == alpha_stream::kCrossFade) {
        params.startLevel = SpinValue(kStartSpin);
        params.endLevel = SpinValue(kEndSpin);
    } else if (params.type == alpha_stream::kDissolve) {
        params.startLevel = SpinValue(kBlockSpin);
    }
    params_ = params;
    BeginRun();
    StartWork([this] { return AlphaGenThread(); });
    SetTimer(kTimerId, kTimerMs);
}

platform::RunResult CAlphaGenDlg::AlphaGenThread() {
    alpha_stream::AlphaGenRun run;
    run.console = platform::LogEnabled(platform::LogLevel::Debug) ? console : nullptr;
    // AlphaGenProgress: the bar follows the fields; a cancel request stops the run at the next one.
    run.progress = [this](int field) {
        PostToUi([this, field] { View().SetPosition(kProgress, field); });
        return run_.StopRequested();
    };
    if (params_.type == alpha_stream::kCrossFade) return alpha_stream::GenerateFadeCrossAlpha(params_, run);
    if (params_.type == alpha_stream::kDissolve) return alpha_stream::GenerateDissolveAlpha(params_, run);
    return {platform::RunStatus::Error, "This Alpha File Type is Not Yet Supported", false};
}

void CAlphaGenDlg::ShowRunEnd(const platform::RunResult& result) {
    View().SetText(kStatus, platform::StatusText(result.status));
    if (result.status == platform::RunStatus::Done) {
        View().SetPosition(kProgress, params_.fieldCount);
        run_.SetFinishing();
    } else if (result.status == platform::RunStatus::Canceled) {
        View().SetPosition(kProgress, 0);
    } else {
        Ui().MessageBox({result.error, kErrorCaption, BoxButtons::Ok, BoxIcon::Error});
    }
}

void CAlphaGenDlg::OnTimer() {
    if (RunState() != platform::RunState::Finishing) return;
    run_.End();
    const bool built = runIndexBuild_ && runIndexBuild_(params_.outputFile);
    View().SetText(kStatus, std::string(platform::kDoneText) +
                                (built ? ", .adb file Done !!!" : ", Could not generate .adb file !!!"));
}

bool CAlphaGenDlg::OnCancel() {
    if (run_.RequestStop()) return false;
    // A stop already asked for, or the index still to build.
    if (RunState() != platform::RunState::Idle) return false;
    KillTimer(kTimerId);
    if (onClosed_) onClosed_();
    return true;
}

}  // namespace velmar
