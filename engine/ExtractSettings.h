// What one extraction is given about its school: the school entry of the site configuration as
// far as the engine and the package writer read it. The application fills it from the current
// school entry; the writer compares the bridge configuration part with the import folder's
// record of the last package.
#pragma once

#include <cstdint>

#include "package/SchoolConfig.h"

struct ExtractSettings : BridgeConfiguration {
  // -1: active students only; any other value (1, or the day number of a date): active and
  // inactive students.
  int32_t m_inactiveCutoff = -1;
};
