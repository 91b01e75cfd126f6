// The attendance extracts: the absence records of the SIS, read week by week from the last
// update on, recorded in the attendance change store, which later sends only what changed.
// One absence record names several segments of the day in its "Period" list: the numbered
// class periods go to the period attendance, everything else ("AM", "PM") to the daily one.
#include <vector>

#include "engine/ExpEngine.h"
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

// The last day the windows reach: today, but not after the last school day, and not before
// the first.
int32_t WindowLimit(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate) {
  int32_t limit = today;
  if (schoolEndDate < limit) limit = schoolEndDate;
  if (limit < schoolStartDate) limit = schoolStartDate;
  return limit;
}

// The days of a school year text "YYYY-YYYY": 1 July of the first year to 30 June of the
// next, the year that ExpEngine::SchoolYearOf names. False for any other text.
bool SchoolYearDays(const XString& schoolYear, int32_t& first, int32_t& last) {
  const char* text = schoolYear.c_str();
  int year = 0;
  for (int i = 0; i < 4; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    year = year * 10 + (text[i] - '0');
  }
  if (text[4] != '-') return false;
  first = XDate::FromYMD(year, 7, 1);
  last = XDate::FromYMD(year + 1, 6, 30);
  return first != XDate::kNone && last != XDate::kNone;
}

}  // namespace

void ExpEngine::ReadableAttendanceDays(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                                       const XString& schoolYear, int32_t& first, int32_t& last) {
  first = schoolStartDate;
  last = WindowLimit(today, schoolStartDate, schoolEndDate);
  int32_t yearFirst = XDate::kNone, yearLast = XDate::kNone;
  if (!SchoolYearDays(schoolYear, yearFirst, yearLast)) return;
  // Terms whose middle falls in the school year asked for are that year's, and their first day
  // is the year's first day even before 1 July: its absences carry the year and are read back.
  // Terms of another year (still the old terms after 1 July) are cut at the year's bounds.
  const bool termsOfTheYear = schoolEndDate >= schoolStartDate &&
                              SchoolYearOf(schoolStartDate + (schoolEndDate - schoolStartDate) / 2) == schoolYear;
  if (first < yearFirst && !termsOfTheYear) first = yearFirst;
  if (last > yearLast) last = yearLast;
}

bool ExpEngine::NextAttendanceWindow(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                                     int32_t& updateDate, int32_t& windowStart, int32_t& windowEnd) {
  // Nothing after today, nothing after the school year, and nothing before it.
  const int32_t limit = WindowLimit(today, schoolStartDate, schoolEndDate);
  if (updateDate == XDate::kNone || updateDate < schoolStartDate) updateDate = schoolStartDate;
  windowStart = updateDate;

  const int32_t candidateEnd = updateDate + 6;  // seven days
  if (candidateEnd >= limit) {
    windowEnd = updateDate = limit;
    return true;
  }
  windowEnd = updateDate = candidateEnd;
  return false;
}

void ExpEngine::ExtractAttendanceUpdate() {
  DetermineSchoolStartAndEndDates();
  if (m_schoolStartDate == kLastDay) {
    // Without a first school day no window can be placed, and no day is known to be readable:
    // blanking would send the codes of the last days as deleted. Nothing is read or sent, and
    // the next run starts where this one would have.
    LogExtract(kLogWarning,
               XString("Attendance not extracted: no term of ") + kProbeTable +
                   " has both FirstDay_n and LastDay_n (n = 1 to 6) filled in, so the first school day is "
                   "unknown. No attendance is sent and the update date is kept.");
    // The update date is saved one day back (so that the next run looks at the last day
    // again); one day on, the date saved is the one the last run left.
    const int32_t updateDate = AttUpdateDate();
    if (updateDate != XDate::kNone && updateDate > 0) SetAttUpdateDate(XDate::AddDays(updateDate, 1));
    return;
  }

  BeginUpdateFile();
  ExtractDailyAttendance(m_schoolStartDate, m_schoolEndDate);
  ExtractPeriodAttendance(m_schoolStartDate, m_schoolEndDate);
  WriteAttendanceFromStore();
  // Closes the update file on the disk before the store marks its rows as sent.
  CompleteUpdateFile();
}

void ExpEngine::ExtractDailyAttendance(int32_t schoolStartDate, int32_t schoolEndDate) {
  ExtractAttendance(true, schoolStartDate, schoolEndDate);
}

void ExpEngine::ExtractPeriodAttendance(int32_t schoolStartDate, int32_t schoolEndDate) {
  ExtractAttendance(false, schoolStartDate, schoolEndDate);
}

void ExpEngine::ExtractAttendance(bool daily, int32_t schoolStartDate, int32_t schoolEndDate) {
  const XString kind = daily ? AttendanceStore::kDaily : AttendanceStore::kPeriod;
  const XString header = daily ? "AttTimeFrameRef" : "AttPerRef";
  const int32_t today = XDate::Today();
  // The days these queries can return: the windows' days within the school year asked for.
  // The school year follows today's date while the windows follow the term dates, so near the
  // turn of the year the two may not meet; the codes of other days are left as sent.
  int32_t firstReadable = XDate::kNone, lastReadable = XDate::kNone;
  ReadableAttendanceDays(today, schoolStartDate, schoolEndDate, m_schoolYear, firstReadable, lastReadable);
  BeginAttendanceExtract(kind, firstReadable, lastReadable);

  ODBCTable* student = AddTable("", "Student", "S");
  ODBCTable* absence = AddTable("", "Absence", "A");
  m_keyField = AddExportField(true, absence, "ID", &DataAccessBase::GetString, "");
  // The period extract can do without dates: it then reads the whole school year each window.
  ODBCField* date = AddExportField(daily, absence, "Date", &DataAccessBase::GetString, "");
  ODBCField* code = AddExportField(false, absence, "Absence", &DataAccessBase::GetString, "");
  ODBCField* type = AddExportField(false, absence, "Type", &DataAccessBase::GetString, "");
  ODBCField* periods = AddExportField(false, absence, "Period", &DataAccessBase::GetString, "");
  SetAttendanceChangeDateField(date);

  AddStudentJoin(AddField("ID", student, true), m_keyField);
  AddSchoolYearCondition(absence);
  AddActiveStudentConditions(student, false);
  SetDistinct(true);

  // All windows of the extract are recorded in one transaction of the store.
  BeginAttTransaction();
  const XString& pattern = HeaderSettings().m_dateFormat;
  int32_t updateDate = AttUpdateDate();
  bool lastWindow = false;
  while (!lastWindow) {
    int32_t windowStart = XDate::kNone, windowEnd = XDate::kNone;
    lastWindow = NextAttendanceWindow(today, schoolStartDate, schoolEndDate, updateDate, windowStart,
                                      windowEnd);
    SetAttUpdateDate(updateDate);
    LogExtract(kLogVerboseDebug, XString("Update Date is: ") + XDate::FormatDate(updateDate, pattern.c_str()));
    LogExtract(kLogVerboseDebug,
               XString("startUpdateDate is: ") + XDate::FormatDate(windowStart, pattern.c_str()));
    LogExtract(kLogVerboseDebug, XString("endUpdateDate is: ") + XDate::FormatDate(windowEnd, pattern.c_str()));
    LogExtract(kLogVerboseDebug,
               XString("m_schoolStartDate is: ") + XDate::FormatDate(schoolStartDate, pattern.c_str()));
    LogExtract(kLogVerboseDebug,
               XString("m_schoolEndDate is: ") + XDate::FormatDate(schoolEndDate, pattern.c_str()));

    ShowProgressText(XString("Reading ") + TableDescription() + " (" +
                     XDate::FormatDate(windowStart, pattern.c_str()) + " to " +
                     XDate::FormatDate(windowEnd, pattern.c_str()) + ")...");

    FilterAttendance(windowStart, windowEnd);
    if (!OpenQuery(true)) continue;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      if (!IsIncludedStudent()) continue;
      const XString studentKey = GetFieldTrimmed(m_keyField);
      const int32_t day = GetFieldDate(date);
      XString newCode = GetFieldTrimmed(type) == "Excused" ? "E" : "";
      newCode += GetFieldTrimmed(code);
      for (const XString& item : SplitPeriods(GetFieldTrimmed(periods))) {
        // Digits only (also the empty item) is a class period; anything else a part of the day.
        if (item.IsDigits() == daily) continue;
        AttendanceRow row;
        row.kind = kind;
        row.attdate = day;
        row.stdkey = studentKey;
        row.key = item;
        row.header = header;
        row.newcode = newCode;
        UpsertAttendance(row);
      }
    }
  }
  CommitAttTransaction();

  ClearAttendanceChangeDates();
  SetDistinct(false);
  FinishTable();
}
