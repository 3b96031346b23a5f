#include "encoder_stream.h"

namespace softboard {

void StartCodeAligner::Put(const std::uint8_t* data, std::size_t bytes) {
    pending_.insert(pending_.end(), data, data + bytes);
    total_ += bytes;
}

void StartCodeAligner::PadToWord() {
    while (total_ % 4) {
        pending_.push_back(0);
        ++total_;
    }
}

void StartCodeAligner::Append(const std::uint8_t* data, std::size_t bytes) {
    std::size_t copied = 0;
    bool first = true;
    for (std::size_t i = 0; i + 3 < bytes; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
        Put(data + copied, i - copied);
        PadToWord();
        copied = i;
        if (first) {
            if (unitOpen_) units_.push_back({total_ - unitStart_, unitGroupStart_});
            unitStart_ = total_;
            unitOpen_ = true;
            unitGroupStart_ = data[i + 3] == 0xB3;
            first = false;
        }
        i += 2;
    }
    Put(data + copied, bytes - copied);
}

void StartCodeAligner::Finish() {
    static constexpr std::uint8_t kSequenceEnd[] = {0, 0, 1, 0xB7};
    PadToWord();
    Put(kSequenceEnd, sizeof kSequenceEnd);
    if (unitOpen_) units_.push_back({total_ - unitStart_, unitGroupStart_});
    unitOpen_ = false;
}

}  // namespace softboard
