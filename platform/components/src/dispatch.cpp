#include "components/dispatch.h"

namespace components {

const MemberInfo* TypeInfo::Method(std::int32_t dispid) const {
    for (const auto& m : methods)
        if (m.dispid == dispid) return &m;
    return nullptr;
}

HResult Dispatchable::IdOfName(const std::string& name, std::int32_t& dispid) const {
    for (const auto& m : Type().methods) {
        if (m.name == name) {
            dispid = m.dispid;
            return kOk;
        }
    }
    return kUnknownName;
}

}  // namespace components
