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
            // A dialog that left the run Finishing ends it itself once its own step is done.
            if (runEnds_ == RunEnds::WhenShown && run_.State() != platform::RunState::Finishing) run_.End();
        });
    });
}

}  // namespace velmar_ui
