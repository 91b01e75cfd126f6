// The engine's own value functions on real rows of the demo SIS, and the validation-error hook.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "EngineTestSupport.h"
#include "ExtractFixture.h"
#include "engine/ExpEngine.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;
using enginetest::TestEngine;

class EngineValues : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
    ASSERT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
    engine.ConnectToSIS();
  }

  // Runs the built query and gives each row's key the value function's result on `column`.
  template <typename Value>
  std::map<std::string, std::string> PerRow(ODBCField* key, ExportColumn& column, Value value) {
    std::map<std::string, std::string> results;
    EXPECT_NO_THROW(engine.Data().RunBuiltQuery());
    for (bool more = engine.Data().Reader().GetFirstRecord(); more; more = engine.Data().Reader().GetNextRecord()) {
      results[engine.Table().Values().Text(key).ToStd()] = value(column).ToStd();
    }
    return results;
  }

  CaptureLog log;
  TestEngine engine;
};

TEST_F(EngineValues, SpecialEducationIsEitherCodeFilledIn) {
  engine.Data().Query().ClearQuery();
  ODBCTable* student = engine.Data().Query().AddTable("", "Student", "S");
  ODBCField* key = engine.Data().Query().AddField("ID", student, true);
  ODBCField* spEdCode = engine.Data().Query().AddField("SpEdCode", student, false);
  ODBCField* second = engine.Data().Query().AddField("SpEdCode2", student, false);
  ExportColumn column(second, "SpEdCode2", nullptr, 0);
  auto results = PerRow(key, column, [&](ExportColumn& c) { return GetIsESE(engine.Table().Values(), spEdCode, c); });
  // 1001: "" and blanks only; 1002: "LD" only; 1004: "504" in the second code only.
  EXPECT_EQ("False", results["1001"]);
  EXPECT_EQ("True", results["1002"]);
  EXPECT_EQ("True", results["1004"]);
  EXPECT_EQ("False", results["1007"]);

  // Without the first code (a SIS that lacks the column), the second decides alone.
  results = PerRow(key, column, [&](ExportColumn& c) { return GetIsESE(engine.Table().Values(), nullptr, c); });
  EXPECT_EQ("False", results["1002"]);
  EXPECT_EQ("True", results["1004"]);
  engine.Data().CloseQuery();
}

TEST_F(EngineValues, TermGroupDropsSeparatorsAndBlanks) {
  engine.Data().Query().ClearQuery();
  ODBCTable* classes = engine.Data().Query().AddTable("", "StudentClass", "C");
  ODBCField* number = engine.Data().Query().AddField("ClassNum", classes, true);
  ODBCField* term = engine.Data().Query().AddField("Term", classes, true);
  ExportColumn column(term, "Term", nullptr, 0);
  auto results = PerRow(number, column, [&](ExportColumn& c) { return GetTermGroup(engine.Table().Values(), c); });
  EXPECT_EQ("123", results["MATH101-01"]);  // "1, 2; 3"
  EXPECT_EQ("1234", results["FR201-01"]);   // "1,2,3,4"
  EXPECT_EQ("12", results["SCI300-02"]);    // "1;2"
  EXPECT_EQ("", results[""]);               // NULL
  engine.Data().CloseQuery();
}

TEST_F(EngineValues, ConductKeyAlwaysHasFourParts) {
  engine.Data().Query().ClearQuery();
  ODBCTable* record = engine.Data().Query().AddTable("", "Discipline_Record", "D");
  ODBCField* key = engine.Data().Query().AddField("ID", record, true);
  ODBCField* date = engine.Data().Query().AddField("Date", record, true);
  ODBCField* infraction = engine.Data().Query().AddField("Infraction", record, true);
  ODBCField* violation = engine.Data().Query().AddField("Violation", record, true);
  ExportColumn column(key, "ID", nullptr, 0);
  auto results = PerRow(key, column, [&](ExportColumn&) {
    return ConductKey(engine.Table().Values(), key, date, infraction, violation);
  });
  EXPECT_EQ("123-2008/10/01 00:00:00-FIGHT-", results["123"]);
  EXPECT_EQ("1001-2008/11/12 00:00:00--V-12 \"Dress code\"", results["1001"]);
  EXPECT_EQ("1002-2008/12/03 00:00:00--", results["1002"]);
  engine.Data().CloseQuery();
}

TEST_F(EngineValues, FixedTextsNeedNoValue) {
  ExportColumn column(nullptr, "", nullptr, 0);
  EXPECT_STREQ("1", GetDayGroup(engine.Table().Values(), column).c_str());
  EXPECT_STREQ("Doctor", GetDoctorRelationship(engine.Table().Values(), column).c_str());
  EXPECT_STREQ("SUSP", GetSuspensionKey(engine.Table().Values(), column).c_str());
  EXPECT_STREQ("Suspension", GetSuspensionType(engine.Table().Values(), column).c_str());
}

// A window's validation-error display that remembers what it was given.
class RecordingDisplay : public IValidateErrorDisplay {
 public:
  void ShowValidateError(const char* message, const char* value) override {
    shown.emplace_back(message, value);
  }
  std::vector<std::pair<std::string, std::string>> shown;
};

TEST(ShowValidateError, GoesToTheOwnerWindowOrElseToTheRunLog) {
  CaptureLog log;
  RecordingDisplay window;
  ExpEngine owned(&window);
  owned.Context().SetRunLog(&log);
  owned.ShowValidateError("Bad school number", "10'1");
  ASSERT_EQ(1u, window.shown.size());
  EXPECT_EQ("Bad school number", window.shown[0].first);
  EXPECT_EQ("10'1", window.shown[0].second);
  EXPECT_TRUE(log.lines.empty());

  ExpEngine alone;
  alone.Context().SetRunLog(&log);
  alone.ShowValidateError("Bad school number", "10'1");
  EXPECT_EQ(std::vector<std::string>{"No Owner set in ODBCExpEngineBase.  Could not ShowValidateError: "
                                     "errMsg=Bad school number value=10'1"},
            log.lines);
}

}  // namespace
