#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

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
