// CMainFrame: the main window of Velmar. Menu 128, a toolbar, a status bar with four panes, and
// the panel's form in the middle. Menu commands go to the panel; the frame handles its own
// (Exit, Cut/Copy/Paste, the bar switches, About).
#pragma once

#include <QMainWindow>

#include <map>

#include "panel_host.h"

class QAction;
class QToolBar;

namespace velmar {

class CMainFrame : public QMainWindow {
public:
    // `panel` is the panel's window (shown inside the frame); `commands` receives the menu
    // commands. Both belong to the caller and must outlive the frame's use of them.
    CMainFrame(QWidget* panel, PanelCommands& commands);

    QAction* Action(int commandId) const;  // nullptr for ids the menu lacks
    QToolBar* ToolBar() const { return toolBar_; }

    // Rectangle restore: the frame opens at the given place and size.
    void PlaceAt(int x, int y, int width, int height);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildStatusBar();
    void ShowAbout();
    void EditCommand(void (*apply)(QWidget* focus));

    PanelCommands& commands_;
    QToolBar* toolBar_ = nullptr;
    std::map<int, QAction*> actions_;
    bool destroyed_ = false;
};

// The About box: "About Velmar", "Velmar Version 0.86", OK.
void ShowVelmarAbout(QWidget* parent);

}  // namespace velmar
