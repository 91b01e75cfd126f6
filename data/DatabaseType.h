// The database products the data access knows, with one row per product of all that differs
// between them, and the access options fixed when a data access object is constructed.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

// Database type: a 32-bit value held by the data access object; 0 means "not set".
enum DatabaseType : int32_t {
  kDbNone = 0,
  kDbDBaseODBC = 1,
  kDbDBaseXBase = 2,  // direct dBase file access; not provided, so it only logs
  kDbFoxProODBC = 3,
  kDbFoxProDBF = 4,
  kDbMSSQL = 5,
  kDbMySQL = 6,
  kDbSQLite = 7,
  kDbDB2 = 8,
  kDbAccess = 9,
  kDbPostgres = 10,
  kDbOracleODBC = 11,
  kDbOracleOLE = 12,
  kDbOracleMSDAORA = 13,
  kDbSybaseOLE = 14,
  kDbSybaseODBC = 15,
  kDbProgress = 16,
  kDbMimer = 17,
  kDbInformix = 18,
  kDbTopSpeed = 19,
  kDbLotusNotes = 20,
  kDbCADatacom = 21,
};

// ---- One row per type: how the access talks to each product ---------------------------

// How a connection string is put together.
enum class ConnectionForm : uint8_t {
  kTypeNotSet,          // throws "Can't build connection string for unknown database type."
  kNoConnectionString,  // throws "Database type not yet defined for BuildConnectionString, please define."
  kFixedText,           // the prefix alone
  kDataFolder,          // prefix, the data folder kept by the access object (not the argument), suffix
  kDataSource,          // prefix, data source, afterSource, credentials, suffix
  kDsnAndDatabase,      // as kDataSource, but "DSN;Database" names the database after the first semicolon
};

// How user name and password enter a connection string; null means "not given".
enum class CredentialForm : uint8_t {
  kNoCredentials,
  kWhenGiven,         // each key and its value when the value is given, even empty
  kWhenNotEmpty,      // each key and its value when the value is given and not empty
  kAlways,            // both keys, a value not given written empty
  kUserOrIntegrated,  // a non-empty user (and a non-empty password with it), else integrated security
};

struct ConnectionPattern {
  ConnectionForm form;
  const char* prefix;
  const char* afterSource;
  CredentialForm credentials;
  const char* userKey;
  const char* passwordKey;
  const char* suffix;
  const char* logLine;  // a debug line of its own while building; null for none
};

// How an existence probe decides that the table or field is there.
enum class ProbeCheck : uint8_t {
  kNoProbe,     // the type has none: the answer is false, with a log line
  kOpens,       // the query opens
  kHasRecords,  // the query returns a row
  kFirstValue,  // the first column of the first row is 1 or more
};

// An existence probe. The names enter its SQL through placeholders: {t} and {f} the table and
// field name as given; {qt} and {qf} the name in double quotes when the access quotes table
// (field) names; {lt} the table name as the string literal a catalogue compares with: a name in
// double quotes has them turned into apostrophes (a doubled double quote inside becoming one),
// a bare name is put between apostrophes, and an apostrophe inside the name is doubled; {ef}
// the field name with its apostrophes doubled, to stand between apostrophes.
struct ProbePattern {
  ProbeCheck check;
  const char* sql;
  const char* fallback;  // run instead when sql cannot run (no right to read the catalogue); null for none
};

// How a day becomes a date literal in SQL.
enum class DateForm : uint8_t {
  kNoDateLiteral,       // throws "DB Type not defined for XODBC::SQLDate yet, feel free to do so."
  kDatePattern,         // prefix, the day in the pattern (XDate::FormatDate), suffix
  kPackageDatePattern,  // the day in the package's date pattern
  kDaysSince1800,       // the number of days since 1800-12-28
};

struct DatePattern {
  DateForm form;
  const char* prefix;
  const char* pattern;
  const char* suffix;
};

// What else of the SQL dialect the access minds.
enum DialectFlags : uint8_t {
  kDirectFileAccess = 0x01,  // files read without a connection; not provided, so calls only log
  kNoLockHint = 0x02,        // a query without joins reads its tables "WITH (NOLOCK)"
  kQuoteAliases = 0x04,      // aliases are quoted like table names: the server folds unquoted names
};

struct DatabaseTypeInfo {
  const char* name;  // display name ("MSSQL", "Lotus Notes", ...); empty when not set or unknown
  ConnectionPattern connection;
  ProbePattern tableProbe;
  ProbePattern fieldProbe;
  DatePattern date;
  uint8_t dialect;  // DialectFlags
};

// The row of a type; the values outside kDbNone..kDbCADatacom share one row of their own.
const DatabaseTypeInfo& GetDatabaseTypeInfo(int32_t type);

// Display name of a type; empty for 0 and for unknown values.
const char* DatabaseTypeName(int32_t type);

// A probe's SQL for the names (see ProbePattern), cut to 4095 bytes like any formatted text.
XString ExpandProbeSql(const char* pattern, const XString& table, const XString& field, bool quoteTables,
                       bool quoteFields);

// Access options: a flag word. Bit 0x01 has no meaning of its own.
enum AccessOptions : uint32_t {
  kVerifySchema = 0x02,     // AddTable / AddField probe the database first
  kFieldsByName = 0x04,     // readers look fields up by name, not by select-list position
  kForwardOnly = 0x08,      // queries open a forward-only cursor instead of a static one
  kPessimisticLock = 0x10,  // queries lock pessimistically instead of read-only
  kExclusiveAccess = 0x20,  // the connection opens exclusive instead of read-only
  kDumpTableDefs = 0x40,    // a missing field dumps its table's definition ("TableDefs.txt")
  kProbeBySelect = 0x80,    // existence probes run a plain SELECT instead of a catalogue query
};
