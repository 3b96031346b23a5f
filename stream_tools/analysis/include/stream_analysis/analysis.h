// Probes of the multiplexer's and demultiplexer's inputs. Each returns what the dialog shows (one
// text per static, "NA" where the probe did not get that far), the parameters the engines work
// from, and the text of the "Error" box when the input is refused.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace stream_analysis {

inline constexpr const char* kNotAvailable = "NA";

enum class VideoKind { Mpeg1 = 1, Mpeg2 = 2, Dv = 3 };

struct VideoAnalysis {
    bool valid = false;
    VideoKind kind = VideoKind::Mpeg2;
    std::int64_t fileSize = 0;
    std::uint32_t bitrate = 0;      // bit/s, MPEG only
    int framePeriod = 0;            // 90 kHz ticks: 3750, 3600 or 3003
    std::int64_t duration = 0;      // ms for MPEG, hundredths of a second for DV
    bool dv625Lines = false;
    bool dv50Mbit = false;
    // The output type an MPEG input selects (MPSTYPE 1 or 2, checked radio); 0 when it selects none.
    int outputType = 0;
    // MPEG: what the rate is decided from. The probe of a long stream measures only its head; a
    // run measures the whole stream again (MeasureWholeStream) for the mean its clock needs.
    std::uint32_t headerBitrate = 0;
    bool variableRate = false;
    bool rateFromHead = false;

    std::string type = kNotAvailable;       // 1026
    std::string aspect = kNotAvailable;     // 1007
    std::string profile = kNotAvailable;    // 1008
    std::string level = kNotAvailable;      // 1009
    std::string chroma = kNotAvailable;     // 1010
    std::string frameSize = kNotAvailable;  // 1011
    std::string bitrateText = kNotAvailable;  // 1012
    std::string vbv = kNotAvailable;        // 1013
    std::string frameRate = kNotAvailable;  // 1014
    std::string durationText = kNotAvailable;  // 1015

    std::string error;  // text of the "Error" box, empty when none
};

enum class AudioType { None = 0, Mpeg = 1, Wave = 2 };

struct AudioAnalysis {
    AudioType type = AudioType::None;
    std::int64_t fileSize = 0;
    std::uint32_t sampleRate = 0;
    std::int64_t durationMs = 0;
    // MPEG audio.
    int layer = 0;
    std::uint32_t bitrate = 0;
    int samplesPerFrame = 0;
    int frameLength = 0;          // nominal, without padding
    std::uint8_t syncByte = 0;    // second byte of the first frame header
    // WAVE: where the samples are, found by walking the chunks.
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;

    // WAVE input: the dialog shows the Layer and Bitrate combos (1028/1029) and runs its layer
    // handler; otherwise it shows the placeholders 1030/1031 with these texts.
    bool showLayerCombos = false;
    std::string layerText = kNotAvailable;    // 1030
    std::string bitrateText = kNotAvailable;  // 1031
    std::string frequency = kNotAvailable;    // 1018
    std::string mode = kNotAvailable;         // 1019
    std::string durationText = kNotAvailable;  // 1020

    std::string error;
};

struct ProgramStreamAnalysis {
    bool ok = false;
    int version = 0;               // 1 MPEG-1, 2 MPEG-2
    std::uint32_t muxRate = 0;     // units of 50 bytes/s
    std::int64_t fileSize = 0;
    std::string kind = kNotAvailable;          // 1002
    std::string bitrateText = kNotAvailable;   // 1004
    std::string durationText = kNotAvailable;  // 1007
    std::string error;
};

// An empty path gives the reset result without an error.
VideoAnalysis AnalyzeVideoFile(const std::string& path);
// For a run, off the dialog's thread: a stream whose probe measured only its head gets the rate
// and duration of the whole stream. False when `stop` asked to stop before the end.
bool MeasureWholeStream(VideoAnalysis& video, const std::string& path, const std::function<bool()>& stop);
AudioAnalysis AnalyzeAudioFile(const std::string& path);
ProgramStreamAnalysis AnalyzeProgramStream(const std::string& path);

// "12.045 seconds" for 12045 with divisor 1000; "3.07 seconds" for 307 with divisor 100.
std::string DurationText(std::int64_t duration, int divisor);

}  // namespace stream_analysis
