// Byte Swap and File Merge: two paths, START runs the engine on a worker, CANCEL asks it to stop,
// EXIT closes only when nothing runs.
#pragma once

#include <functional>
#include <string>

#include "tool_run.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"
#include "velmar_ui/worker.h"

namespace platform {
class Profile;
}

namespace velmar {

velmar_ui::FormSpec ByteSwapForm();
velmar_ui::FormSpec FileMergeForm();

// The browse both tools and File Split share: the chooser opens where the stored path lies; the
// chosen path goes into the edit and the key at once.
struct ToolPathBrowse {
    const platform::Profile& profile;
    const char* key;
    bool save;  // a destination that may not exist yet
};
std::optional<std::string> BrowseToolPath(velmar_ui::UiServices& ui, const ToolPathBrowse& browse,
                                          const std::string& current);

class CFileToolDlg : public velmar_ui::FormLogic {
public:
    enum class Kind { ByteSwap, Merge };
    static constexpr int kProgressTimer = 1;

    // `onClosed` clears the owner's pointer to this dialog (it exists once).
    CFileToolDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile, Kind kind,
                 std::function<void()> onClosed);
    ~CFileToolDlg() override;

    void OnInitDialog() override;
    bool OnOK() override { return false; }  // Enter does nothing here
    bool OnCancel() override;               // EXIT and the close button
    bool UpdateData(bool save) override;

    void OnBrowseFirst();
    void OnBrowseSecond();
    void OnEditChange() { UpdateData(true); }
    void OnKillFocusFirst();
    void OnKillFocusSecond();
    void OnStart();
    void OnCancelRun() { run_.RequestCancel(); }
    void OnTimer();

    file_tools::ToolRun& Run() { return run_; }
    // Waits for a running worker (tests, and the window before it goes).
    void JoinWorker() { worker_.Join(); }

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event); }

private:
    static const velmar_ui::MessageMap<CFileToolDlg>& Map();
    static const velmar_ui::DataExchange<CFileToolDlg>& DataMap();
    void Report(file_tools::ToolResult result);

    const platform::Profile& profile_;
    const Kind kind_;
    const char* firstKey_;
    const char* secondKey_;
    std::function<void()> onClosed_;
    std::string first_;   // edit 1160
    std::string second_;  // edit 1006
    file_tools::ToolRun run_;
    velmar_ui::Worker worker_;
};

class CByteSwapDlg : public CFileToolDlg {
public:
    CByteSwapDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                 std::function<void()> onClosed)
        : CFileToolDlg(view, ui, profile, Kind::ByteSwap, std::move(onClosed)) {}
};

class CFileMergeDlg : public CFileToolDlg {
public:
    CFileMergeDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                  std::function<void()> onClosed)
        : CFileToolDlg(view, ui, profile, Kind::Merge, std::move(onClosed)) {}
};

// Report texts the tools share.
inline constexpr const char* kErrorCaption = "Velmar Error";
inline constexpr const char* kDoneText = "Done !!!";
inline constexpr const char* kCanceledText = "Canceled !!!";
inline constexpr const char* kFileErrorStatus = "FILE ERROR !!!";
inline constexpr const char* kFileErrorBox = "File Error!";
inline constexpr const char* kOverwriteSourceBox = "Can't write over the source file!";

}  // namespace velmar
