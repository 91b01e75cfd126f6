// Connection-type detection and school validation against a PostgreSQL server (the one of
// scripts/pg-server.sh; the tests skip when none runs).
#include <gtest/gtest.h>

#include <string>

#include "EngineTestSupport.h"
#include "data/DatabaseType.h"
#include "engine/ExpEngine.h"
#include "testsupport/TestDataSources.h"

namespace {

using enginetest::CaptureLog;
using enginetest::DemoSources;

class EnginePostgres : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_DEMO_SOURCES();  // writes the data sources, the server's among them
    std::string whyNot;
    if (!testsupport::FindPostgresServer(&server, &whyNot)) GTEST_SKIP() << whyNot;
    // A profile table of the engine tests' own; a demo SIS loaded into the server has one
    // already, and keeps it.
    ASSERT_TRUE(testsupport::ExecuteStatements(
        testsupport::kPostgresUnicodeDsn,
        {"CREATE TABLE IF NOT EXISTS \"System_Profile\" (\"BuildingNum\" varchar(10), \"SchoolName\" text)",
         "INSERT INTO \"System_Profile\" (\"BuildingNum\", \"SchoolName\") SELECT '7''7', 'Quote School' "
         "WHERE NOT EXISTS (SELECT 1 FROM \"System_Profile\" WHERE \"BuildingNum\" = '7''7')"},
        &whyNot))
        << whyNot;
    engine.Context().SetRunLog(&log);
    engine.Context().SetExtractLog(&log);
  }
  testsupport::PostgresServer server;
  CaptureLog log;
  ExpEngine engine;
};

}  // namespace

TEST_F(EnginePostgres, ServerWithTheDataSourcesOwnUserIsPostgres) {
  // No user name: the Lotus Notes string's empty "Uid=" would log in as nobody the server
  // knows, so the plain form, which leaves it out, reaches the server.
  EXPECT_TRUE(engine.ValidateConnection(testsupport::kPostgresUnicodeDsn, nullptr, nullptr));
  EXPECT_EQ(kDbPostgres, engine.Data().Connection().GetDatabaseType());
  EXPECT_TRUE(log.Contains("The data source is a PostgreSQL server"));
  EXPECT_TRUE(log.Contains("Found Postgres Table: System_Profile"));
  EXPECT_FALSE(log.Contains("Lets check the SQL Server driver"));
  EXPECT_FALSE(engine.Data().IsConnected());
  // The next run connects with the Postgres string.
  EXPECT_EQ(engine.Data().Connection().BuildConnectionString(testsupport::kPostgresUnicodeDsn, "", ""),
            XString("DSN=") + testsupport::kPostgresUnicodeDsn);
}

TEST_F(EnginePostgres, ServerWithAUserNameIsPostgresThroughEitherDriver) {
  for (const char* dsn : {testsupport::kPostgresUnicodeDsn, testsupport::kPostgresAnsiDsn}) {
    log.lines.clear();
    EXPECT_TRUE(engine.ValidateConnection(dsn, server.user.c_str(), server.password.c_str())) << dsn;
    EXPECT_EQ(kDbPostgres, engine.Data().Connection().GetDatabaseType()) << dsn;
    // Found on the Lotus Notes connection, which did connect.
    EXPECT_TRUE(log.Contains("Build Connection String for: Lotus Notes")) << dsn;
    EXPECT_TRUE(log.Contains("Found Postgres Table: System_Profile")) << dsn;
  }
  // A SQLite source afterwards is Lotus Notes again.
  EXPECT_TRUE(engine.ValidateConnection(DemoSources::kTiny, "", ""));
  EXPECT_EQ(kDbLotusNotes, engine.Data().Connection().GetDatabaseType());
}

TEST_F(EnginePostgres, SchoolNumbersAreFoundThroughQuotedAliases) {
  ASSERT_TRUE(engine.ValidateConnection(testsupport::kPostgresUnicodeDsn, nullptr, nullptr));
  EXPECT_TRUE(engine.ValidateSchoolNumber(testsupport::kPostgresUnicodeDsn, nullptr, nullptr, "7'7"));
  EXPECT_TRUE(log.Contains("FROM \"System_Profile\" \"S\" WHERE \"S\".\"BuildingNum\" = '7''7'"));
  EXPECT_FALSE(engine.ValidateSchoolNumber(testsupport::kPostgresUnicodeDsn, nullptr, nullptr, "no such school"));
  engine.Data().Disconnect();
}

TEST_F(EnginePostgres, UnknownUserFailsWithTheLotusNotesError) {
  // A user the server does not know: neither string connects, and the Lotus Notes failure is
  // what the caller hears.
  EXPECT_FALSE(engine.ValidateConnection(testsupport::kPostgresUnicodeDsn, "qv_nobody", "x"));
  EXPECT_TRUE(log.Contains("Error Occurred in ValidateConnection : Failed to connect to data source with "
                           "connection string: DSN=" +
                           std::string(testsupport::kPostgresUnicodeDsn) + ";Uid=qv_nobody;Pwd=*;"));
  EXPECT_FALSE(engine.Data().IsConnected());
}
