#include "library_driver.h"

#include "library_stream.h"

namespace acm {

namespace {

constexpr std::uint32_t kRates[] = {32000, 44100, 48000};
constexpr int kLayer2Kbps[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr int kLayer3Kbps[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::size_t kMpegFormatSize = 40;    // the Layer I/II format block
constexpr std::size_t kLayer3FormatSize = 30;  // the Layer III format block

class LibrarySession final : public DriverSession {
public:
    explicit LibrarySession(std::shared_ptr<const LibraryDriver> driver) : driver_(std::move(driver)) {}

    std::size_t MaxFormatSize() const override { return driver_->Layer() == 3 ? kLayer3FormatSize : kMpegFormatSize; }

    void EnumFormats(std::uint16_t tag, const std::function<bool(const WaveFormat&)>& each) const override {
        for (const WaveFormat& f : driver_->Formats())
            if (f.tag == tag && !each(f)) return;
    }

    std::unique_ptr<Stream> OpenStream(const WaveFormat& source, const WaveFormat& destination) override {
        if (source.tag != kTagPcm || source.bits != 16 || source.channels != 2 || destination.channels != 2 ||
            source.rate != destination.rate || destination.byteRate % 125 != 0)
            return nullptr;
        for (const WaveFormat& f : driver_->Formats())
            if (f.tag == destination.tag && f.rate == destination.rate && f.byteRate == destination.byteRate)
                return driver_->MakeStream(destination.rate, int(destination.byteRate / 125));
        return nullptr;
    }

private:
    std::shared_ptr<const LibraryDriver> driver_;
};

}  // namespace

std::unique_ptr<DriverSession> LibraryDriver::Open() {
    return std::make_unique<LibrarySession>(shared_from_this());
}

const std::vector<WaveFormat>& LibraryDriver::Formats() const {
    std::call_once(probed_, [this] {
        for (std::uint32_t rate : kRates)
            for (int kbps : layer_ == 3 ? kLayer3Kbps : kLayer2Kbps)
                if (Accepts(rate, kbps)) formats_.push_back(MpegFormat(rate, kbps, layer_));
    });
    return formats_;
}

}  // namespace acm
