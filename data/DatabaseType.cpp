#include "data/DatabaseType.h"

const char* DatabaseTypeName(int32_t type) {
  static const char* const kNames[] = {
      "",
      "dBase IV (ODBC)",
      "dBase IV (XBase)",
      "FoxPro (ODBC)",
      "FoxPro (DBF)",
      "MSSQL",
      "MySQL",
      "SQLite",
      "DB2",
      "Access",
      "Postgres",
      "Oracle (ODBC)",
      "Oracle (OLE)",
      "Oracle Microsoft OLE (MSDAORA)",
      "Sybase (OLE)",
      "Sybase ODBC",
      "Progress",
      "Mimer",
      "Informix",
      "Top Speed",
      "Lotus Notes",
      "CA-Datacom",
  };
  if (type < 0 || type >= static_cast<int32_t>(sizeof kNames / sizeof kNames[0])) return "";
  return kNames[type];
}
