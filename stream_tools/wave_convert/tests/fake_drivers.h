// Drivers made to order for the tests of the driver and format choice and of the encoder's faults.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "codec_manager/codec_manager.h"

namespace wave_convert_testing {

struct FakeSetup {
    std::string longName;
    std::vector<acm::WaveFormat> formats;
    bool openFails = false;
    bool streamFails = false;
    int convertFailsAfter = -1;  // conversions that succeed before every later one fails; -1 never
    bool yieldsNothing = false;  // converts, but never gives a byte
    std::vector<std::uint8_t> yields;  // given per conversion in place of the stand-in header
};

class FakeStream final : public acm::Stream {
public:
    explicit FakeStream(const FakeSetup& setup) : setup_(setup) {}
    acm::ConvertResult Convert(const std::uint8_t*, std::size_t sourceBytes, std::uint8_t* destination,
                               std::size_t destinationBytes, unsigned flags) override {
        if (setup_.convertFailsAfter >= 0 && converts_++ >= setup_.convertFailsAfter) return {};
        if (setup_.yieldsNothing || (flags & acm::kConvertEnd) || destinationBytes < 4) return {true, sourceBytes, 0};
        // A four-byte stand-in frame per conversion: a Layer II header.
        std::vector<std::uint8_t> frame = {0xFF, 0xFD, 0xA4, 0x04};
        if (!setup_.yields.empty()) frame = setup_.yields;
        if (frame.size() > destinationBytes) frame.resize(destinationBytes);
        std::copy(frame.begin(), frame.end(), destination);
        return {true, sourceBytes, frame.size()};
    }

private:
    FakeSetup setup_;
    int converts_ = 0;
};

class FakeSession final : public acm::DriverSession {
public:
    explicit FakeSession(const FakeSetup& setup) : setup_(setup) {}
    std::size_t MaxFormatSize() const override { return 40; }
    void EnumFormats(std::uint16_t tag, const std::function<bool(const acm::WaveFormat&)>& each) const override {
        for (const auto& f : setup_.formats)
            if (f.tag == tag && !each(f)) return;
    }
    std::unique_ptr<acm::Stream> OpenStream(const acm::WaveFormat&, const acm::WaveFormat&) override {
        if (setup_.streamFails) return nullptr;
        return std::make_unique<FakeStream>(setup_);
    }

private:
    FakeSetup setup_;
};

class FakeDriver final : public acm::Driver {
public:
    explicit FakeDriver(FakeSetup setup) : setup_(std::move(setup)) {}
    acm::DriverDetails Details() const override {
        ++detailsAsked;
        return {"fake", setup_.longName};
    }
    std::unique_ptr<acm::DriverSession> Open() override {
        if (setup_.openFails) return nullptr;
        return std::make_unique<FakeSession>(setup_);
    }
    mutable std::atomic<int> detailsAsked{0};

private:
    FakeSetup setup_;
};

inline acm::WaveFormat Format(std::uint16_t tag, int channels, std::uint32_t rate, int kbps, std::uint8_t marker = 0) {
    acm::WaveFormat f;
    f.tag = tag;
    f.channels = std::uint16_t(channels);
    f.rate = rate;
    f.byteRate = std::uint32_t(kbps) * 125;
    f.blockAlign = 1;
    f.extra = {marker};
    return f;
}

// A registry of one fake driver offering stereo Layer II and III at 48 kHz and 192 kbit/s.
inline std::shared_ptr<FakeDriver> OneDriver(const std::string& longName, FakeSetup setup = {}) {
    setup.longName = longName;
    if (setup.formats.empty())
        setup.formats = {Format(acm::kTagMpeg, 2, 48000, 192), Format(acm::kTagMpegLayer3, 2, 48000, 192)};
    return std::make_shared<FakeDriver>(setup);
}

}  // namespace wave_convert_testing
