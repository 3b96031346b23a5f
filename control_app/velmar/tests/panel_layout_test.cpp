// Both panels in the main frame on the screens operators use: every control lies inside the frame
// without scrolling, and counters that change their text do not move the buttons. With
// $VELMAR_SCREENSHOTS set to a folder, each frame is saved there as a PNG to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <cstdlib>

#include "playback_panel/velmar_view_ids.h"
#include "playback_panel/qt/tests/qt_panel_fixture.h"
#include "record_panel/record_form.h"
#include "velmar/main_frame.h"
#include "velmar_ui_qt/form_window.h"
#include "velmar_ui_qt/test_app.h"

namespace velmar {
namespace {

using namespace panel_testing;

// What a desktop leaves of its screen to a frame: a title bar and a task bar.
constexpr int kDesktopHeight = 74;

struct Screen {
    int width, height;
};
constexpr Screen kScreens[] = {{1280, 1024}, {1920, 1080}};

class NoCommands : public PanelCommands {
public:
    bool MenuCommand(int) override { return false; }
    bool MenuCommandEnabled(int) const override { return true; }
    void FrameDestroyed(bool) override {}
};

class NoLogic : public velmar_ui::FormLogic {
public:
    using FormLogic::FormLogic;

protected:
    bool Dispatch(const velmar_ui::Event&) override { return false; }
};

// The controls (widgets named "c<id>") shown in `panel` whose rectangle is not wholly inside the
// frame's visible panel area, by name.
std::vector<std::string> ControlsOutside(CMainFrame& frame, QWidget& panel) {
    auto* area = frame.findChild<QScrollArea*>();
    const QRect visible(area->viewport()->mapTo(&frame, QPoint(0, 0)), area->viewport()->size());
    std::vector<std::string> outside;
    for (QWidget* control : panel.findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (!name.startsWith('c') || name.endsWith("_form") || !control->isVisibleTo(&frame)) continue;
        const QRect rect(control->mapTo(&frame, QPoint(0, 0)), control->size());
        if (!visible.contains(rect)) outside.push_back(name.toStdString());
    }
    return outside;
}

void CheckFits(CMainFrame& frame, QWidget& panel, const char* what) {
    for (const Screen& screen : kScreens) {
        frame.resize(screen.width, screen.height - kDesktopHeight);
        frame.show();
        QApplication::processEvents();
        const std::string where = std::string(what) + " at " + std::to_string(screen.width) + "x" +
                                  std::to_string(screen.height);
        auto* area = frame.findChild<QScrollArea*>();
        EXPECT_FALSE(area->horizontalScrollBar()->isVisible()) << where << " scrolls sideways";
        EXPECT_FALSE(area->verticalScrollBar()->isVisible())
            << where << " scrolls: the panel needs " << panel.sizeHint().width() << "x"
            << panel.sizeHint().height();
        EXPECT_EQ(ControlsOutside(frame, panel), std::vector<std::string>{}) << where;
        if (const char* folder = std::getenv("VELMAR_SCREENSHOTS"))
            frame.grab().save(QString("%1/%2-%3x%4.png").arg(folder, what).arg(screen.width).arg(screen.height));
    }
}

TEST(PanelLayout, PlaybackPanelFitsAndItsButtonsStayPutAsCountersChange) {
    QtPanelFixture f("VELMAR-LAYOUT-TEST.INI");
    velmar_qt::PlaybackPanelWindow& window = f.window;
    NoCommands commands;
    auto* frame = new CMainFrame(&window.Widget(), commands);
    CheckFits(*frame, window.Widget(), "playback");

    // The widest texts the displays show, then the narrowest: no button moves or changes width.
    using namespace panel_ids;
    const velmar_ui::ControlId displays[] = {kTimecodeA, kLengthA, kTimecodeB, kLengthB, kTimecodeAudio, kLengthAudio,
                                  kPositionAlpha, kCountAlpha, kTimecodeList, kLengthList, kTimecodeDv};
    auto buttons = [&] {
        std::vector<std::string> placed;
        for (auto* button : window.Widget().findChildren<QPushButton*>()) {
            const QRect r = button->geometry();
            placed.push_back(button->objectName().toStdString() + QString(" %1,%2 %3x%4")
                                                                      .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
                                                                      .toStdString());
        }
        return placed;
    };
    auto show = [&](const char* text) {
        for (velmar_ui::ControlId id : displays) window.Widget().View().SetText(id, text);
        QApplication::processEvents();
    };
    show("00:00:00:00  X");
    const auto wide = buttons();
    show("");
    EXPECT_EQ(buttons(), wide);
    show("not loaded");
    EXPECT_EQ(buttons(), wide);
    frame->ReleasePanel();
    delete frame;
}

TEST(PanelLayout, RecordPanelFits) {
    velmar_ui_qt::TestApp();
    velmar_ui_qt::FormPanel panel(RecordPanelForm(), [](velmar_ui::FormView& view, velmar_ui::UiServices& ui) {
        return std::make_unique<NoLogic>(view, ui);
    });
    NoCommands commands;
    auto* frame = new CMainFrame(&panel, commands);
    CheckFits(*frame, panel, "record");
    frame->ReleasePanel();
    delete frame;
}

}  // namespace
}  // namespace velmar
