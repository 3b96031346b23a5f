// How an export records what its call came to, for ruvent_last_call(): one record per thread, so
// the service loop's thread and a panel's never see each other's.
#pragma once

#include <string>

#include "ruvent/ruvent.h"

namespace ruvent {

// Starts an export call: the thread's record reads "carried out".
void BeginCall();

// Records why the call refuses its line and returns RUVENT_REFUSED, for the export to return.
// `console` is what a command-line program prints; `exitCode` the code it ends with (-1: it goes on).
int Refuse(RuventRefusal refusal, const std::string& cause, const std::string& console, int exitCode = 1);

// A call that was carried out but after which a command-line program ends ("mwcmd -force").
void EndProgramAfterCall(int exitCode);

}  // namespace ruvent
