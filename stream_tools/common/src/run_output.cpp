#include "ps_common/run_output.h"

#include "platform/replacing_file.h"

namespace ps {

RunOutput::RunOutput(std::string path, std::initializer_list<std::string> inputs) : path_(std::move(path)) {
    // The writer refuses an output that is an input; asked why only to word the fault.
    sink_ = FileSink::Create(path_, inputs);
    if (!sink_)
        fault_ = platform::OutputIsAnInput(path_, inputs) ? RunFault::OutputIsAnInput : RunFault::CantOpenOutput;
}

bool RunOutput::Keep() { return sink_ && sink_->Commit(); }

}  // namespace ps
