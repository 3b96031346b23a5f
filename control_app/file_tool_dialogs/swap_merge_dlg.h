// Byte Swap and File Merge: two paths, START runs the engine on a worker, CANCEL asks it to stop,
// EXIT closes only when nothing runs.
#pragma once

#include <functional>
#include <string>

#include "tool_run_dlg.h"
#include "velmar_ui/data_exchange.h"
#include "velmar_ui/form_spec.h"
#include "velmar_ui/message_map.h"

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

class CFileToolDlg : public CToolRunDlg {
public:
    enum class Kind { ByteSwap, Merge };
    // `onClosed` clears the owner's pointer to this dialog (it exists once).
    CFileToolDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile, Kind kind,
                 std::function<void()> onClosed);
    ~CFileToolDlg() override;

    void OnInitDialog() override;
    bool OnOK() override { return false; }  // Enter does nothing here
    bool UpdateData(bool save) override;

    void OnBrowseFirst();
    void OnBrowseSecond();
    void OnEditChange() { UpdateData(true); }
    void OnKillFocusFirst();
    void OnKillFocusSecond();
    void OnStart() override;

protected:
    bool Dispatch(const velmar_ui::Event& event) override { return Map().Dispatch(*this, event) || DispatchRun(event); }

private:
    static const velmar_ui::MessageMap<CFileToolDlg>& Map();
    static const velmar_ui::DataExchange<CFileToolDlg>& DataMap();
    const char* SameFileBox() const override;

    const platform::Profile& profile_;
    const Kind kind_;
    const char* firstKey_;
    const char* secondKey_;
    std::string first_;   // edit 1160
    std::string second_;  // edit 1006
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

}  // namespace velmar
