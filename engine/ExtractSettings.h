// What one extraction is given about its school: the school entry of the site configuration as
// far as the engine and the package writer read it. The application fills it from the current
// school entry.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

struct ExtractSettings {
  XString m_schoolNumber;
  XString m_district;
  XString m_schoolYear;  // as configured; the engine derives the year it extracts from the date
  // -1: active students only; any other value: active and inactive students.
  int32_t m_inactiveCutoff = -1;
  XString m_importFolder;
  XString m_dsn;
  XString m_masterFile;
  XString m_masterFolder;
  XString m_securityFile;
};
