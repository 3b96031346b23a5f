// Every test process gets its own "VELMAR.INI" and its own prefix for shared objects, so test
// programs can run in parallel without meeting each other's files, channels and boards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "velmar_testing/test_support.h"

int main(int argc, char** argv) {
    // A prefix given from outside (a person running the tests beside their own board) is kept in
    // front, so that the test's objects still stay apart from it and from other test processes.
    const char* outer = std::getenv("VELMAR_NAME_PREFIX");
    const std::string ownPrefix = std::string(outer ? outer : "") + "vt" + std::to_string(getpid()) + "_";
    setenv("VELMAR_NAME_PREFIX", ownPrefix.c_str(), 1);
    if (!std::getenv("VELMAR_INI"))
        setenv("VELMAR_INI", (velmar_testing::TempDir() + "/VELMAR.INI").c_str(), 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    velmar_testing::RemoveSharedObjects(ownPrefix);
    return result;
}
