// An ADO-shaped connection over ODBC: Mode, ConnectionTimeout, CommandTimeout, State,
// Open, Close and the Errors collection, with ADO's meaning. Owns the ODBC environment and
// connection handles; one object is used by one thread.
//
// Each statement belongs to the reader that runs it (ResultReader.h), which registers with
// the connection while it holds one. Closing or destroying the connection first asks every
// such reader to end its statement (a driver may refuse to disconnect while a statement is
// unfinished), then disconnects, then frees the connection handle; the environment goes last,
// with the object. A reader so ended reports its connection closed from then on.
#pragma once

#include <cstdint>
#include <vector>

#include "data/ado/AdoTypes.h"
#include "data/ado/ComError.h"
#include "data/ado/UniqueHandle.h"
#include "foundation/XString.h"

namespace ado {

class ResultReader;

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
  void* OdbcHandle() const { return m_dbc.Get(); }
  // Records a failure's diagnostics in the Errors collection and rethrows it.
  [[noreturn]] void Raise(const ComError& error);

 private:
  friend class ResultReader;
  // A reader that holds a statement on this connection, from its SQLAllocHandle to its
  // SQLFreeHandle (see above).
  void Register(ResultReader* reader) { m_readers.push_back(reader); }
  void Unregister(ResultReader* reader);
  // Asks every registered reader to end its statement, and forgets them.
  void EndStatements();

  odbc::UniqueHandle m_env;
  odbc::UniqueHandle m_dbc;  // held while the connection is open
  std::vector<ResultReader*> m_readers;
  ConnectMode m_mode = adModeUnknown;
  int32_t m_connectionTimeout = 15;
  int32_t m_commandTimeout = 30;
  Errors m_errors;
  bool m_narrowTextReads = false;
};

}  // namespace ado
