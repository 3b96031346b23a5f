// Layer III frame: side information, bit reservoir, then per granule scale factors, Huffman
// decoding, requantization, stereo processing, reordering, alias reduction, hybrid synthesis and
// the polyphase filterbank.
#include <algorithm>
#include <cmath>

#include "decoder_state.h"
#include "layer3_steps.h"
#include "mpeg_audio/console.h"

namespace mpa {

int MainDataSlots(const AudioFrameHeader& h, int channels, std::size_t frameBytes) {
    int sideInfo = h.version == 1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17);
    int overhead = 4 + (h.error_protection ? 2 : 0) + sideInfo;
    int total = static_cast<int>(frameBytes);
    if (h.bitrate_index != 0) {
        int bitrate = kBitrateKbps[h.version][2][h.bitrate_index];
        double khz = kSamplingFrequencyKhz[h.version][h.sampling_frequency];
        int fromHeader = static_cast<int>(144.0 * bitrate / khz);
        if (h.version == 0) fromHeader /= 2;
        fromHeader += h.padding;
        // A frame handed over short (end of stream) holds only what is there.
        total = std::min(total, fromHeader);
    }
    return std::max(0, total - overhead);
}

bool ReadLayer3SideInfo(BitStream& bs, DecoderSideInfo& si, const AudioFrameParams& p) {
    const int channels = p.stereo;
    const bool mpeg1 = p.header.version == 1;
    const int granules = mpeg1 ? 2 : 1;
    si.main_data_begin = GetBits(bs, mpeg1 ? 9 : 8);
    si.private_bits = GetBits(bs, mpeg1 ? (channels == 1 ? 5 : 3) : (channels == 1 ? 1 : 2));
    if (mpeg1) {
        for (int ch = 0; ch < channels; ++ch) {
            for (int band = 0; band < 4; ++band) si.scfsi[ch][band] = Get1Bit(bs);
        }
    }
    for (int gr = 0; gr < granules; ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            Layer3GranuleChannel& g = si.gr[gr][ch];
            g.part2_3_length = GetBits(bs, 12);
            g.big_values = GetBits(bs, 9);
            g.global_gain = GetBits(bs, 8);
            g.scalefac_compress = GetBits(bs, mpeg1 ? 4 : 9);
            g.window_switching_flag = Get1Bit(bs);
            if (g.window_switching_flag) {
                g.block_type = GetBits(bs, 2);
                g.mixed_block_flag = Get1Bit(bs);
                for (int r = 0; r < 2; ++r) g.table_select[r] = GetBits(bs, 5);
                g.table_select[2] = 0;
                for (int w = 0; w < 3; ++w) g.subblock_gain[w] = GetBits(bs, 3);
                if (g.block_type == 0) {
                    ConsoleMessage("Side info bad: block_type == 0 in split block.\n");
                    return false;
                }
                const bool shortOnly = g.block_type == 2 && !g.mixed_block_flag;
                g.region0_count = shortOnly ? 8 : 7;
                g.region1_count = shortOnly ? 12 : 13;
            } else {
                for (int r = 0; r < 3; ++r) g.table_select[r] = GetBits(bs, 5);
                g.region0_count = GetBits(bs, 4);
                g.region1_count = GetBits(bs, 3);
                g.block_type = 0;
                g.mixed_block_flag = 0;
                g.subblock_gain[0] = g.subblock_gain[1] = g.subblock_gain[2] = 0;
            }
            g.preflag = mpeg1 ? Get1Bit(bs) : 0;
            g.scalefac_scale = Get1Bit(bs);
            g.count1table_select = Get1Bit(bs);
        }
    }
    return !EndOfStream(bs);
}

namespace {

// Copies this frame's main data into the reservoir and positions its reader main_data_begin bytes
// before it. False when the stream does not yet hold that much (first frames, after a cut).
bool PrepareMainData(DecoderState& s, const uint8_t* frameMainData, int slots) {
    MainDataReservoir& r = s.reservoir;
    const std::size_t begin = s.sideInfo.main_data_begin;
    const std::size_t available = r.bytes.size();
    r.bytes.insert(r.bytes.end(), frameMainData, frameMainData + slots);
    r.overflow = false;
    const bool enough = begin <= available;
    if (enough) {
        r.startBit = (available - begin) * 8;
        r.endBit = r.bytes.size() * 8;
        r.position = r.startBit;
    }
    return enough;
}

// Keeps only what a later frame can reach back to; trimmed once it holds twice that, so that most
// frames move nothing.
void TrimReservoir(MainDataReservoir& r) {
    if (r.bytes.size() > 2 * MainDataReservoir::kCapacity) {
        r.bytes.erase(r.bytes.begin(), r.bytes.end() - MainDataReservoir::kCapacity);
    }
}

}  // namespace

bool DecodeLayer3(DecoderState& s, std::size_t frameBytes) {
    const AudioFrameParams& p = s.params;
    const int channels = p.stereo;
    const int granules = p.header.version == 1 ? 2 : 1;
    if (!ReadLayer3SideInfo(s.stream, s.sideInfo, p)) {
        // The frame's main data still belongs to the stream: later frames may reach back into it.
        int slots = MainDataSlots(p.header, channels, frameBytes);
        int64_t at = GetBitCount(s.stream) / 8;
        if (!EndOfStream(s.stream) && at + slots <= static_cast<int64_t>(s.stream.source_size)) {
            s.reservoir.bytes.insert(s.reservoir.bytes.end(), s.stream.source + at, s.stream.source + at + slots);
            TrimReservoir(s.reservoir);
        } else {
            s.reservoir.bytes.clear();
        }
        return false;
    }
    const int slots = MainDataSlots(p.header, channels, frameBytes);
    const int64_t mainDataByte = GetBitCount(s.stream) / 8;
    const int64_t available = static_cast<int64_t>(s.stream.source_size) - mainDataByte;
    const int usable = static_cast<int>(std::clamp<int64_t>(available, 0, slots));
    if (!PrepareMainData(s, s.stream.source + mainDataByte, usable)) {
        ConsoleMessage("Not enough main data to decode frame %d.  Frame discarded.\n", -1);
        TrimReservoir(s.reservoir);
        return false;
    }
    bool good = true;
    long clippedBefore = s.clipped;
    for (int gr = 0; gr < granules && good; ++gr) {
        for (int ch = 0; ch < channels && good; ++ch) {
            const std::size_t part2Start = s.reservoir.position;
            if (p.header.version == 1) {
                ReadLayer3ScaleFactors(s, gr, ch);
            } else {
                ReadLsfScaleFactors(s, gr, ch);
            }
            good = DecodeLayer3Huffman(s, gr, ch, part2Start) && !s.reservoir.overflow;
            if (!good) {
                ConsoleMessage("Buffer overflow !!\n");
                break;
            }
            DequantizeLayer3(s, gr, ch);
        }
        if (!good) break;
        Layer3Stereo(s, gr);
        // Stereo processing moves values between the channels, never past the later one's last
        // non-zero line.
        const int nonzeroEnd = channels == 2 ? std::max(s.nonzeroEnd[0], s.nonzeroEnd[1]) : s.nonzeroEnd[0];
        for (int ch = 0; ch < channels; ++ch) {
            const Layer3GranuleChannel& g = s.sideInfo.gr[gr][ch];
            ReorderLayer3(s.xr[ch], g, p.header);
            AntialiasLayer3(s.xr[ch], g, nonzeroEnd);
            for (int sb = 0; sb < 32; ++sb) HybridSynthesis(s, s.xr[ch] + 18 * sb, sb, ch, g);
            // Frequency inversion: odd slots of odd subbands.
            for (int slot = 1; slot < 18; slot += 2) {
                for (int sb = 1; sb < 32; sb += 2) s.hybridOut[ch][slot][sb] = -s.hybridOut[ch][slot][sb];
            }
            s.clipped += SynthesizeSlots(s.synthesis, s.hybridOut[ch], 18, ch, s.pcm[ch]);
        }
        OutputSamples(s, 18);
    }
    TrimReservoir(s.reservoir);
    if (s.clipped > clippedBefore) ConsoleMessage("%ld samples clipped.\n", s.clipped - clippedBefore);
    return good;
}

}  // namespace mpa
