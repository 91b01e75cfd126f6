// Schema probes, SQL date literals and the table-definition dumps.
#include "data/ODBCSchema.h"

#include <string>
#include <utility>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "data/ODBCRecordReader.h"
#include "foundation/XDate.h"
#include "foundation/XException.h"
#include "foundation/XLogFile.h"

namespace {

// With kProbeBySelect, every type probes by selecting from the table (or the field).
constexpr const char* kTableBySelect = "SELECT * FROM {t}";
constexpr const char* kFieldBySelect = "SELECT {f} FROM {t}";

// A failure that says nothing about the table or field probed: the link to the data source
// was lost or timed out (SQLSTATE class 08, HYT00, HYT01). A probe must not read it as a
// missing table or field, which would drop columns from a run that then succeeds: it fails
// the run as a failing query does.
bool LostLink(const ado::ComError& error) {
  const std::string state = error.SqlState().ToStd();
  return state.rfind("08", 0) == 0 || state == "HYT00" || state == "HYT01";
}

}  // namespace

bool ODBCSchema::CanRun(const XString& sql) {
  try {
    ado::Recordset probe;
    probe.SetMaxRecords(1);  // it only has to run
    probe.Open(sql, m_connection.Ado(), ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    probe.Close();
    return true;
  } catch (const ado::ComError& error) {
    if (LostLink(error)) throw;
    return false;
  } catch (...) {
    return false;
  }
}

bool ODBCSchema::RunProbe(const XString& sql, ProbeCheck check, const char* what) {
  bool traced = what[0] == 'F';  // the field probe traces its evaluation
  try {
    auto probe = std::make_unique<ado::Recordset>();
    // Every check looks at the first record at most; the client-side cursor would otherwise
    // read the whole table for each probe.
    probe->SetMaxRecords(1);
    try {
      probe->Open(sql, m_connection.Ado(), ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    } catch (const ado::ComError& error) {
      if (LostLink(error)) throw;  // logged once, below
      m_connection.ComErrorText(error);
      if (traced) m_log.ExtractLogWrite(kLogProprietary, "Query Failed.");
      return false;
    }
    if (traced) m_log.ExtractLogWrite(kLogProprietary, "Query Succeeded.");
    bool exists = false;
    {
      // The probe's recordset is read as an open query is, by a reader of its own.
      ODBCRecordReader reader(m_connection, m_log);
      ado::Recordset& recordset = *probe;
      reader.Adopt(std::move(probe));
      switch (check) {
        case ProbeCheck::kNoProbe:
          break;
        case ProbeCheck::kOpens:
          exists = true;
          break;
        case ProbeCheck::kHasRecords: {
          if (traced) m_log.ExtractLogWrite(kLogProprietary, "Check Result Count.");
          int32_t count = reader.GetRecordCount();
          if (traced) m_log.ExtractLogWrite(kLogProprietary, XString("Query RecordCount = ") + XString(static_cast<int>(count)));
          exists = count >= 1;
          break;
        }
        case ProbeCheck::kFirstValue:
          if (traced) m_log.ExtractLogWrite(kLogProprietary, "Check Result.");
          if (!reader.GetFirstRecord()) {
            if (traced) m_log.ExtractLogWrite(kLogProprietary, "No Record.");
          } else {
            int64_t value = ODBCRecordReader::VariantToInteger(recordset.GetField(0).Value());
            if (traced) {
              m_log.ExtractLogWrite(kLogProprietary, "Record Found.");
              m_log.ExtractLogWrite(kLogProprietary, XString("Record Value =") + XString(static_cast<int64_t>(value)));
            }
            exists = value >= 1;
          }
          break;
      }
      if (recordset.State() == ado::adStateOpen) recordset.Close();
    }
    if (exists && traced) m_log.ExtractLogWrite(kLogProprietary, "Field Valid.");
    return exists;
  } catch (const ado::ComError& error) {
    m_connection.ComErrorText(error);
    if (LostLink(error)) throw;
  } catch (...) {
    m_log.ExtractLogWrite(kLogDebug, traced ? "Unknown Error in DoFieldExists" : "Unknown Error occured in DoTableExists");
  }
  return false;
}

ODBCSchema::ProbeQuery ODBCSchema::TableProbeQuery(const XString& tableName) const {
  ProbePattern pattern = GetDatabaseTypeInfo(m_connection.GetDatabaseType()).tableProbe;
  if (m_connection.GetAccessOptions() & kProbeBySelect) pattern = {ProbeCheck::kOpens, kTableBySelect, nullptr};
  return MakeProbeQuery(pattern, tableName, XString());
}

ODBCSchema::ProbeQuery ODBCSchema::FieldProbeQuery(const XString& tableName, const XString& fieldName) const {
  ProbePattern pattern = GetDatabaseTypeInfo(m_connection.GetDatabaseType()).fieldProbe;
  if (m_connection.GetAccessOptions() & kProbeBySelect) pattern = {ProbeCheck::kOpens, kFieldBySelect, nullptr};
  return MakeProbeQuery(pattern, tableName, fieldName);
}

ODBCSchema::ProbeQuery ODBCSchema::MakeProbeQuery(const ProbePattern& pattern, const XString& tableName,
                                                          const XString& fieldName) const {
  ProbeQuery query;
  query.check = pattern.check;
  if (pattern.sql) query.sql = ExpandProbeSql(pattern.sql, tableName, fieldName, m_quoteTables, m_quoteFields);
  if (pattern.fallback) {
    query.fallback = ExpandProbeSql(pattern.fallback, tableName, fieldName, m_quoteTables, m_quoteFields);
  }
  return query;
}

std::string ODBCSchema::ProbeKey(char kind, const XString& tableName, const XString& fieldName) const {
  std::string key(1, kind);
  key += std::to_string(m_connection.GetDatabaseType()) + '/' + std::to_string(m_connection.GetAccessOptions()) +
         (m_quoteTables ? "T" : "t") + (m_quoteFields ? "F" : "f") + '/';
  key += tableName.ToStd();
  key += '\0';
  key += fieldName.ToStd();
  return key;
}

bool ODBCSchema::Remembered(const std::string& key, const std::function<bool()>& probe) {
  auto known = m_answers.find(key);
  if (known != m_answers.end()) {
    ++m_probesRemembered;
    m_log.Replay(known->second.lines);
    return known->second.exists;
  }
  // The lines are kept only for an answer: a probe that throws (a lost link) is asked again.
  std::vector<XEngineLog::Line> lines;
  std::vector<XEngineLog::Line>* outer = m_log.Record(&lines);
  auto stopRecording = [&] {
    m_log.Record(outer);
    if (outer != nullptr) outer->insert(outer->end(), lines.begin(), lines.end());
  };
  bool exists = false;
  try {
    exists = probe();
  } catch (...) {
    stopRecording();
    throw;
  }
  stopRecording();
  ++m_probesRun;
  m_answers.emplace(key, Answer{exists, std::move(lines)});
  return exists;
}

bool ODBCSchema::DoTableExists(const XString& tableName) {
  return Remembered(ProbeKey('T', tableName, XString()), [&] { return ProbeTable(tableName); });
}

bool ODBCSchema::DoFieldExists(const XString& tableName, const XString& fieldName) {
  return Remembered(ProbeKey('F', tableName, fieldName), [&] { return ProbeField(tableName, fieldName); });
}

bool ODBCSchema::ProbeTable(const XString& tableName) {
  try {
    m_log.ExtractLogWrite(kLogProprietary, XString("Table Exists query:") + tableName);
    if (m_connection.IsDirectFileAccess()) {
      m_log.ExtractLogWrite(kLogDebug, "Need to define USE_XBASE!!");
      return false;
    }
    ProbeQuery query = TableProbeQuery(tableName);
    if (query.check == ProbeCheck::kNoProbe) {
      m_log.ExtractLogWrite(kLogDebug, "DB Type not defined for TableExists yet, feel free to do so.");
      return false;
    }
    if (!query.fallback.IsEmpty() && !CanRun(query.sql)) query.sql = query.fallback;
    m_log.ExtractLogWrite(kLogProprietary, XString("Table Exists query:") + query.sql);
    return RunProbe(query.sql, query.check, "Table");
  } catch (const ado::ComError&) {
    throw;  // only a lost link gets here (the probes answer every other failure): it fails the run
  } catch (...) {
    m_log.ExtractLogWrite(kLogDebug, "Unknown Error occured in DoTableExists");
    return false;
  }
}

bool ODBCSchema::ProbeField(const XString& tableName, const XString& fieldName) {
  try {
    ProbeQuery query = FieldProbeQuery(tableName, fieldName);
    if (query.check == ProbeCheck::kNoProbe) {
      m_log.ExtractLogWrite(kLogDebug, "DB Type not defined for FieldExists yet, feel free to do so.");
      return false;
    }
    if (!query.fallback.IsEmpty() && !CanRun(query.sql)) query.sql = query.fallback;
    m_log.ExtractLogWrite(kLogProprietary, XString("Field Exists query:") + query.sql);
    return RunProbe(query.sql, query.check, "Field");
  } catch (const ado::ComError&) {
    throw;  // only a lost link gets here (the probes answer every other failure): it fails the run
  } catch (...) {
    m_log.ExtractLogWrite(kLogDebug, "Unknown Error in DoFieldExists");
    return false;
  }
}

XString ODBCSchema::SQLDate(int32_t day) const {
  const DatePattern& date = GetDatabaseTypeInfo(m_connection.GetDatabaseType()).date;
  switch (date.form) {
    case DateForm::kDatePattern:
      return XString(date.prefix) + XDate::FormatDate(day, date.pattern) + date.suffix;
    case DateForm::kPackageDatePattern:
      return XDate::FormatDate(day, m_xbaseDatePattern.c_str());
    case DateForm::kDaysSince1800:
      return XString(static_cast<int>(day - 73410));  // day 73410 is 1800-12-28
    case DateForm::kNoDateLiteral:
      break;
  }
  throw XException("DB Type not defined for XODBC::SQLDate yet, feel free to do so.");
}

void ODBCSchema::DumpTableDefs(const XString& tableName) {
  m_log.ExtractLogWrite(kLogDebug, tableName + " contents:");
  try {
    std::unique_ptr<XLogFile> log;
    if (!m_dataFolder.IsEmpty()) {
      XFileSpec path = XFileSpec::Folder(m_dataFolder.c_str());
      path.AppendName("TableDefs.txt");
      log = std::make_unique<XLogFile>(XString("TableDefs"), path, kLogDebug);
    } else {
      log = std::make_unique<XLogFile>(XString("TableDefs"), kLogNone);
    }
    log->Begin();
    XEngineLog secondLog(log.get(), log.get());
    ODBCConnection second(kForwardOnly, secondLog);
    second.SetDatabaseType(m_connection.GetDatabaseType());
    second.SetDataSource(m_connection.GetDataSource());
    second.Connect(m_connection.GetConnectionString());
    {
      ODBCRecordReader reader(second, secondLog);
      reader.RunQuery(XString("SELECT * FROM ") + tableName);
      for (int32_t i = 0; i < reader.GetFieldCount(); ++i) m_log.ExtractLogWrite(kLogDebug, reader.GetFieldName(i));
      reader.CloseQuery();
    }
    second.Disconnect();
    log->End();
  } catch (...) {
    // A diagnostic aid only: whatever fails here must not disturb the extract.
  }
}

void ODBCSchema::DumpTableDefinition(const XString& tableName) {
  // Run as RunQuery runs a query (the same log lines), but only the columns are wanted: the
  // client-side cursor keeps one record instead of reading the whole table, which for the
  // student or class table of a big school costs as much as the extract that follows.
  const XString sql = XString("SELECT * FROM ") + tableName;
  try {
    m_log.ExtractLogWrite(kLogDebug, "Running Query");
    std::unique_ptr<ado::Recordset> dump;
    if (!m_connection.IsDirectFileAccess()) {
      dump = std::make_unique<ado::Recordset>();
      m_log.ExtractLogWrite(kLogProprietary, sql);
      m_log.RunLogWrite(kLogProprietary, sql);
      dump->SetMaxRecords(1);
      dump->SetCursorLocation(ado::adUseClient);
      dump->SetCursorType(ado::adOpenStatic);
      m_connection.Ado().ClearErrors();
      try {
        dump->Open(sql, m_connection.Ado(),
                   (m_connection.GetAccessOptions() & kForwardOnly) ? ado::adOpenForwardOnly : ado::adOpenStatic,
                   (m_connection.GetAccessOptions() & kPessimisticLock) ? ado::adLockPessimistic : ado::adLockReadOnly,
                   ado::adCmdText);
      } catch (const ado::ComError& error) {
        m_log.RunLogWrite(kLogProprietary, XString("RunQuery: While executing: ") + sql + ", " + m_connection.ComErrorText(error));
        throw;
      }
    }
    // The dump's recordset is read as an open query is while its columns are listed.
    ODBCRecordReader reader(m_connection, m_log);
    if (dump) reader.Adopt(std::move(dump));
    m_log.ExtractLogWrite(kLogDebug, tableName + " contents:");
    for (int32_t i = 0; i < reader.GetFieldCount(); ++i) {
      m_log.ExtractLogWrite(kLogDebug, reader.GetFieldName(i) + " - " + reader.GetFieldTypeName(i));
    }
    reader.CloseQuery();
  } catch (const ado::ComError& error) {
    // Only for the log, but a lost link is the run's failure here as anywhere.
    if (LostLink(error)) throw;
  } catch (...) {
  }
}
