/* A loadable SQLite extension for the demo SIS data source: it turns off SQLite's habit of
 * reading a double-quoted name that matches no column as a string literal. With it,
 * SELECT "NoSuchColumn" FROM "Student" fails with "no such column", as it does on a real SIS,
 * so the field probes report missing optional columns and the extracts leave them out.
 *
 * The SQLite ODBC driver loads it through the data source's LoadExt= key. It runs inside the
 * driver's own SQLite library, so it reaches SQLite only through the extension API table. */
#include "sqlite3ext.h"
SQLITE_EXTENSION_INIT1

#if defined(_WIN32)
#define QV_EXPORT __declspec(dllexport)
#else
#define QV_EXPORT __attribute__((visibility("default")))
#endif

static int TurnOffDoubleQuotedStrings(sqlite3* db, char** error) {
  int dml = -1, ddl = -1;
  if (sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, &dml) != SQLITE_OK ||
      sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, &ddl) != SQLITE_OK || dml != 0 ||
      ddl != 0) {
    /* An SQLite older than 3.29 has no such setting: refuse rather than pretend. */
    if (error) *error = sqlite3_mprintf("cannot turn off double-quoted string literals");
    return SQLITE_ERROR;
  }
  return SQLITE_OK;
}

/* The entry point SQLite derives from the file name libqv_sisdqs.so, and the generic one. */
QV_EXPORT int sqlite3_qvsisdqs_init(sqlite3* db, char** error, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  return TurnOffDoubleQuotedStrings(db, error);
}

QV_EXPORT int sqlite3_extension_init(sqlite3* db, char** error,
                                     const sqlite3_api_routines* api) {
  return sqlite3_qvsisdqs_init(db, error, api);
}
