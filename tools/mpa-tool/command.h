// Sub-commands of mpa-tool register themselves with one static MpaCommand each.
#pragma once

#include <string>

using MpaCommandFunction = int (*)(int argc, char** argv);

struct MpaCommand {
    MpaCommand(const char* name, const char* usage, MpaCommandFunction run);
};
