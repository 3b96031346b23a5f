#include <cstdlib>
#include <sstream>

#include "codec_manager/codec_manager.h"
#include "library_driver.h"

namespace acm {

Registry& Registry::Process() {
    static Registry* registry = [] {
        auto* r = new Registry;  // lives as long as the process: streams may outlive static destructors
        const char* filter = std::getenv("VELMAR_ACM_DRIVERS");
        r->Replace(InstalledDrivers(filter ? filter : ""));
        return r;
    }();
    return *registry;
}

void Registry::EnumDrivers(const std::function<bool(const DriverPtr&)>& each) const {
    std::vector<DriverPtr> drivers;
    {
        std::lock_guard lock(mutex_);
        drivers = drivers_;
    }
    for (const DriverPtr& d : drivers)
        if (!each(d)) return;
}

void Registry::Replace(std::vector<DriverPtr> drivers) {
    std::lock_guard lock(mutex_);
    drivers_ = std::move(drivers);
}

std::vector<DriverPtr> InstalledDrivers(const std::string& filter) {
    auto wanted = [&](const char* shortName) {
        if (filter.empty()) return true;
        std::istringstream names(filter);
        for (std::string name; std::getline(names, name, ',');)
            if (name == shortName) return true;
        return false;  // "none" names no driver
    };
    std::vector<DriverPtr> drivers;
    if (wanted("twolame"))
        if (auto d = LoadTwolameDriver("libtwolame.so.0")) drivers.push_back(std::move(d));
    if (wanted("lame"))
        if (auto d = LoadLameDriver("libmp3lame.so.0")) drivers.push_back(std::move(d));
    return drivers;
}

}  // namespace acm
