// The demo database seen as the system sees it: through unixODBC and the SQLite ODBC driver,
// with the strict-names extension loaded by the data source, and registered by the set-up
// script.
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/TempDir.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

// One ODBC connection; every call checked here, diagnostics kept as text.
class Odbc {
 public:
  explicit Odbc(const std::string& connectionString) {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(
        m_dbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
        SQL_NTS, out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    m_connected = SQL_SUCCEEDED(rc);
    if (!m_connected) m_error = Diagnostics(SQL_HANDLE_DBC, m_dbc);
  }
  ~Odbc() {
    if (m_connected) SQLDisconnect(m_dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, m_env);
  }
  bool Connected() const { return m_connected; }
  const std::string& Error() const { return m_error; }

  // Runs a query and returns its rows, each cell as text ("<NULL>" for NULL); false with
  // Error() when the driver refuses it.
  bool Query(const std::string& sql, std::vector<std::vector<std::string>>& rows,
             std::vector<SQLSMALLINT>* types = nullptr) {
    rows.clear();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &stmt);
    const SQLRETURN rc =
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
    if (!SQL_SUCCEEDED(rc)) {
      m_error = Diagnostics(SQL_HANDLE_STMT, stmt);
      SQLFreeHandle(SQL_HANDLE_STMT, stmt);
      return false;
    }
    SQLSMALLINT columns = 0;
    SQLNumResultCols(stmt, &columns);
    if (types) {
      types->clear();
      for (SQLUSMALLINT c = 1; c <= columns; ++c) {
        SQLCHAR name[256];
        SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &type, &size, &digits, &nullable);
        types->push_back(type);
      }
    }
    while (SQL_SUCCEEDED(SQLFetch(stmt))) {
      std::vector<std::string> row;
      for (SQLUSMALLINT c = 1; c <= columns; ++c) {
        char buffer[4096];
        SQLLEN length = 0;
        SQLGetData(stmt, c, SQL_C_CHAR, buffer, sizeof buffer, &length);
        row.push_back(length == SQL_NULL_DATA ? "<NULL>" : std::string(buffer, length));
      }
      rows.push_back(row);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return true;
  }

  // The single value of a one-row, one-column query, or "<ERROR>".
  std::string Value(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    if (!Query(sql, rows) || rows.size() != 1 || rows[0].size() != 1) return "<ERROR>";
    return rows[0][0];
  }

 private:
  static std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    SQLCHAR state[6], message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQL_SUCCEEDED(SQLGetDiagRec(type, handle, i, state, &native, message,
                                                        sizeof message, &length));
         ++i)
      text += std::string(reinterpret_cast<char*>(message)) + "\n";
    return text;
  }

  SQLHENV m_env = SQL_NULL_HENV;
  SQLHDBC m_dbc = SQL_NULL_HDBC;
  bool m_connected = false;
  std::string m_error;
};

std::string ConnectionString(const std::string& database, bool strict = true) {
  std::string s = "Driver=SQLite3;Database=" + database + ";StepAPI=1;";
  if (strict) s += "LoadExt=" QV_SISDQS_MODULE ";";
  return s;
}

std::string Tiny(const testsupport::TempDir& dir, std::vector<std::string> without = {}) {
  demosis::DemoOptions o;
  o.out = dir.File(without.empty() ? "tiny.db" : "variant.db");
  o.tiny = true;
  o.without = std::move(without);
  demosis::GenerateDemoDatabase(o);
  return o.out;
}

TEST(DemoOdbc, QuotedNamesThatMatchNoColumnFailOnlyWithTheExtension) {
  testsupport::TempDir dir;
  const std::string db = Tiny(dir);
  std::vector<std::vector<std::string>> rows;
  {
    // Plain SQLite reads the unknown quoted name as a string literal: the probe would succeed.
    Odbc loose(ConnectionString(db, false));
    ASSERT_TRUE(loose.Connected()) << loose.Error();
    EXPECT_TRUE(loose.Query("SELECT \"NoSuchColumn\" FROM \"Student\"", rows));
  }
  Odbc strict(ConnectionString(db));
  ASSERT_TRUE(strict.Connected()) << strict.Error();
  EXPECT_FALSE(strict.Query("SELECT \"NoSuchColumn\" FROM \"Student\"", rows));
  EXPECT_NE(std::string::npos, strict.Error().find("no such column")) << strict.Error();
  ASSERT_TRUE(strict.Query("SELECT \"ID\" FROM \"Student\"", rows)) << strict.Error();
  EXPECT_EQ(8u, rows.size());
  // Single-quoted literals still work, as the extracts' conditions need them.
  EXPECT_EQ("3", strict.Value("SELECT COUNT(*) FROM \"Student\" S WHERE S.\"Inactive\" = 'No' "
                              "AND S.\"BuildingNum\" = '101'"));
}

TEST(DemoOdbc, FieldProbesSeeTheColumnsOfEachVariant) {
  testsupport::TempDir dir;
  const std::string full = Tiny(dir);
  const std::string variant = Tiny(dir, {"Student.Pager", "Student.SpEdCode",
                                         "StudentClass.ClassNum", "Event.Count",
                                         "Discipline_Record.Violation"});
  // A sample of the columns the extracts read, table by table, in the probe form the engine
  // uses for this data source.
  const std::vector<std::pair<const char*, const char*>> present = {
      {"System_Profile", "BuildingNum"}, {"System_Profile", "LastDay_6"},
      {"System_Profile", "Bell_2"},      {"System_Profile", "GradingPeriod"},
      {"Student", "SpEdCode2"},          {"Student", "RelPhone_4"},
      {"Student", "MWorkExt"},           {"Medical_Note", "AComment"},
      {"Immunization", "A_D"},           {"Immunization", "tbR3"},
      {"StudentClass", "SubjectName"},   {"StudentClass", "GradePointsEarned_Test"},
      {"Discipline_Record", "NotTime"},  {"Discipline_Record", "ToSuspension"},
      {"Event", "AMPMAllDay"},           {"Personnel", "PersonnelDisplay"},
      {"Personnel", "GuardianEmail"},    {"Absence", "Period"}};
  const std::vector<std::pair<const char*, const char*>> dropped = {
      {"Student", "Pager"}, {"Student", "SpEdCode"}, {"StudentClass", "ClassNum"},
      {"Event", "Count"}, {"Discipline_Record", "Violation"}};
  Odbc a(ConnectionString(full)), b(ConnectionString(variant));
  ASSERT_TRUE(a.Connected() && b.Connected()) << a.Error() << b.Error();
  std::vector<std::vector<std::string>> rows;
  auto probe = [&rows](Odbc& odbc, const char* table, const char* column) {
    return odbc.Query(std::string("SELECT \"") + column + "\" FROM \"" + table + "\"", rows);
  };
  for (const auto& [table, column] : present) {
    EXPECT_TRUE(probe(a, table, column)) << table << "." << column << " " << a.Error();
    EXPECT_TRUE(probe(b, table, column)) << table << "." << column << " " << b.Error();
  }
  for (const auto& [table, column] : dropped) {
    EXPECT_TRUE(probe(a, table, column)) << table << "." << column << " " << a.Error();
    EXPECT_FALSE(probe(b, table, column)) << table << "." << column;
  }
}

TEST(DemoOdbc, DriverReportsDatesAsTimestampsThatCompareWithDateLiterals) {
  testsupport::TempDir dir;
  Odbc odbc(ConnectionString(Tiny(dir)));
  ASSERT_TRUE(odbc.Connected()) << odbc.Error();
  std::vector<std::vector<std::string>> rows;
  std::vector<SQLSMALLINT> types;
  ASSERT_TRUE(odbc.Query("SELECT \"DOB\", \"ClassRank\", \"LN\" FROM \"Student\" WHERE \"ID\" = "
                         "'1001'",
                         rows, &types))
      << odbc.Error();
  ASSERT_EQ(3u, types.size());
  EXPECT_EQ(SQL_TYPE_TIMESTAMP, types[0]);
  EXPECT_EQ(SQL_INTEGER, types[1]);
  EXPECT_TRUE(types[2] == SQL_LONGVARCHAR || types[2] == SQL_VARCHAR) << types[2];
  ASSERT_EQ(1u, rows.size());
  EXPECT_EQ("15", rows[0][1]);
  EXPECT_EQ("Garc\xC3\xAD" "a-L\xC3\xB3pez", rows[0][2]);  // UTF-8 as stored
  ASSERT_TRUE(odbc.Query("SELECT \"Count\" FROM \"Event\" WHERE \"DateOut\" = '2008-09-03'", rows,
                         &types));
  EXPECT_TRUE(types[0] == SQL_DOUBLE || types[0] == SQL_FLOAT || types[0] == SQL_REAL) << types[0];
  // A window that ends on a record's day includes it, as on a real SIS.
  EXPECT_EQ("1", odbc.Value("SELECT COUNT(*) FROM \"Absence\" A WHERE A.\"Date\" >= '2008-08-21' "
                            "AND A.\"Date\" <= '2008-08-21'"));
}

// The set-up script writes the data source into the user file that unixODBC reads, replacing
// its own section and keeping the others; the system then connects by name.
TEST(DemoOdbc, SetUpScriptRegistersTheDataSourceIdempotently) {
  const char* source = std::getenv("QV_SOURCE_DIR");
  const char* binary = std::getenv("QV_BINARY_DIR");
  ASSERT_TRUE(source && binary) << "run through ctest";
  testsupport::TempDir dir;
  const std::string ini = dir.File("odbc.ini");
  testsupport::WriteAll(ini, "[Other]\nDriver=SQLite3\nDatabase=/nowhere.db\n\n"
                             "[qvdemotest]\nDriver=Stale\nDatabase=/old.db\n\n"
                             "[Last]\nDriver=SQLite3\n");
  const std::string script = std::string(source) + "/scripts/demo-sis.sh";
  const std::string out = dir.File("demo.db");
  const std::string command = "ODBCINI='" + ini + "' '" + script + "' --build-dir '" + binary +
                              "' --out '" + out + "' --dsn QvDemoTest --students 40 --seed 9 "
                              "--year-start 2008-08-20 >'" + dir.File("log.txt") + "' 2>&1";
  ASSERT_EQ(0, std::system(command.c_str())) << testsupport::ReadAll(dir.File("log.txt"));
  ASSERT_EQ(0, std::system(command.c_str())) << testsupport::ReadAll(dir.File("log.txt"));

  const std::string text = testsupport::ReadAll(ini);
  EXPECT_EQ(0u, text.find("[Other]\nDriver=SQLite3\nDatabase=/nowhere.db\n\n[Last]\n"));
  EXPECT_EQ(std::string::npos, text.find("Stale"));
  EXPECT_EQ(std::string::npos, text.find("[qvdemotest]"));
  const size_t section = text.find("[QvDemoTest]\n");
  ASSERT_NE(std::string::npos, section) << text;
  EXPECT_EQ(std::string::npos, text.find("[QvDemoTest]", section + 1)) << text;
  const std::string body = text.substr(section);
  for (const std::string& line : {std::string("Driver=SQLite3\n"), "Database=" + out + "\n", std::string("StepAPI=1\n"),
                                  std::string("LoadExt=") + QV_SISDQS_MODULE + "\n"})
    EXPECT_NE(std::string::npos, body.find(line)) << line << " in\n" << body;

  // Connect by name, as the system does, with unixODBC reading this file.
  setenv("ODBCINI", ini.c_str(), 1);
  {
    Odbc odbc("DSN=QvDemoTest;");
    ASSERT_TRUE(odbc.Connected()) << odbc.Error();
    EXPECT_EQ("40", odbc.Value("SELECT COUNT(*) FROM \"Student\""));
    std::vector<std::vector<std::string>> rows;
    EXPECT_FALSE(odbc.Query("SELECT \"NoSuchColumn\" FROM \"Student\"", rows));
  }
  unsetenv("ODBCINI");
}

}  // namespace
