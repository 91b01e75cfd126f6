// The raw ODBC calls through their table: a table of a test's own, and the admitting table
// that a fault plan arms, against the real SQLite ODBC driver.
#include "data/ado/OdbcCallTable.h"

#include <gtest/gtest.h>

#include <string>

#include "AdoTestDatabase.h"
#include "data/ado/ComError.h"
#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "os/OsFaults.h"

using namespace ado;

namespace {

constexpr int kRows = 500;

std::string Script() {
  return "CREATE TABLE t(n INTEGER, label TEXT);"
         "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " +
         std::to_string(kRows) + ") INSERT INTO t SELECT n, 'row ' || n FROM c;";
}

enum class Path { Blocks, BoundRows, GetData };

FetchOptions OptionsFor(Path path) {
  FetchOptions options;
  options.blockCursor = path == Path::Blocks;
  options.bindColumns = path != Path::GetData;
  options.blockBytes = 1024;  // many blocks even for this small result
  return options;
}

// A table of the test's own: the driver's calls, but the third SQLFetch from its arming fails
// as an unplugged network would make it fail.
int g_fetches = 0;
SQLRETURN SQL_API ThirdFetchFails(SQLHSTMT stmt) {
  if (++g_fetches == 3) return SQL_ERROR;
  return odbc::SystemOdbcCalls().fetch(stmt);
}

class OdbcCallTable : public ::testing::TestWithParam<Path> {
 protected:
  void SetUp() override {
    m_db = std::make_unique<adotest::TestDatabase>(Script());
    m_connection.Open(m_db->ConnectionString().c_str());
  }
  void Query(Recordset& rs) {
    rs.SetFetchOptions(OptionsFor(GetParam()));
    rs.SetCursorLocation(adUseClient);
    rs.Open("SELECT n, label FROM t ORDER BY n", m_connection, adOpenStatic, adLockReadOnly, adCmdText);
  }

  std::unique_ptr<adotest::TestDatabase> m_db;
  Connection m_connection;
};

}  // namespace

// A fetch that fails after rows have come is an error of the whole result, never a result cut
// short; the connection stays usable once the table is the driver's again.
TEST_P(OdbcCallTable, AFetchFailingInTheMiddleOfAResultIsAnErrorNotAShortResult) {
  odbc::OdbcCalls calls = odbc::SystemOdbcCalls();
  calls.fetch = ThirdFetchFails;
  g_fetches = 0;
  odbc::UseOdbcCalls(&calls);
  Recordset rs;
  try {
    Query(rs);
    ADD_FAILURE() << "a result of " << rs.RecordCount() << " rows";
  } catch (const ComError& error) {
    EXPECT_STREQ(error.Source().c_str(), "SQLFetch");
    EXPECT_EQ(error.HResult(), kHresultFail);
  }
  odbc::UseOdbcCalls(nullptr);
  EXPECT_EQ(g_fetches, 3);
  EXPECT_EQ(rs.State(), adStateClosed);

  Recordset again;
  Query(again);
  EXPECT_EQ(again.RecordCount(), kRows);
}

// Under a fault plan every ODBC call is counted; failing the one half-way through the reading
// of a result (whatever call that is on this fetch path) fails the query with the lost link's
// diagnostic, and the same query without the fault reads every row.
TEST_P(OdbcCallTable, AFaultPlanFailsTheNthOdbcCallWithALostLinkDiagnostic) {
  int64_t calls = 0;
  {
    os::FaultPlan plan;
    Recordset rs;
    Query(rs);
    EXPECT_EQ(rs.RecordCount(), kRows);
    calls = plan.Calls(os::FaultKind::kOdbc);
    EXPECT_EQ(plan.Failures(), 0);
  }
  // At least one call per block, and the calls that prepare the statement.
  ASSERT_GT(calls, 10);
  {
    os::FaultPlan plan;
    plan.FailNth(os::FaultKind::kOdbc, calls / 2);
    Recordset rs;
    try {
      Query(rs);
      ADD_FAILURE() << "a result of " << rs.RecordCount() << " rows";
    } catch (const ComError& error) {
      EXPECT_STREQ(error.SqlState().c_str(), "08S01") << error.what();
      EXPECT_NE(std::string(error.what()).find("Communication link failure"), std::string::npos) << error.what();
      const std::string source = error.Source().c_str();
      EXPECT_TRUE(source == "SQLFetch" || source == "SQLGetData" || source == "SQLSetPos") << source;
    }
    EXPECT_EQ(plan.Failures(), 1);
    ASSERT_FALSE(m_connection.GetErrors().empty());
    EXPECT_STREQ(m_connection.GetErrors()[0].sqlState.c_str(), "08S01");
  }
  Recordset rs;
  Query(rs);
  EXPECT_EQ(rs.RecordCount(), kRows);
}

INSTANTIATE_TEST_SUITE_P(FetchPaths, OdbcCallTable, ::testing::Values(Path::Blocks, Path::BoundRows, Path::GetData),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           return info.param == Path::Blocks      ? "Blocks"
                                  : info.param == Path::BoundRows ? "BoundRows"
                                                                  : "GetData";
                         });

// A failed connect reports the lost link under SQLDriverConnectW and leaves the connection
// closed; the diagnostics of a later, real failure are the driver's own again.
TEST(OdbcCallTableConnect, AFailedConnectIsTheConnectionsErrorAndLeavesItClosed) {
  adotest::TestDatabase db("CREATE TABLE t(id INTEGER);");
  Connection connection;
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kOdbc, "SQLDriverConnectW");
    try {
      connection.Open(db.ConnectionString().c_str());
      ADD_FAILURE() << "connected";
    } catch (const ComError& error) {
      EXPECT_STREQ(error.Source().c_str(), "SQLDriverConnectW");
      EXPECT_STREQ(error.SqlState().c_str(), "08S01");
    }
    EXPECT_EQ(connection.State(), adStateClosed);
    EXPECT_EQ(plan.Failures(), 1);
    try {
      connection.Open("Driver=QvNoSuchDriver;Database=x");
      ADD_FAILURE() << "connected";
    } catch (const ComError& error) {
      EXPECT_STREQ(error.Source().c_str(), "SQLDriverConnectW");
      EXPECT_EQ(plan.Failures(), 2);
    }
  }
  try {
    connection.Open("Driver=QvNoSuchDriver;Database=x");
    ADD_FAILURE() << "connected";
  } catch (const ComError& error) {
    EXPECT_STRNE(error.SqlState().c_str(), "08S01") << error.what();
  }
  connection.Open(db.ConnectionString().c_str());
  EXPECT_EQ(connection.State(), adStateOpen);
}
