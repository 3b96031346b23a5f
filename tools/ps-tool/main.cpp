// ps-tool: runs the engines without a dialog; each *_command.cpp adds one sub-command.
#include <cstdio>

#include "platform/replacing_file.h"
#include "mpeg_audio/console.h"
#include "subcommands/subcommands.h"

int main(int argc, char** argv) {
    // Ctrl-C or a kill leaves no temporary file of an output beside its destination.
    platform::RemoveTemporariesOnSignals();
    // The audio engines' notes go where the runs' other texts go.
    mpa::SetMessageSink([](const std::string& note) { std::fputs(note.c_str(), stdout); });
    return RunSubcommand("ps-tool", argc, argv);
}
