// component-regsvr [-u] LIBRARY: registers or unregisters a component library.
#include <cstdio>
#include <cstring>
#include <string>

#include "components/component_loader.h"

int main(int argc, char** argv) {
    bool unregister = false;
    int i = 1;
    if (i < argc && std::strcmp(argv[i], "-u") == 0) {
        unregister = true;
        ++i;
    }
    if (i + 1 != argc) {
        std::fprintf(stderr, "usage: component-regsvr [-u] LIBRARY\n");
        return 2;
    }
    std::string error;
    const components::HResult result = components::RunServerRegistration(argv[i], unregister, &error);
    if (result == components::kOk) return 0;
    std::fprintf(stderr, "component-regsvr: %s %s failed: 0x%08X %s\n", unregister ? "unregistering" : "registering",
                 argv[i], unsigned(result), error.c_str());
    return 1;
}
