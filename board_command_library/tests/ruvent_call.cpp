// ruvent-call <export> [words...]: loads libruvent.so, calls the named export with the command
// line as (argc, argv) and prints what it returned as "<export> returned <decimal> (0x<hex>)".
// A test driver: lets tests act as a second process on the board. It is the command-line program
// the library's exports are exposed by: a refused line prints the help or usage the export gives
// and ends with the code it asks for (1), as does "mwcmd -force" (0) after its packet.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <string>

#include "ruvent/ruvent.h"

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ruvent-call <export> [words...]\n");
        return 2;
    }
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0) return 2;
    std::string library = self;
    library = library.substr(0, library.rfind('/')) + "/../lib/libruvent.so";
    void* handle = dlopen(library.c_str(), RTLD_NOW);
    if (!handle) {
        std::fprintf(stderr, "ruvent-call: %s\n", dlerror());
        return 2;
    }
    using Export = int (*)(int, char**);
    auto function = reinterpret_cast<Export>(dlsym(handle, argv[1]));
    if (!function) {
        std::fprintf(stderr, "ruvent-call: no export %s\n", argv[1]);
        return 2;
    }
    using LastCall = RuventCallOutcome (*)();
    auto lastCall = reinterpret_cast<LastCall>(dlsym(handle, "ruvent_last_call"));
    if (!lastCall) {
        std::fprintf(stderr, "ruvent-call: no export ruvent_last_call\n");
        return 2;
    }
    const int result = function(argc - 1, argv + 1);
    const RuventCallOutcome outcome = lastCall();
    std::fputs(outcome.console, stdout);
    std::fflush(stdout);
    if (outcome.exitCode >= 0) return outcome.exitCode;
    std::printf("%s returned %d (0x%X)\n", argv[1], result, static_cast<unsigned>(result));
    return 0;
}
