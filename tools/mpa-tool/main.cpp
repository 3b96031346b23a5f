// mpa-tool: runs the engines without a dialog; each *_command.cpp adds one sub-command.
#include "subcommands/subcommands.h"

int main(int argc, char** argv) { return RunSubcommand("mpa-tool", argc, argv); }
