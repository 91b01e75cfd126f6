// The class extracts against the tiny demo SIS and its class variants: sections, student
// schedules and grades, each table file line by line and its entry in the package header file.
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
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::Lines;
using enginetest::Sorted;
using enginetest::SplitLines;
namespace tiny = enginetest::tiny;

// The class rows of the tiny SIS as the package writes them (Windows-1252 text).
const char* const kAlgebra = "MATH101-01\tAlgebra I\t1\t1\t123\t101\tSmith, John";
const char* const kFrench = "FR201-01\tFran\xE7" "ais II\t1\t2\t1234\t12\tDubois, Ren\xE9" "e";
const char* const kBiology = "SCI300-02\tBiology \"Honors\"\t1\t3\t12\tLab 3\tPe\xF1" "a, Tom\xE1s";

class ClassExtracts : public enginetest::ExtractFixture {
 protected:
  // The field names of a table's header entry; empty when the table has none.
  std::string HeaderFields(const std::string& description) {
    Lines entry = HeaderEntry(description);
    return entry.empty() ? std::string() : entry[1];
  }
};

TEST_F(ClassExtracts, SectionsAreTheDistinctNamedClassesOfTheYear) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractSections();
  // Algebra I is taken by four students and Français II by three: one line each. The study
  // hall has an empty class number and Pre-Algebra is of the previous year: neither is here.
  // The term lists lose their separators ("1, 2; 3" gives 123).
  EXPECT_EQ(Sorted({kAlgebra, kFrench, kBiology}), Sorted(File("Sections.qef")));
  EXPECT_EQ(tiny::Sections().HeaderEntry(), HeaderEntry("Sections"));
  EXPECT_TRUE(log.Contains("Finished Sections table/query."));
}

TEST_F(ClassExtracts, SchedulesPairIncludedStudentsWithTheirActiveClassRows) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractStudentSchedules();
  // 1001's Français II row has an empty "Inactive", which counts as active; 1003 and 1006 are
  // inactive students; the study hall and 1007's class of 2007-2008 are not scheduled.
  EXPECT_EQ(Sorted({"1001\tMATH101-01", "1001\tFR201-01", "1002\tMATH101-01", "1002\tSCI300-02",
                    "1004\tFR201-01", "1005\tSCI300-02", "1007\tMATH101-01", "123\tSCI300-02"}),
            Sorted(File("StudentSched.qef")));
  EXPECT_EQ(tiny::StudentSchedules().HeaderEntry(), HeaderEntry("Student Schedules"));
}

TEST_F(ClassExtracts, SchedulesOfEveryStudentWhenInactiveStudentsAreIncluded) {
  Open(DemoSources::kTiny, 1);
  engine.Steps().ExtractStudentSchedules();
  // The class rows marked "Yes" of the inactive students 1003 and 1006 are now scheduled too.
  EXPECT_EQ(Sorted({"1001\tMATH101-01", "1001\tFR201-01", "1002\tMATH101-01", "1002\tSCI300-02",
                    "1003\tFR201-01", "1004\tFR201-01", "1005\tSCI300-02", "1006\tMATH101-01",
                    "1007\tMATH101-01", "123\tSCI300-02"}),
            Sorted(File("StudentSched.qef")));
}

TEST_F(ClassExtracts, WithoutClassNumTheSubjectNameNamesTheClass) {
  Open(DemoSources::kClassNoClassNum);
  engine.Steps().ExtractSections();
  engine.Steps().ExtractStudentSchedules();
  engine.Steps().ExtractGrades();
  EXPECT_TRUE(log.Contains("Field does not exist : ClassNum in table StudentClass"));
  // The study hall has a subject name, so it is a section now.
  EXPECT_EQ(Sorted({"ALG1-01\tAlgebra I\t1\t1\t123\t101\tSmith, John",
                    "FRA2-01\tFran\xE7" "ais II\t1\t2\t1234\t12\tDubois, Ren\xE9" "e",
                    "BIO-02\tBiology \"Honors\"\t1\t3\t12\tLab 3\tPe\xF1" "a, Tom\xE1s",
                    "STUDY\tStudy Hall\t1\t4\t\t\t"}),
            Sorted(File("Sections.qef")));
  EXPECT_EQ(Sorted({"1001\tALG1-01", "1001\tFRA2-01", "1001\tSTUDY", "1002\tALG1-01", "1002\tBIO-02",
                    "1004\tFRA2-01", "1005\tBIO-02", "1007\tALG1-01", "123\tBIO-02"}),
            Sorted(File("StudentSched.qef")));
  const Lines grades = File("StudentGrades.qef");
  ASSERT_FALSE(grades.empty());
  EXPECT_EQ("1001\tALG1-01\t0\tA\t95.5\t4\t4\t\t", grades[0]);
  EXPECT_EQ("SecKey\tSecName\tSecDayGroup\tSecPerRef\tSecTermGroup\tSecRoomNum\tSecStaffRef",
            HeaderFields("Sections"));
  EXPECT_EQ("StdKey\tStdSecRef", HeaderFields("Student Schedules"));
}

TEST_F(ClassExtracts, WithoutAnyClassColumnSectionsAndGradesStepAsideAndSchedulesEndTheRun) {
  Open(DemoSources::kClassNoClassColumns);
  engine.Steps().ExtractSections();
  engine.Steps().ExtractGrades();
  EXPECT_TRUE(log.Contains("There is no ClassNum or SubjectName fields defined, so skipping Sections extract."));
  EXPECT_TRUE(log.Contains("There is no ClassNum or SubjectName fields defined, so skipping Grades extract."));
  EXPECT_FALSE(Exists("Sections.qef"));
  EXPECT_FALSE(Exists("StudentGrades.qef"));
  EXPECT_TRUE(HeaderEntry("Sections").empty());
  EXPECT_TRUE(HeaderEntry("Grades").empty());

  // Schedules have no such test: the class column they need is missing, and the run ends.
  try {
    engine.Steps().ExtractStudentSchedules();
    FAIL() << "schedules were written without a class column";
  } catch (const XException& error) {
    EXPECT_STREQ("Required Field does not exist : SubjectName in table StudentClass", error.Text());
  }
  EXPECT_FALSE(Exists("StudentSched.qef"));
}

TEST_F(ClassExtracts, WithoutDaysTheDayGroupIsLeftOut) {
  Open(DemoSources::kClassNoDays);
  engine.Steps().ExtractSections();
  EXPECT_EQ(Sorted({"MATH101-01\tAlgebra I\t1\t123\t101\tSmith, John",
                    "FR201-01\tFran\xE7" "ais II\t2\t1234\t12\tDubois, Ren\xE9" "e",
                    "SCI300-02\tBiology \"Honors\"\t3\t12\tLab 3\tPe\xF1" "a, Tom\xE1s"}),
            Sorted(File("Sections.qef")));
  EXPECT_EQ("SecKey\tSecName\tSecPerRef\tSecTermGroup\tSecRoomNum\tSecStaffRef", HeaderFields("Sections"));
}

TEST_F(ClassExtracts, GradesWriteOneLinePerGradedPeriodAndTheTest) {
  Open(DemoSources::kTiny);
  engine.Steps().ExtractGrades();
  // 1001's algebra row has periods 0 and 1; its French row only "GradeLetter_2", but an empty
  // "Inactive" is not active for the grades (unlike the schedules); 1002's algebra row (NULL
  // "Inactive") period 0 and a test grade. 1007's grade C belongs to a class of 2007-2008:
  // grades have no school-year condition.
  EXPECT_EQ((Lines{"1001\tMATH101-01\t0\tA\t95.5\t4\t4\t\t",
                   "1001\tMATH101-01\t1\tA-\t91\t3.7\t3.7\t\t",
                   "1002\tMATH101-01\t0\tB\t84\t3\t3\t\t",
                   "1002\tMATH101-01\tTest\t\t\t\t\t3.5\t3.5",
                   "1007\tMATH090-01\t0\tC\t\t\t\t\t"}),
            File("StudentGrades.qef"));
  EXPECT_EQ(tiny::Grades().HeaderEntry(), HeaderEntry("Grades"));
  const Lines& lines = Header();
  const auto custom = std::find(lines.begin(), lines.end(), "#customgradefield \"Letter\" \"Let\" \"noformat\"");
  ASSERT_NE(lines.end(), custom);
  EXPECT_EQ((Lines{"#customgradefield \"Letter\" \"Let\" \"noformat\"",
                   "#customgradefield \"Pct\" \"%\" \"noformat\"",
                   "#customgradefield \"Points\" \"Pnt\" \"noformat\"",
                   "#customgradefield \"PointsEarned\" \"P E\" \"noformat\"",
                   "#customgradefield \"Test\" \"Tst\" \"noformat\"",
                   "#customgradefield \"EarnedTest\" \"PET\" \"noformat\""}),
            Lines(custom, std::min(custom + 6, lines.end())));
}

TEST_F(ClassExtracts, MissingGradeColumnsLeaveTheirValuesEmpty) {
  Open(DemoSources::kClassFewGrades);
  engine.Steps().ExtractGrades();
  // No "GradePct": the percentages are empty. No "GradeLetter_1": period 1 has no letter to
  // test, so it is never written. No "GradePointsEarned_Test": the test line ends empty.
  // The package fields stay the same.
  EXPECT_EQ((Lines{"1001\tMATH101-01\t0\tA\t\t4\t4\t\t",
                   "1002\tMATH101-01\t0\tB\t\t3\t3\t\t",
                   "1002\tMATH101-01\tTest\t\t\t\t\t3.5\t",
                   "1007\tMATH090-01\t0\tC\t\t\t\t\t"}),
            File("StudentGrades.qef"));
  EXPECT_EQ("GrdStdRef\tGrdSecRef\tGrdBinRef\tGrdLetter\tGrdPct\tGrdPoints\tGrdPointsEarned\t"
            "GrdTest\tGrdEarnedTest",
            HeaderFields("Grades"));
}

}  // namespace
