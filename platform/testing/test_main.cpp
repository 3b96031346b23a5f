// Every test process gets its own "VELMAR.INI" and its own prefix for shared objects, so test
// programs can run in parallel without meeting each other's files, channels and boards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "velmar_testing/test_support.h"

int main(int argc, char** argv) {
    const std::string pid = std::to_string(getpid());
    if (!std::getenv("VELMAR_NAME_PREFIX")) setenv("VELMAR_NAME_PREFIX", ("vt" + pid + "_").c_str(), 1);
    if (!std::getenv("VELMAR_INI"))
        setenv("VELMAR_INI", (velmar_testing::TempDir() + "/VELMAR.INI").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
