#include "data/ado/Recordset.h"

#include <gtest/gtest.h>

#include <string>

#include "AdoTestDatabase.h"
#include "data/ado/ComError.h"
#include "data/ado/Connection.h"
#include "data/ado/OleDate.h"

using namespace ado;

namespace {

// Rows in several fetch blocks, with a long text in every hundredth row, for both fetch paths.
constexpr int kManyRows = 3000;

std::string ManyRowsScript() { return adotest::ManyRowsScript(kManyRows, 2000); }

std::string Bytes(const XString& text) { return std::string(text.c_str(), text.Length()); }

int32_t YearMonthDay(double oleDate) {
  OleDateParts p = FromOleDate(oleDate);
  return p.year * 10000 + p.month * 100 + p.day;
}

int32_t SecondsOfDay(double oleDate) {
  OleDateParts p = FromOleDate(oleDate);
  return p.hour * 3600 + p.minute * 60 + p.second;
}

// The three ways of reading a result: bound blocks where safe, bound single rows, and
// SQLGetData for every value.
enum class Path { Blocks, BoundRows, GetData };

class RecordsetTest : public ::testing::TestWithParam<Path> {
 protected:
  void OpenDatabase(const std::string& script) {
    m_db = std::make_unique<adotest::TestDatabase>(script);
    m_connection.Open(m_db->ConnectionString().c_str());
  }
  // Opens the query with the fetch path of the test's parameter and a small block budget, so
  // that even small results span several blocks.
  void Query(const char* sql) {
    FetchOptions options;
    options.blockCursor = GetParam() == Path::Blocks;
    options.bindColumns = GetParam() != Path::GetData;
    options.blockBytes = 8 * 1024;
    options.longColumnBuffer = 64;
    m_rs.SetFetchOptions(options);
    m_rs.SetCursorLocation(adUseClient);
    m_rs.Open(sql, m_connection, adOpenStatic, adLockReadOnly, adCmdText);
  }

  std::unique_ptr<adotest::TestDatabase> m_db;
  Connection m_connection;
  Recordset m_rs;
};

}  // namespace

TEST_P(RecordsetTest, ValuesArriveAsTheirVariantTypes) {
  OpenDatabase(
      "CREATE TABLE v(id INTEGER, big BIGINT, small SMALLINT, r REAL, d DATETIME, dt DATE, flag BIT, t TEXT);"
      "INSERT INTO v VALUES(1, 5000000000, -7, 12.34, '2009-03-18', '2009-03-18', 1, 'plain');"
      "INSERT INTO v VALUES(2, 1, 300, 100.0, '2009-03-18 13:45:30', '1899-12-30', 0, '');"
      "INSERT INTO v VALUES(3, NULL, NULL, -0.5, NULL, NULL, NULL, NULL);"
      "INSERT INTO v VALUES(4, -2, 0, 1234567.89, '2000-02-29 06:00:00', '2024-12-31', 1, 'x');");
  Query("SELECT id, big, small, r, d, dt, flag, t FROM v ORDER BY id");
  ASSERT_EQ(m_rs.RecordCount(), 4);
  EXPECT_EQ(m_rs.GetField(0).Type(), adInteger);
  EXPECT_EQ(m_rs.GetField("d").Type(), adDBTimeStamp);
  EXPECT_EQ(m_rs.GetField("t").Type(), adLongVarChar);
  EXPECT_TRUE(m_rs.GetField("t").Attributes() & adFldLong) << "the driver reports TEXT as a long column";

  // Row 1: integers of each width, a REAL, date-only text in DATETIME and DATE columns.
  EXPECT_EQ(m_rs.GetField("id").Value().Type(), VT_I4);
  EXPECT_EQ(m_rs.GetField("id").Value().GetI4(), 1);
  EXPECT_EQ(m_rs.GetField("big").Value().Type(), VT_I8);
  EXPECT_EQ(m_rs.GetField("big").Value().GetI8(), 5000000000LL);
  EXPECT_EQ(m_rs.GetField("small").Value().Type(), VT_I2);
  EXPECT_EQ(m_rs.GetField("small").Value().GetI2(), -7);
  EXPECT_EQ(m_rs.GetField("r").Value().Type(), VT_R8);
  EXPECT_DOUBLE_EQ(m_rs.GetField("r").Value().GetR8(), 12.34);
  EXPECT_EQ(m_rs.GetField("d").Value().Type(), VT_DATE);
  EXPECT_DOUBLE_EQ(m_rs.GetField("d").Value().GetDate(), 39890.0);
  EXPECT_DOUBLE_EQ(m_rs.GetField("dt").Value().GetDate(), 39890.0);
  EXPECT_EQ(m_rs.GetField("flag").Value().Type(), VT_BOOL);
  EXPECT_TRUE(m_rs.GetField("flag").Value().GetBool());
  EXPECT_STREQ(m_rs.GetField("t").Value().GetStr().c_str(), "plain");

  // Row 2: a date with a time, the OLE epoch itself, an empty text (not NULL).
  m_rs.MoveNext();
  EXPECT_DOUBLE_EQ(m_rs.GetField("r").Value().GetR8(), 100.0);
  const double dateTime = m_rs.GetField("d").Value().GetDate();
  EXPECT_EQ(YearMonthDay(dateTime), 20090318);
  EXPECT_EQ(SecondsOfDay(dateTime), 13 * 3600 + 45 * 60 + 30);
  EXPECT_EQ(m_rs.GetField("dt").Value().Type(), VT_DATE);
  EXPECT_DOUBLE_EQ(m_rs.GetField("dt").Value().GetDate(), 0.0);
  EXPECT_FALSE(m_rs.GetField("flag").Value().GetBool());
  EXPECT_EQ(m_rs.GetField("t").Value().Type(), VT_BSTR);
  EXPECT_EQ(m_rs.GetField("t").ActualSize(), 0);

  // Row 3: NULL in every column type.
  m_rs.MoveNext();
  EXPECT_DOUBLE_EQ(m_rs.GetField("r").Value().GetR8(), -0.5);
  for (const char* name : {"big", "small", "d", "dt", "flag", "t"}) {
    EXPECT_TRUE(m_rs.GetField(name).Value().IsNull()) << name;
    EXPECT_TRUE(m_rs.GetField(name).IsNull()) << name;
    EXPECT_EQ(m_rs.GetField(name).ActualSize(), 0) << name;
  }

  // Row 4: a REAL that a single-precision copy would change, a leap day with a time.
  m_rs.MoveNext();
  EXPECT_DOUBLE_EQ(m_rs.GetField("r").Value().GetR8(), 1234567.89);
  EXPECT_DOUBLE_EQ(m_rs.GetField("d").Value().GetDate(), 36585.25);
  EXPECT_EQ(YearMonthDay(m_rs.GetField("dt").Value().GetDate()), 20241231);
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
}

TEST_P(RecordsetTest, TextKeepsControlCharactersAndBecomesCodePageBytes) {
  // SQLite holds UTF-8; the layer hands out Windows-1252 bytes on both builds.
  OpenDatabase(
      "CREATE TABLE t(id INTEGER, s TEXT, c VARCHAR(10));"
      "INSERT INTO t VALUES(1, 'a' || char(9) || 'b' || char(13, 10) || 'c' || char(10) || 'say \"hi\" it''s', 'q');"
      "INSERT INTO t VALUES(2, 'Jos' || char(233) || ' M' || char(252) || 'ller Pe' || char(241) || 'a ' || char(8364) || '5',"
      " 'ab' || char(233) || 'cdefghijklmnopqrstuvwxyz');"
      "INSERT INTO t VALUES(3, 'Hanzi ' || char(27721) || '!', NULL);");
  Query("SELECT s, c FROM t ORDER BY id");
  EXPECT_EQ(Bytes(m_rs.GetField(0).Value().GetStr()), "a\tb\r\nc\nsay \"hi\" it's");
  m_rs.MoveNext();
  EXPECT_EQ(Bytes(m_rs.GetField(0).Value().GetStr()), "Jos\xE9 M\xFCller Pe\xF1" "a \x80" "5");
  EXPECT_EQ(m_rs.GetField(0).ActualSize(), 19);
  // SQLite does not hold a VARCHAR(10) to ten characters: the longer value still arrives whole.
  EXPECT_EQ(Bytes(m_rs.GetField("C").Value().GetStr()), "ab\xE9" "cdefghijklmnopqrstuvwxyz");
  m_rs.MoveNext();
  EXPECT_EQ(Bytes(m_rs.GetField(0).Value().GetStr()), "Hanzi ?!") << "outside the code page: the default character";
}

TEST_P(RecordsetTest, ValueLongerThanTheBindBufferIsReadWhole) {
  // 70,000 characters: beyond the bound buffer, SQLGetData's chunk and the driver's column size,
  // with a code-page character at the very end.
  OpenDatabase("CREATE TABLE t(id INTEGER, s TEXT, after TEXT);"
               "INSERT INTO t VALUES(1, printf('%.*c', 69999, 'y') || char(233), 'tail');"
               "INSERT INTO t VALUES(2, 'short', 'tail2');");
  Query("SELECT id, s, after FROM t ORDER BY id");
  ASSERT_EQ(m_rs.RecordCount(), 2);
  const XString text = m_rs.GetField("s").Value().GetStr();
  ASSERT_EQ(text.Length(), 70000u);
  EXPECT_EQ(std::string(text.c_str(), 69999), std::string(69999, 'y'));
  EXPECT_EQ(static_cast<unsigned char>(text[69999]), 0xE9);
  EXPECT_STREQ(m_rs.GetField("after").Value().GetStr().c_str(), "tail") << "the column after the long one";
  EXPECT_EQ(m_rs.GetField("s").ActualSize(), 70000);

  // GetChunk continues where the last call on the same record stopped.
  Field& field = m_rs.GetField("s");
  XString joined;
  for (int i = 0; i < 8; ++i) joined += field.GetChunk(10000).GetStr();
  EXPECT_EQ(joined.Length(), 70000u);
  EXPECT_EQ(field.GetChunk(10).GetStr().Length(), 0u) << "past the end";
  m_rs.MoveNext();
  EXPECT_STREQ(field.GetChunk(3).GetStr().c_str(), "sho") << "a new record starts at its beginning";
  EXPECT_STREQ(m_rs.GetField("s").Value().GetStr().c_str(), "short");
}

// A driver without wide-character reads refuses the UTF-16 read of a text; the connection then
// reads text 8-bit. The SQLite driver reads both ways, so the test puts the connection in the
// state that the first refusal leaves and checks that every value still arrives whole and in
// the code page.
TEST_P(RecordsetTest, AfterAWideReadRefusalTextIsRead8BitInTheCodePage) {
  OpenDatabase("CREATE TABLE t(id INTEGER, s TEXT, n VARCHAR(20));"
               "INSERT INTO t VALUES(1, 'Jos' || char(233) || ' ' || char(8364) || '5', 'plain');"
               "INSERT INTO t VALUES(2, printf('%.*c', 69999, 'y') || char(233), NULL);"
               "INSERT INTO t VALUES(3, '', 'Pe' || char(241) || 'a');");
  // The connection's own default, and after a new Open, is UTF-16.
  EXPECT_FALSE(m_connection.NarrowTextReads());
  m_connection.SetNarrowTextReads(true);
  Query("SELECT id, s, n FROM t ORDER BY id");
  ASSERT_EQ(m_rs.RecordCount(), 3);
  // SQLite's driver gives 8-bit text as UTF-8; the code page of these builds is Windows-1252,
  // so the 8-bit bytes of a non-ASCII text are the driver's, not converted.
  EXPECT_EQ(Bytes(m_rs.GetField("s").Value().GetStr()), "Jos\xC3\xA9 \xE2\x82\xAC" "5");
  EXPECT_STREQ(m_rs.GetField("n").Value().GetStr().c_str(), "plain");
  m_rs.MoveNext();
  const XString longText = m_rs.GetField("s").Value().GetStr();
  ASSERT_EQ(longText.Length(), 70001u) << "a value longer than the chunk is read whole";
  EXPECT_EQ(std::string(longText.c_str(), 69999), std::string(69999, 'y'));
  EXPECT_TRUE(m_rs.GetField("n").Value().IsNull());
  m_rs.MoveNext();
  EXPECT_EQ(m_rs.GetField("s").Value().Type(), VT_BSTR);
  EXPECT_EQ(m_rs.GetField("s").ActualSize(), 0);
  EXPECT_EQ(Bytes(m_rs.GetField("n").Value().GetStr()), "Pe\xC3\xB1" "a");
  EXPECT_TRUE(m_connection.NarrowTextReads()) << "the state lasts for the connection";
  m_connection.Close();
  m_connection.Open(m_db->ConnectionString().c_str());
  EXPECT_FALSE(m_connection.NarrowTextReads());
}

// An unsigned BIGINT is fetched unsigned. The SQLite driver cannot hold values from 2^63 on,
// so the top of the range is checked on the value conversions alone.
TEST_P(RecordsetTest, UnsignedBigintsAreFetchedUnsigned) {
  OpenDatabase("CREATE TABLE t(id INTEGER, u BIGINT UNSIGNED);"
               "INSERT INTO t VALUES(1, 9223372036854775807);"
               "INSERT INTO t VALUES(2, 4000000000);"
               "INSERT INTO t VALUES(3, NULL);");
  Query("SELECT id, u FROM t ORDER BY id");
  ASSERT_EQ(m_rs.RecordCount(), 3);
  EXPECT_EQ(m_rs.GetField("u").Type(), adUnsignedBigInt);
  EXPECT_EQ(m_rs.GetField("u").Value().Type(), VT_UI8);
  EXPECT_EQ(m_rs.GetField("u").Value().GetUI8(), 9223372036854775807ULL);
  EXPECT_EQ(m_rs.GetField("u").ActualSize(), 8);
  m_rs.MoveNext();
  EXPECT_EQ(m_rs.GetField("u").Value().GetUI8(), 4000000000ULL);
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.GetField("u").Value().IsNull());
}

TEST_P(RecordsetTest, EmptyResultIsAtBofAndEof) {
  OpenDatabase("CREATE TABLE t(id INTEGER, s TEXT);");
  Query("SELECT id, s FROM t");
  EXPECT_EQ(m_rs.State(), adStateOpen);
  EXPECT_EQ(m_rs.RecordCount(), 0);
  EXPECT_TRUE(m_rs.IsBOF());
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_EQ(m_rs.FieldCount(), 2);
  EXPECT_STREQ(m_rs.GetField(1).Name().c_str(), "s");
  try {
    m_rs.MoveFirst();
    FAIL() << "MoveFirst on an empty recordset";
  } catch (const ComError& error) {
    EXPECT_EQ(error.HResult(), kHresultNoCurrentRecord);
  }
  EXPECT_THROW(m_rs.GetField(0).Value(), ComError);
}

TEST_P(RecordsetTest, ManyRowsSpanBlocksAndTheCursorGoesBackToTheFirst) {
  OpenDatabase(ManyRowsScript());
  Query("SELECT n, label FROM many ORDER BY n");
  ASSERT_EQ(m_rs.RecordCount(), kManyRows);
  EXPECT_FALSE(m_rs.IsBOF());
  int seen = 0;
  for (; !m_rs.IsEOF(); m_rs.MoveNext()) {
    ++seen;
    ASSERT_EQ(m_rs.GetField("N").Value().GetI4(), seen);
    const XString label = m_rs.GetField(1).Value().GetStr();
    if (seen % 100 == 0) {
      ASSERT_EQ(label.Length(), static_cast<uint32_t>(2000 + seen)) << seen;
    } else {
      ASSERT_EQ(Bytes(label), "row " + std::to_string(seen));
    }
  }
  EXPECT_EQ(seen, kManyRows);
  EXPECT_THROW(m_rs.MoveNext(), ComError) << "MoveNext at EOF";
  m_rs.MoveFirst();
  EXPECT_FALSE(m_rs.IsEOF());
  EXPECT_EQ(m_rs.GetField(0).Value().GetI4(), 1);
  EXPECT_STREQ(m_rs.GetField(1).Value().GetStr().c_str(), "row 1");
  m_rs.Close();
  EXPECT_EQ(m_rs.State(), adStateClosed);
  EXPECT_THROW(m_rs.RecordCount(), ComError);

  // Numbers and dates only: nothing can outgrow its element, so these come in many-row blocks.
  Query("SELECT n, half, day FROM nums ORDER BY n");
  ASSERT_EQ(m_rs.RecordCount(), kManyRows);
  const double firstDay = ToOleDate({2009, 1, 1});
  for (int n = 1; n <= kManyRows; ++n, m_rs.MoveNext()) {
    ASSERT_EQ(m_rs.GetField(0).Value().GetI4(), n);
    ASSERT_DOUBLE_EQ(m_rs.GetField(1).Value().GetR8(), n * 0.5);
    ASSERT_DOUBLE_EQ(m_rs.GetField(2).Value().GetDate(), firstDay + n);
  }
  EXPECT_TRUE(m_rs.IsEOF());
  m_rs.Close();
  // The same object runs the next query.
  Query("SELECT count(*) AS total FROM many");
  EXPECT_EQ(m_rs.RecordCount(), 1);
  EXPECT_STREQ(m_rs.GetField("TOTAL").Value().GetStr().c_str(), std::to_string(kManyRows).c_str());
}

TEST_P(RecordsetTest, MaxRecordsKeepsOnlyTheFirstRecords) {
  OpenDatabase(ManyRowsScript());
  m_rs.SetMaxRecords(1);
  Query("SELECT n, label FROM many ORDER BY n");
  EXPECT_EQ(m_rs.RecordCount(), 1);
  EXPECT_EQ(m_rs.GetField(0).Value().GetI4(), 1);
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
  m_rs.Close();

  // Past a block boundary, with a long value (row 100) completed on the way.
  m_rs.SetMaxRecords(777);
  Query("SELECT n, label FROM many ORDER BY n");
  ASSERT_EQ(m_rs.RecordCount(), 777);
  for (int n = 1; n < 100; ++n) m_rs.MoveNext();
  EXPECT_EQ(m_rs.GetField("label").ActualSize(), 2100);
  m_rs.Close();
  Query("SELECT n, half FROM nums ORDER BY n DESC");
  ASSERT_EQ(m_rs.RecordCount(), 777);
  EXPECT_EQ(m_rs.GetField(0).Value().GetI4(), kManyRows);
  m_rs.Close();

  // More than the result holds, and back to no limit.
  m_rs.SetMaxRecords(kManyRows + 5);
  Query("SELECT n FROM many");
  EXPECT_EQ(m_rs.RecordCount(), kManyRows);
  m_rs.Close();
  m_rs.SetMaxRecords(0);
  Query("SELECT n FROM many");
  EXPECT_EQ(m_rs.RecordCount(), kManyRows);
}

TEST_P(RecordsetTest, TextBytesAreTheTextValueWithoutAVariant) {
  OpenDatabase("CREATE TABLE t(id INTEGER, s TEXT);"
               "INSERT INTO t VALUES(1, 'caf' || char(233));"
               "INSERT INTO t VALUES(2, NULL);"
               "INSERT INTO t VALUES(3, '');");
  Query("SELECT id, s FROM t ORDER BY id");
  uint32_t size = 99;
  const char* bytes = m_rs.GetField(1).TextBytes(size);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::string(bytes, size), "caf\xE9");
  EXPECT_EQ(m_rs.GetField(0).TextBytes(size), nullptr) << "a number is not text";
  EXPECT_FALSE(m_rs.GetField(0).IsText());
  m_rs.MoveNext();
  EXPECT_EQ(m_rs.GetField(1).TextBytes(size), nullptr) << "NULL";
  EXPECT_TRUE(m_rs.GetField(1).IsText()) << "a NULL of a text column";
  EXPECT_TRUE(m_rs.GetField(1).IsNull());
  m_rs.MoveNext();
  ASSERT_NE(m_rs.GetField(1).TextBytes(size), nullptr) << "empty text is text";
  EXPECT_EQ(size, 0u);
  m_rs.MoveNext();
  EXPECT_THROW(m_rs.GetField(1).TextBytes(size), ComError) << "at EOF";
}

TEST_P(RecordsetTest, FieldsAreFoundByPositionAndByNameInAnyCase) {
  OpenDatabase("CREATE TABLE t(StudentID INTEGER, LastName TEXT); INSERT INTO t VALUES(7, 'Roe');");
  Query("SELECT StudentID, LastName FROM t");
  EXPECT_EQ(&m_rs.GetField("studentid"), &m_rs.GetField(0));
  EXPECT_EQ(m_rs.FindField("LASTNAME"), &m_rs.GetField(1));
  EXPECT_EQ(m_rs.FindField("FirstName"), nullptr);
  EXPECT_THROW(m_rs.GetField("FirstName"), ComError);
  EXPECT_THROW(m_rs.GetField(2), ComError);
  EXPECT_THROW(m_rs.GetField(-1), ComError);
  EXPECT_EQ(m_rs.GetField(0).Status(), adFieldOK);
}

TEST_P(RecordsetTest, BadQueryRaisesTheDriverDiagnosticsAndLeavesTheRecordsetClosed) {
  OpenDatabase("CREATE TABLE t(id INTEGER);");
  try {
    Query("SELECT id FROM NoSuchTable");
    FAIL() << "the query ran";
  } catch (const ComError& error) {
    EXPECT_EQ(error.HResult(), kHresultFail);
    EXPECT_EQ(error.SqlState().Length(), 5u);
    EXPECT_NE(std::string(error.Description().c_str()).find("no such table: NoSuchTable"), std::string::npos)
        << error.Description().c_str();
    EXPECT_STREQ(error.Source().c_str(), "SQLExecDirectW");
    EXPECT_NE(std::string(error.what()).find(error.SqlState().c_str()), std::string::npos) << error.what();
  }
  EXPECT_EQ(m_rs.State(), adStateClosed);
  ASSERT_FALSE(m_connection.GetErrors().empty());
  EXPECT_NE(std::string(m_connection.GetErrors()[0].description.c_str()).find("NoSuchTable"), std::string::npos);
  // The connection is still usable, and a good query clears the errors of the bad one.
  Query("SELECT id FROM t");
  EXPECT_TRUE(m_connection.GetErrors().empty());
  EXPECT_EQ(m_rs.RecordCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(FetchPaths, RecordsetTest, ::testing::Values(Path::Blocks, Path::BoundRows, Path::GetData),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           return info.param == Path::Blocks      ? "Blocks"
                                  : info.param == Path::BoundRows ? "BoundRows"
                                                                  : "GetData";
                         });
