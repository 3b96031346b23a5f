// Replays the fuzz corpus through the fuzz entry point in the ordinary (sanitized) build, so the
// inputs that once found new paths keep being parsed safely.
#include <gtest/gtest.h>

#include <filesystem>

#include "ps_testing/ps_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(DemuxCorpus, EveryInputRunsCleanly) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(PS_DEMUX_CORPUS_DIR)) {
        const auto bytes = ps_testing::ReadFileBytes(entry.path().string());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0);
        // Cut copies: every prefix length class of a stream ending mid-structure.
        for (std::size_t cut : {std::size_t(1), std::size_t(5), std::size_t(13), bytes.size() / 2})
            if (cut < bytes.size()) LLVMFuzzerTestOneInput(bytes.data(), cut);
        ++files;
    }
    EXPECT_GT(files, 1);
}
