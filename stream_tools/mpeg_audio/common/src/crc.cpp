#include "mpeg_audio/crc.h"

namespace mpa {

void UpdateCrc(uint32_t value, int count, uint32_t* crc) {
    uint32_t c = *crc;
    for (int i = count - 1; i >= 0; --i) {
        uint32_t bit = (value >> i) & 1;
        uint32_t top = (c >> 15) & 1;
        c <<= 1;
        if (bit != top) c ^= 0x8005;
    }
    *crc = c & 0xFFFF;
}

void UpdateCrcWithHeader(const AudioFrameHeader& h, uint32_t* crc) {
    UpdateCrc(static_cast<uint32_t>(h.bitrate_index), 4, crc);
    UpdateCrc(static_cast<uint32_t>(h.sampling_frequency), 2, crc);
    UpdateCrc(static_cast<uint32_t>(h.padding), 1, crc);
    UpdateCrc(static_cast<uint32_t>(h.extension), 1, crc);
    UpdateCrc(static_cast<uint32_t>(h.mode), 2, crc);
    UpdateCrc(static_cast<uint32_t>(h.mode_ext), 2, crc);
    UpdateCrc(static_cast<uint32_t>(h.copyright), 1, crc);
    UpdateCrc(static_cast<uint32_t>(h.original), 1, crc);
    UpdateCrc(static_cast<uint32_t>(h.emphasis), 2, crc);
}

void ComputeLayer1Crc(const AudioFrameParams& params, const unsigned int allocation[2][32], uint32_t* crc) {
    *crc = kCrcStart;
    UpdateCrcWithHeader(params.header, crc);
    for (int sb = 0; sb < kSubbands; ++sb) {
        int channels = sb < params.jsbound ? params.stereo : 1;
        for (int ch = 0; ch < channels; ++ch) UpdateCrc(allocation[ch][sb], 4, crc);
    }
}

void ComputeLayer2Crc(const AudioFrameParams& params, const unsigned int allocation[2][32],
                      const unsigned int scfsi[2][32], uint32_t* crc) {
    *crc = kCrcStart;
    UpdateCrcWithHeader(params.header, crc);
    const AllocationTable& table = *params.alloc;
    for (int sb = 0; sb < params.sblimit; ++sb) {
        int channels = sb < params.jsbound ? params.stereo : 1;
        for (int ch = 0; ch < channels; ++ch) UpdateCrc(allocation[ch][sb], static_cast<int>(table[sb][0].bits), crc);
    }
    for (int sb = 0; sb < params.sblimit; ++sb) {
        for (int ch = 0; ch < params.stereo; ++ch) {
            if (allocation[ch][sb]) UpdateCrc(scfsi[ch][sb], 2, crc);
        }
    }
}

}  // namespace mpa
