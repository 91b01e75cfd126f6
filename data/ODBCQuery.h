// The query of the extract in hand: its model (tables, fields, conditions, orders and the rarer
// parts of the grammar; data/ODBCQueryModel.h) and the SELECT builder that turns the model into
// the SQL text of the current database type. With schema verification on, a table or field is
// probed before it joins the model: a missing table ends the run, a missing optional field is
// left out. It also holds the attendance extracts' date window, as conditions on the change
// date.
//
// Every model object is created by an Add operation, owned by the query's lists and deleted by
// ClearQuery.
#pragma once

#include <cstdint>
#include <vector>

#include "data/ODBCConnection.h"
#include "data/ODBCQueryModel.h"
#include "data/ODBCSchema.h"
#include "foundation/XEngineLog.h"
#include "foundation/XOwnedVector.h"
#include "foundation/XString.h"

class DryRunReport;

class ODBCQuery {
 public:
  ODBCQuery(ODBCConnection& connection, ODBCSchema& schema, XEngineLog& log)
      : m_connection(connection), m_schema(schema), m_log(log) {}
  ~ODBCQuery() { ClearQuery(); }
  ODBCQuery(const ODBCQuery&) = delete;
  ODBCQuery& operator=(const ODBCQuery&) = delete;

  ODBCTable* AddTable(const XString& qualifiedName, const XString& tableName, const XString& alias);
  // Returns null when the field is missing and not required (or the table is null).
  ODBCField* AddField(const XString& fieldName, DataAccessTable* table, bool required);
  ODBCCondition* AddCondition(ODBCField* field, const XString& conjunction, const XString& comparison,
                              const XString& value, int32_t level);
  ODBCCondition* AddCondition(ODBCField* field, const XString& conjunction, const XString& comparison,
                              ODBCField* otherField);
  ODBCOrder* AddOrder(ODBCField* field);
  // Deletes the model (and forgets the change-date field, which belonged to it).
  void ClearQuery();
  XString BuildQuery();

  bool GetDistinct() const { return m_distinct; }
  void SetDistinct(bool distinct) { m_distinct = distinct; }
  // Rarely used parts of the grammar; the builder renders them when set.
  void SetAggregateField(ODBCField* field) { m_aggregateField = field; }
  void AddJoin(const XString& joinText);
  void AddGroupBy(ODBCField* field);
  void SetRowLimit(int32_t limit) { m_rowLimit = limit; }
  const XVector<ODBCField>& Fields() const { return m_fields; }
  const XVector<ODBCTable>& Tables() const { return m_tables; }

  // A dry run's report records the SIS tables and the missing columns; null for a real run.
  void SetDryRun(DryRunReport* report) { m_dryRun = report; }

  // ---- The attendance date window -----------------------------------------------------
  // Replaces the window's bounds on the change-date field (a bound of -1 or 0 is left open).
  void FilterAttendance(int32_t fromDay, int32_t toDay);
  void ClearAttendanceChangeDates() { m_changeDateField = nullptr; }
  void SetAttendanceChangeDateField(ODBCField* field) { m_changeDateField = field; }
  ODBCField* GetAttendanceChangeDateField() const { return m_changeDateField; }
  void SetWarnNoChangeDate(bool warn) { m_warnNoChangeDate = warn; }

 private:
  // The alias as the builder writes it, before field names and after the table name.
  XString AliasText(const ODBCTable* table) const;
  XString QualifiedField(const ODBCField* field) const;
  // The clauses of the SELECT, appended to its text.
  void AppendSelectList(XString& sql) const;
  void AppendFrom(XString& sql) const;
  void AppendWhere(XString& sql) const;  // with the trace of each condition
  void AppendGroupAndOrder(XString& sql) const;
  void RemoveAttendanceConditions();
  [[noreturn]] void Fail(const XString& text) { m_log.Error(kLogFatal, text); }

  ODBCConnection& m_connection;
  ODBCSchema& m_schema;
  XEngineLog& m_log;
  DryRunReport* m_dryRun = nullptr;  // not owned

  XString m_selectPrefix;
  bool m_distinct = false;
  XOwnedVector<ODBCField> m_fields;
  ODBCField* m_aggregateField = nullptr;
  XOwnedVector<ODBCTable> m_tables;
  XOwnedVector<ODBCJoin> m_joins;
  XOwnedVector<ODBCCondition> m_conditions;
  XOwnedVector<ODBCGroupBy> m_groupBy;
  XOwnedVector<ODBCOrder> m_orders;
  int32_t m_rowLimit = 0;
  int32_t m_nextPosition = 0;

  ODBCField* m_changeDateField = nullptr;
  bool m_warnNoChangeDate = true;
  std::vector<ODBCCondition*> m_attendanceConditions;  // the current date window's bounds
};
