// Ostrand: the program stream demultiplexer's dialog program.
#include <QApplication>

#include "stream_shell/demux_dlg.h"
#include "stream_shell/real_engines.h"
#include "velmar_ui_qt/form_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    stream_shell::RealDemuxEngine engine;
    velmar_ui_qt::FormWindow window(stream_shell::DemuxDlgForm(), [&](velmar_ui::FormView& view,
                                                                      velmar_ui::UiServices& ui) {
        return std::make_unique<stream_shell::CDemuxDlg>(view, ui, engine);
    });
    window.exec();
    return 0;
}
