// mpa-tool: runs the MPEG audio engines without a dialog.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "command.h"

namespace {
struct Entry {
    std::string usage;
    MpaCommandFunction run;
};
std::map<std::string, Entry>& Commands() {
    static std::map<std::string, Entry> commands;
    return commands;
}
}  // namespace

MpaCommand::MpaCommand(const char* name, const char* usage, MpaCommandFunction run) {
    Commands()[name] = Entry{usage, run};
}

int main(int argc, char** argv) {
    if (argc >= 2) {
        auto found = Commands().find(argv[1]);
        if (found != Commands().end()) return found->second.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, entry] : Commands()) std::fprintf(stderr, "  mpa-tool %s\n", entry.usage.c_str());
    return 2;
}
