#include "velmar_ui_qt/test_app.h"

#include <QApplication>

namespace velmar_ui_qt {

QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "velmar_qt_test";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace velmar_ui_qt

// fontconfig keeps caches for the life of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
