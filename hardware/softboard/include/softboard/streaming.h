// The software board's streams: it consumes the input pairs the service loop hands it and fills
// the output pairs from a source clip per output, counting pairs in the StreamProgressTable as
// the board does. What arrived per input is kept (a file and a running checksum) for comparison.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "softboard/mix_follower.h"
#include "start_codes/start_codes.h"

namespace softboard {

class StreamHost;
class VideoChannels;
class DvRecorder;
class AudioInput;

// A running checksum of a byte sequence that does not depend on how the sequence is cut into
// pieces: four interleaved 64-bit FNV-1a lanes over little-endian 8-byte words (so it keeps up
// with memory speed), the tail padded at Value().
class RunningChecksum {
public:
    void Add(const std::uint8_t* data, std::size_t bytes);
    std::uint64_t Value() const;

private:
    static constexpr std::size_t kBlock = 32;
    void AddBlock(const std::uint8_t* block);
    std::uint64_t lanes_[4] = {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull, 0x1b3cbf29ce484222ull,
                               0x2325cbf29ce48422ull};
    std::uint64_t total_ = 0;
    std::uint8_t pending_[kBlock] = {};
    std::size_t pendingCount_ = 0;
};

// Finds MPEG video picture headers in a stream fed piece by piece and keeps the coding type of
// the last one (1 I, 2 P, 3 B), as the decoder reports the picture it shows.
class PictureTypeScanner {
public:
    void Feed(const std::uint8_t* data, std::size_t bytes);
    std::uint8_t LastType() const { return lastType_; }
    std::uint64_t Pictures() const { return pictures_; }

private:
    start_codes::StartCodeScanner scanner_;
    std::uint8_t lastType_ = 0;
    std::uint64_t pictures_ = 0;
};

struct InputStreaming {
    // A fixed rate; 0: the stream's own bit rate, from the sequence headers at the start of its
    // pairs (50 Mbit/s until one announces a constant rate).
    std::uint32_t bytesPerInterrupt = 0;
    std::string captureFile;         // empty: keep only the checksum
    bool asFastAsPossible = false;   // every queued pair at each interrupt
};

inline constexpr std::uint32_t kDefaultStreamBitRate = 50'000'000;
inline constexpr std::uint32_t kInputStreams = 8;
inline constexpr std::uint32_t kOutputStreams = 8;

// The bit rate a stream's first bytes announce (an MPEG video sequence header in the first 4 KiB),
// or 0 when they announce none or a variable rate.
std::uint32_t AnnouncedBitRate(const std::uint8_t* data, std::size_t bytes);

struct OutputStreaming {
    std::string sourceClip;               // looped; empty: the output produces nothing
    std::uint32_t bytesPerInterrupt = 0;  // 0: fill every queued pair at once
    std::uint64_t limitBytes = ~std::uint64_t{0};  // the encoder stops after this many bytes
    bool pictureIndex = false;            // write EncoderIndexRing entries for the produced pictures
    // As fast as the host takes it: at most four pairs, and only after the host handed pairs
    // back, so a host that keeps up never lags into an overrun.
    bool hostPaced = false;
};

class BoardStreaming {
public:
    explicit BoardStreaming(StreamHost& board);
    ~BoardStreaming();

    // Set before the streams run.
    void SetInput(std::uint32_t stream, const InputStreaming& options);
    void SetOutput(std::uint32_t stream, const OutputStreaming& options);

    std::uint64_t InputBytes(std::uint32_t stream) const { return inputs_[stream].bytes.load(); }
    std::uint64_t InputChecksum(std::uint32_t stream) const { return inputs_[stream].checksum.load(); }
    std::uint64_t OutputChecksum(std::uint32_t stream) const { return outputs_[stream].checksum.load(); }
    std::uint64_t OutputBytes(std::uint32_t stream) const { return outputs_[stream].produced.load(); }
    std::uint64_t PicturesIndexed(std::uint32_t stream) const { return outputs_[stream].indexed.load(); }

    void OnInterrupt();
    void OnReset();
    void ShowChannels();
    // The mix of the two channels, following the alpha stream on input 2.
    MixFollower& Mix() { return mix_; }

    // For the video channels, which take their inputs as they show pictures: up to `budget`
    // bytes of the stream's queued pairs (kept, counted and captured as any consumed input).
    std::uint64_t TakeInput(std::uint32_t stream, std::uint64_t budget, std::vector<std::uint8_t>* sink);
    VideoChannels& Channels() { return *channels_; }
    // The DV recorder of outputs 6 and 7 (softboard/dv_recorder.h).
    DvRecorder& Dv() { return *dv_; }
    // The audio input (input 3): the playback panel's audio words and its pace.
    AudioInput& Audio() { return *audio_; }
    // Drops the stream's queued pairs (its flush): what follows belongs to the next file.
    void DropInput(std::uint32_t stream);
    // The board address of the next byte the stream reads; 0 before it has any.
    std::uint32_t InputPosition(std::uint32_t stream) const;

private:
    struct PictureUnit {
        std::uint64_t start = 0;
        bool groupStart = false;
    };
    struct Input {
        InputStreaming options;
        std::FILE* capture = nullptr;
        std::uint32_t headOffset = 0;
        std::uint32_t lastEnd = 0;    // board address after the last pair taken whole
        std::uint32_t rateBytes = 0;  // per interrupt, once known
        RunningChecksum running;
        PictureTypeScanner pictures;      // video inputs 0 and 1: what the channel shows
        bool consumedThisInterrupt = false;
        std::atomic<std::uint64_t> bytes{0};
        std::atomic<std::uint64_t> checksum{0};
    };
    struct Output {
        OutputStreaming options;
        std::vector<std::uint8_t> clip;
        std::vector<PictureUnit> units;
        std::uint64_t clipPosition = 0;
        std::uint32_t fillOffset = 0;
        std::uint64_t nextUnit = 0;  // across loops of the clip
        std::size_t queuedAfterFill = 0;
        int filledSinceReturn = 0;  // pairs a fed output filled since the host last handed some back
        RunningChecksum running;
        std::atomic<std::uint64_t> checksum{0};
        std::atomic<std::uint64_t> produced{0};
        std::atomic<std::uint64_t> indexed{0};
    };

    void ConsumeInput(std::uint32_t stream);
    void ProduceOutput(std::uint32_t stream);
    // `take` more bytes of the output's front pair are filled: the progress words, and the pair
    // handed back when full.
    void Advance(std::uint32_t stream, Output& output, std::uint32_t take);
    // `pairsAhead`: pairs filled before the host must hand some back; 0 without a limit.
    void ProduceFed(std::uint32_t stream, std::deque<std::uint8_t>& bytes, int pairsAhead = 0);
    void WriteIndexEntries(Output& output);
    std::atomic_ref<std::uint32_t> ProgressWord(std::uint32_t entry, std::uint32_t word);

    void ShowMix();

    StreamHost& board_;
    MixFollower mix_;
    std::uint32_t alphaCounterShown_ = 0;
    Input inputs_[kInputStreams];
    Output outputs_[kOutputStreams];
    std::uint32_t ringWrite_ = 0;
    std::unique_ptr<VideoChannels> channels_;
    std::unique_ptr<DvRecorder> dv_;
    std::unique_ptr<AudioInput> audio_;
};

}  // namespace softboard
