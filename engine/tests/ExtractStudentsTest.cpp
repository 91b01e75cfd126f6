// The student demographics and student detail tables written from the tiny demo SIS, line by
// line against what its rows must give, with the header entries and custom fields of the
// package header file; Student tables without optional columns; awkward text; the inactive
// students rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "ExtractFixture.h"
#include "TinyExpectations.h"
#include "engine/SchoolYear.h"
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "testsupport/BridgeIdentity.h"
#include "testsupport/TempDir.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::TestEngine;
using enginetest::Lines;
namespace tiny = enginetest::tiny;

// ---- Expectations from the tiny content (shared with the end-to-end test) ---------------

using enginetest::ByStudent;
using enginetest::Join;
using tiny::StudentIds;

// The demographics lines and field names of a Student table without the `missing` columns.
Lines ExpectedStudents(const std::vector<std::string>& ids, const Lines& missing, Lines* names) {
  const tiny::Table students = tiny::Students(ids, missing);
  *names = students.fields;
  return students.lines;
}

// ---- Running the extracts --------------------------------------------------------------

class StudentExtracts : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 2), XTime::FromHMS(9, 30, 0)));
  }
  void TearDown() override { XDateTime::ClearFixedNow(); }

  // A run of the given extracts as the driver makes it: the writer begun on a fresh import
  // folder, the included students listed, the package header written at the end.
  void Run(const char* dsn, int32_t inactiveCutoff, const std::function<void(TestEngine&)>& extracts) {
    importFolder = std::make_unique<testsupport::TempDir>();
    engine = std::make_unique<TestEngine>();
    testsupport::SetBridgeIdentity(engine->Context().Application());
    engine->Context().SetRunLog(&log);
    engine->Context().SetExtractLog(&log);
    ExtractSettings settings;
    settings.m_importFolder = importFolder->Path().c_str();
    settings.m_schoolNumber = "101";
    settings.m_schoolYear = "2008-2009";
    settings.m_dsn = dsn;
    settings.m_inactiveCutoff = inactiveCutoff;

    ASSERT_TRUE(engine->ValidateConnection(dsn, "", ""));
    engine->StoreConnectionSettings(dsn, "", "");
    engine->Run().schoolNumber = settings.m_schoolNumber;
    engine->Run().inactiveCutoff = inactiveCutoff;
    engine->Run().schoolYear = SchoolYearOf(XDateTime::Now().Date());
    engine->StartRun(settings);
    engine->Pattern().LoadIncludedStudents();
    engine->Writer().Reset();
    extracts(*engine);
    engine->Writer().WritePackageHeader();
    engine->EndRun();
  }
  std::string File(const char* name) const { return testsupport::ReadAll(importFolder->File(name)); }
  Lines Table(const char* name) const { return enginetest::SplitLines(File(name), true); }
  // The run's extract log, which the writer keeps in the import folder.
  bool ExtractLogHas(const char* text) const {
    return File("QvMeridaneExtractLog.txt").find(text) != std::string::npos;
  }
  // The header file's entry of a table: description, field names, include.
  std::string HeaderEntry(const char* description, const Lines& names, const char* file) const {
    return std::string("// ") + description + "\r\n" + Join(names) + "\r\n#include \"" + file + "\"\r\n";
  }
  std::string HeaderEntry(const tiny::Table& table) const {
    return HeaderEntry(table.description.c_str(), table.fields, table.file.c_str());
  }

  CaptureLog log;
  std::unique_ptr<TestEngine> engine;
  std::unique_ptr<testsupport::TempDir> importFolder;
};

// ---- Student demographics --------------------------------------------------------------

TEST_F(StudentExtracts, DemographicsHoldEveryActiveStudentWithFortyConvertedFields) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) { e.Steps().ExtractStudents(); });
  Lines names;
  const Lines expected = ExpectedStudents(StudentIds(true), {}, &names);
  ASSERT_EQ(40u, names.size());
  EXPECT_EQ(ByStudent(expected), ByStudent(Table("Students.qef")));

  // The conversions spelled out once: a line break in the address as a blank, the birth date
  // in the package format, quotes and Windows-1252 letters as they are, blank special-ed codes
  // not ESE, and a code in either column ESE.
  const std::string file = File("Students.qef");
  EXPECT_NE(std::string::npos, file.find("1001\tAna\tM\tGarc\xED" "a-L\xF3pez\tAnnie\t12 Elm St Apt 4\t"
                                         "Springfield\tIL\t62701\tF\t10\t04/15/1993\tSan Jos\xE9, Costa Rica\t"));
  EXPECT_NE(std::string::npos, file.find("\tMr. \"Bus\" Brown\t12\t15\tSt. Mary's\t"));
  EXPECT_NE(std::string::npos, file.find("\tFree\t\t\tFalse\t101\tSmith, John\r\n"));
  EXPECT_NE(std::string::npos, file.find("1002\tJ\xFCrgen\t\tM\xFCller\t\"JJ\"\t"));
  EXPECT_NE(std::string::npos, file.find("\tLD\t\tTrue\t\tSmith, John\r\n"));
  EXPECT_NE(std::string::npos, file.find("\t\t504\tTrue\t\t\r\n"));
  EXPECT_EQ(std::string::npos, file.find("1003")) << "inactive";
  EXPECT_EQ(std::string::npos, file.find("1006")) << "inactive";

  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos, header.find(HeaderEntry("Student Demographics", names, "Students.qef")));
  EXPECT_NE(std::string::npos,
            header.find("#custombasicfield \"BirthPlace\" \"Birth Place\" \"noformat\"\r\n"
                        "#customcomfield \"HomePhone\" \"Home Phone\" \"phone\"\r\n"
                        "#customcomfield \"CellPhone\" \"Cell Phone\" \"phone\"\r\n"
                        "#customcomfield \"StuCell\" \"Stu. Cell\" \"phone\"\r\n"
                        "#customcomfield \"Email\" \"Email\" \"email\"\r\n"
                        "#customcomfield \"Pager\" \"Pager\" \"phone\"\r\n"
                        "#customschoolfield \"Vehicle\" \"Vehicle\" \"noformat\"\r\n"
                        "#customschoolfield \"AltBusDriver\" \"Alt. Bus Driver\" \"noformat\"\r\n"
                        "#customschoolfield \"AltBusNum\" \"Alt. Bus Num\" \"noformat\"\r\n"
                        "#customschoolfield \"ClassRank\" \"Class Rank\" \"noformat\"\r\n"
                        "#customschoolfield \"Hospital\" \"Hospital\" \"noformat\"\r\n"
                        "#customcomfield \"WebID\" \"WebID\" \"noformat\"\r\n"
                        "#customcomfield \"Migrant\" \"Migrant\" \"noformat\"\r\n"
                        "#customcomfield \"Military\" \"Military\" \"noformat\"\r\n"
                        "#customschoolfield \"LunchStatus\" \"Lunch Status\" \"noformat\"\r\n"
                        "#customcomfield \"SpEdCode\" \"Special Ed\" \"noformat\"\r\n"
                        "#customcomfield \"SpEdCode2\" \"Special Ed\" \"noformat\"\r\n\r\n"))
      << header;
  EXPECT_TRUE(ExtractLogHas("Finished Student Demographics table/query."));
}

TEST_F(StudentExtracts, InactiveStudentsAreWrittenWhenTheCutoffAllows) {
  Run(DemoSources::kTiny, 1, [](TestEngine& e) {
    e.Steps().ExtractStudents();
    e.Steps().ExtractStudentNotes();
  });
  Lines names;
  EXPECT_EQ(ByStudent(ExpectedStudents(StudentIds(false), {}, &names)), ByStudent(Table("Students.qef")));
  EXPECT_EQ(8u, Table("Students.qef").size());
  // 1003's memo of two CR LF lines is one field with two blanks where the break was.
  EXPECT_EQ((Lines{"1001\tMemo\tMemo\tNeeds front-row seat",
                   "1001\tComment\tComment\tPrefers \"Annie\";call after 3pm",
                   "1002\tComment\tComment\tTransferred from K\xF6ln",
                   "1003\tMemo\tMemo\tLine one  Line two",
                   "1004\tComment\tComment\tOwes \x80" "5 for the field trip",
                   "1006\tMemo\tMemo\tWithdrawn in January"}),
            ByStudent(Table("StudentNotes.qef")));
}

TEST_F(StudentExtracts, MissingPagerAndSpEdCodeDropTheirFieldsAndCustomFieldsOnly) {
  Run(DemoSources::kStudentNoPagerSpEd, -1, [](TestEngine& e) { e.Steps().ExtractStudents(); });
  Lines names;
  const Lines expected = ExpectedStudents(StudentIds(true), {"Pager", "SpEdCode"}, &names);
  ASSERT_EQ(38u, names.size());
  const Lines lines = Table("Students.qef");
  EXPECT_EQ(ByStudent(expected), ByStudent(lines));
  for (const std::string& line : lines) EXPECT_EQ(37, std::count(line.begin(), line.end(), '\t')) << line;
  // Without "SpEdCode", 1002's "LD" no longer counts; 1004's "SpEdCode2" still does.
  EXPECT_NE(std::string::npos, File("Students.qef").find("1002\tJ\xFCrgen\t"));
  for (const std::string& line : lines) {
    if (line.rfind("1002\t", 0) == 0) {
      EXPECT_NE(std::string::npos, line.find("\tFalse\t\tSmith, John")) << line;
    }
    if (line.rfind("1004\t", 0) == 0) {
      EXPECT_NE(std::string::npos, line.find("\t504\tTrue\t")) << line;
    }
  }

  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos, header.find(HeaderEntry("Student Demographics", names, "Students.qef")));
  EXPECT_EQ(std::string::npos, header.find("\"Pager\""));
  EXPECT_EQ(std::string::npos, header.find("\"SpEdCode\""));
  EXPECT_NE(std::string::npos, header.find("#customcomfield \"SpEdCode2\" \"Special Ed\" \"noformat\""));
  EXPECT_TRUE(ExtractLogHas("Field does not exist : Pager in table Student"));
}

TEST_F(StudentExtracts, MissingSpEdCode2DropsBothFieldsThatReadIt) {
  Run(DemoSources::kStudentNoSpEd2, -1, [](TestEngine& e) { e.Steps().ExtractStudents(); });
  Lines names;
  const Lines expected = ExpectedStudents(StudentIds(true), {"SpEdCode2"}, &names);
  EXPECT_EQ(38u, names.size());
  EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "StdIsESE"));
  EXPECT_EQ(ByStudent(expected), ByStudent(Table("Students.qef")));
  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos, header.find(HeaderEntry("Student Demographics", names, "Students.qef")));
  EXPECT_EQ(std::string::npos, header.find("\"SpEdCode2\""));
}

// ---- Student detail tables -------------------------------------------------------------

TEST_F(StudentExtracts, NotesAndAlertsOfActiveStudentsMemoFirst) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) {
    e.Steps().ExtractStudentNotes();
    e.Steps().ExtractMedicalAlerts();
  });
  // The TAB inside 1001's comment goes, its quotes stay; the euro sign is byte 0x80.
  EXPECT_EQ((Lines{"1001\tMemo\tMemo\tNeeds front-row seat",
                   "1001\tComment\tComment\tPrefers \"Annie\";call after 3pm",
                   "1002\tComment\tComment\tTransferred from K\xF6ln",
                   "1004\tComment\tComment\tOwes \x80" "5 for the field trip"}),
            Table("StudentNotes.qef"));
  EXPECT_EQ((Lines{"1001\tAllergy\tALERT\tPeanuts", "1001\tRX\tALERT\tEpiPen"}),
            Table("StudentAllergy.qef"));
  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry(tiny::StudentNotes())));
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry(tiny::MedicalAlerts())));
}

TEST_F(StudentExtracts, TreatmentsImmunizationsAndDoctorsFromTheMedicalTables) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) {
    e.Steps().ExtractMedicalTreatments();
    e.Steps().ExtractImmunizations();
    e.Steps().ExtractStudentDoctors();
  });
  // Two allergy lines against one date line: the second treatment has an empty date.
  EXPECT_EQ((Lines{"1002\tPenicillin-2004-05-01\tPenicillin\tTREAT\t2004-05-01\tUse non-latex gloves",
                   "1002\tLatex-\tLatex\tTREAT\t\tConfirmed by Dr. Becker",
                   "1004\tBee stings-2007-06-12\tBee stings\tTREAT\t2007-06-12\tCarries an EpiPen"}),
            ByStudent(Table("StudentMedHist.qef")));

  // Doses in the fixed column order; "A_" columns lose the underscore, "S_3" keeps it.
  const Lines doses = tiny::Immunizations().lines;
  ASSERT_EQ(9u, doses.size());
  EXPECT_EQ(doses, ByStudent(Table("StudentMedImmun.qef")));
  EXPECT_NE(std::string::npos, File("StudentMedImmun.qef").find("1004\tS_3\tS_3\tIMMUN\t08/20/2001\r\n"));
  EXPECT_NE(std::string::npos, File("StudentMedImmun.qef").find("1004\tA3\tA3\tIMMUN\t01/15/1997\r\n"));

  EXPECT_EQ((Lines{"1002\t1002\tDr. Hans Becker\tDoctor\t555-777-8888",
                   "1004\t1004\tDr. Ana Ruiz\tDoctor\t(555) 010-2020"}),
            ByStudent(Table("StudentDoctor.qef")));

  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry(tiny::MedicalTreatments())));
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry(tiny::Immunizations())));
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry(tiny::StudentDoctors())));
  EXPECT_NE(std::string::npos, header.find("#customcomfield \"Phone\" \"Phone\" \"phone\"\r\n"));
  // The two medical tables list their columns before they are read.
  EXPECT_TRUE(ExtractLogHas("Medical_Note contents:"));
  EXPECT_TRUE(ExtractLogHas("Immunization contents:"));
}

TEST_F(StudentExtracts, ContactsUpToSevenLinesPerStudent) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) { e.Steps().ExtractStudentContacts(); });
  // Mother, parent, guardian and emergency contacts as the rows give them (see the shared
  // expectations for the lines spelled out).
  const Lines expected = tiny::StudentContacts().lines;
  ASSERT_EQ(7u, expected.size());
  EXPECT_EQ(expected, ByStudent(Table("StudentCon.qef")));

  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry(tiny::StudentContacts())));
  EXPECT_NE(std::string::npos,
            header.find("#customcomfield \"Phone\" \"Phone\" \"phone\"\r\n"
                        "#customcomfield \"WorkPhone\" \"Work Phone\" \"phone\"\r\n"
                        "#customcomfield \"Pager\" \"Pager\" \"phone\"\r\n"
                        "#customcomfield \"CellPhone\" \"Cell Phone\" \"phone\"\r\n"
                        "#customcomfield \"Email\" \"Email\" \"email\"\r\n"
                        "#customcomfield \"Employer\" \"Employer\" \"noformat\"\r\n"))
      << header;
}

TEST_F(StudentExtracts, AwkwardTextStaysInsideItsFieldAndLine) {
  Run(DemoSources::kStudentOddText, -1, [](TestEngine& e) {
    e.Steps().ExtractStudents();
    e.Steps().ExtractStudentNotes();
    e.Steps().ExtractMedicalTreatments();
    e.Steps().ExtractStudentDoctors();
  });
  // The address's TAB is dropped and its CR LF becomes two blanks.
  EXPECT_NE(std::string::npos, File("Students.qef").find("1004\t\xCD\xF1igo\t\tPe\xF1" "a\t\t1 Ruedu Lac  BP 7\t"));
  // A memo of blanks only is no note.
  EXPECT_EQ(std::string::npos, File("StudentNotes.qef").find("1005"));
  // CR LF entries: the blank middle entry is skipped, and the TAB inside the last comment
  // cannot open a seventh field.
  EXPECT_EQ((Lines{"1002\tPenicillin-2004-05-01\tPenicillin\tTREAT\t2004-05-01\tUse non-latex gloves",
                   "1002\tLatex-\tLatex\tTREAT\t\tConfirmed by Dr. Becker",
                   "1004\tBee stings-2007-06-12\tBee stings\tTREAT\t2007-06-12\tCarries an EpiPen",
                   "1004\tWasps-2008-01-02\tWasps\tTREAT\t2008-01-02\tSee nurse"}),
            ByStudent(Table("StudentMedHist.qef")));
  // A physician's name over two lines is one field on one line.
  EXPECT_EQ((Lines{"1002\t1002\tDr. Hans Becker\tDoctor\t555-777-8888",
                   "1004\t1004\tDr. Ana Ruiz Pediatrics\tDoctor\t(555) 010-2020"}),
            ByStudent(Table("StudentDoctor.qef")));
}

}  // namespace
