// Psychoacoustic model 1 with the table files the build generates into the run directory.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "psycho_model1.h"

namespace {

TEST(PsychoModel1, GeneratedTablesLoadAndAreOrdered) {
    for (int layer : {1, 2}) {
        for (int index : {0, 1, 2, 4, 5, 6}) {
            mpa::PsychoModel1 model;
            std::string error;
            ASSERT_TRUE(model.Setup(layer, index, 96, &error)) << error;
            const auto& grid = model.Grid();
            ASSERT_GT(grid.size(), 50u);
            for (std::size_t i = 1; i < grid.size(); ++i) {
                EXPECT_GT(grid[i].line, grid[i - 1].line);
                EXPECT_GT(grid[i].bark, grid[i - 1].bark);
            }
            // Every subband holds at least one grid point.
            int half = layer == 1 ? 256 : 512;
            std::vector<int> perSubband(32, 0);
            for (const auto& point : grid) perSubband[std::min(point.line * 32 / half, 31)]++;
            for (int sb = 0; sb < 32; ++sb) EXPECT_GT(perSubband[sb], 0) << layer << " " << index << " " << sb;
            const auto& bands = model.CriticalBandStarts();
            EXPECT_EQ(bands.front(), 0);
            for (std::size_t b = 1; b < bands.size(); ++b) EXPECT_GT(bands[b], bands[b - 1]);
        }
    }
}

TEST(PsychoModel1, MissingTableIsAnError) {
    mpa::PsychoModel1 model;
    std::string error;
    EXPECT_FALSE(model.Setup(2, 9, 96, &error));
    EXPECT_EQ(error, "Please check 2cb9 boundary table");
    float smr[32];
    double multiple[32] = {};
    std::vector<std::int16_t> samples(1152, 0);
    EXPECT_FALSE(model.Run(samples.data(), 0, multiple, smr));
}

TEST(PsychoModel1, ToneRaisesItsSubbandAndSilenceNothing) {
    for (int layer : {1, 2}) {
        mpa::PsychoModel1 model;
        std::string error;
        ASSERT_TRUE(model.Setup(layer, 1, 64, &error)) << error;
        int frame = layer == 1 ? 384 : 1152;
        std::vector<std::int16_t> samples(1152, 0);
        double multiple[32];
        for (double& m : multiple) m = 1e-20;
        float smr[32];
        ASSERT_TRUE(model.Run(samples.data(), 0, multiple, smr));
        for (int sb = 0; sb < 32; ++sb) EXPECT_LT(smr[sb], 0.0f) << layer << " silence " << sb;

        for (int n = 0; n < 3; ++n) {
            for (int i = 0; i < frame; ++i)
                samples[i] = static_cast<std::int16_t>(16000 * std::sin(2 * std::numbers::pi * 2625.0 * (n * frame + i) / 48000.0));
            multiple[3] = 0.5;
            ASSERT_TRUE(model.Run(samples.data(), 0, multiple, smr));
        }
        int loudest = 0;
        for (int sb = 1; sb < 32; ++sb)
            if (smr[sb] > smr[loudest]) loudest = sb;
        EXPECT_EQ(loudest, 3) << layer;
        EXPECT_GT(smr[3], 20.0f) << layer;
    }
}

}  // namespace
