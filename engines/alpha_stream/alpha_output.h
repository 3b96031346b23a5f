// The generators' output: the stream and its .adb, both written under temporary names beside
// them and put in place together once the run is done. A failed or cancelled run, or one killed
// midway, leaves the pair that was there before, never a shorter stream or an index that does not
// describe its stream.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "index_formats/index_files.h"
#include "platform/replacing_file.h"

namespace alpha_stream {

class AlphaOutput {
public:
    // A failure names its file and cause in `problem`.
    explicit AlphaOutput(std::string& problem) : problem_(problem) {}

    // Creates both temporary files. False when either cannot be: a folder at either name, a
    // stream named like its own .adb, a folder that cannot be written.
    bool Open(const std::string& streamPath);
    // Appends one frame that `write` puts into a memory stream; the frame is checked as a reader
    // checks it before it counts. False when writing or the check fails.
    bool AppendFrame(const std::function<bool(std::FILE*)>& write);
    // Writes the .adb of the frames and puts both files in place, the stream first, while no
    // other run puts files in place in that folder (OutputGroupLock). False when anything fails;
    // both temporaries are then gone.
    bool Commit();

private:
    bool Fail(const std::string& path);

    std::string& problem_;
    std::string streamPath_;
    platform::ReplacingFile stream_;
    platform::ReplacingFile index_;
    bool withIndex_ = false;  // false when the stream goes straight into a device or a pipe
    std::uint64_t bytes_ = 0;
    std::vector<index_formats::AlphaIndexEntry> entries_;
};

}  // namespace alpha_stream
