// The SIS's schema as the extracts see it: whether a table or a field exists (the probes of
// each database type), the quoting of names and the SQL date literal of the dialect, and the
// table-definition dumps that a missing field leaves in the logs.
//
// Probes never throw for what they find: every failure is logged and answered with false. Only
// a lost link to the data source passes (as ado::ComError): it fails the run as a failing query
// does, instead of dropping columns from a run that then succeeds.
//
// A probe's answer is remembered for the connection: asked again (the extracts ask for the
// same table or field many times), it runs no query and writes the lines its first asking
// wrote, in the same order and words. ForgetProbes (called on every connect) forgets them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "data/DatabaseType.h"
#include "data/ODBCConnection.h"
#include "foundation/XEngineLog.h"
#include "foundation/XString.h"

class ODBCSchema {
 public:
  ODBCSchema(ODBCConnection& connection, XEngineLog& log) : m_connection(connection), m_log(log) {}
  ODBCSchema(const ODBCSchema&) = delete;
  ODBCSchema& operator=(const ODBCSchema&) = delete;

  bool DoTableExists(const XString& tableName);
  bool DoFieldExists(const XString& tableName, const XString& fieldName);
  // Forgets the remembered answers (a new connection may reach another database).
  void ForgetProbes() {
    m_answers.clear();
    m_probesRun = m_probesRemembered = 0;
  }
  // How many probes ran a query since the last ForgetProbes, and how many were answered from
  // memory.
  uint32_t ProbesRun() const { return m_probesRun; }
  uint32_t ProbesRemembered() const { return m_probesRemembered; }
  // The SQL a probe runs for the current type, options and quoting, without running it.
  struct ProbeQuery {
    ProbeCheck check = ProbeCheck::kNoProbe;  // kNoProbe: the type has no probe
    XString sql;
    XString fallback;  // runs instead when sql cannot run; empty for none
  };
  ProbeQuery TableProbeQuery(const XString& tableName) const;
  ProbeQuery FieldProbeQuery(const XString& tableName, const XString& fieldName) const;

  // Whether field and table names are written in double quotes (the probes and the builder).
  bool GetQuoteFields() const { return m_quoteFields; }
  void SetQuoteFields(bool quote) { m_quoteFields = quote; }
  bool GetQuoteTables() const { return m_quoteTables; }
  void SetQuoteTables(bool quote) { m_quoteTables = quote; }
  // The SQL literal of a day number for the current type.
  XString SQLDate(int32_t day) const;
  // The package's date pattern, which direct dBase access uses as its date literal.
  void SetXBaseDatePattern(const XString& pattern) { m_xbaseDatePattern = pattern; }

  // Where the table-definition dump writes "TableDefs.txt" (the bridge data folder).
  void SetDataFolder(const XString& folder) { m_dataFolder = folder; }
  // Lists a table's columns through a second connection logging to "TableDefs.txt".
  void DumpTableDefs(const XString& tableName);
  // Lists a table's columns with their types through this connection, in its own recordset.
  void DumpTableDefinition(const XString& tableName);

 private:
  ProbeQuery MakeProbeQuery(const ProbePattern& pattern, const XString& tableName, const XString& fieldName) const;
  // Opens a probe query in its own recordset and applies the check; false on any failure.
  bool RunProbe(const XString& sql, ProbeCheck check, const char* what);
  bool CanRun(const XString& sql);
  // The probes themselves, run once per answer.
  bool ProbeTable(const XString& tableName);
  bool ProbeField(const XString& tableName, const XString& fieldName);
  // The answer of `probe` for `key`: run (and its log lines kept) the first time, else the
  // remembered answer with its lines written again.
  bool Remembered(const std::string& key, const std::function<bool()>& probe);
  // What identifies a probe: its kind, the names, and what decides its SQL.
  std::string ProbeKey(char kind, const XString& tableName, const XString& fieldName) const;

  ODBCConnection& m_connection;
  XEngineLog& m_log;
  bool m_quoteFields = false;
  bool m_quoteTables = false;
  XString m_dataFolder;
  XString m_xbaseDatePattern = "mm/dd/yyyy";

  struct Answer {
    bool exists;
    std::vector<XEngineLog::Line> lines;
  };
  std::map<std::string, Answer> m_answers;
  uint32_t m_probesRun = 0;
  uint32_t m_probesRemembered = 0;
};
