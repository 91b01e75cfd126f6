// Connecting, probing, running queries and reading values against a real SQLite database
// through the SQLite ODBC driver.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "DataTestSupport.h"
#include "data/ado/Variant.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XTime.h"
#include "os/OsFaults.h"
#include "testsupport/TempDir.h"

using datatest::Access;
using datatest::TestDatabase;

namespace {

class OdbcDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string whyNot;
    database = TestDatabase::Get(&whyNot);
    if (!database) GTEST_FAIL() << whyNot;
    ConnectAs(kDbLotusNotes);
  }
  void ConnectAs(int32_t type) {
    access->Connection().SetDatabaseType(kDbLotusNotes);
    access->Connection().SetDataSource(TestDatabase::kDsn);
    access->Connect(access->Connection().BuildConnectionString(TestDatabase::kDsn, "user", "pass"));
    access->Connection().SetDatabaseType(type);
  }
  // Runs a query over Vals and positions on the row with key k.
  ODBCField* ValueOf(const char* column, int key) {
    access->Query().ClearQuery();
    ODBCTable* t = access->Query().AddTable("", "Vals", "V");
    ODBCField* field = access->Query().AddField(column, t, true);
    access->Query().AddCondition(access->Query().AddField("K", t, true), "", "=", XString(key), 0);
    access->RunBuiltQuery();
    EXPECT_TRUE(access->Reader().GetFirstRecord()) << "row " << key;
    return field;
  }

  TestDatabase* database = nullptr;
  Access access{0x01 | kVerifySchema};
};

std::string Bytes(const ByteBuffer& buffer) { return std::string(buffer.begin(), buffer.end()); }

}  // namespace

TEST_F(OdbcDatabase, ConnectsLogsMaskedStringAndReconnects) {
  EXPECT_TRUE(access->IsConnected());
  EXPECT_TRUE(access.log.Contains(std::string("ODBC::Connect - Connection String :DSN=") + TestDatabase::kDsn + ";Uid=user;Pwd=****;"));
  EXPECT_FALSE(access.log.Contains("pass;"));
  EXPECT_TRUE(access.log.Contains("Open in Read Only Access Mode."));
  EXPECT_TRUE(access.log.Contains("Connected to data source."));
  // Connecting again closes the first connection.
  ConnectAs(kDbLotusNotes);
  EXPECT_TRUE(access->IsConnected());
  access->Disconnect();
  EXPECT_FALSE(access->IsConnected());
  access->Disconnect();  // not connected: nothing happens
  EXPECT_FALSE(access->IsConnected());
}

TEST_F(OdbcDatabase, FailedConnectionNamesTheMaskedString) {
  access->Disconnect();
  access->Connection().SetDatabaseType(kDbLotusNotes);
  XString text = access->Connection().BuildConnectionString("QvNoSuchDsn", "admin", "s3cret");
  try {
    access->Connect(text);
    FAIL() << "connected to a missing data source";
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(), "Failed to connect to data source with connection string: DSN=QvNoSuchDsn;Uid=admin;Pwd=******;");
    EXPECT_EQ(error.Code(), 0);
  }
  EXPECT_FALSE(access->IsConnected());
  EXPECT_EQ(access->Connection().GetConnectionString(), text);
  // The object may be connected again.
  ConnectAs(kDbLotusNotes);
  EXPECT_TRUE(access->IsConnected());
}

// A link lost while connecting (the driver manager's call fails) fails the connect naming
// the data source, with the lost link among the diagnostics for the log.
TEST_F(OdbcDatabase, AConnectLosingItsLinkNamesTheDataSource) {
  access->Disconnect();
  access->Connection().SetDatabaseType(kDbLotusNotes);
  {
    os::FaultPlan plan;
    plan.FailPath(os::FaultKind::kOdbc, "SQLConnectW");
    try {
      access->Connect(access->Connection().BuildConnectionString(TestDatabase::kDsn, "user", "pass"));
      FAIL() << "connected";
    } catch (const ODBCConnection::ConnectError& error) {
      EXPECT_STREQ(error.Text(), (std::string("Failed to connect to data source with connection string: DSN=") +
                                  TestDatabase::kDsn + ";Uid=user;Pwd=****;")
                                     .c_str());
      // The driver's own words come with the failure.
      EXPECT_NE(std::string(error.Diagnostics().c_str()).find("[08S01] "), std::string::npos)
          << error.Diagnostics().c_str();
    }
  }
  EXPECT_FALSE(access->IsConnected());
  ConnectAs(kDbLotusNotes);
  EXPECT_TRUE(access->IsConnected());
}

TEST_F(OdbcDatabase, XBaseNeitherConnectsNorFails) {
  Access xbase;
  xbase->Connection().SetDatabaseType(kDbDBaseXBase);
  xbase->Connect("C:\\dbf\\");
  EXPECT_FALSE(xbase->IsConnected());
  EXPECT_TRUE(xbase.log.Contains("Connect - Could not connect need to define USE_XBASE"));
  xbase->Disconnect();
  EXPECT_TRUE(xbase.log.Contains("Disconnect: Xbase not defined!"));
  EXPECT_NO_THROW(xbase->Reader().RunQuery("anything"));
  EXPECT_FALSE(xbase->Reader().GetFirstRecord());
  EXPECT_EQ(xbase->Reader().GetRecordCount(), 0);
  EXPECT_FALSE(xbase->Schema().DoTableExists("Student"));
}

TEST_F(OdbcDatabase, LotusNotesProbes) {
  EXPECT_TRUE(access->Schema().DoTableExists("Student"));
  EXPECT_TRUE(access->Schema().DoTableExists("EmptyTable"));  // that it opens is enough
  EXPECT_FALSE(access->Schema().DoTableExists("NoSuchTable"));
  EXPECT_TRUE(access.log.Contains("Table Exists query:Select COUNT(*) From NoSuchTable"));
  EXPECT_TRUE(access.log.Contains("COM Error Code = "));  // the failure's trace
  EXPECT_TRUE(access->Schema().DoFieldExists("Student", "FirstName"));
  EXPECT_TRUE(access.log.Contains("Field Exists query:SELECT \"FirstName\" FROM \"Student\""));
  EXPECT_TRUE(access.log.Contains("Field Valid."));
  EXPECT_FALSE(access->Schema().DoFieldExists("NoSuchTable", "ID"));
  if (!database->StrictQuotes()) {
    GTEST_FAIL() << "the SQLite extension that rejects double-quoted names of missing columns is not built; "
                    "the missing-column probe would read the name as a string";
  }
  EXPECT_FALSE(access->Schema().DoFieldExists("Student", "NoSuchColumn"));
  EXPECT_TRUE(access.log.Contains("Query Failed."));
}

TEST_F(OdbcDatabase, AProbeAskedAgainAnswersFromMemoryWithItsLinesUntilTheNextConnection) {
  XDateTime::SetFixedNow(XDateTime(XDate::FromYMD(2009, 3, 2), XTime::FromHMS(9, 30, 0)));
  auto execute = [&](const char* sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open_v2(database->Path().c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(handle, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(handle);
  };
  execute("CREATE TABLE IF NOT EXISTS ProbeMemo (ID TEXT)");
  ConnectAs(kDbLotusNotes);
  ODBCSchema& schema = access->Schema();
  access.log.lines.clear();
  EXPECT_TRUE(schema.DoTableExists("ProbeMemo"));
  const std::vector<std::string> tableLines = access.log.lines;
  access.log.lines.clear();
  EXPECT_FALSE(schema.DoTableExists("NoSuchTable"));
  const std::vector<std::string> missingLines = access.log.lines;
  EXPECT_EQ(schema.ProbesRun(), 2u);

  // The table goes; the connection's answers stay, and so do the lines they wrote.
  execute("DROP TABLE ProbeMemo");
  access.log.lines.clear();
  EXPECT_TRUE(schema.DoTableExists("ProbeMemo"));
  EXPECT_EQ(access.log.lines, tableLines);
  access.log.lines.clear();
  EXPECT_FALSE(schema.DoTableExists("NoSuchTable"));
  EXPECT_EQ(access.log.lines, missingLines);
  EXPECT_EQ(schema.ProbesRun(), 2u);
  EXPECT_EQ(schema.ProbesRemembered(), 2u);
  // Another quoting is another probe.
  schema.SetQuoteTables(true);
  EXPECT_FALSE(schema.DoTableExists("ProbeMemo"));
  schema.SetQuoteTables(false);

  // A new connection asks the database again.
  ConnectAs(kDbLotusNotes);
  EXPECT_FALSE(access->Schema().DoTableExists("ProbeMemo"));
  EXPECT_EQ(access->Schema().ProbesRemembered(), 0u);
  XDateTime::ClearFixedNow();
}

TEST_F(OdbcDatabase, MissingFieldsDropOutWhenOptionalAndFailWhenRequired) {
  if (!database->StrictQuotes()) GTEST_FAIL() << "needs the strict double-quote extension (see LotusNotesProbes)";
  ODBCTable* s = access->Query().AddTable("", "Student", "S");
  EXPECT_NE(access->Query().AddField("ID", s, true), nullptr);
  EXPECT_EQ(access->Query().AddField("Nickname", s, false), nullptr);
  EXPECT_TRUE(access.log.Contains("Field does not exist : Nickname in table Student"));
  EXPECT_EQ(access->Query().AddField("LastName", s, true)->position, 1);
  try {
    access->Query().AddField("Shoe", s, true);
    FAIL();
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(), "Required Field does not exist : Shoe in table Student");
  }
  try {
    access->Query().AddTable("", "Staff", "T");
    FAIL();
  } catch (const XException& error) {
    EXPECT_STREQ(error.Text(), "Table does not exist : Staff");
  }
}

TEST_F(OdbcDatabase, SqliteProbes) {
  ConnectAs(kDbSQLite);
  EXPECT_TRUE(access->Schema().DoTableExists("Student"));
  EXPECT_FALSE(access->Schema().DoTableExists("NoSuchTable"));
  EXPECT_TRUE(access->Schema().DoFieldExists("Student", "LastName"));
  EXPECT_TRUE(access->Schema().DoFieldExists("Student", "lastname"));
  EXPECT_FALSE(access->Schema().DoFieldExists("Student", "Last"));
  EXPECT_FALSE(access->Schema().DoFieldExists("NoSuchTable", "ID"));
}

TEST_F(OdbcDatabase, MssqlProbesRunTheirCatalogueQueries) {
  ConnectAs(kDbMSSQL);
  EXPECT_TRUE(access->Schema().DoTableExists("student"));
  EXPECT_TRUE(access.log.Contains("Table Exists query:SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('student')"));
  EXPECT_TRUE(access->Schema().DoTableExists("StudentView"));
  // The catalogue query opens, finds no row: missing.
  EXPECT_FALSE(access->Schema().DoTableExists("sp_Helper"));
  EXPECT_FALSE(access->Schema().DoTableExists("NoSuchTable"));
  EXPECT_TRUE(access->Schema().DoFieldExists("Student", "firstname"));
  EXPECT_TRUE(access.log.Contains("Field Exists query:SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id "
                                  "WHERE UPPER(sysobjects.name) = UPPER('Student') AND UPPER(syscolumns.name) = UPPER('firstname')"));
  EXPECT_TRUE(access.log.Contains("Query RecordCount = 1"));
  EXPECT_FALSE(access->Schema().DoFieldExists("Student", "ViewCol"));
  EXPECT_TRUE(access.log.Contains("Query RecordCount = 0"));
}

TEST_F(OdbcDatabase, ProbeBySelectAndCountChecks) {
  Access bySelect(0x01 | kProbeBySelect);
  bySelect->Connection().SetDatabaseType(kDbLotusNotes);
  bySelect->Connect(bySelect->Connection().BuildConnectionString(TestDatabase::kDsn, nullptr, nullptr));
  bySelect->Connection().SetDatabaseType(kDbMSSQL);  // the templates serve every type
  EXPECT_TRUE(bySelect->Schema().DoTableExists("Student"));
  EXPECT_TRUE(bySelect.log.Contains("Table Exists query:SELECT * FROM Student"));
  EXPECT_TRUE(bySelect->Schema().DoFieldExists("Student", "ID"));
  EXPECT_TRUE(bySelect.log.Contains("Field Exists query:SELECT ID FROM Student"));
  EXPECT_FALSE(bySelect->Schema().DoFieldExists("Student", "Nope"));

  // CA-Datacom counts: an existing but empty table counts as missing.
  ConnectAs(kDbCADatacom);
  EXPECT_TRUE(access->Schema().DoTableExists("Student"));
  EXPECT_FALSE(access->Schema().DoTableExists("EmptyTable"));
  // Types without a probe answer false with their message.
  access->Connection().SetDatabaseType(kDbDB2);
  EXPECT_FALSE(access->Schema().DoTableExists("Student"));
  EXPECT_TRUE(access.log.Contains("DB Type not defined for TableExists yet, feel free to do so."));
  EXPECT_FALSE(access->Schema().DoFieldExists("Student", "ID"));
  EXPECT_TRUE(access.log.Contains("DB Type not defined for FieldExists yet, feel free to do so."));
}

TEST_F(OdbcDatabase, ProbeLeavesTheOpenQueryAlone) {
  ODBCTable* s = access->Query().AddTable("", "Student", "S");
  ODBCField* id = access->Query().AddField("ID", s, true);
  access->Query().AddOrder(id);
  access->RunBuiltQuery();
  ASSERT_TRUE(access->Reader().GetFirstRecord());
  ASSERT_TRUE(access->Reader().GetNextRecord());
  EXPECT_TRUE(access->Schema().DoTableExists("Student"));
  access->Connection().SetDatabaseType(kDbMSSQL);
  EXPECT_TRUE(access->Schema().DoTableExists("Student"));  // counts through its own recordset
  EXPECT_EQ(access->Reader().GetFieldText(id).ToStd(), "S2");
  EXPECT_EQ(access->Reader().GetRecordCount(), 3);
}

TEST_F(OdbcDatabase, RecordMovementAndCount) {
  ODBCTable* s = access->Query().AddTable("", "Student", "S");
  ODBCField* id = access->Query().AddField("ID", s, true);
  access->Query().AddOrder(id);
  EXPECT_NO_THROW(access->RunBuiltQuery());
  EXPECT_EQ(access->Reader().GetRecordCount(), 3);
  std::string ids;
  for (bool more = access->Reader().GetFirstRecord(); more; more = access->Reader().GetNextRecord()) ids += access->Reader().GetFieldText(id).ToStd();
  EXPECT_EQ(ids, "S1S2S3");
  EXPECT_FALSE(access->Reader().GetNextRecord());
  access->CloseQuery();
  EXPECT_FALSE(access->Reader().HasOpenQuery());
  EXPECT_EQ(access->Query().Fields().Count(), 0u);  // closing clears the model

  access->Reader().RunQuery("SELECT ID FROM EmptyTable");
  EXPECT_FALSE(access->Reader().GetFirstRecord());
  EXPECT_EQ(access->Reader().GetRecordCount(), 0);
}

TEST_F(OdbcDatabase, BadQueryCarriesTheDriverDiagnostics) {
  try {
    access->Reader().RunQuery("SELECT NoSuchColumn FROM Student");
    FAIL();
  } catch (const XException& error) {
    std::string text = error.Text();
    EXPECT_EQ(text.rfind("While executing query: Error number: 80004005\t", 0), 0u) << text;
    EXPECT_NE(text.find("no such column"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nCOM Error Code = 80004005, Code Meaning = SQLSTATE "), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nSource = "), std::string::npos) << text;
  }
  EXPECT_TRUE(access.log.Contains("RunQuery: While executing: SELECT NoSuchColumn FROM Student, Error number: "));
}

TEST_F(OdbcDatabase, DateTimeValues) {
  ODBCField* d = ValueOf("D", 1);
  EXPECT_EQ(access->Reader().GetFieldText(d).ToStd(), "2009/03/05 10:11:12");
  EXPECT_EQ(access->Reader().GetFieldDate(d), XDate::FromYMD(2009, 3, 5));
  EXPECT_EQ(access->Reader().GetFieldTime(d), XTime::FromHMS(10, 11, 12));
  XDateTime value = access->Reader().GetFieldDateTime(d);
  EXPECT_EQ(value.Date(), XDate::FromYMD(2009, 3, 5));
  EXPECT_EQ(value.Time(), XTime::FromHMS(10, 11, 12));

  d = ValueOf("D", 2);  // a date without time
  EXPECT_EQ(access->Reader().GetFieldText(d).ToStd(), "2009/03/05 00:00:00");
  EXPECT_EQ(access->Reader().GetFieldTime(d), 0);

  d = ValueOf("D", 4);  // 1900-01-01 is "no date" for reader 18 only
  EXPECT_EQ(access->Reader().GetFieldDate(d), 109573);
  EXPECT_EQ(access->Reader().GetFieldDate1900None(d), -1);

  d = ValueOf("D", 3);  // NULL
  EXPECT_EQ(access->Reader().GetFieldText(d).ToStd(), "");
  EXPECT_TRUE(access->Reader().GetFieldIsNull(d));
  EXPECT_EQ(access->Reader().GetFieldDate(d), -1);
  EXPECT_EQ(access->Reader().GetFieldTime(d), -1);
  EXPECT_FALSE(access->Reader().GetFieldDateTime(d).IsValid());
  EXPECT_EQ(access->Reader().GetFieldInteger(d), 0);
}

TEST_F(OdbcDatabase, RealValues) {
  ODBCField* r = ValueOf("R", 1);
  EXPECT_EQ(access->Reader().GetFieldText(r).ToStd(), "12.34");
  EXPECT_EQ(access->Reader().GetFieldInteger(r), 12);
  EXPECT_DOUBLE_EQ(access->Reader().GetFieldDouble(r), 12.34);
  EXPECT_FLOAT_EQ(access->Reader().GetFieldFloat(r), 12.34f);
  EXPECT_TRUE(access->Reader().GetFieldBool(r));
  EXPECT_FALSE(access->Reader().GetFieldIsNull(r));
  r = ValueOf("R", 2);
  EXPECT_EQ(access->Reader().GetFieldText(r).ToStd(), "100");
  EXPECT_EQ(access->Reader().GetFieldLong(r), 100);
  r = ValueOf("R", 3);
  EXPECT_EQ(access->Reader().GetFieldText(r).ToStd(), "-0.5");
  EXPECT_EQ(access->Reader().GetFieldInteger(r), 0);  // truncated toward zero
  r = ValueOf("R", 4);
  EXPECT_EQ(access->Reader().GetFieldText(r).ToStd(), "0");
  EXPECT_FALSE(access->Reader().GetFieldBool(r));
  EXPECT_EQ(access->Reader().GetFieldBoolText(r).ToStd(), "0");
}

TEST_F(OdbcDatabase, TextValues) {
  ODBCField* t = ValueOf("T", 1);  // "  A<TAB>B "
  EXPECT_EQ(access->Reader().GetFieldText(t).ToStd(), "  A\tB ");
  EXPECT_EQ(access->Reader().GetFieldTrimmed(t).ToStd(), "AB");
  EXPECT_EQ(Bytes(access->Reader().GetFieldBytes(t)), "  A\tB ");
  t = ValueOf("T", 2);  // A CR LF B
  EXPECT_EQ(access->Reader().GetFieldText(t).ToStd(), "A\r\nB");
  EXPECT_EQ(access->Reader().GetFieldClean(t).ToStd(), "A  B");
  EXPECT_EQ(access->Reader().GetFieldCleanZeroBlank(t).ToStd(), "A  B");
  t = ValueOf("T", 4);  // Windows-1252: e acute, en dash, curly quotes
  EXPECT_EQ(access->Reader().GetFieldText(t).ToStd(), "caf\xE9 \x96 \x93q\x94");
  t = ValueOf("T", 5);
  EXPECT_EQ(access->Reader().GetFieldZeroBlank(t).ToStd(), "");
  EXPECT_EQ(access->Reader().GetFieldCleanZeroBlank(t).ToStd(), "");
  EXPECT_EQ(access->Reader().GetFieldInteger(t), 0);
  EXPECT_FALSE(access->Reader().GetFieldBool(t));
  t = ValueOf("T", 7);
  EXPECT_EQ(access->Reader().GetFieldZeroBlank(t).ToStd(), "00");
  t = ValueOf("T", 6);
  EXPECT_EQ(access->Reader().GetFieldNABlank(t).ToStd(), "");
  EXPECT_EQ(access->Reader().GetFieldZeroBlank(t).ToStd(), "N/A");
  EXPECT_TRUE(access->Reader().GetFieldBool(t));
  t = ValueOf("T", 3);  // NULL
  EXPECT_TRUE(access->Reader().GetFieldIsNull(t));
  EXPECT_EQ(access->Reader().GetFieldText(t).ToStd(), "");
  EXPECT_TRUE(access->Reader().GetFieldBytes(t).empty());
}

TEST_F(OdbcDatabase, ReadersWithoutHandleOrPosition) {
  ValueOf("K", 1);
  EXPECT_EQ(access->Reader().GetFieldText(nullptr).ToStd(), "");
  EXPECT_EQ(access->Reader().GetFieldDate(nullptr), -1);
  EXPECT_EQ(access->Reader().GetFieldTime(nullptr), -1);
  EXPECT_EQ(access->Reader().GetFieldInteger(nullptr), 0);
  EXPECT_TRUE(access->Reader().GetFieldIsNull(nullptr));
  EXPECT_FALSE(access->Reader().GetFieldBool(nullptr));
  EXPECT_TRUE(access->Reader().GetFieldBytes(nullptr).empty());

  // A handle whose position is past the select list: the read fails with the field status.
  ODBCTable stray("", "Vals", "V");
  ODBCField beyond(&stray, "Nowhere", 9);
  try {
    access->Reader().GetFieldText(&beyond);
    FAIL();
  } catch (const XException& error) {
    EXPECT_NE(std::string(error.Text()).find("COM Error Code = 800a0cc1"), std::string::npos) << error.Text();
    EXPECT_NE(std::string(error.Text()).find(" Field Status: adFieldDoesNotExist - "), std::string::npos) << error.Text();
    EXPECT_EQ(error.Code(), 16);
  }
}

TEST_F(OdbcDatabase, FieldsByNameAndTableDefinitions) {
  Access byName(0x01 | kFieldsByName);
  byName->Connection().SetDatabaseType(kDbLotusNotes);
  byName->Connect(byName->Connection().BuildConnectionString(TestDatabase::kDsn, nullptr, nullptr));
  ODBCTable* s = byName->Query().AddTable("", "Student", "S");
  ODBCField* last = byName->Query().AddField("LastName", s, true);
  byName->Query().AddOrder(last);
  // The select list order differs from what the handles' positions say.
  byName->Reader().RunQuery("SELECT S.ID, S.LastName FROM Student S ORDER BY S.LastName");
  ASSERT_TRUE(byName->Reader().GetFirstRecord());
  EXPECT_EQ(byName->Reader().GetFieldText(last).ToStd(), "Arbor");
  byName->CloseQuery();

  byName->DumpTableDefinition("Student");
  EXPECT_TRUE(byName.log.Contains("Student contents:"));
  EXPECT_TRUE(byName.log.Contains("BirthDate - DBTimeStamp"));
  EXPECT_FALSE(byName->Reader().HasOpenQuery());

  testsupport::TempDir folder;
  byName->Schema().SetDataFolder(folder.Path());
  byName.log.lines.clear();
  byName->Schema().DumpTableDefs("Student");
  EXPECT_TRUE(byName.log.Contains("FirstName"));
  EXPECT_TRUE(byName.log.Contains("BirthDate"));
  EXPECT_NE(testsupport::ReadAll(folder.File("TableDefs.txt")).find("Connected to data source."), std::string::npos);
  EXPECT_TRUE(byName->IsConnected());
}

TEST(OdbcNames, TypeNamesAndFieldStatuses) {
  EXPECT_STREQ(ODBCRecordReader::DataTypeName(16), "TinyInt");
  EXPECT_STREQ(ODBCRecordReader::DataTypeName(7), "Date");
  EXPECT_STREQ(ODBCRecordReader::DataTypeName(20), "Big Int");
  EXPECT_STREQ(ODBCRecordReader::DataTypeName(0x2000), "Array");
  EXPECT_STREQ(ODBCRecordReader::DataTypeName(99), "UNKNOWN!");
  EXPECT_STREQ(ODBCRecordReader::FieldStatusText(3),
               "adFieldIsNull - The provider returned a VARIANT value of type VT_NULL and that the field is not empty.");
  EXPECT_STREQ(ODBCRecordReader::FieldStatusText(2),
               "adFieldCantConvertValue - The field cannot be retrieved or stored without loss of data.");
  EXPECT_STREQ(ODBCRecordReader::FieldStatusText(1), "Undefined field status.");
  for (int32_t status : {0, 4, 13, 26, 0x10000, 0x100000}) {
    EXPECT_NE(std::string(ODBCRecordReader::FieldStatusText(status)).find("adField"), std::string::npos);
  }
}

TEST(OdbcConversions, DateTextIsWhatThePatternFormatterGives) {
  // Dates are written without the pattern formatter; the text must not differ from it, from
  // the earliest day through times a millisecond from midnight to years of five digits.
  const double samples[] = {0.0,        1.5,          2.0,         -1.25,         -109572.0,  -109571.75,
                            39877.4244, 39877.999999, 39877.99999999, 46254.0,  2958465.5,  3000000.25,
                            1e-9,       -0.5,         100000.123456, 12345.678};
  for (double ole : samples) {
    EXPECT_EQ(ODBCRecordReader::VariantToText(ado::Variant::Date(ole)).ToStd(),
              XDateTime::FromOleDate(ole).Format("YYYY/MM/DD HH:NN:SS").ToStd())
        << ole;
  }
  for (int step = 0; step < 20000; ++step) {
    const double ole = -100000.0 + step * 17.0371;
    ASSERT_EQ(ODBCRecordReader::VariantToText(ado::Variant::Date(ole)).ToStd(),
              XDateTime::FromOleDate(ole).Format("YYYY/MM/DD HH:NN:SS").ToStd())
        << ole;
  }
  EXPECT_EQ(ODBCRecordReader::VariantToText(ado::Variant::Date(0.0)).ToStd(), "") << "no date";
}

// What the reals' text was defined as: "%.4f" through the C library, trailing zeros and point
// dropped. The writer computes it from the binary fraction instead; every digit must agree.
std::string PrintedReal(double value) {
  char text[64];
  int n = std::snprintf(text, sizeof text, "%.4f", value);
  std::string printed(text, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof text - 1));
  while (!printed.empty() && printed.back() == '0') printed.pop_back();
  while (!printed.empty() && printed.back() == '.') printed.pop_back();
  return printed;
}

TEST(OdbcConversions, RealTextIsWhatPrintfGives) {
  const double samples[] = {0.0,      -0.0,        85.1,        -85.1,      92.35,     0.1,
                            0.00004999, 0.00005001, -0.00001,   0.03125,    1.03125,   -2.96875,
                            0.99995,  9.99995,     123456.78905, 99999999999999.0, 99999999999999.99,
                            1e14,     -1e14,       1e300,       5e-324,     1e-5,      4503599627370495.5,
                            std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
  for (double value : samples) {
    EXPECT_EQ(ODBCRecordReader::VariantToText(ado::Variant::R8(value)).ToStd(), PrintedReal(value)) << value;
  }
  // Grades, percentages and amounts as a SIS stores them, and values around every rounding
  // boundary of the fourth place.
  uint64_t state = 12345;
  for (int step = 0; step < 200000; ++step) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    const double hundredths = static_cast<double>(state >> 44) / 100.0;
    const double nearBoundary = (static_cast<double>(state >> 40) + 0.5) / 10000.0 +
                                static_cast<double>(static_cast<int>(state % 7) - 3) * 1e-12;
    const double wide = std::ldexp(static_cast<double>(state >> 11), static_cast<int>(state % 90) - 80);
    for (double value : {hundredths, -hundredths, nearBoundary, wide, static_cast<double>(static_cast<float>(hundredths))}) {
      ASSERT_EQ(ODBCRecordReader::VariantToText(ado::Variant::R8(value)).ToStd(), PrintedReal(value)) << value;
    }
  }
  EXPECT_EQ(ODBCRecordReader::VariantToText(ado::Variant::R4(85.1f)).ToStd(), PrintedReal(static_cast<double>(85.1f)));
}

TEST(OdbcConversions, VariantsOfEveryKind) {
  using ado::Variant;
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::Bool(true)).ToStd(), "True");
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::R8(2.5)).ToStd(), "2.5");
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::R4(3.0f)).ToStd(), "3");
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::I8(-9000000000LL)).ToStd(), "-9000000000");
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::Null()).ToStd(), "");
  ado::Decimal decimal;
  ASSERT_TRUE(ado::Decimal::Parse("-123.4500", 9, decimal));
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::Dec(decimal)).ToStd(), "-123.45");
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::Dec(decimal)), -123);
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::Date(1.5)).ToStd(), "1899/12/31 12:00:00");
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::Str("42")), 42);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::Str("-42")), 0);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::Str("")), 0);
  EXPECT_DOUBLE_EQ(ODBCRecordReader::VariantToDouble(Variant::Str("3.25")), 3.25);
  EXPECT_DOUBLE_EQ(ODBCRecordReader::VariantToDouble(Variant::Str("3.2.5")), 0.0);
  EXPECT_TRUE(ODBCRecordReader::VariantToBool(Variant::Str("x")));
  EXPECT_FALSE(ODBCRecordReader::VariantToBool(Variant::Str("0")));
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::Bool(true)), 1);
  // An unsigned BIGINT from 2^63 on: its text is unsigned, not a negative number.
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::UI8(18446744073709551615ULL)).ToStd(), "18446744073709551615");
  EXPECT_EQ(ODBCRecordReader::VariantToText(Variant::UI8(9223372036854775808ULL)).ToStd(), "9223372036854775808");
  EXPECT_DOUBLE_EQ(ODBCRecordReader::VariantToDouble(Variant::UI8(9223372036854775808ULL)), 9223372036854775808.0);
  EXPECT_TRUE(ODBCRecordReader::VariantToBool(Variant::UI8(1ULL << 63)));
}

TEST(OdbcConversions, RealsBeyondTheIntegerRangeAreClamped) {
  using ado::Variant;
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R8(1e300)), INT64_MAX);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R8(-1e300)), INT64_MIN);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R8(9223372036854775808.0)), INT64_MAX);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R8(std::numeric_limits<double>::infinity())), INT64_MAX);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R8(std::nan(""))), 0);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R4(-3e38f)), INT64_MIN);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::R8(-2.9)), -2);
  EXPECT_EQ(ODBCRecordReader::VariantToInteger(Variant::Str("99999999999999999999999")), INT64_MAX);
}

TEST_F(OdbcDatabase, APasswordCannotAddAKeyOfItsOwn) {
  // The SQLite driver ignores passwords: the connection opens exactly when the driver manager
  // took the data source's own driver and not a library named inside the password.
  access->Disconnect();
  access->Connection().SetDatabaseType(kDbLotusNotes);
  std::string all;
  for (char c = ' '; c <= '~'; ++c) all += c;
  for (std::string password : {std::string("x;DRIVER=/nonexistent/libqvevil.so"), std::string("x};DRIVER={/nonexistent/libqvevil.so"), all}) {
    XString text = access->Connection().BuildConnectionString(TestDatabase::kDsn, "user", password.c_str());
    EXPECT_NO_THROW(access->Connect(text)) << password;
    EXPECT_TRUE(access->IsConnected()) << password;
    EXPECT_EQ(access.log.Contains(password), false) << "the log shows the password";
    access->Disconnect();
  }
}

// A result larger than what a recordset holds at once is fetched as the records are read: a
// fetch that fails on the way ends the reading with the error, never as a shorter result; the
// database counts such a result without computing its values, and reading it still fails.
TEST_F(OdbcDatabase, AFetchFailingInTheMiddleOfALargeResultIsAnError) {
  // About 300,000 rows of 60 bytes, well past the bytes held at once; abs() of the smallest
  // integer fails when the row near the end is stepped to.
  const char* sql =
      "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 300000) "
      "SELECT n, printf('%.50c', 'x') AS pad, CASE WHEN n = 299000 THEN abs(-9223372036854775807 - 1) ELSE 0 END AS bad "
      "FROM c";
  ASSERT_NO_THROW(access->Reader().RunQuery(sql));
  int read = 0;
  try {
    for (bool more = access->Reader().GetFirstRecord(); more; more = access->Reader().GetNextRecord()) ++read;
    FAIL() << "the records ended after " << read;
  } catch (const XException& error) {
    EXPECT_EQ(std::string(error.Text()).rfind("While reading the records of the query: ", 0), 0u) << error.Text();
    EXPECT_NE(std::string(error.Text()).find("integer overflow"), std::string::npos) << error.Text();
  }
  EXPECT_GT(read, 100000);
  EXPECT_LT(read, 299000);

  access->Reader().RunQuery(sql);
  EXPECT_EQ(access->Reader().GetRecordCount(), 300000);
  EXPECT_THROW(
      {
        for (bool more = access->Reader().GetFirstRecord(); more; more = access->Reader().GetNextRecord()) {
        }
      },
      XException);

  // Without the failing row the same size reads whole, counted first as the extraction does.
  access->Reader().RunQuery(
      "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 300000) "
      "SELECT n, printf('%.50c', 'x') AS pad FROM c");
  EXPECT_EQ(access->Reader().GetRecordCount(), 300000);
  read = 0;
  for (bool more = access->Reader().GetFirstRecord(); more; more = access->Reader().GetNextRecord()) ++read;
  EXPECT_EQ(read, 300000);
  EXPECT_FALSE(access->Reader().GetNextRecord());
}
