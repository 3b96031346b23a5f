#include "mpeg_audio/table_file.h"

#include "mpeg_audio/console.h"
#include "platform/kernel.h"

namespace mpa {

TableFile OpenTable(const std::string& name) {
    TableFile file(std::fopen(platform::DataFilePath(name).c_str(), "r"));
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
