// The generators' streams read back by the test decoder: FADE_CROSS levels and frame sizes,
// DISSOLVE's switched blocks, the cut of the run directory, cancel, and the .adb of each stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "alpha_stream/alpha_generators.h"
#include "alpha_stream/alpha_reader.h"
#include "alpha_test_decoder.h"
#include "index_formats/index_files.h"
#include "velmar_testing/test_support.h"

namespace {

using namespace alpha_stream;
using alpha_test::DecodedFrame;

std::vector<DecodedFrame> Generate(AlphaGenParams params, std::optional<std::uint32_t> seed = 7) {
    params.outputFile = velmar_testing::TempDir() + "/gen.alp";
    AlphaGenRun run;
    run.seed = seed;
    const platform::RunResult result = params.type == kDissolve ? GenerateDissolveAlpha(params, run) : GenerateFadeCrossAlpha(params, run);
    EXPECT_EQ(result.status, platform::RunStatus::Done);
    std::string problem;
    EXPECT_TRUE(BuildAlphaIndexFile(params.outputFile, &problem)) << problem;
    const auto bytes = alpha_test::ReadFile(params.outputFile);
    auto frames = alpha_test::DecodeStream(bytes);
    // One .adb entry per field, at each frame's marker.
    const auto adb = index_formats::ReadAlphaIndexFile(index_formats::IndexPathBeside(params.outputFile, ".adb"));
    EXPECT_TRUE(adb);
    EXPECT_EQ(adb ? adb->size() : 0, frames.size());
    for (std::size_t i = 0; adb && i < std::min(adb->size(), frames.size()); ++i)
        EXPECT_EQ((*adb)[i].ByteOffset(), frames[i].offset);
    return frames;
}

bool AllAre(const std::vector<int>& units, int value) {
    return std::all_of(units.begin(), units.end(), [value](int u) { return u == value; });
}

int Level0(const DecodedFrame& f) { return static_cast<int>(f.Mix2(0) & 0x1FF); }

TEST(FadeCross, FiftyFieldsFromFullToNone) {
    EXPECT_EQ(FadeCrossStep(255, 0, 50), -341054);
    AlphaGenParams params;  // the dialog's defaults: 720 x 480, 50 fields, 255 to 0
    const auto frames = Generate(params);
    ASSERT_EQ(frames.size(), 50u);
    const std::vector<int> first = {255, 249, 244, 239, 234, 228};
    const std::vector<int> last = {15, 10, 5, 0};
    for (std::size_t i = 0; i < first.size(); ++i) EXPECT_EQ(Level0(frames[i]), first[i]) << "field " << i;
    for (std::size_t i = 0; i < last.size(); ++i) EXPECT_EQ(Level0(frames[46 + i]), last[i]) << "field " << 46 + i;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const DecodedFrame& f = frames[i];
        const int level = Level0(f);
        EXPECT_EQ(f.Mix2(0), std::uint32_t(level) | std::uint32_t(255 - level) << 16);
        EXPECT_EQ(f.offset, i * 320);
        EXPECT_EQ(f.frameLength, 314u);
        EXPECT_EQ(f.words[3], 68u + 120 + 4);  // chroma table after the 4 luma code bytes
        EXPECT_EQ(f.lumaTable, std::vector<std::uint32_t>(30, 120));
        EXPECT_EQ(f.chromaTable, std::vector<std::uint32_t>(30, 120));
        EXPECT_EQ(f.lumaCodeBytes, 4u);
        EXPECT_EQ(f.chromaCodeBytes, 2u);
        EXPECT_TRUE(AllAre(f.luma, alpha_test::kSelector));
        EXPECT_TRUE(AllAre(f.chroma, alpha_test::kSelector));
        for (int k = 1; k < 4; ++k) EXPECT_EQ(f.Mix2(k), 0u);
        if (i > 0) {
            EXPECT_LE(level, Level0(frames[i - 1]));
        }
    }
}

TEST(FadeCross, OneAndTwoFields) {
    AlphaGenParams params;
    params.startLevel = 40;
    params.endLevel = 200;
    params.fieldCount = 1;
    auto frames = Generate(params);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(Level0(frames[0]), 200);
    params.fieldCount = 2;
    frames = Generate(params);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(Level0(frames[0]), 40);
    EXPECT_EQ(Level0(frames[1]), 200);
}

// Blocks of the dissolve grid switched to video 1 in a decoded frame, from its luma; checks that
// every block is whole (all its pixels alike) and that chroma follows luma.
std::vector<bool> SwitchedBlocks(const DecodedFrame& f, int block) {
    const int rows = (static_cast<int>(f.height) + block - 1) / block;
    const int columns = (static_cast<int>(f.width) + block - 1) / block;
    std::vector<int> state(static_cast<std::size_t>(rows * columns), -1);
    for (int l = 0; l < static_cast<int>(f.height) / 2; ++l) {
        for (int x = 0; x < static_cast<int>(f.width); ++x) {
            const int v = f.luma[static_cast<std::size_t>(l) * f.width + static_cast<std::size_t>(x)];
            EXPECT_TRUE(v == alpha_test::kVideo0 || v == alpha_test::kVideo1);
            int& s = state[static_cast<std::size_t>((l / (block / 2)) * columns + x / block)];
            if (s == -1) s = v;
            EXPECT_EQ(s, v) << "block split at line " << l << " pixel " << x;
            if (x % 2 == 0) {
                EXPECT_EQ(f.chroma[static_cast<std::size_t>(l) * (f.width / 2) + x / 2], v);
            }
        }
    }
    std::vector<bool> switched;
    for (int s : state) switched.push_back(s == alpha_test::kVideo1);
    return switched;
}

TEST(Dissolve, FixedSeedSwitchesTheTargetPerFieldAndOnlyGrows) {
    AlphaGenParams params;
    params.type = kDissolve;
    params.fieldCount = 12;
    params.horizontal = 352;
    params.vertical = 480;
    params.startLevel = 32;
    const auto frames = Generate(params);
    ASSERT_EQ(frames.size(), 12u);
    const std::size_t blocks = (480 + 31) / 32 * ((352 + 31) / 32);  // 15 x 11
    const std::uint64_t step = (blocks * 4096 + 11 / 2) / 11;
    std::vector<bool> previous(blocks, false);
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const auto switched = SwitchedBlocks(frames[k], 32);
        const std::size_t count = static_cast<std::size_t>(std::count(switched.begin(), switched.end(), true));
        const std::size_t target = k == 0 ? 0 : k == frames.size() - 1 ? blocks : k * step / 4096;
        EXPECT_EQ(count, target) << "field " << k;
        for (std::size_t b = 0; b < blocks; ++b)
            if (previous[b]) {
                EXPECT_TRUE(switched[b]) << "block " << b << " switched back in field " << k;
            }
        previous = switched;
        for (int m = 0; m < 4; ++m) EXPECT_EQ(frames[k].Mix2(m), 0u);
    }
    // The pure fields share one code per plane.
    EXPECT_EQ(frames.front().lumaTable, std::vector<std::uint32_t>(30, 120));
    EXPECT_EQ(frames.back().chromaTable, std::vector<std::uint32_t>(30, 120));
    // A fixed seed gives the same stream again; another seed another one.
    EXPECT_EQ(SwitchedBlocks(Generate(params)[5], 32), SwitchedBlocks(frames[5], 32));
    EXPECT_NE(SwitchedBlocks(Generate(params, 8)[5], 32), SwitchedBlocks(frames[5], 32));
}

TEST(Dissolve, OddBlockSizesAreRoundedDownToEven) {
    AlphaGenParams params;
    params.type = kDissolve;
    params.fieldCount = 4;
    params.horizontal = 720;
    params.vertical = 576;
    params.startLevel = 5;
    const auto frames = Generate(params);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(DissolveBlockSize(5), 4);
    const auto switched = SwitchedBlocks(frames[2], 4);
    EXPECT_EQ(switched.size(), 144u * 180u);
    EXPECT_EQ(static_cast<std::size_t>(std::count(switched.begin(), switched.end(), true)),
              2 * ((144u * 180u * 4096 + 1) / 3) / 4096);
}

TEST(Dissolve, OneFieldIsFullySwitchedAndIsTheRunDirectorysCut) {
    AlphaGenParams params;
    params.type = kDissolve;
    params.fieldCount = 1;
    params.startLevel = 32;
    const auto frames = Generate(params);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(AllAre(frames[0].luma, alpha_test::kVideo1));
    EXPECT_TRUE(AllAre(frames[0].chroma, alpha_test::kVideo1));
    const auto cut = alpha_test::ReadFile(velmar_testing::RunDir() + "/mpeg/framecut1.alp");
    EXPECT_EQ(cut.size(), 320u);
    EXPECT_EQ(cut, alpha_test::ReadFile(velmar_testing::TempDir() + "/gen.alp"));
}

TEST(AlphaGenerators, RefuseBadParametersAndStopWhenCancelled) {
    AlphaGenParams params;
    params.outputFile = velmar_testing::TempDir() + "/bad.alp";
    AlphaGenRun run;
    for (auto spoil : {+[](AlphaGenParams& p) { p.vertical = 488; }, +[](AlphaGenParams& p) { p.fieldCount = 0; },
                       +[](AlphaGenParams& p) { p.outputFile = "/nonexistent/dir/x.alp"; }}) {
        AlphaGenParams bad = params;
        spoil(bad);
        EXPECT_EQ(GenerateFadeCrossAlpha(bad, run).error, kAlphaGenFileError);
        bad.type = kDissolve;
        bad.startLevel = 32;
        EXPECT_EQ(GenerateDissolveAlpha(bad, run).error, kAlphaGenFileError);
    }
    params.type = kDissolve;
    params.startLevel = 1;  // rounds to 0
    EXPECT_EQ(GenerateDissolveAlpha(params, run).error, kAlphaGenFileError);

    // A cancelled run leaves the stream and .adb that were there, not a shorter transition.
    const std::vector<std::uint8_t> oldStream = {9, 8, 7, 6}, oldIndex = {1, 2, 3, 4};
    alpha_test::WriteFile(params.outputFile, oldStream);
    alpha_test::WriteFile(index_formats::IndexPathBeside(params.outputFile, ".adb"), oldIndex);
    std::vector<int> seen;
    run.progress = [&](int field) {
        seen.push_back(field);
        return field == 3;
    };
    params.type = kCrossFade;
    EXPECT_EQ(GenerateFadeCrossAlpha(params, run).status, platform::RunStatus::Canceled);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));
    seen.clear();
    params.startLevel = 32;
    EXPECT_EQ(GenerateDissolveAlpha(params, run).status, platform::RunStatus::Canceled);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));  // the pure first field is not asked about
    EXPECT_EQ(alpha_test::ReadFile(params.outputFile), oldStream);
    EXPECT_EQ(alpha_test::ReadFile(index_formats::IndexPathBeside(params.outputFile, ".adb")), oldIndex);
}

// A run that fails on a full disk leaves the stream and .adb that were there before, and no
// temporary file; a folder at either name is refused and stays; an output named like its own .adb
// is refused before anything is written.
TEST(AlphaGenerators, AFailedRunLeavesThePairThatWasThere) {
    const std::string dir = velmar_testing::TempDir();
    for (int type : {kCrossFade, kDissolve}) {
        SCOPED_TRACE(type);
        AlphaGenParams params;
        params.type = type;
        params.startLevel = type == kDissolve ? 32 : 255;
        params.fieldCount = 200;
        params.outputFile = dir + "/full.alp";
        alpha_test::WriteFile(dir + "/full.alp", {9, 8, 7, 6});
        alpha_test::WriteFile(dir + "/full.adb", {1, 2, 3, 4});
        EXPECT_TRUE(velmar_testing::RunWithFileSizeLimit(20000, [&] {
            AlphaGenRun run;
            const platform::RunResult result = type == kDissolve ? GenerateDissolveAlpha(params, run) : GenerateFadeCrossAlpha(params, run);
            return result.error == kAlphaGenFileError;
        }));
        EXPECT_EQ(alpha_test::ReadFile(dir + "/full.alp"), (std::vector<std::uint8_t>{9, 8, 7, 6}));
        EXPECT_EQ(alpha_test::ReadFile(dir + "/full.adb"), (std::vector<std::uint8_t>{1, 2, 3, 4}));
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            EXPECT_NE(entry.path().filename().string()[0], '.') << "temporary left: " << entry.path();

        for (const char* folder : {"/folder.alp", "/folder.adb"}) {
            params.outputFile = dir + "/folder.alp";
            std::filesystem::create_directory(dir + folder);
            AlphaGenRun run;
            EXPECT_EQ((type == kDissolve ? GenerateDissolveAlpha(params, run) : GenerateFadeCrossAlpha(params, run)).error,
                      kAlphaGenFileError);
            EXPECT_TRUE(std::filesystem::is_directory(dir + folder)) << folder;
            std::filesystem::remove(dir + folder);
        }

        params.outputFile = dir + "/self.adb";
        alpha_test::WriteFile(params.outputFile, {1, 2, 3, 4});
        AlphaGenRun run;
        EXPECT_EQ((type == kDissolve ? GenerateDissolveAlpha(params, run) : GenerateFadeCrossAlpha(params, run)).error,
                  kAlphaGenFileError);
        EXPECT_EQ(alpha_test::ReadFile(params.outputFile), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    }
}

}  // namespace
