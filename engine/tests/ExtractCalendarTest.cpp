// The staff and school-structure extracts against the tiny demo SIS: terms, tumbles, periods,
// the calendar, grading periods, staff and attendance codes, each table file line by line and
// its entry in the package header file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "ExtractFixture.h"
#include "TinyExpectations.h"
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "testsupport/TempDir.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::Lines;
using enginetest::SplitLines;
namespace tiny = enginetest::tiny;

class StaffAndCalendar : public enginetest::ExtractFixture {
 protected:
  // Connects without building the included students: these extracts read no student table.
  void Connect(const char* dsn) {
    ASSERT_TRUE(engine.ValidateConnection(dsn, "", ""));
    engine.ConnectToSIS();
    engine.Writer().Reset();
  }
};

TEST_F(StaffAndCalendar, TermsOfEveryProfileSkipEmptyTermsAndSetTheSchoolYear) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractTerms();
  // School 202 has no term 3 and a whole-year term 4.
  EXPECT_EQ((Lines{"1\tTerm 1\t08/20/2008\t10/24/2008", "2\tTerm 2\t10/27/2008\t01/16/2009",
                   "3\tTerm 3\t01/20/2009\t03/27/2009", "4\tTerm 4\t03/30/2009\t06/05/2009",
                   "1\tTerm 1\t08/20/2008\t01/16/2009", "2\tTerm 2\t01/20/2009\t06/05/2009",
                   "4\tTerm 4\t08/20/2008\t06/05/2009"}),
            File("Terms.qef"));
  EXPECT_EQ(XDate::FromYMD(2008, 8, 20), engine.Run().startDate);
  EXPECT_EQ(XDate::FromYMD(2009, 6, 5), engine.Run().endDate);
  EXPECT_TRUE(log.Contains("Finished Terms table/query."));
  EXPECT_EQ(tiny::Terms().HeaderEntry(), HeaderEntry("Terms"));
}

TEST_F(StaffAndCalendar, TermsWithoutACompleteTermWriteNothingAndResetTheSchoolDates) {
  Connect(DemoSources::kNoTerms);
  engine.Run().startDate = XDate::FromYMD(2008, 9, 1);
  engine.Run().endDate = XDate::FromYMD(2009, 5, 1);
  engine.Steps().ExtractTerms();
  // Only term 5 and 6 keep one end each, never both.
  EXPECT_EQ(Lines{}, File("Terms.qef"));
  EXPECT_EQ(ExtractSteps::kLastDay, engine.Run().startDate);
  EXPECT_EQ(0, engine.Run().endDate);
}

TEST_F(StaffAndCalendar, TumblesPutMorningBellsFromSixToElevenIntoTheAmRotation) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractTumbles();
  Lines expected;
  // Lakeside: bells 07 to 10 in the morning, two at 12; Saint-Éloi: 05 (before six), 06, 11, 12.
  const std::vector<std::pair<std::string, bool>> periods = {
      {"1", true}, {"2", true}, {"3", true}, {"4", true}, {"5", false}, {"6", false},
      {"0", false}, {"1", true}, {"2", true}, {"3", false}};
  for (size_t i = 0; i < periods.size(); ++i) {
    const std::string order = std::to_string(i < 6 ? i : i - 6);
    expected.push_back("All Day\tAll Day Tumble\t" + periods[i].first + "\t" + order);
    expected.push_back(std::string(periods[i].second ? "AM\tAM Tumble\t" : "PM\tPM Tumble\t") +
                       periods[i].first + "\t" + order);
  }
  EXPECT_EQ(expected, File("Tumbles.qef"));
  EXPECT_EQ(tiny::Tumbles().HeaderEntry(), HeaderEntry("Tumble"));
}

TEST_F(StaffAndCalendar, PeriodsTakeTheirNamesAndTimesFromTheBellLines) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractPeriods();
  // Saint-Éloi's bell lines end in CR LF, and its last bell has no end time.
  EXPECT_EQ((Lines{"1\t1\tPeriod 1\t07:30\t08:20", "2\t2\tPeriod 2\t08:25\t09:15",
                   "3\t3\tPeriod 3\t09:20\t10:10", "4\t4\tPeriod 4\t10:15\t11:05",
                   "5\t5\tPeriod 5\t12:00\t12:50", "6\t6\tPeriod 6\t12:55\t13:45",
                   "0\t0\tZero Hour\t05:50\t06:40", "1\t1\tPeriod 1\t06:45\t07:35",
                   "2\t2\tPeriod 2\t11:00\t11:50", "3\t3\tPeriod 3\t12:10\t"}),
            File("Periods.qef"));
  EXPECT_EQ(tiny::Periods().HeaderEntry(), HeaderEntry("Periods"));
}

TEST_F(StaffAndCalendar, CalendarFillsTheSchoolYearWithSchoolDaysAroundTheDaysOut) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractTerms();
  engine.Steps().ExtractCalendar();
  const Lines calendar = File("Calendar.qef");
  EXPECT_EQ(tiny::Calendar(true).lines, calendar);
  // Wednesday 3 September out in the afternoon, Monday 8 September out: Thursday and Friday
  // between them are school days, the weekend is not. The line break inside the 8th's reason
  // becomes blanks, so the record stays on one line.
  const Lines week = {"\t09/03/2008\tEarly Release\tPM\t\t0.5000", "\t09/04/2008\t\tAll Day\t1\t1",
                      "\t09/05/2008\t\tAll Day\t1\t1", "\t09/08/2008\tTeachers'  Institute\tAll Day\t\t0.0000"};
  auto at = std::search(calendar.begin(), calendar.end(), week.begin(), week.end());
  EXPECT_NE(calendar.end(), at);
  // The "Event" row that is not a day out does not appear; the last school day does.
  EXPECT_EQ("\t09/10/2008\t\tAll Day\t1\t1", calendar[at - calendar.begin() + 5]);
  EXPECT_EQ("\t06/05/2009\t\tAll Day\t1\t1", calendar.back());
  // The end date moves one day past the last school day.
  EXPECT_EQ(XDate::FromYMD(2009, 6, 6), engine.Run().endDate);
  EXPECT_EQ(tiny::Calendar().HeaderEntry(), HeaderEntry("Calendar"));
}

TEST_F(StaffAndCalendar, CalendarWithoutCountColumnCountsEveryDayOutAsWhole) {
  Connect(DemoSources::kNoEventCount);
  engine.Steps().ExtractTerms();
  engine.Steps().ExtractCalendar();
  EXPECT_EQ(tiny::Calendar(false).lines, File("Calendar.qef"));
  // The field list stays complete.
  EXPECT_EQ(tiny::Calendar().HeaderEntry().at(1), HeaderEntry("Calendar").at(1));
}

TEST_F(StaffAndCalendar, CalendarKeepsSchoolDaysAfterEarlyAndDoubleDaysOut) {
  Connect(DemoSources::kCalendarEdges);
  engine.Steps().ExtractTerms();
  engine.Steps().ExtractCalendar();
  const Lines calendar = File("Calendar.qef");
  ASSERT_LE(6u, calendar.size());
  // A day out before the first school day, then the school year from its first day.
  EXPECT_EQ("\t08/15/2008\tOrientation\tAll Day\t\t0.0000", calendar[0]);
  EXPECT_EQ("\t08/20/2008\t\tAll Day\t1\t1", calendar[1]);
  // Morning and afternoon out on Wednesday 10 September; Thursday is still a school day.
  auto wednesday = std::find(calendar.begin(), calendar.end(), "\t09/09/2008\t\tAll Day\t1\t1");
  ASSERT_NE(calendar.end(), wednesday);
  const Lines sameDay(wednesday + 1, wednesday + 3);
  EXPECT_NE(sameDay.end(), std::find(sameDay.begin(), sameDay.end(), "\t09/10/2008\tAssembly\tAM\t\t0.5000"));
  EXPECT_NE(sameDay.end(), std::find(sameDay.begin(), sameDay.end(), "\t09/10/2008\tScience Fair\tPM\t\t0.5000"));
  EXPECT_EQ("\t09/11/2008\t\tAll Day\t1\t1", *(wednesday + 3));
  EXPECT_EQ(tiny::Calendar(true).lines.size() + 2, calendar.size());
}

TEST_F(StaffAndCalendar, CalendarWithoutACompleteTermHasTheDaysOutOnly) {
  Connect(DemoSources::kNoTerms);
  // The school year starts on 31 December 3999 and ends on day 0: no day is a school day.
  engine.Steps().ExtractTerms();
  engine.Steps().ExtractCalendar();
  const Lines calendar = File("Calendar.qef");
  ASSERT_FALSE(calendar.empty());
  EXPECT_EQ("\t09/01/2008\tLabor Day\tAll Day\t\t0.0000", calendar.front());
  EXPECT_EQ("\t01/19/2009\tMartin Luther King Jr. Day\tAll Day\t\t0.0000", calendar.back());
  EXPECT_EQ(calendar.end(), std::find_if(calendar.begin(), calendar.end(), [](const std::string& line) {
              return line.find("\tAll Day\t1\t1") != std::string::npos;
            }));
  EXPECT_EQ(1, engine.Run().endDate);
}

TEST_F(StaffAndCalendar, GradingPeriodsOfEveryProfileEndWithTheTestBin) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractGradingPeriods();
  EXPECT_EQ((Lines{"0\tQ1", "1\tQ2", "2\tQ3", "3\tQ4", "Test\tTest", "0\tS1", "1\tS2", "Test\tTest"}),
            File("Bins.qef"));
  EXPECT_EQ(tiny::GradingPeriods().HeaderEntry(), HeaderEntry("Grading Periods"));
}

TEST_F(StaffAndCalendar, StaffOfEverySchoolWithTheirCustomFields) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractStaff();
  // Phones as stored: the importer formats them by the custom field's format word.
  EXPECT_EQ((Lines{"Smith, John\tMr.\tJohn\tQ\tSmith\t1 Faculty Row\tSpringfield\tIL\t62701\t"
                   "(555) 123-4567 ext 12\t12\t555.123.4567\tjsmith@lakeside.example\t02/14/1970\t101\t"
                   "Teacher\tMathematics",
                   "Dubois, Ren\xE9" "e\tMme\tRen\xE9" "e\t\tDubois\t\t\t\t\t5551234567\t\t\t\t09/30/1965\t12\t"
                   "Counselor\tGuidance",
                   "Pe\xF1" "a, Tom\xE1s\tMr.\tTom\xE1s\t\tPe\xF1" "a\t\t\t\t\t\t\t+1 555 010 3030\t\t\tLab 3\t"
                   "Teacher\tScience; Math"}),
            File("Staff.qef"));
  EXPECT_EQ(tiny::Staff().HeaderEntry(), HeaderEntry("Staff Demographics"));
  const Lines header = File("QvMeridane.QDE");
  for (const char* line : {"#customcomfield \"HomePhone\" \"Home Phone\" \"phone\"",
                           "#customcomfield \"PhoneExt\" \"Phone Ext\" \"noformat\"",
                           "#customcomfield \"CellPhone\" \"Cell Phone\" \"phone\"",
                           "#customcomfield \"Email\" \"Email\" \"email\""}) {
    EXPECT_NE(header.end(), std::find(header.begin(), header.end(), line)) << line;
  }
}

TEST_F(StaffAndCalendar, AttendanceCodesAreTheFourFixedCodes) {
  Connect(DemoSources::kTiny);
  engine.Steps().ExtractAttendanceCodes();
  EXPECT_EQ((Lines{"EAbsent\tEA\tExcAbs\t1\t0\tY", "Absent\tA\tAbs\t1\t0\tN", "ETardy\tET\tExcTardy\t0\t1\tY",
                   "Tardy\tT\tTardy\t0\t1\tN"}),
            File("AttCodes.qef"));
  EXPECT_EQ(tiny::AttendanceCodes().HeaderEntry(), HeaderEntry("Attendance Codes"));
}

}  // namespace
