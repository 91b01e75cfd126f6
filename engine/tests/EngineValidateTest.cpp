// Connection-type detection, school validation and the school list against the demo SIS.
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "data/DatabaseType.h"
#include "engine/ExpEngine.h"
#include "foundation/XException.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;

class EngineValidate : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
  }
  CaptureLog log;
  ExpEngine engine;
};

TEST(ExpEngineConstruction, StartsWithTheMeridaneSettings) {
  ExpEngine engine;
  EXPECT_EQ(&engine, ExpEngine::Current());
  EXPECT_EQ(0x03u, engine.Data().Connection().GetAccessOptions());
  EXPECT_EQ(kDbNone, engine.Data().Connection().GetDatabaseType());
  EXPECT_TRUE(engine.Data().Schema().GetQuoteFields());
  EXPECT_TRUE(engine.Data().Schema().GetQuoteTables());
  EXPECT_EQ(100, engine.Data().Connection().GetConnectionTimeout());
  EXPECT_EQ(100, engine.Data().Connection().GetCommandTimeout());
  EXPECT_EQ(-1, engine.Run().startDate);
  EXPECT_EQ(-1, engine.Run().endDate);
  EXPECT_EQ(0u, engine.Pattern().IncludedStudentCount());
  const QDEHeaderSettings& settings = engine.Writer().HeaderSettings();
  EXPECT_TRUE(settings.m_gradesDontCreateSections);
  EXPECT_FALSE(settings.m_termsAreBins);
  EXPECT_EQ(50, settings.m_maxExpectedTimeSlots);
  EXPECT_EQ(0x07020300u, settings.m_minVersion);
}

TEST(ExpEngineConstruction, CurrentFollowsTheLiveEngine) {
  auto* first = new ExpEngine;
  EXPECT_EQ(first, ExpEngine::Current());
  delete first;
  EXPECT_EQ(nullptr, ExpEngine::Current());
}

TEST_F(EngineValidate, ProfileTableMakesTheSourceLotusNotesWithoutTryingSqlServer) {
  EXPECT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
  EXPECT_EQ(kDbLotusNotes, engine.Data().Connection().GetDatabaseType());
  EXPECT_TRUE(log.Contains("Found Lotus Notes Table: System_Profile"));
  EXPECT_FALSE(log.Contains("Lets check the SQL Server driver"));
  // The probe's own connection is closed again.
  EXPECT_FALSE(engine.Data().IsConnected());
}

TEST_F(EngineValidate, SqlServerCatalogueIsTheSecondChoice) {
  EXPECT_TRUE(engine.ValidateConnection(DemoSources::kServerCatalogue, nullptr, nullptr));
  EXPECT_EQ(kDbMSSQL, engine.Data().Connection().GetDatabaseType());
  EXPECT_TRUE(log.Contains("Lets check the SQL Server driver in case we are running local mode"));
  EXPECT_FALSE(log.Contains("Found Lotus Notes Table"));
  EXPECT_FALSE(engine.Data().IsConnected());
}

TEST_F(EngineValidate, DataSourceWithItsDatabaseAfterTheSemicolonIsSqlServer) {
  // "QvEngineNoDatabase;<path>" names a database, which the Lotus Notes string has no place
  // for: the attempt gives way to SQL Server, whose string names the database.
  const std::string source = std::string(DemoSources::kNoDatabase) + ";" + DemoSources::Get(nullptr)->serverDb;
  EXPECT_TRUE(engine.ValidateConnection(source.c_str(), "", ""));
  EXPECT_EQ(kDbMSSQL, engine.Data().Connection().GetDatabaseType());
  EXPECT_TRUE(log.Contains("The data source names a database: not a Lotus Notes data source"));
  EXPECT_TRUE(log.Contains(std::string("Data Source=") + DemoSources::kNoDatabase + ";Database=" +
                           DemoSources::Get(nullptr)->serverDb + ";Trusted_Connection=yes;"));
  EXPECT_FALSE(log.Contains("Error Occurred"));
  // The data source alone has no database to find the table in.
  EXPECT_FALSE(engine.ValidateConnection(DemoSources::kNoDatabase, "", ""));
}

TEST_F(EngineValidate, ALoginThatWouldEndItsAttributeReachesOnlyItsOwnDataSource) {
  // The profile table is only in serverDb: reaching it would make this source valid.
  const std::string redirect = "Database=" + DemoSources::Get(nullptr)->serverDb;
  EXPECT_FALSE(engine.ValidateConnection(DemoSources::kNoProfile, "u", ("x};" + redirect + ";{").c_str()));
  EXPECT_FALSE(engine.ValidateConnection(DemoSources::kNoProfile, ("u;" + redirect).c_str(), "p"));
  EXPECT_EQ(2, log.Count("SQL Server Table does not exist: System_Profile"));
  // Where the driver takes them, such values connect.
  EXPECT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "a;b", "{p;w}"));
  EXPECT_EQ(kDbLotusNotes, engine.Data().Connection().GetDatabaseType());
}

TEST_F(EngineValidate, AValueAConnectionStringCannotCarryIsRefusedNamingItsOption) {
  const std::string source = std::string(DemoSources::kNoDatabase) + ";" + DemoSources::Get(nullptr)->serverDb;
  const struct {
    std::string source, user, password, named;
  } cases[] = {
      {source, "u", "p;q", "The password (option -w)"},
      {source, "a}b", "p", "The user name (option -u)"},
      {std::string(DemoSources::kNoDatabase) + ";db;x", "u", "p", "The data source (option -d)"},
  };
  for (const auto& c : cases) {
    log.lines.clear();
    const Validation connection = engine.ValidateConnection(c.source.c_str(), c.user.c_str(), c.password.c_str());
    EXPECT_FALSE(connection);
    XString expected = XException::Format(0, ExpEngine::kUnsafeConnectionValueMessage, c.named.c_str()).Text();
    EXPECT_STREQ(connection.Failure().c_str(), expected.c_str());
    EXPECT_FALSE(log.Contains("ODBC::Connect")) << "refused before connecting";
    EXPECT_FALSE(log.Contains("p;q"));
  }
  // Without a user name the password is not part of the string, and is no obstacle.
  EXPECT_TRUE(engine.ValidateConnection(source.c_str(), "", "p;q"));
}

TEST_F(EngineValidate, ADataSourceWithNothingBeforeItsSemicolonIsRefused) {
  // Handed on, the driver manager would take its default data source, and the SQLite driver
  // the rest of the string, password and all, for a file to create.
  for (const char* source : {";", " ;SchoolDB"}) {
    const Validation connection = engine.ValidateConnection(source, "USER9", "SECRETPW9");
    EXPECT_FALSE(connection);
    EXPECT_STREQ(connection.Failure().c_str(), ExpEngine::kNoDataSourceBeforeDatabaseMessage);
  }
  EXPECT_FALSE(log.Contains("ODBC::Connect"));
  EXPECT_FALSE(log.Contains("SECRETPW9"));
}

TEST_F(EngineValidate, NoProfileTableAnywhereIsNotAMeridaneSource) {
  EXPECT_FALSE(engine.ValidateConnection(DemoSources::kNoProfile, "", ""));
  EXPECT_TRUE(log.Contains("SQL Server Table does not exist: System_Profile"));
}

TEST_F(EngineValidate, UnknownDataSourceIsReportedNotThrown) {
  EXPECT_FALSE(engine.ValidateConnection("QvEngineNoSuchDsn", "user", "secret"));
  const int at = log.Find("Error Occurred in ValidateConnection : ");
  ASSERT_GE(at, 0);
  EXPECT_NE(std::string::npos, log.lines[at].find("Failed to connect to data source"));
  // The password never reaches the log.
  EXPECT_FALSE(log.Contains("secret"));
}

TEST_F(EngineValidate, SchoolNumberIsFoundOnlyWhenItExists) {
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kSchools, "", ""));
  EXPECT_TRUE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "101"));
  EXPECT_TRUE(log.Contains("ValidateSchoolNumber : Found School"));
  // The connection stays open for what follows.
  EXPECT_TRUE(engine.Data().IsConnected());
  EXPECT_TRUE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "202"));
  log.lines.clear();
  EXPECT_FALSE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "999"));
  EXPECT_TRUE(log.Contains("ValidateSchoolNumber : School NOT Found"));
  EXPECT_FALSE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", ""));
}

TEST_F(EngineValidate, SchoolNumberWithQuotesStaysAValue) {
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kSchools, "", ""));
  // Typed as SQL, these would select every school or break the statement.
  EXPECT_FALSE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "999' OR '1'='1"));
  EXPECT_FALSE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "10'1"));
  EXPECT_FALSE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "'"));
  EXPECT_FALSE(log.Contains("Error Occurred"));
  EXPECT_EQ(3, log.Count("ValidateSchoolNumber : School NOT Found"));
  // A number that really holds a quote is found.
  EXPECT_TRUE(engine.ValidateSchoolNumber(DemoSources::kSchools, "", "", "3'0"));
  EXPECT_TRUE(log.Contains("'3''0'"));
}

TEST_F(EngineValidate, SchoolListKeepsTheFirstNameOfANumber) {
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kSchools, "", ""));
  ExpEngine::SchoolList list = {{"stale", "entry"}};
  ASSERT_TRUE(engine.LoadSchoolList(list, DemoSources::kSchools, "", ""));
  ASSERT_EQ(3u, list.size());
  EXPECT_STREQ("101", list[0].first.c_str());
  EXPECT_STREQ("Lakeside High School", list[0].second.c_str());
  EXPECT_STREQ("202", list[1].first.c_str());
  EXPECT_STREQ("3'0", list[2].first.c_str());
  EXPECT_STREQ("Quote School", list[2].second.c_str());
  EXPECT_TRUE(log.Contains("LoadSchoolList : Added 101-Lakeside High School"));
  EXPECT_FALSE(log.Contains("Lakeside Annex"));
  EXPECT_FALSE(engine.Data().IsConnected());
}

TEST_F(EngineValidate, SchoolListOfAnUnreachableSourceIsEmptyAndFalse) {
  engine.Data().Connection().SetDatabaseType(kDbLotusNotes);
  ExpEngine::SchoolList list = {{"stale", "entry"}};
  EXPECT_FALSE(engine.LoadSchoolList(list, "QvEngineNoSuchDsn", "", ""));
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(log.Contains("LoadSchoolList : Unknown Error Occurred"));
}

}  // namespace

namespace {

// The data sources behave like a real SIS: a column the table lacks is missing, not read as a
// string, so that optional fields drop out as they do in production.
TEST_F(EngineValidate, DemoSourcesRejectUnknownColumns) {
  ASSERT_TRUE(DemoSources::Get(nullptr)->strictQuotes) << "the strict double-quote extension is not loaded";
  ASSERT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
  ASSERT_TRUE(engine.ValidateSchoolNumber(DemoSources::kTiny, "", "", "101"));
  engine.Data().Query().ClearQuery();
  ODBCTable* student = engine.Data().Query().AddTable("", "Student", "S");
  EXPECT_NE(nullptr, engine.Data().Query().AddField("Pager", student, false));
  EXPECT_EQ(nullptr, engine.Data().Query().AddField("NoSuchColumn", student, false));
  engine.Data().Query().ClearQuery();
}

}  // namespace
