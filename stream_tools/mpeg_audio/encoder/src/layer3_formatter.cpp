#include "layer3_formatter.h"

#include <cstdlib>

#include "layer3_huffman.h"
#include "mpeg_audio/crc.h"
#include "mpeg_audio/layer3_tables.h"

namespace mpa {

namespace {

struct Chunk {
    std::uint32_t value;
    int count;
};

// Writes chunks at a bit position of a byte buffer (bits already zero).
void PutAt(std::vector<std::uint8_t>& buffer, std::size_t& bit, std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i, ++bit)
        if ((value >> i) & 1u) buffer[bit >> 3] |= static_cast<std::uint8_t>(0x80u >> (bit & 7));
}

std::vector<Chunk> SideInfoChunks(const Layer3SideInfo& side, int channels, int granules) {
    std::vector<Chunk> c;
    const bool lsf = granules == 1;
    c.push_back({static_cast<std::uint32_t>(side.main_data_begin), lsf ? 8 : 9});
    c.push_back({static_cast<std::uint32_t>(side.private_bits), lsf ? (channels == 2 ? 2 : 1) : (channels == 2 ? 3 : 5)});
    if (!lsf)
        for (int ch = 0; ch < channels; ++ch)
            for (int b = 0; b < 4; ++b) c.push_back({side.scfsi[ch][b], 1});
    for (int g = 0; g < granules; ++g)
        for (int ch = 0; ch < channels; ++ch) {
            const Layer3GranuleInfo& gi = side.gr[g][ch];
            c.push_back({gi.part2_3_length, 12});
            c.push_back({gi.big_values, 9});
            c.push_back({gi.global_gain, 8});
            c.push_back({gi.scalefac_compress, lsf ? 9 : 4});
            c.push_back({gi.window_switching_flag, 1});
            if (gi.window_switching_flag) {
                c.push_back({gi.block_type, 2});
                c.push_back({gi.mixed_block_flag, 1});
                for (int r = 0; r < 2; ++r) c.push_back({gi.table_select[r], 5});
                for (int w = 0; w < 3; ++w) c.push_back({gi.subblock_gain[w], 3});
            } else {
                for (int r = 0; r < 3; ++r) c.push_back({gi.table_select[r], 5});
                c.push_back({gi.region0_count, 4});
                c.push_back({gi.region1_count, 3});
            }
            if (!lsf) c.push_back({gi.preflag, 1});
            c.push_back({gi.scalefac_scale, 1});
            c.push_back({gi.count1table_select, 1});
        }
    return c;
}

}  // namespace

int Layer3SideInfoBits(int version, int channels) {
    if (version == 1) return channels == 2 ? 256 : 136;
    return channels == 2 ? 136 : 72;
}

void Layer3Formatter::Reset() {
    buffer_.clear();
    frames_.clear();
    write_bit_ = 0;
    current_ = 0;
    overflow_ = false;
}

int Layer3Formatter::FreeBytes() const {
    std::size_t free = 0;
    for (const Pending& f : frames_) {
        std::size_t from = std::max(write_bit_, f.side_end * 8);
        if (f.end * 8 > from) free += f.end * 8 - from;
    }
    return static_cast<int>(free / 8);
}

void Layer3Formatter::AdvanceOverSideInfo() {
    while (current_ < frames_.size() && write_bit_ >= frames_[current_].end * 8) ++current_;
    if (current_ < frames_.size() && write_bit_ < frames_[current_].side_end * 8)
        write_bit_ = frames_[current_].side_end * 8;
}

void Layer3Formatter::PutMain(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        AdvanceOverSideInfo();
        if (current_ >= frames_.size()) {
            overflow_ = true;
            return;
        }
        if ((value >> i) & 1u) buffer_[write_bit_ >> 3] |= static_cast<std::uint8_t>(0x80u >> (write_bit_ & 7));
        ++write_bit_;
    }
}

void Layer3Formatter::WriteGranule(const Layer3GranuleInfo& gi, const int* ix, const Layer3ScaleFactors& sf, int gr,
                                   int ch, const Layer3SideInfo& side, int bandTable, bool lsf) {
    // Scale factors.
    if (lsf) {
        const int* nr = kLsfSfbPartitions[gi.sfb_partition_table][gi.IsShort() ? 1 : 0];
        int band = 0;
        for (int i = 0; i < 4; ++i) {
            if (gi.IsShort()) {
                for (int n = 0; n < nr[i] / 3; ++n, ++band)
                    for (int w = 0; w < 3; ++w) PutMain(sf.s[band][w], gi.slen[i]);
            } else {
                for (int n = 0; n < nr[i]; ++n, ++band) PutMain(sf.l[band], gi.slen[i]);
            }
        }
    } else {
        int slen1 = kSlen[0][gi.scalefac_compress], slen2 = kSlen[1][gi.scalefac_compress];
        if (gi.IsShort()) {
            for (int b = 0; b < 12; ++b)
                for (int w = 0; w < 3; ++w) PutMain(sf.s[b][w], b < 6 ? slen1 : slen2);
        } else {
            // A group that granule 1 shares with granule 0 (scfsi) is not sent again.
            for (int group = 0; group < 4; ++group) {
                if (gr == 1 && side.scfsi[ch][group]) continue;
                for (int b = kScfsiBandStart[group]; b < kScfsiBandStart[group + 1]; ++b)
                    PutMain(sf.l[b], b < 11 ? slen1 : slen2);
            }
        }
    }

    auto putPair = [&](int x, int y, int table) {
        if (table == 0) return;
        const HuffmanCodeTable& t = Layer3CodeTable(table);
        int ax = std::abs(x), ay = std::abs(y);
        if (t.linbits == 0) {
            int index = ax * t.ylen + ay;
            std::uint32_t value = t.code[index];
            int length = t.length[index];
            if (ax) value = (value << 1) | (x < 0), ++length;
            if (ay) value = (value << 1) | (y < 0), ++length;
            PutMain(value, length);
            return;
        }
        int cx = ax > 14 ? 15 : ax, cy = ay > 14 ? 15 : ay;
        PutMain(t.code[cx * 16 + cy], t.length[cx * 16 + cy]);
        if (ax > 14) PutMain(static_cast<std::uint32_t>(ax - 15), t.linbits);
        if (ax) PutMain(x < 0, 1);
        if (ay > 14) PutMain(static_cast<std::uint32_t>(ay - 15), t.linbits);
        if (ay) PutMain(y < 0, 1);
    };

    const ScaleFactorBands& bands = Layer3Bands(bandTable);
    if (gi.IsShort()) {
        for (int b = 0; b < 13; ++b) {
            int table = static_cast<int>(gi.table_select[bands.short_start[b] * 3 < 36 ? 0 : 1]);
            for (int w = 0; w < 3; ++w)
                for (int k = bands.short_start[b]; k < bands.short_start[b + 1]; k += 2)
                    putPair(ix[3 * k + w], ix[3 * (k + 1) + w], table);
        }
    } else {
        for (int i = 0; i < 2 * static_cast<int>(gi.big_values); i += 2) {
            int region = i < gi.address1 ? 0 : i < gi.address2 ? 1 : 2;
            putPair(ix[i], ix[i + 1], static_cast<int>(gi.table_select[region]));
        }
    }
    const HuffmanCodeTable& quad = Layer3CodeTable(32 + static_cast<int>(gi.count1table_select));
    int i = 2 * static_cast<int>(gi.big_values);
    for (unsigned q = 0; q < gi.count1; ++q, i += 4) {
        int v = ix[i], w = ix[i + 1], x = ix[i + 2], y = ix[i + 3];
        int index = Count1Index(std::abs(v), std::abs(w), std::abs(x), std::abs(y));
        PutMain(quad.code[index], quad.length[index]);
        for (int value : {v, w, x, y})
            if (value) PutMain(value < 0, 1);
    }
}

bool Layer3Formatter::WriteFrame(const AudioFrameHeader& header, int frameBits, Layer3SideInfo& side,
                                 const int signedIx[2][2][576], const Layer3ScaleFactors sf[2][2], int channels,
                                 int granules, int bandTable) {
    const bool lsf = granules == 1;
    overflow_ = false;
    if (frames_.empty()) write_bit_ = buffer_.size() * 8;
    write_bit_ = (write_bit_ + 7) / 8 * 8;
    // Main data may begin at most 511 (half rates 255) bytes back; space beyond that stays unused.
    const int maxBack = lsf ? 255 : 511;
    for (int free = FreeBytes(); free > maxBack; --free) {
        AdvanceOverSideInfo();
        write_bit_ += 8;
    }
    side.main_data_begin = FreeBytes();

    Pending frame;
    frame.start = buffer_.size();
    frame.end = frame.start + static_cast<std::size_t>(frameBits / 8);
    const int crcBits = header.error_protection ? 16 : 0;
    frame.side_end = frame.start + static_cast<std::size_t>((32 + crcBits + Layer3SideInfoBits(header.version, channels)) / 8);
    buffer_.resize(frame.end, 0);

    std::vector<Chunk> sideChunks = SideInfoChunks(side, channels, granules);
    std::size_t bit = frame.start * 8;
    PutAt(buffer_, bit, 0xFFF, 12);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.version), 1);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(4 - header.layer), 2);
    PutAt(buffer_, bit, header.error_protection ? 0u : 1u, 1);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.bitrate_index), 4);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.sampling_frequency), 2);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.padding), 1);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.extension), 1);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.mode), 2);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.mode_ext), 2);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.copyright), 1);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.original), 1);
    PutAt(buffer_, bit, static_cast<std::uint32_t>(header.emphasis), 2);
    if (header.error_protection) {
        std::uint32_t crc = kCrcStart;
        UpdateCrcWithHeader(header, &crc);
        for (const Chunk& c : sideChunks) UpdateCrc(c.value, c.count, &crc);
        PutAt(buffer_, bit, crc & 0xFFFF, 16);
    }
    for (const Chunk& c : sideChunks) PutAt(buffer_, bit, c.value, c.count);
    frames_.push_back(frame);

    bool counted = true;
    for (int g = 0; g < granules; ++g)
        for (int ch = 0; ch < channels; ++ch) {
            AdvanceOverSideInfo();
            std::size_t before = write_bit_;
            std::size_t framesBefore = current_;
            WriteGranule(side.gr[g][ch], signedIx[g][ch], sf[g][ch], g, ch, side, bandTable, lsf);
            // Bits written, less the side information of frames crossed on the way.
            std::size_t written = write_bit_ - before;
            for (std::size_t f = framesBefore + 1; f <= current_ && f < frames_.size(); ++f)
                written -= (frames_[f].side_end - frames_[f].start) * 8;
            if (written != side.gr[g][ch].part2_3_length) counted = false;
        }
    for (int left = side.reservoir_drain; left > 0; left -= 32) PutMain(0, left > 32 ? 32 : left);
    return counted && !overflow_;
}

void Layer3Formatter::TakeCompleteFrames(std::vector<std::uint8_t>& out) {
    std::size_t done = 0;
    while (!frames_.empty() && frames_.front().end * 8 <= write_bit_) {
        done = frames_.front().end;
        frames_.pop_front();
        current_ = current_ > 0 ? current_ - 1 : 0;
    }
    if (done == 0) return;
    out.insert(out.end(), buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(done));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(done));
    write_bit_ -= done * 8;
    for (Pending& f : frames_) {
        f.start -= done;
        f.side_end -= done;
        f.end -= done;
    }
}

void Layer3Formatter::Flush(std::vector<std::uint8_t>& out) {
    out.insert(out.end(), buffer_.begin(), buffer_.end());
    Reset();
}

}  // namespace mpa
