// A 16-bit stereo PCM WAVE file opened at its samples. Its header is read again when a run opens
// it, since the file may have changed after it was probed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ps_common/byte_io.h"

namespace ps {

struct PcmWave {
    std::unique_ptr<FileSource> file;  // empty when the file cannot be opened or is not taken
    std::uint64_t dataBytes = 0;
    std::uint32_t rate = 0;
    bool opened = false;  // the file opened, whether or not its header was taken
};

// Opens `path` at its data chunk when it holds 16-bit stereo PCM at `rate`.
PcmWave OpenPcmWave(const std::string& path, std::uint32_t rate);

}  // namespace ps
