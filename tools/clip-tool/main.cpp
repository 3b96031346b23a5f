// clip-tool: runs the file tools of the control application without their dialogs; each
// *_command.cpp adds one sub-command.
#include "platform/replacing_file.h"
#include "subcommands/subcommands.h"

int main(int argc, char** argv) {
    // Ctrl-C or a kill leaves no temporary file of an output beside its destination.
    platform::RemoveTemporariesOnSignals();
    return RunSubcommand("clip-tool", argc, argv);
}
