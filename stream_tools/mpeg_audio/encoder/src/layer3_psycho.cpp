#include "layer3_psycho.h"

namespace mpa {

bool Layer3PsychoModel::Setup(int rateHz) {
    rate_ = rateHz;
    return true;
}

void Layer3PsychoModel::Reset() {}

void Layer3PsychoModel::Run(const std::int16_t* samples, int channel, double quality, Layer3Ratios& ratios, double& pe,
                            Layer3GranuleInfo& gi, double* energy) {
    (void)channel;
    for (double& r : ratios.l) r = 0.03 / quality;
    for (auto& band : ratios.s)
        for (double& r : band) r = 0.03 / quality;
    pe = 0.0;
    gi.block_type = kNormalBlock;
    gi.window_switching_flag = 0;
    gi.mixed_block_flag = 0;
    if (energy) {
        double sum = 0.0;
        for (int i = 0; i < 576; ++i) sum += static_cast<double>(samples[i]) * samples[i];
        *energy = sum;
    }
}

}  // namespace mpa
