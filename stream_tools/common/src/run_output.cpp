#include "ps_common/run_output.h"

#include "platform/kernel.h"

namespace ps {

RunOutput::RunOutput(std::string path, std::initializer_list<std::string> inputs) : path_(std::move(path)) {
    for (const std::string& input : inputs) {
        if (platform::IsSameFile(path_, input)) {
            fault_ = RunFault::OutputIsAnInput;
            return;
        }
    }
    sink_ = FileSink::Create(path_);
    if (!sink_) fault_ = RunFault::CantOpenOutput;
}

bool RunOutput::Keep() { return sink_ && sink_->Commit(); }

}  // namespace ps
