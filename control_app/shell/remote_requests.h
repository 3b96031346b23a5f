// Requests another program sends to a running Velmar, one synchronous answer each: the six
// messages by which a controller drives the playback panel's play list. On this system they
// arrive on a local socket per board; this is their meaning, apart from the transport.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace platform {
class Profile;
}

namespace velmar {

inline constexpr std::uint32_t kRemoteBase = 0x400;  // the window-message numbers controllers send
inline constexpr std::uint32_t kRemoteLoadAndCue = kRemoteBase + 1;
inline constexpr std::uint32_t kRemoteStatus = kRemoteBase + 2;
inline constexpr std::uint32_t kRemoteCommand = kRemoteBase + 3;
inline constexpr std::uint32_t kRemoteGetPosition = kRemoteBase + 4;
inline constexpr std::uint32_t kRemoteStatus2 = kRemoteBase + 5;
inline constexpr std::uint32_t kRemoteEcho = kRemoteBase + 6;

// Request codes the playback panel acts on.
inline constexpr std::int32_t kRequestStopList = 1;
inline constexpr std::int32_t kRequestPlayList = 2;

// The request the panel's timer consumes, and the position it reports back.
struct ExternalRequest {
    std::int32_t code = 0;
    std::int32_t arg = 0;
    std::string playListName;
};

class RemoteRequests {
public:
    RemoteRequests(const platform::Profile& profile, std::string section);

    // The answer to one message; nothing for a message number this program does not know.
    std::optional<std::int32_t> Handle(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam);

    // Takes the pending request (code 0 when none) and clears it.
    ExternalRequest TakeRequest();
    void SetPosition(std::int32_t position) { externalPosition_ = position; }

private:
    const platform::Profile& profile_;
    const std::string section_;
    std::mutex mutex_;
    ExternalRequest request_;
    std::atomic<std::int32_t> externalPosition_{0};
};

}  // namespace velmar
