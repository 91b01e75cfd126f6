// Schema probes, SQL date literals, the attendance change-date filter and the table-definition
// dumps.
#include "data/ODBCDataAccess.h"

#include <cstdio>
#include <utility>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "foundation/XDate.h"
#include "foundation/XException.h"
#include "foundation/XLogFile.h"

namespace {

XString Printf(const char* format, const XString& a) {
  XString text;
  text.Format(4096, format, a.c_str());
  return text;
}

XString Printf(const char* format, const XString& a, const XString& b) {
  XString text;
  text.Format(4096, format, a.c_str(), b.c_str());
  return text;
}

// A table name given in double quotes becomes a string literal for Postgres' catalogue.
XString DoubleToSingleQuotes(const XString& text) {
  std::string s = text.ToStd();
  for (char& c : s) {
    if (c == '"') c = '\'';
  }
  return XString(s);
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
      ComErrorText(error);
      if (traced) LogExtract(kLogProprietary, "Query Failed.");
      return false;
    }
    if (traced) LogExtract(kLogProprietary, "Query Succeeded.");
    bool exists = false;
    {
      ProbeRecordsetScope scope(m_recordset, probe);
      switch (check) {
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
  } catch (...) {
    LogExtract(kLogDebug, traced ? "Unknown Error in DoFieldExists" : "Unknown Error occured in DoTableExists");
  }
  return false;
}

bool ODBCDataAccess::DoTableExists(const XString& tableName) {
  try {
    LogExtract(kLogProprietary, XString("Table Exists query:") + tableName);
    if (IsXBase()) {
      LogExtract(kLogDebug, "Need to define USE_XBASE!!");
      return false;
    }
    XString sql;
    ProbeCheck check = ProbeCheck::kOpens;
    if (m_accessOptions & kProbeBySelect) {
      sql = Printf(m_tableProbeTemplate, tableName);
    } else {
      switch (m_databaseType) {
        case kDbDBaseODBC:
        case kDbFoxProODBC:
          sql = Printf("SELECT * FROM %s", tableName);
          break;
        case kDbFoxProDBF:
        case kDbSybaseOLE:
          sql = Printf("SELECT COUNT(*) FROM %s", tableName);
          break;
        case kDbMSSQL:
          sql = Printf("SELECT name FROM sysobjects WHERE (xtype = 'U' OR xtype = 'V') AND UPPER(name) = UPPER('%s')", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbMySQL:
          sql = Printf("SELECT TABLE_NAME FROM information_schema.TABLES T WHERE (table_name = '%s')", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbSQLite:
          // The catalogue query opens whether or not the table is there: the row decides.
          sql = Printf("SELECT * FROM sqlite_master WHERE type='table' AND name='%s'", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbAccess:
          sql = Printf("SELECT Name FROM MSysObjects WHERE Type=1 AND Flags=0 AND Name='%s'", tableName);
          // Without permission on the system table, counting the table's rows decides.
          if (!CanRun(sql)) sql = Printf(m_quoteTables ? "Select COUNT(*) From \"%s\"" : "Select COUNT(*) From %s", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbPostgres:
          if (m_postgresCountProbe) {
            m_postgresCountProbe = false;
            sql = Printf("SELECT COUNT(*) FROM %s", tableName);
          } else {
            sql = Printf("SELECT tablename FROM pg_tables WHERE tableowner = current_user AND tablename = %s",
                         DoubleToSingleQuotes(tableName));
          }
          check = ProbeCheck::kHasRecords;
          break;
        case kDbOracleODBC:
        case kDbOracleOLE:
        case kDbOracleMSDAORA:
          sql = Printf("SELECT DISTINCT table_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('%s')", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbSybaseODBC:
          sql = Printf("SELECT name FROM sysobjects WHERE (type = 'U' OR type = 'V') AND UPPER(name) = UPPER('%s')", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbProgress:
          // A catalogue query: it opens for any name, so the row decides.
          sql = Printf("SELECT DISTINCT tbl FROM sysprogress.\"SYSTABLES\" WHERE UPPER(tbl) = UPPER('%s')", tableName);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbInformix:
          sql = Printf("SELECT COUNT(*) FROM systables WHERE tabname = '%s'", tableName);
          if (!CanRun(sql)) sql = Printf("Select COUNT(*) From %s", tableName);
          check = ProbeCheck::kFirstValue;
          break;
        case kDbTopSpeed:
        case kDbLotusNotes:
          sql = Printf("Select COUNT(*) From %s", tableName);
          break;
        case kDbCADatacom:
          sql = Printf("Select COUNT(*) From %s", tableName);
          check = ProbeCheck::kFirstValue;
          break;
        case kDbNone:
        case kDbDB2:
        case kDbMimer:
          LogExtract(kLogDebug, "DB Type not defined for TableExists yet, feel free to do so.");
          return false;
        default:
          break;  // an empty query, which cannot be opened
      }
    }
    LogExtract(kLogProprietary, XString("Table Exists query:") + sql);
    return RunProbe(sql, check, "Table");
  } catch (...) {
    LogExtract(kLogDebug, "Unknown Error occured in DoTableExists");
    return false;
  }
}

bool ODBCDataAccess::DoFieldExists(const XString& tableName, const XString& fieldName) {
  try {
    const XString& t = tableName;
    const XString& f = fieldName;
    XString sql;
    ProbeCheck check = ProbeCheck::kOpens;
    if (m_accessOptions & kProbeBySelect) {
      sql = Printf(m_fieldProbeTemplate, f, t);
    } else {
      switch (m_databaseType) {
        case kDbDBaseODBC:
        case kDbFoxProODBC:
        case kDbSybaseOLE:
          sql = Printf("SELECT %s FROM %s", f, t);
          break;
        case kDbFoxProDBF:
          sql = Printf("SELECT COUNT(%s) FROM %s", f, t);
          break;
        case kDbMSSQL:
        case kDbSybaseODBC:
          sql = Printf("SELECT syscolumns.name FROM syscolumns JOIN sysobjects ON syscolumns.id=sysobjects.id "
                       "WHERE UPPER(sysobjects.name) = UPPER('%s') AND UPPER(syscolumns.name) = UPPER('%s')", t, f);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbMySQL:
          sql = Printf("SELECT column_name FROM information_schema.COLUMNS C WHERE (table_name = '%s' AND column_name = '%s')", t, f);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbSQLite:
          // The table's own column list; SQLite's column names compare without case.
          sql = Printf("SELECT name FROM pragma_table_info('%s') WHERE name = '%s' COLLATE NOCASE", t, f);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbAccess:
          if (m_quoteTables && m_quoteFields) {
            sql = Printf("Select COUNT(\"%s\") From \"%s\"", f, t);
          } else if (m_quoteTables) {
            sql = Printf("Select COUNT(%s) From \"%s\"", f, t);
          } else if (m_quoteFields) {
            sql = Printf("Select COUNT(\"%s\") From %s", f, t);
          } else {
            sql = Printf("Select COUNT(%s) From %s", f, t);
          }
          check = ProbeCheck::kHasRecords;
          break;
        case kDbPostgres:
          sql = Printf("SELECT attname AS testfield FROM pg_class, pg_attribute WHERE relname = %s AND pg_class.oid = attrelid  "
                       "AND attnum > 0 AND attname='%s'", DoubleToSingleQuotes(t), f);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbOracleODBC:
        case kDbOracleOLE:
        case kDbOracleMSDAORA:
          sql = Printf("SELECT column_name FROM all_tab_columns WHERE UPPER(table_name) = UPPER('%s') AND UPPER(column_name) = UPPER('%s')", t, f);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbProgress:
          sql = Printf("SELECT \"_Field-Name\" FROM pub.\"_field\" WHERE \"_Field-Name\" = '%s' AND \"_file-recid\" = "
                       "(SELECT ROWID FROM pub.\"_file\" WHERE \"_file-name\" = '%s')", f, t);
          check = ProbeCheck::kHasRecords;
          break;
        case kDbInformix:
          sql = Printf("select tabid from systables where tabname='%s' and colname = '%s' ", t, f);
          if (!CanRun(sql)) sql = Printf("Select COUNT(%s) From %s", f, t);
          check = ProbeCheck::kFirstValue;
          break;
        case kDbTopSpeed:
          sql = Printf(m_quoteFields ? "Select COUNT(\"%s\") From %s" : "Select COUNT(%s) From %s", f, t);
          break;
        case kDbLotusNotes:
          sql = Printf("SELECT \"%s\" FROM \"%s\"", f, t);
          break;
        case kDbCADatacom:
          sql = Printf("Select COUNT(%s) From %s", f, t);
          check = ProbeCheck::kHasRecords;
          break;
        default:
          LogExtract(kLogDebug, "DB Type not defined for FieldExists yet, feel free to do so.");
          return false;
      }
    }
    LogExtract(kLogProprietary, XString("Field Exists query:") + sql);
    return RunProbe(sql, check, "Field");
  } catch (...) {
    LogExtract(kLogDebug, "Unknown Error in DoFieldExists");
    return false;
  }
}

XString ODBCDataAccess::SQLDate(int32_t day) {
  switch (m_databaseType) {
    case kDbDBaseODBC:
    case kDbAccess:
      return XString("#") + XDate::FormatDate(day, "DD-MMM-YYYY") + "#";
    case kDbDBaseXBase:
      return XDate::FormatDate(day, m_xbaseDatePattern.c_str());
    case kDbFoxProODBC:
    case kDbFoxProDBF:
      return XString("{^") + XDate::FormatDate(day, "YYYY/MM/DD") + "}";
    case kDbMSSQL:
    case kDbSybaseOLE:
    case kDbSybaseODBC:
    case kDbLotusNotes:
      return XString("'") + XDate::FormatDate(day, "YYYY-MM-DD") + "'";
    case kDbPostgres:
      return XDate::FormatDate(day, "'MM/DD/YYYY'");
    case kDbOracleODBC:
    case kDbOracleOLE:
    case kDbOracleMSDAORA:
      return XString("TO_DATE( ") + XDate::FormatDate(day, "'YYYYMMDD'") + ", 'YYYYMMDD' )";
    case kDbProgress:
    case kDbMySQL:
    case kDbSQLite:
    case kDbDB2:
    case kDbMimer:
      return XString("'") + XDate::FormatDate(day, "yyyy-mm-dd") + "'";
    case kDbInformix:
      return XString("TO_DATE(\"") + XDate::FormatDate(day, "MM/DD/YYYY") + "\",\"%m/%d/%Y\")";
    case kDbTopSpeed:
      // Days since 1800-12-28.
      return XString(static_cast<int>(day - 73410));
    case kDbCADatacom:
      return XString("'") + XDate::FormatDate(day, "yyyymmdd") + "'";
    default:
      throw XException("DB Type not defined for XODBC::SQLDate yet, feel free to do so.");
  }
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
  } catch (...) {
    CloseQuery();
  }
}
