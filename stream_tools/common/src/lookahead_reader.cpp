#include "ps_common/lookahead_reader.h"

#include <cstring>

namespace ps {

LookaheadReader::LookaheadReader(ByteSource& source, std::size_t capacity)
    : source_(source), buffer_(new std::uint8_t[capacity]), capacity_(capacity) {}

std::size_t LookaheadReader::Ensure(std::size_t n) {
    if (end_ - pos_ >= n || eof_) return end_ - pos_;
    if (pos_ + n > capacity_) {
        std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    while (end_ - pos_ < n && !eof_) {
        const std::size_t got = source_.Read(buffer_.get() + end_, capacity_ - end_);
        if (got == 0) eof_ = true;
        end_ += got;
    }
    return end_ - pos_;
}

}  // namespace ps
