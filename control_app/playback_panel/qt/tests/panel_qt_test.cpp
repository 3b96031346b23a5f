// Form 101 offscreen: every id has its widget, the position sliders are ours and report only
// the operator's moves, clicks and menu commands reach the panel.
#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "board_panel/testing/panel_test_support.h"
#include "index_formats/picture_index.h"
#include "platform/profile.h"
#include "playback_panel/audio_channel.h"
#include "playback_panel/qt/playback_panel_window.h"
#include "playback_panel/qt/qt_panel_host.h"
#include "playback_panel/velmar_view_form.h"
#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/video_channel.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

using namespace panel_testing;

class QuietServices : public velmar_ui_qt::QtUiServices {
public:
    using QtUiServices::QtUiServices;
    std::vector<std::string> boxes;

protected:
    velmar_ui::BoxAnswer ShowBox(const velmar_ui::MessageBoxSpec& box) override {
        boxes.push_back(box.text);
        return velmar_ui::BoxAnswer::Ok;
    }
};

struct QtPanel {
    explicit QtPanel(bool videoChannels = false, bool audioChannel = false)
        : library(board), profile("VELMAR-QT-TEST.INI") {
        services = std::make_unique<QuietServices>(&frame);
        host = std::make_unique<velmar_qt::QtPanelHost>(&frame);
        window = std::make_unique<velmar_qt::PlaybackPanelWindow>(
            [&](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
                auto panel = std::make_unique<CVelmarView>(view, ui, *host, PanelBoard{board, library, timing},
                                                           profile, nullptr, board_commands::BoardNumber::First());
                if (videoChannels) InstallVideoChannels(*panel);
                if (audioChannel) InstallAudioChannel(*panel);
                return panel;
            },
            services.get(), &frame);
        frame.setCentralWidget(&window->Widget());
    }
    ~QtPanel() {
        frame.takeCentralWidget();
        window.reset();
    }

    QApplication& app = velmar_ui_qt::TestApp();
    StartupFiles files;
    QMainWindow frame;
    FakeBoard board{false};  // demo mode
    RecordingLibrary library;
    NoDelays timing;
    platform::Profile profile;
    std::unique_ptr<QuietServices> services;
    std::unique_ptr<velmar_qt::QtPanelHost> host;
    std::unique_ptr<velmar_qt::PlaybackPanelWindow> window;
};

TEST(PanelQt, EveryControlOfTheFormHasItsWidget) {
    QtPanel p;
    const auto form = PlaybackForm();
    EXPECT_TRUE(velmar_ui::CheckFormSpec(form).empty());
    int ids = 0;
    for (const auto& control : form.controls) {
        if (control.id == velmar_ui::kNoId) continue;
        ++ids;
        auto* widget = p.frame.findChild<QWidget*>(QString::fromStdString(velmar_ui::ObjectNameOf(control.id)));
        EXPECT_NE(widget, nullptr) << control.id;
    }
    EXPECT_GE(ids, 120);
    for (int id : kPositionSliderIds) {
        auto* slider = p.frame.findChild<velmar_qt::PositionSlider*>(QString::fromStdString(velmar_ui::ObjectNameOf(id)));
        ASSERT_NE(slider, nullptr) << id;
        EXPECT_EQ(slider, p.window->Slider(id));
    }
}

TEST(PanelQt, DemoStartUpRunsAndClicksReachThePanel) {
    QtPanel p;
    p.window->OnInitialUpdate();
    EXPECT_EQ(p.services->boxes, (std::vector<std::string>{"Can't find Velmar Card.  Switching to Demo Mode"}));
    EXPECT_TRUE(p.window->Panel().DemoMode());
    p.window->Panel().Timer(kPanelTimer);  // the board's initialisation
    p.window->Panel().Timer(kPanelTimer);
    EXPECT_EQ(p.window->Panel().GetTimerState(), TimerState::Idle);
    auto* text = p.frame.findChild<QWidget*>("c1044");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(p.window->Widget().View().Text(panel_ids::kTimecodeA), "not loaded");

    p.frame.findChild<QRadioButton*>("c1066")->click();
    EXPECT_EQ(p.window->Panel().ViewedChannel(), 1);
    EXPECT_TRUE(p.window->Command(menu_ids::kOpenPlayList));
    // The other board type's answer comes from a click as well.
    p.frame.findChild<QPushButton*>("c1193")->click();
    EXPECT_EQ(p.services->boxes.back(), "This feature is only available on Velmar2000 boards");
}

// A start-up failure comes before the event loop runs; the program still ends, with code 0.
TEST(PanelQt, AMissingI2cTableEndsTheProgram) {
    QtPanel p;
    p.files.Remove("i2c/velmar2ki2c.bin");
    p.window->OnInitialUpdate();
    EXPECT_EQ(p.services->boxes.back(), "Can't find file .bin");
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

// Counts the paints of the widget it watches.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// While the files of a recording close, the panel waits on the UI thread: the notice that says so
// is drawn meanwhile.
TEST(PanelQt, TheClosingNoticeIsDrawnWhileTheFilesClose) {
    QtPanel p;
    p.host->ShowNotice(Notice::Closing);
    QLabel* notice = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->text() == "Closing Files Please Wait." && window->isVisible()) notice = label;
    ASSERT_NE(notice, nullptr);
    PaintCounter counter;
    notice->installEventFilter(&counter);
    p.services->Sleep(300);
    EXPECT_GT(counter.paints, 0);
    notice->removeEventFilter(&counter);
    p.host->CloseNotice(Notice::Closing);
}

TEST(PanelQt, VideoChannelControlsReachTheirChannel) {
    QtPanel p(true);
    p.profile.WriteString("BOARD1", "PATHVA", "");
    p.window->OnInitialUpdate();
    p.window->Panel().Timer(kPanelTimer);
    p.services->boxes.clear();
    const auto button = [&](int id) {
        return p.frame.findChild<QPushButton*>(QString::fromStdString(velmar_ui::ObjectNameOf(id)));
    };
    // Every button of both channels and the decode output's chooser is there.
    for (int id : {1026, 1037, 1038, 1039, 1040, 1042, 1043, 1009, 1010, 1027, 1029, 1047, 1049, 1054, 1048, 1058,
                   1059, 1011, 1012})
        ASSERT_NE(button(id), nullptr) << id;

    // No clip: PLAY says so.
    button(panel_ids::kPlayA)->click();
    EXPECT_EQ(p.services->boxes, std::vector<std::string>{"Bad File Name"});

    // A clip typed into the path edit plays from the start time code typed into its edit.
    p.files.Write("q.mpg", std::string("\0\0\1\xB3", 4) + std::string(60, '\0'));
    std::vector<index_formats::PictureIndexRecord> records;
    for (int k = 0; k < 6; ++k)
        records.push_back({0, static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(6 - k), true});
    const auto index = index_formats::EncodePictureIndex(records);
    p.files.Write("q.mdb", std::string(index.begin(), index.end()));
    auto* path = p.frame.findChild<QLineEdit*>("c1003");
    auto* start = p.frame.findChild<QLineEdit*>("c1046");
    ASSERT_TRUE(path && start);
    path->setText(QString::fromStdString((std::filesystem::current_path() / "q.mpg").string()));
    path->textEdited(path->text());
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(path, &out);
    start->setText("4");
    QApplication::sendEvent(start, &out);
    EXPECT_EQ(start->text().toStdString(), "00000004");
    button(panel_ids::kPlayB)->click();
    EXPECT_EQ(p.window->Panel().Channels().videoB->State(), VideoState::Playing);
    EXPECT_TRUE(button(panel_ids::kPlayB)->isFlat());
    EXPECT_FALSE(button(panel_ids::kStopB)->isFlat());
    button(panel_ids::kStopB)->click();
    EXPECT_EQ(p.window->Panel().Channels().videoB->State(), VideoState::Stopped);
    EXPECT_TRUE(button(panel_ids::kStopB)->isFlat());
}

TEST(PanelQt, AudioGroupControlsReachTheirChannel) {
    QtPanel p(false, true);
    p.profile.WriteString("BOARD1", "PATHAUD", "");
    p.window->OnInitialUpdate();
    p.window->Panel().Timer(kPanelTimer);
    p.services->boxes.clear();
    const auto find = [&](int id) {
        return p.frame.findChild<QAbstractButton*>(QString::fromStdString(velmar_ui::ObjectNameOf(id)));
    };
    for (int id : {1030, 1069, 1071, 1070, 1072, 1013, 1014, 1135, 1114, 1156, 1158, 1157}) ASSERT_NE(find(id), nullptr) << id;
    EXPECT_TRUE(find(panel_ids::kRate48)->isChecked());
    find(panel_ids::kFrameStepAudio)->click();
    find(panel_ids::kPlayAudio)->click();
    EXPECT_EQ(p.services->boxes, (std::vector<std::string>{"This feature has not yet been implemented", "Bad File Name"}));
    find(panel_ids::kRate32)->click();
    EXPECT_EQ(p.profile.GetString("BOARD1", "AUDRATE"), "32");
    find(panel_ids::kLinkAudio)->click();
    EXPECT_EQ(p.profile.GetString("BOARD1", "LINKAUD"), "1");
}

TEST(PositionSliderWidget, CodeMovesRaiseNoEventAndOperatorMovesDo) {
    velmar_ui_qt::TestApp();
    velmar_qt::PositionSlider slider;
    std::vector<std::pair<long, short>> events;
    slider.OnEvent([&](long position, short dragging) { events.emplace_back(position, dragging); });
    slider.Invoke(SliderMethod::SetLength, 4'000'000);
    EXPECT_EQ(slider.maximum(), 3'999'999);
    slider.Invoke(SliderMethod::SetPosition, 100);
    slider.Invoke(SliderMethod::SetPositionPair, 0, 200);
    EXPECT_EQ(slider.value(), 200);
    slider.Invoke(SliderMethod::SetTrackPosition, 300);
    EXPECT_EQ(slider.value(), 300);
    EXPECT_TRUE(events.empty());

    slider.setSliderDown(true);
    slider.setSliderPosition(500);
    slider.setSliderDown(false);
    slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(events, (std::vector<std::pair<long, short>>{{500, 1}, {500, 0}, {501, 0}}));
}

}  // namespace
}  // namespace velmar
