#include "velmar_ui/spin_buddies.h"

#include <algorithm>
#include <string>

#include "velmar_ui/data_exchange.h"

namespace velmar_ui {

namespace {

// The spin position the edit's text stands for; false when the text is not a number.
bool PositionOfText(const FormView& view, const SpinBuddy& buddy, int& position) {
    int value = 0;
    if (!ParseInteger(view.Text(buddy.edit), value)) return false;
    const IntRange range = view.Range(buddy.spin);
    position = std::clamp(value, range.low, range.high);
    return true;
}

}  // namespace

bool FollowSpinBuddies(FormView& view, std::span<const SpinBuddy> buddies, const Event& event) {
    for (const auto& buddy : buddies) {
        if (event.kind == EventKind::Scroll && event.id == buddy.spin) {
            // A number beyond the spin's range stays as typed until an arrow moves away from it.
            int shown = 0;
            if (!PositionOfText(view, buddy, shown) || shown != event.position)
                view.SetText(buddy.edit, std::to_string(event.position));
            return true;
        }
        if (event.kind == EventKind::EditChange && event.id == buddy.edit) {
            int position = 0;
            if (PositionOfText(view, buddy, position) && view.Position(buddy.spin) != position)
                view.SetPosition(buddy.spin, position);
            return true;
        }
    }
    return false;
}

}  // namespace velmar_ui
