#include "wave_convert/acm_encoder.h"

#include <algorithm>

namespace wave_convert {

namespace {

struct NameRule {
    int layer;
    const char* text;
    std::size_t at;  // where the text must stand in the long name
};

// In order of preference. The second Layer III rule is the one the drivers of old were known by:
// the text from the name's sixteenth character on.
constexpr NameRule kNameRules[] = {
    {2, "QDesign", 0},
    {3, "MPEG Layer-3 Codec (p", 15},
    {2, "MPEG Layer-2 Codec (", 0},
    {3, "MPEG Layer-3 Codec (", 0},
};

}  // namespace

bool LongNameServesLayer(const std::string& longName, int layer) {
    return std::any_of(std::begin(kNameRules), std::end(kNameRules), [&](const NameRule& rule) {
        const std::size_t length = std::string::traits_type::length(rule.text);
        return rule.layer == layer && longName.size() >= rule.at + length &&
               longName.compare(rule.at, length, rule.text) == 0;
    });
}

acm::DriverPtr FindAcmDriver(int layer, const acm::Registry& registry) {
    acm::DriverPtr found;
    registry.EnumDrivers([&](const acm::DriverPtr& driver) {
        if (!LongNameServesLayer(driver->Details().longName, layer)) return true;
        found = driver;
        return false;  // the first match ends the enumeration
    });
    return found;
}

std::optional<acm::WaveFormat> FindAcmFormat(const acm::DriverSession& driver, std::uint16_t tag, int channels,
                                             std::uint32_t rate, std::uint32_t byteRate) {
    const std::size_t size = std::max(driver.MaxFormatSize(), acm::kFormatBaseSize);
    std::optional<acm::WaveFormat> found;
    driver.EnumFormats(tag, [&](const acm::WaveFormat& f) {
        if (f.tag != tag || f.channels != channels || f.rate != rate || f.byteRate != byteRate) return true;
        found = f;
        found->extra.resize(size - acm::kFormatBaseSize);
        return false;
    });
    return found;
}

int AcmEncoder::OpenAcmEncoder(std::uint32_t rate, int kbps, int layer) {
    CloseAcmEncoder();
    const acm::DriverPtr driver = FindAcmDriver(layer, registry_);
    if (!driver) return 1;
    driver_ = driver->Open();
    if (!driver_) return 3;
    const std::uint16_t tag = layer == 3 ? acm::kTagMpegLayer3 : acm::kTagMpeg;
    const auto destination = FindAcmFormat(*driver_, tag, 2, rate, std::uint32_t(kbps) * 125);
    if (!destination) {
        CloseAcmEncoder();
        return 2;
    }
    const acm::WaveFormat source{acm::kTagPcm, 2, rate, rate * 4, 4, 16, {}};
    stream_ = driver_->OpenStream(source, *destination);
    if (!stream_) {
        CloseAcmEncoder();
        return 4;
    }
    return 0;
}

long AcmEncoder::Convert(const std::uint8_t* source, std::size_t bytes, unsigned flags) {
    if (!stream_) return -1;
    const acm::ConvertResult r = stream_->Convert(source, bytes, output_.data(), output_.size(), flags);
    if (!r.ok || r.sourceUsed != bytes) return -1;
    return long(r.destinationUsed) * 8;
}

long AcmEncoder::AcmEncodeFrame() { return Convert(pcm_.data(), pcm_.size(), acm::kConvertBlockAlign); }

long AcmEncoder::AcmFlush() { return Convert(nullptr, 0, acm::kConvertEnd); }

void AcmEncoder::CloseAcmEncoder() {
    stream_.reset();
    driver_.reset();
}

}  // namespace wave_convert
