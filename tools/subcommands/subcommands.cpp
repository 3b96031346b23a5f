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
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, entry] : Registry()) std::fprintf(stderr, "  %s %s\n", program, entry.usage.c_str());
    return 2;
}
