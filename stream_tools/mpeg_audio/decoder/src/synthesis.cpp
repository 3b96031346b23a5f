// Polyphase synthesis filterbank: 32 subband samples in, 32 PCM samples out per call.
#include <cmath>

#include "decoder_state.h"
#include "mpeg_audio/layer3_tables.h"

namespace mpa {

namespace {

double RoundTo1e9(double value) {
    return std::round(value * 1e9) / 1e9;  // std::round: half away from zero
}

void BuildSynthesisMatrix(SynthesisState& synthesis) {
    for (int i = 0; i < 64; ++i) {
        for (int k = 0; k < 32; ++k) {
            synthesis.matrix[i][k] = RoundTo1e9(std::cos((16 + i) * (2 * k + 1) * M_PI / 64.0));
        }
    }
    for (int i = 0; i < 512; ++i) synthesis.window[i] = SynthesisWindow(i);
    synthesis.ready = true;
}

}  // namespace

int SynthesizeSubbands(SynthesisState& synthesis, const double* fractions, int channel, int16_t* out) {
    if (!synthesis.ready) BuildSynthesisMatrix(synthesis);
    int& offset = synthesis.offset[channel];
    offset = (offset - 64) & 1023;
    double* history = synthesis.history[channel].data();
    for (int i = 0; i < 64; ++i) {
        const double* row = synthesis.matrix[i].data();
        double sum = 0;
        for (int k = 0; k < 32; ++k) sum += row[k] * fractions[k];
        history[offset + i] = sum;
    }
    int clipped = 0;
    for (int j = 0; j < 32; ++j) {
        double sum = 0;
        for (int i = 0; i < 16; ++i) {
            sum += synthesis.window[j + 32 * i] * history[(32 * i + j + 64 * ((i + 1) / 2) + offset) & 1023];
        }
        double sample = std::round(sum * 32768.0);
        if (sample >= 32768.0) {
            sample = 32767.0;
            ++clipped;
        } else if (sample < -32768.0) {
            sample = -32768.0;
            ++clipped;
        }
        out[j] = static_cast<int16_t>(sample);
    }
    return clipped;
}

}  // namespace mpa
