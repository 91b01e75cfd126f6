// The file layer under the databases: the calls SQLite makes on a database and its journal
// are counted and failed by a fault plan like every other file call.
#include <gtest/gtest.h>

#include <string>

#include "os/OsFaults.h"
#include "os/OsFiles.h"
#include "sqlite/Database.h"
#include "sqlite/Query.h"
#include "sqlite/SqlError.h"
#include "testsupport/TempDir.h"

namespace {

sqlite::KeyRecord Key() {
  sqlite::KeyRecord key;
  key.length = 4;
  key.bytes[0] = 'k';
  key.bytes[1] = 'e';
  key.bytes[2] = 'y';
  key.bytes[3] = '1';
  return key;
}

std::string One(sqlite::Database& db, const char* sql) {
  sqlite::Query query(db);
  query.Prepare(sql);
  return query.Step() ? query.StringColumn(0).ToStd() : std::string();
}

// A store of 200 rows, each long enough that a change of all of them spans many pages.
void Fill(const std::string& path) {
  sqlite::Database db;
  db.Open(Key(), path.c_str());
  db.Execute("CREATE TABLE t(n INTEGER PRIMARY KEY, v TEXT);"
             "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 200) "
             "INSERT INTO t SELECT n, printf('%.*c', 300, 'a') FROM c;");
}

const char* const kChange = "UPDATE t SET v = printf('%.*c', 300, 'b')";

}  // namespace

// One changing transaction opens the journal, writes and syncs it, writes and syncs the
// database, and deletes the journal: every one of those calls is counted.
TEST(FileCallsVfs, TheCallsOnADatabaseAndItsJournalAreCounted) {
  testsupport::TempDir dir;
  const std::string path = dir.File("store.db");
  Fill(path);
  os::FaultPlan plan;
  {
    sqlite::Database db;
    db.Open(Key(), path.c_str());
    db.Execute(kChange);
  }
  EXPECT_GE(plan.Calls(os::FaultKind::kOpen), 2);  // the database and its journal
  EXPECT_GT(plan.Calls(os::FaultKind::kWrite), 20);
  EXPECT_GE(plan.Calls(os::FaultKind::kSync), 2);
  EXPECT_EQ(plan.Calls(os::FaultKind::kDelete), 1);  // the journal, at the commit
  EXPECT_FALSE(os::PathExists(path + "-journal"));
}

// The database's last write of a commit fails (the journal is whole by then): the change is
// rolled back whole, on the spot or by the next opening, and the file stays sound.
TEST(FileCallsVfs, AFailedWriteInTheMiddleOfACommitRollsTheChangeBackWhole) {
  testsupport::TempDir dir;
  const std::string path = dir.File("store.db");
  Fill(path);
  int64_t writes = 0;
  {
    // The same change on a copy, to learn how many writes it makes.
    const std::string copy = dir.File("copy.db");
    ASSERT_TRUE(os::CopyFilePath(path, copy));
    os::FaultPlan plan;
    sqlite::Database db;
    db.Open(Key(), copy.c_str());
    db.Execute(kChange);
    writes = plan.Calls(os::FaultKind::kWrite);
  }
  ASSERT_GT(writes, 2);
  {
    os::FaultPlan plan;
    plan.FailNth(os::FaultKind::kWrite, writes);
    sqlite::Database db;
    db.Open(Key(), path.c_str());
    try {
      db.Execute(kChange);
      ADD_FAILURE() << "the change was committed";
    } catch (const sqlite::SqlError& error) {
      EXPECT_NE(std::string(error.DbMessage().c_str()).find("disk is full"), std::string::npos)
          << error.DbMessage().c_str();
    }
    EXPECT_EQ(plan.Failures(), 1);
  }
  sqlite::Database db;
  db.Open(Key(), path.c_str());
  EXPECT_EQ(One(db, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(One(db, "SELECT count(*) FROM t WHERE v LIKE 'a%'"), "200");
  db.Execute(kChange);
  EXPECT_EQ(One(db, "SELECT count(*) FROM t WHERE v LIKE 'b%'"), "200");
}

// A database that cannot be opened, and a journal that cannot be, fail as the disk would.
TEST(FileCallsVfs, ARefusedOpenFailsTheOpeningOrTheChange) {
  testsupport::TempDir dir;
  const std::string path = dir.File("store.db");
  Fill(path);
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kOpen, "store.db");
    sqlite::Database db;
    EXPECT_THROW(db.Open(Key(), path.c_str()), sqlite::SqlError);
  }
  {
    sqlite::Database db;
    db.Open(Key(), path.c_str());
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kOpen, "-journal");
    EXPECT_THROW(db.Execute(kChange), sqlite::SqlError);
  }
  sqlite::Database db;
  db.Open(Key(), path.c_str());
  EXPECT_EQ(One(db, "SELECT count(*) FROM t WHERE v LIKE 'a%'"), "200");
}
