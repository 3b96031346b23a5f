#include "velmar_ui/run_dialog.h"

namespace velmar_ui {

void RunDialog::StartWork(Work work) {
    worker_.Start([this, work = std::move(work)] {
        const platform::RunResult result = work();
        OnWorkDone(result);
        // Written before the run ends, so whoever sees it idle reads the whole result.
        last_ = result;
        if (runEnds_ == RunEnds::WhenWorkDone) run_.End();
        PostToUi([this, result] {
            ShowRunEnd(result);
            if (runEnds_ == RunEnds::WhenShown) run_.End();
        });
    });
}

}  // namespace velmar_ui
