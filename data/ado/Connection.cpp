#include "data/ado/Connection.h"

#include "data/ado/ConnectionString.h"
#include "data/ado/OdbcCall.h"
#include "data/ado/ResultReader.h"

#include <algorithm>
#include <optional>
#include <string>

namespace ado {
namespace {

// Timeouts and the access mode are hints: a driver that cannot honour one (SQLite's driver
// refuses a login timeout) still connects, as ADO's ODBC bridge lets it.
void SetOptionalConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLULEN value) {
  odbc::SQLSetConnectAttrW(dbc, attribute, reinterpret_cast<SQLPOINTER>(value), SQL_IS_UINTEGER);
}

// Disconnects. A transaction left open (not by this read-only layer) makes the driver refuse:
// it is rolled back and the disconnect tried again rather than the connection leaked. Returns
// the first refusal's error when the second attempt fails too.
std::optional<ComError> Disconnect(SQLHDBC dbc) {
  SQLRETURN rc = odbc::SQLDisconnect(dbc);
  if (odbc::Succeeded(rc)) return std::nullopt;
  ComError error = odbc::MakeError(rc, SQL_HANDLE_DBC, dbc, "SQLDisconnect");
  odbc::SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
  if (odbc::Succeeded(odbc::SQLDisconnect(dbc))) return std::nullopt;
  return error;
}

}  // namespace

Connection::Connection() {
  if (!odbc::Succeeded(m_env.Allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE))) {
    throw ComError(kHresultFail, "SQLAllocHandle", "The ODBC driver manager could not be initialised.");
  }
  // Should this fail, m_env frees the environment as the exception leaves the constructor.
  SQLHENV env = m_env.Get();
  odbc::Check(odbc::SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, env, "SQLSetEnvAttr");
}

Connection::~Connection() {
  // The order a driver needs: the statements, the disconnect, the connection handle, and the
  // environment last.
  EndStatements();
  if (m_dbc) Disconnect(m_dbc.Get());
  m_dbc.Reset();
  m_env.Reset();
}

void Connection::SetMode(ConnectMode mode) {
  if (m_dbc) Raise(ComError(kHresultFail, "Connection", "The mode cannot be changed while the connection is open."));
  m_mode = mode;
}

void Connection::SetConnectionTimeout(int32_t seconds) {
  if (m_dbc) {
    Raise(ComError(kHresultFail, "Connection", "The connection timeout cannot be changed while the connection is open."));
  }
  m_connectionTimeout = seconds;
}

void Connection::Raise(const ComError& error) {
  m_errors = error.Diagnostics();
  if (m_errors.empty()) {
    Error own;
    own.number = error.HResult();
    own.description = error.Description();
    own.source = error.Source();
    m_errors.push_back(own);
  }
  throw error;
}

void Connection::Open(const XString& connectionString, const XString& userId, const XString& password) {
  if (m_dbc) Raise(ComError(kHresultFail, "Connection", "The connection is already open."));
  m_errors.clear();
  m_narrowTextReads = false;

  XString odbcString;
  try {
    odbcString = TranslateConnectionString(connectionString);
  } catch (const ComError& error) {
    Raise(error);
  }
  // ADO's Open takes the credentials as arguments too; they win over the string's, as there.
  DataSourceLogin login;
  const bool byLogin = ReadDataSourceLogin(connectionString, login);
  if (!userId.IsEmpty()) {
    odbcString += XString("UID=") + BraceConnectionValue(userId) + ";";
    login.userName = userId;
  }
  if (!password.IsEmpty()) {
    odbcString += XString("PWD=") + BraceConnectionValue(password) + ";";
    login.password = password;
  }

  SQLHENV env = m_env.Get();
  odbc::UniqueHandle connection;
  try {
    odbc::Check(connection.Allocate(SQL_HANDLE_DBC, env), SQL_HANDLE_ENV, env, "SQLAllocHandle");
  } catch (const ComError& error) {
    Raise(error);
  }
  SQLHDBC dbc = connection.Get();
  SetOptionalConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT, static_cast<SQLULEN>(m_connectionTimeout < 0 ? 0 : m_connectionTimeout));
  if (m_mode == adModeRead) SetOptionalConnectAttr(dbc, SQL_ATTR_ACCESS_MODE, SQL_MODE_READ_ONLY);

  SQLRETURN rc;
  const char* function;
  if (byLogin) {
    // Three values, not a string: nothing in a user name or password can end it early and
    // name another database or driver, whatever the driver makes of braces. An empty user
    // name or password is not passed, so that the data source's own login applies.
    // The driver manager converts each value into a fixed-size copy of its own and reads the
    // whole size from the value (66 bytes for a data source name, seen with unixODBC) however
    // short the text is: each value sits NUL-padded in a buffer longer than those copies.
    auto padded = [](const XString& narrow) {
      std::u16string value = odbc::ToWide(narrow);
      value.resize(std::max<size_t>(value.size() + 1, 1024), u'\0');
      return value;
    };
    const bool hasUser = !login.userName.IsEmpty(), hasPwd = !login.password.IsEmpty();
    std::u16string dsn = padded(login.dataSource), user = padded(login.userName), pwd = padded(login.password);
    auto text = [](std::u16string& value, bool given) { return given ? odbc::WidePtr(value) : nullptr; };
    auto length = [](bool given) { return static_cast<SQLSMALLINT>(given ? SQL_NTS : 0); };
    function = "SQLConnectW";
    rc = odbc::SQLConnectW(dbc, odbc::WidePtr(dsn), SQL_NTS, text(user, hasUser), length(hasUser),
                           text(pwd, hasPwd), length(hasPwd));
  } else {
    std::u16string in = odbc::ToWide(odbcString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    function = "SQLDriverConnectW";
    rc = odbc::SQLDriverConnectW(dbc, nullptr, odbc::WidePtr(in), SQL_NTS, out,
                                 static_cast<SQLSMALLINT>(sizeof out / sizeof out[0]), &outLength,
                                 SQL_DRIVER_NOPROMPT);
  }
  if (!odbc::Succeeded(rc)) {
    ComError error = odbc::MakeError(rc, SQL_HANDLE_DBC, dbc, function);
    connection.Reset();
    Raise(error);
  }
  m_dbc = std::move(connection);
}

void Connection::Unregister(ResultReader* reader) {
  m_readers.erase(std::remove(m_readers.begin(), m_readers.end(), reader), m_readers.end());
}

void Connection::EndStatements() {
  // Taken first: a reader that ends its statement here no longer unregisters.
  std::vector<ResultReader*> readers;
  readers.swap(m_readers);
  for (ResultReader* reader : readers) reader->EndForConnection();
}

void Connection::Close() {
  if (!m_dbc) Raise(ComError(kHresultObjectClosed, "Connection", "The connection is not open."));
  EndStatements();
  if (std::optional<ComError> error = Disconnect(m_dbc.Get())) Raise(*error);
  m_dbc.Reset();
}

XString Connection::DbmsName() const {
  if (!m_dbc) return XString();
  SQLWCHAR name[256];
  SQLSMALLINT bytes = 0;
  SQLRETURN rc = odbc::SQLGetInfoW(m_dbc.Get(), SQL_DBMS_NAME, name, sizeof name, &bytes);
  if (!odbc::Succeeded(rc) || bytes < 0) return XString();
  size_t units = static_cast<size_t>(bytes) / sizeof(SQLWCHAR);
  if (units >= sizeof name / sizeof name[0]) units = sizeof name / sizeof name[0] - 1;
  return odbc::ToNarrow(name, units);
}

}  // namespace ado
