// ps-tool: runs the program stream engines without a dialog.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "command.h"

namespace {
struct Entry {
    std::string usage;
    PsCommandFunction run;
};
std::map<std::string, Entry>& Commands() {
    static std::map<std::string, Entry> commands;
    return commands;
}
}  // namespace

PsCommand::PsCommand(const char* name, const char* usage, PsCommandFunction run) {
    Commands()[name] = Entry{usage, run};
}

int main(int argc, char** argv) {
    if (argc >= 2) {
        auto found = Commands().find(argv[1]);
        if (found != Commands().end()) return found->second.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, entry] : Commands()) std::fprintf(stderr, "  ps-tool %s\n", entry.usage.c_str());
    return 2;
}
