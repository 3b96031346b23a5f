#include "encoder_stream.h"

#include "start_codes/start_codes.h"

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
    for (std::size_t i = start_codes::FindStartCode(data, bytes); i < bytes;
         i = start_codes::FindStartCode(data, bytes, i + 3)) {
        Put(data + copied, i - copied);
        PadToWord();
        copied = i;
        if (first) {
            if (unitOpen_) units_.push_back({total_ - unitStart_, unitGroupStart_});
            unitStart_ = total_;
            unitOpen_ = true;
            unitGroupStart_ = data[i + 3] == start_codes::kSequenceHeader;
            first = false;
        }
    }
    Put(data + copied, bytes - copied);
}

void StartCodeAligner::Finish() {
    static constexpr std::uint8_t kSequenceEnd[] = {0, 0, 1, start_codes::kSequenceEnd};
    PadToWord();
    Put(kSequenceEnd, sizeof kSequenceEnd);
    if (unitOpen_) units_.push_back({total_ - unitStart_, unitGroupStart_});
    unitOpen_ = false;
}

}  // namespace softboard
