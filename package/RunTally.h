// What one run wrote into its import folder, kept for the run's record in the run history:
// the rows of each table file, the attendance rows that went out in its update file and that
// file's name, and the Warning messages its extract log was given.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/XString.h"

struct RunTally {
  std::vector<std::pair<XString, int32_t>> tables;  // table file name, rows, in writing order
  int64_t attendanceRowsSent = 0;  // rows of an update file that is complete on the disk
  XString updateFile;              // its name; empty when the run completed none
  uint32_t extractLogWarnings = 0;
};
