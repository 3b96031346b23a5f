#include "swap_merge_dlg.h"

#include "file_tool_ids.h"
#include "file_tools/byte_swap.h"
#include "file_tools/file_merge.h"
#include "platform/profile.h"

namespace velmar {

using namespace file_tool_ids;
using platform::RunResult;
using velmar_ui::ControlKind;
using velmar_ui::kNoId;

namespace {

constexpr const char* kSection = "GLOBAL";
constexpr const char* kToolFilter =
    "MPEG Files (*.mpg)|*.mpg|Audio Files (*.wav)|*.wav|Data Files (*.mpg;*.wav)|*.mpg; *.wav|All Files (*.*)|*.*||";

velmar_ui::FormSpec ToolForm(const char* title, const char* about, const char* firstLabel, const char* secondLabel,
                             const char* extra1, const char* extra2) {
    velmar_ui::FormSpec form;
    form.title = title;
    form.controls = {
        {kNoId, ControlKind::Label, about, "", 0, 0, 1, 3},
        {kNoId, ControlKind::Label, extra1, "", 1, 0, 1, 3},
        {kNoId, ControlKind::Label, extra2, "", 2, 0, 1, 3, velmar_ui::kFixedFont},
        {kNoId, ControlKind::Label, firstLabel, "", 3, 0, 1, 3},
        {kFirstPath, ControlKind::Edit, "", "", 4, 0, 1, 2},
        {kBrowseFirst, ControlKind::PushButton, "FILE...", "", 4, 2},
        {kNoId, ControlKind::Label, secondLabel, "", 5, 0, 1, 3},
        {kSecondPath, ControlKind::Edit, "", "", 6, 0, 1, 2},
        {kBrowseSecond, ControlKind::PushButton, "FILE...", "", 6, 2},
        {kProgress, ControlKind::ProgressBar, "", "", 7, 0, 1, 3},
        {kStatus, ControlKind::Label, "", "", 8, 0, 1, 3},
        {kStart, ControlKind::PushButton, "START", "", 9, 0},
        {kCancelRun, ControlKind::PushButton, "CANCEL", "", 9, 1},
        {kExit, ControlKind::PushButton, "EXIT", "", 9, 2},
    };
    form.width = 460;
    return form;
}

}  // namespace

velmar_ui::FormSpec ByteSwapForm() {
    return ToolForm("Byte Swap",
                    "This tool will byte swap bytes in a file whcih may be needed when using the file with other "
                    "software.",
                    "Source File", "Destination File", "Before B1B2B3B4", "After    B4B3B2B1");
}

velmar_ui::FormSpec FileMergeForm() {
    return ToolForm("File Merge", "This tool will Merge data from File B to the end of File A",
                    "File A (File to Append to)", "File B (File to be Appended to File A)", "", "");
}

std::optional<std::string> BrowseToolPath(velmar_ui::UiServices& ui, const ToolPathBrowse& browse,
                                          const std::string& current) {
    // The chooser opens in the stored path's folder; the process's working directory stays as it
    // is, since workers of other tools may be using relative paths.
    const auto slash = current.find_last_of('/');
    const std::string name = slash == std::string::npos ? current : current.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    const std::string extension = dot == std::string::npos ? ".mpg" : name.substr(dot);
    velmar_ui::FileChooserSpec chooser;
    chooser.save = browse.save;
    chooser.startFolder = velmar_ui::FolderOf(current);
    chooser.initialName = "*" + extension;
    chooser.defaultExtension = "mpg";
    chooser.filter = kToolFilter;
    auto path = ui.ChooseFile(chooser);
    if (path) browse.profile.WriteString(kSection, browse.key, *path);
    return path;
}

CFileToolDlg::CFileToolDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                           Kind kind, std::function<void()> onClosed)
    : CToolRunDlg(view, ui, std::move(onClosed)), profile_(profile), kind_(kind),
      firstKey_(kind == Kind::ByteSwap ? "PATHSWAPS" : "PATHMERGES"),
      secondKey_(kind == Kind::ByteSwap ? "PATHSWAPD" : "PATHMERGED") {}

CFileToolDlg::~CFileToolDlg() { StopWorker(); }

const velmar_ui::MessageMap<CFileToolDlg>& CFileToolDlg::Map() {
    static const velmar_ui::MessageMap<CFileToolDlg> map{
        velmar_ui::OnCommand(kBrowseFirst, &CFileToolDlg::OnBrowseFirst),
        velmar_ui::OnCommand(kBrowseSecond, &CFileToolDlg::OnBrowseSecond),
        velmar_ui::OnEditChange(kFirstPath, &CFileToolDlg::OnEditChange),
        velmar_ui::OnEditChange(kSecondPath, &CFileToolDlg::OnEditChange),
        velmar_ui::OnEditLostFocus(kFirstPath, &CFileToolDlg::OnKillFocusFirst),
        velmar_ui::OnEditLostFocus(kSecondPath, &CFileToolDlg::OnKillFocusSecond),
    };
    return map;
}

const velmar_ui::DataExchange<CFileToolDlg>& CFileToolDlg::DataMap() {
    static const velmar_ui::DataExchange<CFileToolDlg> table{
        velmar_ui::DdxText(kFirstPath, &CFileToolDlg::first_),
        velmar_ui::DdxText(kSecondPath, &CFileToolDlg::second_),
    };
    return table;
}

bool CFileToolDlg::UpdateData(bool save) { return DataMap().UpdateData(*this, View(), Ui(), save); }

void CFileToolDlg::OnInitDialog() {
    first_ = profile_.GetString(kSection, firstKey_);
    second_ = profile_.GetString(kSection, secondKey_);
    UpdateData(false);
    View().SetRange(kProgress, {0, platform::kProgressSteps});
    View().SelectAllText(kFirstPath);
    View().SelectAllText(kSecondPath);
}

void CFileToolDlg::OnBrowseFirst() {
    if (auto path = BrowseToolPath(Ui(), {profile_, firstKey_, false}, first_)) {
        first_ = *path;
        UpdateData(false);
        View().SelectAllText(kFirstPath);
    }
}

void CFileToolDlg::OnBrowseSecond() {
    if (auto path = BrowseToolPath(Ui(), {profile_, secondKey_, kind_ == Kind::ByteSwap}, second_)) {
        second_ = *path;
        UpdateData(false);
        View().SelectAllText(kSecondPath);
    }
}

void CFileToolDlg::OnKillFocusFirst() { profile_.WriteString(kSection, firstKey_, first_); }
void CFileToolDlg::OnKillFocusSecond() { profile_.WriteString(kSection, secondKey_, second_); }

void CFileToolDlg::OnStart() {
    if (!run_.Begin()) return;
    StartWorker([this, first = first_, second = second_] {
        return kind_ == Kind::ByteSwap ? file_tools::ByteSwapFile(first, second, run_)
                                       : file_tools::MergeFiles(first, second, run_);
    });
}

const char* CFileToolDlg::SameFileBox() const {
    return kind_ == Kind::Merge ? "Can't append to same file!" : kOverwriteSourceBox;
}

}  // namespace velmar
