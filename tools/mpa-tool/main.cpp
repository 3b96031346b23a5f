// mpa-tool: runs the engines without a dialog; each *_command.cpp adds one sub-command.
#include "platform/replacing_file.h"
#include "subcommands/subcommands.h"

int main(int argc, char** argv) {
    // Ctrl-C or a kill leaves no temporary file of an output beside its destination.
    platform::RemoveTemporariesOnSignals();
    return RunSubcommand("mpa-tool", argc, argv);
}
