// The headless drivers (mpa-tool, ps-tool) are programs of sub-commands: each sub-command's file
// registers itself with one static Subcommand, and main hands over to RunSubcommand.
#pragma once

using SubcommandFunction = int (*)(int argc, char** argv);

struct Subcommand {
    // `explainsHelp`: the sub-command answers --help itself, with more than its usage line.
    Subcommand(const char* name, const char* usage, SubcommandFunction run, bool explainsHelp = false);
};

// Runs the sub-command named by argv[1] with the words after it; prints the usages otherwise
// (exit code 2), or to standard output with exit code 0 when asked with --help or -h. A
// sub-command asked with --help or -h as its first word prints its usage to standard output and
// exits 0, unless it explains itself.
int RunSubcommand(const char* program, int argc, char** argv);
