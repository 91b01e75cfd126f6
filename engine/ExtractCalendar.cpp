// The school-structure extracts: terms, the day rotation (tumbles), periods, the calendar of
// school days and the grading periods. Meridane keeps most of this structure in text columns of
// "System_Profile" (lists separated by commas or line breaks), so these extracts write their
// lines themselves, splitting those texts. Every profile row takes part: a database with
// several schools gives the lines of all of them.
#include <cstdlib>
#include <vector>

#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XFile.h"

namespace {

// The items of a list: before each item the rest is trimmed, and splitting stops when the rest
// is empty; each item is the trimmed text before the next separator (or the whole rest).
std::vector<XString> SplitList(XString rest, char separator) {
  std::vector<XString> items;
  for (rest.Trim(); !rest.IsEmpty(); rest.Trim()) {
    const uint32_t at = rest.Find(separator);
    XString item = rest.Left(at);
    rest = at < rest.Length() ? rest.Mid(at + 1) : XString();
    items.push_back(item.Trim());
  }
  return items;
}

// The item at a position, or empty past the end: a period without its bell line still gets
// its lines.
XString ItemAt(const std::vector<XString>& items, size_t index) {
  return index < items.size() ? items[index] : XString();
}

// Writes the current table's lines through `writeLines` into its table file. A failure
// (writing, the query, a cancel) discards the unfinished file, so the previous complete one
// stays, and passes on to end the run.
template <class WriteLines>
void WriteOwnTable(QDEWriter& writer, WriteLines writeLines) {
  XFile& out = writer.OpenTableOutput();
  try {
    writeLines(out);
    writer.CloseTableOutput();
  } catch (...) {
    writer.AbandonTableOutput();
    throw;
  }
}

// A day number is a weekend day when (d + 5) mod 7 is 5 or 6: day 0 was a Saturday.
bool IsWeekday(int32_t day) {
  const int32_t weekday = (day + 5) % 7;
  return weekday != 5 && weekday != 6;
}

// The hour of a bell line ("07:30-08:20" gives 7): the decimal value of its first two
// characters.
int BellHour(const XString& bellLine) { return std::atoi(bellLine.Left(2).c_str()); }

}  // namespace

void ExpEngine::ExtractTerms() {
  DumpTableDefinition(kProbeTable);
  BeginExtract("Terms", "Terms.qef");
  ODBCField* firstDays[kTermsPerProfile];
  ODBCField* lastDays[kTermsPerProfile];
  QuerySchoolTerms(firstDays, lastDays);
  for (const char* name : {"TermKey", "TermName", "TermStartDate", "TermEndDate"}) AddHeaderField(name);

  // The terms define the school year: the calendar and the attendance windows start from here.
  m_schoolStartDate = kLastDay;
  m_schoolEndDate = 0;
  const XString pattern = HeaderSettings().m_dateFormat;
  WriteOwnTable(*this, [&](XFile& out) {
    if (!OpenQuery(true)) return;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      for (int n = 0; n < kTermsPerProfile; ++n) {
        if (GetFieldTrimmed(firstDays[n]).IsEmpty() || GetFieldTrimmed(lastDays[n]).IsEmpty()) continue;
        WidenSchoolDates(firstDays[n], lastDays[n]);
        out.WriteField(XString(n + 1));
        out.WriteField(XString("Term ") + XString(n + 1));
        out.WriteField(XDate::FormatDate(GetFieldDate(firstDays[n]), pattern.c_str()));
        out.WriteField(XDate::FormatDate(GetFieldDate(lastDays[n]), pattern.c_str()));
        out.EndLine();
      }
    }
  });
  FinishTable();
}

void ExpEngine::ExtractTumbles() {
  BeginExtract("Tumble", "Tumbles.qef");
  ODBCTable* profile = AddTable("", kProbeTable, "T");
  ODBCField* periodField = AddField("Period", profile, true);
  AddField("Bell_1", profile, true);  // read by the periods extract, required here as well
  ODBCField* bellEnds = AddField("Bell_2", profile, true);
  for (const char* name : {"TumKey", "TumName", "TumPerRef", "TumPerOrder"}) AddHeaderField(name);

  WriteOwnTable(*this, [&](XFile& out) {
    if (!OpenQuery(true)) return;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      const std::vector<XString> periods = SplitList(GetFieldTrimmed(periodField), ',');
      const std::vector<XString> bells = SplitList(GetFieldTrimmed(bellEnds), '\n');
      for (size_t i = 0; i < periods.size(); ++i) {
        const XString order(static_cast<int>(i));
        out.WriteField("All Day");
        out.WriteField("All Day Tumble");
        out.WriteField(periods[i]);
        out.WriteField(order);
        out.EndLine();
        // A period whose bell rings from 6 to 11 o'clock belongs to the morning.
        const int hour = BellHour(ItemAt(bells, i));
        const bool morning = hour >= 6 && hour <= 11;
        out.WriteField(morning ? "AM" : "PM");
        out.WriteField(morning ? "AM Tumble" : "PM Tumble");
        out.WriteField(periods[i]);
        out.WriteField(order);
        out.EndLine();
      }
    }
  });
  FinishTable();
}

void ExpEngine::ExtractPeriods() {
  BeginExtract("Periods", "Periods.qef");
  ODBCTable* profile = AddTable("", kProbeTable, "P");
  ODBCField* periodField = AddField("Period", profile, true);
  ODBCField* bellNames = AddField("Bell_1", profile, true);
  ODBCField* bellTimes = AddField("Bell_2", profile, true);
  for (const char* name : {"PerKey", "PerCode", "xPerName", "PerStartTime", "PerEndTime"}) {
    AddHeaderField(name);
  }

  WriteOwnTable(*this, [&](XFile& out) {
    if (!OpenQuery(true)) return;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      const std::vector<XString> periods = SplitList(GetFieldTrimmed(periodField), ',');
      const std::vector<XString> names = SplitList(GetFieldTrimmed(bellNames), '\n');
      const std::vector<XString> times = SplitList(GetFieldTrimmed(bellTimes), '\n');
      for (size_t i = 0; i < periods.size(); ++i) {
        // "08:25-09:15": start and end around the first '-'; without one, a start time only.
        const XString time = ItemAt(times, i);
        const uint32_t dash = time.Find('-');
        out.WriteField(periods[i]);
        out.WriteField(periods[i]);
        out.WriteField(ItemAt(names, i));
        out.WriteField(time.Left(dash));
        out.WriteField(dash < time.Length() ? time.Mid(dash + 1) : XString());
        out.EndLine();
      }
    }
  });
  FinishTable();
}

void ExpEngine::ExtractCalendar() {
  DumpTableDefinition("Event");
  BeginExtract("Calendar", "Calendar.qef");
  ODBCTable* event = AddTable("", "Event", "C");
  ODBCField* partOfDay = AddField("AMPMAllDay", event, true);
  ODBCField* dateOut = AddField("DateOut", event, true);
  ODBCField* reason = AddField("Reason", event, true);
  ODBCField* status = AddField("Status", event, true);
  ODBCField* count = AddField("Count", event, false);
  AddCondition(status, "", "=", "'Day Out'", 0);
  AddOrder(dateOut);
  for (const char* name :
       {"CalKey", "CalDate", "CalDateDesc", "CalDateTumRef", "CalDateDayRef", "CalDateAttValue"}) {
    AddHeaderField(name);
  }

  const XString pattern = HeaderSettings().m_dateFormat;
  // The terms extract has set the school year: its first day, or 31 December 3999 when no
  // term is complete, which leaves the calendar without school days.
  int32_t day = m_schoolStartDate;
  // Every weekday before `until` that no event took is a whole school day.
  auto writeSchoolDaysBefore = [&](XFile& out, int32_t until) {
    for (; day < until; ++day) {
      if (!IsWeekday(day)) continue;
      out.WriteField("");
      out.WriteField(XDate::FormatDate(day, pattern.c_str()));
      out.WriteField("");
      out.WriteField("All Day");
      out.WriteField("1");
      out.WriteField("1");
      out.EndLine();
    }
  };

  WriteOwnTable(*this, [&](XFile& out) {
    if (OpenQuery(true)) {
      for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
        CountProgressItem();
        const int32_t eventDay = GetFieldDate(dateOut);
        writeSchoolDaysBefore(out, eventDay);

        // The part of the day attended: a missing "Count" counts as a whole day out.
        const float daysOut = count != nullptr ? GetFieldFloat(count) : 1.0f;
        out.WriteField("");
        out.WriteField(XDate::FormatDate(eventDay, pattern.c_str()));
        // One-line text: a line break in the SIS would split the record.
        out.WriteField(GetFieldClean(reason));
        out.WriteField(GetFieldClean(partOfDay));
        out.WriteField("");
        out.WriteField(XString(1.0f - daysOut, 4));
        out.EndLine();
        // The school days resume after the event's day. The counter moves forward only when
        // it is not past the event: an event behind it (a second event on one day, morning
        // and afternoon out; an event before the first school day or of an earlier school
        // year) leaves it where it is. Advanced by one day for every event, it would skip a
        // school day for each of these.
        if (eventDay != XDate::kNone && day <= eventDay) day = eventDay + 1;
      }
    }
    // The last school day itself is a school day: the end date moves one day past it.
    m_schoolEndDate = m_schoolEndDate + 1;
    writeSchoolDaysBefore(out, m_schoolEndDate);
  });
  FinishTable();
}

void ExpEngine::ExtractGradingPeriods() {
  BeginExtract("Grading Periods", "Bins.qef");
  ODBCTable* profile = AddTable("", kProbeTable, "BIN");
  ODBCField* gradingPeriods = AddField("GradingPeriod", profile, true);
  for (const char* name : {"BinKey", "BinName"}) AddHeaderField(name);

  WriteOwnTable(*this, [&](XFile& out) {
    if (!OpenQuery(true)) return;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      CountProgressItem();
      const std::vector<XString> bins = SplitList(GetFieldTrimmed(gradingPeriods), ',');
      for (size_t i = 0; i < bins.size(); ++i) {
        out.WriteField(XString(static_cast<int>(i)));
        out.WriteField(bins[i]);
        out.EndLine();
      }
      // The grades extract files test grades under this bin.
      out.WriteField("Test");
      out.WriteField("Test");
      out.EndLine();
    }
  });
  FinishTable();
}
