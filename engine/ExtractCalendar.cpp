// The school-structure extracts: terms, the day rotation (tumbles), periods, the calendar of
// school days and the grading periods. Meridane keeps most of this structure in text columns of
// "System_Profile" (lists separated by commas or line breaks), so these extracts write their
// lines themselves, splitting those texts. Every profile row takes part: a database with
// several schools gives the lines of all of them.
#include <cstdlib>
#include <vector>

#include "engine/ExtractSteps.h"
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

void ExtractSteps::ExtractTerms() {
  m_data.DumpTableDefinition(kProbeTable);
  m_pattern.BeginExtract("Terms", "Terms.qef");
  ODBCField* firstDays[kTermsPerProfile];
  ODBCField* lastDays[kTermsPerProfile];
  QuerySchoolTerms(firstDays, lastDays);
  for (const char* name : {"TermKey", "TermName", "TermStartDate", "TermEndDate"}) m_writer.AddHeaderField(name);

  // The terms define the school year: the calendar and the attendance windows start from here.
  m_run.startDate = kLastDay;
  m_run.endDate = 0;
  const XString pattern = m_writer.HeaderSettings().m_dateFormat;
  WriteOwnTable(m_writer, [&](XFile& out) {
    if (!m_table.OpenQuery(true)) return;
    for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
      m_context.CountProgressItem();
      for (int n = 0; n < kTermsPerProfile; ++n) {
        if (Reader().GetFieldTrimmed(firstDays[n]).IsEmpty() || Reader().GetFieldTrimmed(lastDays[n]).IsEmpty()) continue;
        WidenSchoolDates(firstDays[n], lastDays[n]);
        out.WriteField(XString(n + 1));
        out.WriteField(XString("Term ") + XString(n + 1));
        out.WriteField(XDate::FormatDate(Reader().GetFieldDate(firstDays[n]), pattern.c_str()));
        out.WriteField(XDate::FormatDate(Reader().GetFieldDate(lastDays[n]), pattern.c_str()));
        out.EndLine();
      }
    }
  });
  m_table.FinishTable();
}

void ExtractSteps::ExtractTumbles() {
  m_pattern.BeginExtract("Tumble", "Tumbles.qef");
  ODBCTable* profile = Query().AddTable("", kProbeTable, "T");
  ODBCField* periodField = Query().AddField("Period", profile, true);
  Query().AddField("Bell_1", profile, true);  // read by the periods extract, required here as well
  ODBCField* bellEnds = Query().AddField("Bell_2", profile, true);
  for (const char* name : {"TumKey", "TumName", "TumPerRef", "TumPerOrder"}) m_writer.AddHeaderField(name);

  WriteOwnTable(m_writer, [&](XFile& out) {
    if (!m_table.OpenQuery(true)) return;
    for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
      m_context.CountProgressItem();
      const std::vector<XString> periods = SplitList(Reader().GetFieldTrimmed(periodField), ',');
      const std::vector<XString> bells = SplitList(Reader().GetFieldTrimmed(bellEnds), '\n');
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
  m_table.FinishTable();
}

void ExtractSteps::ExtractPeriods() {
  m_pattern.BeginExtract("Periods", "Periods.qef");
  ODBCTable* profile = Query().AddTable("", kProbeTable, "P");
  ODBCField* periodField = Query().AddField("Period", profile, true);
  ODBCField* bellNames = Query().AddField("Bell_1", profile, true);
  ODBCField* bellTimes = Query().AddField("Bell_2", profile, true);
  for (const char* name : {"PerKey", "PerCode", "xPerName", "PerStartTime", "PerEndTime"}) {
    m_writer.AddHeaderField(name);
  }

  WriteOwnTable(m_writer, [&](XFile& out) {
    if (!m_table.OpenQuery(true)) return;
    for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
      m_context.CountProgressItem();
      const std::vector<XString> periods = SplitList(Reader().GetFieldTrimmed(periodField), ',');
      const std::vector<XString> names = SplitList(Reader().GetFieldTrimmed(bellNames), '\n');
      const std::vector<XString> times = SplitList(Reader().GetFieldTrimmed(bellTimes), '\n');
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
  m_table.FinishTable();
}

void ExtractSteps::ExtractCalendar() {
  m_data.DumpTableDefinition("Event");
  m_pattern.BeginExtract("Calendar", "Calendar.qef");
  ODBCTable* event = Query().AddTable("", "Event", "C");
  ODBCField* partOfDay = Query().AddField("AMPMAllDay", event, true);
  ODBCField* dateOut = Query().AddField("DateOut", event, true);
  ODBCField* reason = Query().AddField("Reason", event, true);
  ODBCField* status = Query().AddField("Status", event, true);
  ODBCField* count = Query().AddField("Count", event, false);
  Query().AddCondition(status, "", "=", "'Day Out'", 0);
  Query().AddOrder(dateOut);
  for (const char* name :
       {"CalKey", "CalDate", "CalDateDesc", "CalDateTumRef", "CalDateDayRef", "CalDateAttValue"}) {
    m_writer.AddHeaderField(name);
  }

  const XString pattern = m_writer.HeaderSettings().m_dateFormat;
  // The terms extract has set the school year: its first day, or 31 December 3999 when no
  // term is complete, which leaves the calendar without school days.
  int32_t day = m_run.startDate;
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

  WriteOwnTable(m_writer, [&](XFile& out) {
    if (m_table.OpenQuery(true)) {
      for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
        m_context.CountProgressItem();
        const int32_t eventDay = Reader().GetFieldDate(dateOut);
        writeSchoolDaysBefore(out, eventDay);

        // The part of the day attended: a missing "Count" counts as a whole day out.
        const float daysOut = count != nullptr ? Reader().GetFieldFloat(count) : 1.0f;
        out.WriteField("");
        out.WriteField(XDate::FormatDate(eventDay, pattern.c_str()));
        // One-line text: a line break in the SIS would split the record.
        out.WriteField(Reader().GetFieldClean(reason));
        out.WriteField(Reader().GetFieldClean(partOfDay));
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
    m_run.endDate = m_run.endDate + 1;
    writeSchoolDaysBefore(out, m_run.endDate);
  });
  m_table.FinishTable();
}

void ExtractSteps::ExtractGradingPeriods() {
  m_pattern.BeginExtract("Grading Periods", "Bins.qef");
  ODBCTable* profile = Query().AddTable("", kProbeTable, "BIN");
  ODBCField* gradingPeriods = Query().AddField("GradingPeriod", profile, true);
  for (const char* name : {"BinKey", "BinName"}) m_writer.AddHeaderField(name);

  WriteOwnTable(m_writer, [&](XFile& out) {
    if (!m_table.OpenQuery(true)) return;
    for (bool more = Reader().GetFirstRecord(); more; more = Reader().GetNextRecord()) {
      m_context.CountProgressItem();
      const std::vector<XString> bins = SplitList(Reader().GetFieldTrimmed(gradingPeriods), ',');
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
  m_table.FinishTable();
}
