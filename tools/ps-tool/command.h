// Sub-commands of ps-tool register themselves with one static PsCommand each.
#pragma once

using PsCommandFunction = int (*)(int argc, char** argv);

struct PsCommand {
    PsCommand(const char* name, const char* usage, PsCommandFunction run);
};
