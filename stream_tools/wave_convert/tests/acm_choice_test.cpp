// The choice of driver and format over fake drivers, the result codes of opening an encoder, and
// the encoder choice of a run with its "Info" texts.
#include <gtest/gtest.h>

#include "fake_drivers.h"
#include "ps_common/byte_io.h"
#include "wave_convert/acm_encoder.h"
#include "wave_convert/wave_encoder.h"

using namespace wave_convert;
using namespace wave_convert_testing;

namespace {

class InfoReport : public platform::RunReport {
public:
    void InfoBox(const std::string& text) override { infos.push_back(text); }
    std::vector<std::string> infos;
};

TEST(AcmChoice, LongNameRules) {
    struct Row {
        std::string name;
        int layer;
        bool serves;
    };
    const std::string l3 = "MPEG Layer-3 Codec (p";
    const Row rows[] = {
        {"QDesign MPEG Audio Codec", 2, true},
        {"QDesign", 2, true},
        {"The QDesign codec", 2, false},
        {"QDesign MPEG Audio Codec", 3, false},
        {std::string(15, 'x') + l3 + "rofessional)", 3, true},  // the text from character 15 on
        {std::string(15, 'x') + l3, 3, true},
        {std::string(14, 'x') + l3 + "rofessional)", 3, false},
        {std::string(16, 'x') + l3 + "rofessional)", 3, false},
        {std::string(15, 'x') + "MPEG Layer-3 Codec (", 3, false},  // cut short before the "p"
        {std::string(15, 'x') + l3, 2, false},
        {"MPEG Layer-2 Codec (libtwolame 0.4.0)", 2, true},
        {"MPEG Layer-2 Codec (libtwolame 0.4.0)", 3, false},
        {"MPEG Layer-3 Codec (libmp3lame 3.100)", 3, true},
        {"MPEG Layer-3 Codec (libmp3lame 3.100)", 2, false},
        {"", 2, false},
        {"", 3, false},
    };
    for (const Row& r : rows) EXPECT_EQ(LongNameServesLayer(r.name, r.layer), r.serves) << r.name << " " << r.layer;
}

TEST(AcmChoice, FirstMatchingDriverEndsTheEnumeration) {
    auto other = OneDriver("Some Other Codec");
    auto first = OneDriver("QDesign first");
    auto second = OneDriver("QDesign second");
    acm::Registry registry;
    registry.Replace({other, first, second});
    EXPECT_EQ(FindAcmDriver(2, registry), first);
    EXPECT_EQ(second->detailsAsked.load(), 0);
    EXPECT_EQ(FindAcmDriver(3, registry), nullptr);
    EXPECT_EQ(FindAcmDriver(2, acm::Registry()), nullptr);
}

TEST(AcmChoice, FormatMustMatchAllFourFields) {
    FakeSetup setup;
    // One field off in each but the last, which is marked 9.
    setup.formats = {Format(acm::kTagMpegLayer3, 2, 48000, 192, 1), Format(acm::kTagMpeg, 1, 48000, 192, 2),
                     Format(acm::kTagMpeg, 2, 44100, 192, 3), Format(acm::kTagMpeg, 2, 48000, 160, 4),
                     Format(acm::kTagMpeg, 2, 48000, 192, 9), Format(acm::kTagMpeg, 2, 48000, 192, 8)};
    auto driver = OneDriver("QDesign", setup);
    auto session = driver->Open();
    const auto found = FindAcmFormat(*session, acm::kTagMpeg, 2, 48000, 192 * 125);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->Size(), 40u);  // the driver's largest format size
    EXPECT_EQ(found->extra[0], 9);
    EXPECT_FALSE(FindAcmFormat(*session, acm::kTagMpeg, 2, 32000, 192 * 125));
}

TEST(AcmChoice, OpenResults) {
    struct Row {
        const char* what;
        bool haveDriver;
        FakeSetup setup;
        int kbps;
        int expected;
    };
    FakeSetup openFails, streamFails;
    openFails.openFails = true;
    streamFails.streamFails = true;
    const Row rows[] = {
        {"ready", true, {}, 192, 0},
        {"no driver", false, {}, 192, 1},
        {"no format", true, {}, 128, 2},
        {"driver will not open", true, openFails, 192, 3},
        {"stream will not open", true, streamFails, 192, 4},
    };
    for (const Row& r : rows) {
        acm::Registry registry;
        if (r.haveDriver) registry.Replace({OneDriver("QDesign", r.setup)});
        AcmEncoder encoder(registry);
        EXPECT_EQ(encoder.OpenAcmEncoder(48000, r.kbps, 2), r.expected) << r.what;
        if (r.expected == 0) {
            EXPECT_EQ(encoder.AcmEncodeFrame(), 32);
        }
    }
}

TEST(AcmChoice, EncoderChoiceAndItsInfoTexts) {
    FakeSetup openFails, streamFails;
    openFails.openFails = true;
    streamFails.streamFails = true;
    struct Row {
        int layer;
        int bitrate;
        const char* driverName;  // none when null
        FakeSetup setup;
        bool fast;
        std::string info;  // empty for none
    };
    const std::string l3 = "MPEG Layer-3 Codec (libmp3lame 3.100)";
    const Row rows[] = {
        {2, 192000, "QDesign", {}, true, ""},
        {2, 192000, nullptr, {}, false, kNoLayer2Driver},
        {2, 128000, "QDesign", {}, false, kLayer2NoSupport},
        {2, 192000, "QDesign", openFails, false, "QDesign ACM Driver error 3. Switching to slow mode."},
        {2, 192000, "QDesign", streamFails, false, "QDesign ACM Driver error 4. Switching to slow mode."},
        {3, 192000, l3.c_str(), {}, true, ""},
        {3, 192000, nullptr, {}, false, kNoLayer3Driver},
        {3, 128000, l3.c_str(), {}, false, kLayer3NoSupport},
        {3, 192000, l3.c_str(), streamFails, false, "Layer-3 ACM Driver error 4. Switching to slow mode."},
        {1, 192000, "QDesign", {}, false, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.layer) + " " + (r.driverName ? r.driverName : "none") + " " + r.info);
        acm::Registry registry;
        if (r.driverName) registry.Replace({OneDriver(r.driverName, r.setup)});
        ps::MemorySource pcm(std::vector<std::uint8_t>(4608 * 2, 0));
        WaveEncoder encoder({&pcm, 4608 * 2, 48000}, r.layer, r.bitrate, registry);
        InfoReport report;
        EXPECT_TRUE(encoder.Start(report)) << encoder.Error();
        EXPECT_EQ(encoder.Fast(), r.fast);
        EXPECT_EQ(report.infos, r.info.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.info});
    }

    // Layer II at 32 kbit/s keeps to the built-in encoder even where a driver takes it.
    FakeSetup low;
    low.formats = {Format(acm::kTagMpeg, 2, 48000, 32)};
    acm::Registry registry;
    registry.Replace({OneDriver("QDesign", low)});
    ps::MemorySource pcm(std::vector<std::uint8_t>(4608, 0));
    WaveEncoder encoder({&pcm, 4608, 48000}, 2, 32000, registry);
    InfoReport report;
    EXPECT_FALSE(encoder.Start(report) && encoder.Fast());
    EXPECT_EQ(report.infos, std::vector<std::string>{kLayer2NoSupport});
}

}  // namespace
