// The steps of the data access that need more than one of its parts.
#include "data/ODBCDataAccess.h"

ODBCDataAccess::ODBCDataAccess(uint32_t options, XEngineLog& log)
    : m_connection(options, log), m_schema(m_connection, log), m_query(m_connection, m_schema, log),
      m_odbcReader(m_connection, log) {}

ODBCDataAccess::~ODBCDataAccess() {
  // The open query belongs to the connection, so it goes first.
  m_query.ClearQuery();
  m_odbcReader.CloseQuery();
}

void ODBCDataAccess::Connect(const XString& connectionString) {
  if (IsConnected()) Disconnect();
  m_reader = m_connection.IsDirectFileAccess() ? static_cast<RecordReader*>(&m_noRecords) : &m_odbcReader;
  m_schema.ForgetProbes();
  m_connection.Connect(connectionString);
}

void ODBCDataAccess::Disconnect() {
  if (m_connection.IsConnected()) m_reader->CloseQuery();
  m_connection.Disconnect();
}

void ODBCDataAccess::RunBuiltQuery() { m_reader->RunQuery(m_query.BuildQuery()); }

int64_t ODBCDataAccess::CountBuiltQuery() {
  if (m_connection.IsDirectFileAccess()) return 0;
  return m_reader->CountQuery(m_query.BuildQuery());
}

void ODBCDataAccess::CloseQuery() {
  m_query.ClearQuery();
  m_reader->CloseQuery();
}

void ODBCDataAccess::DumpTableDefinition(const XString& tableName) {
  try {
    m_schema.DumpTableDefinition(tableName);
  } catch (...) {
    CloseQuery();
    throw;
  }
  CloseQuery();
}
