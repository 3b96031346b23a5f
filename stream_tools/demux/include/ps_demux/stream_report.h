// The lines the demultiplexer lists for a new audio or video track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ps_demux {

struct AudioTrackHeader {
    bool ok = false;
    std::uint8_t syncByte = 0;
    int layer = 0;
    std::uint32_t bitrate = 0;
    std::uint32_t frequency = 0;
    int samplesPerFrame = 0;
    int frameSize = 0;
};
// `header` is the first four bytes of the track. Lines go to `lines`, the refusal last.
AudioTrackHeader ParseAudioHeader(const std::uint8_t* header, std::vector<std::string>& lines);

struct VideoTrackHeader {
    bool ok = false;
    int kind = 2;  // 1 MPEG-1, 2 MPEG-2
    std::uint64_t bitrate = 0;
    int chroma = 1;
    std::uint32_t width = 0, height = 0;
    float frameRate = 0;
};
// `head` holds the first `available` bytes of the track (at least 160 are read when present).
VideoTrackHeader ParseVideoHeader(const std::uint8_t* head, std::size_t available, std::vector<std::string>& lines);

}  // namespace ps_demux
