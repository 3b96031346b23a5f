// The panel's message log (dialog 148): one list of lines, at most 1024, the oldest dropped. It
// remembers where the operator put it.
#pragma once

#include <functional>
#include <string>

#include "velmar_ui/form_logic.h"
#include "velmar_ui/form_spec.h"

namespace platform {
class Profile;
}

namespace velmar {

inline constexpr velmar_ui::ControlId kMessageList = 1172;
inline constexpr int kMessageLogLines = 1024;

velmar_ui::FormSpec MessageLogForm();

class CMessageLogDlg : public velmar_ui::FormLogic {
public:
    // `onClosed` clears the owner's pointer; the host deletes the window after it returns.
    CMessageLogDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui, const platform::Profile& profile,
                   std::string section, std::function<void()> onClosed = {});

    // Places the window at its stored rectangle (the first showing).
    void OnInitDialog() override;
    void AddMessage(const std::string& text);
    bool OnOK() override { return false; }  // Enter does nothing
    bool OnCancel() override;
    // The window is being destroyed: keep its rectangle.
    void OnDestroy();

protected:
    bool Dispatch(const velmar_ui::Event&) override { return false; }

private:
    void SaveRect();

    const platform::Profile& profile_;
    const std::string section_;
    std::function<void()> onClosed_;
};

}  // namespace velmar
