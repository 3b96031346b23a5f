// Builds the .mdb picture index of one video elementary stream as its bytes go by.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "index_formats/picture_index.h"
#include "start_codes/start_codes.h"

namespace ps_demux {

class PictureIndexer {
public:
    // Records of a finished group go to `write` (false: the write failed); notes for the message
    // list go to `note`.
    using GroupWriter = std::function<bool(const std::vector<index_formats::PictureIndexRecord>&)>;
    using NoteWriter = std::function<void(const std::string&)>;
    PictureIndexer(GroupWriter write, NoteWriter note) : write_(std::move(write)), note_(std::move(note)) {}

    // Scans the next bytes of the stream. False when writing the index failed.
    bool Feed(const std::uint8_t* bytes, std::size_t n);
    // Writes the last group, marked as such.
    bool Finish();
    // A sequence header, group or picture start code lay off a 4-byte boundary: the index could
    // not point at its group, so nothing more is written and the note says so, as the index
    // builder does; the caller drops the index.
    bool Refused() const { return refused_; }

    std::uint64_t Pictures() const { return pictures_; }

private:
    bool StartGroup(std::uint64_t offset);
    bool FlushGroup(bool last);
    void AddPicture(int temporalReference);

    GroupWriter write_;
    NoteWriter note_;
    start_codes::StartCodeScanner scanner_;
    bool writeFailed_ = false;
    bool refused_ = false;
    std::uint64_t groupStartWords_ = 0;
    // Within a group, each group of pictures header restarts temporal references: pictures are
    // numbered from the base of their own group of pictures.
    int gopBase_ = 0;
    int gopCount_ = 0;
    std::vector<index_formats::PictureIndexRecord> entries_;
    std::vector<bool> present_;
    int entryCount_ = 0;
    std::uint64_t pictures_ = 0;
};

}  // namespace ps_demux
