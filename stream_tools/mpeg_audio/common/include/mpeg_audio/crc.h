// CRC-16 (polynomial 0x8005, start 0xFFFF) of protected MPEG audio frames.
#pragma once

#include <cstdint>

#include "mpeg_audio/audio_frame.h"

namespace mpa {

constexpr uint32_t kCrcStart = 0xFFFF;

// Feeds the `count` low bits of value, most significant first.
void UpdateCrc(uint32_t value, int count, uint32_t* crc);
// Header bits 16..31 (bitrate index to emphasis).
void UpdateCrcWithHeader(const AudioFrameHeader& header, uint32_t* crc);
void ComputeLayer1Crc(const AudioFrameParams& params, const unsigned int allocation[2][32], uint32_t* crc);
void ComputeLayer2Crc(const AudioFrameParams& params, const unsigned int allocation[2][32],
                      const unsigned int scfsi[2][32], uint32_t* crc);

}  // namespace mpa
