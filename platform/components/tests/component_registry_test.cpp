// The registry file: updates keep what others wrote, lookups by ProgID and class.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "components/component_loader.h"
#include "components/component_registry.h"
#include "velmar_testing/test_support.h"

using namespace components;

TEST(ComponentRegistry, UpdatesKeepOtherEntriesAndLookupsFollowProgIdToLibrary) {
    const ComponentRegistry registry(velmar_testing::TempDir() + "/components.reg");
    EXPECT_TRUE(registry.Read().empty());
    EXPECT_FALSE(registry.ClsidOfProgId("A.B.1"));
    // Registrations from several threads at once: none is lost.
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&registry, i] {
            const std::string clsid = "{" + std::to_string(i) + "}";
            ASSERT_TRUE(registry.Update([&](ComponentRegistry::Sections& s) {
                s[ClsidKey(clsid)] = {{"Library", "/lib/" + std::to_string(i) + ".so"}};
                s[ProgIdKey("P." + std::to_string(i))] = {{"CLSID", clsid}};
            }));
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(registry.Read().size(), 16u);
    EXPECT_EQ(registry.ClsidOfProgId("P.3"), "{3}");
    EXPECT_EQ(registry.LibraryOfClsid("{3}"), "/lib/3.so");
    EXPECT_EQ(LoadClassFactory(registry, "P.9").result, kClassNotRegistered);
    EXPECT_EQ(LoadClassFactory(registry, "P.3").result, kDllNotFound);
    EXPECT_FALSE(ComponentRegistry("/no/such/dir/x.reg").Update([](ComponentRegistry::Sections&) {}));
}
