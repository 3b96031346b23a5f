// The one QApplication of a Qt test process, on the offscreen platform.
#pragma once

class QApplication;

namespace velmar_ui_qt {

QApplication& TestApp();

}  // namespace velmar_ui_qt
