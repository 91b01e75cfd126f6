#include "data/ado/Connection.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "AdoTestDatabase.h"
#include "data/ado/ComError.h"
#include "data/ado/ConnectionString.h"
#include "data/ado/Recordset.h"
#include "os/Os.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestDataSources.h"

using namespace ado;

TEST(Connection, OpensDsnLessWithTimeoutsAndClosesAgain) {
  adotest::TestDatabase db("CREATE TABLE t(id INTEGER); INSERT INTO t VALUES(42);");
  Connection connection;
  EXPECT_EQ(connection.State(), adStateClosed);
  connection.SetMode(adModeRead);
  connection.SetConnectionTimeout(100);
  connection.SetCommandTimeout(100);
  connection.Open(db.ConnectionString().c_str());
  EXPECT_EQ(connection.State(), adStateOpen);
  EXPECT_THROW(connection.SetMode(adModeShareExclusive), ComError) << "Mode is fixed while open";
  EXPECT_THROW(connection.Open(db.ConnectionString().c_str()), ComError) << "already open";
  Recordset rs;
  rs.Open("SELECT id FROM t", connection);
  EXPECT_EQ(rs.GetField(0).Value().GetI4(), 42);
  // The recordset holds its rows: closing the connection does not take them away.
  connection.Close();
  EXPECT_EQ(connection.State(), adStateClosed);
  EXPECT_EQ(rs.GetField(0).Value().GetI4(), 42);
  EXPECT_THROW(connection.Close(), ComError);
  Recordset closedUse;
  EXPECT_THROW(closedUse.Open("SELECT 1", connection), ComError);
  connection.Open(db.ConnectionString().c_str());
  EXPECT_EQ(connection.State(), adStateOpen);
}

TEST(Connection, SystemFormWithProviderAndDataSourceReachesAUserDataSource) {
  // The test's ODBCINI names a user data-source file of its own (set by the test registration);
  // the Linux-side driver manager reads it for both builds.
  const std::string ini = os::GetEnv("ODBCINI");
  ASSERT_FALSE(ini.empty()) << "ODBCINI is not set for this test";
  adotest::TestDatabase db("CREATE TABLE t(name TEXT); INSERT INTO t VALUES('from dsn');");
  std::string whyNot;
  ASSERT_TRUE(testsupport::RegisterDataSources({{"QvAdoTestDsn", db.Path()}}, &whyNot)) << whyNot;
  Connection connection;
  connection.Open("Provider=MSDASQL;Persist Security Info=False;Data Source=QvAdoTestDsn;User ID=u;Password=p;");
  Recordset rs;
  rs.Open("SELECT name FROM t", connection);
  EXPECT_STREQ(rs.GetField(0).Value().GetStr().c_str(), "from dsn");
}

// A data source and its login reach the driver as three values: a user name or password that
// would end its attribute in a string and name another database reaches none, whatever the
// driver makes of braces (the SQLite driver honours none).
TEST(Connection, ALoginNeverNamesAnotherDatabase) {
  adotest::TestDatabase own("CREATE TABLE t(name TEXT); INSERT INTO t VALUES('own');");
  adotest::TestDatabase other("CREATE TABLE t(name TEXT); INSERT INTO t VALUES('other');");
  std::string whyNot;
  ASSERT_TRUE(testsupport::RegisterDataSources({{"QvAdoTestDsn", own.Path()}, {"QvAdoLoginDsn", own.Path()}}, &whyNot))
      << whyNot;
  const std::string redirect = "Database=" + other.DriverPath();
  const std::pair<std::string, std::string> logins[] = {
      {"u", "x};" + redirect + ";{"}, {"u", "x;" + redirect}, {"u;" + redirect, ""}, {"a;b", "{p}"}, {"", ""}};
  for (const auto& [user, password] : logins) {
    for (const char* form : {"DSN=QvAdoLoginDsn;UID=%s;PWD=%s;",
                             "Provider=MSDASQL;Persist Security Info=False;Data Source=QvAdoLoginDsn;User ID=%s;Password=%s;"}) {
      XString text;
      text.Format(1024, form, BraceConnectionValue(XString(user.c_str())).c_str(),
                  BraceConnectionValue(XString(password.c_str())).c_str());
      Connection connection;
      connection.Open(text);
      Recordset rs;
      rs.Open("SELECT name FROM t", connection);
      EXPECT_STREQ(rs.GetField(0).Value().GetStr().c_str(), "own") << text.c_str();
    }
  }
}

TEST(Connection, FailedConnectionRaisesTheDriverManagerDiagnostics) {
  Connection connection;
  try {
    connection.Open("Driver=QvNoSuchDriver;Database=x;PWD=hunter2");
    FAIL() << "connected";
  } catch (const ComError& error) {
    // unixODBC says it cannot load the driver's library (01000, then IM004 or the like).
    EXPECT_EQ(error.SqlState().Length(), 5u) << error.what();
    EXPECT_NE(std::string(error.what()).find("QvNoSuchDriver"), std::string::npos) << error.what();
    EXPECT_STREQ(error.Source().c_str(), "SQLDriverConnectW");
    EXPECT_EQ(std::string(error.what()).find("hunter2"), std::string::npos);
  }
  EXPECT_EQ(connection.State(), adStateClosed);
  ASSERT_FALSE(connection.GetErrors().empty());
  EXPECT_STREQ(connection.GetErrors()[0].source.c_str(), "SQLDriverConnectW");
  EXPECT_EQ(connection.GetErrors()[0].number, kHresultFail);

  // An OLE DB provider fails before any driver is asked, naming the provider.
  try {
    connection.Open("Provider=SQLOLEDB;Data Source=srv;Initial Catalog=SIS");
    FAIL() << "connected";
  } catch (const ComError& error) {
    EXPECT_NE(std::string(error.what()).find("\"SQLOLEDB\""), std::string::npos) << error.what();
  }
  ASSERT_EQ(connection.GetErrors().size(), 1u);
  EXPECT_EQ(connection.GetErrors()[0].number, kHresultProviderNotFound);

  // A database the driver cannot open (its folder does not exist).
  testsupport::TempDir dir;
  EXPECT_THROW(connection.Open(("Driver=SQLite3;Database=" + testsupport::DriverPath(dir.File("no")) + "/no/x.db;NoCreat=1").c_str()),
               ComError);
  EXPECT_EQ(connection.State(), adStateClosed);
}
