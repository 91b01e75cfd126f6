// Database types, connection strings and connecting.
#include "data/ODBCDataAccess.h"

#include <cstring>

#include "data/ado/Connection.h"
#include "data/ado/ConnectionString.h"
#include "data/ado/Recordset.h"
#include "foundation/XException.h"

namespace {

// A value from outside as it goes into the string (braced when it holds special characters).
XString Value(const char* value) { return ado::BraceConnectionValue(XString(value ? value : "")); }

// Appends key + value when the value is given (not null).
void AppendIfGiven(XString& text, const char* key, const char* value) {
  if (value) {
    text += key;
    text += Value(value);
  }
}

bool IsGivenAndNotEmpty(const char* value) { return value && *value; }

void AppendIfNotEmpty(XString& text, const char* key, const char* value) {
  if (IsGivenAndNotEmpty(value)) {
    text += key;
    text += Value(value);
  }
}

void AppendCredentials(XString& text, const ConnectionPattern& pattern, const char* userName,
                       const char* password) {
  switch (pattern.credentials) {
    case CredentialForm::kNoCredentials:
      break;
    case CredentialForm::kWhenGiven:
      AppendIfGiven(text, pattern.userKey, userName);
      AppendIfGiven(text, pattern.passwordKey, password);
      break;
    case CredentialForm::kWhenNotEmpty:
      AppendIfNotEmpty(text, pattern.userKey, userName);
      AppendIfNotEmpty(text, pattern.passwordKey, password);
      break;
    case CredentialForm::kAlways:
      text += pattern.userKey;
      text += Value(userName);
      text += pattern.passwordKey;
      text += Value(password);
      break;
    case CredentialForm::kUserOrIntegrated:
      if (IsGivenAndNotEmpty(userName)) {
        text += pattern.userKey;
        text += Value(userName);
        AppendIfNotEmpty(text, pattern.passwordKey, password);
      } else {
        // Integrated security: the password has no place here.
        text += ";Trusted_Connection=yes";
      }
      break;
  }
}

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
  // A new string is a new attempt: the diagnostics of an earlier one do not explain it.
  m_connectDiagnostics = XString();
  LogExtract(kLogDebug, XString("Build Connection String for: ") + GetDatabaseTypeName());
  const ConnectionPattern& pattern = GetDatabaseTypeInfo(m_databaseType).connection;
  if (pattern.logLine) LogExtract(kLogDebug, pattern.logLine);
  if (pattern.form == ConnectionForm::kTypeNotSet || pattern.form == ConnectionForm::kNoConnectionString) {
    const char* message = pattern.form == ConnectionForm::kTypeNotSet
                              ? "Can't build connection string for unknown database type."
                              : "Database type not yet defined for BuildConnectionString, please define.";
    LogExtract(kLogDebug, message);
    throw XException(message);
  }
  XString source(dataSource ? dataSource : "");
  XString text(pattern.prefix);
  switch (pattern.form) {
    case ConnectionForm::kTypeNotSet:
    case ConnectionForm::kNoConnectionString:
      break;  // thrown above
    case ConnectionForm::kFixedText:
      return text;
    case ConnectionForm::kDataFolder:
      source = Value(m_dataSource.c_str());
      break;
    case ConnectionForm::kDataSource:
      // Direct file access takes the path itself, not a connection string.
      if (!IsXBase()) source = Value(source.c_str());
      break;
    case ConnectionForm::kDsnAndDatabase: {
      // "DSN;Database": the name after the first semicolon, trimmed, unless it is blank.
      uint32_t semicolon = source.Find(';');
      if (semicolon < source.Length()) {
        XString database = source.Mid(semicolon + 1);
        database.Trim();
        source = Value(source.Left(semicolon).c_str());
        if (!database.IsEmpty()) source += XString(";Database=") + Value(database.c_str());
      } else {
        source = Value(source.c_str());
      }
      break;
    }
  }
  text += source;
  text += pattern.afterSource;
  AppendCredentials(text, pattern, userName, password);
  text += pattern.suffix;
  return text;
}

std::vector<std::string> ODBCDataAccess::ValuesUnsafeInString(const XString& connectionString) {
  return ado::ValuesUnsafeInString(connectionString);
}

XString ODBCDataAccess::MaskPassword(const XString& text) {
  static const char* const kKeys[] = {"Password=", "PASSWORD=", "PWD=", "Pwd="};
  std::string masked = text.ToStd();
  // A braced value ("={...}", '}' doubled inside) may hold anything, a key's text included:
  // keys are looked for outside braces only, and a braced password is masked to its closing
  // brace, so that no part of it shows.
  auto bracedEnd = [&masked](size_t open) {
    size_t i = open + 1;
    while (i < masked.size()) {
      if (masked[i] == '}') {
        if (i + 1 < masked.size() && masked[i + 1] == '}') {
          i += 2;
          continue;
        }
        return i + 1;
      }
      ++i;
    }
    return masked.size();
  };
  auto findKey = [&](const char* key) {
    for (size_t i = 0; i < masked.size();) {
      if (masked.compare(i, std::strlen(key), key) == 0) return i;
      if (masked[i] == '=' && i + 1 < masked.size() && masked[i + 1] == '{') {
        i = bracedEnd(i + 1);
        continue;
      }
      ++i;
    }
    return std::string::npos;
  };
  for (const char* key : kKeys) {
    size_t at = findKey(key);
    if (at == std::string::npos) continue;
    size_t begin = at + std::strlen(key);
    size_t end = begin;
    if (begin < masked.size() && masked[begin] == '{') {
      end = bracedEnd(begin);
    } else {
      while (end < masked.size() && masked[end] != ';' && masked[end] != '"') ++end;
    }
    for (size_t i = begin; i < end; ++i) masked[i] = '*';
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
  m_connectDiagnostics = XString();
  try {
    m_connection->Open(connectionString, XString(), XString());
    opened = true;
  } catch (const ado::ComError& error) {
    // The driver's own words go to the log; the message names only the (masked) string.
    ComErrorText(error);
    for (const ado::Error& diagnostic : m_connection->GetErrors()) {
      if (!m_connectDiagnostics.IsEmpty()) m_connectDiagnostics += " ";
      m_connectDiagnostics += XString("[") + diagnostic.sqlState + "] " + diagnostic.description;
    }
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

int32_t ODBCDataAccess::DetectServerType() const {
  if (!IsConnected()) return kDbNone;
  return m_connection->DbmsName() == XString("PostgreSQL") ? kDbPostgres : kDbNone;
}
