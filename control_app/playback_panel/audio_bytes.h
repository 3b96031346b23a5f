// Byte arithmetic of the audio channel: 16-bit stereo samples (4 bytes) at 48, 44.1 or 32 kHz,
// counted in fields of the TV standard. A field holds a whole number of bytes in 625 lines; in 525
// lines (60000/1001 fields a second) it holds a fraction, so the channel keeps bytes per field as
// numerator / denominator and converts in 64 bits with quotient and remainder apart.
#pragma once

#include <cstdint>

#include "timecode/timecode.h"

namespace velmar {

// The rate index of the panel: 1 48 kHz, 2 44.1 kHz, 3 32 kHz.
enum class AudioRate : int { k48 = 1, k44 = 2, k32 = 3 };

struct AudioFraction {
    std::uint32_t numerator = 3840;  // bytes per field ...
    std::uint32_t denominator = 1;   // ... divided by this
};

inline AudioFraction BytesPerField(AudioRate rate, TvStandard standard) {
    const bool pal = standard == TvStandard::Pal;
    switch (rate) {
    case AudioRate::k44: return pal ? AudioFraction{3528, 1} : AudioFraction{147147, 50};
    case AudioRate::k32: return pal ? AudioFraction{2560, 1} : AudioFraction{32032, 15};
    case AudioRate::k48: break;
    }
    return pal ? AudioFraction{3840, 1} : AudioFraction{16016, 5};
}

// Bits 0-1 of the audio control byte: 2 48 kHz, 1 44.1 kHz, 0 32 kHz.
inline int AudioRateCode(AudioRate rate) { return rate == AudioRate::k48 ? 2 : rate == AudioRate::k44 ? 1 : 0; }
inline int AudioRateKiloHertz(AudioRate rate) { return rate == AudioRate::k48 ? 48 : rate == AudioRate::k44 ? 44 : 32; }
// Whole fields in `bytes` (rounded down).
inline std::uint64_t AudioBytesToFields(std::uint64_t bytes, AudioFraction f) {
    return bytes / f.numerator * f.denominator + bytes % f.numerator * f.denominator / f.numerator;
}
// The bytes of `fields` fields (rounded down).
inline std::uint64_t AudioFieldsToBytes(std::uint64_t fields, AudioFraction f) {
    return fields / f.denominator * f.numerator + fields % f.denominator * f.numerator / f.denominator;
}
// Offsets the board takes start on a whole sample of both channels.
inline std::uint64_t RoundDownToSample(std::uint64_t bytes) { return bytes & ~std::uint64_t{3}; }

// The variable-play step for a speed in percent (256 normal speed, larger slower).
inline std::uint32_t AudioStepForPercent(int percent) { return 25600u / static_cast<std::uint32_t>(percent < 1 ? 1 : percent); }

}  // namespace velmar
