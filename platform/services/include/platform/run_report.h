// What a long-running engine (multiplexer, demultiplexer, converter, file tools) tells the one who
// runs it, and how that caller asks it to stop. Engines poll StopRequested() between units of work;
// the dialog side marshals the reports to its own thread.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class RunReport {
public:
    virtual ~RunReport() = default;

    // Progress on the bar's range 0 to `kProgressSteps`.
    virtual void SetProgress(int /*step*/) {}
    // Bytes processed so far and the total to process.
    virtual void SetCounts(std::int64_t /*done*/, std::int64_t /*total*/) {}
    // The status text ("Processing...", "Done !!!", ...).
    virtual void SetStatus(const std::string& /*text*/) {}
    // One line for the run's message list.
    virtual void AddMessage(const std::string& /*line*/) {}
    // A text for an "Info" box; the run waits until it is seen and then goes on.
    virtual void InfoBox(const std::string& /*text*/) {}
    virtual bool StopRequested() const { return false; }
};

inline constexpr int kProgressSteps = 16;

}  // namespace platform
