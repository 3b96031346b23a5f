// A small audio codec manager: drivers with short and long names, the formats each offers, opened
// drivers and conversion streams, and the process's registry of drivers in a fixed order. The
// stream tools choose a driver by its long name and a format by its fields, as they always did
// with the platform's codec manager; here the drivers are libraries loaded at run time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace acm {

inline constexpr std::uint16_t kTagPcm = 0x0001;
inline constexpr std::uint16_t kTagMpeg = 0x0050;
inline constexpr std::uint16_t kTagMpegLayer3 = 0x0055;

// Size of a format block without its extra bytes (the extra size field is the last of it).
inline constexpr std::size_t kFormatBaseSize = 18;

struct WaveFormat {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::vector<std::uint8_t> extra;  // the tag's own fields

    std::size_t Size() const { return kFormatBaseSize + extra.size(); }
};

struct DriverDetails {
    std::string shortName;
    std::string longName;
};

enum ConvertFlags : unsigned {
    kConvertBlockAlign = 1,  // convert whole source blocks only
    kConvertEnd = 2,         // no more source follows: give out what the codec still holds
};

struct ConvertResult {
    bool ok = false;
    std::size_t sourceUsed = 0;
    std::size_t destinationUsed = 0;  // 0 is not a failure: a codec may hold a frame back
};

class Stream {
public:
    virtual ~Stream() = default;
    // Converts `sourceBytes` of source (none with kConvertEnd alone) into at most `destinationBytes`.
    // What does not fit stays with the stream for the next call; with kConvertEnd, repeat until
    // nothing more comes.
    virtual ConvertResult Convert(const std::uint8_t* source, std::size_t sourceBytes, std::uint8_t* destination,
                                  std::size_t destinationBytes, unsigned flags) = 0;
};

// A driver once opened: its metrics, formats and streams.
class DriverSession {
public:
    virtual ~DriverSession() = default;
    // The largest format block of any tag the driver knows, in bytes.
    virtual std::size_t MaxFormatSize() const = 0;
    // Calls `each` with every format of `tag` in the driver's order until it returns false.
    virtual void EnumFormats(std::uint16_t tag, const std::function<bool(const WaveFormat&)>& each) const = 0;
    // Empty when the driver cannot convert between the two.
    virtual std::unique_ptr<Stream> OpenStream(const WaveFormat& source, const WaveFormat& destination) = 0;
};

class Driver {
public:
    virtual ~Driver() = default;
    virtual DriverDetails Details() const = 0;
    // Empty when the driver will not open.
    virtual std::unique_ptr<DriverSession> Open() = 0;
};

using DriverPtr = std::shared_ptr<Driver>;

// The drivers a process sees, in a fixed order.
class Registry {
public:
    // The process's registry: the installed drivers, loaded at first use and narrowed by
    // $VELMAR_ACM_DRIVERS (see InstalledDrivers).
    static Registry& Process();

    // Calls `each` with every driver in order until it returns false.
    void EnumDrivers(const std::function<bool(const DriverPtr&)>& each) const;
    // Puts other drivers in place of the present ones (tests).
    void Replace(std::vector<DriverPtr> drivers);

private:
    mutable std::mutex mutex_;
    std::vector<DriverPtr> drivers_;
};

// The drivers this build can load, in the registry's order, each only when its library is
// installed. `filter` narrows them: empty for all, "none" for none, otherwise a comma-separated
// list of short names ("twolame,lame").
std::vector<DriverPtr> InstalledDrivers(const std::string& filter);

}  // namespace acm
