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
#include "engine/ExpEngine.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XTime.h"
#include "testsupport/TempDir.h"
#include "tools/demosis/DemoContent.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using Lines = std::vector<std::string>;

class TestEngine : public ExpEngine {
 public:
  using ExpEngine::EndRun;
  using ExpEngine::ExtractImmunizations;
  using ExpEngine::ExtractMedicalAlerts;
  using ExpEngine::ExtractMedicalTreatments;
  using ExpEngine::ExtractStudentContacts;
  using ExpEngine::ExtractStudentDoctors;
  using ExpEngine::ExtractStudentNotes;
  using ExpEngine::ExtractStudents;
  using ExpEngine::m_inactiveCutoff;
  using ExpEngine::m_schoolNumber;
  using ExpEngine::m_schoolYear;
  using ExpEngine::StartRun;
  using ExpEngine::StoreConnectionSettings;
};

// ---- Expectations from the tiny content ------------------------------------------------

// The UTF-8 of the demo content in the package's code page, Windows-1252.
std::string Cp1252(const std::string& utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += utf8[i++];
    } else if ((c & 0xE0) == 0xC0) {
      out += static_cast<char>(((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F));
      i += 2;
    } else {
      const unsigned point = ((c & 0x0F) << 12) | ((utf8[i + 1] & 0x3F) << 6) | (utf8[i + 2] & 0x3F);
      EXPECT_EQ(0x20ACu, point) << "only the euro sign is expected beyond Latin-1";
      out += '\x80';
      i += 3;
    }
  }
  return out;
}

const demosis::DemoRow* Row(const char* table, const std::string& id) {
  for (const demosis::DemoRow& row : demosis::TinyContent()) {
    if (std::string(row.table) == table && row.Get("ID") && id == row.Get("ID")) return &row;
  }
  ADD_FAILURE() << "no " << table << " row " << id;
  return nullptr;
}

std::string Raw(const demosis::DemoRow* row, const char* column) {
  const char* value = row ? row->Get(column) : nullptr;
  return value ? Cp1252(value) : std::string();
}

// A text as a package field holds it: trimmed, TABs dropped, line breaks as blanks.
std::string Clean(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\t'), text.end());
  const size_t first = text.find_first_not_of(" \r\n");
  if (first == std::string::npos) return "";
  text = text.substr(first, text.find_last_not_of(" \r\n") - first + 1);
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

std::string Text(const demosis::DemoRow* row, const char* column) { return Clean(Raw(row, column)); }

// "YYYY-MM-DD" in the package date format mm/dd/yyyy.
std::string Date(const std::string& ymd) {
  return ymd.empty() ? "" : ymd.substr(5, 2) + "/" + ymd.substr(8, 2) + "/" + ymd.substr(0, 4);
}

std::string Join(const Lines& fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
  return line;
}

// The student keys of the tiny content in table order; active ones ("No" or NULL) only, or all.
std::vector<std::string> StudentIds(bool activeOnly) {
  std::vector<std::string> ids;
  for (const demosis::DemoRow& row : demosis::TinyContent()) {
    if (std::string(row.table) != "Student") continue;
    const char* inactive = row.Get("Inactive");
    if (activeOnly && inactive && std::string(inactive) != "No") continue;
    ids.push_back(row.Get("ID"));
  }
  return ids;
}

// Lines in student order (the first field), each student's lines in the order written: a
// query over two tables may visit the students in either table's order.
Lines ByStudent(Lines lines) {
  std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return a.substr(0, a.find('\t')) < b.substr(0, b.find('\t'));
  });
  return lines;
}

Lines SplitLines(const std::string& bytes) {
  Lines lines;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find("\r\n", start);
    EXPECT_NE(std::string::npos, end) << "a line without CR LF at the end";
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The demographics fields in package order: field name, source column, how the value is made.
enum class Kind { kText, kDate, kIsESE };
struct Field {
  const char* name;
  const char* column;
  Kind kind;
};
const std::vector<Field>& StudentFields() {
  static const std::vector<Field> fields = {
      {"StdKey", "ID", Kind::kText}, {"StdFirstName", "FN", Kind::kText},
      {"StdMidName", "MI", Kind::kText}, {"StdLastName", "LN", Kind::kText},
      {"StdNickName", "NickName", Kind::kText}, {"StdAddress1", "Address", Kind::kText},
      {"StdCity", "City", Kind::kText}, {"StdState", "State", Kind::kText},
      {"StdZip", "Zip", Kind::kText}, {"StdSex", "Sex", Kind::kText},
      {"StdGradeLevel", "Grade", Kind::kText}, {"StdBirthDate", "DOB", Kind::kDate},
      {"StdBirthPlace", "BirthPlace", Kind::kText}, {"StdEthnicity", "Race", Kind::kText},
      {"StdLanguage", "Language", Kind::kText}, {"StdCounselorRef", "Counselor", Kind::kText},
      {"StdLocker", "LockerNum", Kind::kText}, {"StdCombo", "LockerComb", Kind::kText},
      {"StdHomePhone", "HPhone", Kind::kText}, {"StdCellPhone", "CellPhone", Kind::kText},
      {"StdStuCell", "StuCellPhone", Kind::kText}, {"StdEmail", "StuEmail", Kind::kText},
      {"StdPager", "Pager", Kind::kText}, {"StdVehicle", "VehDescription", Kind::kText},
      {"StdParkPermit", "ParkingPermit", Kind::kText}, {"StdLicPlate", "PlateNum", Kind::kText},
      {"StdBusIn", "BusNum", Kind::kText}, {"StdAltBusDriver", "AltBusDriver", Kind::kText},
      {"StdAltBusNum", "AltBusNum", Kind::kText}, {"StdClassRank", "ClassRank", Kind::kText},
      {"StdHospital", "Hosp", Kind::kText}, {"StdWebID", "WebID", Kind::kText},
      {"StdMigrant", "Migrant", Kind::kText}, {"StdMilitary", "Military", Kind::kText},
      {"StdLunchStatus", "LunchStatus", Kind::kText}, {"StdSpEdCode", "SpEdCode", Kind::kText},
      {"StdSpEdCode2", "SpEdCode2", Kind::kText}, {"StdIsESE", "SpEdCode2", Kind::kIsESE},
      {"StdHRRoomNum", "Room", Kind::kText}, {"StdHRStaffRef", "Teacher", Kind::kText},
  };
  return fields;
}

// The demographics lines and field names of a Student table without the `missing` columns.
Lines ExpectedStudents(const std::vector<std::string>& ids, const Lines& missing, Lines* names) {
  auto has = [&](const char* column) {
    return std::find(missing.begin(), missing.end(), column) == missing.end();
  };
  Lines lines;
  for (const std::string& id : ids) {
    const demosis::DemoRow* row = Row("Student", id);
    Lines values;
    for (const Field& field : StudentFields()) {
      if (!has(field.column)) continue;
      if (field.kind == Kind::kDate) {
        values.push_back(Date(Raw(row, field.column)));
      } else if (field.kind == Kind::kIsESE) {
        const bool special = (has("SpEdCode") && !Text(row, "SpEdCode").empty()) ||
                             !Text(row, "SpEdCode2").empty();
        values.push_back(special ? "True" : "False");
      } else {
        values.push_back(Text(row, field.column));
      }
    }
    lines.push_back(Join(values));
  }
  names->clear();
  for (const Field& field : StudentFields()) {
    if (has(field.column)) names->push_back(field.name);
  }
  return lines;
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
    QDEApplication& app = engine->Application();
    app.m_fullName = "Velkstrom Data Extractor for Meridane";
    app.m_version = "1.1.2.1";
    app.m_creatorId = "Meridane_DE";
    app.m_fileBaseName = "QvMeridane";
    engine->SetRunLog(&log);
    engine->SetExtractLog(&log);
    ExtractSettings settings;
    settings.m_importFolder = importFolder->Path().c_str();
    settings.m_schoolNumber = "101";
    settings.m_schoolYear = "2008-2009";
    settings.m_dsn = dsn;
    settings.m_inactiveCutoff = inactiveCutoff;

    ASSERT_TRUE(engine->ValidateConnection(dsn, "", ""));
    engine->StoreConnectionSettings(dsn, "", "");
    engine->m_schoolNumber = settings.m_schoolNumber;
    engine->m_inactiveCutoff = inactiveCutoff;
    engine->m_schoolYear = ExpEngine::SchoolYearOf(XDateTime::Now().Date());
    engine->StartRun(settings);
    engine->LoadIncludedStudents();
    engine->Reset();
    extracts(*engine);
    engine->WritePackageHeader();
    engine->EndRun();
  }
  std::string File(const char* name) const { return testsupport::ReadAll(importFolder->File(name)); }
  Lines Table(const char* name) const { return SplitLines(File(name)); }
  // The run's extract log, which the writer keeps in the import folder.
  bool ExtractLogHas(const char* text) const {
    return File("QvMeridaneExtractLog.txt").find(text) != std::string::npos;
  }
  // The header file's entry of a table: description, field names, include.
  std::string HeaderEntry(const char* description, const Lines& names, const char* file) const {
    return std::string("// ") + description + "\r\n" + Join(names) + "\r\n#include \"" + file + "\"\r\n";
  }

  CaptureLog log;
  std::unique_ptr<TestEngine> engine;
  std::unique_ptr<testsupport::TempDir> importFolder;
};

// ---- Student demographics --------------------------------------------------------------

TEST_F(StudentExtracts, DemographicsHoldEveryActiveStudentWithFortyConvertedFields) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) { e.ExtractStudents(); });
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
    e.ExtractStudents();
    e.ExtractStudentNotes();
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
  Run(DemoSources::kStudentNoPagerSpEd, -1, [](TestEngine& e) { e.ExtractStudents(); });
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
  Run(DemoSources::kStudentNoSpEd2, -1, [](TestEngine& e) { e.ExtractStudents(); });
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
    e.ExtractStudentNotes();
    e.ExtractMedicalAlerts();
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
            header.find(HeaderEntry("Student Notes", {"NoteStdRef", "NoteKey", "NoteTitle", "NoteContent"},
                                    "StudentNotes.qef")));
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry("Student Medical Alert",
                                    {"MedConditStdRef", "MedConditTypeRef", "MedConditSeverity", "MedConditNote"},
                                    "StudentAllergy.qef")));
}

TEST_F(StudentExtracts, TreatmentsImmunizationsAndDoctorsFromTheMedicalTables) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) {
    e.ExtractMedicalTreatments();
    e.ExtractImmunizations();
    e.ExtractStudentDoctors();
  });
  // Two allergy lines against one date line: the second treatment has an empty date.
  EXPECT_EQ((Lines{"1002\tPenicillin-2004-05-01\tPenicillin\tTREAT\t2004-05-01\tUse non-latex gloves",
                   "1002\tLatex-\tLatex\tTREAT\t\tConfirmed by Dr. Becker",
                   "1004\tBee stings-2007-06-12\tBee stings\tTREAT\t2007-06-12\tCarries an EpiPen"}),
            ByStudent(Table("StudentMedHist.qef")));

  // Doses in the fixed column order; "A_" columns lose the underscore, "S_3" keeps it.
  Lines doses;
  for (const std::string id : {"1001", "1004"}) {
    const demosis::DemoRow* row = Row("Immunization", id);
    for (const char* column : {"A_1", "A_3", "A_D", "DTaP1", "Hep1", "MMR1", "Polio1", "S_3", "tbR1"}) {
      if (Raw(row, column).empty()) continue;
      std::string code = column;
      if (code.rfind("A_", 0) == 0) code.erase(1, 1);
      doses.push_back(Join({id, code, code, "IMMUN", Date(Raw(row, column))}));
    }
  }
  ASSERT_EQ(9u, doses.size());
  EXPECT_EQ(doses, ByStudent(Table("StudentMedImmun.qef")));
  EXPECT_NE(std::string::npos, File("StudentMedImmun.qef").find("1004\tS_3\tS_3\tIMMUN\t08/20/2001\r\n"));
  EXPECT_NE(std::string::npos, File("StudentMedImmun.qef").find("1004\tA3\tA3\tIMMUN\t01/15/1997\r\n"));

  EXPECT_EQ((Lines{"1002\t1002\tDr. Hans Becker\tDoctor\t555-777-8888",
                   "1004\t1004\tDr. Ana Ruiz\tDoctor\t(555) 010-2020"}),
            ByStudent(Table("StudentDoctor.qef")));

  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry("Student Medical Treatments",
                                    {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory",
                                     "MedHistDate", "MedHistNote"},
                                    "StudentMedHist.qef")));
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry("Student Immunizations",
                                    {"MedHistStdRef", "MedHistKey", "MedHistTypeRef", "MedHistCategory",
                                     "MedHistDate"},
                                    "StudentMedImmun.qef")));
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry("Student Doctors",
                                    {"ConStdRef", "ConKey", "ConLastName", "ConRelationship", "ConPhone"},
                                    "StudentDoctor.qef")));
  EXPECT_NE(std::string::npos, header.find("#customcomfield \"Phone\" \"Phone\" \"phone\"\r\n"));
  // The two medical tables list their columns before they are read.
  EXPECT_TRUE(ExtractLogHas("Medical_Note contents:"));
  EXPECT_TRUE(ExtractLogHas("Immunization contents:"));
}

TEST_F(StudentExtracts, ContactsUpToSevenLinesPerStudent) {
  Run(DemoSources::kTiny, -1, [](TestEngine& e) { e.ExtractStudentContacts(); });
  const demosis::DemoRow* s1001 = Row("Student", "1001");
  const demosis::DemoRow* s1002 = Row("Student", "1002");
  auto t = [](const demosis::DemoRow* row, const char* column) { return Text(row, column); };
  const Lines expected = {
      // Mother: "MWorkExt" of blanks adds no " x ".
      Join({"1001", "Mother", t(s1001, "MFN"), "M", t(s1001, "MLN"), "Mother", "12 Elm St",
            "Springfield", "IL", "62701", "555-123-4567", "555-222-1000", "", "555-222-1001", "",
            "Caf\xE9 Ol\xE9", "Parent", "No"}),
      Join({"1001", "Parent", "Luis", "", "Garc\xED" "a", "Parent", "98 Pine Rd", "Springfield", "IL",
            "62702", "555-555-0101", "555-222-2000 x 45", "555-9999", "", "", "City Works", "Parent",
            "No"}),
      Join({"1001", "Emergency 1", "Rosa", "", "N\xFA\xF1" "ez", "Aunt", "", "", "", "", "555-333-4444",
            "", "", "", "", "", "Emergency", "Yes"}),
      Join({"1001", "Emergency 3", "Carlos", "", "Garc\xED" "a", "Uncle", "", "", "", "", "555-333-5555",
            "", "", "", "", "", "Emergency", "Yes"}),
      Join({"1002", "Guardian", "", "", "Helga M\xFCller", "Grandmother", "400 Oak Ave", "Springfield",
            "IL", "62703", "555-444-5555", "", "", "", t(s1002, "GuardianEmail"), "", "Guardian", "No"}),
      // Only the "MI" column of the mother's name is filled: still a mother line.
      Join({"1005", "Mother", "", "R", "", "Mother", "", "", "", "", "", "", "", "", "", "", "Parent",
            "No"}),
      Join({"1005", "Emergency 4", "\xC9lodie", "", "Martin", "Sister", "", "", "", "", "555-666-7777",
            "", "", "", "", "", "Emergency", "Yes"}),
  };
  EXPECT_EQ(expected, ByStudent(Table("StudentCon.qef")));

  const std::string header = File("QvMeridane.QDE");
  EXPECT_NE(std::string::npos,
            header.find(HeaderEntry("Student Contacts",
                                    {"ConStdRef", "ConKey", "ConFirstName", "ConMidName", "ConLastName",
                                     "ConRelationship", "ConAddress1", "ConCity", "ConState", "ConZip",
                                     "ConPhone", "ConWorkPhone", "ConPager", "ConCellPhone", "ConEmail",
                                     "ConEmployer", "ConType", "ConIsEmergency"},
                                    "StudentCon.qef")));
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
    e.ExtractStudents();
    e.ExtractStudentNotes();
    e.ExtractMedicalTreatments();
    e.ExtractStudentDoctors();
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
