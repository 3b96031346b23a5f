// CMainFrame: the main window of Velmar. Menu 128, a toolbar, a status bar with four panes, and
// the panel's form in the middle. Menu commands go to the panel; the frame handles its own
// (Exit, Cut/Copy/Paste, the bar switches, About).
#pragma once

#include <QMainWindow>

#include <map>

#include "shell/panel_commands.h"

class QAction;
class QScrollArea;
class QToolBar;

namespace velmar {

class CMainFrame : public QMainWindow {
public:
    // `panel` is the panel's window, shown inside the frame and scrolled when the frame is smaller
    // than the form; `commands` receives the menu commands. The frame owns the panel unless it is
    // taken back with ReleasePanel.
    CMainFrame(QWidget* panel, PanelCommands& commands);

    QAction* Action(int commandId) const;  // nullptr for ids the menu lacks
    QToolBar* ToolBar() const { return toolBar_; }

    // Rectangle restore: the frame opens at the given place and size.
    void PlaceAt(int x, int y, int width, int height);
    // Without a stored rectangle: the size of the whole form with the bars, as far as the screen
    // allows; the frame then grows with the form (a panel shows rows and fills lists once its board
    // is up), so that it never has to scroll on a screen that has room.
    void OpenAtPanelSize();
    // Gives the panel back to its owner (before the frame goes, when the panel is not the frame's).
    QWidget* ReleasePanel();

    // The whole form with the bars, as far as the screen allows.
    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildStatusBar();
    void ShowAbout();
    void EditCommand(void (*apply)(QWidget* focus));
    void GrowToPanel();

    PanelCommands& commands_;
    QToolBar* toolBar_ = nullptr;
    QScrollArea* panelArea_ = nullptr;
    std::map<int, QAction*> actions_;
    bool destroyed_ = false;
    bool followsPanel_ = false;  // opened at the form's size, not at a stored rectangle
};

// The About box: "About Velmar", "Velmar Version 0.86", OK.
void ShowVelmarAbout(QWidget* parent);

}  // namespace velmar
