#include "mpeg_audio/bit_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "mpeg_audio/console.h"

namespace mpa {

void OpenBitWriter(BitStream& stream, int size) {
    stream.buf.assign(static_cast<std::size_t>(size), 0);
    stream.buf_size = size;
    stream.totbit = 0;
    stream.buf_byte_idx = size - 1;
    stream.buf_bit_idx = 8;
    stream.mode = 1;
    stream.eob = 0;
    stream.eobs = false;
    stream.flushed.clear();
    stream.source = nullptr;
    stream.source_size = 0;
}

namespace {
// The current byte is full: move to the next one down, flushing when the buffer is used up.
void NextWriterByte(BitStream& stream) {
    stream.buf_bit_idx = 8;
    if (--stream.buf_byte_idx < 0) FlushBitBuffer(stream, 4);
    stream.buf[stream.buf_byte_idx] = 0;
}
}  // namespace

void Put1Bit(BitStream& stream, int bit) {
    stream.totbit += 1;
    stream.buf[stream.buf_byte_idx] |= static_cast<uint8_t>((bit & 1) << (stream.buf_bit_idx - 1));
    if (--stream.buf_bit_idx == 0) NextWriterByte(stream);
}

void PutBits(BitStream& stream, uint32_t value, int count) {
    if (count > kMaxBitsPerCall) {
        ConsoleMessage("Cannot read or write more than %d bits at a time.\n", kMaxBitsPerCall);
        return;
    }
    stream.totbit += count;
    while (count > 0) {
        int k = std::min(count, stream.buf_bit_idx);
        uint32_t bits = static_cast<uint32_t>((static_cast<uint64_t>(value) >> (count - k)) & ((1u << k) - 1));
        stream.buf[stream.buf_byte_idx] |= static_cast<uint8_t>(bits << (stream.buf_bit_idx - k));
        stream.buf_bit_idx -= k;
        count -= k;
        if (stream.buf_bit_idx == 0) NextWriterByte(stream);
    }
}

int64_t GetBitCount(const BitStream& stream) { return stream.totbit; }

void FlushBitBuffer(BitStream& stream, int keep) {
    keep = std::clamp(keep, 0, stream.buf_size);
    for (int i = stream.buf_size - 1; i >= keep; --i) stream.flushed.push_back(stream.buf[i]);
    for (int i = keep - 1; i >= 0; --i) stream.buf[i + stream.buf_size - keep] = stream.buf[i];
    stream.buf_bit_idx = 8;
    stream.buf_byte_idx = stream.buf_size - keep - 1;
}

std::vector<uint8_t> TakeWrittenBytes(BitStream& stream) {
    for (int i = stream.buf_size - 1; i > stream.buf_byte_idx; --i) stream.flushed.push_back(stream.buf[i]);
    uint8_t partial = stream.buf[stream.buf_byte_idx];
    std::fill(stream.buf.begin(), stream.buf.end(), 0);
    stream.buf_byte_idx = stream.buf_size - 1;
    stream.buf[stream.buf_byte_idx] = partial;
    std::vector<uint8_t> bytes;
    bytes.swap(stream.flushed);
    return bytes;
}

void OpenBitReader(BitStream& stream, const uint8_t* bytes, std::size_t size) {
    stream.mode = 0;
    stream.source = bytes;
    stream.source_size = bytes ? size : 0;
    stream.totbit = 0;
    stream.eobs = false;
}

int Get1Bit(BitStream& stream) {
    uint64_t position = static_cast<uint64_t>(stream.totbit);
    stream.totbit += 1;
    if (position >= stream.source_size * 8) {
        stream.eobs = true;
        return 0;
    }
    return (stream.source[position >> 3] >> (7 - (position & 7))) & 1;
}

uint32_t GetBits(BitStream& stream, int count) {
    if (count > kMaxBitsPerCall) {
        ConsoleMessage("Cannot read or write more than %d bits at a time.\n", kMaxBitsPerCall);
        count = kMaxBitsPerCall;
    }
    const auto start = static_cast<uint64_t>(stream.totbit);
    if (count > 0 && start / 8 + 8 <= stream.source_size) {
        // Away from the end of the data: one 8-byte big-endian load holds every bit asked for.
        uint64_t window;
        std::memcpy(&window, stream.source + start / 8, sizeof window);
        if constexpr (std::endian::native == std::endian::little) window = __builtin_bswap64(window);
        stream.totbit += count;
        return static_cast<uint32_t>((window << (start & 7)) >> (64 - count));
    }
    uint32_t value = 0;
    while (count > 0) {
        uint64_t position = static_cast<uint64_t>(stream.totbit);
        if (position >= stream.source_size * 8) {
            stream.eobs = true;
            stream.totbit += count;
            return static_cast<uint32_t>(static_cast<uint64_t>(value) << count);
        }
        int bit_in_byte = static_cast<int>(position & 7);
        int k = std::min(count, 8 - bit_in_byte);
        uint32_t byte = stream.source[position >> 3];
        uint32_t bits = (byte >> (8 - bit_in_byte - k)) & ((1u << k) - 1);
        value = static_cast<uint32_t>((static_cast<uint64_t>(value) << k) | bits);
        stream.totbit += k;
        count -= k;
    }
    return value;
}

bool EndOfStream(const BitStream& stream) { return stream.eobs; }

int64_t BitsRemaining(const BitStream& stream) {
    int64_t left = static_cast<int64_t>(stream.source_size) * 8 - stream.totbit;
    return left > 0 ? left : 0;
}

void ByteAlign(BitStream& stream) {
    int64_t misalign = stream.totbit & 7;
    if (misalign) stream.totbit += 8 - misalign;
}

bool SeekSync(BitStream& stream, uint32_t sync, int bits) {
    ByteAlign(stream);
    uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    if (BitsRemaining(stream) < bits) {
        stream.eobs = true;
        return false;
    }
    uint32_t window = GetBits(stream, bits);
    while ((window & mask) != sync) {
        if (BitsRemaining(stream) < 8) {
            stream.eobs = true;
            return false;
        }
        window = (window << 8) | GetBits(stream, 8);
    }
    return true;
}

}  // namespace mpa
