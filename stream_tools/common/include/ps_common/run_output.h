// The one output file of a run. It is refused when it is one of the run's inputs (by identity,
// links followed: creating it would truncate that input), and removed again unless the run keeps
// it, so a run that ends in error leaves nothing that passes for a whole output.
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
    ~RunOutput();
    RunOutput(const RunOutput&) = delete;
    RunOutput& operator=(const RunOutput&) = delete;

    bool Created() const { return sink_ != nullptr; }
    // Why the output was not created (OutputIsAnInput or CantOpenOutput).
    RunFault Fault() const { return fault_; }
    ByteSink& Sink() { return *sink_; }
    // The run ended as it should (done, or stopped with what it wrote): the file stays.
    void Keep() { keep_ = true; }

private:
    std::string path_;
    RunFault fault_ = RunFault::None;
    std::unique_ptr<FileSink> sink_;
    bool keep_ = false;
};

}  // namespace ps
