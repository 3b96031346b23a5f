// Opening the files the service loop streams from and to. The loop's thread must never block in
// open(): a FIFO nobody writes would stop every stream and the loop's quit check with it. Names are
// opened without waiting, and only regular files and block devices are taken.
#pragma once

#include <string>

namespace ruvent {

// open(2) with `flags` (and `mode` when creating); -1 when the name cannot be opened or is neither
// a regular file nor a block device.
int OpenStreamFile(const std::string& path, int flags, int mode = 0644);

}  // namespace ruvent
