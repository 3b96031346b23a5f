// A spin box and its buddy edit are one number to the operator: the arrows change what the edit
// shows, and a number typed into the edit moves the spin (within the spin's range), so the
// next arrow steps from the typed number. The edit is what the form's data exchange reads.
#pragma once

#include <span>

#include "velmar_ui/events.h"
#include "velmar_ui/form_view.h"

namespace velmar_ui {

// Applies `event` to the pair it belongs to: a spin's scroll writes its position into the
// edit; an edit's change moves the spin to the typed number. Other events are left alone.
// Returns whether `event` was a spin's or a buddy edit's.
bool FollowSpinBuddies(FormView& view, std::span<const SpinBuddy> buddies, const Event& event);

}  // namespace velmar_ui
