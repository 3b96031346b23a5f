#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "shell/launch.h"
#include "shell/menu_ids.h"
#include "velmar_ui_qt/qt_ui_services.h"

namespace velmar {
namespace {

struct MenuEntry {
    const char* menu;
    const char* caption;  // nullptr: a separator
    int id;
};

// The panel's commands in menu 128, as the operator finds them.
constexpr MenuEntry kPanelMenu[] = {
    {"&File", "&Disable Logging", menu_ids::kDisableLogging},
    {"&File", "Set &Log File ...", menu_ids::kSetLogFile},
    {"&File", "Open &Play List File ...", menu_ids::kOpenPlayList},
    {"&Settings", "&Color Setting ...", menu_ids::kColorSetting},
    {"&Settings", "&Video Settings ...", menu_ids::kVideoSettings},
    {"&Settings", "&Audio Settings ...", menu_ids::kAudioSettings},
    {"&Tools", "&Alpha File Generator ...", menu_ids::kAlphaGenerator},
    {"&Tools", "&Byte Swap ...", menu_ids::kByteSwap},
    {"&Tools", "File &Merge ...", menu_ids::kFileMerge},
    {"&Tools", "File &Split ...", menu_ids::kFileSplit},
    {"&Tools", "&Update EEPROM ...", menu_ids::kUpdateEeprom},
};

void Cut(QWidget* focus) {
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->cut();
}
void Copy(QWidget* focus) {
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->copy();
}
void Paste(QWidget* focus) {
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->paste();
}

}  // namespace

CMainFrame::CMainFrame(QWidget* panel, PanelCommands& commands) : commands_(commands) {
    setObjectName("CMainFrame");
    setWindowTitle("Velmar");
    BuildMenus();
    BuildStatusBar();
    panel->setWindowFlags(Qt::Widget);
    // Operators may open the frame smaller than form 101: the form scrolls instead of being cut.
    panelArea_ = new QScrollArea;
    panelArea_->setWidgetResizable(true);
    panelArea_->setFrameShape(QFrame::NoFrame);
    panelArea_->setWidget(panel);
    setCentralWidget(panelArea_);
    panel->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    // The panel's layout asks again once it has changed: rows shown, lists filled.
    if (followsPanel_ && event->type() == QEvent::LayoutRequest && watched == panelArea_->widget())
        QTimer::singleShot(0, this, &CMainFrame::GrowToPanel);
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::GrowToPanel() {
    if (!followsPanel_ || isMaximized() || isFullScreen()) return;
    const QSize wanted = size().expandedTo(sizeHint());
    if (wanted != size()) resize(wanted);
}

QAction* CMainFrame::Action(int commandId) const {
    auto found = actions_.find(commandId);
    return found == actions_.end() ? nullptr : found->second;
}

void CMainFrame::BuildMenus() {
    std::map<std::string, QMenu*> menus;
    auto menuNamed = [&](const char* title) {
        auto& menu = menus[title];
        if (!menu) menu = menuBar()->addMenu(title);
        return menu;
    };
    auto addPanelCommand = [&](const MenuEntry& entry) {
        QAction* action = menuNamed(entry.menu)->addAction(entry.caption);
        action->setObjectName(QString("m%1").arg(entry.id));
        connect(action, &QAction::triggered, this, [this, id = entry.id] { commands_.MenuCommand(id); });
        actions_[entry.id] = action;
    };

    // File: the panel's three, then Exit.
    for (const auto& entry : kPanelMenu)
        if (std::string(entry.menu) == "&File") addPanelCommand(entry);
    QMenu* file = menuNamed("&File");
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);
    // Availability changes with the panel's state (a log open or not): ask it as the menu opens.
    connect(file, &QMenu::aboutToShow, this, [this] {
        for (int id : {menu_ids::kDisableLogging, menu_ids::kSetLogFile, menu_ids::kOpenPlayList})
            actions_[id]->setEnabled(commands_.MenuCommandEnabled(id));
    });

    QMenu* edit = menuNamed("&Edit");
    edit->addAction("Cu&t", QKeySequence::Cut, this, [this] { EditCommand(Cut); });
    edit->addAction("&Copy", QKeySequence::Copy, this, [this] { EditCommand(Copy); });
    edit->addAction("&Paste", QKeySequence::Paste, this, [this] { EditCommand(Paste); });

    toolBar_ = addToolBar("Toolbar");
    toolBar_->setObjectName("toolbar");
    QMenu* view = menuNamed("&View");
    view->addAction(toolBar_->toggleViewAction());
    QAction* statusSwitch = view->addAction("&Status Bar");
    statusSwitch->setCheckable(true);
    statusSwitch->setChecked(true);
    connect(statusSwitch, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });

    for (const auto& entry : kPanelMenu)
        if (std::string(entry.menu) != "&File") addPanelCommand(entry);

    QMenu* help = menuNamed("&Help");
    help->addAction("&About Velmar...", this, &CMainFrame::ShowAbout);

    // The toolbar: the play list file and About; each says what it does on hover and in the status bar.
    const auto icon = [this](QStyle::StandardPixmap pixmap) { return style()->standardIcon(pixmap); };
    const auto explain = [](QAction* action, const char* tip) {
        action->setToolTip(tip);
        action->setStatusTip(tip);
    };
    explain(toolBar_->addAction(icon(QStyle::SP_FileDialogContentsView), "Open Play List File",
                                [this] { commands_.MenuCommand(menu_ids::kOpenPlayList); }),
            "Choose the video play list (.vpl) of the Play List group");
    toolBar_->addSeparator();
    explain(toolBar_->addAction(icon(QStyle::SP_MessageBoxInformation), "About", this, &CMainFrame::ShowAbout),
            "About Velmar");
}

void CMainFrame::BuildStatusBar() {
    statusBar()->showMessage("Ready");
    // The standard indicator panes.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* pane = new QLabel(indicator);
        pane->setEnabled(false);
        statusBar()->addPermanentWidget(pane);
    }
}

void CMainFrame::EditCommand(void (*apply)(QWidget* focus)) { apply(QApplication::focusWidget()); }

void CMainFrame::ShowAbout() { ShowVelmarAbout(this); }

QSize CMainFrame::sizeHint() const {
    QSize wanted = QMainWindow::sizeHint();
    if (QWidget* panel = panelArea_->widget()) {
        const int bars = menuBar()->sizeHint().height() + toolBar_->sizeHint().height() +
                         statusBar()->sizeHint().height();
        wanted = wanted.expandedTo(panel->sizeHint() + QSize(0, bars));
    }
    if (const QScreen* screen = this->screen()) wanted = wanted.boundedTo(screen->availableSize());
    return wanted;
}

QWidget* CMainFrame::ReleasePanel() {
    QWidget* panel = panelArea_->takeWidget();
    if (panel) panel->setParent(nullptr);
    return panel;
}

void CMainFrame::PlaceAt(int x, int y, int width, int height) {
    followsPanel_ = false;
    // The rectangle is kept inside the screen's available area; the panel scrolls inside it.
    const QRect available = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
    const WindowRect placed = ClampToScreen({x, y, width, height}, {available.x(), available.y(), available.width(),
                                                                     available.height()});
    setGeometry(placed.x, placed.y, placed.width, placed.height);
}

void CMainFrame::OpenAtPanelSize() {
    followsPanel_ = true;
    resize(sizeHint());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A panel handler waiting on the UI thread is still on the stack: close once it has returned.
    if (velmar_ui_qt::QtUiServices::WaitRunning()) {
        event->ignore();
        QTimer::singleShot(50, this, &QWidget::close);
        return;
    }
    if (!destroyed_) {
        destroyed_ = true;
        commands_.FrameDestroyed(isMinimized());
    }
    event->accept();
}

void ShowVelmarAbout(QWidget* parent) {
    QDialog about(parent);
    about.setObjectName("CAboutDlg");
    about.setWindowTitle("About Velmar");
    auto* layout = new QVBoxLayout(&about);
    auto* row = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(about.style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(32, 32));
    row->addWidget(icon);
    row->addWidget(new QLabel("Velmar Version 0.86"));
    layout->addLayout(row);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    about.exec();
}

}  // namespace velmar
