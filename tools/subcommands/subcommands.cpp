#include "subcommands.h"

#include <cstdio>
#include <map>
#include <string>

namespace {

struct Entry {
    std::string usage;
    SubcommandFunction run;
};

std::map<std::string, Entry>& Registry() {
    static std::map<std::string, Entry> commands;
    return commands;
}

}  // namespace

Subcommand::Subcommand(const char* name, const char* usage, SubcommandFunction run) {
    Registry()[name] = Entry{usage, run};
}

int RunSubcommand(const char* program, int argc, char** argv) {
    if (argc >= 2) {
        auto found = Registry().find(argv[1]);
        if (found != Registry().end()) return found->second.run(argc - 2, argv + 2);
    }
    // Asked for help, the usages go to standard output and the run succeeds; otherwise it is an error.
    const bool asked = argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h");
    std::FILE* out = asked ? stdout : stderr;
    std::fprintf(out, "usage:\n");
    for (const auto& [name, entry] : Registry()) std::fprintf(out, "  %s %s\n", program, entry.usage.c_str());
    return asked ? 0 : 2;
}
