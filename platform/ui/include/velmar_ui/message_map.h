// Routing of events to a logic class's handlers: one static table per class, from (event kind,
// id) to a member function, written the way a window's message map always was:
//
//   const MessageMap<CMuxDlg>& CMuxDlg::Map() {
//       static const MessageMap<CMuxDlg> map{
//           OnCommand(1021, &CMuxDlg::OnStart),
//           OnEditLostFocus(1004, &CMuxDlg::OnKillFocusVideoPath),
//           OnAnyTimer(&CMuxDlg::OnTimer),
//       };
//       return map;
//   }
#pragma once

#include <initializer_list>
#include <map>
#include <utility>
#include <variant>

#include "velmar_ui/events.h"

namespace velmar_ui {

template <class Logic>
struct MessageMapEntry {
    using Plain = void (Logic::*)();
    using WithEvent = void (Logic::*)(const Event&);

    EventKind kind;
    ControlId id;  // kNoId: every id of this kind not listed by itself
    std::variant<Plain, WithEvent> handler;
};

template <class Logic>
class MessageMap {
public:
    MessageMap(std::initializer_list<MessageMapEntry<Logic>> entries) {
        for (const auto& entry : entries) table_.insert_or_assign({entry.kind, entry.id}, entry.handler);
    }

    // Calls the handler of `event`; false when the map has none.
    bool Dispatch(Logic& logic, const Event& event) const {
        auto found = table_.find({event.kind, event.id});
        if (found == table_.end()) found = table_.find({event.kind, kNoId});
        if (found == table_.end()) return false;
        std::visit(
            [&](auto handler) {
                if constexpr (std::is_same_v<decltype(handler), typename MessageMapEntry<Logic>::Plain>)
                    (logic.*handler)();
                else
                    (logic.*handler)(event);
            },
            found->second);
        return true;
    }

    bool Handles(EventKind kind, ControlId id) const { return table_.count({kind, id}) != 0; }

private:
    std::map<std::pair<EventKind, ControlId>, std::variant<typename MessageMapEntry<Logic>::Plain,
                                                           typename MessageMapEntry<Logic>::WithEvent>>
        table_;
};

// An entry before it knows its table: a handler of a base class serves a derived logic class too.
template <class C, class H>
struct PendingEntry {
    EventKind kind;
    ControlId id;
    H C::*handler;

    template <class L>
    operator MessageMapEntry<L>() const {
        return {kind, id, static_cast<H L::*>(handler)};
    }
};

// Entry builders, one per message kind.
template <class C, class H>
PendingEntry<C, H> OnCommand(ControlId id, H C::*handler) { return {EventKind::Command, id, handler}; }
template <class C, class H>
PendingEntry<C, H> OnSelectionChange(ControlId id, H C::*handler) { return {EventKind::SelectionChange, id, handler}; }
template <class C, class H>
PendingEntry<C, H> OnEditChange(ControlId id, H C::*handler) { return {EventKind::EditChange, id, handler}; }
template <class C, class H>
PendingEntry<C, H> OnEditLostFocus(ControlId id, H C::*handler) { return {EventKind::EditLostFocus, id, handler}; }
template <class C, class H>
PendingEntry<C, H> OnScroll(ControlId id, H C::*handler) { return {EventKind::Scroll, id, handler}; }
template <class C, class H>
PendingEntry<C, H> OnSlider(ControlId id, H C::*handler) { return {EventKind::SliderEvent, id, handler}; }
template <class C, class H>
PendingEntry<C, H> OnTimerId(int timerId, H C::*handler) { return {EventKind::Timer, timerId, handler}; }
template <class C, class H>
PendingEntry<C, H> OnAnyTimer(H C::*handler) { return {EventKind::Timer, kNoId, handler}; }
template <class C, class H>
PendingEntry<C, H> OnAnySystemCommand(H C::*handler) { return {EventKind::SystemCommand, kNoId, handler}; }

}  // namespace velmar_ui
