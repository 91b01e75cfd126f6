// Schema probes, SQL date literals, the attendance change-date filter and the table-definition
// dumps.
#include "data/ODBCDataAccess.h"

#include <string>
#include <utility>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
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

// Swaps a probe's recordset in as the open query for the length of a scope, so that the
// record-count and first-record logic serve probes too; the current query comes back after.
class ProbeRecordsetScope {
 public:
  ProbeRecordsetScope(std::unique_ptr<ado::Recordset>& current, std::unique_ptr<ado::Recordset>& probe)
      : m_current(current), m_probe(probe) {
    std::swap(m_current, m_probe);
  }
  ~ProbeRecordsetScope() { std::swap(m_current, m_probe); }

 private:
  std::unique_ptr<ado::Recordset>& m_current;
  std::unique_ptr<ado::Recordset>& m_probe;
};

bool ODBCDataAccess::CanRun(const XString& sql) {
  try {
    ado::Recordset probe;
    probe.SetMaxRecords(1);  // it only has to run
    probe.Open(sql, *m_connection, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    probe.Close();
    return true;
  } catch (const ado::ComError& error) {
    if (LostLink(error)) throw;
    return false;
  } catch (...) {
    return false;
  }
}

bool ODBCDataAccess::RunProbe(const XString& sql, ProbeCheck check, const char* what) {
  bool traced = what[0] == 'F';  // the field probe traces its evaluation
  try {
    auto probe = std::make_unique<ado::Recordset>();
    // Every check looks at the first record at most; the client-side cursor would otherwise
    // read the whole table for each probe.
    probe->SetMaxRecords(1);
    try {
      probe->Open(sql, *m_connection, ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    } catch (const ado::ComError& error) {
      if (LostLink(error)) throw;  // logged once, below
      ComErrorText(error);
      if (traced) LogExtract(kLogProprietary, "Query Failed.");
      return false;
    }
    if (traced) LogExtract(kLogProprietary, "Query Succeeded.");
    bool exists = false;
    {
      ProbeRecordsetScope scope(m_recordset, probe);
      switch (check) {
        case ProbeCheck::kNoProbe:
          break;
        case ProbeCheck::kOpens:
          exists = true;
          break;
        case ProbeCheck::kHasRecords: {
          if (traced) LogExtract(kLogProprietary, "Check Result Count.");
          int32_t count = GetRecordCount();
          if (traced) LogExtract(kLogProprietary, XString("Query RecordCount = ") + XString(static_cast<int>(count)));
          exists = count >= 1;
          break;
        }
        case ProbeCheck::kFirstValue:
          if (traced) LogExtract(kLogProprietary, "Check Result.");
          if (!GetFirstRecord()) {
            if (traced) LogExtract(kLogProprietary, "No Record.");
          } else {
            int64_t value = VariantToInteger(m_recordset->GetField(0).Value());
            if (traced) {
              LogExtract(kLogProprietary, "Record Found.");
              LogExtract(kLogProprietary, XString("Record Value =") + XString(static_cast<int64_t>(value)));
            }
            exists = value >= 1;
          }
          break;
      }
    }
    if (probe->State() == ado::adStateOpen) probe->Close();
    if (exists && traced) LogExtract(kLogProprietary, "Field Valid.");
    return exists;
  } catch (const ado::ComError& error) {
    ComErrorText(error);
    if (LostLink(error)) throw;
  } catch (...) {
    LogExtract(kLogDebug, traced ? "Unknown Error in DoFieldExists" : "Unknown Error occured in DoTableExists");
  }
  return false;
}

ODBCDataAccess::ProbeQuery ODBCDataAccess::TableProbeQuery(const XString& tableName) const {
  ProbePattern pattern = GetDatabaseTypeInfo(m_databaseType).tableProbe;
  if (m_accessOptions & kProbeBySelect) pattern = {ProbeCheck::kOpens, kTableBySelect, nullptr};
  return MakeProbeQuery(pattern, tableName, XString());
}

ODBCDataAccess::ProbeQuery ODBCDataAccess::FieldProbeQuery(const XString& tableName, const XString& fieldName) const {
  ProbePattern pattern = GetDatabaseTypeInfo(m_databaseType).fieldProbe;
  if (m_accessOptions & kProbeBySelect) pattern = {ProbeCheck::kOpens, kFieldBySelect, nullptr};
  return MakeProbeQuery(pattern, tableName, fieldName);
}

ODBCDataAccess::ProbeQuery ODBCDataAccess::MakeProbeQuery(const ProbePattern& pattern, const XString& tableName,
                                                          const XString& fieldName) const {
  ProbeQuery query;
  query.check = pattern.check;
  if (pattern.sql) query.sql = ExpandProbeSql(pattern.sql, tableName, fieldName, m_quoteTables, m_quoteFields);
  if (pattern.fallback) {
    query.fallback = ExpandProbeSql(pattern.fallback, tableName, fieldName, m_quoteTables, m_quoteFields);
  }
  return query;
}

bool ODBCDataAccess::DoTableExists(const XString& tableName) {
  try {
    LogExtract(kLogProprietary, XString("Table Exists query:") + tableName);
    if (IsXBase()) {
      LogExtract(kLogDebug, "Need to define USE_XBASE!!");
      return false;
    }
    ProbeQuery query = TableProbeQuery(tableName);
    if (query.check == ProbeCheck::kNoProbe) {
      LogExtract(kLogDebug, "DB Type not defined for TableExists yet, feel free to do so.");
      return false;
    }
    if (!query.fallback.IsEmpty() && !CanRun(query.sql)) query.sql = query.fallback;
    LogExtract(kLogProprietary, XString("Table Exists query:") + query.sql);
    return RunProbe(query.sql, query.check, "Table");
  } catch (const ado::ComError&) {
    throw;  // only a lost link gets here (the probes answer every other failure): it fails the run
  } catch (...) {
    LogExtract(kLogDebug, "Unknown Error occured in DoTableExists");
    return false;
  }
}

bool ODBCDataAccess::DoFieldExists(const XString& tableName, const XString& fieldName) {
  try {
    ProbeQuery query = FieldProbeQuery(tableName, fieldName);
    if (query.check == ProbeCheck::kNoProbe) {
      LogExtract(kLogDebug, "DB Type not defined for FieldExists yet, feel free to do so.");
      return false;
    }
    if (!query.fallback.IsEmpty() && !CanRun(query.sql)) query.sql = query.fallback;
    LogExtract(kLogProprietary, XString("Field Exists query:") + query.sql);
    return RunProbe(query.sql, query.check, "Field");
  } catch (const ado::ComError&) {
    throw;  // only a lost link gets here (the probes answer every other failure): it fails the run
  } catch (...) {
    LogExtract(kLogDebug, "Unknown Error in DoFieldExists");
    return false;
  }
}

XString ODBCDataAccess::SQLDate(int32_t day) {
  const DatePattern& date = GetDatabaseTypeInfo(m_databaseType).date;
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

void ODBCDataAccess::FilterAttendance(int32_t fromDay, int32_t toDay) {
  if (!m_changeDateField) {
    if (m_warnNoChangeDate) LogExtract(kLogInfo, "FilterAttendance: There is no change date set! So cannot filter.");
    return;
  }
  // Each date window replaces the previous window's bounds; kept, they would narrow every
  // later window down to the days all windows share.
  RemoveAttendanceConditions();
  if (fromDay != -1 && fromDay != 0) {
    m_attendanceConditions.push_back(AddCondition(m_changeDateField, "AND", ">=", SQLDate(fromDay), 0));
  }
  if (toDay != -1 && toDay != 0) {
    m_attendanceConditions.push_back(AddCondition(m_changeDateField, "AND", "<=", SQLDate(toDay), 0));
  }
}

void ODBCDataAccess::RemoveAttendanceConditions() {
  for (ODBCCondition* condition : m_attendanceConditions) {
    for (uint32_t i = 0; i < m_conditions.Count(); ++i) {
      if (m_conditions[i] == condition) {
        m_conditions.DeleteAt(i);
        break;
      }
    }
  }
  m_attendanceConditions.clear();
}

void ODBCDataAccess::ClearAttendanceChangeDates() { m_changeDateField = nullptr; }

void ODBCDataAccess::DumpTableDefs(const XString& tableName) {
  LogExtract(kLogDebug, tableName + " contents:");
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
    ODBCDataAccess second(kForwardOnly);
    second.SetRunLog(log.get());
    second.SetExtractLog(log.get());
    second.SetDatabaseType(m_databaseType);
    second.SetDataSource(m_dataSource);
    second.Connect(m_connectionString);
    second.RunQuery(XString("SELECT * FROM ") + tableName);
    for (int32_t i = 0; i < second.GetFieldCount(); ++i) LogExtract(kLogDebug, second.GetFieldName(i));
    second.CloseQuery();
    second.Disconnect();
    log->End();
  } catch (...) {
    // A diagnostic aid only: whatever fails here must not disturb the extract.
  }
}

void ODBCDataAccess::DumpTableDefinition(const XString& tableName) {
  // Run as RunQuery runs a query (the same log lines), but only the columns are wanted: the
  // client-side cursor keeps one record instead of reading the whole table, which for the
  // student or class table of a big school costs as much as the extract that follows.
  const XString sql = XString("SELECT * FROM ") + tableName;
  try {
    LogExtract(kLogDebug, "Running Query");
    std::unique_ptr<ado::Recordset> dump;
    if (!IsXBase()) {
      dump = std::make_unique<ado::Recordset>();
      LogExtract(kLogProprietary, sql);
      LogRun(kLogProprietary, sql);
      dump->SetMaxRecords(1);
      dump->SetCursorLocation(ado::adUseClient);
      dump->SetCursorType(ado::adOpenStatic);
      m_connection->ClearErrors();
      try {
        dump->Open(sql, *m_connection,
                   (m_accessOptions & kForwardOnly) ? ado::adOpenForwardOnly : ado::adOpenStatic,
                   (m_accessOptions & kPessimisticLock) ? ado::adLockPessimistic : ado::adLockReadOnly,
                   ado::adCmdText);
      } catch (const ado::ComError& error) {
        LogRun(kLogProprietary, XString("RunQuery: While executing: ") + sql + ", " + ComErrorText(error));
        throw;
      }
    }
    {
      // The dump's recordset stands in as the open query while its columns are listed.
      ProbeRecordsetScope scope(m_recordset, dump);
      LogExtract(kLogDebug, tableName + " contents:");
      for (int32_t i = 0; i < GetFieldCount(); ++i) {
        LogExtract(kLogDebug, GetFieldName(i) + " - " + GetFieldTypeName(i));
      }
    }
    if (dump && dump->State() == ado::adStateOpen) dump->Close();
    // As after a query of its own, no query stays open and the query model is cleared.
    CloseQuery();
  } catch (const ado::ComError& error) {
    CloseQuery();
    // Only for the log, but a lost link is the run's failure here as anywhere.
    if (LostLink(error)) throw;
  } catch (...) {
    CloseQuery();
  }
}
