// What a DebugMessageConfig record means to the two modules.
#pragma once

#include "tools/debugcfg/Encoding.h"

#include <string>

namespace debugcfg {

std::string Describe(const StoredRecord &Stored);

} // namespace debugcfg
