#include "ps_demux/picture_indexer.h"

#include <algorithm>

namespace ps_demux {
namespace {
// Display positions a group may hold: the record's picture field has 8 bits.
constexpr int kGroupCapacity = index_formats::kMaxTemporalReference + 1;
}

bool PictureIndexer::Feed(const std::uint8_t* bytes, std::size_t n) {
    scanner_.Feed(bytes, n, [this](const start_codes::StartCode& code) {
        if (writeFailed_ || refused_) return;
        if (index_formats::IsIndexedStartCode(code.code) && code.offset % 4 != 0) {
            refused_ = true;
            note_(index_formats::kUnalignedStartCodesMessage);
            return;
        }
        switch (code.code) {
            case start_codes::kSequenceHeader:
                writeFailed_ = !StartGroup(code.offset);
                break;
            case start_codes::kGroup:
                gopBase_ = gopCount_;
                break;
            case start_codes::kPicture:
                AddPicture(start_codes::TemporalReference(code));
                break;
            default:
                break;
        }
    });
    return !writeFailed_;
}

void PictureIndexer::AddPicture(int temporalReference) {
    const int position = gopBase_ + temporalReference;
    if (position >= kGroupCapacity) {
        note_("Picture with temporal reference " + std::to_string(temporalReference) +
              " left out of the index");
        return;
    }
    if (entries_.empty()) {
        entries_.assign(kGroupCapacity, {});
        present_.assign(kGroupCapacity, false);
    }
    index_formats::PictureIndexRecord& r = entries_[std::size_t(position)];
    r.groupStartWords = groupStartWords_;
    r.pictureInGroup = std::uint8_t(position);
    present_[std::size_t(position)] = true;
    entryCount_ = std::max(entryCount_, position + 1);
    gopCount_ = std::max(gopCount_, entryCount_);
    ++pictures_;
}

bool PictureIndexer::StartGroup(std::uint64_t offset) {
    if (!FlushGroup(false)) return false;
    groupStartWords_ = offset / 4;
    gopBase_ = 0;
    gopCount_ = 0;
    return true;
}

bool PictureIndexer::FlushGroup(bool last) {
    if (entryCount_ == 0) return true;
    if (entryCount_ > index_formats::kMaxPicturesPerGroup)
        note_("Group of " + std::to_string(entryCount_) + " pictures: index counts to its end are cut to 7 bits");
    std::vector<index_formats::PictureIndexRecord> group;
    group.reserve(std::size_t(entryCount_));
    int missing = 0;
    for (int i = 0; i < entryCount_; ++i) {
        if (!present_[std::size_t(i)]) ++missing;
        index_formats::PictureIndexRecord r = entries_[std::size_t(i)];
        // A gap in the references still gives one record per display position, never a record
        // left over from an earlier group.
        r.groupStartWords = groupStartWords_;
        r.pictureInGroup = std::uint8_t(i);
        r.picturesToGroupEnd = std::uint8_t(std::min(entryCount_ - i, 127));
        r.lastGroup = last;
        group.push_back(r);
    }
    if (missing) note_("Group with " + std::to_string(missing) + " missing temporal references");
    std::fill(present_.begin(), present_.end(), false);
    entryCount_ = 0;
    return write_(group);
}

bool PictureIndexer::Finish() { return refused_ || FlushGroup(true); }

}  // namespace ps_demux
