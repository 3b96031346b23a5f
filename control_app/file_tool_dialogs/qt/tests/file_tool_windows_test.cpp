// The tools' windows offscreen: one of each, the split dialog with the registered dual slider
// (the build registers it in the run directory) and without it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <cstdlib>
#include <fstream>

#include "file_tool_dialogs/file_tool_ids.h"
#include "file_tool_dialogs/qt/file_tool_windows.h"
#include "index_formats/picture_index.h"
#include "platform/profile.h"
#include "shell/menu_ids.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui_qt/test_app.h"

using namespace velmar::file_tool_ids;

namespace {

struct Panel : velmar::SplitPanelLink {
    velmar::TvStandard Standard() const override { return velmar::TvStandard::Pal; }
    int VideoAPosition() const override { return 0; }
    int AudioPosition() const override { return 0; }
};

void WriteClip(const std::string& dir, const platform::Profile& profile) {
    std::vector<index_formats::PictureIndexRecord> records;
    for (int k = 0; k < 100; ++k)
        records.push_back({std::uint64_t(k / 10) * 100, std::uint8_t(k % 10), std::uint8_t(10 - k % 10), k >= 90});
    const auto index = index_formats::EncodePictureIndex(records);
    std::ofstream(dir + "/clip.mdb", std::ios::binary).write(reinterpret_cast<const char*>(index.data()), long(index.size()));
    std::ofstream(dir + "/clip.mpg", std::ios::binary) << std::string(4000, 'x');
    profile.WriteString("GLOBAL", "PATHFSPLITS", dir + "/clip.mpg");
}

QString EditText(velmar_ui_qt::FormWindow* window, int id) {
    return static_cast<QLineEdit*>(window->Control(id))->text();
}

}  // namespace

TEST(FileToolWindows, EachToolOpensOnceAndTheSliderDrivesTheSplitEdits) {
    velmar_ui_qt::TestApp();
    const platform::Profile profile;
    WriteClip(velmar_testing::TempDir(), profile);
    Panel panel;
    velmar_qt::FileToolWindows tools(nullptr, profile, panel);
    EXPECT_FALSE(tools.Open(12345));
    for (int command : {velmar::menu_ids::kByteSwap, velmar::menu_ids::kFileMerge}) {
        ASSERT_TRUE(tools.Open(command));
        auto* first = command == velmar::menu_ids::kByteSwap ? tools.ByteSwap() : tools.Merge();
        tools.Open(command);
        EXPECT_EQ(first, command == velmar::menu_ids::kByteSwap ? tools.ByteSwap() : tools.Merge());
        for (int id : {kFirstPath, kSecondPath, kBrowseFirst, kBrowseSecond, kStart, kCancelRun, kStatus, kProgress})
            EXPECT_NE(first->Control(id), nullptr) << id;
    }
    ASSERT_TRUE(tools.Open(velmar::menu_ids::kFileSplit));
    auto* split = tools.Split();
    ASSERT_TRUE(split);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(split));
    EXPECT_EQ(EditText(split, kEndEdit).toStdString(), "00000324");  // frame 99
    auto* placeholder = split->Control(kSlider);
    auto rails = placeholder->findChildren<QWidget*>();
    ASSERT_EQ(rails.size(), 1) << "the registered slider sits in control 1183";
    QWidget* rail = rails.front();
    rail->resize(432, 40);  // a 400-pixel track: 4 pixels per frame
    // Drag the left thumb from frame 0 to frame 25.
    QTest::mousePress(rail, Qt::LeftButton, {}, QPoint(11, 20));
    QTest::mouseMove(rail, QPoint(111, 20));
    QTest::mouseRelease(rail, Qt::LeftButton, {}, QPoint(111, 20));
    EXPECT_EQ(EditText(split, kStartEdit).toStdString(), "00000100");
    EXPECT_EQ(static_cast<QLabel*>(split->Control(kFirstWritten))->text().toStdString(), "00:00:00:20");
}

TEST(FileToolWindows, SplitWorksAndSaysSoWhenTheSliderIsNotRegistered) {
    velmar_ui_qt::TestApp();
    const std::string dir = velmar_testing::TempDir();
    setenv("VELMAR_COMPONENT_REGISTRY", (dir + "/empty.reg").c_str(), 1);
    const platform::Profile profile;
    WriteClip(dir, profile);
    Panel panel;
    velmar_qt::FileToolWindows tools(nullptr, profile, panel);
    ASSERT_TRUE(tools.Open(velmar::menu_ids::kFileSplit));
    auto* split = tools.Split();
    EXPECT_EQ(static_cast<QLabel*>(split->Control(kStatus))->text().toStdString(),
              velmar::CFileSplitDlg::kNoSliderText);
    auto* start = static_cast<QLineEdit*>(split->Control(kStartEdit));
    start->setText("00000100");
    split->Logic().EditChanged(kStartEdit);
    split->Logic().EditLostFocus(kStartEdit);
    EXPECT_EQ(static_cast<QLabel*>(split->Control(kFirstWritten))->text().toStdString(), "00:00:00:20");
}
