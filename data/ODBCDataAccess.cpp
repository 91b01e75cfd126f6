// Database types, connection strings and connecting.
#include "data/ODBCDataAccess.h"

#include <cstring>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "foundation/XException.h"

namespace {

// Appends key + value when the value is given (not null).
void AppendIfGiven(XString& text, const char* key, const char* value) {
  if (value) {
    text += key;
    text += value;
  }
}

bool IsGivenAndNotEmpty(const char* value) { return value && *value; }

}  // namespace

ODBCDataAccess::ODBCDataAccess(uint32_t options) : m_accessOptions(options) {
  try {
    m_connection = std::make_unique<ado::Connection>();
  } catch (const XException& error) {
    throw XException("Failed to initialize connection.", error.Code());
  }
}

ODBCDataAccess::~ODBCDataAccess() {
  // The open query belongs to the connection, so it goes first.
  try {
    DeleteModel();
    m_recordset.reset();
    m_connection.reset();
  } catch (...) {
  }
}

const char* ODBCDataAccess::GetDatabaseTypeName() const { return DatabaseTypeName(m_databaseType); }

XString ODBCDataAccess::BuildConnectionString(const char* dataSource, const char* userName,
                                              const char* password) {
  LogExtract(kLogDebug, XString("Build Connection String for: ") + GetDatabaseTypeName());
  const char* ds = dataSource ? dataSource : "";
  XString text;
  switch (m_databaseType) {
    case kDbNone: {
      const char* message = "Can't build connection string for unknown database type.";
      LogExtract(kLogDebug, message);
      throw XException(message);
    }
    case kDbDBaseODBC:
      // This type reads the folder kept by the object, not the argument.
      text = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
      text += m_dataSource;
      text += ";Extended Properties=dBASE IV;";
      break;
    case kDbDBaseXBase:
      LogExtract(kLogDebug, GetDatabaseTypeName());
      text = ds;
      break;
    case kDbFoxProODBC:
      text = "Persist Security Info=False;Data Source=";
      text += ds;
      text += ";Collating Sequence=machine";
      AppendIfGiven(text, ";User ID=", userName);
      AppendIfGiven(text, ";Password=", password);
      text += ";";
      break;
    case kDbFoxProDBF:
      LogExtract(kLogDebug, "Build Connection String: Fox Pro DBF Driver");
      text = "Provider=VFPOLEDB.1;Data Source=";
      text += ds;
      text += ";Collating Sequence=MACHINE";
      break;
    case kDbMSSQL: {
      // The data source may name the database after a semicolon: "DSN;Database".
      XString dsn(ds);
      XString database;
      uint32_t semicolon = dsn.Find(';');
      if (semicolon < dsn.Length()) {
        database = dsn.Mid(semicolon + 1);
        database.Trim();
        dsn = dsn.Left(semicolon);
      }
      text = "Provider=MSDASQL;Persist Security Info=False;Data Source=";
      text += dsn;
      if (!database.IsEmpty()) {
        text += ";Database=";
        text += database;
      }
      if (IsGivenAndNotEmpty(userName)) {
        text += ";User ID=";
        text += userName;
        if (IsGivenAndNotEmpty(password)) {
          text += ";Password=";
          text += password;
        }
        text += ";";
      } else {
        // Integrated security: the password has no place here.
        text += ";Trusted_Connection=yes";
        text += ";";
      }
      break;
    }
    case kDbMySQL:
      text = "Data Source=";
      text += ds;
      text += ";User Id=";
      text += userName ? userName : "";
      text += ";Password=";
      text += password ? password : "";
      text += ";";
      break;
    case kDbSQLite:
      text = "Database=";
      text += ds;
      break;
    case kDbDB2:
      text = "DB2OLEDB";
      break;
    case kDbAccess:
      text = "Persist Security Info=False;Data Source=";
      text += ds;
      AppendIfGiven(text, ";User ID=", userName);
      AppendIfGiven(text, ";Password=", password);
      break;
    case kDbPostgres:
    case kDbProgress:
    case kDbTopSpeed:
      text = "DSN=";
      text += ds;
      AppendIfGiven(text, ";UID=", userName);
      AppendIfGiven(text, ";PWD=", password);
      break;
    case kDbOracleODBC:
    case kDbOracleOLE:
    case kDbOracleMSDAORA:
      text = m_databaseType == kDbOracleODBC ? "Data Source="
             : m_databaseType == kDbOracleOLE ? "Provider=OraOLEDB.Oracle;Data Source="
                                              : "Provider=MSDAORA;Data Source=";
      text += ds;
      AppendIfGiven(text, ";User ID=", userName);
      AppendIfGiven(text, ";Password=", password);
      text += ";Persist Security Info=True;";
      break;
    case kDbSybaseOLE:
      text = "Provider=Sybase ASE OLE DB Provider;Data source=";
      text += ds;
      AppendIfGiven(text, ";User Id=", userName);
      AppendIfGiven(text, ";Password=", password);
      text += ";";
      break;
    case kDbSybaseODBC:
      text = "DSN=";
      text += ds;
      AppendIfGiven(text, ";UID=", userName);
      AppendIfGiven(text, ";PWD=", password);
      text += ";";
      break;
    case kDbInformix:
      text = "DSN=";
      text += ds;
      if (IsGivenAndNotEmpty(userName)) {
        text += ";UID=";
        text += userName;
      }
      if (IsGivenAndNotEmpty(password)) {
        text += ";PWD=";
        text += password;
      }
      text += ";";
      break;
    case kDbLotusNotes:
    case kDbCADatacom:
      text = "DSN=";
      text += ds;
      text += ";Uid=";
      text += userName ? userName : "";
      text += ";Pwd=";
      text += password ? password : "";
      text += ";";
      break;
    default: {  // Mimer and unknown values
      const char* message = "Database type not yet defined for BuildConnectionString, please define.";
      LogExtract(kLogDebug, message);
      throw XException(message);
    }
  }
  return text;
}

XString ODBCDataAccess::MaskPassword(const XString& text) {
  static const char* const kKeys[] = {"Password=", "PASSWORD=", "PWD=", "Pwd="};
  std::string masked = text.ToStd();
  for (const char* key : kKeys) {
    size_t at = masked.find(key);
    if (at == std::string::npos) continue;
    for (size_t i = at + std::strlen(key); i < masked.size() && masked[i] != ';' && masked[i] != '"'; ++i) {
      masked[i] = '*';
    }
    break;
  }
  return XString(masked);
}

void ODBCDataAccess::Connect(const XString& connectionString) {
  if (IsConnected()) Disconnect();
  if (IsXBase()) {
    LogExtract(kLogInfo, "Connect - Could not connect need to define USE_XBASE");
    return;
  }
  m_connectionString = connectionString;
  XString masked = MaskPassword(connectionString);
  LogExtract(kLogDebug, XString("ODBC::Connect - Connection String :") + masked);

  if (m_accessOptions & kExclusiveAccess) {
    m_connection->SetMode(ado::adModeShareExclusive);
    LogExtract(kLogDebug, "Open in Exclusive Access Mode.");
  } else {
    m_connection->SetMode(ado::adModeRead);
    LogExtract(kLogDebug, "Open in Read Only Access Mode.");
  }
  m_connection->SetConnectionTimeout(GetConnectionTimeout());
  m_connection->SetCommandTimeout(GetCommandTimeout());

  bool opened = false;
  try {
    m_connection->Open(connectionString, XString(), XString());
    opened = true;
  } catch (const ado::ComError& error) {
    // The driver's own words go to the log; the message names only the (masked) string.
    ComErrorText(error);
  }
  if (!opened) {
    LogExtract(kLogDebug, "Failed to connect to data source with connection string.");
    throw XException::Format(0, "Failed to connect to data source with connection string: %s",
                             masked.c_str());
  }
  LogExtract(kLogDebug, "Connected to data source.");
}

void ODBCDataAccess::Disconnect() {
  if (IsXBase()) {
    LogRun(kLogInfo, "Disconnect: Xbase not defined!");
    return;
  }
  if (m_connection->State() == ado::adStateOpen) {
    // An open query cannot outlive its connection.
    if (m_recordset && m_recordset->State() == ado::adStateOpen) m_recordset->Close();
    m_connection->Close();
  }
}

bool ODBCDataAccess::IsConnected() const {
  return m_connection && m_connection->State() == ado::adStateOpen;
}
