#include "table_file.h"

#include "mpeg_audio/console.h"

namespace mpa {

TableFile OpenTable(const std::string& name) {
    TableFile file(std::fopen(name.c_str(), "r"));
    if (!file) ConsoleMessage("OpenTable: could not find %s\n", name.c_str());
    return file;
}

}  // namespace mpa
