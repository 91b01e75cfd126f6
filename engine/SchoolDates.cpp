// The first and the last school day of the year, as the widest span of the terms that the
// school profiles define.
#include "engine/ExtractSteps.h"

#include "foundation/XDate.h"

// A term counts only when both of its ends are filled in.
void ExtractSteps::WidenSchoolDates(ODBCField* firstDay, ODBCField* lastDay) {
  RecordReader& reader = Reader();
  if (reader.GetFieldTrimmed(firstDay).IsEmpty() || reader.GetFieldTrimmed(lastDay).IsEmpty()) return;
  int32_t first = reader.GetFieldDate(firstDay);
  int32_t last = reader.GetFieldDate(lastDay);
  if (first != -1 && (m_run.startDate == -1 || first < m_run.startDate)) m_run.startDate = first;
  if (last != -1 && (m_run.endDate == -1 || last > m_run.endDate)) m_run.endDate = last;
}

void ExtractSteps::QuerySchoolTerms(ODBCField* firstDays[kTermsPerProfile], ODBCField* lastDays[kTermsPerProfile]) {
  Query().ClearQuery();
  ODBCTable* profile = Query().AddTable("", kProbeTable, "T");
  for (int n = 0; n < kTermsPerProfile; ++n) {
    firstDays[n] = Query().AddField(XString("FirstDay_") + XString(n + 1), profile, true);
  }
  for (int n = 0; n < kTermsPerProfile; ++n) {
    lastDays[n] = Query().AddField(XString("LastDay_") + XString(n + 1), profile, true);
  }
}

void ExtractSteps::DetermineSchoolStartAndEndDates() {
  ODBCField* firstDays[kTermsPerProfile];
  ODBCField* lastDays[kTermsPerProfile];
  QuerySchoolTerms(firstDays, lastDays);

  bool opened = m_table.OpenQuery(true);
  m_run.startDate = kLastDay;
  m_run.endDate = 0;
  if (opened) {
    for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
      m_context.CountProgressItem();
      for (int n = 0; n < kTermsPerProfile; ++n) WidenSchoolDates(firstDays[n], lastDays[n]);
    }
  }
  m_data.CloseQuery();

  const XString& pattern = m_writer.HeaderSettings().m_dateFormat;
  LogExtract(kLogDebug, XString("DetermineSchoolStartAndEndDates : Start Date ") +
                            XDate::FormatDate(m_run.startDate, pattern.c_str()));
  LogExtract(kLogDebug, XString("DetermineSchoolStartAndEndDates : End Date ") +
                            XDate::FormatDate(m_run.endDate, pattern.c_str()));
}
