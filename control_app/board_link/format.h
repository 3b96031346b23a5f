// The application's name for the platform's printf-style formatting.
#pragma once

#include "platform/text_format.h"

namespace velmar {
using platform::Format;
}  // namespace velmar
