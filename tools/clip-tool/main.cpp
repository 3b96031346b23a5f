// clip-tool: runs the file tools of the control application without their dialogs; each
// *_command.cpp adds one sub-command.
#include "subcommands/subcommands.h"

int main(int argc, char** argv) { return RunSubcommand("clip-tool", argc, argv); }
