#include <gtest/gtest.h>

#include "platform/profile.h"
#include "shell/remote_requests.h"
#include "velmar_testing/test_support.h"

namespace velmar {
namespace {

TEST(RemoteRequests, AnswersAsTheControllersExpect) {
    platform::Profile profile(velmar_testing::TempDir() + "/remote.INI");
    RemoteRequests remote(profile, "BOARD1");
    EXPECT_EQ(remote.Handle(kRemoteEcho, 0, 0x1234), 0x1234);
    EXPECT_EQ(remote.Handle(kRemoteStatus, 7, 7), 2);
    EXPECT_EQ(remote.Handle(kRemoteStatus2, 0, 0), 2);
    remote.SetPosition(4321);
    EXPECT_EQ(remote.Handle(kRemoteGetPosition, 0, 0), 4321);
    EXPECT_EQ(remote.Handle(0x407, 0, 0), std::nullopt);
    EXPECT_EQ(remote.TakeRequest().code, 0);  // unknown messages change nothing
}

TEST(RemoteRequests, ALaterRequestOverwritesAnUnservedOne) {
    platform::Profile profile(velmar_testing::TempDir() + "/remote2.INI");
    RemoteRequests remote(profile, "BOARD2");
    profile.WriteString("BOARD2", "PLAYLIST", "/lists/a.vpl");
    EXPECT_EQ(remote.Handle(kRemoteLoadAndCue, kRequestPlayList, 250), 1);
    profile.WriteString("BOARD2", "PLAYLIST", "/lists/b.vpl");
    EXPECT_EQ(remote.Handle(kRemoteCommand, kRequestPlayList, 500), 1);
    const auto request = remote.TakeRequest();
    EXPECT_EQ(request.code, kRequestPlayList);
    EXPECT_EQ(request.arg, 500);
    EXPECT_EQ(request.playListName, "/lists/b.vpl");
    EXPECT_EQ(remote.TakeRequest().code, 0);
}

}  // namespace
}  // namespace velmar
