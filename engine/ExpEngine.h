// The Meridane extraction engine: the one object that knows the Meridane database. It decides
// how the SIS is reached (a Lotus Notes data source, a PostgreSQL server or SQL Server),
// validates the school, lists the schools, and performs one extraction: the included-students
// list, the demographic extracts in their fixed order, then the attendance extracts into an
// update file.
//
// It owns the parts of an extraction and lends them to each other:
//  - the run's context: logs, program identity, progress display (ExtractContext);
//  - the data access: connection, schema probes, query and reader (ODBCDataAccess);
//  - the package writer with the import folder and the change store (QDEWriter);
//  - the table loop (TableExtractor), the extract pattern (ExtractPattern) and the Meridane
//    extracts themselves (ExtractSteps).
// One engine exists per process; Current() reaches it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "data/ODBCDataAccess.h"
#include "engine/ExtractPattern.h"
#include "engine/ExtractSettings.h"
#include "engine/ExtractSteps.h"
#include "engine/TableExtractor.h"
#include "engine/ValidateErrorDisplay.h"
#include "engine/Validation.h"
#include "foundation/XString.h"
#include "package/DryRunReport.h"
#include "package/ExtractContext.h"
#include "package/QDEWriter.h"

class XProgress;

class ExpEngine {
 public:
  // The table every Meridane database has; its presence identifies the connection type.
  static constexpr const char* kProbeTable = ExtractSteps::kProbeTable;
  // Refused before any connection is tried: with no name, a driver may take the rest of the
  // connection string (password included) for a file to create.
  static constexpr const char* kNoDataSourceMessage =
      "No data source name is set: name the SIS's ODBC data source with the option -d, or in the "
      "\"DSN\" preference.";
  // Likewise for a "DSN;Database" data source with nothing before its semicolon.
  static constexpr const char* kNoDataSourceBeforeDatabaseMessage =
      "The data source names a database but no data source before its ';': name the SIS's ODBC "
      "data source with the option -d as DSN or DSN;Database.";
  // A value that only a connection string could carry, and that a driver may misread there
  // (%s: "The data source (option -d)", "The user name (option -u)", "The password (option -w)").
  static constexpr const char* kUnsafeConnectionValueMessage =
      "%s holds ';', '{' or '}', which a driver may read as the end of the value: a data source "
      "that names a database (DSN;Database), or one reached without a user name, is reached "
      "through a connection string. Use a value without these characters.";

  // (school number, school name) pairs for the school picker.
  using SchoolList = std::vector<std::pair<XString, XString>>;

  explicit ExpEngine(IValidateErrorDisplay* owner = nullptr);
  ~ExpEngine();
  ExpEngine(const ExpEngine&) = delete;
  ExpEngine& operator=(const ExpEngine&) = delete;

  // The engine of the process (the last one constructed and not yet destroyed), or null.
  static ExpEngine* Current();

  // ---- The parts ---------------------------------------------------------------------------
  ExtractContext& Context() { return m_context; }
  ODBCDataAccess& Data() { return m_data; }
  QDEWriter& Writer() { return m_writer; }
  TableExtractor& Table() { return m_table; }
  ExtractPattern& Pattern() { return m_pattern; }
  ExtractSteps& Steps() { return m_steps; }
  SchoolRun& Run() { return m_pattern.Run(); }

  // ---- Services used before an extraction (ExpEngineValidate.cpp) -----------------------
  // They log and answer a failed Validation with its reason (the driver's diagnostic, or what
  // was not found, as one line), never throw.
  // Finds the database type under which kProbeTable is visible, trying the candidate types
  // in turn: Lotus Notes (a PostgreSQL server answering is taken as PostgreSQL), then MSSQL.
  // A data source that no Lotus Notes connection string can hold ("DSN;Database") is tried as
  // MSSQL only.
  Validation ValidateConnection(const char* dataSource, const char* userName, const char* password);
  // True when kProbeTable has a row whose "BuildingNum" is the school number. Leaves the
  // connection open.
  Validation ValidateSchoolNumber(const char* dataSource, const char* userName, const char* password,
                                  const char* schoolNumber);
  // Fills the list with the schools of kProbeTable; a number listed twice keeps its first name.
  Validation LoadSchoolList(SchoolList& list, const char* dataSource, const char* userName, const char* password);
  // Hands message and value to the owner window; without one logs to the run log at Debug.
  void ShowValidateError(const XString& message, const XString& value);

  // ---- The extraction -------------------------------------------------------------------
  // One complete extraction for the school of `settings`. Every failure is an XException that
  // passes to the caller.
  void PerformExtract(XProgress* progress, const char* dataSource, const char* userName,
                      const char* password, const ExtractSettings& settings,
                      bool gatherDemographic, bool gatherAttendance);
  // A dry run of PerformExtract for the school (ExpEngineDryRun.cpp): connects, then performs
  // the included-students list, the demographic and the attendance extracts with every probe
  // they make, counting the rows of each query instead of reading them, and writing nothing
  // into any import folder or change store. A step that would end a real run is recorded with
  // its message and the next step follows, so the report covers every table. Throws when the
  // connection cannot be made.
  void DryRunExtract(DryRunReport& report, const char* dataSource, const char* userName,
                     const char* password, const XString& schoolNumber, int32_t inactiveCutoff);

 protected:
  // Run start and run end around the extracts (ExpEngineRun.cpp): the writer, the connection
  // and the opening and closing lines of the extract log.
  void StartRun(const ExtractSettings& settings);
  void EndRun();
  // Name of the level the run's logs write at.
  XString CurrentLogLevelName() const;
  // The connection settings (ExpEngineRun.cpp).
  // Remembers the data source and the credentials (null: absent) of the connection.
  void StoreConnectionSettings(const char* dataSource, const char* userName, const char* password);
  // The connection string of the stored settings for the current database type. Throws,
  // before any connection is tried, for a data source with no name before its ';' and for a
  // value that the string cannot carry safely (kUnsafeConnectionValueMessage).
  XString BuildStoredConnectionString();
  // Connects with the stored data source and credentials for the current database type.
  void ConnectToSIS();

 private:
  // Connects (unless connected) as the current type and probes for kProbeTable; a server that
  // names itself PostgreSQL makes the type PostgreSQL. A connection made here is closed again.
  bool ProbeConnection();
  // Connects as PostgreSQL: false when that fails or the server is no PostgreSQL server;
  // otherwise probes for kProbeTable into `exists` and disconnects.
  bool ProbePostgresServer(bool& exists);
  void LogExtract(int32_t level, const XString& text) { m_context.EngineLog().ExtractLogWrite(level, text); }

  // The parts, in the order they need each other.
  ExtractContext m_context;
  ODBCDataAccess m_data;
  QDEWriter m_writer;
  TableExtractor m_table;
  ExtractPattern m_pattern;
  ExtractSteps m_steps;
  IValidateErrorDisplay* m_owner = nullptr;  // not owned

  // The data source and credentials of the current connection.
  XString m_dataSourceName;
  XString m_userName;
  XString m_password;
  bool m_hasUserName = false;
  bool m_hasPassword = false;
};
