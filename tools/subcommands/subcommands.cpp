#include "subcommands.h"

#include <cstdio>
#include <map>
#include <string>

namespace {

struct Entry {
    std::string usage;
    SubcommandFunction run;
    bool explainsHelp;
};

bool AsksForHelp(const char* word) { return std::string(word) == "--help" || std::string(word) == "-h"; }

std::map<std::string, Entry>& Registry() {
    static std::map<std::string, Entry> commands;
    return commands;
}

}  // namespace

Subcommand::Subcommand(const char* name, const char* usage, SubcommandFunction run, bool explainsHelp) {
    Registry()[name] = Entry{usage, run, explainsHelp};
}

int RunSubcommand(const char* program, int argc, char** argv) {
    if (argc >= 2) {
        auto found = Registry().find(argv[1]);
        if (found != Registry().end()) {
            const Entry& entry = found->second;
            if (argc >= 3 && AsksForHelp(argv[2]) && !entry.explainsHelp) {
                std::printf("usage: %s %s\n", program, entry.usage.c_str());
                return 0;
            }
            return entry.run(argc - 2, argv + 2);
        }
    }
    // Asked for help, the usages go to standard output and the run succeeds; otherwise it is an error.
    const bool asked = argc >= 2 && AsksForHelp(argv[1]);
    std::FILE* out = asked ? stdout : stderr;
    std::fprintf(out, "usage:\n");
    for (const auto& [name, entry] : Registry()) std::fprintf(out, "  %s %s\n", program, entry.usage.c_str());
    return asked ? 0 : 2;
}
