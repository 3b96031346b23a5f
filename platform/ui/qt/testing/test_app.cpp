#include "velmar_ui_qt/test_app.h"

#include <QApplication>
#include <QDir>
#include <QFile>

namespace velmar_ui_qt {

namespace {

QApplication& MakeApp(const QByteArray& platform) {
    static int argc = 1;
    static char name[] = "velmar_qt_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [&] {
        qputenv("QT_QPA_PLATFORM", platform);
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace

QApplication& TestApp() { return MakeApp("offscreen"); }

QApplication& TestAppOnScreen(int width, int height) {
    // The offscreen platform takes its screens from a configuration file.
    const QString path = QDir::temp().filePath(QString("velmar-screen-%1.json").arg(QCoreApplication::applicationPid()));
    QFile config(path);
    if (config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        config.write(QString(R"({"screens": [{"name": "operator", "x": 0, "y": 0, "width": %1, "height": %2,)"
                             R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                         .arg(width)
                         .arg(height)
                         .toUtf8());
    config.close();
    QApplication& app = MakeApp("offscreen:configfile=" + path.toUtf8());
    QFile::remove(path);  // read as the application started
    return app;
}

}  // namespace velmar_ui_qt

// fontconfig keeps caches for the life of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
