#include "data/DatabaseType.h"

#include <cstring>
#include <string>

namespace {

using enum ConnectionForm;
using enum CredentialForm;
using enum ProbeCheck;
using enum DateForm;

constexpr ProbePattern kNoProbePattern = {kNoProbe, nullptr, nullptr};
constexpr ConnectionPattern kNoConnection = {kNoConnectionString, "", "", kNoCredentials, nullptr, nullptr, "", nullptr};
// The catalogue queries of the SQL Server family.
constexpr const char* kSysColumnsProbe =
    "SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id "
    "WHERE UPPER(sysobjects.name) = UPPER('{t}') AND UPPER(syscolumns.name) = UPPER('{f}')";
constexpr const char* kOracleTableProbe =
    "SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('{t}')";
constexpr const char* kOracleFieldProbe =
    "SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('{t}') AND UPPER(column_name) = UPPER('{f}')";
constexpr DatePattern kIsoDate = {kDatePattern, "'", "YYYY-MM-DD", "'"};
constexpr DatePattern kIsoDateLower = {kDatePattern, "'", "yyyy-mm-dd", "'"};
// SQL Server reads 'YYYY-MM-DD' as year-day-month for datetime columns when the login's
// language orders day before month; the unseparated form reads the same under every language.
constexpr DatePattern kSqlServerDate = {kDatePattern, "'", "YYYYMMDD", "'"};
constexpr DatePattern kOracleDate = {kDatePattern, "TO_DATE( ", "'YYYYMMDD'", ", 'YYYYMMDD' )"};

// Indexed by DatabaseType.
constexpr DatabaseTypeInfo kRows[] = {
    // kDbNone
    {"",
     {kTypeNotSet, "", "", kNoCredentials, nullptr, nullptr, "", nullptr},
     kNoProbePattern,
     kNoProbePattern,
     {kNoDateLiteral, nullptr, nullptr, nullptr},
     0},
    // kDbDBaseODBC
    {"dBase IV (ODBC)",
     {kDataFolder, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=", "", kNoCredentials, nullptr, nullptr,
      ";Extended Properties=dBASE IV;", nullptr},
     {kOpens, "SELECT * FROM {t}", nullptr},
     {kOpens, "SELECT {f} FROM {t}", nullptr},
     {kDatePattern, "#", "DD-MMM-YYYY", "#"},
     0},
    // kDbDBaseXBase
    {"dBase IV (XBase)",
     {kDataSource, "", "", kNoCredentials, nullptr, nullptr, "", "dBase IV (XBase)"},
     kNoProbePattern,  // never asked: direct file access has no probes
     kNoProbePattern,
     {kPackageDatePattern, nullptr, nullptr, nullptr},
     kDirectFileAccess},
    // kDbFoxProODBC
    {"FoxPro (ODBC)",
     {kDataSource, "Persist Security Info=False;Data Source=", ";Collating Sequence=machine", kWhenGiven,
      ";User ID=", ";Password=", ";", nullptr},
     {kOpens, "SELECT * FROM {t}", nullptr},
     {kOpens, "SELECT {f} FROM {t}", nullptr},
     {kDatePattern, "{^", "YYYY/MM/DD", "}"},
     0},
    // kDbFoxProDBF
    {"FoxPro (DBF)",
     {kDataSource, "Provider=VFPOLEDB.1;Data Source=", ";Collating Sequence=MACHINE", kNoCredentials, nullptr,
      nullptr, "", "Build Connection String: Fox Pro DBF Driver"},
     {kOpens, "SELECT COUNT(*) FROM {t}", nullptr},
     {kOpens, "SELECT COUNT({f}) FROM {t}", nullptr},
     {kDatePattern, "{^", "YYYY/MM/DD", "}"},
     0},
    // kDbMSSQL
    {"MSSQL",
     {kDsnAndDatabase, "Provider=MSDASQL;Persist Security Info=False;Data Source=", "", kUserOrIntegrated,
      ";User ID=", ";Password=", ";", nullptr},
     {kHasRecords, "SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('{t}')",
      nullptr},
     {kHasRecords, kSysColumnsProbe, nullptr},
     kSqlServerDate,
     kNoLockHint},
    // kDbMySQL
    {"MySQL",
     {kDataSource, "Data Source=", "", kAlways, ";User Id=", ";Password=", ";", nullptr},
     {kHasRecords, "SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = '{t}')", nullptr},
     {kHasRecords,
      "SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = '{t}' AND column_name = '{f}')",
      nullptr},
     kIsoDateLower,
     0},
    // kDbSQLite: the catalogue queries open whether or not the table is there, so the row
    // decides; SQLite's column names compare without case.
    {"SQLite",
     {kDataSource, "Database=", "", kNoCredentials, nullptr, nullptr, "", nullptr},
     {kHasRecords, "SELECT * FROM sqlite_master WHERE type='table' AND name='{t}'", nullptr},
     {kHasRecords, "SELECT name FROM pragma_table_info('{t}') WHERE name = '{f}' COLLATE NOCASE", nullptr},
     kIsoDateLower,
     0},
    // kDbDB2
    {"DB2",
     {kFixedText, "DB2OLEDB", "", kNoCredentials, nullptr, nullptr, "", nullptr},
     kNoProbePattern,
     kNoProbePattern,
     kIsoDateLower,
     0},
    // kDbAccess: without the right to read the system table, counting the table's rows decides.
    {"Access",
     {kDataSource, "Persist Security Info=False;Data Source=", "", kWhenGiven, ";User ID=", ";Password=", "",
      nullptr},
     {kHasRecords, "SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='{t}'", "Select COUNT(*) From {qt}"},
     {kHasRecords, "Select COUNT({qf}) From {qt}", nullptr},
     {kDatePattern, "#", "DD-MMM-YYYY", "#"},
     0},
    // kDbPostgres: the catalogue compares the table name as a string literal. An empty user
    // name or password is left out: it would replace the data source's own with nothing.
    {"Postgres",
     {kDataSource, "DSN=", "", kWhenNotEmpty, ";UID=", ";PWD=", "", nullptr},
     {kHasRecords, "SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = {lt}", nullptr},
     {kHasRecords,
      "SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = {lt} AND pg_class.oid = attrelid  "
      "AND attnum > 0 AND attname='{ef}'",
      nullptr},
     {kDatePattern, "", "'MM/DD/YYYY'", ""},
     kQuoteAliases},
    // kDbOracleODBC
    {"Oracle (ODBC)",
     {kDataSource, "Data Source=", "", kWhenGiven, ";User ID=", ";Password=", ";Persist Security Info=True;",
      nullptr},
     {kHasRecords, kOracleTableProbe, nullptr},
     {kHasRecords, kOracleFieldProbe, nullptr},
     kOracleDate,
     0},
    // kDbOracleOLE
    {"Oracle (OLE)",
     {kDataSource, "Provider=OraOLEDB.Oracle;Data Source=", "", kWhenGiven, ";User ID=", ";Password=",
      ";Persist Security Info=True;", nullptr},
     {kHasRecords, kOracleTableProbe, nullptr},
     {kHasRecords, kOracleFieldProbe, nullptr},
     kOracleDate,
     0},
    // kDbOracleMSDAORA
    {"Oracle Microsoft OLE (MSDAORA)",
     {kDataSource, "Provider=MSDAORA;Data Source=", "", kWhenGiven, ";User ID=", ";Password=",
      ";Persist Security Info=True;", nullptr},
     {kHasRecords, kOracleTableProbe, nullptr},
     {kHasRecords, kOracleFieldProbe, nullptr},
     kOracleDate,
     0},
    // kDbSybaseOLE
    {"Sybase (OLE)",
     {kDataSource, "Provider=Sybase ASE OLE DB Provider;Data source=", "", kWhenGiven, ";User Id=", ";Password=",
      ";", nullptr},
     {kOpens, "SELECT COUNT(*) FROM {t}", nullptr},
     {kOpens, "SELECT {f} FROM {t}", nullptr},
     kIsoDate,
     0},
    // kDbSybaseODBC
    {"Sybase ODBC",
     {kDataSource, "DSN=", "", kWhenGiven, ";UID=", ";PWD=", ";", nullptr},
     {kHasRecords, "SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('{t}')",
      nullptr},
     {kHasRecords, kSysColumnsProbe, nullptr},
     kIsoDate,
     0},
    // kDbProgress: catalogue queries, which open for any name, so the row decides.
    {"Progress",
     {kDataSource, "DSN=", "", kWhenGiven, ";UID=", ";PWD=", "", nullptr},
     {kHasRecords, "SELECT DISTINCT tbl FROM sysprogress.\"SYSTABLES\" WHERE UPPER(tbl) = UPPER('{t}')", nullptr},
     {kHasRecords,
      "SELECT \"_Field-Name\" FROM pub.\"_field\" WHERE \"_Field-Name\" = '{f}' AND \"_file-recid\" = "
      "(SELECT ROWID FROM pub.\"_file\" WHERE \"_file-name\" = '{t}')",
      nullptr},
     kIsoDateLower,
     0},
    // kDbMimer
    {"Mimer", kNoConnection, kNoProbePattern, kNoProbePattern, kIsoDateLower, 0},
    // kDbInformix: without the right to read the catalogue, counting the table's rows decides.
    {"Informix",
     {kDataSource, "DSN=", "", kWhenNotEmpty, ";UID=", ";PWD=", ";", nullptr},
     {kFirstValue, "SELECT COUNT(*) FROM systables WHERE tabname = '{t}'", "Select COUNT(*) From {t}"},
     {kFirstValue, "select tabid from systables where tabname='{t}' and colname = '{f}' ", "Select COUNT({f}) From {t}"},
     {kDatePattern, "TO_DATE(\"", "MM/DD/YYYY", "\",\"%m/%d/%Y\")"},
     0},
    // kDbTopSpeed
    {"Top Speed",
     {kDataSource, "DSN=", "", kWhenGiven, ";UID=", ";PWD=", "", nullptr},
     {kOpens, "Select COUNT(*) From {t}", nullptr},
     {kOpens, "Select COUNT({qf}) From {t}", nullptr},
     {kDaysSince1800, nullptr, nullptr, nullptr},
     0},
    // kDbLotusNotes
    {"Lotus Notes",
     {kDataSource, "DSN=", "", kAlways, ";Uid=", ";Pwd=", ";", nullptr},
     {kOpens, "Select COUNT(*) From {t}", nullptr},
     {kOpens, "SELECT \"{f}\" FROM \"{t}\"", nullptr},
     kIsoDate,
     0},
    // kDbCADatacom: counts, so an existing but empty table counts as missing.
    {"CA-Datacom",
     {kDataSource, "DSN=", "", kAlways, ";Uid=", ";Pwd=", ";", nullptr},
     {kFirstValue, "Select COUNT(*) From {t}", nullptr},
     {kHasRecords, "Select COUNT({f}) From {t}", nullptr},
     {kDatePattern, "'", "yyyymmdd", "'"},
     0},
};
static_assert(sizeof kRows / sizeof kRows[0] == kDbCADatacom + 1, "one row per database type");

// Values outside the known types: no connection string, no field probe and no date literal;
// the table probe runs an empty query, which no driver opens.
constexpr DatabaseTypeInfo kUnknownRow = {
    "", kNoConnection, {kOpens, "", nullptr}, kNoProbePattern, {kNoDateLiteral, nullptr, nullptr, nullptr}, 0};

void AppendQuotedWhen(std::string& sql, bool quote, const char* name) {
  if (quote) sql += '"';
  sql += name;
  if (quote) sql += '"';
}

}  // namespace

const DatabaseTypeInfo& GetDatabaseTypeInfo(int32_t type) {
  if (type < 0 || type > kDbCADatacom) return kUnknownRow;
  return kRows[type];
}

const char* DatabaseTypeName(int32_t type) { return GetDatabaseTypeInfo(type).name; }

XString ExpandProbeSql(const char* pattern, const XString& table, const XString& field, bool quoteTables,
                       bool quoteFields) {
  // Names go in as C strings, up to a NUL of their own, as formatting with %s puts them.
  const char* t = table.c_str();
  const char* f = field.c_str();
  std::string sql;
  for (const char* p = pattern; *p;) {
    if (*p == '{') {
      const char* end = std::strchr(p, '}');
      const std::string key = end ? std::string(p + 1, end) : std::string();
      bool known = true;
      if (key == "t") {
        sql += t;
      } else if (key == "f") {
        sql += f;
      } else if (key == "qt") {
        AppendQuotedWhen(sql, quoteTables, t);
      } else if (key == "qf") {
        AppendQuotedWhen(sql, quoteFields, f);
      } else if (key == "ef") {
        for (const char* c = f; *c; ++c) {
          if (*c == '\'') sql += '\'';
          sql += *c;
        }
      } else if (key == "lt") {
        const size_t length = std::strlen(t);
        const bool quoted = length >= 2 && t[0] == '"' && t[length - 1] == '"';
        sql += '\'';
        const size_t end = quoted ? length - 1 : length;
        for (size_t i = quoted ? 1 : 0; i < end; ++i) {
          if (t[i] == '\'') sql += '\'';
          sql += t[i];
          // A quoted identifier writes its own double quote twice.
          if (quoted && t[i] == '"' && i + 1 < end && t[i + 1] == '"') ++i;
        }
        sql += '\'';
      } else {
        known = false;
      }
      if (known) {
        p = end + 1;
        continue;
      }
    }
    sql += *p++;
  }
  // As long as the 4096-byte buffer of XString::Format allows.
  if (sql.size() > 4095) sql.resize(4095);
  return XString(sql);
}
