#include "twinrail_ctrl.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QThread>
#include <QVBoxLayout>

#include "twinrail/twinrail_ids.h"

namespace twinrail {

std::atomic<int> gLiveObjects{0};

namespace {

// The control's window belongs to the GUI thread; calls from elsewhere are refused, as an
// apartment-threaded control refuses them.
bool OnGuiThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

QWidget* CreatePropertyPageWidget(QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setWindowTitle("General");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(
        new QLabel("TODO: Place controls to manipulate properties of Tarnwicktwinrail Control on this dialog.", page));
    return page;
}

CTarnwicktwinrailCtrl::CTarnwicktwinrailCtrl(QWidget* parent) : widget_(new TwinRailWidget(parent)) {
    ++gLiveObjects;
    widget_->SetChangeHandler([this](int start, int end) { FireChange(start, end); });
}

CTarnwicktwinrailCtrl::~CTarnwicktwinrailCtrl() {
    delete widget_.data();
    --gLiveObjects;
}

const components::TypeInfo& CTarnwicktwinrailCtrl::TypeDescription() {
    static const components::TypeInfo info{
        "_DTarnwicktwinrail",
        {{"SetPos", kDispidSetPos, 2}, {"SetRange", kDispidSetRange, 1}, {"SetColor", kDispidSetColor, 1},
         {"AboutBox", kDispidAboutBox, 0}},
        "_DTarnwicktwinrailEvents",
        {{"Change", kDispidChange, 2}},
    };
    return info;
}

components::HResult CTarnwicktwinrailCtrl::Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) {
    const auto* method = Type().Method(dispid);
    if (!method) return components::kMemberNotFound;
    if (int(arguments.size()) != method->parameterCount) return components::kBadParamCount;
    if (!OnGuiThread()) return components::kWrongThread;
    if (!widget_) return components::kFail;
    TwinRailModel& model = widget_->Model();
    switch (dispid) {
    case kDispidSetPos: model.SetPos(arguments[0], arguments[1]); break;
    case kDispidSetRange: model.SetRange(arguments[0]); break;
    case kDispidSetColor: model.SetColor(std::uint32_t(arguments[0])); break;
    case kDispidAboutBox: AboutBox(); return components::kOk;
    }
    widget_->RedrawSlider();
    return components::kOk;
}

void CTarnwicktwinrailCtrl::FireChange(int start, int end) {
    if (!sink_) return;
    const std::int32_t arguments[] = {start, end};
    sink_->Invoke(kDispidChange, arguments);
}

void CTarnwicktwinrailCtrl::AboutBox() {
    QMessageBox box(QMessageBox::NoIcon, "About Tarnwicktwinrail Control", "Tarnwicktwinrail Control, Version 1.0",
                    QMessageBox::Ok, widget_);
    box.exec();
}

components::HResult CTarnwicktwinrailCtrl::DoVerb(components::Verb verb) {
    if (verb != components::Verb::Properties) return components::kOk;
    QDialog frame(widget_);
    frame.setWindowTitle("General");
    auto* layout = new QVBoxLayout(&frame);
    layout->addWidget(CreatePropertyPageWidget(&frame));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &frame);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &frame, &QDialog::accept);
    layout->addWidget(buttons);
    frame.exec();
    return components::kOk;
}

std::vector<std::uint8_t> CTarnwicktwinrailCtrl::SaveState() const {
    std::vector<std::uint8_t> state(4);
    for (int i = 0; i < 4; ++i) state[std::size_t(i)] = std::uint8_t(kControlVersion >> (8 * i));
    return state;
}

components::HResult CTarnwicktwinrailCtrl::LoadState(const std::vector<std::uint8_t>& state) {
    if (state.size() < 4) return components::kFail;
    std::uint32_t version = 0;
    for (int i = 0; i < 4; ++i) version |= std::uint32_t(state[std::size_t(i)]) << (8 * i);
    // Only the version is kept; a state from a newer major version is not ours to read.
    return version >> 16 <= (kControlVersion >> 16) ? components::kOk : components::kFail;
}

CTarnwicktwinrailPropPage::CTarnwicktwinrailPropPage(QWidget* parent) : page_(CreatePropertyPageWidget(parent)) {
    ++gLiveObjects;
}

CTarnwicktwinrailPropPage::~CTarnwicktwinrailPropPage() {
    delete page_.data();
    --gLiveObjects;
}

const components::TypeInfo& CTarnwicktwinrailPropPage::Type() const {
    static const components::TypeInfo info{"", {}, "", {}};
    return info;
}

}  // namespace twinrail
