// The one output file of a run. It is refused when it is one of the run's inputs (by identity,
// links followed: the rename would take that input away). It is written under a temporary name and
// put in place only when the run keeps it, so a run that ends in error leaves the file that was
// there before, and never anything that passes for a whole output.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "ps_common/byte_io.h"
#include "ps_common/run_fault.h"

namespace ps {

class RunOutput {
public:
    // Checks `path` against every input, then creates it.
    RunOutput(std::string path, std::initializer_list<std::string> inputs);
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    bool Created() const { return sink_ != nullptr; }
    // Why the output was not created (OutputIsAnInput or CantOpenOutput).
    RunFault Fault() const { return fault_; }
    ByteSink& Sink() { return *sink_; }
    // The run ended as it should (done, or stopped with what it wrote): the file is put in place.
    // False when that fails (the temporary file is removed then).
    bool Keep();

private:
    std::string path_;
    RunFault fault_ = RunFault::None;
    std::unique_ptr<FileSink> sink_;
};

}  // namespace ps
