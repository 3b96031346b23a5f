// The Alpha File Generator's window: one at a time, shown (or brought forward) by the menu
// command, deleted when the tool closes.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

#include "platform/profile.h"
#include "velmar_ui_qt/form_window.h"

namespace velmar_qt {

// Shows the tool in `slot`, creating it when there is none; `runIndexBuild` builds a stream's
// index (the index builder's dialog) once a run has ended well.
void ShowAlphaGenerator(QPointer<velmar_ui_qt::FormWindow>& slot, const platform::Profile& profile,
                        std::function<bool(const std::string&)> runIndexBuild, QWidget* parent);

}  // namespace velmar_qt
