// The extract pattern on the demo SIS: output fields that drop out together with their header
// field and custom field, and the standard student conditions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "ExtractFixture.h"
#include "engine/ExpEngine.h"
#include "package/SISExpCustomField.h"
#include "testsupport/TempDir.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::TestEngine;

class ExtractPattern : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
    engine.Writer().Folder().Set(folder.Path().c_str());
    ASSERT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
    engine.ConnectToSIS();
  }
  // The rows of the built query.
  int CountRows() {
    int rows = 0;
    EXPECT_NO_THROW(engine.Data().RunBuiltQuery());
    for (bool more = engine.Data().Reader().GetFirstRecord(); more; more = engine.Data().Reader().GetNextRecord()) ++rows;
    engine.Data().CloseQuery();
    return rows;
  }

  CaptureLog log;
  TestEngine engine;
  testsupport::TempDir folder;
};

std::vector<std::string> HeaderFields(const SISExpHeader* header) {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < header->FieldCount(); ++i) names.push_back(header->Field(i)->Name().ToStd());
  return names;
}

TEST_F(ExtractPattern, MissingOptionalFieldLeavesNoTraceAndTheOthersKeepTheirOrder) {
  engine.Pattern().LoadIncludedStudents();
  engine.Pattern().BeginExtract("Pattern Students", "Pattern.qef");
  ODBCTable* student = engine.Data().Query().AddTable("", "Student", "S");
  const SISExpCustomField missing("Missing", "Missing", "#customcomfield", "noformat");
  const SISExpCustomField pager("Pager", "Pager", "#customcomfield", "phone");
  ODBCField* key = engine.Pattern().AddExportField(true, student, "ID", GetString, "StdKey");
  ASSERT_NE(nullptr, key);
  EXPECT_EQ(nullptr, engine.Pattern().AddExportField(false, student, "NoSuchColumn", GetString,
                                           "StdMissing", &missing));
  EXPECT_NE(nullptr, engine.Pattern().AddExportField(false, student, "Pager", GetString,
                                           "StdPager", &pager));
  // No source column: the value function alone makes the value.
  EXPECT_EQ(nullptr, engine.Pattern().AddExportField(false, nullptr, "", GetDayGroup, "StdDayGroup"));
  engine.Pattern().AddActiveStudentConditions(student, true);
  EXPECT_EQ(6, engine.Table().WriteTable([&] {
    return engine.Pattern().IsIncludedKey(::ExtractPattern::StudentKey(engine.Data().Reader().GetFieldTrimmed(key)));
  }));
  engine.Table().FinishTable();

  EXPECT_EQ((std::vector<std::string>{"StdKey", "StdPager", "StdDayGroup"}),
            HeaderFields(engine.Writer().CurrentHeader()));
  ASSERT_EQ(1u, engine.Writer().CustomFields().Count());
  EXPECT_STREQ("Pager", engine.Writer().CustomFields()[0]->Key().c_str());
  EXPECT_TRUE(log.Contains("Field does not exist : NoSuchColumn in table Student"));
  const std::string file = testsupport::ReadAll(folder.File("Pattern.qef"));
  EXPECT_NE(std::string::npos, file.find("1001\t555-1234\t1\r\n")) << file;
  EXPECT_NE(std::string::npos, file.find("1007\t\t1\r\n")) << file;
  EXPECT_EQ(std::string::npos, file.find("1003")) << file;
}

TEST_F(ExtractPattern, RequiredFieldMissingEndsTheExtract) {
  engine.Writer().StartTable("Pattern Students", "Pattern.qef");
  engine.Data().Query().ClearQuery();
  ODBCTable* student = engine.Data().Query().AddTable("", "Student", "S");
  EXPECT_THROW(engine.Pattern().AddExportField(true, student, "NoSuchColumn", GetString, "StdX"),
               XException);
  EXPECT_EQ(0u, engine.Writer().CurrentHeader()->FieldCount());
  engine.Data().Query().ClearQuery();
}

TEST_F(ExtractPattern, StudentConditionsKeepTheYearAndTheActiveStudents) {
  engine.Run().schoolYear = "2008-2009";
  auto build = [&] {
    engine.Data().Query().ClearQuery();
    ODBCTable* student = engine.Data().Query().AddTable("", "Student", "S");
    ODBCTable* classes = engine.Data().Query().AddTable("", "StudentClass", "C");
    ODBCField* studentId = engine.Data().Query().AddField("ID", student, true);
    ODBCField* classId = engine.Data().Query().AddField("ID", classes, true);
    engine.Pattern().AddStudentJoin(studentId, classId);
    engine.Pattern().AddSchoolYearCondition(classes);
    engine.Pattern().AddActiveStudentConditions(student, false);
  };
  // 2008-2009 rows of 1001 (3), 1002 (2), 1004, 1005, 1007 and 123; not 1003 and 1006
  // (inactive) nor 1007's row of 2007-2008. The OR must stay inside its parentheses, or
  // every row of a student with a NULL "Inactive" would join every class row.
  engine.Run().inactiveCutoff = -1;
  build();
  EXPECT_EQ(9, CountRows());
  engine.Run().inactiveCutoff = 1;
  build();
  EXPECT_EQ(11, CountRows());
  // The year is a string literal like any other.
  engine.Run().schoolYear = "2008-2009' OR 'x'='x";
  build();
  EXPECT_EQ(0, CountRows());
}

}  // namespace
