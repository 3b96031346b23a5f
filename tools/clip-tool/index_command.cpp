// clip-tool index FILE: builds FILE's picture (.mdb) or alpha (.adb) index beside it, as the
// index builder's dialog does, and prints the result. Exits 0 only when the index is complete.
#include <cstdio>

#include "index_builder/index_builder.h"
#include "subcommands/subcommands.h"

namespace {

class ConsoleObserver : public index_builder::BuildObserver {
public:
    void OnIndexCreated(const std::string& status) override { std::fputs(status.c_str(), stdout); }
    void OnBytesRead(std::uint64_t total, int /*progress*/) override { total_ = total; }
    std::uint64_t Total() const { return total_; }

private:
    std::uint64_t total_ = 0;
};

int RunIndex(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: clip-tool index FILE\n");
        return 2;
    }
    ConsoleObserver observer;
    const auto outcome = index_builder::BuildIndexFile(argv[0], &observer);
    switch (outcome.result) {
        case index_builder::BuildResult::Done:
            std::printf("Bytes Read = %llu\nresult 2: %s complete\n", static_cast<unsigned long long>(observer.Total()),
                        outcome.indexPath.c_str());
            return 0;
        case index_builder::BuildResult::Cancelled:
            std::printf("result 1: cancelled, no index\n");
            return 1;
        case index_builder::BuildResult::Failed: break;
    }
    std::fprintf(stderr, "clip-tool index: %s", outcome.message.c_str());
    std::printf("result 0: failed, no index\n");
    return 1;
}

const Subcommand kIndex("index", "index FILE", RunIndex);

}  // namespace
