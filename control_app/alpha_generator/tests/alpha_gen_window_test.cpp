// The generator's window offscreen: every id has its widget, the menu command shows one window
// only, and closing the idle tool deletes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "alpha_generator/alpha_gen_dlg.h"
#include "alpha_generator/qt/alpha_gen_window.h"
#include "velmar_ui_qt/test_app.h"

namespace {

TEST(AlphaGenWindow, OneWindowWithEveryIdThatClosesWhenIdle) {
    velmar_ui_qt::TestApp();
    platform::Profile profile;
    QPointer<velmar_ui_qt::FormWindow> slot;
    velmar_qt::ShowAlphaGenerator(slot, profile, [](const std::string&) { return true; }, nullptr);
    ASSERT_TRUE(slot);
    velmar_ui_qt::FormWindow* first = slot;
    velmar_qt::ShowAlphaGenerator(slot, profile, [](const std::string&) { return true; }, nullptr);
    EXPECT_EQ(slot, first);
    const auto form = velmar::AlphaGenForm();
    EXPECT_TRUE(velmar_ui::CheckFormSpec(form).empty());
    for (const auto& control : form.controls) {
        if (control.id == velmar_ui::kNoId) continue;
        EXPECT_NE(slot->findChild<QWidget*>(QString::fromStdString(velmar_ui::ObjectNameOf(control.id))), nullptr)
            << control.id;
    }
    EXPECT_EQ(slot->findChild<QComboBox*>("c1139")->currentText(), "Cross Fade");
    slot->findChild<QPushButton*>("c2")->click();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(slot);
}

}  // namespace
