// Braxel: the program stream multiplexer's dialog program.
#include <QApplication>

#include "stream_shell/mux_dlg.h"
#include "stream_shell/real_engines.h"
#include "velmar_ui_qt/form_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    stream_shell::RealMuxEngine engine;
    velmar_ui_qt::FormWindow window(stream_shell::MuxDlgForm(), [&](velmar_ui::FormView& view,
                                                                    velmar_ui::UiServices& ui) {
        return std::make_unique<stream_shell::CMuxDlg>(view, ui, engine);
    });
    window.exec();
    return 0;
}
