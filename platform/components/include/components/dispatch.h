// Late-bound calls into a component: methods and events by DISPID with integer arguments, and a
// static description of both that the host can query by name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace components {

using HResult = std::int32_t;

inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNoInterface = HResult(0x80004002u);
inline constexpr HResult kFail = HResult(0x80004005u);
inline constexpr HResult kMemberNotFound = HResult(0x80020003u);
inline constexpr HResult kUnknownName = HResult(0x80020006u);
inline constexpr HResult kBadParamCount = HResult(0x8002000Eu);
inline constexpr HResult kClassNotAvailable = HResult(0x80040111u);
inline constexpr HResult kClassNotRegistered = HResult(0x80040154u);
inline constexpr HResult kTypeLibRegistration = HResult(0x80040200u);  // self-registration: type library
inline constexpr HResult kClassRegistration = HResult(0x80040201u);    // self-registration: classes
inline constexpr HResult kWrongThread = HResult(0x8001010Eu);
inline constexpr HResult kDllNotFound = HResult(0x8004F001u);

inline constexpr std::int32_t kDispidAboutBox = -552;

struct MemberInfo {
    std::string name;
    std::int32_t dispid = 0;
    int parameterCount = 0;  // every parameter is a 32-bit integer
};

// What a type library would say about one class: its dispatch and event interfaces.
struct TypeInfo {
    std::string dispatchInterface;
    std::vector<MemberInfo> methods;
    std::string eventInterface;
    std::vector<MemberInfo> events;

    const MemberInfo* Method(std::int32_t dispid) const;
};

class Dispatchable {
public:
    virtual ~Dispatchable() = default;
    virtual const TypeInfo& Type() const = 0;
    // kOk, kMemberNotFound for an unknown DISPID, kBadParamCount when the count does not match.
    virtual HResult Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) = 0;

    // The DISPID of a method by name; kUnknownName when there is none.
    HResult IdOfName(const std::string& name, std::int32_t& dispid) const;
};

// The host's side of a component's events.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void Invoke(std::int32_t dispid, std::span<const std::int32_t> arguments) = 0;
};

}  // namespace components
