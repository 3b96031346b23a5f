// Polyphase synthesis filterbank: 32 subband samples in, 32 PCM samples out per slot.
#include <algorithm>
#include <cstring>

#include "decoder_state.h"
#include "mpeg_audio/layer3_tables.h"
#include "vector_kernels.h"

namespace mpa {

namespace {

void BuildWindow(SynthesisState& synthesis) {
    for (int i = 0; i < 512; ++i) synthesis.window[i] = static_cast<float>(SynthesisWindow(i));
    synthesis.ready = true;
}

}  // namespace

int SynthesizeSlots(SynthesisState& synthesis, const float (*fractions)[32], int slots, int channel,
                    int16_t (*out)[32]) {
    if (!synthesis.ready) BuildWindow(synthesis);
    int& offset = synthesis.offset[channel];
    float* history = synthesis.history[channel].data();
    int clipped = 0;
    // The transforms of four slots run side by side; the windowing after them goes slot by slot,
    // as each slot's output depends on the ones before it.
    for (int first = 0; first < slots; first += 4) {
        const int count = std::min(4, slots - first);
        const float* lanes[4];
        for (int lane = 0; lane < 4; ++lane) lanes[lane] = fractions[first + std::min(lane, count - 1)];  // spare lanes repeat a slot
        float transformed[4][32];
        CosineTransforms4(lanes, transformed);
        for (int lane = 0; lane < count; ++lane) {
            const float* x = transformed[lane];
            offset = (offset - 64) & 1023;
            float* v = history + offset;
            for (int i = 0; i < 16; ++i) v[i] = x[i + 16];
            v[16] = 0.0f;
            for (int i = 17; i < 48; ++i) v[i] = -x[48 - i];
            for (int i = 48; i < 64; ++i) v[i] = -x[i - 48];
            std::memcpy(v + 1024, v, 64 * sizeof(float));
            float sums[32];
            WindowedSums(synthesis.window.data(), v, sums);
            clipped += PcmFromSums(sums, out[first + lane]);
        }
    }
    return clipped;
}

}  // namespace mpa
