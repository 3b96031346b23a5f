#include "ruvent/call_outcome.h"

namespace ruvent {
namespace {

struct CallRecord {
    int refusal = RUVENT_CARRIED_OUT;
    std::string cause;
    std::string console;
    int exitCode = -1;
};

thread_local CallRecord lastCall;

}  // namespace

void BeginCall() { lastCall = CallRecord{}; }

int Refuse(RuventRefusal refusal, const std::string& cause, const std::string& console, int exitCode) {
    lastCall.refusal = refusal;
    lastCall.cause = cause;
    lastCall.console = console;
    lastCall.exitCode = exitCode;
    return RUVENT_REFUSED;
}

void EndProgramAfterCall(int exitCode) { lastCall.exitCode = exitCode; }

}  // namespace ruvent

extern "C" RuventCallOutcome ruvent_last_call(void) {
    const auto& record = ruvent::lastCall;
    return {record.refusal, record.cause.c_str(), record.console.c_str(), record.exitCode};
}
