// Creating a component by ProgID or class identifier: the registry names its library, which is
// loaded once and never unloaded (instances may outlive any one host window).
#pragma once

#include <string>

#include "components/component.h"
#include "components/component_registry.h"

namespace components {

struct LoadedFactory {
    HResult result = kClassNotRegistered;
    ClassFactory* factory = nullptr;  // owned by the library
    std::string clsid;
};

// `name` is a ProgID or a "{...}" class identifier.
LoadedFactory LoadClassFactory(const ComponentRegistry& registry, const std::string& name);

// Loads a component library by path and runs its DllRegisterServer or DllUnregisterServer.
HResult RunServerRegistration(const std::string& libraryPath, bool unregister, std::string* error = nullptr);

}  // namespace components
