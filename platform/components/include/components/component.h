// A created component and the factory that makes it. Instances are used on the thread that
// created them (the GUI thread for controls) and must be destroyed before their library could go.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "components/dispatch.h"

namespace components {

enum class Verb { Primary = 0, Properties = -7 };

class ComponentInstance : public Dispatchable {
public:
    // Events go to `sink` until Unadvise; one sink at a time.
    virtual void Advise(EventSink* sink) = 0;
    virtual void Unadvise() = 0;
    // The component's window in the toolkit's terms (a QWidget* for the controls of this system),
    // or nullptr for a component without one.
    virtual void* Window() = 0;
    virtual HResult DoVerb(Verb verb) = 0;
    // Persistent state: SaveState's bytes are what LoadState takes back.
    virtual std::vector<std::uint8_t> SaveState() const = 0;
    virtual HResult LoadState(const std::vector<std::uint8_t>& state) = 0;
};

class ClassFactory {
public:
    virtual ~ClassFactory() = default;
    // `parentWindow` is the toolkit window the instance's window becomes a child of (may be null).
    virtual std::unique_ptr<ComponentInstance> CreateInstance(void* parentWindow) = 0;
};

// The exports every component library has, by these names:
//   HResult DllGetClassObject(const char* clsid, components::ClassFactory** factory);
//   HResult DllCanUnloadNow();
//   HResult DllRegisterServer();
//   HResult DllUnregisterServer();
using GetClassObjectFunction = HResult (*)(const char* clsid, ClassFactory** factory);
using ServerFunction = HResult (*)();

}  // namespace components
