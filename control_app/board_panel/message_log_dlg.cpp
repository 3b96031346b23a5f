#include "message_log_dlg.h"

#include "board_link/format.h"
#include "platform/profile.h"

namespace velmar {

velmar_ui::FormSpec MessageLogForm() {
    velmar_ui::FormSpec form;
    form.title = "Messages";
    form.controls = {{kMessageList, velmar_ui::ControlKind::ListBox, "", "", 0, 0}};
    form.width = 480;
    form.height = 240;
    return form;
}

CMessageLogDlg::CMessageLogDlg(velmar_ui::FormView& view, velmar_ui::UiServices& ui,
                               const platform::Profile& profile, std::string section,
                               std::function<void()> onClosed)
    : FormLogic(view, ui), profile_(profile), section_(std::move(section)), onClosed_(std::move(onClosed)) {}

void CMessageLogDlg::OnInitDialog() {
    const int width = profile_.GetInt(section_, "MESSCX", 0);
    if (width == 0) return;
    View().SetWindowRect({profile_.GetInt(section_, "MESSX", 0), profile_.GetInt(section_, "MESSY", 0), width,
                          profile_.GetInt(section_, "MESSCY", 0)});
}

void CMessageLogDlg::AddMessage(const std::string& text) {
    if (View().ItemCount(kMessageList) > kMessageLogLines) View().RemoveItem(kMessageList, 0);
    View().AddItem(kMessageList, text);
    View().SetSelection(kMessageList, -1);
    View().ShowItem(kMessageList, View().ItemCount(kMessageList) - 1);
}

void CMessageLogDlg::SaveRect() {
    const velmar_ui::Rect rect = View().WindowRect();
    if (rect.width <= 0 || rect.height <= 0) return;  // minimised or never shown
    profile_.WriteString(section_, "MESSX", Format("%d", rect.x));
    profile_.WriteString(section_, "MESSY", Format("%d", rect.y));
    profile_.WriteString(section_, "MESSCX", Format("%d", rect.width));
    profile_.WriteString(section_, "MESSCY", Format("%d", rect.height));
}

bool CMessageLogDlg::OnCancel() {
    SaveRect();
    if (onClosed_) onClosed_();
    return true;
}

void CMessageLogDlg::OnDestroy() { SaveRect(); }

}  // namespace velmar
