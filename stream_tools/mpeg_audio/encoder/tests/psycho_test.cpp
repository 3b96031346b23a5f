// FFT, analysis filter and psychoacoustic model 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "analysis_filter.h"
#include "fft.h"
#include "psycho_model2.h"

namespace {

TEST(Fft, PackedLayoutMatchesADirectTransform) {
    for (int log2n : {3, 8, 10}) {
        int n = 1 << log2n;
        std::mt19937 random(log2n);
        std::uniform_real_distribution<float> value(-1000.0f, 1000.0f);
        std::vector<float> data(n);
        for (float& x : data) x = value(random);
        std::vector<float> packed = data;
        ASSERT_TRUE(mpa::SRFFT(packed.data(), log2n));
        for (int k = 0; k <= n / 2; ++k) {
            double re = 0.0, im = 0.0;
            for (int t = 0; t < n; ++t) {
                re += data[t] * std::cos(2.0 * std::numbers::pi * k * t / n);
                im -= data[t] * std::sin(2.0 * std::numbers::pi * k * t / n);
            }
            double tolerance = 1e-4 * n * 1000.0;
            EXPECT_NEAR(packed[k], re, tolerance) << n << " line " << k;
            if (k > 0 && k < n / 2) {
                EXPECT_NEAR(std::fabs(packed[n - k]), std::fabs(im), tolerance) << n << " line " << k;
            }
        }
    }
    float dummy[4] = {};
    EXPECT_FALSE(mpa::SRFFT(dummy, 26));
    EXPECT_FALSE(mpa::SRFFT(dummy, -1));
}

TEST(Fft, SpectrumOfSilenceAndItsMirror) {
    mpa::RealFft fft(10);
    std::vector<float> zeros(1024, 0.0f), energy(1024), phase(1024);
    ASSERT_TRUE(mpa::ComputeSpectrum(fft, zeros.data(), energy.data(), phase.data(), 1024));
    EXPECT_EQ(energy[0], 0.0f);
    EXPECT_EQ(energy[512], 0.0f);
    for (int k = 1; k < 512; ++k) {
        EXPECT_FLOAT_EQ(energy[k], 0.0005f);
        EXPECT_EQ(phase[k], 0.0f);
    }
    std::vector<float> tone(1024);
    for (int i = 0; i < 1024; ++i) tone[i] = static_cast<float>(1000.0 * std::cos(2.0 * std::numbers::pi * 37.0 * i / 1024.0 + 0.3));
    ASSERT_TRUE(mpa::ComputeSpectrum(fft, tone.data(), energy.data(), phase.data(), 1024));
    EXPECT_NEAR(energy[37], 512000.0 * 512000.0, 1e7);
    EXPECT_NEAR(std::fabs(phase[37]), 0.3, 1e-3);
    for (int i = 1; i < 512; ++i) {
        EXPECT_EQ(energy[512 + i], energy[512 - i]);
        EXPECT_EQ(phase[512 + i], -phase[512 - i]);
    }
    mpa::RealFft small(8);
    EXPECT_FALSE(mpa::ComputeSpectrum(small, tone.data(), energy.data(), phase.data(), 512));
}

TEST(PsychoModel2, AbsoluteThresholdsReproduceTheTableHeads) {
    struct Case {
        double rate;
        double values[4];
    } cases[] = {{32000, {1.0156347e10, 3.3708348e7, 3.9878388e6, 1.2698069e6}},
                 {44100, {4.8835709e8, 5.898447e6, 1.1317165e6, 4.6637753e5}},
                 {48000, {2.4759246e8, 3.9878388e6, 8.5258469e5, 3.7216675e5}}};
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(mpa::PsychoModel2::AbsoluteThreshold(i, c.rate) / c.values[i], 1.0, 1e-6) << c.rate << " " << i;
        EXPECT_NEAR(mpa::PsychoModel2::AbsoluteThreshold(512, c.rate) / 6.0776765e13, 1.0, 1e-6);
    }
}

TEST(PsychoModel2, SilenceGivesTheSameRatiosEveryFrame) {
    for (int layer : {1, 2}) {
        for (double rate : {32000.0, 44100.0, 48000.0}) {
            mpa::PsychoModel2 model;
            std::vector<std::int16_t> silence(1152, 0);
            float first[32], later[32];
            for (int frame = 0; frame < 3; ++frame) ASSERT_TRUE(model.Run(silence.data(), 0, layer, rate, first));
            ASSERT_TRUE(model.Run(silence.data(), 1, layer, rate, first));
            ASSERT_TRUE(model.Run(silence.data(), 0, layer, rate, later));
            for (int sb = 0; sb < 32; ++sb) {
                EXPECT_FLOAT_EQ(first[sb], later[sb]) << layer << " " << rate << " " << sb;
                EXPECT_LT(later[sb], 0.0f);  // nothing to code
            }
            EXPECT_LE(model.PartitionCount(), mpa::PsychoModel2::kMaxPartitions);
            EXPECT_GT(model.PartitionCount(), 40);
        }
    }
    mpa::PsychoModel2 model;
    std::vector<std::int16_t> silence(1152, 0);
    float smr[32];
    EXPECT_FALSE(model.Run(silence.data(), 0, 2, 22050.0, smr));
    EXPECT_FALSE(model.Run(silence.data(), 0, 3, 48000.0, smr));
}

TEST(PsychoModel2, ToneRaisesItsOwnSubband) {
    mpa::PsychoModel2 model;
    std::vector<std::int16_t> tone(1152);
    float smr[32];
    for (int frame = 0; frame < 4; ++frame) {
        for (int i = 0; i < 1152; ++i)
            tone[i] = static_cast<std::int16_t>(16000 * std::sin(2.0 * std::numbers::pi * 2625.0 * (frame * 1152 + i) / 48000.0));
        ASSERT_TRUE(model.Run(tone.data(), 0, 2, 48000.0, smr));
    }
    int loudest = 0;
    for (int sb = 1; sb < 32; ++sb)
        if (smr[sb] > smr[loudest]) loudest = sb;
    EXPECT_EQ(loudest, 3);  // 2625 Hz is in the middle of subband 3 (2250..3000 Hz)
    EXPECT_GT(smr[3], 20.0f);
}

// 5100 Hz at 32 kHz lies 100 Hz inside subband 10; the filter bank leaks it into subband 9 as well.
TEST(PsychoModel2, ToneNearAnEdgeGivesItsLeakBandARatio) {
    mpa::PsychoModel2 model;
    mpa::AnalysisFilter filter;
    std::vector<std::int16_t> tone(1152);
    double sample[3][12][32];
    float smr[32], raised[32];
    for (int frame = 0; frame < 4; ++frame) {
        for (int i = 0; i < 1152; ++i)
            tone[i] = static_cast<std::int16_t>(8000 * std::sin(2.0 * std::numbers::pi * 5100.0 * (frame * 1152 + i) / 32000.0));
        for (int block = 0; block < 36; ++block) filter.Filter(tone.data() + 32 * block, 0, sample[block / 12][block % 12]);
        ASSERT_TRUE(model.Run(tone.data(), 0, 2, 32000.0, smr));
    }
    std::copy(smr, smr + 32, raised);
    mpa::RaiseRatiosToSubbandEnergy(sample, 3, model.BandMask(0), raised);
    EXPECT_LT(smr[9], 5.0f);
    EXPECT_GT(raised[9], 15.0f);
    EXPECT_EQ(raised[10], smr[10]);  // the tone's own band: its spectrum already shows it
    EXPECT_EQ(raised[20], smr[20]);
    for (int sb = 0; sb < 32; ++sb) EXPECT_GE(raised[sb], smr[sb]) << sb;
}

TEST(AnalysisFilter, ToneLandsInItsSubband) {
    mpa::AnalysisFilter filter;
    double energy[32] = {};
    std::int16_t block[32];
    double subband[32];
    for (int b = 0; b < 200; ++b) {
        for (int i = 0; i < 32; ++i)
            block[i] = static_cast<std::int16_t>(20000 * std::cos(std::numbers::pi * (5.5 / 32.0) * (32 * b + i)));
        filter.Filter(block, 1, subband);
        if (b >= 20)
            for (int k = 0; k < 32; ++k) energy[k] += subband[k] * subband[k];
    }
    double total = 0.0;
    for (double e : energy) total += e;
    EXPECT_GT(energy[5] / total, 0.999);
    // Gain: a full-band sample sequence of amplitude 20000 gives subband samples of about 20000/32768.
    EXPECT_NEAR(std::sqrt(energy[5] / (180 * 32 / 32.0) * 2.0), 20000.0 / 32768.0, 0.02);
}

}  // namespace
