#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "sqlite/Database.h"
#include "sqlite/Query.h"
#include "os/OsFiles.h"
#include "sqlite3.h"
#include "testsupport/TempDir.h"

namespace {

sqlite::KeyRecord MakeKey(const char* text) {
  sqlite::KeyRecord key;
  key.length = static_cast<uint32_t>(std::strlen(text));
  std::memcpy(key.bytes, text, key.length);
  return key;
}

const sqlite::KeyRecord kKey = MakeKey("0123456789abcdef");

// Runs `sql` through SQLite directly, with no key: the answer code and message.
std::pair<int, std::string> ReadWithoutKey(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  std::string message = sqlite3_errmsg(db);
  sqlite3_close(db);
  return {rc, message};
}

template <typename Error, typename Body>
Error Catch(Body body) {
  try {
    body();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no exception";
  return Error("", -2, "", "", "");
}

class SqliteTest : public ::testing::Test {
 protected:
  void SetUp() override { m_db.Open(kKey, Path().c_str()); }
  std::string Path() const { return m_dir.File("Attendance.db"); }

  testsupport::TempDir m_dir;
  sqlite::Database m_db;
};

TEST_F(SqliteTest, StoreIsReadableOnlyWithItsKey) {
  m_db.Execute("CREATE TABLE DAILY_ATT (stdkey VARCHAR(100), newcode VARCHAR(100))");
  m_db.ExecuteFormat("INSERT INTO DAILY_ATT VALUES ('%q', %Q)", "O'Brien", "A");
  m_db.Close();
  EXPECT_FALSE(m_db.IsOpen());

  // Neither SQLite's own header nor the text of a row is visible in the file.
  std::string bytes = testsupport::ReadAll(Path());
  ASSERT_GT(bytes.size(), 512u);
  EXPECT_EQ(bytes.find("SQLite format 3"), std::string::npos);
  EXPECT_EQ(bytes.find("O'Brien"), std::string::npos);
  EXPECT_EQ(bytes.find("DAILY_ATT"), std::string::npos);

  auto [rc, message] = ReadWithoutKey(Path(), "SELECT * FROM sqlite_master");
  EXPECT_EQ(rc, SQLITE_NOTADB);
  EXPECT_EQ(message, "file is not a database");

  sqlite::Database other;
  other.Open(MakeKey("fedcba9876543210"), Path().c_str());
  auto wrong = Catch<sqlite::SqlError>([&] { other.Execute("SELECT * FROM sqlite_master"); });
  EXPECT_EQ(wrong.Code(), SQLITE_NOTADB);
  EXPECT_STREQ(wrong.what(), "Sql Error: file is not a database (failed)");

  sqlite::Database again;
  again.Open(kKey, Path().c_str());
  sqlite::Query query(again);
  query.Prepare("SELECT stdkey, newcode FROM DAILY_ATT");
  ASSERT_TRUE(query.Step());
  EXPECT_EQ(query.StringColumn(0), "O'Brien");
  EXPECT_EQ(query.StringColumn(1), "A");
  EXPECT_FALSE(query.Step());
}

TEST(SqliteOpen, KeyWithoutBytesIsRefusedRatherThanWritingClearText) {
  testsupport::TempDir dir;
  sqlite::Database db;
  sqlite::KeyRecord empty;
  auto e = Catch<sqlite::SqlError>([&] { db.Open(empty, dir.File("a.db").c_str()); });
  EXPECT_EQ(e.ShortMessage(), "Unable to decrypt database.");
  EXPECT_EQ(e.Operation(), "sqlite::Database::Open");
  EXPECT_FALSE(db.IsOpen());
  EXPECT_FALSE(os::PathExists(dir.File("a.db")));
}

TEST(SqliteOpen, CodePagePathIsConvertedAtTheBoundary) {
  testsupport::TempDir dir;
  // "Écoles" in the narrow code page (0xC9 is É in Windows-1252).
  std::string folder = dir.File("\xC9" "coles");
  ASSERT_TRUE(os::CreateOneDirectory(folder));
  std::string path = folder + os::kPathSeparator + "Attendance.db";
  {
    sqlite::Database db;
    db.Open(kKey, path.c_str());
    db.Execute("CREATE TABLE t (a)");
  }
  EXPECT_TRUE(os::PathExists(path));
  std::vector<std::string> names;
  ASSERT_TRUE(os::ListDirectory(folder, names));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], "Attendance.db");
}

TEST(SqliteOpen, MissingFolderFailsToOpen) {
  testsupport::TempDir dir;
  sqlite::Database db;
  std::string path = dir.File("missing") + os::kPathSeparator + "Attendance.db";
  auto e = Catch<sqlite::SqlError>([&] { db.Open(kKey, path.c_str()); });
  EXPECT_EQ(e.Code(), SQLITE_CANTOPEN);
  EXPECT_EQ(e.ShortMessage(), "Unable to open database.");
  EXPECT_EQ(std::string(e.what()).rfind("Sql Error: ", 0), 0u);
  EXPECT_FALSE(db.IsOpen());
}

TEST_F(SqliteTest, OpenTwiceKeepsTheConnectionAndTakesTheNewName) {
  sqlite3* handle = m_db.Handle();
  m_db.Open(MakeKey("other"), m_dir.File("Other.db").c_str());
  EXPECT_EQ(m_db.Handle(), handle);
  EXPECT_EQ(m_db.FileName(), XString(m_dir.File("Other.db").c_str()));
  EXPECT_FALSE(os::PathExists(m_dir.File("Other.db")));
}

TEST_F(SqliteTest, WrapperChecksFailWithCodeMinusOne) {
  sqlite::Query query(m_db);
  auto step = Catch<sqlite::SqlError>([&] { query.Step(); });
  EXPECT_EQ(step.Code(), -1);
  EXPECT_EQ(step.ShortMessage(), "No prepared statement");
  EXPECT_EQ(step.Operation(), "sqlite::Query::Step");
  EXPECT_THROW(query.Finalize(), sqlite::SqlError);
  EXPECT_THROW(query.FindColumn("a"), sqlite::SqlError);

  m_db.Close();
  auto exec = Catch<sqlite::SqlError>([&] { m_db.Execute("SELECT 1"); });
  EXPECT_EQ(exec.Code(), -1);
  EXPECT_STREQ(exec.what(), "Sql Error:  (db not open)");
  auto prepare = Catch<sqlite::SqlError>([&] { query.Prepare("SELECT 1"); });
  EXPECT_EQ(prepare.ShortMessage(), "No database");
}

TEST_F(SqliteTest, TextWithoutStatementHasNothingToPrepare) {
  sqlite::Query query(m_db);
  for (const char* text : {"", "   ", "-- only a comment\n", " ; ;"}) {
    auto e = Catch<sqlite::SqlError>([&] { query.Prepare(text); });
    EXPECT_EQ(e.Code(), 101) << '"' << text << '"';
    EXPECT_EQ(e.ShortMessage(), "no statement to prepare");
    EXPECT_EQ(e.Operation(), "sqlite::Query::Prepare");
    EXPECT_FALSE(query.HasStatement());
  }
  auto syntax = Catch<sqlite::SqlError>([&] { query.Prepare("SELEC 1"); });
  EXPECT_EQ(syntax.Code(), SQLITE_ERROR);
  EXPECT_EQ(syntax.Operation(), "sqlite::QueryImp::prepare");
  EXPECT_NE(std::string(syntax.what()).find("syntax error"), std::string::npos);
}

TEST_F(SqliteTest, TextRunsStatementByStatement) {
  sqlite::Query query(m_db);
  query.Prepare("CREATE TABLE t (ID INTEGER, Name TEXT); INSERT INTO t VALUES (7, 'x');"
                "  ; SELECT ID, Name, NULL AS Gone FROM t; -- end");
  EXPECT_FALSE(query.Step());
  ASSERT_TRUE(query.PrepareNext());
  EXPECT_FALSE(query.Step());
  ASSERT_TRUE(query.PrepareNext());
  ASSERT_TRUE(query.Step());
  EXPECT_EQ(query.find_column("id"), 0);
  EXPECT_EQ(query.FindColumn("NAME"), 1);
  EXPECT_EQ(query.find_column("missing"), -1);
  EXPECT_EQ(query.StringColumn(0), "7");
  EXPECT_EQ(query.StringColumn(2), "");
  EXPECT_TRUE(query.IsNullColumn(2));
  auto e = Catch<sqlite::SqlError>([&] { query.FindColumn("missing"); });
  EXPECT_EQ(e.Code(), -1);
  EXPECT_EQ(e.ShortMessage(), "Request for non-existent column \"missing\"");
  EXPECT_EQ(e.Operation(), "sqlite::Query::FindColumn");
  EXPECT_FALSE(query.Step());
  // Only a comment is left: the last statement is finalized and nothing new is prepared.
  EXPECT_FALSE(query.PrepareNext());
  EXPECT_FALSE(query.HasStatement());
}

TEST_F(SqliteTest, BoundStatementRunsAgainAfterResetWithItsParametersUnbound) {
  m_db.Execute("CREATE TABLE t (a VARCHAR(10), b VARCHAR(10))");
  sqlite::Query insert(m_db);
  insert.Prepare("INSERT INTO t VALUES (?, ?)");
  insert.BindText(1, "O'Brien");  // bound text needs no quoting
  insert.BindText(2, "");
  EXPECT_FALSE(insert.Step());
  insert.Reset();
  insert.BindText(1, "second");  // the second value is left unbound: NULL
  EXPECT_FALSE(insert.Step());
  insert.Reset();
  auto range = Catch<sqlite::SqlError>([&] { insert.BindText(3, "x"); });
  EXPECT_EQ(range.Code(), SQLITE_RANGE);

  sqlite::Query rows(m_db);
  rows.Prepare("SELECT a, b FROM t ORDER BY a");
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.StringColumn(0), "O'Brien");
  EXPECT_FALSE(rows.IsNullColumn(1));
  ASSERT_TRUE(rows.Step());
  EXPECT_EQ(rows.StringColumn(0), "second");
  EXPECT_TRUE(rows.IsNullColumn(1));
  EXPECT_FALSE(rows.Step());
}

TEST_F(SqliteTest, WriteToReadOnlyConnectionFailsWithCode8) {
  m_db.Execute("CREATE TABLE t (a); INSERT INTO t VALUES (1)");
  m_db.Execute("PRAGMA query_only = 1");
  try {
    m_db.Execute("UPDATE t SET a = 2");
    FAIL() << "no exception";
  } catch (const sqlite::SqlError& e) {
    EXPECT_EQ(e.Code(), SQLITE_READONLY);
    EXPECT_EQ(e.Operation(), "sqlite::Database::Execute");
    EXPECT_TRUE(typeid(e) == typeid(sqlite::SqlError));
  }
}

TEST_F(SqliteTest, LockedFileGivesBusyErrorAndAStepFailureDoesNotStickToTheQuery) {
  m_db.Execute("CREATE TABLE t (a); INSERT INTO t VALUES (1)");
  sqlite::Database second;
  second.Open(kKey, Path().c_str());
  sqlite::Query query(second);
  query.Prepare("SELECT a FROM t");
  ASSERT_TRUE(query.Step());
  query.Finalize();

  m_db.Execute("BEGIN EXCLUSIVE; UPDATE t SET a = 2");
  query.Prepare("SELECT a FROM t");
  try {
    query.Step();
    FAIL() << "no exception";
  } catch (const sqlite::BusyError& e) {
    EXPECT_EQ(e.Code(), SQLITE_BUSY);
    EXPECT_STREQ(e.what(), "Sql Error: database is locked (failed)");
  }
  auto exec = Catch<sqlite::SqlError>([&] { second.Execute("INSERT INTO t VALUES (3)"); });
  EXPECT_EQ(exec.Code(), SQLITE_BUSY);
  m_db.Execute("COMMIT");

  // Once the lock is gone the same query object works again.
  query.Prepare("SELECT a FROM t");
  ASSERT_TRUE(query.Step());
  EXPECT_EQ(query.StringColumn(0), "2");
}

TEST_F(SqliteTest, ErrorKindsFollowTheLowByteOfTheCode) {
  EXPECT_THROW(sqlite::ThrowSqlError(SQLITE_PERM, "op", "", ""), sqlite::PermError);
  EXPECT_THROW(sqlite::ThrowSqlError(SQLITE_ABORT, "op", "", ""), sqlite::AbortError);
  EXPECT_THROW(sqlite::ThrowSqlError(SQLITE_IOERR_READ, "op", "", ""), sqlite::IOError);
  EXPECT_THROW(sqlite::ThrowSqlError(SQLITE_MISMATCH, "op", "", ""),
               sqlite::DataTypeMismatchError);
  EXPECT_THROW(sqlite::ThrowSqlError(SQLITE_BUSY_SNAPSHOT, "op", "", ""), sqlite::BusyError);
  // A real mismatch: a non-integer value in the rowid alias column.
  m_db.Execute("CREATE TABLE k (id INTEGER PRIMARY KEY)");
  EXPECT_THROW(m_db.Execute("INSERT INTO k VALUES ('abc')"), sqlite::DataTypeMismatchError);
  EXPECT_THROW(sqlite::ThrowSqlError(-1, "op", "", ""), XException);
}

TEST_F(SqliteTest, FormatQuotesTextForSql) {
  EXPECT_EQ(sqlite::FormatSql("'%q' %Q %Q %d", "it's", "a'b", nullptr, 5),
            "'it''s' 'a''b' NULL 5");
  m_db.ExecuteFormat("CREATE TABLE %s (v)", "q");
  m_db.ExecuteFormat("INSERT INTO q VALUES ('%q')", "it's");
  sqlite::Query query(m_db);
  query.PrepareFormat("SELECT v FROM q WHERE v = %Q", "it's");
  ASSERT_TRUE(query.Step());
  EXPECT_EQ(query.StringColumn(0), "it's");
  EXPECT_EQ(m_db.Changes(), 1);
}

}  // namespace

// A file that SQLite cannot read as this store is told apart from every other failure, as
// soon as the store is opened: garbage, another key, a file cut short.
TEST_F(SqliteTest, UnreadableFilesAreFoundWhenTheSchemaIsRead) {
  m_db.Execute("CREATE TABLE t (a TEXT)");
  m_db.Execute("BEGIN");
  for (int i = 0; i < 2000; ++i) m_db.ExecuteFormat("INSERT INTO t VALUES ('%d row of some length')", i);
  m_db.Execute("COMMIT");
  m_db.Close();
  const std::string whole = testsupport::ReadAll(Path());
  ASSERT_GT(whole.size(), 16384u);

  auto unreadable = [&](const std::string& bytes, const sqlite::KeyRecord& key) {
    std::string path = m_dir.File("probe.db");
    testsupport::WriteAll(path, bytes);
    sqlite::Database db;
    db.Open(key, path.c_str());
    try {
      db.CheckReadable();
    } catch (const sqlite::SqlError& e) {
      return e.IsUnreadableFile();
    }
    return false;
  };
  EXPECT_FALSE(unreadable(whole, kKey));
  EXPECT_TRUE(unreadable(whole, MakeKey("fedcba9876543210")));
  EXPECT_TRUE(unreadable(std::string(whole.size(), 'x'), kKey));
  EXPECT_TRUE(unreadable(whole.substr(0, whole.size() / 2), kKey));
  EXPECT_TRUE(unreadable(whole.substr(0, whole.size() / 2 + 100), kKey));
  // An empty file is a new, empty database.
  EXPECT_FALSE(unreadable(std::string(), kKey));

  // A failure of another kind is not taken for an unreadable file.
  auto locked = Catch<sqlite::SqlError>([] { sqlite::ThrowSqlError(5, "op", "database is locked", "failed"); });
  EXPECT_FALSE(locked.IsUnreadableFile());
}

TEST_F(SqliteTest, ABusyTimeoutWaitsForTheOtherConnectionBeforeFailing) {
  m_db.Execute("CREATE TABLE t (a)");
  sqlite::Database second;
  second.Open(kKey, Path().c_str());
  second.SetBusyTimeout(300);
  m_db.Execute("BEGIN EXCLUSIVE; INSERT INTO t VALUES (1)");
  auto started = std::chrono::steady_clock::now();
  auto busy = Catch<sqlite::SqlError>([&] { second.Execute("INSERT INTO t VALUES (2)"); });
  auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(busy.Code(), SQLITE_BUSY);
  EXPECT_GE(waited, std::chrono::milliseconds(250));
  m_db.Execute("COMMIT");
  second.Execute("INSERT INTO t VALUES (2)");
}
