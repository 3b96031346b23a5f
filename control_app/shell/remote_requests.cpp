#include "remote_requests.h"

#include "platform/profile.h"

namespace velmar {

RemoteRequests::RemoteRequests(const platform::Profile& profile, std::string section)
    : profile_(profile), section_(std::move(section)) {}

std::optional<std::int32_t> RemoteRequests::Handle(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam) {
    switch (message) {
        case kRemoteLoadAndCue:
        case kRemoteCommand: {
            // The controller writes PLAYLIST before it sends the request.
            std::string name = profile_.GetString(section_, "PLAYLIST", "");
            std::lock_guard lock(mutex_);
            request_ = ExternalRequest{static_cast<std::int32_t>(wParam), lParam, std::move(name)};
            return 1;
        }
        case kRemoteStatus:
        case kRemoteStatus2:
            return 2;
        case kRemoteGetPosition:
            return externalPosition_.load();
        case kRemoteEcho:
            return lParam;
        default:
            return std::nullopt;
    }
}

ExternalRequest RemoteRequests::TakeRequest() {
    std::lock_guard lock(mutex_);
    ExternalRequest taken = std::move(request_);
    request_ = ExternalRequest{};
    return taken;
}

}  // namespace velmar
