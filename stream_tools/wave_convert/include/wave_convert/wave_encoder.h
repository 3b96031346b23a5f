// 16-bit stereo PCM from a WAVE file turned into MPEG audio frames, by a codec driver (fast mode)
// or the built-in encoder (slow mode): the choice of the two at the start of a run, and the frames
// one after another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec_manager/codec_manager.h"
#include "platform/run_report.h"
#include "ps_common/byte_io.h"
#include "wave_convert/acm_encoder.h"

namespace mpa {
class Encoder;
}

namespace wave_convert {

// The texts of the "Info" boxes of the encoder choice.
inline constexpr const char* kNoLayer2Driver =
    "No QDesign ACM Driver found.  Switching to slow mode.\n"
    "Install the Debian package libtwolame0 for the fast mode.";
inline constexpr const char* kLayer2NoSupport =
    "QDesign ACM Driver does not support this sample rate \nand bitrate.  Switching to slow mode.";
inline constexpr const char* kLayer2Error = "QDesign ACM Driver error %d. Switching to slow mode.";
inline constexpr const char* kNoLayer3Driver =
    "No Layer-3 ACM Driver found.  Switching to slow mode.\nLayer-3 ACM driver are available on the internet.";
inline constexpr const char* kLayer3NoSupport =
    "Layer-3 ACM Driver does not support this sample rate \nand bitrate.  Switching to slow mode.";
inline constexpr const char* kLayer3Error = "Layer-3 ACM Driver error %d. Switching to slow mode.";

// The box of an encoder that failed in the middle of a run (the output is not complete).
inline constexpr const char* kEncoderError = "Audio encoder error";
// The box of a codec driver whose output is not frames of the layer and rate it was asked for.
inline constexpr const char* kEncoderNotFrames = "Audio encoder error: the codec's output is not MPEG audio frames";

// The WAVE samples of one run: 16-bit stereo PCM, `bytes` of it from the source's position.
struct PcmInput {
    ps::ByteSource* source = nullptr;
    std::uint64_t bytes = 0;
    std::uint32_t rate = 0;
};

class WaveEncoder {
public:
    enum class Next { Frame, End, Failed };

    WaveEncoder(PcmInput input, int layer, int bitrate, const acm::Registry& registry = acm::Registry::Process());
    ~WaveEncoder();

    // The encoder choice and set-up: "Info" texts go to `report` as boxes. False when the built-in
    // encoder refuses, with Error() set.
    bool Start(platform::RunReport& report);

    // The next coded bytes: frames are read and encoded until some bytes come out or the input has
    // ended, and then what the codec still holds comes out. `out` is never empty with Frame.
    Next NextFrame(std::vector<std::uint8_t>& out);
    // Drops what comes before the first frame header of the next bytes out, if the built-in encoder
    // made them (the first frame of a conversion).
    void TrimFirstFrame() { trimPending_ = !fast_; }

    bool Fast() const { return fast_; }
    int SamplesPerFrame() const { return samplesPerFrame_; }
    // Bytes of a frame by the nominal rule: samples per frame / 8 x bit rate / sample rate.
    int FrameLength() const { return frameLength_; }
    // The second byte of the frame headers the built-in encoder writes.
    std::uint8_t HeaderSyncByte() const { return std::uint8_t(0xF8 | (4 - layer_) << 1 | 1); }
    std::uint64_t BytesRead() const { return bytesRead_; }
    const std::string& Error() const { return error_; }

private:
    void ChooseEncoder(platform::RunReport& report);
    std::string OptionLine() const;
    // Reads one frame of samples; the bytes read, 0 at the end.
    std::size_t ReadFrame();
    bool EncodeRead(std::vector<std::uint8_t>& out);
    bool FlushCodec(std::vector<std::uint8_t>& out);
    void Trim(std::vector<std::uint8_t>& out);
    // A codec driver's bytes are trusted only as whole frames of the asked layer and sampling rate,
    // each ending where the next header starts; false at the first byte that is not.
    bool CheckCodecFrames(const std::vector<std::uint8_t>& out);

    PcmInput input_;
    int layer_;
    int bitrate_;
    AcmEncoder acm_;
    std::unique_ptr<mpa::Encoder> builtIn_;
    bool fast_ = false;
    bool ended_ = false;
    bool flushed_ = false;
    bool trimPending_ = false;
    int samplesPerFrame_ = 1152;
    int frameLength_ = 0;
    std::uint64_t bytesRead_ = 0;
    std::vector<std::uint8_t> pcm_;            // one frame, interleaved little-endian
    std::vector<std::int16_t> planar_;         // the built-in encoder's input: left, then right
    std::vector<std::uint8_t> coded_;
    std::vector<std::uint8_t> unchecked_;      // a codec's bytes from the next header not yet checked
    std::string error_;
};

}  // namespace wave_convert
