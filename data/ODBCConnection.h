// The connection to the SIS database: its database type, the connection strings of the known
// database products, connecting and disconnecting, and the driver's diagnostics. It owns the
// ADO-shaped connection object (data/ado) for its whole life.
//
// Single-threaded: one object is used and destroyed by the thread that created it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/DatabaseType.h"
#include "foundation/XEngineLog.h"
#include "foundation/XException.h"
#include "foundation/XString.h"

namespace ado {
class Connection;
class ComError;
}  // namespace ado

class ODBCConnection {
 public:
  // What Connect throws when the data source refuses: the message names the (masked) string
  // only; the driver's own words ("[SQLSTATE] message", several joined by blanks) come with it.
  class ConnectError : public XException {
   public:
    ConnectError(const XException& error, const XString& diagnostics) : XException(error), m_diagnostics(diagnostics) {}
    const XString& Diagnostics() const { return m_diagnostics; }

   private:
    XString m_diagnostics;
  };

  // Throws "Failed to initialize connection." when the connection object cannot be made.
  ODBCConnection(uint32_t options, XEngineLog& log);
  ~ODBCConnection();
  ODBCConnection(const ODBCConnection&) = delete;
  ODBCConnection& operator=(const ODBCConnection&) = delete;

  int32_t GetDatabaseType() const { return m_databaseType; }
  void SetDatabaseType(int32_t type) { m_databaseType = type; }
  // Display name of the current type ("" when not set).
  const char* GetDatabaseTypeName() const;
  // True for a type read as files without a driver (dBase): it has no connection and no query.
  bool IsDirectFileAccess() const;
  const XString& GetDataSource() const { return m_dataSource; }
  void SetDataSource(const XString& dataSource) { m_dataSource = dataSource; }
  // The last string given to Connect.
  const XString& GetConnectionString() const { return m_connectionString; }
  uint32_t GetAccessOptions() const { return m_accessOptions; }
  int32_t GetConnectionTimeout() const { return m_connectionTimeout; }
  void SetConnectionTimeout(int32_t seconds) { m_connectionTimeout = seconds; }
  int32_t GetCommandTimeout() const { return m_commandTimeout; }
  void SetCommandTimeout(int32_t seconds) { m_commandTimeout = seconds; }

  // User name and password may be null (absent), which differs from empty for some types.
  XString BuildConnectionString(const char* dataSource, const char* userName, const char* password);
  // Opens the connection (closing an open one first); throws ConnectError when the data source
  // refuses.
  void Connect(const XString& connectionString);
  void Disconnect();
  bool IsConnected() const;
  // The database type that the open connection's server calls for, when the driver names a
  // product that needs a type of its own (PostgreSQL: kDbPostgres); kDbNone otherwise.
  int32_t DetectServerType() const;
  // The keys ("DSN", "DATABASE", "UID", "PWD") of the values that Connect would have to give
  // the driver inside a connection string and that hold ';', '{' or '}', which a driver that
  // does not honour braces misreads. Empty when the string is a data source and a login, which
  // Connect passes as separate values (ado::ReadDataSourceLogin).
  static std::vector<std::string> ValuesUnsafeInString(const XString& connectionString);
  // The text with the value of its first password key replaced by '*' (length kept); a
  // braced value is masked whole, braces included, and keys inside braces are not keys.
  static XString MaskPassword(const XString& text);

  // The COM error text: the connection's ODBC diagnostics, then the error itself; logged.
  XString ComErrorText(const ado::ComError& error);
  // The ADO-shaped connection that queries and probes open their recordsets on.
  ado::Connection& Ado() { return *m_connection; }

 private:
  XEngineLog& m_log;
  uint32_t m_accessOptions;
  int32_t m_databaseType = kDbNone;
  int32_t m_connectionTimeout = 15;
  int32_t m_commandTimeout = 30;
  XString m_dataSource;
  XString m_connectionString;
  std::unique_ptr<ado::Connection> m_connection;
};
