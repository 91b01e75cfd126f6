// The attendance extracts: the absence records of the SIS, read week by week from the last
// update on, recorded in the attendance change store, which later sends only what changed.
// One absence record names several segments of the day in its "Period" list: the numbered
// class periods go to the period attendance, everything else ("AM", "PM") to the daily one.
#include <vector>

#include "engine/ExtractSteps.h"
#include "package/AttendanceExport.h"
#include "engine/SchoolYear.h"
#include "foundation/XDate.h"

namespace {

// The items of an absence's "Period" list. Before each item the rest is trimmed, so blanks
// after a comma fall away; the items themselves are not trimmed, so "1 ,2" gives "1 " (not a
// period number) and "2".
std::vector<XString> SplitPeriods(XString rest) {
  std::vector<XString> items;
  for (rest.Trim(); !rest.IsEmpty(); rest.Trim()) {
    const uint32_t at = rest.Find(',');
    items.push_back(rest.Left(at));
    rest = at < rest.Length() ? rest.Mid(at + 1) : XString();
  }
  return items;
}


}  // namespace

void ExtractSteps::ExtractAttendanceUpdate() {
  DetermineSchoolStartAndEndDates();
  if (m_run.startDate == kLastDay) {
    // Without a first school day no window can be placed, and no day is known to be readable:
    // blanking would send the codes of the last days as deleted. Nothing is read or sent, and
    // the next run starts where this one would have.
    LogExtract(kLogWarning,
               XString("Attendance not extracted: no term of ") + kProbeTable +
                   " has both FirstDay_n and LastDay_n (n = 1 to 6) filled in, so the first school day is "
                   "unknown. No attendance is sent and the update date is kept.");
    // The update date is saved one day back (so that the next run looks at the last day
    // again); one day on, the date saved is the one the last run left.
    const int32_t updateDate = m_writer.Attendance().UpdateDate();
    if (updateDate != XDate::kNone && updateDate > 0) m_writer.Attendance().SetUpdateDate(XDate::AddDays(updateDate, 1));
    return;
  }

  m_writer.BeginUpdateFile();
  ExtractAttendance(true, m_run.startDate, m_run.endDate);
  ExtractAttendance(false, m_run.startDate, m_run.endDate);
  // The rows of the change store that are new or changed: daily, then period attendance.
  AttendanceExport(m_writer).WriteChanges(true);
  AttendanceExport(m_writer).WriteChanges(false);
  // Closes the update file on the disk before the store marks its rows as sent.
  m_writer.CompleteUpdateFile();
}

void ExtractSteps::ExtractAttendance(bool daily, int32_t schoolStartDate, int32_t schoolEndDate) {
  const XString kind = daily ? AttendanceStore::kDaily : AttendanceStore::kPeriod;
  const XString header = daily ? "AttTimeFrameRef" : "AttPerRef";
  const int32_t today = XDate::Today();
  // The days these queries can return: the windows' days within the school year asked for.
  // The school year follows today's date while the windows follow the term dates, so near the
  // turn of the year the two may not meet; the codes of other days are left as sent.
  int32_t firstReadable = XDate::kNone, lastReadable = XDate::kNone;
  ReadableAttendanceDays(today, schoolStartDate, schoolEndDate, m_run.schoolYear, firstReadable, lastReadable);
  m_pattern.BeginAttendanceExtract(kind, firstReadable, lastReadable);

  ODBCTable* student = Query().AddTable("", "Student", "S");
  ODBCTable* absence = Query().AddTable("", "Absence", "A");
  m_keyField = m_pattern.AddExportField(true, absence, "ID", GetString, "");
  // The period extract can do without dates: it then reads the whole school year each window.
  ODBCField* date = m_pattern.AddExportField(daily, absence, "Date", GetString, "");
  ODBCField* code = m_pattern.AddExportField(false, absence, "Absence", GetString, "");
  ODBCField* type = m_pattern.AddExportField(false, absence, "Type", GetString, "");
  ODBCField* periods = m_pattern.AddExportField(false, absence, "Period", GetString, "");
  Query().SetAttendanceChangeDateField(date);

  m_pattern.AddStudentJoin(Query().AddField("ID", student, true), m_keyField);
  m_pattern.AddSchoolYearCondition(absence);
  m_pattern.AddActiveStudentConditions(student, false);
  Query().SetDistinct(true);

  // All windows of the extract are recorded in one transaction of the store.
  if (!m_writer.DryRun()) m_writer.Attendance().BeginRecording();
  const XString& pattern = m_writer.HeaderSettings().m_dateFormat;
  int32_t updateDate = m_writer.Attendance().UpdateDate();
  bool lastWindow = false;
  while (!lastWindow) {
    int32_t windowStart = XDate::kNone, windowEnd = XDate::kNone;
    lastWindow = NextAttendanceWindow(today, schoolStartDate, schoolEndDate, updateDate, windowStart,
                                      windowEnd);
    m_writer.Attendance().SetUpdateDate(updateDate);
    LogExtract(kLogVerboseDebug, XString("Update Date is: ") + XDate::FormatDate(updateDate, pattern.c_str()));
    LogExtract(kLogVerboseDebug,
               XString("startUpdateDate is: ") + XDate::FormatDate(windowStart, pattern.c_str()));
    LogExtract(kLogVerboseDebug, XString("endUpdateDate is: ") + XDate::FormatDate(windowEnd, pattern.c_str()));
    LogExtract(kLogVerboseDebug,
               XString("m_schoolStartDate is: ") + XDate::FormatDate(schoolStartDate, pattern.c_str()));
    LogExtract(kLogVerboseDebug,
               XString("m_schoolEndDate is: ") + XDate::FormatDate(schoolEndDate, pattern.c_str()));

    m_context.ShowProgressText(XString("Reading ") + m_writer.TableDescription() + " (" +
                     XDate::FormatDate(windowStart, pattern.c_str()) + " to " +
                     XDate::FormatDate(windowEnd, pattern.c_str()) + ")...");

    Query().FilterAttendance(windowStart, windowEnd);
    if (!m_table.OpenQuery(true)) continue;
    for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
      m_context.CountProgressItem();
      if (!IsIncludedStudent()) continue;
      const XString studentKey = Reader().GetFieldTrimmed(m_keyField);
      const int32_t day = Reader().GetFieldDate(date);
      XString newCode = Reader().GetFieldTrimmed(type) == "Excused" ? "E" : "";
      newCode += Reader().GetFieldTrimmed(code);
      for (const XString& item : SplitPeriods(Reader().GetFieldTrimmed(periods))) {
        // Digits only (also the empty item) is a class period; anything else a part of the day.
        if (item.IsDigits() == daily) continue;
        AttendanceRow row;
        row.kind = kind;
        row.attdate = day;
        row.stdkey = studentKey;
        row.key = item;
        row.header = header;
        row.newcode = newCode;
        m_writer.Attendance().Record(row);
      }
    }
  }
  if (!m_writer.DryRun()) m_writer.Attendance().CommitRecording();

  Query().ClearAttendanceChangeDates();
  Query().SetDistinct(false);
  m_table.FinishTable();
}
