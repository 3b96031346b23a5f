// Reads a byte source through a window that can look a few bytes past what is consumed, so
// start codes and frame headers that straddle a packet boundary are seen whole.
#pragma once

#include <cstdint>
#include <memory>

#include "ps_common/byte_io.h"

namespace ps {

class LookaheadReader {
public:
    explicit LookaheadReader(ByteSource& source, std::size_t capacity = 256 * 1024);

    // Makes up to n bytes available from the read position; returns how many are (fewer only at
    // the end of the data). n must not exceed the capacity.
    std::size_t Ensure(std::size_t n);
    const std::uint8_t* Data() const { return buffer_.get() + pos_; }
    std::size_t Available() const { return end_ - pos_; }
    void Consume(std::size_t n) {
        pos_ += n;
        offset_ += n;
    }
    // Stream offset of Data()[0].
    std::uint64_t Offset() const { return offset_; }
    bool AtEnd() { return Ensure(1) == 0; }

private:
    ByteSource& source_;
    std::unique_ptr<std::uint8_t[]> buffer_;  // not zero-filled: only bytes read are looked at
    std::size_t capacity_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t offset_ = 0;
    bool eof_ = false;
};

}  // namespace ps
