// Layer III frame formatter: header and side information at each frame's start, main data in the
// space after them and, through main_data_begin, in the space earlier frames left free. Frames leave
// only when complete; `Flush` completes the rest with zero bits at the end of a run.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "layer3_types.h"
#include "mpeg_audio/audio_frame.h"

namespace mpa {

class Layer3Formatter {
public:
    void Reset();

    // Main data bytes that the next frame may start back (free space of frames not yet out).
    int FreeBytes() const;

    // `WriteLayer3Frame`: queues one frame of `frameBits` bits and writes its main data; `signedIx`
    // carries the signs. Sets side.main_data_begin. False when the main data do not fit (a fault of the
    // caller's bit accounting).
    bool WriteFrame(const AudioFrameHeader& header, int frameBits, Layer3SideInfo& side,
                    const int signedIx[2][2][576], const Layer3ScaleFactors sf[2][2], int channels, int granules,
                    int bandTable);

    // Appends every complete frame's bytes to `out` and drops them from the queue.
    void TakeCompleteFrames(std::vector<std::uint8_t>& out);
    // Completes every queued frame (free space stays zero) and appends them.
    void Flush(std::vector<std::uint8_t>& out);

private:
    struct Pending {
        std::size_t start, side_end, end;  // bytes in buffer_
    };
    void PutMain(std::uint32_t value, int count);
    void AdvanceOverSideInfo();
    void WriteGranule(const Layer3GranuleInfo& gi, const int* ix, const Layer3ScaleFactors& sf, int gr, int ch,
                      const Layer3SideInfo& side, int bandTable, bool lsf);

    std::vector<std::uint8_t> buffer_;
    std::deque<Pending> frames_;
    std::size_t write_bit_ = 0;  // next main data bit in buffer_
    std::size_t current_ = 0;    // queued frame whose main data space write_bit_ is in
    bool overflow_ = false;
};

// Side information bits of a frame after the 32-bit header (and the CRC).
int Layer3SideInfoBits(int version, int channels);

}  // namespace mpa
