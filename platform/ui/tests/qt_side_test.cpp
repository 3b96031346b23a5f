// The Qt side offscreen: the builder, signal routing into the logic, and the GUI-thread services.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <optional>
#include <thread>

#include "velmar_ui/form_logic.h"
#include "velmar_ui/message_map.h"
#include "velmar_ui_qt/form_window.h"
#include "velmar_ui_qt/test_app.h"

namespace {

using namespace velmar_ui;
using velmar_ui_qt::FormWindow;
using velmar_ui_qt::QtUiServices;

FormSpec Form() {
    FormSpec form;
    form.title = "Routing";
    form.groups = {{"Input", 0, 0}, {"Mode", 1, 0}, {"Kept", 2, 1, 1, 1, true}};
    form.controls = {
        {10, ControlKind::Edit, "", "Input", 0, 1},
        {kNoId, ControlKind::Label, "Path:", "Input", 0, 0},
        {11, ControlKind::ComboBox, "", "Input", 1, 1},
        {12, ControlKind::RadioButton, "One", "Mode", 0, 0},
        {13, ControlKind::RadioButton, "Two", "Mode", 0, 1},
        {14, ControlKind::PushButton, "Go", "", 2, 0},
        {15, ControlKind::ProgressBar, "", "", 3, 0},
        {16, ControlKind::ListBox, "", "", 4, 0},
        {17, ControlKind::Slider, "", "", 5, 0},
        {1, ControlKind::PushButton, "OK", "", 6, 0, 1, 1, kHidden},
        {18, ControlKind::Edit, "", "Kept", 0, 0, 1, 1, kHidden},
    };
    form.systemMenu = {{16, "&About..."}};
    return form;
}

class RoutingLogic : public FormLogic {
public:
    using FormLogic::FormLogic;
    std::vector<std::string> calls;
    bool allowClose = true;

    void OnInitDialog() override {
        View().AddItem(11, "a");
        View().AddItem(11, "b");
        View().SetRange(15, {0, 16});
    }
    bool OnOK() override {
        calls.push_back("ok");
        return false;
    }
    bool OnCancel() override {
        calls.push_back("cancel");
        return allowClose;
    }
    void OnGo() { calls.push_back("go"); }
    void OnEdit() { calls.push_back("edit " + View().Text(10)); }
    void OnLeave() { calls.push_back("leave"); }
    void OnPick() { calls.push_back("pick " + View().SelectedText(11)); }
    void OnTwo() { calls.push_back("two"); }
    void OnAbout() { calls.push_back("about"); }
    void OnScroll(const Event& event) { calls.push_back("scroll " + std::to_string(event.position)); }

protected:
    bool Dispatch(const Event& event) override {
        static const MessageMap<RoutingLogic> map{
            OnCommand(14, &RoutingLogic::OnGo),
            OnCommand(13, &RoutingLogic::OnTwo),
            OnEditChange(10, &RoutingLogic::OnEdit),
            OnEditLostFocus(10, &RoutingLogic::OnLeave),
            OnSelectionChange(11, &RoutingLogic::OnPick),
            velmar_ui::OnScroll(17, &RoutingLogic::OnScroll),
            OnAnySystemCommand(&RoutingLogic::OnAbout),
        };
        if (map.Dispatch(*this, event)) return true;
        calls.push_back("other " + std::to_string(event.id));
        return false;
    }
};

struct QtSideTest : ::testing::Test {
    QtSideTest() { velmar_ui_qt::TestApp(); }
    static FormWindow::LogicFactory Factory() {
        return [](FormView& view, UiServices& ui) { return std::make_unique<RoutingLogic>(view, ui); };
    }
};

TEST_F(QtSideTest, BuilderGivesEveryIdItsWidgetAndGroup) {
    FormWindow window(Form(), Factory());
    EXPECT_EQ(window.windowTitle(), "Routing");
    for (const auto& control : Form().controls) {
        if (control.id == kNoId) continue;
        QWidget* widget = window.findChild<QWidget*>(QString("c%1").arg(control.id));
        ASSERT_NE(widget, nullptr) << control.id;
        EXPECT_EQ(widget, window.Control(control.id));
    }
    EXPECT_NE(qobject_cast<QLineEdit*>(window.Control(10)), nullptr);
    EXPECT_NE(qobject_cast<QProgressBar*>(window.Control(15)), nullptr);
    EXPECT_EQ(qobject_cast<QGroupBox*>(window.Control(12)->parentWidget())->title(), "Mode");
    EXPECT_TRUE(window.Control(1)->isHidden());
    // A hidden group shows no empty box.
    EXPECT_TRUE(window.Control(18)->parentWidget()->isHidden());
    EXPECT_FALSE(window.Control(12)->parentWidget()->isHidden());
}

TEST_F(QtSideTest, OperatorActionsReachTheirHandlersAndProgramChangesDoNot) {
    FormWindow window(Form(), Factory());
    window.show();
    auto& logic = static_cast<RoutingLogic&>(window.Logic());

    window.View().SetText(10, "quiet");  // the logic's own change raises nothing
    window.View().SetSelection(11, 1);
    QTest::mouseClick(window.Control(14), Qt::LeftButton);
    qobject_cast<QAbstractButton*>(window.Control(13))->click();
    auto* edit = qobject_cast<QLineEdit*>(window.Control(10));
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_X);
    QFocusEvent focusOut(QEvent::FocusOut);  // an offscreen window is never active
    QApplication::sendEvent(edit, &focusOut);
    auto* combo = qobject_cast<QComboBox*>(window.Control(11));
    emit combo->activated(0);
    combo->setCurrentIndex(0);
    qobject_cast<QSlider*>(window.Control(17))->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QTest::keyClick(&window, Qt::Key_Return);
    window.actions().front()->trigger();

    EXPECT_EQ(logic.calls, (std::vector<std::string>{"go", "two", "edit quietx", "leave", "pick b", "scroll 10",
                                                     "ok", "about"}));
    EXPECT_TRUE(window.View().Checked(13));
    EXPECT_TRUE(window.isVisible());  // OnOK said no
}

TEST_F(QtSideTest, CloseWaitsForTheLogicsConsent) {
    FormWindow window(Form(), Factory());
    window.show();
    auto& logic = static_cast<RoutingLogic&>(window.Logic());
    logic.allowClose = false;
    window.close();
    EXPECT_TRUE(window.isVisible());
    window.View().CloseWindow();  // the logic closes it later by itself
    EXPECT_FALSE(window.isVisible());
}

TEST_F(QtSideTest, ViewKeepsRangesItemsAndTheFlatMark) {
    FormWindow window(Form(), Factory());
    auto& view = window.View();
    EXPECT_EQ(view.Range(15), (IntRange{0, 16}));
    view.SetPosition(15, 5);
    EXPECT_EQ(view.Position(15), 5);
    EXPECT_EQ(view.Selection(11), -1);  // adding items selects nothing
    EXPECT_EQ(view.SelectItemText(11, "b"), 1);
    EXPECT_EQ(view.Text(11), "b");
    for (int i = 0; i < 3; ++i) view.AddItem(16, "line " + std::to_string(i));
    view.RemoveItem(16, 0);
    view.ShowItem(16, 1);
    EXPECT_EQ(view.ItemText(16, 0), "line 1");
    EXPECT_EQ(view.Selection(16), -1);
    view.SetFlat(14, true);
    EXPECT_TRUE(view.Flat(14));
    view.SetChecked(12, true);
    view.SetChecked(12, false);  // an exclusive radio can still be cleared by the logic
    EXPECT_FALSE(view.Checked(12));
    EXPECT_THROW(view.SetText(99, "x"), std::out_of_range);
}

TEST_F(QtSideTest, EmbeddedPanelRoutesLikeTheWindowAndTakesExtraControls) {
    QWidget frame;
    bool closed = false;
    velmar_ui_qt::FormPanel panel(Form(), Factory(), nullptr, &frame, [&] { closed = true; });
    auto& logic = static_cast<RoutingLogic&>(panel.Logic());
    auto* extra = new QSlider(Qt::Horizontal, &panel);  // a control the description cannot hold
    panel.View().AddControl(18, extra);
    panel.Router().Route(18, extra);
    panel.View().SetRange(18, {0, 100});
    extra->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    qobject_cast<QAbstractButton*>(panel.Control(14))->click();
    qobject_cast<QAbstractButton*>(panel.Control(1))->click();  // a plain command in a panel
    panel.View().CloseWindow();
    EXPECT_EQ(panel.findChild<QSlider*>("c18"), extra);
    EXPECT_EQ(logic.calls, (std::vector<std::string>{"other 18", "go", "other 1"}));
    EXPECT_TRUE(closed);
}

// Answers boxes on the GUI thread without an operator, noting where it ran.
class AnsweringServices : public QtUiServices {
public:
    using QtUiServices::QtUiServices;
    bool shownOnGuiThread = false;

protected:
    BoxAnswer ShowBox(const MessageBoxSpec&) override {
        shownOnGuiThread = QThread::currentThread() == qApp->thread();
        return BoxAnswer::Retry;
    }
};

TEST_F(QtSideTest, WorkerUpdatesAndBoxesGoThroughTheGuiThread) {
    AnsweringServices services(nullptr);
    FormWindow window(Form(), Factory(), &services);
    QEventLoop loop;
    bool updatedOnGuiThread = false;
    BoxAnswer answer = BoxAnswer::Ok;
    std::thread worker([&] {
        answer = services.MessageBox({"Disk full", "Error", BoxButtons::RetryCancel, BoxIcon::Error});
        services.RunOnUiThread([&] {
            updatedOnGuiThread = QThread::currentThread() == qApp->thread();
            window.View().SetPosition(15, 16);
            loop.quit();
        });
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(answer, BoxAnswer::Retry);
    EXPECT_TRUE(services.shownOnGuiThread);
    EXPECT_TRUE(updatedOnGuiThread);
    EXPECT_EQ(window.View().Position(15), 16);
}

// A restart names the program bare; it is found beside the running one even when the build's bin
// is not on PATH (here: this test program, asked only to list its tests).
TEST_F(QtSideTest, BareProgramNameStartsTheOneBesideThisProgram) {
    QtUiServices services(nullptr);
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    ::setenv("PATH", "/nonexistent", 1);
    const bool started = services.StartProgram("velmar_ui_qt_tests", {"--gtest_list_tests"});
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_TRUE(started);
    EXPECT_FALSE(services.StartProgram("no-such-program-here", {}));
}

// An input is chosen with the open form, an output with the save form, which asks before
// replacing a file unless its caller asks that itself.
TEST_F(QtSideTest, ChoosersOpenInTheirFormAndAskAboutReplacingOnlyOnce) {
    QtUiServices services(nullptr);
    struct Case {
        bool save, askBeforeReplacing;
        QFileDialog::AcceptMode mode;
        bool dontConfirm;
    } cases[] = {{false, true, QFileDialog::AcceptOpen, false},
                 {true, true, QFileDialog::AcceptSave, false},
                 {true, false, QFileDialog::AcceptSave, true}};
    for (const auto& c : cases) {
        velmar_ui::FileChooserSpec chooser;
        chooser.save = c.save;
        chooser.askBeforeReplacing = c.askBeforeReplacing;
        std::optional<QFileDialog::AcceptMode> mode;
        bool dontConfirm = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                mode = dialog->acceptMode();
                dontConfirm = dialog->testOption(QFileDialog::DontConfirmOverwrite);
                dialog->reject();
            }
        });
        poll.start(20);
        EXPECT_EQ(services.ChooseFile(chooser), std::nullopt);
        EXPECT_EQ(mode, c.mode) << c.save;
        EXPECT_EQ(dontConfirm, c.dontConfirm) << c.askBeforeReplacing;
    }
}

TEST_F(QtSideTest, TimersTickOnTheGuiThreadUntilKilled) {
    QtUiServices services(nullptr);
    QEventLoop loop;
    int ticks = 0;
    services.SetTimer(5, 1, [&](int id) {
        EXPECT_EQ(id, 5);
        EXPECT_TRUE(services.OnUiThread());
        if (++ticks == 3) {
            services.KillTimer(5);
            loop.quit();
        }
    });
    loop.exec();
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 3);
}

TEST_F(QtSideTest, ProgramsStartDetachedOrReportFailure) {
    QtUiServices services(nullptr);
    EXPECT_TRUE(services.StartProgram("true", {"ignored argument"}));
    EXPECT_FALSE(services.StartProgram("/nonexistent/velmar-program", {}));
}

// A widget that counts its paints.
class PaintCounter : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

// A wait on the UI thread keeps the event loop turning: the window repaints, posted work and other
// windows' timers run, while this window's own timers skip their ticks.
TEST_F(QtSideTest, WaitsKeepTheWindowPaintingButSkipTheirOwnTicks) {
    QtUiServices services(nullptr), other(nullptr);
    PaintCounter window;
    window.resize(40, 40);
    window.show();
    int own = 0, others = 0;
    bool posted = false;
    services.SetTimer(1, 10, [&](int) { ++own; });
    other.SetTimer(1, 10, [&](int) { ++others; });
    services.RunOnUiThread([&] { posted = true; });
    window.paints = 0;
    window.update();
    QElapsedTimer clock;
    clock.start();
    services.Sleep(200);
    EXPECT_GE(clock.elapsed(), 190);
    EXPECT_GT(window.paints, 0);
    EXPECT_TRUE(posted);
    EXPECT_EQ(own, 0);
    EXPECT_GT(others, 5);
    EXPECT_FALSE(QtUiServices::WaitRunning());
}

// An exit asked for before the event loop runs (a start-up failure) ends the loop once it starts.
TEST_F(QtSideTest, AnExitAskedBeforeTheEventLoopRunsEndsIt) {
    QtUiServices services(nullptr);
    services.ExitProcess(3);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    EXPECT_EQ(QCoreApplication::exec(), 3);
}

TEST(QtFilterTest, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(QtUiServices::QtFilter("MPEG Files (*.m*)|*.m*|All Files (*.*)|*.*||"),
              "MPEG Files (*.m* *.M*);;All Files (*)");
}

}  // namespace
