// The first and the last school day of the year, as the widest span of the terms that the
// school profiles define.
#include "engine/ExpEngine.h"

#include "foundation/XDate.h"

void ExpEngine::WidenSchoolDates(ODBCField* firstDay, ODBCField* lastDay) {
  // A term counts only when both of its ends are filled in.
  if (GetFieldTrimmed(firstDay).IsEmpty() || GetFieldTrimmed(lastDay).IsEmpty()) return;
  int32_t first = GetFieldDate(firstDay);
  int32_t last = GetFieldDate(lastDay);
  if (first != -1 && (m_schoolStartDate == -1 || first < m_schoolStartDate)) m_schoolStartDate = first;
  if (last != -1 && (m_schoolEndDate == -1 || last > m_schoolEndDate)) m_schoolEndDate = last;
}

void ExpEngine::QuerySchoolTerms(ODBCField* firstDays[kTermsPerProfile],
                                 ODBCField* lastDays[kTermsPerProfile]) {
  ClearQuery();
  ODBCTable* profile = AddTable("", kProbeTable, "T");
  for (int n = 0; n < kTermsPerProfile; ++n) {
    firstDays[n] = AddField(XString("FirstDay_") + XString(n + 1), profile, true);
  }
  for (int n = 0; n < kTermsPerProfile; ++n) {
    lastDays[n] = AddField(XString("LastDay_") + XString(n + 1), profile, true);
  }
}

void ExpEngine::DetermineSchoolStartAndEndDates() {
  ODBCField* firstDays[kTermsPerProfile];
  ODBCField* lastDays[kTermsPerProfile];
  QuerySchoolTerms(firstDays, lastDays);

  bool opened = OpenQuery(true);
  m_schoolStartDate = kLastDay;
  m_schoolEndDate = 0;
  if (opened) {
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      for (int n = 0; n < kTermsPerProfile; ++n) WidenSchoolDates(firstDays[n], lastDays[n]);
    }
  }
  CloseQuery();

  const XString& pattern = HeaderSettings().m_dateFormat;
  LogExtract(kLogDebug, XString("DetermineSchoolStartAndEndDates : Start Date ") +
                            XDate::FormatDate(m_schoolStartDate, pattern.c_str()));
  LogExtract(kLogDebug, XString("DetermineSchoolStartAndEndDates : End Date ") +
                            XDate::FormatDate(m_schoolEndDate, pattern.c_str()));
}
