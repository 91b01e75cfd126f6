// The services the window and the command line call before an extraction: which kind of data
// source the SIS is, whether the school exists, and the list of schools. They never throw:
// every failure is logged and answered with false.
#include "engine/ExpEngine.h"

#include <cstring>
#include <string>

#include "foundation/XException.h"

bool ExpEngine::ValidateConnection(const char* dataSource, const char* userName, const char* password) {
  // Connects (unless already connected) and probes for the profile table; a connection made
  // here is closed again.
  auto probe = [this](const XString& connectionString) {
    bool connectedHere = false;
    if (!IsConnected()) {
      Connect(connectionString);
      connectedHere = true;
    }
    // A PostgreSQL server folds unquoted names and has catalogue queries of its own: the
    // data source is of that type whichever type the connection was made with.
    if (GetDatabaseType() != kDbPostgres && DetectServerType() == kDbPostgres) {
      LogExtract(kLogDebug, "The data source is a PostgreSQL server");
      SetDatabaseType(kDbPostgres);
    }
    bool exists = DoTableExists(kProbeTable);
    if (connectedHere) Disconnect();
    return exists;
  };
  // The type found is kept when it names the server, with the table or without it.
  auto serverResult = [this](bool exists) {
    if (exists) {
      LogExtract(kLogDebug, XString("Found Postgres Table: ") + kProbeTable);
      return true;
    }
    LogExtract(kLogDebug, XString("Postgres Table does not exist: ") + kProbeTable);
    SetValidationFailure(XString("The data source has no table ") + kProbeTable + ".");
    return false;
  };

  try {
    m_validationFailure = XString();
    Disconnect();
    if (IsConnected()) Disconnect();
    StoreConnectionSettings(dataSource, userName, password);

    SetDatabaseType(kDbLotusNotes);
    if (dataSource != nullptr && std::strchr(dataSource, ';') != nullptr) {
      // "DSN;Database": a data source name never holds a semicolon, so this names a database
      // too, which only the SQL Server string has a place for.
      LogExtract(kLogDebug, "The data source names a database: not a Lotus Notes data source");
    } else {
      bool exists = false;
      try {
        exists = probe(BuildStoredConnectionString());
      } catch (const XException& lotusNotesError) {
        // The Lotus Notes string always carries a user name, empty when none is configured,
        // which a PostgreSQL data source takes as the user to log in as. Its own string
        // leaves an empty user name out, so the data source's own settings apply.
        SetDatabaseType(kDbPostgres);
        try {
          Connect(BuildStoredConnectionString());
        } catch (const XException&) {
          SetDatabaseType(kDbLotusNotes);
          throw lotusNotesError;
        }
        if (DetectServerType() != kDbPostgres) {
          Disconnect();
          SetDatabaseType(kDbLotusNotes);
          throw lotusNotesError;
        }
        LogExtract(kLogDebug, "The data source is a PostgreSQL server");
        bool found = DoTableExists(kProbeTable);
        Disconnect();
        return serverResult(found);
      }
      if (GetDatabaseType() == kDbPostgres) return serverResult(exists);
      if (exists) {
        LogExtract(kLogDebug, XString("Found Lotus Notes Table: ") + kProbeTable);
        return true;
      }
    }
    LogExtract(kLogDebug, "Lets check the SQL Server driver in case we are running local mode");
    SetDatabaseType(kDbMSSQL);
    if (probe(BuildStoredConnectionString())) return true;
    LogExtract(kLogDebug, XString("SQL Server Table does not exist: ") + kProbeTable);
    SetValidationFailure(XString("The data source has no table ") + kProbeTable + ".");
    return false;
  } catch (const XException& error) {
    LogExtract(kLogDebug, XString("Error Occurred in ValidateConnection : ") + error.Text());
    SetValidationFailure(ConnectDiagnostics().IsEmpty() ? XString(error.Text()) : ConnectDiagnostics());
    return false;
  }
}

bool ExpEngine::ValidateSchoolNumber(const char* dataSource, const char* userName,
                                     const char* password, const char* schoolNumber) {
  try {
    m_validationFailure = XString();
    if (IsConnected()) Disconnect();
    StoreConnectionSettings(dataSource, userName, password);
    ConnectToSIS();

    ClearQuery();
    ODBCTable* profile = AddTable("", kProbeTable, "S");
    ODBCField* building = AddField("BuildingNum", profile, false);
    // As a string literal: a number typed by the user never becomes part of the statement.
    AddCondition(building, "", "=", SqlStringLiteral(schoolNumber), 0);
    RunBuiltQuery();
    int32_t count = GetRecordCount();
    CloseQuery();
    if (count < 1) {
      LogExtract(kLogDebug, "ValidateSchoolNumber : School NOT Found");
      SetValidationFailure(XString("No ") + kProbeTable + " row of the SIS has the BuildingNum '" +
                           schoolNumber + "'.");
      return false;
    }
    LogExtract(kLogDebug, "ValidateSchoolNumber : Found School");
    return true;
  } catch (const XException& error) {
    LogExtract(kLogDebug, XString("ValidateSchoolNumber - Error Occurred : ") + error.Text());
    SetValidationFailure(ConnectDiagnostics().IsEmpty() ? XString(error.Text()) : ConnectDiagnostics());
    return false;
  }
}

void ExpEngine::SetValidationFailure(const XString& reason) {
  // The driver's text comes as several lines ("Error number: ...", "COM Error Code = ...");
  // the reason is logged and reported as one.
  std::string line;
  for (const char* p = reason.c_str(); *p; ++p) {
    const bool blank = *p == '\r' || *p == '\n' || *p == '\t' || *p == ' ';
    if (!blank) {
      line += *p;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  m_validationFailure = XString(line);
}

bool ExpEngine::LoadSchoolList(SchoolList& list, const char* dataSource, const char* userName,
                               const char* password) {
  try {
    list.clear();
    if (IsConnected()) Disconnect();
    StoreConnectionSettings(dataSource, userName, password);
    ConnectToSIS();

    ClearQuery();
    ODBCTable* profile = AddTable("", kProbeTable, "SCH");
    ODBCField* numberField = AddField("BuildingNum", profile, true);
    ODBCField* nameField = AddField("SchoolName", profile, true);
    RunBuiltQuery();
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      XString number = GetFieldTrimmed(numberField);
      XString name = GetFieldTrimmed(nameField);
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
    CloseQuery();
    Disconnect();
    return true;
  } catch (...) {
    LogExtract(kLogDebug, "LoadSchoolList : Unknown Error Occurred");
    return false;
  }
}
