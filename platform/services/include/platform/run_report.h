// What a long-running engine (multiplexer, demultiplexer, converter, file tools) tells the one who
// runs it, and how that caller asks it to stop. Engines poll StopRequested() between units of work
// and report statuses, never texts: the dialogs and the headless drivers show StatusText.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Where a run is (Processing) or how it ended. A discontinued run gave up early and said why in
// its messages; its status line keeps what it showed.
enum class RunStatus { Processing, Done, Canceled, Discontinued, Error };

// How a run ended, as every tool's caller learns it.
struct RunResult {
    RunStatus status = RunStatus::Error;
    // Why an Error run failed, in the words its error box shows; empty when the caller words it
    // (the file tools leave the cause of a file error as the run's last message).
    std::string error;
    // An Error run that refused to start because its output would replace one of its inputs.
    bool overInput = false;

    bool operator==(const RunResult&) const = default;
};

// The status line of every tool for a status; empty for Discontinued, which leaves the line as it is.
inline constexpr const char* kProcessingText = "Processing...";
inline constexpr const char* kDoneText = "Done !!!";
inline constexpr const char* kCanceledText = "Canceled !!!";
inline constexpr const char* kErrorText = "Error !!!";
const char* StatusText(RunStatus status);

// Every tool's progress bar runs from 0 to this.
inline constexpr int kProgressSteps = 16;

class RunReport;

// A run's progress bar and byte counters, moved as units of work are done; every tool's bar moves
// through one. The bar goes up one step at a time, each step reported once, to done / (total / 16)
// and never past 16; a total below 16 leaves it where it is until Finish.
class ProgressStepper {
public:
    // `first` is the step the bar shows when the work begins.
    ProgressStepper(RunReport& report, std::uint64_t total, int first = 0)
        : report_(report), total_(total), step_(first) {}

    // The work begins: the first step and the counters at zero.
    void Begin();
    // `done` of the total is processed.
    void Advance(std::uint64_t done);
    // One unit of work is done, `done` in all: Advance, and the counters every 256 units from the first.
    void Unit(std::uint64_t done);
    // The work is complete: the bar full (reported once) and the counters at `done`.
    void Finish(std::uint64_t done);

    int Step() const { return step_; }

private:
    RunReport& report_;
    std::uint64_t total_;
    int step_;
    std::uint64_t units_ = 0;
};

class RunReport {
public:
    virtual ~RunReport() = default;

    // Progress on the bar's range 0 to `kProgressSteps`.
    virtual void SetProgress(int /*step*/) {}
    // Bytes processed so far and the total to process.
    virtual void SetCounts(std::int64_t /*done*/, std::int64_t /*total*/) {}
    // The run's checks passed and the work began (Processing), or the run ends (the others).
    virtual void SetStatus(RunStatus /*status*/) {}
    // One line for the run's message list.
    virtual void AddMessage(const std::string& /*line*/) {}
    // A text for an "Info" box; the run waits until it is seen and then goes on.
    virtual void InfoBox(const std::string& /*text*/) {}
    virtual bool StopRequested() const { return false; }
};

}  // namespace platform
