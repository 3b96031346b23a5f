#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <vector>

#include "shell/menu_ids.h"
#include "velmar/main_frame.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

struct RecordingPanel : PanelCommands {
    std::vector<int> commands;
    bool logOpen = false;
    int destroyed = 0;
    bool MenuCommand(int id) override {
        commands.push_back(id);
        return true;
    }
    bool MenuCommandEnabled(int id) const override {
        if (id == menu_ids::kSetLogFile) return !logOpen;
        if (id == menu_ids::kDisableLogging) return logOpen;
        return true;
    }
    void FrameDestroyed(bool) override { ++destroyed; }
};

TEST(MainFrame, MenuCommandsReachThePanel) {
    velmar_ui_qt::TestApp();
    RecordingPanel panel;
    CMainFrame frame(new QLabel("panel"), panel);
    for (int id : {menu_ids::kColorSetting, menu_ids::kVideoSettings, menu_ids::kAlphaGenerator, menu_ids::kByteSwap,
                   menu_ids::kSetLogFile, menu_ids::kOpenPlayList, menu_ids::kDisableLogging, menu_ids::kAudioSettings,
                   menu_ids::kFileMerge, menu_ids::kFileSplit, menu_ids::kUpdateEeprom}) {
        ASSERT_NE(frame.Action(id), nullptr) << id;
        frame.Action(id)->trigger();
    }
    EXPECT_EQ(panel.commands.size(), 11u);
    EXPECT_EQ(panel.commands.front(), menu_ids::kColorSetting);
    EXPECT_EQ(frame.Action(12345), nullptr);

    QStringList titles;
    for (QAction* action : frame.menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles.join(","), "&File,&Edit,&View,&Settings,&Tools,&Help");
    EXPECT_EQ(frame.statusBar()->findChildren<QLabel*>().size() >= 3, true);
}

// Hovering over a toolbar button says what it does.
TEST(MainFrame, ToolbarButtonsShowTheirTooltips) {
    velmar_ui_qt::TestApp();
    RecordingPanel panel;
    CMainFrame frame(new QLabel("panel"), panel);
    frame.show();
    QApplication::processEvents();
    QStringList tips;
    for (QAction* action : frame.ToolBar()->actions()) {
        auto* button = qobject_cast<QToolButton*>(frame.ToolBar()->widgetForAction(action));
        if (!button) continue;
        QToolTip::hideText();
        QHelpEvent hover(QEvent::ToolTip, button->rect().center(), button->mapToGlobal(button->rect().center()));
        QApplication::sendEvent(button, &hover);
        tips << QToolTip::text();
    }
    QToolTip::hideText();
    EXPECT_EQ(tips.join(" | ").toStdString(), "Choose the video play list (.vpl) of the Play List group | About Velmar");
}

TEST(MainFrame, LoggingItemsFollowThePanelsState) {
    velmar_ui_qt::TestApp();
    RecordingPanel panel;
    CMainFrame frame(new QLabel("panel"), panel);
    QMenu* file = frame.menuBar()->actions().front()->menu();
    emit file->aboutToShow();
    EXPECT_TRUE(frame.Action(menu_ids::kSetLogFile)->isEnabled());
    EXPECT_FALSE(frame.Action(menu_ids::kDisableLogging)->isEnabled());
    panel.logOpen = true;
    emit file->aboutToShow();
    EXPECT_FALSE(frame.Action(menu_ids::kSetLogFile)->isEnabled());
    EXPECT_TRUE(frame.Action(menu_ids::kDisableLogging)->isEnabled());
}

TEST(MainFrame, ClosingTellsThePanelOnce) {
    velmar_ui_qt::TestApp();
    RecordingPanel panel;
    CMainFrame frame(new QLabel("panel"), panel);
    frame.show();
    frame.close();
    frame.close();
    EXPECT_EQ(panel.destroyed, 1);
}

}  // namespace
}  // namespace velmar
