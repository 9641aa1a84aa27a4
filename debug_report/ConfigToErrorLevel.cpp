#include "Guid/DebugMessageConfig.h"
#include "debug_report/DebugLevel.h"

static_assert(DefaultErrorLevel == DebugMessageConfigPresetMasks[0]);

// No record to read gives the mask of an unreadable variable.
UINT32 ConfigToErrorLevel(const DEBUG_MESSAGE_CONFIG *Record) {
  return Record == nullptr ? DefaultErrorLevel : DebugMessageConfigToMask(*Record);
}
