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

}  // namespace

bool ExpEngine::NextAttendanceWindow(int32_t today, int32_t schoolStartDate, int32_t schoolEndDate,
                                     int32_t& updateDate, int32_t& windowStart, int32_t& windowEnd) {
  constexpr int32_t kNone = XDate::kNone;
  const bool startSet = schoolStartDate != kNone;

  // Nothing after today, nothing after the school year, and nothing before it.
  int32_t limit = schoolStartDate;
  if (today != kNone) {
    limit = today;
    if (schoolEndDate != kNone && schoolEndDate < limit) limit = schoolEndDate;
    if (startSet && limit < schoolStartDate) limit = schoolStartDate;
  }

  if (updateDate == kNone || (startSet && updateDate < schoolStartDate)) updateDate = schoolStartDate;
  // Without any date to start from, one window without lower bound reads everything up to the
  // limit (stepping a week at a time from "no date" would never arrive).
  if ((schoolStartDate == 0 && updateDate == 0) || updateDate == kNone) {
    updateDate = limit;
    windowStart = kNone;
  } else {
    windowStart = updateDate;
  }

  const int32_t candidateEnd = updateDate == kNone ? kNone : updateDate + 6;  // seven days
  if (limit == kNone || (candidateEnd != kNone && candidateEnd >= limit)) {
    windowEnd = updateDate = limit;
    return true;
  }
  windowEnd = updateDate = candidateEnd;
  return false;
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
  BeginAttendanceExtract(kind);

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
  const int32_t today = XDate::Today();
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

    XString progress = XString("Reading ") + TableDescription();
    if (updateDate != 0) {
      progress += XString(" (") + XDate::FormatDate(windowStart, pattern.c_str()) + " to " +
                  XDate::FormatDate(windowEnd, pattern.c_str()) + ")";
    }
    ShowProgressText(progress + "...");

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
