// A driver over one encoder library: its names, its stereo formats of one tag at 32, 44.1 and
// 48 kHz (those the library accepts, probed once), and streams from 16-bit stereo PCM of the same
// rate into them.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "codec_manager/codec_manager.h"
#include "shared_library.h"

namespace acm {

class LibraryDriver : public Driver, public std::enable_shared_from_this<LibraryDriver> {
public:
    DriverDetails Details() const override { return details_; }
    std::unique_ptr<DriverSession> Open() override;

    int Layer() const { return layer_; }
    const std::vector<WaveFormat>& Formats() const;
    // A stream of the library at `rate` and `kbps`, or empty when the library refuses them.
    virtual std::unique_ptr<Stream> MakeStream(std::uint32_t rate, int kbps) const = 0;

protected:
    LibraryDriver(std::shared_ptr<SharedLibrary> library, DriverDetails details, int layer)
        : library_(std::move(library)), details_(std::move(details)), layer_(layer) {}
    // Whether the library takes this rate and bit rate for stereo.
    virtual bool Accepts(std::uint32_t rate, int kbps) const = 0;

    std::shared_ptr<SharedLibrary> library_;

private:
    DriverDetails details_;
    int layer_;
    mutable std::once_flag probed_;
    mutable std::vector<WaveFormat> formats_;
};

// A library's version string as a driver's long name shows it: "unknown" when it gives none.
inline std::string VersionText(const char* version) { return version ? version : "unknown"; }

// The two drivers; empty when the library or one of its functions is missing.
std::shared_ptr<LibraryDriver> LoadTwolameDriver(const std::string& soname);
std::shared_ptr<LibraryDriver> LoadLameDriver(const std::string& soname);

}  // namespace acm
