// The dual-slider control as a component: automation methods by DISPID, the Change event to the
// host's sink, the property page and About box verbs, and its persistent version.
#pragma once

#include <QPointer>

#include <atomic>

#include "components/component.h"
#include "twin_rail_widget.h"

namespace twinrail {

// Live instances of the library's classes, for DllCanUnloadNow.
extern std::atomic<int> gLiveObjects;

class CTarnwicktwinrailCtrl : public components::ComponentInstance {
public:
    explicit CTarnwicktwinrailCtrl(QWidget* parent);
    ~CTarnwicktwinrailCtrl() override;

    static const components::TypeInfo& TypeDescription();
    const components::TypeInfo& Type() const override { return TypeDescription(); }
    components::HResult Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) override;
    void Advise(components::EventSink* sink) override { sink_ = sink; }
    void Unadvise() override { sink_ = nullptr; }
    void* Window() override { return widget_.data(); }
    components::HResult DoVerb(components::Verb verb) override;
    std::vector<std::uint8_t> SaveState() const override;
    components::HResult LoadState(const std::vector<std::uint8_t>& state) override;

    TwinRailWidget* Widget() { return widget_.data(); }

private:
    void FireChange(int start, int end);
    void AboutBox();

    QPointer<TwinRailWidget> widget_;
    components::EventSink* sink_ = nullptr;
};

// The control's one property page: no properties to edit.
class CTarnwicktwinrailPropPage : public components::ComponentInstance {
public:
    explicit CTarnwicktwinrailPropPage(QWidget* parent);
    ~CTarnwicktwinrailPropPage() override;

    const components::TypeInfo& Type() const override;
    components::HResult Invoke(std::int32_t, std::span<const std::int32_t>) override {
        return components::kMemberNotFound;
    }
    void Advise(components::EventSink*) override {}
    void Unadvise() override {}
    void* Window() override { return page_.data(); }
    components::HResult DoVerb(components::Verb) override { return components::kOk; }
    std::vector<std::uint8_t> SaveState() const override { return {}; }
    components::HResult LoadState(const std::vector<std::uint8_t>&) override { return components::kOk; }

private:
    QPointer<QWidget> page_;
};

// The page's widget (caption "General"), shared by the page class and the Properties verb.
QWidget* CreatePropertyPageWidget(QWidget* parent);

}  // namespace twinrail
