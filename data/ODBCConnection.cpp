// Database types, connection strings, connecting and the driver's diagnostics.
#include "data/ODBCConnection.h"

#include <cstring>

#include "data/ado/Connection.h"
#include "data/ado/ConnectionString.h"
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

ODBCConnection::ODBCConnection(uint32_t options, XEngineLog& log) : m_log(log), m_accessOptions(options) {
  try {
    m_connection = std::make_unique<ado::Connection>();
  } catch (const XException& error) {
    throw XException("Failed to initialize connection.", error.Code());
  }
}

ODBCConnection::~ODBCConnection() {
  try {
    m_connection.reset();
  } catch (...) {
  }
}

bool ODBCConnection::IsDirectFileAccess() const {
  return GetDatabaseTypeInfo(m_databaseType).dialect & kDirectFileAccess;
}

const char* ODBCConnection::GetDatabaseTypeName() const { return DatabaseTypeName(m_databaseType); }

XString ODBCConnection::BuildConnectionString(const char* dataSource, const char* userName,
                                              const char* password) {
  m_log.ExtractLogWrite(kLogDebug, XString("Build Connection String for: ") + GetDatabaseTypeName());
  const ConnectionPattern& pattern = GetDatabaseTypeInfo(m_databaseType).connection;
  if (pattern.logLine) m_log.ExtractLogWrite(kLogDebug, pattern.logLine);
  if (pattern.form == ConnectionForm::kTypeNotSet || pattern.form == ConnectionForm::kNoConnectionString) {
    const char* message = pattern.form == ConnectionForm::kTypeNotSet
                              ? "Can't build connection string for unknown database type."
                              : "Database type not yet defined for BuildConnectionString, please define.";
    m_log.ExtractLogWrite(kLogDebug, message);
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
      if (!IsDirectFileAccess()) source = Value(source.c_str());
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

std::vector<std::string> ODBCConnection::ValuesUnsafeInString(const XString& connectionString) {
  return ado::ValuesUnsafeInString(connectionString);
}

XString ODBCConnection::MaskPassword(const XString& text) {
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

void ODBCConnection::Connect(const XString& connectionString) {
  if (IsConnected()) Disconnect();
  if (IsDirectFileAccess()) {
    m_log.ExtractLogWrite(kLogInfo, "Connect - Could not connect need to define USE_XBASE");
    return;
  }
  m_connectionString = connectionString;
  XString masked = MaskPassword(connectionString);
  m_log.ExtractLogWrite(kLogDebug, XString("ODBC::Connect - Connection String :") + masked);

  if (m_accessOptions & kExclusiveAccess) {
    m_connection->SetMode(ado::adModeShareExclusive);
    m_log.ExtractLogWrite(kLogDebug, "Open in Exclusive Access Mode.");
  } else {
    m_connection->SetMode(ado::adModeRead);
    m_log.ExtractLogWrite(kLogDebug, "Open in Read Only Access Mode.");
  }
  m_connection->SetConnectionTimeout(GetConnectionTimeout());
  m_connection->SetCommandTimeout(GetCommandTimeout());

  bool opened = false;
  XString diagnostics;
  try {
    m_connection->Open(connectionString, XString(), XString());
    opened = true;
  } catch (const ado::ComError& error) {
    // The driver's own words go to the log; the message names only the (masked) string.
    ComErrorText(error);
    for (const ado::Error& diagnostic : m_connection->GetErrors()) {
      if (!diagnostics.IsEmpty()) diagnostics += " ";
      diagnostics += XString("[") + diagnostic.sqlState + "] " + diagnostic.description;
    }
  }
  if (!opened) {
    m_log.ExtractLogWrite(kLogDebug, "Failed to connect to data source with connection string.");
    throw ConnectError(
        XException::Format(0, "Failed to connect to data source with connection string: %s", masked.c_str()),
        diagnostics);
  }
  m_log.ExtractLogWrite(kLogDebug, "Connected to data source.");
}

void ODBCConnection::Disconnect() {
  if (IsDirectFileAccess()) {
    m_log.RunLogWrite(kLogInfo, "Disconnect: Xbase not defined!");
    return;
  }
  if (m_connection->State() == ado::adStateOpen) m_connection->Close();
}

bool ODBCConnection::IsConnected() const {
  return m_connection && m_connection->State() == ado::adStateOpen;
}

int32_t ODBCConnection::DetectServerType() const {
  if (!IsConnected()) return kDbNone;
  return m_connection->DbmsName() == XString("PostgreSQL") ? kDbPostgres : kDbNone;
}

XString ODBCConnection::ComErrorText(const ado::ComError& error) {
  XString text;
  const ado::Errors& errors = m_connection->GetErrors().empty() ? error.Diagnostics() : m_connection->GetErrors();
  for (const ado::Error& entry : errors) {
    XString line;
    line.Format(2048, "Error number: %x\t%s\r\n", static_cast<unsigned>(entry.number), entry.description.c_str());
    text += line;
  }
  // Over ODBC the code's meaning is the driver's SQLSTATE, which says more than the HRESULT.
  XString meaning = error.SqlState().IsEmpty() ? XString(ado::HResultMeaning(error.HResult()))
                                               : XString("SQLSTATE ") + error.SqlState();
  XString tail;
  tail.Format(4096, "COM Error Code = %08lx, Code Meaning = %s\r\nSource = %s, Description = %s",
              static_cast<unsigned long>(static_cast<uint32_t>(error.HResult())), meaning.c_str(),
              error.Source().c_str(), error.Description().c_str());
  text += tail;
  m_log.ExtractLogWrite(kLogDebug, text);
  return text;
}
