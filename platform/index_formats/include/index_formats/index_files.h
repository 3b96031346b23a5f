// The index files on disk: where they lie beside their stream, reading single records without
// loading the whole file (clips run to millions of pictures), and writing whole files or
// appending group by group as the builders do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "index_formats/alpha_index.h"
#include "index_formats/picture_index.h"
#include "platform/replacing_file.h"

namespace index_formats {

// The index beside a stream: same folder and name, the stream's extension replaced by
// `extension` (".mdb" or ".adb"); a name without an extension gets it appended.
std::string IndexPathBeside(const std::string& streamPath, std::string_view extension);

// The video channels' clip length in index words (2 per picture) when no usable .mdb tells it.
inline constexpr std::uint32_t kUnknownClipLengthWords = 4'000'000;

// Clip length in index words from the .mdb: its size / 4. A missing .mdb, or one too short to
// hold a single record, gives kUnknownClipLengthWords: a file of 0 to 7 bytes holds no record, so
// it counts as missing rather than as a clip of no pictures (which would divide by zero in the end
// rule). 64-bit: an index of 8 GiB or more holds 2^31 words or more.
std::uint64_t VideoClipLengthWords(const std::string& mdbPath);

// Record `picture` of an .mdb, read at byte 8 x picture; nothing when the file is missing or
// shorter.
std::optional<PictureIndexRecord> ReadPictureIndexRecord(const std::string& mdbPath, std::uint64_t picture);

// The end rule on a file: the byte offset where playback ends after picture e of a clip played
// over and over (e may pass the clip's length). Nothing when the .mdb holds no record or is
// damaged (pictures-to-end pointing past its end).
std::optional<std::uint64_t> ReadEndAfterPicture(const std::string& mdbPath, std::uint64_t picture,
                                                 std::uint64_t streamBytes);

// Whole files. Readers give nothing when the file cannot be read; a trailing partial record is
// ignored. Writers replace the file only when every byte was written (see IndexFileWriter) and
// return false otherwise.
std::optional<std::vector<PictureIndexRecord>> ReadPictureIndexFile(const std::string& path);
bool WritePictureIndexFile(const std::string& path, const std::vector<PictureIndexRecord>& records,
                           const std::string& streamPath = {});
std::optional<std::vector<AlphaIndexEntry>> ReadAlphaIndexFile(const std::string& path);
std::optional<AlphaIndexEntry> ReadAlphaIndexEntry(const std::string& adbPath, std::uint64_t frame);
bool WriteAlphaIndexFile(const std::string& path, const std::vector<AlphaIndexEntry>& entries,
                         const std::string& streamPath = {});

// An index file written piece by piece (a group's records, a block's alpha entries) under a
// temporary name beside it, and put in place by Commit only: until then the previous index stays
// as it was, and a run that does not commit leaves nothing behind.
class IndexFileWriter {
public:
    IndexFileWriter() = default;
    IndexFileWriter(const IndexFileWriter&) = delete;
    IndexFileWriter& operator=(const IndexFileWriter&) = delete;

    // False when the temporary file cannot be created, or when `path` is the stream itself
    // (a stream named like its own index, or a link at the index's name pointing to it).
    bool Open(const std::string& path, const std::string& streamPath = {});
    bool Append(const std::vector<PictureIndexRecord>& records);
    bool Append(const std::vector<AlphaIndexEntry>& entries);
    // Writes what is buffered and puts the file in place; false when any write failed.
    bool Commit();
    // Drops the run's file; the previous index stays.
    void Discard();
    bool IsOpen() const { return file_.IsOpen(); }

private:
    bool AppendBytes(const std::vector<std::uint8_t>& bytes);
    bool Flush();
    platform::ReplacingFile file_;
    std::vector<std::uint8_t> buffer_;
    bool failed_ = false;
};

}  // namespace index_formats
