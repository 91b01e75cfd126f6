// What one run knows of its school: the number, the school year its queries ask for, the
// inactive-students rule, and the first and last school day of the terms (read by the
// attendance part of the run).
#pragma once

#include <cstdint>

#include "foundation/XString.h"

struct SchoolRun {
  XString schoolNumber;
  XString schoolYear;         // "YYYY-YYYY"
  int32_t inactiveCutoff = -1;  // -1: active students only
  int32_t startDate = -1;     // day numbers; -1 before they are read
  int32_t endDate = -1;
};
