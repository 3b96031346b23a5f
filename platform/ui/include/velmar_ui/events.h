// The events a window's logic receives, whatever toolkit raised them.
#pragma once

#include "velmar_ui/form_view.h"

namespace velmar_ui {

enum class EventKind {
    Command,          // a button click or menu command
    SelectionChange,  // the operator picked another item of a combo or list box
    EditChange,       // the operator changed the text of an edit
    EditLostFocus,    // an edit lost the keyboard focus
    Scroll,           // slider, scroll bar or spin box moved (code and position)
    SliderEvent,      // a position slider moved (position, dragging)
    Timer,            // a timer of the window elapsed (id is the timer id)
    SystemCommand,    // an item of the window's system menu (id is the command id)
};

// Scroll codes, in the numbering the scroll messages have always used.
enum class ScrollCode {
    LineUp = 0,
    LineDown = 1,
    PageUp = 2,
    PageDown = 3,
    ThumbPosition = 4,
    ThumbTrack = 5,
    Top = 6,
    Bottom = 7,
    EndScroll = 8,
};

struct Event {
    EventKind kind = EventKind::Command;
    ControlId id = kNoId;
    ScrollCode code = ScrollCode::EndScroll;
    int position = 0;
    bool dragging = false;
};

}  // namespace velmar_ui
