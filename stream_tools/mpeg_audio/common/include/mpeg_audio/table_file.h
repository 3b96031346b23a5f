// Opening the text table files the engines read by name from the working directory.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "platform/c_file.h"

namespace mpa {

using TableFile = platform::CFile;

// Opens `name` for reading in text mode; null after "OpenTable: could not find %s\n".
TableFile OpenTable(const std::string& name);
// The whole file as text; false (after the same message) when it cannot be opened or read.
bool ReadTableFile(const std::string& name, std::string* text);

}  // namespace mpa
