// The services the window and the command line call before an extraction: which kind of data
// source the SIS is, whether the school exists, and the list of schools. They never throw:
// every failure is logged and answered as a failed Validation with its reason.
#include "engine/ExpEngine.h"

#include <cstring>
#include <exception>
#include <string>

#include "engine/SchoolYear.h"
#include "foundation/XException.h"

namespace {

// Why a check failed: the driver's own words when the data source refused the connection,
// else the failure's text.
XString ReasonOf(const XException& error) {
  if (const auto* refused = dynamic_cast<const ODBCConnection::ConnectError*>(&error)) {
    if (!refused->Diagnostics().IsEmpty()) return refused->Diagnostics();
  }
  return XString(error.Text());
}

}  // namespace

bool ExpEngine::ProbeConnection() {
  ODBCConnection& connection = m_data.Connection();
  bool connectedHere = false;
  if (!m_data.IsConnected()) {
    m_data.Connect(BuildStoredConnectionString());
    connectedHere = true;
  }
  // A PostgreSQL server folds unquoted names and has catalogue queries of its own: the data
  // source is of that type whichever type the connection was made with.
  if (connection.GetDatabaseType() != kDbPostgres && connection.DetectServerType() == kDbPostgres) {
    LogExtract(kLogDebug, "The data source is a PostgreSQL server");
    connection.SetDatabaseType(kDbPostgres);
  }
  bool exists = m_data.Schema().DoTableExists(kProbeTable);
  if (connectedHere) m_data.Disconnect();
  return exists;
}

bool ExpEngine::ProbePostgresServer(bool& exists) {
  bool isServer = false;
  try {
    m_data.Connect(BuildStoredConnectionString());
    isServer = m_data.Connection().DetectServerType() == kDbPostgres;
    if (!isServer) m_data.Disconnect();
  } catch (const XException&) {
  }
  if (!isServer) return false;
  LogExtract(kLogDebug, "The data source is a PostgreSQL server");
  exists = m_data.Schema().DoTableExists(kProbeTable);
  m_data.Disconnect();
  return true;
}

Validation ExpEngine::ValidateConnection(const char* dataSource, const char* userName, const char* password) {
  ODBCConnection& connection = m_data.Connection();
  try {
    m_data.Disconnect();
    StoreConnectionSettings(dataSource, userName, password);
    // "DSN;Database": a data source name never holds a semicolon, so this names a database
    // too, which only the SQL Server string has a place for.
    const bool namesDatabase = dataSource != nullptr && std::strchr(dataSource, ';') != nullptr;
    connection.SetDatabaseType(kDbLotusNotes);
    if (namesDatabase) LogExtract(kLogDebug, "The data source names a database: not a Lotus Notes data source");

    // The candidate types in turn. A Lotus Notes connection that cannot be made is tried once
    // more as PostgreSQL: the Lotus Notes string always carries a user name, empty when none is
    // configured, which a PostgreSQL data source takes as the user to log in as, while its own
    // string leaves an empty user name out. When that is no PostgreSQL server either, the Lotus
    // Notes failure is the answer. A type that names the server (PostgreSQL) is kept, with the
    // table or without it.
    std::exception_ptr lotusNotesFailure;
    for (int32_t candidate : {kDbLotusNotes, kDbPostgres, kDbMSSQL}) {
      if (candidate == kDbLotusNotes && namesDatabase) continue;
      if (candidate == kDbPostgres && !lotusNotesFailure) continue;
      if (candidate == kDbMSSQL) {
        LogExtract(kLogDebug, "Lets check the SQL Server driver in case we are running local mode");
      }
      connection.SetDatabaseType(candidate);
      bool exists = false;
      if (candidate == kDbPostgres) {
        if (!ProbePostgresServer(exists)) {
          connection.SetDatabaseType(kDbLotusNotes);
          std::rethrow_exception(lotusNotesFailure);
        }
      } else {
        try {
          exists = ProbeConnection();
        } catch (const XException&) {
          if (candidate != kDbLotusNotes) throw;
          lotusNotesFailure = std::current_exception();
          continue;
        }
      }
      const bool server = connection.GetDatabaseType() == kDbPostgres && candidate != kDbMSSQL;
      if (exists) {
        if (server) LogExtract(kLogDebug, XString("Found Postgres Table: ") + kProbeTable);
        if (!server && candidate == kDbLotusNotes) LogExtract(kLogDebug, XString("Found Lotus Notes Table: ") + kProbeTable);
        return Validation::Passed();
      }
      if (server) {
        LogExtract(kLogDebug, XString("Postgres Table does not exist: ") + kProbeTable);
        return Validation::Failed(XString("The data source has no table ") + kProbeTable + ".");
      }
    }
    LogExtract(kLogDebug, XString("SQL Server Table does not exist: ") + kProbeTable);
    return Validation::Failed(XString("The data source has no table ") + kProbeTable + ".");
  } catch (const XException& error) {
    LogExtract(kLogDebug, XString("Error Occurred in ValidateConnection : ") + error.Text());
    return Validation::Failed(ReasonOf(error));
  }
}

Validation ExpEngine::ValidateSchoolNumber(const char* dataSource, const char* userName,
                                     const char* password, const char* schoolNumber) {
  try {
    if (m_data.IsConnected()) m_data.Disconnect();
    StoreConnectionSettings(dataSource, userName, password);
    ConnectToSIS();

    m_data.Query().ClearQuery();
    ODBCTable* profile = m_data.Query().AddTable("", kProbeTable, "S");
    ODBCField* building = m_data.Query().AddField("BuildingNum", profile, false);
    // As a string literal: a number typed by the user never becomes part of the statement.
    m_data.Query().AddCondition(building, "", "=", SqlStringLiteral(schoolNumber), 0);
    m_data.RunBuiltQuery();
    int32_t count = m_data.Reader().GetRecordCount();
    m_data.CloseQuery();
    if (count < 1) {
      LogExtract(kLogDebug, "ValidateSchoolNumber : School NOT Found");
      return Validation::Failed(XString("No ") + kProbeTable + " row of the SIS has the BuildingNum '" +
                           schoolNumber + "'.");
    }
    LogExtract(kLogDebug, "ValidateSchoolNumber : Found School");
    return Validation::Passed();
  } catch (const XException& error) {
    LogExtract(kLogDebug, XString("ValidateSchoolNumber - Error Occurred : ") + error.Text());
    return Validation::Failed(ReasonOf(error));
  }
}


Validation ExpEngine::LoadSchoolList(SchoolList& list, const char* dataSource, const char* userName,
                               const char* password) {
  try {
    list.clear();
    if (m_data.IsConnected()) m_data.Disconnect();
    StoreConnectionSettings(dataSource, userName, password);
    ConnectToSIS();

    m_data.Query().ClearQuery();
    ODBCTable* profile = m_data.Query().AddTable("", kProbeTable, "SCH");
    ODBCField* numberField = m_data.Query().AddField("BuildingNum", profile, true);
    ODBCField* nameField = m_data.Query().AddField("SchoolName", profile, true);
    m_data.RunBuiltQuery();
    for (bool more = m_data.Reader().GetFirstRecord(); more; more = m_data.Reader().GetNextRecord()) {
      XString number = m_data.Reader().GetFieldTrimmed(numberField);
      XString name = m_data.Reader().GetFieldTrimmed(nameField);
      bool listed = false;
      for (const auto& entry : list) {
        if (entry.first == number) {
          listed = true;
          break;
        }
      }
      if (listed) continue;  // the first row of a number names the school
      LogExtract(kLogVerboseDebug, XString("LoadSchoolList : Added ") + number + "-" + name);
      list.emplace_back(number, name);
    }
    m_data.CloseQuery();
    m_data.Disconnect();
    return Validation::Passed();
  } catch (const XException& error) {
    LogExtract(kLogDebug, "LoadSchoolList : Unknown Error Occurred");
    return Validation::Failed(ReasonOf(error));
  } catch (...) {
    LogExtract(kLogDebug, "LoadSchoolList : Unknown Error Occurred");
    return Validation::Failed("The school list could not be read.");
  }
}
