// Layers I and II: allocation, scale factors, samples, requantization and synthesis.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "decoder_state.h"
#include "mpeg_audio/console.h"
#include "mpeg_audio/crc.h"

namespace mpa {

namespace {

// The sample codes, read inline: away from the end of the frame one 8-byte load holds the code.
uint32_t ReadCode(BitStream& bs, int count) {
    const auto start = static_cast<uint64_t>(bs.totbit);
    if (start / 8 + 8 > bs.source_size) return GetBits(bs, count);
    uint64_t window;
    std::memcpy(&window, bs.source + start / 8, sizeof window);
    if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
    bs.totbit += count;
    return static_cast<uint32_t>((window << (start & 7)) >> (64 - count));
}

// A code c of a quantizer with `steps` levels stands for (2c - (steps - 1)) / steps of the scale
// factor: the level 2c - (steps - 1) is exact, and what one level is worth is worked out once per
// subband and scale block.
double LevelValue(unsigned scaleIndex, unsigned steps) { return ScaleFactorMultiple(scaleIndex) / steps; }

// The three codes packed into one grouped code of a 3-, 5- or 9-step quantizer, by table rather than
// by division; the table covers every code the field can hold, as the division did.
struct Digits {
    uint8_t d[3];
};
template <unsigned kSteps, unsigned kBits>
const Digits* GroupedDigits() {
    static const auto table = [] {
        std::array<Digits, 1u << kBits> t{};
        for (unsigned code = 0; code < t.size(); ++code)
            t[code] = {{static_cast<uint8_t>(code % kSteps), static_cast<uint8_t>(code / kSteps % kSteps),
                        static_cast<uint8_t>(code / kSteps / kSteps)}};
        return t;
    }();
    return table.data();
}

const Digits* GroupedDigitsOf(unsigned steps) {
    switch (steps) {
        case 3: return GroupedDigits<3, 5>();
        case 5: return GroupedDigits<5, 7>();
        case 9: return GroupedDigits<9, 10>();
        default: return nullptr;
    }
}

bool CheckCrc(uint32_t computed, uint32_t stored) {
    if (computed == stored) return true;
    ConsoleMessage("CRC error detected\n");
    return false;
}

}  // namespace

bool DecodeLayer1(DecoderState& s) {
    const AudioFrameParams& p = s.params;
    BitStream& bs = s.stream;
    const int channels = p.stereo;
    const int jsbound = p.jsbound;
    // DecodeLayer1BitAlloc
    for (int sb = 0; sb < 32; ++sb) {
        if (sb < jsbound) {
            for (int ch = 0; ch < channels; ++ch) s.allocation[ch][sb] = GetBits(bs, 4);
        } else {
            s.allocation[0][sb] = s.allocation[1][sb] = GetBits(bs, 4);
        }
    }
    for (int ch = 0; ch < channels; ++ch) {
        for (int sb = 0; sb < 32; ++sb) {
            if (s.allocation[ch][sb] == 15) return false;  // forbidden value: no quantizer for it
        }
    }
    if (p.header.error_protection) {
        uint32_t computed = 0;
        ComputeLayer1Crc(p, s.allocation, &computed);
        if (!CheckCrc(computed, s.storedCrc)) return false;
    }
    // DecodeLayer1Scale
    for (int sb = 0; sb < 32; ++sb) {
        for (int ch = 0; ch < channels; ++ch) s.scaleIndex[ch][0][sb] = s.allocation[ch][sb] ? GetBits(bs, 6) : 63;
    }
    double level[2][32];  // what one level is worth, 0 for a subband without samples
    for (int ch = 0; ch < channels; ++ch)
        for (int sb = 0; sb < 32; ++sb) {
            const unsigned nb = s.allocation[ch][sb];
            level[ch][sb] = nb ? LevelValue(s.scaleIndex[ch][0][sb], (2u << nb) - 1) : 0.0;
        }
    long clippedBefore = s.clipped;
    for (int slot = 0; slot < 12; ++slot) {
        // Above the bound one sample serves both channels, each with its own scale factor.
        for (int sb = 0; sb < 32; ++sb) {
            double shared = 0.0;
            for (int ch = 0; ch < channels; ++ch) {
                const unsigned nb = s.allocation[ch][sb];
                if (nb && !(sb >= jsbound && ch == 1)) {
                    const unsigned bits = nb + 1;
                    shared = 2.0 * ReadCode(bs, static_cast<int>(bits)) - ((1u << bits) - 2.0);
                }
                s.fraction[ch][slot][sb] = static_cast<float>(shared * level[ch][sb]);
            }
        }
    }
    for (int ch = 0; ch < channels; ++ch) s.clipped += SynthesizeSlots(s.synthesis, s.fraction[ch], 12, ch, s.pcm[ch]);
    OutputSamples(s, 12);
    if (s.clipped > clippedBefore) ConsoleMessage("%ld output samples clipped\n", s.clipped - clippedBefore);
    // Samples read past the bytes given are not the encoder's: a cut frame is dropped.
    return !EndOfStream(bs);
}

bool DecodeLayer2(DecoderState& s) {
    const AudioFrameParams& p = s.params;
    const AllocationTable& table = *p.alloc;
    BitStream& bs = s.stream;
    const int channels = p.stereo;
    const int sblimit = p.sblimit;
    const int jsbound = p.jsbound < sblimit ? p.jsbound : sblimit;
    // DecodeLayer2BitAlloc
    for (int sb = 0; sb < 32; ++sb) s.allocation[0][sb] = s.allocation[1][sb] = 0;
    for (int sb = 0; sb < sblimit; ++sb) {
        int nbal = static_cast<int>(table[sb][0].bits);
        if (sb < jsbound) {
            for (int ch = 0; ch < channels; ++ch) s.allocation[ch][sb] = GetBits(bs, nbal);
        } else {
            s.allocation[0][sb] = s.allocation[1][sb] = GetBits(bs, nbal);
        }
    }
    for (int sb = 0; sb < sblimit; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            s.scfsi[ch][sb] = s.allocation[ch][sb] ? GetBits(bs, 2) : 0;
        }
    }
    if (p.header.error_protection) {
        uint32_t computed = 0;
        ComputeLayer2Crc(p, s.allocation, s.scfsi, &computed);
        if (!CheckCrc(computed, s.storedCrc)) return false;
    }
    // DecodeLayer2Scale
    for (int sb = 0; sb < 32; ++sb) {
        for (int ch = 0; ch < channels; ++ch) {
            unsigned a = 63, b = 63, c = 63;
            if (sb < sblimit && s.allocation[ch][sb]) {
                switch (s.scfsi[ch][sb]) {
                    case 0: a = GetBits(bs, 6); b = GetBits(bs, 6); c = GetBits(bs, 6); break;
                    case 1: a = b = GetBits(bs, 6); c = GetBits(bs, 6); break;
                    case 2: a = b = c = GetBits(bs, 6); break;
                    default: a = GetBits(bs, 6); b = c = GetBits(bs, 6); break;
                }
            }
            s.scaleIndex[ch][0][sb] = a;
            s.scaleIndex[ch][1][sb] = b;
            s.scaleIndex[ch][2][sb] = c;
        }
    }
    // How each coded subband's codes are read, and what one level is worth in each scale block.
    const AllocationEntry* quantizer[2][32] = {};
    const Digits* groups[2][32] = {};
    double level[2][3][32] = {};
    for (int ch = 0; ch < channels; ++ch)
        for (int sb = 0; sb < sblimit; ++sb) {
            const unsigned index = s.allocation[ch][sb];
            if (!index) continue;
            const AllocationEntry& entry = table[sb][index];
            if (entry.steps == 0) return false;  // allocation index outside the table
            quantizer[ch][sb] = &entry;
            if (entry.group == 1 && !(groups[ch][sb] = GroupedDigitsOf(entry.steps))) return false;
            for (int block = 0; block < 3; ++block) level[ch][block][sb] = LevelValue(s.scaleIndex[ch][block][sb], entry.steps);
        }
    long clippedBefore = s.clipped;
    for (int part = 0; part < 12; ++part) {
        const int block = part / 4;
        for (int ch = 0; ch < channels; ++ch)
            for (int k = 0; k < 3; ++k) std::fill(s.fraction[ch][3 * part + k] + sblimit, s.fraction[ch][3 * part + k] + 32, 0.0f);
        for (int sb = 0; sb < sblimit; ++sb) {
            double levels[3] = {0.0, 0.0, 0.0};  // above the bound channel 1 takes channel 0's levels
            for (int ch = 0; ch < channels; ++ch) {
                const AllocationEntry* entry = quantizer[ch][sb];
                if (!(sb >= jsbound && ch == 1)) {
                    if (!entry) {
                        levels[0] = levels[1] = levels[2] = 0.0;
                    } else {
                        const double offset = entry->steps - 1.0;
                        const int bits = static_cast<int>(entry->bits);
                        if (entry->group == 1) {
                            const unsigned code = ReadCode(bs, bits);
                            const Digits& d = groups[ch][sb][code];
                            for (int k = 0; k < 3; ++k) levels[k] = 2.0 * d.d[k] - offset;
                        } else {
                            for (int k = 0; k < 3; ++k) levels[k] = 2.0 * ReadCode(bs, bits) - offset;
                        }
                    }
                }
                const double worth = level[ch][block][sb];
                for (int k = 0; k < 3; ++k) s.fraction[ch][3 * part + k][sb] = static_cast<float>(levels[k] * worth);
            }
        }
    }
    for (int ch = 0; ch < channels; ++ch) s.clipped += SynthesizeSlots(s.synthesis, s.fraction[ch], 36, ch, s.pcm[ch]);
    OutputSamples(s, 36);
    if (s.clipped > clippedBefore) ConsoleMessage("%ld samples clipped\n", s.clipped - clippedBefore);
    return !EndOfStream(bs);
}

}  // namespace mpa
