#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "../src/layer3_steps.h"
#include "mpeg_audio/audio_decoder.h"
#include "mpeg_audio/bit_stream.h"
#include "mpeg_audio/console.h"
#include "mpeg_audio/crc.h"
#include "mpeg_audio/stream_decoder.h"
#include "pcm_compare.h"
#include "velmar_testing/test_support.h"

namespace mpa {
namespace {

// Collects console messages for the life of the object.
struct CapturedMessages {
    std::string text;
    MessageSink previous;
    CapturedMessages() : previous(SetMessageSink([this](const std::string& m) { text += m; })) {}
    ~CapturedMessages() { SetMessageSink(previous); }
    bool Has(const std::string& message) const { return text.find(message) != std::string::npos; }
};

AudioFrameHeader MakeHeader(int version, int layer, int kbps, int rateIndex, int mode, bool crc = false) {
    AudioFrameHeader h;
    h.version = version;
    h.layer = layer;
    h.bitrate_index = BitrateIndex(layer, kbps, version);
    h.sampling_frequency = rateIndex;
    h.mode = mode;
    h.error_protection = crc;
    return h;
}

// Writes a frame: header, optional CRC word, then the payload writer's bits, zero-filled to the
// frame length.
template <typename Payload>
std::vector<uint8_t> BuildFrame(const AudioFrameHeader& h, uint16_t crc, Payload&& payload) {
    BitStream bs;
    OpenBitWriter(bs);
    PutBits(bs, 0xFFF, 12);
    PutBits(bs, static_cast<uint32_t>(h.version), 1);
    PutBits(bs, static_cast<uint32_t>(4 - h.layer), 2);
    PutBits(bs, h.error_protection ? 0 : 1, 1);
    PutBits(bs, static_cast<uint32_t>(h.bitrate_index), 4);
    PutBits(bs, static_cast<uint32_t>(h.sampling_frequency), 2);
    PutBits(bs, static_cast<uint32_t>(h.padding), 1);
    PutBits(bs, 0, 1);
    PutBits(bs, static_cast<uint32_t>(h.mode), 2);
    PutBits(bs, static_cast<uint32_t>(h.mode_ext), 2);
    PutBits(bs, 0, 4);
    if (h.error_protection) PutBits(bs, crc, 16);
    payload(bs);
    const int length = FrameLengthBytes(h);
    while (GetBitCount(bs) < length * 8) PutBits(bs, 0, 1);
    return TakeWrittenBytes(bs);
}

void Silence(BitStream&) {}

// Layer I: subband 0 of every channel allocated with 2-bit codes, scale factor index 0, each
// sample the code `codeOfChannel[ch]`.
std::vector<uint8_t> Layer1LoudFrame(int channels, const unsigned (&codeOfChannel)[2]) {
    AudioFrameHeader h = MakeHeader(1, 1, 384, 2, channels == 1 ? kSingleChannel : kStereo);
    return BuildFrame(h, 0, [&](BitStream& bs) {
        for (int sb = 0; sb < 32; ++sb) {
            for (int ch = 0; ch < channels; ++ch) PutBits(bs, sb == 0 ? 1 : 0, 4);
        }
        for (int ch = 0; ch < channels; ++ch) PutBits(bs, 0, 6);
        for (int slot = 0; slot < 12; ++slot) {
            for (int ch = 0; ch < channels; ++ch) PutBits(bs, codeOfChannel[ch], 2);
        }
    });
}

int Decode(AudioFrameDecoder& decoder, const std::vector<uint8_t>& frame, int16_t* out, bool swap = false) {
    return decoder.DecodeAudioFrame(frame.data(), frame.size(), out, swap);
}

TEST(FrameDecoder, OutputCountsPerLayerAndChannels) {
    CapturedMessages quiet;
    AudioFrameDecoder decoder;
    int16_t out[kMaxFrameValues];
    EXPECT_EQ(Decode(decoder, BuildFrame(MakeHeader(1, 1, 32, 2, kSingleChannel), 0, Silence), out), 384);
    EXPECT_EQ(Decode(decoder, BuildFrame(MakeHeader(1, 2, 192, 1, kStereo), 0, Silence), out), 2304);
    EXPECT_EQ(Decode(decoder, BuildFrame(MakeHeader(0, 2, 64, 1, kJointStereo), 0, Silence), out), 2304);
    EXPECT_EQ(Decode(decoder, BuildFrame(MakeHeader(1, 3, 128, 0, kStereo), 0, Silence), out), 2304);
    EXPECT_EQ(Decode(decoder, BuildFrame(MakeHeader(0, 3, 32, 0, kSingleChannel), 0, Silence), out), 576);
    for (int i = 0; i < 576; ++i) ASSERT_EQ(out[i], 0);
}

TEST(FrameDecoder, CrcMismatchDropsOnlyThatFrame) {
    AudioFrameHeader h = MakeHeader(1, 2, 192, 1, kStereo, true);
    AudioFrameParams params;
    params.header = h;
    ASSERT_TRUE(HeaderToFrameParams(params));
    unsigned allocation[2][32] = {}, scfsi[2][32] = {};
    uint32_t crc = 0;
    ComputeLayer2Crc(params, allocation, scfsi, &crc);
    std::vector<uint8_t> good = BuildFrame(h, static_cast<uint16_t>(crc), Silence);
    std::vector<uint8_t> bad = BuildFrame(h, static_cast<uint16_t>(crc ^ 0x0100), Silence);

    CapturedMessages messages;
    AudioFrameDecoder decoder;
    int16_t out[kMaxFrameValues];
    EXPECT_EQ(Decode(decoder, bad, out), 0);
    EXPECT_TRUE(messages.Has("CRC error detected\n"));
    EXPECT_EQ(Decode(decoder, good, out), 2304);
    EXPECT_EQ(decoder.DroppedFrames(), 1);
}

TEST(FrameDecoder, OvershootIsClippedAndCounted) {
    CapturedMessages messages;
    AudioFrameDecoder decoder;
    int16_t out[kMaxFrameValues];
    ASSERT_EQ(Decode(decoder, Layer1LoudFrame(1, {3, 0}), out), 384);
    ASSERT_EQ(Decode(decoder, Layer1LoudFrame(1, {0, 0}), out), 384);
    EXPECT_GT(decoder.ClippedSamples(), 0);
    EXPECT_TRUE(messages.Has("output samples clipped\n"));
    bool reachedLimit = false;
    for (int i = 0; i < 384; ++i) reachedLimit |= out[i] == 32767 || out[i] == -32768;
    EXPECT_TRUE(reachedLimit);
}

TEST(FrameDecoder, SwapWritesEachStereoPairAsAByteReversedWord) {
    CapturedMessages quiet;
    AudioFrameDecoder plainDecoder, swappedDecoder;
    int16_t plain[kMaxFrameValues], swapped[kMaxFrameValues];
    std::vector<uint8_t> frame = Layer1LoudFrame(2, {2, 1});
    ASSERT_EQ(Decode(plainDecoder, frame, plain), 768);
    ASSERT_EQ(Decode(swappedDecoder, frame, swapped, true), 768);
    bool differs = false;
    for (int i = 0; i < 768; i += 2) {
        const auto* p = reinterpret_cast<const uint8_t*>(&plain[i]);
        const auto* s = reinterpret_cast<const uint8_t*>(&swapped[i]);
        for (int b = 0; b < 4; ++b) ASSERT_EQ(s[b], p[3 - b]) << i;
        differs |= plain[i] != plain[i + 1];
    }
    EXPECT_TRUE(differs);
}

TEST(FrameDecoder, HeadersOutsideTheTablesAndForbiddenAllocationsAreDropped) {
    CapturedMessages quiet;
    AudioFrameDecoder decoder;
    int16_t out[kMaxFrameValues];
    std::vector<uint8_t> frame = BuildFrame(MakeHeader(1, 2, 192, 1, kStereo), 0, Silence);
    std::vector<uint8_t> badBitrate = frame, badRate = frame, badLayer = frame;
    badBitrate[2] |= 0xF0;
    badRate[2] |= 0x0C;
    badLayer[1] &= ~0x06;
    EXPECT_EQ(Decode(decoder, badBitrate, out), 0);
    EXPECT_EQ(Decode(decoder, badRate, out), 0);
    EXPECT_EQ(Decode(decoder, badLayer, out), 0);
    std::vector<uint8_t> noSync(100, 0x12);
    EXPECT_EQ(Decode(decoder, noSync, out), 0);
    EXPECT_EQ(decoder.DecodeAudioFrame(nullptr, 10, out), 0);
    std::vector<uint8_t> allocationOf15 = BuildFrame(MakeHeader(1, 1, 384, 2, kSingleChannel), 0,
                                                    [](BitStream& bs) { PutBits(bs, 15, 4); });
    EXPECT_EQ(Decode(decoder, allocationOf15, out), 0);
    EXPECT_EQ(Decode(decoder, frame, out), 2304);
    std::vector<uint8_t> loud = Layer1LoudFrame(2, {3, 1});
    EXPECT_EQ(decoder.DecodeAudioFrame(loud.data(), 12, out), 0);  // cut inside its samples
    EXPECT_EQ(Decode(decoder, loud, out), 768);
}

// Layer III frame with empty granules; main_data_begin as given.
std::vector<uint8_t> Layer3Frame(unsigned main_data_begin) {
    AudioFrameHeader h = MakeHeader(1, 3, 64, 0, kSingleChannel);
    return BuildFrame(h, 0, [&](BitStream& bs) { PutBits(bs, main_data_begin, 9); });
}

TEST(FrameDecoder, Layer3FrameReachingBeforeTheStreamIsDiscardedAndTheNextDecodes) {
    CapturedMessages messages;
    AudioFrameDecoder decoder;
    int16_t out[kMaxFrameValues];
    EXPECT_EQ(Decode(decoder, Layer3Frame(10), out), 0);
    EXPECT_TRUE(messages.Has("Not enough main data to decode frame -1.  Frame discarded.\n"));
    EXPECT_EQ(Decode(decoder, Layer3Frame(0), out), 1152);
    // The first frame's main data is in the reservoir now, so reaching back into it works.
    EXPECT_EQ(Decode(decoder, Layer3Frame(100), out), 1152);
}

TEST(FrameDecoder, WindowSwitchingWithBlockTypeZeroDropsTheFrame) {
    CapturedMessages messages;
    AudioFrameDecoder decoder;
    int16_t out[kMaxFrameValues];
    AudioFrameHeader h = MakeHeader(1, 3, 64, 0, kSingleChannel);
    std::vector<uint8_t> frame = BuildFrame(h, 0, [](BitStream& bs) {
        PutBits(bs, 0, 9 + 5 + 4);                 // main_data_begin, private bits, scfsi
        PutBits(bs, 0, 12 + 9);                    // part2_3_length, big_values
        PutBits(bs, 0, 8 + 4);                     // global_gain, scalefac_compress
        PutBits(bs, 1, 1);                         // window_switching_flag
        PutBits(bs, 0, 2);                         // block_type 0: not allowed here
    });
    EXPECT_EQ(Decode(decoder, frame, out), 0);
    EXPECT_TRUE(messages.Has("Side info bad: block_type == 0 in split block.\n"));
}

// A count1 quadruple that runs past the granule's end is not stored, and the reader is left at
// the granule's end.
TEST(Layer3Huffman, QuadrupleCrossingTheGranuleEndIsDropped) {
    for (unsigned part2_3_length : {6u, 12u}) {
        DecoderState s;
        s.huffman = std::make_shared<const HuffmanDecoderTables>(BuiltInHuffmanTables());
        s.params.header = MakeHeader(1, 3, 128, 0, kSingleChannel);
        // Table B: 1111 = (0,0,0,0); 0000 = (1,1,1,1) followed by four sign bits.
        s.reservoir.bytes = {0xF0, 0x50, 0xFF, 0xFF};
        s.reservoir.endBit = s.reservoir.bytes.size() * 8;
        Layer3GranuleChannel& g = s.sideInfo.gr[0][0];
        g.part2_3_length = part2_3_length;
        g.count1table_select = 1;
        ASSERT_TRUE(DecodeLayer3Huffman(s, 0, 0, 0));
        EXPECT_EQ(s.reservoir.position, part2_3_length);
        const int expected = part2_3_length == 12 ? 1 : 0;
        EXPECT_EQ(s.values[0][4], expected);  // sign bits 0101
        EXPECT_EQ(s.values[0][5], -expected);
        EXPECT_EQ(s.values[0][6], expected);
        EXPECT_EQ(s.values[0][7], -expected);
        for (int i = 8; i < 576; ++i) ASSERT_EQ(s.values[0][i], 0);
    }
}

// Pairs of every big-value table (escapes and signs included) and count1 quadruples, written with the
// code tables and read back: the lookup's fast path away from the end of the main data and the tree
// walk over its last bits both give what was written.
TEST(Layer3Huffman, EveryTableReadsBackWhatItsCodesWrote) {
    const auto tables = std::make_shared<const HuffmanDecoderTables>(BuiltInHuffmanTables());
    std::mt19937 random(11);
    for (int t = 1; t < 32; ++t) {
        if (t == 4 || t == 14) continue;
        const HuffmanCodeSet pairs = Layer3HuffmanCodes(t), quads = Layer3HuffmanCodes(32 + t % 2);
        const int linbits = kLayer3Linbits[t];
        BitStream bs;
        OpenBitWriter(bs);
        std::vector<int> expected;
        auto sign = [&](int value) {
            if (!value) return 0;
            const bool negative = random() & 1;
            PutBits(bs, negative, 1);
            return negative ? -value : value;
        };
        auto escape = [&](int value) {
            if (!linbits || value != 15) return value;
            const uint32_t extra = random() % (1u << linbits);
            PutBits(bs, extra, linbits);
            return value + static_cast<int>(extra);
        };
        for (int n = 0; n < 200; ++n) {
            const HuffmanCode& c = pairs.codes[random() % pairs.count];
            PutBits(bs, c.code, c.length);
            const int x = sign(escape(c.x));
            const int y = sign(escape(c.y));
            expected.insert(expected.end(), {x, y});
        }
        for (int n = 0; n < 30; ++n) {
            const HuffmanCode& c = quads.codes[random() % quads.count];
            PutBits(bs, c.code, c.length);
            for (int k = 0; k < 4; ++k) expected.push_back(sign((c.x >> (3 - k)) & 1));
        }
        const auto bits = static_cast<unsigned>(GetBitCount(bs));
        PutBits(bs, 0, static_cast<int>((8 - bits % 8) % 8));
        DecoderState s;
        s.huffman = tables;
        s.params.header = MakeHeader(1, 3, 128, 0, kSingleChannel);
        s.reservoir.bytes = TakeWrittenBytes(bs);
        s.reservoir.endBit = s.reservoir.bytes.size() * 8;
        Layer3GranuleChannel& g = s.sideInfo.gr[0][0];
        g.part2_3_length = bits;
        g.big_values = 200;
        g.region0_count = 7;
        g.region1_count = 7;
        g.table_select[0] = g.table_select[1] = g.table_select[2] = static_cast<unsigned>(t);
        g.count1table_select = static_cast<unsigned>(t % 2);
        ASSERT_TRUE(DecodeLayer3Huffman(s, 0, 0, 0)) << t;
        EXPECT_EQ(s.reservoir.position, bits) << t;
        ASSERT_EQ(std::vector<int>(s.values[0], s.values[0] + expected.size()), expected) << "table " << t;
        EXPECT_EQ(s.nonzeroEnd[0], static_cast<int>(expected.size()) - [&] {
            int zeros = 0;
            while (expected[expected.size() - 1 - zeros] == 0) ++zeros;
            return zeros;
        }()) << t;
    }
}

// Tables 4 and 14 have no codes: a granule that selects one cannot be decoded.
TEST(Layer3Huffman, TableWithoutCodesFailsTheGranule) {
    for (unsigned select : {4u, 14u}) {
        DecoderState s;
        s.huffman = std::make_shared<const HuffmanDecoderTables>(BuiltInHuffmanTables());
        s.params.header = MakeHeader(1, 3, 128, 0, kSingleChannel);
        s.reservoir.bytes.assign(64, 0x55);
        s.reservoir.endBit = s.reservoir.bytes.size() * 8;
        Layer3GranuleChannel& g = s.sideInfo.gr[0][0];
        g.part2_3_length = 100;
        g.big_values = 10;
        g.table_select[0] = select;
        EXPECT_FALSE(DecodeLayer3Huffman(s, 0, 0, 0));
        g.table_select[0] = 1;
        g.part2_3_length = 64 * 8 + 1;  // more than the frame holds
        EXPECT_FALSE(DecodeLayer3Huffman(s, 0, 0, 0));
    }
}

std::vector<std::vector<uint8_t>> SplitFrames(const std::vector<uint8_t>& bytes) {
    std::vector<std::vector<uint8_t>> frames;
    std::size_t pos = 0;
    while (pos + 4 <= bytes.size()) {
        AudioFrameHeader h;
        const int length = ParseHeaderBytes(&bytes[pos], h) ? FrameLengthBytes(h) : 0;
        if (length == 0 || pos + static_cast<std::size_t>(length) > bytes.size()) {
            ++pos;
            continue;
        }
        frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                            bytes.begin() + static_cast<std::ptrdiff_t>(pos) + length);
        pos += static_cast<std::size_t>(length);
    }
    return frames;
}

std::string Conformance(const std::string& name) {
    return velmar_testing::SharedDir() + "/data/mpeg-audio/conformance/" + name;
}

// Two streams decoded by two decoders with their frames interleaved give what each gives alone:
// no reservoir, overlap or synthesis history is shared.
TEST(FrameDecoder, DecodersOfTwoStreamsShareNoState) {
    VELMAR_REQUIRE_SHARED_FILE(Conformance("l3-compl.bit"));
    VELMAR_REQUIRE_SHARED_FILE(Conformance("l3-hecommon.bit"));
    CapturedMessages quiet;
    auto a = SplitFrames(mpa_test::ReadBytes(Conformance("l3-compl.bit")));
    auto b = SplitFrames(mpa_test::ReadBytes(Conformance("l3-hecommon.bit")));
    auto decodeAlone = [](const std::vector<std::vector<uint8_t>>& frames) {
        AudioFrameDecoder decoder;
        std::vector<int16_t> pcm;
        int16_t out[kMaxFrameValues];
        for (const auto& f : frames) pcm.insert(pcm.end(), out, out + Decode(decoder, f, out));
        return pcm;
    };
    std::vector<int16_t> aloneA = decodeAlone(a), aloneB = decodeAlone(b);
    AudioFrameDecoder da, db;
    std::vector<int16_t> mixedA, mixedB;
    int16_t out[kMaxFrameValues];
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size()) mixedA.insert(mixedA.end(), out, out + Decode(da, a[i], out));
        if (i < b.size()) mixedB.insert(mixedB.end(), out, out + Decode(db, b[i], out));
    }
    EXPECT_EQ(mixedA, aloneA);
    EXPECT_EQ(mixedB, aloneB);
}

// Damaged streams (cut, bytes flipped, noise, bytes lost) never crash, hang or write past buffers.
TEST(FrameDecoder, DamagedStreamsAreSurvived) {
    CapturedMessages quiet;
    std::mt19937 random(11);
    auto tables = std::make_shared<const HuffmanDecoderTables>(BuiltInHuffmanTables());
    for (const char* name : {"l1-fl1.bit", "l2-fl10.bit", "l3-compl.bit", "l3-he_mode.bit", "M2L3_compl24.bit"}) {
        if (!velmar_testing::FileExists(Conformance(name))) continue;
        const std::vector<uint8_t> original = mpa_test::ReadBytes(Conformance(name));
        for (int round = 0; round < 6; ++round) {
            std::vector<uint8_t> bytes = original;
            if (round == 0) bytes.resize(bytes.size() * 2 / 3 + 7);  // cut inside a frame
            for (int flips = 0; flips < 40 * round; ++flips) {
                bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            }
            if (round == 5) {
                for (std::size_t i = 0; i + 600 < bytes.size(); i += 1500) {
                    bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                                bytes.begin() + static_cast<std::ptrdiff_t>(i) + 37);
                }
            }
            AudioStreamDecoder stream(tables);
            stream.Feed(bytes.data(), bytes.size());
            EXPECT_TRUE(stream.Finish());
            AudioFrameDecoder frame_decoder(tables);
            int16_t out[kMaxFrameValues];
            for (std::size_t pos = 0; pos < bytes.size(); pos += 301) {
                int count = frame_decoder.DecodeAudioFrame(&bytes[pos], std::min<std::size_t>(900, bytes.size() - pos),
                                                           out);
                ASSERT_LE(count, kMaxFrameValues);
            }
        }
    }
    std::vector<uint8_t> noise(20000);
    for (auto& b : noise) b = static_cast<uint8_t>(random());
    for (std::size_t i = 0; i < noise.size(); i += 97) noise[i] = 0xFF;  // plenty of false syncs
    AudioStreamDecoder stream(tables);
    stream.Feed(noise.data(), noise.size());
    EXPECT_TRUE(stream.Finish());
    std::vector<uint8_t> huge(kMaxFrameBytes + 1, 0xFF);
    AudioFrameDecoder decoder(tables);
    int16_t out[kMaxFrameValues];
    EXPECT_EQ(Decode(decoder, huge, out), 0);
}

TEST(StreamDecoder, ReportsGarbageDropsATruncatedLastFrameAndWritesTheWaveFormat) {
    CapturedMessages quiet;
    std::vector<uint8_t> bytes = {0x00, 0x11, 0xFF, 0x22};
    for (int i = 0; i < 5; ++i) {
        std::vector<uint8_t> frame = Layer1LoudFrame(2, {1, 2});
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    bytes.resize(bytes.size() - 100);
    const std::string path = velmar_testing::TempDir() + "/out.wav";
    AudioStreamDecoder stream;
    ASSERT_TRUE(stream.OpenWave(path));
    stream.Feed(bytes.data(), 300);
    stream.Feed(bytes.data() + 300, bytes.size() - 300);
    ASSERT_TRUE(stream.Finish());
    EXPECT_EQ(stream.Stats().framesDecoded, 4);
    EXPECT_EQ(stream.Stats().framesDropped, 1);
    EXPECT_EQ(stream.Stats().firstSkipOffset, 0);
    EXPECT_EQ(stream.Stats().bytesSkipped, 4 + 476);
    mpa_test::WavData wav = mpa_test::ReadWav(path);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 32000);
    EXPECT_EQ(wav.samples.size(), 4u * 768u);
}

}  // namespace
}  // namespace mpa
