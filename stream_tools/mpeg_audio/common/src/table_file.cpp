#include "mpeg_audio/table_file.h"

#include "mpeg_audio/console.h"
#include "platform/kernel.h"
#include "platform/regular_file.h"

namespace mpa {

TableFile OpenTable(const std::string& name) {
    // A FIFO or a device in a table's place is never waited on or read without end.
    TableFile file = platform::OpenRegularFile(platform::DataFilePath(name), "r");
    if (!file) ConsoleMessage("OpenTable: could not find %s\n", name.c_str());
    return file;
}

bool ReadTableFile(const std::string& name, std::string* text) {
    TableFile file = OpenTable(name);
    if (!file) return false;
    text->clear();
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text->append(buffer, got);
    return std::ferror(file.get()) == 0;
}

}  // namespace mpa
