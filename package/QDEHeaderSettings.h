// The settings from which the pragma section of the package header file and of every update
// file is written. The date, time and date-time formats are also the patterns with which dates
// are written into the data lines, so the package announces the formats it actually uses.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

struct QDEHeaderSettings {
  XString m_exportSource;
  XString m_schoolName;
  XString m_nameFormat;
  XString m_dateFormat = "mm/dd/yyyy";
  XString m_timeFormat = "HH:NN:SS AA";
  XString m_dateTimeFormat = "mm/dd/yyyy HH:NN:SS AA";
  bool m_crsKeyInSecKey = false;  // deprecated: writing the pragmas fails while it is on
  bool m_verify = false;
  bool m_showInfo = false;
  bool m_gradesDontCreateSections = false;
  bool m_attendanceDoesntCreateDates = true;
  bool m_termsAreBins = false;
  uint32_t m_minVersion = 0;  // four parts, one byte each (0x07020300 is 7.2.3.0); 0 = none
  XString m_quotes;           // written verbatim, unquoted
  int32_t m_maxExpectedTimeSlots = 0;
  int32_t m_maxExpectedDays = 0;
  int32_t m_maxExpectedPeriods = 0;
  int32_t m_maxExpectedTerms = 0;
  int32_t m_maxExpectedBins = 0;
};
