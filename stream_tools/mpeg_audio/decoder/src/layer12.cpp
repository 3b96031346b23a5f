// Layers I and II: allocation, scale factors, samples, requantization and synthesis.
#include "decoder_state.h"
#include "mpeg_audio/console.h"
#include "mpeg_audio/crc.h"

namespace mpa {

namespace {

// Requantized value of a code of a quantizer with `steps` levels: the standard's
// C x (s''' + D), which is the same as (2c - (steps - 1)) / steps.
double Requantize(unsigned code, unsigned steps) {
    return (2.0 * code - (steps - 1.0)) / steps;
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
    long clippedBefore = s.clipped;
    for (int slot = 0; slot < 12; ++slot) {
        // BufferLayer1Samples, DequantizeLayer1, DenormalizeLayer1; above the bound one sample
        // serves both channels, each with its own scale factor.
        for (int sb = 0; sb < 32; ++sb) {
            double shared = 0.0;
            for (int ch = 0; ch < channels; ++ch) {
                unsigned nb = s.allocation[ch][sb];
                double value = 0.0;
                if (sb >= jsbound && ch == 1) {
                    value = shared;
                } else if (nb) {
                    unsigned bits = nb + 1;
                    value = Requantize(GetBits(bs, static_cast<int>(bits)), (1u << bits) - 1);
                    shared = value;
                }
                s.fraction[ch][0][sb] = nb ? value * ScaleFactorMultiple(s.scaleIndex[ch][0][sb]) : 0.0;
            }
        }
        for (int ch = 0; ch < channels; ++ch) {
            s.clipped += SynthesizeSubbands(s.synthesis, s.fraction[ch][0], ch, s.pcm[ch][0]);
        }
        OutputSamples(s, 1);
    }
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
    long clippedBefore = s.clipped;
    double raw[2][3][32];
    for (int part = 0; part < 12; ++part) {
        const int block = part / 4;
        // BufferLayer2Samples and DequantizeLayer2
        for (int sb = 0; sb < 32; ++sb) {
            for (int ch = 0; ch < channels; ++ch) {
                if (sb >= sblimit || (sb >= jsbound && ch == 1)) {
                    if (sb < sblimit) {
                        for (int k = 0; k < 3; ++k) raw[1][k][sb] = raw[0][k][sb];
                    } else {
                        for (int k = 0; k < 3; ++k) raw[ch][k][sb] = 0.0;
                    }
                    continue;
                }
                unsigned index = s.allocation[ch][sb];
                if (!index) {
                    for (int k = 0; k < 3; ++k) raw[ch][k][sb] = 0.0;
                    continue;
                }
                const AllocationEntry& entry = table[sb][index];
                if (entry.steps == 0) return false;  // allocation index outside the table
                if (entry.group == 1) {
                    unsigned code = GetBits(bs, static_cast<int>(entry.bits));
                    for (int k = 0; k < 3; ++k) {
                        raw[ch][k][sb] = Requantize(code % entry.steps, entry.steps);
                        code /= entry.steps;
                    }
                } else {
                    for (int k = 0; k < 3; ++k) {
                        raw[ch][k][sb] = Requantize(GetBits(bs, static_cast<int>(entry.bits)), entry.steps);
                    }
                }
            }
        }
        // DenormalizeLayer2 with scale block part / 4
        for (int ch = 0; ch < channels; ++ch) {
            for (int k = 0; k < 3; ++k) {
                for (int sb = 0; sb < 32; ++sb) {
                    s.fraction[ch][k][sb] = raw[ch][k][sb] * ScaleFactorMultiple(s.scaleIndex[ch][block][sb]);
                }
            }
        }
        for (int ch = 0; ch < channels; ++ch) {
            for (int k = 0; k < 3; ++k) {
                s.clipped += SynthesizeSubbands(s.synthesis, s.fraction[ch][k], ch, s.pcm[ch][k]);
            }
        }
        OutputSamples(s, 3);
    }
    if (s.clipped > clippedBefore) ConsoleMessage("%ld samples clipped\n", s.clipped - clippedBefore);
    return !EndOfStream(bs);
}

}  // namespace mpa
