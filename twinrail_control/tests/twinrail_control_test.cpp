// The control module through the component layer, as a host uses it: self-registration into a
// private registry, creation by ProgID, dispatch by DISPID, and the Change event of real mouse
// drags on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <vector>

#include "components/component_loader.h"
#include "twinrail/twinrail_ids.h"
#include "velmar_testing/test_support.h"
#include "velmar_ui_qt/test_app.h"

using namespace components;

namespace {

struct RecordingSink : EventSink {
    std::vector<std::vector<std::int32_t>> calls;
    void Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) override {
        std::vector<std::int32_t> call{dispid};
        call.insert(call.end(), arguments.begin(), arguments.end());
        calls.push_back(call);
    }
};

class TwinrailControl : public ::testing::Test {
protected:
    void SetUp() override {
        velmar_ui_qt::TestApp();
        path_ = velmar_testing::TempDir() + "/components.reg";
        setenv("VELMAR_COMPONENT_REGISTRY", path_.c_str(), 1);
    }
    std::string path_;
};

}  // namespace

TEST_F(TwinrailControl, RegistersCreatesByProgIdAndUnregistersOnlyItsOwnEntries) {
    const ComponentRegistry registry(path_);
    ASSERT_TRUE(registry.Update([](ComponentRegistry::Sections& s) {
        s[ProgIdKey("Other.Thing.1")] = {{"CLSID", "{other}"}};
        s[ClsidKey("{other}")] = {{"Library", "/other.so"}};
    }));
    EXPECT_EQ(LoadClassFactory(registry, twinrail::kControlProgId).result, kClassNotRegistered);
    ASSERT_EQ(std::system((std::string(COMPONENT_REGSVR) + " " + TWINRAIL_LIBRARY).c_str()), 0);
    ASSERT_EQ(RunServerRegistration(TWINRAIL_LIBRARY, false), kOk);  // registering twice is harmless

    const auto sections = registry.Read();
    const auto& control = sections.at(ClsidKey(twinrail::kControlClsid));
    EXPECT_EQ(control.at("ThreadingModel"), "Apartment");
    EXPECT_EQ(control.at("MiscStatus"), "0x20191");
    EXPECT_EQ(control.at("Name"), "Tarnwick Twinrail Control");
    EXPECT_EQ(sections.at(TypeLibKey(twinrail::kTypeLibId, "1.0")).at("LCID"), "0x409");

    for (const char* progId : {twinrail::kControlProgId, twinrail::kPropPageProgId}) {
        const auto loaded = LoadClassFactory(registry, progId);
        ASSERT_EQ(loaded.result, kOk) << progId;
        QWidget host;
        auto instance = loaded.factory->CreateInstance(&host);
        ASSERT_TRUE(instance);
        EXPECT_EQ(static_cast<QWidget*>(instance->Window())->parentWidget(), &host);
    }

    ASSERT_EQ(std::system((std::string(COMPONENT_REGSVR) + " -u " + TWINRAIL_LIBRARY).c_str()), 0);
    const auto after = registry.Read();
    EXPECT_EQ(after.size(), 2u);
    EXPECT_EQ(registry.ClsidOfProgId("Other.Thing.1"), "{other}");
    EXPECT_EQ(LoadClassFactory(registry, twinrail::kControlProgId).result, kClassNotRegistered);
}

TEST_F(TwinrailControl, DispatchChecksMembersAndArgumentCounts) {
    ASSERT_EQ(RunServerRegistration(TWINRAIL_LIBRARY, false), kOk);
    const auto loaded = LoadClassFactory(ComponentRegistry(path_), twinrail::kControlProgId);
    ASSERT_EQ(loaded.result, kOk);
    auto control = loaded.factory->CreateInstance(nullptr);
    std::int32_t dispid = 0;
    EXPECT_EQ(control->IdOfName("SetRange", dispid), kOk);
    EXPECT_EQ(dispid, twinrail::kDispidSetRange);
    EXPECT_EQ(control->IdOfName("Nope", dispid), kUnknownName);
    const std::int32_t two[] = {20, 10};
    EXPECT_EQ(control->Invoke(77, two), kMemberNotFound);
    EXPECT_EQ(control->Invoke(twinrail::kDispidSetPos, std::span(two, 1)), kBadParamCount);
    EXPECT_EQ(control->Invoke(twinrail::kDispidSetRange, two), kBadParamCount);
    EXPECT_EQ(control->Invoke(twinrail::kDispidAboutBox, two), kBadParamCount);
    // About box and property page are modal: close them as they open.
    for (int verb = 0; verb < 2; ++verb) {
        QTimer::singleShot(0, [] {
            if (auto* modal = QApplication::activeModalWidget()) modal->close();
        });
        if (verb == 0) {
            EXPECT_EQ(control->Invoke(twinrail::kDispidAboutBox, {}), kOk);
        } else {
            EXPECT_EQ(control->DoVerb(Verb::Properties), kOk);
        }
    }
    const auto state = control->SaveState();
    EXPECT_EQ(state, (std::vector<std::uint8_t>{0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(control->LoadState(state), kOk);
    EXPECT_NE(control->LoadState({1}), kOk);
}

TEST_F(TwinrailControl, ChangeFiresOnEveryDragMoveAndNeverFromMethodsOrRelease) {
    ASSERT_EQ(RunServerRegistration(TWINRAIL_LIBRARY, false), kOk);
    const auto loaded = LoadClassFactory(ComponentRegistry(path_), twinrail::kControlProgId);
    ASSERT_EQ(loaded.result, kOk);
    QWidget host;
    auto control = loaded.factory->CreateInstance(&host);
    auto* window = static_cast<QWidget*>(control->Window());
    window->setGeometry(0, 0, 432, 40);
    host.resize(432, 40);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    RecordingSink sink;
    control->Advise(&sink);

    const std::int32_t range[] = {101};
    const std::int32_t pos[] = {20, 40};
    const std::int32_t color[] = {0x00FF00};
    EXPECT_EQ(control->Invoke(twinrail::kDispidSetRange, range), kOk);
    EXPECT_EQ(control->Invoke(twinrail::kDispidSetPos, pos), kOk);
    EXPECT_EQ(control->Invoke(twinrail::kDispidSetColor, color), kOk);
    EXPECT_TRUE(sink.calls.empty());

    // Drag the right thumb (x 178..181) two steps and let go.
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(180, 20));
    QTest::mouseMove(window, QPoint(200, 20));
    QTest::mouseMove(window, QPoint(220, 20));
    const auto afterMoves = sink.calls.size();
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(220, 20));
    ASSERT_EQ(afterMoves, 2u);
    EXPECT_EQ(sink.calls.size(), 2u);
    EXPECT_EQ(sink.calls[0], (std::vector<std::int32_t>{twinrail::kDispidChange, 20, 45}));
    EXPECT_EQ(sink.calls[1], (std::vector<std::int32_t>{twinrail::kDispidChange, 20, 50}));

    control->Unadvise();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(100, 20));
    QTest::mouseMove(window, QPoint(120, 20));
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(120, 20));
    EXPECT_EQ(sink.calls.size(), 2u);
}
