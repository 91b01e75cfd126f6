// A streaming recordset reads its values where the driver fetched them: every value as the
// stored path gives it, also those that did not fit the bound buffer, through every fetch path;
// the count and the return to the first record as a client-side cursor offers them.
#include <gtest/gtest.h>

#include <string>

#include "AdoTestDatabase.h"
#include "data/ado/ComError.h"
#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"

using namespace ado;

namespace {

constexpr int kRows = 3000;

enum class Path { Blocks, BoundRows, GetData };

std::string Bytes(const XString& text) { return std::string(text.c_str(), text.Length()); }

class RecordsetStreamingTest : public ::testing::TestWithParam<Path> {
 protected:
  void OpenDatabase(const std::string& script) {
    m_db = std::make_unique<adotest::TestDatabase>(script);
    m_connection.Open(m_db->ConnectionString().c_str());
  }
  // Opens `sql` on `rs` through the test's fetch path, with small blocks and bound buffers.
  void Open(Recordset& rs, const char* sql, bool streaming, size_t heldBytes = FetchOptions().heldBytes) {
    FetchOptions options;
    options.heldBytes = heldBytes;
    options.blockCursor = GetParam() == Path::Blocks;
    options.bindColumns = GetParam() != Path::GetData;
    options.blockBytes = 2 * 1024;
    options.longColumnBuffer = 64;
    rs.SetFetchOptions(options);
    rs.SetCursorLocation(adUseClient);
    rs.SetStreaming(streaming);
    rs.Open(sql, m_connection, adOpenStatic, adLockReadOnly, adCmdText);
  }
  // Every value of every record of `sql`, read streaming and stored, must be the same Variant,
  // with the same null answer, size and text bytes; each streamed value is read twice.
  void ExpectSameAsStored(const char* sql) {
    Recordset stored, streamed;
    Open(stored, sql, false);
    Open(streamed, sql, true);
    ASSERT_EQ(streamed.RecordCount(), stored.RecordCount());
    ASSERT_EQ(streamed.FieldCount(), stored.FieldCount());
    int records = 0;
    for (; !stored.IsEOF(); stored.MoveNext(), streamed.MoveNext(), ++records) {
      ASSERT_FALSE(streamed.IsEOF()) << "record " << records;
      for (int32_t c = 0; c < stored.FieldCount(); ++c) {
        const Variant want = stored.GetField(c).Value();
        for (int pass = 0; pass < 2; ++pass) {
          const Variant got = streamed.GetField(c).Value();
          const std::string where = "record " + std::to_string(records) + " column " + std::to_string(c);
          ASSERT_EQ(got.Type(), want.Type()) << where;
          EXPECT_EQ(got.GetI8(), want.GetI8()) << where;
          EXPECT_EQ(got.GetI4(), want.GetI4()) << where;
          EXPECT_EQ(got.GetUI8(), want.GetUI8()) << where;
          EXPECT_EQ(got.GetR8(), want.GetR8()) << where;
          EXPECT_EQ(got.GetDate(), want.GetDate()) << where;
          EXPECT_EQ(got.GetBool(), want.GetBool()) << where;
          EXPECT_EQ(Bytes(got.GetStr()), Bytes(want.GetStr())) << where;
          EXPECT_EQ(got.GetBytes(), want.GetBytes()) << where;
          EXPECT_EQ(streamed.GetField(c).IsNull(), stored.GetField(c).IsNull()) << where;
          EXPECT_EQ(streamed.GetField(c).ActualSize(), stored.GetField(c).ActualSize()) << where;
          uint32_t gotSize = 0, wantSize = 0;
          const char* gotText = streamed.GetField(c).TextBytes(gotSize);
          const char* wantText = stored.GetField(c).TextBytes(wantSize);
          ASSERT_EQ(gotText == nullptr, wantText == nullptr) << where;
          if (gotText) {
            EXPECT_EQ(std::string(gotText, gotSize), std::string(wantText, wantSize)) << where;
          }
        }
      }
    }
    EXPECT_TRUE(streamed.IsEOF());
    EXPECT_GT(records, 0);
  }
  // Reads on from the current record to EOF, checking that the records are n = from, from+1,
  // ... with their labels (every hundredth one long); returns how many were read.
  int ReadOn(Recordset& rs, int from) {
    int n = from;
    for (; !rs.IsEOF(); rs.MoveNext(), ++n) {
      const int got = rs.GetField(0).Value().GetI4();
      if (got != n) {
        ADD_FAILURE() << "record " << n << " reads as " << got;
        return n - from;
      }
      const XString label = rs.GetField(1).Value().GetStr();
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
};

}  // namespace

TEST_P(RecordsetStreamingTest, EveryTypeNullLongAndCodePageTextReadsAsStored) {
  // Values longer than the 64-byte bound buffer and SQLGetData's chunk, a code-page character
  // (read again as UTF-16), NULL in every column type, BLOBs and a NUMERIC.
  OpenDatabase(
      "CREATE TABLE v(id INTEGER, big BIGINT, small SMALLINT, u BIGINT UNSIGNED, r REAL, d DATETIME, dt DATE,"
      " flag BIT, t TEXT, vc VARCHAR(20), b BLOB, num NUMERIC(10,2), after TEXT);"
      "INSERT INTO v VALUES(1, 5000000000, -7, 4000000000, 12.34, '2009-03-18', '2009-03-18', 1, 'plain',"
      " 'short', x'0001FF', 12.5, 'a');"
      "INSERT INTO v VALUES(2, 1, 300, 0, 100.0, '2009-03-18 13:45:30', '1899-12-30', 0, '', 'Pe' || char(241) || 'a',"
      " zeroblob(100), -0.25, 'b');"
      "INSERT INTO v VALUES(3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL);"
      "INSERT INTO v VALUES(4, -2, 0, 1, -0.5, '2000-02-29 06:00:00', '2024-12-31', 1,"
      " printf('%.*c', 69999, 'y') || char(233), NULL, randomblob(70000), 0, 'after a long value');"
      "INSERT INTO v VALUES(5, 3, 1, 2, 1.5, NULL, '2009-01-01', 0, 'Jos' || char(233), 'x', x'', 1, NULL);");
  ExpectSameAsStored("SELECT id, big, small, u, r, d, dt, flag, t, vc, b, num, after FROM v ORDER BY id");
}

TEST_P(RecordsetStreamingTest, CountedFirstReadInOrderAcrossBlocksAndAgainFromTheFirst) {
  OpenDatabase(adotest::ManyRowsScript(kRows, 200));
  Recordset rs;
  Open(rs, "SELECT n, label FROM many ORDER BY n", true);
  // As the extraction does: the count, the first record without running the query again, then
  // every record.
  ASSERT_EQ(rs.RecordCount(), kRows);
  EXPECT_FALSE(rs.IsBOF());
  rs.MoveFirst();
  EXPECT_EQ(ReadOn(rs, 1), kRows);
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_THROW(rs.MoveNext(), ComError) << "MoveNext at EOF";
  EXPECT_THROW(rs.GetField(0).Value(), ComError) << "no current record at EOF";
  EXPECT_EQ(rs.RecordCount(), kRows);

  rs.MoveFirst();  // runs the statement again
  EXPECT_EQ(ReadOn(rs, 1), kRows);
  rs.Close();

  // Numbers and dates only: many rows per block with the block cursor.
  Open(rs, "SELECT n, half, day FROM nums ORDER BY n DESC", true);
  for (int n = kRows; n >= 1; --n, rs.MoveNext()) {
    ASSERT_FALSE(rs.IsEOF()) << n;
    ASSERT_EQ(rs.GetField(0).Value().GetI4(), n);
    ASSERT_DOUBLE_EQ(rs.GetField(1).Value().GetR8(), n * 0.5);
  }
  EXPECT_EQ(rs.RecordCount(), kRows) << "known once read to the end";
}

TEST_P(RecordsetStreamingTest, CountedAtTheFirstOrInTheMiddleKeepsTheCurrentRecord) {
  OpenDatabase(adotest::ManyRowsScript(kRows, 200));
  // Counting holds the rest of the result, whole or (6 KiB) in parts; the second query cannot
  // be counted as a derived table (its trailing semicolon), which a result in parts tries.
  const size_t wholeOrParts[] = {FetchOptions().heldBytes, 6 * 1024};
  for (const char* sql : {"SELECT n, label FROM many ORDER BY n", "SELECT n, label FROM many ORDER BY n;"}) {
    for (int start : {1, 1200}) {
      for (size_t held : wholeOrParts) {
        const std::string where = std::string(sql) + " from " + std::to_string(start) + ", " + std::to_string(held);
        Recordset rs;
        Open(rs, sql, true, held);
        for (int n = 1; n < start; ++n) rs.MoveNext();
        EXPECT_EQ(rs.RecordCount(), kRows) << where;
        EXPECT_EQ(rs.GetField(0).Value().GetI4(), start) << where;
        EXPECT_EQ(rs.GetField(1).ActualSize(), start == 1200 ? 1400 : 5) << where;
        EXPECT_EQ(ReadOn(rs, start), kRows - start + 1) << where;
        EXPECT_EQ(rs.RecordCount(), kRows) << where;
        rs.MoveFirst();
        EXPECT_EQ(ReadOn(rs, 1), kRows) << where;
        EXPECT_TRUE(m_connection.GetErrors().empty()) << "a refused count is not an error of the recordset";
      }
    }
  }
}

TEST_P(RecordsetStreamingTest, EmptySingleAndCappedResults) {
  OpenDatabase(adotest::ManyRowsScript(kRows, 200));
  Recordset rs;
  Open(rs, "SELECT n, label FROM many WHERE n > 99999", true);
  EXPECT_EQ(rs.State(), adStateOpen);
  EXPECT_TRUE(rs.IsBOF());
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_EQ(rs.FieldCount(), 2);
  EXPECT_THROW(rs.MoveFirst(), ComError);
  EXPECT_THROW(rs.GetField(1).Value(), ComError);
  rs.Close();
  EXPECT_EQ(rs.State(), adStateClosed);
  EXPECT_THROW(rs.IsEOF(), ComError);

  Open(rs, "SELECT n, label FROM many WHERE n = 7", true);
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_FALSE(rs.IsBOF());
  EXPECT_EQ(rs.RecordCount(), 1);
  rs.MoveFirst();
  EXPECT_EQ(rs.GetField(0).Value().GetI4(), 7);
  rs.Close();

  rs.SetMaxRecords(1000);
  Open(rs, "SELECT n, label FROM many ORDER BY n", true);
  EXPECT_EQ(rs.RecordCount(), 1000);
  EXPECT_EQ(ReadOn(rs, 1), 1000);
  rs.MoveFirst();
  EXPECT_EQ(ReadOn(rs, 1), 1000);
}

TEST_P(RecordsetStreamingTest, AFailedFetchOrAClosedConnectionIsAnErrorNotTheEnd) {
  OpenDatabase(adotest::ManyRowsScript(kRows, 200));
  Recordset rs;
  Open(rs, "SELECT n, CASE WHEN n = 2500 THEN abs(-9223372036854775807 - 1) ELSE label END FROM many", true);
  int read = 0;
  try {
    for (; !rs.IsEOF(); rs.MoveNext()) ASSERT_EQ(rs.GetField(0).Value().GetI4(), ++read);
    FAIL() << "the result ended after " << read << " records";
  } catch (const ComError& error) {
    EXPECT_NE(error.HResult(), kHresultNoCurrentRecord);
    EXPECT_FALSE(m_connection.GetErrors().empty());
  }
  EXPECT_EQ(read, 2499);
  EXPECT_TRUE(rs.IsEOF()) << "after the failure nothing is current";
  rs.Close();

  // Counting holds the rest of the result, which fails.
  Open(rs, "SELECT n, CASE WHEN n = 2500 THEN abs(-9223372036854775807 - 1) ELSE label END FROM many", true);
  EXPECT_THROW(rs.RecordCount(), ComError);
  EXPECT_TRUE(rs.IsEOF());
  rs.Close();

  Open(rs, "SELECT n, label FROM many ORDER BY n", true);
  EXPECT_EQ(rs.GetField(0).Value().GetI4(), 1);
  m_connection.Close();
  EXPECT_THROW(rs.MoveNext(), ComError);
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_THROW(rs.MoveFirst(), ComError);
}

INSTANTIATE_TEST_SUITE_P(Paths, RecordsetStreamingTest,
                         ::testing::Values(Path::Blocks, Path::BoundRows, Path::GetData),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           return std::string(info.param == Path::Blocks      ? "Blocks"
                                              : info.param == Path::BoundRows ? "BoundRows"
                                                                              : "GetData");
                         });
