// MPEG audio through the codec manager (the fast mode): the driver chosen by its long name, the
// format matched by its fields, one conversion stream of 4608-byte frames.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "codec_manager/codec_manager.h"

namespace wave_convert {

// Whether a driver's long name serves `layer` (2 or 3). The rules are tried in order: the names
// of the drivers our users have always had, then the names of the library drivers this system
// brings along.
bool LongNameServesLayer(const std::string& longName, int layer);

// The first driver of the registry whose long name serves `layer`; empty when none does.
acm::DriverPtr FindAcmDriver(int layer, const acm::Registry& registry = acm::Registry::Process());

// The first format of the opened driver with this tag, channel count, rate and byte rate, sized to
// the driver's largest format block; empty when there is none.
std::optional<acm::WaveFormat> FindAcmFormat(const acm::DriverSession& driver, std::uint16_t tag, int channels,
                                             std::uint32_t rate, std::uint32_t byteRate);

class AcmEncoder {
public:
    static constexpr std::size_t kBufferBytes = 4608;  // 1152 stereo 16-bit samples in; room for the frames out

    explicit AcmEncoder(const acm::Registry& registry = acm::Registry::Process()) : registry_(registry) {}
    ~AcmEncoder() { CloseAcmEncoder(); }

    // 0 ready, 1 no driver, 2 no matching format, 3 the driver would not open, 4 the stream would
    // not open.
    int OpenAcmEncoder(std::uint32_t rate, int kbps, int layer);

    // The PCM frame the next AcmEncodeFrame converts (little-endian, left then right).
    std::uint8_t* PcmBuffer() { return pcm_.data(); }
    // Converts the PCM buffer. The bits produced (bytes x 8) are in Output(); 0 bits is a codec
    // holding its frame back, not a failure, which gives -1.
    long AcmEncodeFrame();
    // What the codec still holds at the end of the input, piece by piece: call until it gives 0.
    // -1 on a failure.
    long AcmFlush();
    const std::uint8_t* Output() const { return output_.data(); }

    // Closes the stream and the driver; nothing happens when none is open.
    void CloseAcmEncoder();

private:
    long Convert(const std::uint8_t* source, std::size_t bytes, unsigned flags);

    const acm::Registry& registry_;
    std::unique_ptr<acm::DriverSession> driver_;
    std::unique_ptr<acm::Stream> stream_;
    std::array<std::uint8_t, kBufferBytes> pcm_{};
    std::array<std::uint8_t, kBufferBytes> output_{};
};

}  // namespace wave_convert
