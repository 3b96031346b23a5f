// Hand-built elementary streams for the multiplexer's tests.
#pragma once

#include <string>
#include <vector>

#include "platform/run_report.h"
#include "ps_mux/mux.h"
#include "ps_testing/ps_test_support.h"

namespace mux_testing {

struct Picture {
    int temporalReference;
    int codingType;
    bool groupHeader = false;     // a group of pictures header before the picture
    bool sequenceHeader = false;  // a sequence header (and extension) before it
};

struct BuiltVideo {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> pictureOffsets;  // of each picture start code, decode order
    std::vector<std::uint64_t> expectedPts;
};

// Pictures of `pictureBytes` bytes each (filler 0x55); `skew` bytes put in front of each start code
// after the first (0 keeps them on 4-byte boundaries).
inline BuiltVideo BuildVideo(const std::vector<Picture>& pictures, std::size_t pictureBytes, int skew = 0,
                             int period = 3600) {
    BuiltVideo v;
    std::uint64_t groupBase = 0;
    auto code = [&](std::uint8_t c) {
        if (!v.bytes.empty() && c != 0xB5) v.bytes.insert(v.bytes.end(), std::size_t(skew), 0x55);
        while (skew == 0 && c != 0xB5 && v.bytes.size() % 4) v.bytes.push_back(0);
        v.bytes.insert(v.bytes.end(), {0, 0, 1, c});
    };
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        const Picture& p = pictures[i];
        if (p.sequenceHeader) {
            code(0xB3);
            v.bytes.insert(v.bytes.end(), {0x16, 0x01, 0x20, 0x23, 0x09, 0xC4, 0x23, 0x80});
            code(0xB5);
            v.bytes.insert(v.bytes.end(), {0x14, 0x8A, 0x00, 0x01, 0x00, 0x00});
        }
        if (p.groupHeader || p.sequenceHeader) {
            code(0xB8);
            v.bytes.insert(v.bytes.end(), {0x00, 0x08, 0x00, 0x00});
            groupBase = i;
        }
        code(0x00);
        v.pictureOffsets.push_back(v.bytes.size() - 4);
        v.expectedPts.push_back(30000 + period * (groupBase + p.temporalReference));
        v.bytes.push_back(std::uint8_t(p.temporalReference >> 2));
        v.bytes.push_back(std::uint8_t((p.temporalReference & 3) << 6 | p.codingType << 3));
        v.bytes.insert(v.bytes.end(), pictureBytes, 0x55);
    }
    return v;
}

// A 12-picture group in decode order: I2 B0 B1 P5 B3 B4 P8 B6 B7 P11 B9 B10.
inline std::vector<Picture> Group(bool sequenceHeader, bool closedFirst = false) {
    std::vector<Picture> g;
    if (closedFirst) {
        g = {{0, 1}, {3, 2}, {1, 3}, {2, 3}, {6, 2}, {4, 3}, {5, 3}, {9, 2}, {7, 3}, {8, 3}, {11, 2}, {10, 3}};
    } else {
        g = {{2, 1}, {0, 3}, {1, 3}, {5, 2}, {3, 3}, {4, 3}, {8, 2}, {6, 3}, {7, 3}, {11, 2}, {9, 3}, {10, 3}};
    }
    g[0].groupHeader = true;
    g[0].sequenceHeader = sequenceHeader;
    return g;
}

struct BuiltAudio {
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint64_t> frameOffsets;
};

// MPEG-1 Layer II 192 kbit/s 48 kHz frames (576 bytes) with zero bodies.
inline BuiltAudio BuildLayer2Audio(int frames) {
    BuiltAudio a;
    for (int i = 0; i < frames; ++i) {
        a.frameOffsets.push_back(a.bytes.size());
        a.bytes.insert(a.bytes.end(), {0xFF, 0xFD, 0xA4, 0x00});
        a.bytes.resize(a.bytes.size() + 572, 0);
    }
    return a;
}

// MPEG-1 Layer I 384 kbit/s 44.1 kHz: 416- and 420-byte frames by the padding rule.
inline BuiltAudio BuildLayer1Audio(int frames) {
    BuiltAudio a;
    long rest = 0;
    for (int i = 0; i < frames; ++i) {
        rest += 12 * 384000 % 44100;
        const bool pad = rest >= 44100;
        if (pad) rest -= 44100;
        a.frameOffsets.push_back(a.bytes.size());
        a.bytes.insert(a.bytes.end(), {0xFF, 0xFF, std::uint8_t(0xC0 | (pad ? 2 : 0)), 0x00});
        a.bytes.resize(a.bytes.size() + (pad ? 416 : 412), 0);
    }
    return a;
}

inline ps_mux::MuxInputs Inputs(std::size_t videoBytes, std::size_t audioBytes, int layer = 2) {
    ps_mux::MuxInputs in;
    in.video.valid = true;
    in.video.kind = stream_analysis::VideoKind::Mpeg2;
    in.video.bitrate = 4000000;
    in.video.framePeriod = 3600;
    in.video.fileSize = std::int64_t(videoBytes);
    in.audio.type = stream_analysis::AudioType::Mpeg;
    in.audio.fileSize = std::int64_t(audioBytes);
    if (layer == 2) {
        in.audio.layer = 2, in.audio.bitrate = 192000, in.audio.sampleRate = 48000;
        in.audio.samplesPerFrame = 1152, in.audio.frameLength = 576, in.audio.syncByte = 0xFD;
    } else {
        in.audio.layer = 1, in.audio.bitrate = 384000, in.audio.sampleRate = 44100;
        in.audio.samplesPerFrame = 384, in.audio.frameLength = 417, in.audio.syncByte = 0xFF;
    }
    return in;
}

// The "Error" box a shell would show for a run's result.
inline std::string BoxOf(const ps_mux::MuxResult& result) {
    return ps::ErrorBoxText(result.fault, result.encoderError);
}

class RecordingReport : public platform::RunReport {
public:
    void SetProgress(int step) override { progress.push_back(step); }
    void SetStatus(platform::RunStatus status) override { statuses.push_back(platform::StatusText(status)); }
    void AddMessage(const std::string& line) override { messages.push_back(line); }
    bool StopRequested() const override { return ++polls > stopAfterPolls; }

    std::vector<int> progress;
    std::vector<std::string> statuses;
    std::vector<std::string> messages;
    int stopAfterPolls = 1 << 30;
    mutable int polls = 0;
};

}  // namespace mux_testing
