// clip-tool index FILE: builds FILE's picture (.mdb) or alpha (.adb) index beside it, as the
// index builder's dialog does, and prints the result. Exits 0 only when the index is complete.
#include <cstdio>

#include "index_builder/index_builder.h"
#include "subcommands/subcommands.h"

namespace {

// The status line as it comes; the bytes read only once the index is complete.
class ConsoleReport : public platform::RunReport {
public:
    void AddMessage(const std::string& status) override { std::fputs(status.c_str(), stdout); }
    void SetCounts(std::int64_t done, std::int64_t /*total*/) override { done_ = done; }
    std::int64_t Done() const { return done_; }

private:
    std::int64_t done_ = 0;
};

int RunIndex(int argc, char** argv) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: clip-tool index FILE\n");
        return 2;
    }
    ConsoleReport report;
    const auto outcome = index_builder::BuildIndexFile(argv[0], &report);
    switch (outcome.run.status) {
        case platform::RunStatus::Done:
            std::printf("Bytes Read = %llu\nresult 2: %s complete\n", static_cast<unsigned long long>(report.Done()),
                        outcome.indexPath.c_str());
            return 0;
        case platform::RunStatus::Canceled:
            std::printf("result 1: cancelled, no index\n");
            return 1;
        default: break;
    }
    std::fprintf(stderr, "clip-tool index: %s", outcome.run.error.c_str());
    std::printf("result 0: failed, no index\n");
    return 1;
}

const Subcommand kIndex("index", "index FILE", RunIndex);

}  // namespace
