#include "ps_common/run_output.h"

#include <cstdio>

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

RunOutput::~RunOutput() {
    if (!sink_ || keep_) return;
    sink_.reset();  // closed before it goes
    platform::RemoveIncompleteOutput(path_);
}

}  // namespace ps
