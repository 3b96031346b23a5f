// Bit buffer shared by the encoder's writer and the decoder's reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mpa {

constexpr int kMaxBitsPerCall = 32;
constexpr int kWriterBufferBytes = 4096;

struct BitStream {
    // Writer: the buffer is filled from its last byte towards its first; the first bit written is
    // the most significant bit of the last byte.
    std::vector<uint8_t> buf;
    int buf_size = 0;
    int64_t totbit = 0;    // bits written or read so far
    int buf_byte_idx = 0;  // byte being filled
    int buf_bit_idx = 8;   // next free bit in that byte, 8 = none used, counting down to 1
    int mode = 0;          // 1 = writing
    int eob = 0;           // end-of-buffer index
    bool eobs = false;     // end of stream: the reader ran out of bytes
    std::vector<uint8_t> flushed;  // bytes moved out by FlushBitBuffer, in stream order

    // Reader source: borrowed bytes, read most significant bit first.
    const uint8_t* source = nullptr;
    std::size_t source_size = 0;
};

// Writer.
void OpenBitWriter(BitStream& stream, int size = kWriterBufferBytes);
void Put1Bit(BitStream& stream, int bit);
void PutBits(BitStream& stream, uint32_t value, int count);
int64_t GetBitCount(const BitStream& stream);
// Moves every filled byte from the last one down to index `keep` out to stream.flushed and keeps
// bytes 0..keep-1 at the top of the buffer.
void FlushBitBuffer(BitStream& stream, int keep);
// Every complete byte written so far, in stream order; a partly filled byte stays in the buffer.
std::vector<uint8_t> TakeWrittenBytes(BitStream& stream);

// Reader over bytes in memory. Reads past the end return zero bits and set the end-of-stream flag.
void OpenBitReader(BitStream& stream, const uint8_t* bytes, std::size_t size);
int Get1Bit(BitStream& stream);
uint32_t GetBits(BitStream& stream, int count);
bool EndOfStream(const BitStream& stream);
// Bits not yet read.
int64_t BitsRemaining(const BitStream& stream);
// Skips to the next byte boundary.
void ByteAlign(BitStream& stream);
// Searches byte-aligned for `sync` of `bits` bits; true with the sync consumed.
bool SeekSync(BitStream& stream, uint32_t sync, int bits);

}  // namespace mpa
