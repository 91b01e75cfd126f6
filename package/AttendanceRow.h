// One attendance row as the extracts hand it to the attendance change store: the kind (the
// store table), the day, and the texts of the table's columns, named as the columns are.
// An empty code means "not given": a row with only `newcode` records what the SIS shows now,
// one with only `oldcode` what was last sent.
#pragma once

#include "foundation/XDate.h"
#include "foundation/XString.h"

struct AttendanceRow {
  XString kind;                 // "DAILY_ATT" or "PERIOD_ATT"
  int attdate = XDate::kNone;   // day number
  XString stdkey;
  XString key;                  // "timeframe" of DAILY_ATT, "perkey" of PERIOD_ATT
  XString header;
  XString oldcode;
  XString newcode;
  XString excused;
  XString absent;
  XString tardy;
  XString truant;
  XString discipline;
};
