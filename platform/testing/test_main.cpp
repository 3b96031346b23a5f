// Every test process gets its own "VELMAR.INI" and its own prefix for shared objects, so test
// programs can run in parallel without meeting each other's files, channels and boards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "velmar_testing/test_support.h"

int main(int argc, char** argv) {
    const std::string pid = std::to_string(getpid());
    // Only a prefix of this process's own is cleaned up at the end: one given from outside may be
    // shared with other processes.
    std::string ownPrefix;
    if (!std::getenv("VELMAR_NAME_PREFIX")) {
        ownPrefix = "vt" + pid + "_";
        setenv("VELMAR_NAME_PREFIX", ownPrefix.c_str(), 1);
    }
    if (!std::getenv("VELMAR_INI"))
        setenv("VELMAR_INI", (velmar_testing::TempDir() + "/VELMAR.INI").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    velmar_testing::RemoveSharedObjects(ownPrefix);
    return result;
}
