// Who frees which ODBC handle, and when: the statements of open recordsets when their
// connection closes or goes away first, frees and disconnects that fail, and the owner of a
// handle moved from hand to hand. A table of the test's own records the allocations, frees and
// disconnects on their way to the admitting table (so that a fault plan still fails them).

// The call table first: on Windows it brings the types that the ODBC headers use.
#include "data/ado/OdbcCallTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "AdoTestDatabase.h"
#include "data/ado/ComError.h"
#include "data/ado/Connection.h"
#include "data/ado/OdbcCall.h"
#include "data/ado/Recordset.h"
#include "data/ado/UniqueHandle.h"
#include "os/OsFaults.h"

using namespace ado;

namespace {

constexpr int kRows = 3000;

struct Call {
  std::string function;
  SQLSMALLINT type;
  void* handle;
};
std::vector<Call> g_calls;
// SQLFreeHandle of this handle type is answered with an error (after it was made, so that the
// test leaks nothing); 0 for none.
SQLSMALLINT g_failFreeOf = 0;

const odbc::OdbcCalls& Next() { return odbc::AdmittingOdbcCalls(); }

SQLRETURN SQL_API RecordAlloc(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  const SQLRETURN rc = Next().allocHandle(type, input, output);
  if (odbc::Succeeded(rc)) g_calls.push_back({"SQLAllocHandle", type, *output});
  return rc;
}
SQLRETURN SQL_API RecordFree(SQLSMALLINT type, SQLHANDLE handle) {
  g_calls.push_back({"SQLFreeHandle", type, handle});
  const SQLRETURN rc = Next().freeHandle(type, handle);
  return type == g_failFreeOf ? SQL_ERROR : rc;
}
SQLRETURN SQL_API RecordFreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) {
  if (option == SQL_CLOSE) g_calls.push_back({"SQLFreeStmt", SQL_HANDLE_STMT, stmt});
  return Next().freeStmt(stmt, option);
}
SQLRETURN SQL_API RecordDisconnect(SQLHDBC dbc) {
  g_calls.push_back({"SQLDisconnect", SQL_HANDLE_DBC, dbc});
  return Next().disconnect(dbc);
}

// The index of the first call of `function` on `handle` from `from` on; -1 when none.
long Find(const std::string& function, void* handle, size_t from = 0) {
  for (size_t i = from; i < g_calls.size(); ++i) {
    if (g_calls[i].function == function && g_calls[i].handle == handle) return static_cast<long>(i);
  }
  return -1;
}
std::ptrdiff_t Count(const std::string& function, void* handle) {
  return std::count_if(g_calls.begin(), g_calls.end(),
                       [&](const Call& call) { return call.function == function && call.handle == handle; });
}
// Every free in order is of a handle allocated and not freed since (a handle's address may
// be given out again once it was freed): "" when so, else the frees that were not.
std::string UnmatchedFrees() {
  std::vector<void*> live;
  std::string unmatched;
  for (const Call& call : g_calls) {
    if (call.function == "SQLAllocHandle") live.push_back(call.handle);
    if (call.function != "SQLFreeHandle") continue;
    auto it = std::find(live.begin(), live.end(), call.handle);
    if (it == live.end()) {
      unmatched += "a handle of type " + std::to_string(call.type) + " freed while not held; ";
    } else {
      live.erase(it);
    }
  }
  return unmatched;
}
// The handles of the type allocated and not freed yet.
std::vector<void*> Live(SQLSMALLINT type) {
  std::vector<void*> live;
  for (const Call& call : g_calls) {
    if (call.type != type) continue;
    if (call.function == "SQLAllocHandle") live.push_back(call.handle);
    if (call.function == "SQLFreeHandle") live.erase(std::remove(live.begin(), live.end(), call.handle), live.end());
  }
  return live;
}

// Statements kept past Open: a streaming recordset, or a result larger than the held bytes.
enum class Kept { Streaming, Parts };

class HandleLifetime : public ::testing::TestWithParam<Kept> {
 protected:
  void SetUp() override {
    m_db = std::make_unique<adotest::TestDatabase>(adotest::ManyRowsScript(kRows, 200));
    m_calls = odbc::AdmittingOdbcCalls();
    m_calls.allocHandle = RecordAlloc;
    m_calls.freeHandle = RecordFree;
    m_calls.freeStmt = RecordFreeStmt;
    m_calls.disconnect = RecordDisconnect;
    g_calls.clear();
    g_failFreeOf = 0;
    odbc::UseOdbcCalls(&m_calls);
  }
  void TearDown() override {
    odbc::UseOdbcCalls(nullptr);
    g_failFreeOf = 0;
  }
  void Open(Recordset& rs, Connection& connection, const char* sql = "SELECT n, label FROM many ORDER BY n",
            int first = 1) {
    FetchOptions options;
    options.blockBytes = 2 * 1024;
    options.heldBytes = 6 * 1024;
    rs.SetFetchOptions(options);
    rs.SetStreaming(GetParam() == Kept::Streaming);
    rs.Open(sql, connection, adOpenStatic, adLockReadOnly, adCmdText);
    ASSERT_EQ(rs.GetField(0).Value().GetI4(), first);
  }
  // Every statement in `stmts` was closed and freed once, before the connection's one
  // disconnect, which came before its handle was freed.
  void ExpectEndedBeforeTheDisconnect(const std::vector<void*>& stmts, void* dbc) {
    const long disconnect = Find("SQLDisconnect", dbc);
    const long freed = Find("SQLFreeHandle", dbc);
    ASSERT_GE(disconnect, 0);
    EXPECT_GT(freed, disconnect);
    EXPECT_EQ(Count("SQLDisconnect", dbc), 1);
    EXPECT_EQ(Count("SQLFreeHandle", dbc), 1);
    for (void* stmt : stmts) {
      const long closed = Find("SQLFreeStmt", stmt);
      const long free = Find("SQLFreeHandle", stmt);
      EXPECT_GE(closed, 0);
      EXPECT_GT(free, closed);
      EXPECT_LT(free, disconnect);
      EXPECT_EQ(Count("SQLFreeHandle", stmt), 1);
    }
  }
  // The recordset's next record cannot be read: its connection was closed.
  static void ExpectConnectionClosed(Recordset& rs) {
    try {
      for (int i = 0; i < kRows; ++i) rs.MoveNext();
      ADD_FAILURE() << "read to the end after the connection closed";
    } catch (const ComError& error) {
      EXPECT_EQ(error.HResult(), kHresultObjectClosed) << error.what();
      EXPECT_NE(std::string(error.what()).find("The connection of the recordset was closed"), std::string::npos)
          << error.what();
    }
    EXPECT_TRUE(rs.IsEOF());
  }

  std::unique_ptr<adotest::TestDatabase> m_db;
  odbc::OdbcCalls m_calls{};
};

}  // namespace

TEST_P(HandleLifetime, ClosingTheConnectionEndsItsRecordsetsStatementsFirstAndOnce) {
  Connection connection;
  connection.Open(m_db->ConnectionString().c_str());
  void* dbc = connection.OdbcHandle();
  Recordset first, second, whole;
  Open(first, connection);
  Open(second, connection, "SELECT n, label FROM many WHERE n > 1000 ORDER BY n", 1001);
  whole.Open("SELECT n FROM nums WHERE n <= 3 ORDER BY n", connection);
  const std::vector<void*> kept = Live(SQL_HANDLE_STMT);
  ASSERT_EQ(kept.size(), 2u) << "a result held whole keeps no statement";

  connection.Close();
  ExpectEndedBeforeTheDisconnect(kept, dbc);
  ExpectConnectionClosed(first);
  EXPECT_THROW(second.RecordCount(), ComError);
  EXPECT_EQ(whole.RecordCount(), 3) << "a result held whole needs no connection";

  // Closing and destroying the recordsets frees nothing twice.
  const size_t calls = g_calls.size();
  first.Close();
  second.Close();
  EXPECT_EQ(g_calls.size(), calls);

  // Opened again, the connection's new statements are the recordsets' again.
  connection.Open(m_db->ConnectionString().c_str());
  Open(first, connection);
  ASSERT_EQ(Live(SQL_HANDLE_STMT).size(), 1u);
  first.Close();
  EXPECT_TRUE(Live(SQL_HANDLE_STMT).empty());
  connection.Close();
  EXPECT_EQ(UnmatchedFrees(), "");
}

TEST_P(HandleLifetime, ARecordsetOutlivingItsConnectionFreesNothingAfterIt) {
  auto connection = std::make_unique<Connection>();
  const std::vector<void*> envs = Live(SQL_HANDLE_ENV);
  ASSERT_EQ(envs.size(), 1u);
  connection->Open(m_db->ConnectionString().c_str());
  void* dbc = connection->OdbcHandle();
  auto first = std::make_unique<Recordset>();
  auto second = std::make_unique<Recordset>();
  Open(*first, *connection);
  Open(*second, *connection, "SELECT n, label FROM many WHERE n > 1000 ORDER BY n", 1001);
  const std::vector<void*> kept = Live(SQL_HANDLE_STMT);
  ASSERT_EQ(kept.size(), 2u);

  connection.reset();
  ExpectEndedBeforeTheDisconnect(kept, dbc);
  EXPECT_EQ(static_cast<size_t>(Find("SQLFreeHandle", envs[0])), g_calls.size() - 1) << "the environment last";
  ExpectConnectionClosed(*second);
  const size_t calls = g_calls.size();
  first.reset();
  second.reset();
  EXPECT_EQ(g_calls.size(), calls);
}

// A free that the driver manager answers with an error is not tried again, by the recordset,
// the connection's close or its destructor; the connection is closed all the same.
TEST_P(HandleLifetime, AFailedFreeIsNeverRepeated) {
  for (SQLSMALLINT type : {SQL_HANDLE_STMT, SQL_HANDLE_DBC, SQL_HANDLE_ENV}) {
    SCOPED_TRACE(type);
    g_calls.clear();
    g_failFreeOf = type;
    {
      Connection connection;
      connection.Open(m_db->ConnectionString().c_str());
      Recordset closed, open;
      Open(closed, connection);
      Open(open, connection);
      closed.Close();
      connection.Close();
      EXPECT_EQ(connection.State(), adStateClosed);
      connection.Open(m_db->ConnectionString().c_str());
      Open(closed, connection);
    }
    EXPECT_EQ(UnmatchedFrees(), "");
    EXPECT_TRUE(Live(SQL_HANDLE_STMT).empty());
    EXPECT_TRUE(Live(SQL_HANDLE_DBC).empty());
    EXPECT_TRUE(Live(SQL_HANDLE_ENV).empty());
  }
}

// A disconnect that fails is tried again after a rollback; failing twice, it is the close's
// error and the connection stays open, its statements ended all the same.
TEST_P(HandleLifetime, AFailedDisconnectIsTheClosesErrorAndLeavesTheConnectionOpen) {
  Connection connection;
  connection.Open(m_db->ConnectionString().c_str());
  Recordset rs;
  Open(rs, connection);
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kOdbc, "SQLDisconnect");
    try {
      connection.Close();
      ADD_FAILURE() << "closed";
    } catch (const ComError& error) {
      EXPECT_STREQ(error.Source().c_str(), "SQLDisconnect");
      EXPECT_STREQ(error.SqlState().c_str(), "08S01");
    }
    EXPECT_EQ(plan.Failures(), 2);
    EXPECT_EQ(connection.State(), adStateOpen);
    ASSERT_FALSE(connection.GetErrors().empty());
    EXPECT_STREQ(connection.GetErrors()[0].sqlState.c_str(), "08S01");
  }
  ExpectConnectionClosed(rs);
  rs.Close();

  // Still open, and usable: a recordset reads, and the first disconnect failing alone costs
  // the close nothing.
  Open(rs, connection);
  EXPECT_EQ(Live(SQL_HANDLE_STMT).size(), 1u);
  {
    os::FaultPlan plan;
    plan.FailNth(os::FaultKind::kOdbc, 1);
    connection.Close();
    EXPECT_EQ(plan.Failures(), 1);
  }
  EXPECT_EQ(connection.State(), adStateClosed);
  EXPECT_TRUE(Live(SQL_HANDLE_STMT).empty());
  EXPECT_TRUE(Live(SQL_HANDLE_DBC).empty());
}

INSTANTIATE_TEST_SUITE_P(Kept, HandleLifetime, ::testing::Values(Kept::Streaming, Kept::Parts),
                         [](const ::testing::TestParamInfo<Kept>& info) {
                           return info.param == Kept::Streaming ? "Streaming" : "Parts";
                         });

// The owner of a handle: a move hands the handle on, an assignment frees the one it replaces,
// and a released handle is the caller's to free.
TEST(UniqueHandle, MovesFreeEachHandleOnce) {
  odbc::OdbcCalls calls = odbc::AdmittingOdbcCalls();
  calls.allocHandle = RecordAlloc;
  calls.freeHandle = RecordFree;
  g_calls.clear();
  g_failFreeOf = 0;
  odbc::UseOdbcCalls(&calls);
  {
    odbc::UniqueHandle a, b;
    ASSERT_TRUE(odbc::Succeeded(a.Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE)));
    ASSERT_TRUE(odbc::Succeeded(b.Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE)));
    void* first = a.Get();
    void* second = b.Get();
    odbc::UniqueHandle c(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(c.Get(), first);
    EXPECT_EQ(c.Type(), SQL_HANDLE_ENV);
    c = std::move(b);
    EXPECT_EQ(Count("SQLFreeHandle", first), 1);
    EXPECT_EQ(c.Get(), second);
    void* released = c.Release();
    EXPECT_EQ(Count("SQLFreeHandle", second), 0);
    c.Reset(SQL_HANDLE_ENV, released);
    EXPECT_EQ(c.Reset(), SQL_SUCCESS);
    EXPECT_EQ(Count("SQLFreeHandle", second), 1);
    EXPECT_EQ(c.Reset(), SQL_SUCCESS) << "nothing held, nothing freed";
  }
  odbc::UseOdbcCalls(nullptr);
  EXPECT_EQ(g_calls.size(), 4u);
}
