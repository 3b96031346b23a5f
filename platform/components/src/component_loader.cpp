#include "components/component_loader.h"

#include <dlfcn.h>

namespace components {
namespace {

// Component libraries stay loaded: the instances they made may live as long as the process.
void* OpenLibrary(const std::string& path, std::string* error) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!handle && error) *error = ::dlerror();
    return handle;
}

}  // namespace

LoadedFactory LoadClassFactory(const ComponentRegistry& registry, const std::string& name) {
    LoadedFactory loaded;
    if (!name.empty() && name.front() == '{') loaded.clsid = name;
    else if (auto clsid = registry.ClsidOfProgId(name)) loaded.clsid = *clsid;
    else return loaded;
    const auto library = registry.LibraryOfClsid(loaded.clsid);
    if (!library) return loaded;
    void* handle = OpenLibrary(*library, nullptr);
    if (!handle) {
        loaded.result = kDllNotFound;
        return loaded;
    }
    auto get = reinterpret_cast<GetClassObjectFunction>(::dlsym(handle, "DllGetClassObject"));
    if (!get) {
        loaded.result = kClassNotAvailable;
        return loaded;
    }
    loaded.result = get(loaded.clsid.c_str(), &loaded.factory);
    if (loaded.result != kOk) loaded.factory = nullptr;
    return loaded;
}

HResult RunServerRegistration(const std::string& libraryPath, bool unregister, std::string* error) {
    void* handle = OpenLibrary(libraryPath, error);
    if (!handle) return kDllNotFound;
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto run = reinterpret_cast<ServerFunction>(::dlsym(handle, name));
    if (!run) {
        if (error) *error = std::string("no ") + name + " in " + libraryPath;
        return kClassNotAvailable;
    }
    return run();
}

}  // namespace components
