// An ADO-shaped connection over ODBC: Mode, ConnectionTimeout, CommandTimeout, State,
// Open, Close and the Errors collection, with ADO's meaning. Owns the ODBC environment and
// connection handles; one object is used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "data/ado/AdoTypes.h"
#include "data/ado/ComError.h"
#include "foundation/XString.h"

namespace ado {

class Connection {
 public:
  Connection();  // allocates the ODBC environment; throws ComError when it cannot
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Properties, set before Open (as ADO requires).
  ConnectMode GetMode() const { return m_mode; }
  void SetMode(ConnectMode mode);
  int32_t GetConnectionTimeout() const { return m_connectionTimeout; }  // seconds, 0 = none
  void SetConnectionTimeout(int32_t seconds);
  int32_t GetCommandTimeout() const { return m_commandTimeout; }  // seconds, 0 = none
  void SetCommandTimeout(int32_t seconds) { m_commandTimeout = seconds; }

  // Opens the connection with an ADO connection string (translated, see ConnectionString.h).
  // The user and password arguments win over the string's when not empty, as ADO's Open does.
  // A data source with a login and nothing else (ReadDataSourceLogin) is opened with the data
  // source, user name and password as separate values (SQLConnect); any other string goes to
  // the driver manager as a string (SQLDriverConnect). Throws ComError when the string cannot
  // be translated or the driver refuses; the Errors collection then holds the driver's
  // diagnostics. Opening an open connection throws.
  void Open(const XString& connectionString, const XString& userId = XString(),
            const XString& password = XString());
  void Close();  // closes an open connection; throws ComError when it is not open
  ObjectState State() const { return m_dbc ? adStateOpen : adStateClosed; }

  // The diagnostics of the last failing call on this connection or its recordsets.
  const Errors& GetErrors() const { return m_errors; }
  void ClearErrors() { m_errors.clear(); }

  // Text that is not plain ASCII, and long text, is read as UTF-16. A driver without
  // wide-character reads (an ANSI driver) refuses that; from the first refusal on, the
  // connection's text is read 8-bit in the driver's code page, which is taken to be the
  // program's. Open starts with UTF-16 again.
  bool NarrowTextReads() const { return m_narrowTextReads; }
  void SetNarrowTextReads(bool on) { m_narrowTextReads = on; }

  // The database product behind the open connection as its driver names it ("PostgreSQL",
  // "SQLite", "Microsoft SQL Server"); empty when closed or when the driver does not say.
  XString DbmsName() const;

  // The ODBC connection handle (SQLHDBC) for recordsets; null when closed.
  void* OdbcHandle() const { return m_dbc; }
  // True while the handle of this opening is open; false for good once it closes (disconnecting
  // frees the statements made on it). A recordset that keeps a statement past its Open checks
  // it before using or freeing the statement. Null when closed.
  std::shared_ptr<const bool> OpenToken() const { return m_open; }
  // Statements (SQLHSTMT) that recordsets keep open past their Open. Closing the connection
  // frees those still kept before it disconnects: a driver may refuse to disconnect while a
  // statement is unfinished.
  void KeepStatement(void* stmt) { m_keptStatements.push_back(stmt); }
  void ReleaseStatement(void* stmt);
  // Records a failure's diagnostics in the Errors collection and rethrows it.
  [[noreturn]] void Raise(const ComError& error);

 private:
  void FreeKeptStatements();

  void* m_env = nullptr;
  void* m_dbc = nullptr;
  std::shared_ptr<bool> m_open;
  std::vector<void*> m_keptStatements;
  ConnectMode m_mode = adModeUnknown;
  int32_t m_connectionTimeout = 15;
  int32_t m_commandTimeout = 30;
  Errors m_errors;
  bool m_narrowTextReads = false;
};

}  // namespace ado
