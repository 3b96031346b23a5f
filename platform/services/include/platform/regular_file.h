// Files the programs open by name are taken only when the name reaches a regular file (links
// followed), and finding that out never waits: opening a FIFO waits until a writer comes (on the
// user-interface thread, for good), and a device such as /dev/zero never ends. Every open by name
// of a file the operator or the settings choose goes through here.
#pragma once

#include <cstddef>
#include <string>

#include "platform/c_file.h"

namespace platform {

// True when the name reaches a regular file. A stat, which never waits.
bool IsRegularFile(const std::string& path);

// What an open by name takes besides regular files. Only the streams the board plays from or
// records into may be block devices (a disk partition given over to a recording).
enum class BlockDevices { Refused, Taken };

// `path` opened with open(2) `flags` (O_RDONLY, O_WRONLY | O_CREAT | O_APPEND, ...; O_TRUNC is
// applied only once the file is known to be regular, never to a device) when it names a regular
// file (or a block device that `blockDevices` takes), or nothing yet and `flags` create it; -1
// otherwise. The descriptor blocks as usual once it is open.
int OpenRegularFileDescriptor(const std::string& path, int flags, BlockDevices blockDevices = BlockDevices::Refused);

// The same as a C stream with std::fopen's `mode` ("rb", "ab", "r+b", "w", ...).
CFile OpenRegularFile(const std::string& path, const char* mode);

// The whole of a regular file that holds at most `limit` bytes. A larger one is never read past
// the limit: a file the programs read whole cannot make them run out of memory or time.
enum class WholeFileRead { Read, CannotOpen, TooLarge };
WholeFileRead ReadRegularFile(const std::string& path, std::size_t limit, std::string& bytes);

}  // namespace platform
