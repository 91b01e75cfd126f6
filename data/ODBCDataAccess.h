// Access to the SIS database, as the parts that the engine uses: the connection (its type,
// connection strings and connecting), the schema probes and dialect, the query of the extract
// in hand with its SELECT builder, and the reader of the open query's records. This object owns
// the four and the steps that need more than one of them: connecting chooses the reader for the
// database type (ODBC, or none for a type read as files without a driver), disconnecting closes
// the open query first, and a query runs, is counted and is closed from the built model.
//
// Single-threaded: one object is used and destroyed by the thread that created it.
#pragma once

#include <cstdint>

#include "data/NoRecordReader.h"
#include "data/ODBCConnection.h"
#include "data/ODBCQuery.h"
#include "data/ODBCRecordReader.h"
#include "data/ODBCSchema.h"
#include "data/RecordReader.h"
#include "foundation/XEngineLog.h"
#include "foundation/XString.h"

class DryRunReport;

class ODBCDataAccess {
 public:
  // Throws "Failed to initialize connection." when the connection object cannot be made.
  ODBCDataAccess(uint32_t options, XEngineLog& log);
  ~ODBCDataAccess();
  ODBCDataAccess(const ODBCDataAccess&) = delete;
  ODBCDataAccess& operator=(const ODBCDataAccess&) = delete;

  ODBCConnection& Connection() { return m_connection; }
  const ODBCConnection& Connection() const { return m_connection; }
  ODBCSchema& Schema() { return m_schema; }
  ODBCQuery& Query() { return m_query; }
  // The reader chosen by the last Connect (the ODBC reader before any).
  RecordReader& Reader() { return *m_reader; }

  // Connects (see ODBCConnection::Connect) and chooses the reader of the database type.
  void Connect(const XString& connectionString);
  // Closes the open query, which cannot outlive its connection, then the connection.
  void Disconnect();
  bool IsConnected() const { return m_connection.IsConnected(); }

  // Runs the built query as the open query; a failure throws naming the driver's error.
  void RunBuiltQuery();
  // The number of rows the built query returns, counted by the database; a failure throws as
  // running the query itself would. The model stays.
  int64_t CountBuiltQuery();
  // Closes the open query and clears the model.
  void CloseQuery();
  // Lists a table's columns with their types in the extract log; as after a query of its
  // own, no query stays open and the model is cleared.
  void DumpTableDefinition(const XString& tableName);
  // A dry run's report (see ODBCQuery::SetDryRun); null for a real run.
  void SetDryRun(DryRunReport* report) { m_query.SetDryRun(report); }

 private:
  ODBCConnection m_connection;
  ODBCSchema m_schema;
  ODBCQuery m_query;
  ODBCRecordReader m_odbcReader;
  NoRecordReader m_noRecords;
  RecordReader* m_reader = &m_odbcReader;
};
