// The one QApplication of a Qt test process, on the offscreen platform.
#pragma once

class QApplication;

namespace velmar_ui_qt {

QApplication& TestApp();

// The same, its one screen `width` x `height` pixels at 96 dpi (the offscreen platform's own is
// 800 x 600), for tests of what fits on an operator's screen. The first call of either function in
// a process makes the application; later calls return it as it is.
QApplication& TestAppOnScreen(int width, int height);

}  // namespace velmar_ui_qt
