// Braxel: the program stream multiplexer's dialog program.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "platform/replacing_file.h"
#include "stream_shell/mux_dlg.h"
#include "stream_jobs/real_engines.h"
#include "velmar_ui_qt/form_window.h"

int main(int argc, char** argv) {
    // Help is answered before a window opens.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("usage: Braxel\n"
                       "The MPEG program multiplexer's window; it takes no arguments. Its settings live in the\n"
                       "[BRAXEL] section of VELMAR.INI ($VELMAR_INI). Run it in the run directory.\n",
                       stdout);
            return 0;
        }
    // Ctrl-C or a kill leaves no temporary file of an output beside its destination.
    platform::RemoveTemporariesOnSignals();
    QApplication app(argc, argv);
    stream_jobs::RealMuxEngine engine;
    velmar_ui_qt::FormWindow window(stream_shell::MuxDlgForm(), [&](velmar_ui::FormView& view,
                                                                    velmar_ui::UiServices& ui) {
        return std::make_unique<stream_shell::CMuxDlg>(view, ui, engine);
    });
    window.exec();
    return 0;
}
