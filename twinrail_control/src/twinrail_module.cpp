// The control module's exports: class factories for the control and its property page, and
// self-registration into the component registry.
#include <dlfcn.h>

#include <QWidget>

#include "components/component.h"
#include "components/component_registry.h"
#include "twinrail/twinrail_ids.h"
#include "twinrail_ctrl.h"

using namespace components;

namespace twinrail {
namespace {

class ControlFactory : public ClassFactory {
public:
    std::unique_ptr<ComponentInstance> CreateInstance(void* parent) override {
        return std::make_unique<CTarnwicktwinrailCtrl>(static_cast<QWidget*>(parent));
    }
};

class PropPageFactory : public ClassFactory {
public:
    std::unique_ptr<ComponentInstance> CreateInstance(void* parent) override {
        return std::make_unique<CTarnwicktwinrailPropPage>(static_cast<QWidget*>(parent));
    }
};

ControlFactory gControlFactory;
PropPageFactory gPropPageFactory;

// The path of this library as the loader found it, for the registry's Library entries.
std::string OwnLibraryPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnLibraryPath), &info) == 0 || !info.dli_fname) return {};
    char resolved[4096];
    if (::realpath(info.dli_fname, resolved)) return resolved;
    return info.dli_fname;
}

}  // namespace
}  // namespace twinrail

using namespace twinrail;

extern "C" {

HResult DllGetClassObject(const char* clsid, ClassFactory** factory) {
    if (!factory) return kFail;
    *factory = nullptr;
    const std::string id = clsid ? clsid : "";
    if (id == kControlClsid) *factory = &gControlFactory;
    else if (id == kPropPageClsid) *factory = &gPropPageFactory;
    else return kClassNotAvailable;
    return kOk;
}

HResult DllCanUnloadNow() { return gLiveObjects.load() == 0 ? kOk : kFalse; }

HResult DllRegisterServer() {
    const ComponentRegistry registry;
    const std::string library = OwnLibraryPath();
    const bool typeLib = registry.Update([&](ComponentRegistry::Sections& s) {
        auto& entry = s[TypeLibKey(kTypeLibId, kTypeLibVersion)];
        entry = {{"Name", "Tarnwick twinrail ActiveX Control module"},
                 {"HelpFile", "Tarnwick twinrail.hlp"},
                 {"LCID", "0x409"},
                 {"Library", library}};
    });
    if (!typeLib) return kTypeLibRegistration;
    const bool classes = registry.Update([&](ComponentRegistry::Sections& s) {
        s[ClsidKey(kControlClsid)] = {{"Name", "Tarnwick Twinrail Control"},
                                      {"Library", library},
                                      {"ProgID", kControlProgId},
                                      {"ThreadingModel", "Apartment"},
                                      {"MiscStatus", "0x20191"},
                                      {"TypeLib", kTypeLibId},
                                      {"Version", kTypeLibVersion},
                                      {"ToolboxBitmap", "1"},
                                      {"Control", "1"}};
        s[ProgIdKey(kControlProgId)] = {{"CLSID", kControlClsid}, {"Name", "Tarnwick Twinrail Control"}};
        s[ClsidKey(kPropPageClsid)] = {{"Name", "Tarnwicktwinrail Property Page"},
                                       {"Library", library},
                                       {"ProgID", kPropPageProgId},
                                       {"ThreadingModel", "Apartment"}};
        s[ProgIdKey(kPropPageProgId)] = {{"CLSID", kPropPageClsid}, {"Name", "Tarnwicktwinrail Property Page"}};
    });
    return classes ? kOk : kClassRegistration;
}

HResult DllUnregisterServer() {
    const ComponentRegistry registry;
    if (!registry.Update([](ComponentRegistry::Sections& s) { s.erase(TypeLibKey(kTypeLibId, kTypeLibVersion)); }))
        return kTypeLibRegistration;
    const bool classes = registry.Update([](ComponentRegistry::Sections& s) {
        for (const char* clsid : {kControlClsid, kPropPageClsid}) s.erase(ClsidKey(clsid));
        for (const char* progId : {kControlProgId, kPropPageProgId}) s.erase(ProgIdKey(progId));
    });
    return classes ? kOk : kClassRegistration;
}

}  // extern "C"
