// Ostrand: the program stream demultiplexer's dialog program.
#include <QApplication>

#include <cstdio>
#include <cstring>

#include "platform/replacing_file.h"
#include "stream_shell/demux_dlg.h"
#include "stream_jobs/real_engines.h"
#include "velmar_ui_qt/form_window.h"

int main(int argc, char** argv) {
    // Help is answered before a window opens.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("usage: Ostrand\n"
                       "The MPEG program demultiplexer's window; it takes no arguments. Its settings live in the\n"
                       "[OSTRAND] section of VELMAR.INI ($VELMAR_INI). Run it in the run directory.\n",
                       stdout);
            return 0;
        }
    // Ctrl-C or a kill leaves no temporary file of an output beside its destination.
    platform::RemoveTemporariesOnSignals();
    QApplication app(argc, argv);
    stream_jobs::RealDemuxEngine engine;
    velmar_ui_qt::FormWindow window(stream_shell::DemuxDlgForm(), [&](velmar_ui::FormView& view,
                                                                      velmar_ui::UiServices& ui) {
        return std::make_unique<stream_shell::CDemuxDlg>(view, ui, engine);
    });
    window.exec();
    return 0;
}
