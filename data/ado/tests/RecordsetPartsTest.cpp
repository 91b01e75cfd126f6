// Results larger than the recordset's held bytes, read a part at a time as the cursor moves:
// every row exactly once, in order, across part boundaries, with the count, the return to the
// first record, MaxRecords and failures of the driver in the middle of the result.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "AdoTestDatabase.h"
#include "data/ado/ComError.h"
#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"

using namespace ado;

namespace {

constexpr int kRows = 3000;

// n = 1..kRows; every 100th label is longer than the bound element (read with SQLGetData).
std::string Script() { return adotest::ManyRowsScript(kRows, 200); }

enum class Path { Blocks, BoundRows, GetData };

// The fetch path, and the held bytes: 1 holds a single row per part (every row is a part
// boundary), the others parts of a few blocks.
using Param = std::tuple<Path, size_t>;

class RecordsetPartsTest : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override {
    m_db = std::make_unique<adotest::TestDatabase>(Script());
    m_connection.Open(m_db->ConnectionString().c_str());
  }
  void Query(const char* sql) {
    FetchOptions options;
    options.blockCursor = std::get<0>(GetParam()) == Path::Blocks;
    options.bindColumns = std::get<0>(GetParam()) != Path::GetData;
    options.blockBytes = 2 * 1024;
    options.longColumnBuffer = 64;
    options.heldBytes = std::get<1>(GetParam());
    m_rs.SetFetchOptions(options);
    m_rs.SetCursorLocation(adUseClient);
    m_rs.Open(sql, m_connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
  }
  // Reads on from the current record to EOF, checking that the records are n = from, from+1, ...
  // with their labels; returns how many were read.
  int ReadOn(int from) {
    int n = from;
    for (; !m_rs.IsEOF(); m_rs.MoveNext(), ++n) {
      EXPECT_EQ(m_rs.AbsolutePosition(), n - 1);
      const int got = m_rs.GetField(0).Value().GetI4();
      if (got != n) {
        ADD_FAILURE() << "record " << n << " reads as " << got;
        return n - from;
      }
      const XString label = m_rs.GetField(1).Value().GetStr();
      if (n % 100 == 0) {
        EXPECT_EQ(label.Length(), static_cast<uint32_t>(200 + n)) << n;
      } else {
        EXPECT_STREQ(label.c_str(), ("row " + std::to_string(n)).c_str());
      }
    }
    return n - from;
  }

  std::unique_ptr<adotest::TestDatabase> m_db;
  Connection m_connection;
  Recordset m_rs;
};

}  // namespace

TEST_P(RecordsetPartsTest, CountedFirstThenReadOnceInOrderAndAgainFromTheFirst) {
  Query("SELECT n, label FROM many ORDER BY n");
  // As the extraction does: the count for the progress total, then every record.
  ASSERT_EQ(m_rs.RecordCount(), kRows);
  EXPECT_FALSE(m_rs.IsBOF());
  EXPECT_EQ(ReadOn(1), kRows);
  EXPECT_EQ(m_rs.AbsolutePosition(), kRows);
  EXPECT_THROW(m_rs.MoveNext(), ComError) << "MoveNext at EOF";
  EXPECT_EQ(m_rs.RecordCount(), kRows);

  m_rs.MoveFirst();  // runs the statement again
  EXPECT_FALSE(m_rs.IsBOF());
  EXPECT_EQ(ReadOn(1), kRows);
}

TEST_P(RecordsetPartsTest, ReadWithoutCountingThenCountedAtTheEnd) {
  Query("SELECT n, label FROM many ORDER BY n");
  EXPECT_EQ(ReadOn(1), kRows);
  EXPECT_EQ(m_rs.RecordCount(), kRows);
}

TEST_P(RecordsetPartsTest, CountedAndSentBackToTheFirstFromTheMiddle) {
  Query("SELECT n, label FROM many ORDER BY n");
  for (int n = 1; n < 1234; ++n) m_rs.MoveNext();
  ASSERT_EQ(m_rs.GetField(0).Value().GetI4(), 1234);
  // Counting here fetches the rest; reading on passes over the rows already seen.
  EXPECT_EQ(m_rs.RecordCount(), kRows);
  EXPECT_EQ(m_rs.GetField(0).Value().GetI4(), 1234);
  for (int n = 1234; n < 2000; ++n) m_rs.MoveNext();
  EXPECT_EQ(m_rs.GetField(1).ActualSize(), 2200);
  m_rs.MoveFirst();
  EXPECT_EQ(ReadOn(1), kRows);
}

TEST_P(RecordsetPartsTest, NumbersInManyRowBlocksCrossEveryBoundary) {
  Query("SELECT n, half FROM nums ORDER BY n DESC");
  ASSERT_EQ(m_rs.RecordCount(), kRows);
  for (int n = kRows; n >= 1; --n, m_rs.MoveNext()) {
    ASSERT_FALSE(m_rs.IsEOF()) << n;
    ASSERT_EQ(m_rs.GetField(0).Value().GetI4(), n);
    ASSERT_DOUBLE_EQ(m_rs.GetField(1).Value().GetR8(), n * 0.5);
  }
  EXPECT_TRUE(m_rs.IsEOF());
}

TEST_P(RecordsetPartsTest, EmptyAndSingleRowResults) {
  Query("SELECT n, label FROM many WHERE n > 99999");
  EXPECT_EQ(m_rs.RecordCount(), 0);
  EXPECT_TRUE(m_rs.IsBOF());
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_THROW(m_rs.MoveFirst(), ComError);
  m_rs.Close();

  // One row: with a budget of one byte it fills the first part exactly, and whether more
  // follow is only known at the next move.
  Query("SELECT n, label FROM many WHERE n = 7");
  EXPECT_EQ(m_rs.RecordCount(), 1);
  EXPECT_EQ(m_rs.GetField(0).Value().GetI4(), 7);
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_FALSE(m_rs.IsBOF());
  m_rs.MoveFirst();
  EXPECT_EQ(m_rs.GetField(0).Value().GetI4(), 7);
  m_rs.Close();

  Query("SELECT n, label FROM many WHERE n = 7");
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_EQ(m_rs.RecordCount(), 1);
}

TEST_P(RecordsetPartsTest, MaxRecordsCapsTheCountAndEveryReading) {
  m_rs.SetMaxRecords(1000);
  Query("SELECT n, label FROM many ORDER BY n");
  EXPECT_EQ(m_rs.RecordCount(), 1000);
  EXPECT_EQ(ReadOn(1), 1000);
  m_rs.MoveFirst();
  EXPECT_EQ(ReadOn(1), 1000);
  m_rs.Close();

  m_rs.SetMaxRecords(kRows + 1);
  Query("SELECT n, label FROM many ORDER BY n");
  EXPECT_EQ(ReadOn(1), kRows);
  EXPECT_EQ(m_rs.RecordCount(), kRows);
}

TEST_P(RecordsetPartsTest, AFetchThatFailsInTheMiddleIsAnErrorNotTheEnd) {
  // abs() of the smallest integer overflows when the row is stepped to (no ORDER BY: a sort
  // would evaluate every row before the first one is returned).
  const char* failing =
      "SELECT n, CASE WHEN n = 2500 THEN abs(-9223372036854775807 - 1) ELSE label END FROM many";
  const size_t held = std::get<1>(GetParam());
  if (held == 0) {
    // No budget: the whole result is read at Open, and the statement fails there.
    EXPECT_THROW(Query(failing), ComError);
    EXPECT_FALSE(m_connection.GetErrors().empty());
    return;
  }
  Query(failing);
  int read = 0;
  try {
    for (; !m_rs.IsEOF(); m_rs.MoveNext()) {
      ASSERT_EQ(m_rs.GetField(0).Value().GetI4(), ++read);
    }
    FAIL() << "the result ended after " << read << " records";
  } catch (const ComError& error) {
    EXPECT_NE(error.HResult(), kHresultNoCurrentRecord);
    EXPECT_FALSE(m_connection.GetErrors().empty());
  }
  EXPECT_LT(read, 2500);
  EXPECT_TRUE(m_rs.IsEOF()) << "after the failure nothing is current";
  m_rs.Close();

  // The database counts the rows without computing the failing value; reading on still fails.
  Query(failing);
  EXPECT_EQ(m_rs.RecordCount(), kRows);
  EXPECT_THROW(ReadOn(1), ComError);
}

TEST_P(RecordsetPartsTest, AQueryThatCannotBeCountedAsATableIsCountedByFetching) {
  // The trailing semicolon makes the query unusable inside a derived table: the database
  // refuses the count, and the rest of the result is counted by fetching it.
  Query("SELECT n, label FROM many ORDER BY n;");
  EXPECT_EQ(m_rs.RecordCount(), kRows);
  EXPECT_EQ(ReadOn(1), kRows);
  EXPECT_TRUE(m_connection.GetErrors().empty()) << "the refused count is not an error of the recordset";
}

TEST_P(RecordsetPartsTest, ClosingTheConnectionLeavesTheRestUnreadable) {
  Query("SELECT n, label FROM many ORDER BY n");
  const int first = m_rs.GetField(0).Value().GetI4();
  m_connection.Close();
  EXPECT_EQ(first, 1);
  if (std::get<1>(GetParam()) == 0) {
    EXPECT_EQ(ReadOn(1), kRows) << "a result held whole needs no connection";
    return;
  }
  // The held rows stay readable; the next part cannot be fetched.
  EXPECT_THROW(
      {
        for (; !m_rs.IsEOF(); m_rs.MoveNext()) {
        }
      },
      ComError);
  m_rs.Close();
}

INSTANTIATE_TEST_SUITE_P(
    PathsAndBudgets, RecordsetPartsTest,
    ::testing::Combine(::testing::Values(Path::Blocks, Path::BoundRows, Path::GetData),
                       ::testing::Values(size_t{1}, size_t{6 * 1024}, size_t{40 * 1024}, size_t{0})),
    [](const ::testing::TestParamInfo<Param>& info) {
      const Path path = std::get<0>(info.param);
      return std::string(path == Path::Blocks ? "Blocks" : path == Path::BoundRows ? "BoundRows" : "GetData") +
             "Held" + std::to_string(std::get<1>(info.param));
    });
