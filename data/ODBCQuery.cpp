// The query model's add operations, the SELECT builder and the attendance date window.
#include "data/ODBCQuery.h"

#include "package/DryRunReport.h"

#include "foundation/XException.h"

ODBCTable* ODBCQuery::AddTable(const XString& qualifiedName, const XString& tableName,
                                    const XString& alias) {
  if (DryRunReport* dryRun = m_dryRun) dryRun->AddSisTable(tableName);
  if ((m_connection.GetAccessOptions() & kVerifySchema) && !m_schema.DoTableExists(tableName)) {
    Fail(XString("Table does not exist : ") + tableName);
  }
  return m_tables.Add(new ODBCTable(qualifiedName, tableName, alias));
}

ODBCField* ODBCQuery::AddField(const XString& fieldName, DataAccessTable* baseTable, bool required) {
  auto* table = static_cast<ODBCTable*>(baseTable);
  if (!table) {
    XString message = XString("Table was NULL when searching for: ") + fieldName;
    if (required) Fail(message);
    m_log.ExtractLogWrite(kLogDebug, message);
    return nullptr;
  }
  if ((m_connection.GetAccessOptions() & kVerifySchema) && !m_schema.DoFieldExists(table->tableName, fieldName)) {
    XString message = XString("Field does not exist : ") + fieldName + " in table " + table->name;
    // A required field's message is thrown below; logging it here as well at Fatal would
    // end the run before the table definition could be dumped.
    if (!required) m_log.ExtractLogWrite(kLogDebug, message);
    if (m_connection.GetAccessOptions() & kDumpTableDefs) m_schema.DumpTableDefs(table->tableName);
    if (!required) {
      if (DryRunReport* dryRun = m_dryRun) dryRun->MissingColumn(table->tableName, fieldName);
      return nullptr;
    }
    Fail(XString("Required ") + message);
  }
  return m_fields.Add(new ODBCField(table, fieldName, m_nextPosition++));
}

ODBCCondition* ODBCQuery::AddCondition(ODBCField* field, const XString& conjunction,
                                            const XString& comparison, const XString& value,
                                            int32_t level) {
  if (!field) Fail("Primary field NULL in XODBC::AddCondition.");
  auto* condition = new ODBCCondition;
  condition->conjunction = conjunction;
  condition->field = field;
  condition->comparison = comparison;
  condition->value = value;
  condition->level = level;
  return m_conditions.Add(condition);
}

ODBCCondition* ODBCQuery::AddCondition(ODBCField* field, const XString& conjunction,
                                            const XString& comparison, ODBCField* otherField) {
  if (!field) Fail("Primary field NULL in XODBC::AddCondition.");
  if (!otherField) Fail("Second field NULL in XODBC::AddCondition.");
  auto* condition = new ODBCCondition;
  condition->conjunction = conjunction;
  condition->field = field;
  condition->comparison = comparison;
  condition->otherField = otherField;
  return m_conditions.Add(condition);
}

ODBCOrder* ODBCQuery::AddOrder(ODBCField* field) {
  if (!field) Fail("Field NULL in ODBC::AddOrder.");
  auto* order = new ODBCOrder;
  order->field = field;
  return m_orders.Add(order);
}

void ODBCQuery::AddJoin(const XString& joinText) {
  auto* join = new ODBCJoin;
  join->text = joinText;
  m_joins.Add(join);
}

void ODBCQuery::AddGroupBy(ODBCField* field) {
  auto* entry = new ODBCGroupBy;
  entry->field = field;
  m_groupBy.Add(entry);
}

void ODBCQuery::ClearQuery() {
  m_tables.DeleteAll();
  m_fields.DeleteAll();
  m_conditions.DeleteAll();
  m_joins.DeleteAll();
  m_groupBy.DeleteAll();
  m_orders.DeleteAll();
  m_nextPosition = 0;
  m_aggregateField = nullptr;
  // The change-date field belongs to the query just deleted.
  m_changeDateField = nullptr;
  m_attendanceConditions.clear();
}

XString ODBCQuery::AliasText(const ODBCTable* table) const {
  if (!(GetDatabaseTypeInfo(m_connection.GetDatabaseType()).dialect & kQuoteAliases)) return table->alias;
  // The server folds an unquoted name to lower case: an alias that is the table's own name
  // must be written as the FROM clause writes it, any other alias is quoted.
  if (table->alias == table->name) return m_schema.GetQuoteTables() ? table->name.Quote() : table->name;
  XString quoted("\"");
  for (uint32_t i = 0; i < table->alias.Length(); ++i) {
    if (table->alias[i] == '"') quoted += "\"";
    quoted += XString(table->alias.c_str() + i, 1);
  }
  quoted += "\"";
  return quoted;
}

XString ODBCQuery::QualifiedField(const ODBCField* field) const {
  XString text = field->table ? AliasText(field->table) : XString();
  text += ".";
  if (m_schema.GetQuoteFields()) {
    text += "\"";
    text += field->name;
    text += "\"";
  } else {
    text += field->name;
  }
  return text;
}

XString ODBCQuery::BuildQuery() {
  if (m_connection.IsDirectFileAccess()) {
    // The "query" of direct dBase access is the file of its one table.
    if (m_tables.Count() > 1) {
      const char* message = "Cannot use more than 1 table in XBase query";
      m_log.ExtractLogWrite(kLogDebug, message);
      throw XException(message);
    }
    XString path = m_connection.GetDataSource();
    if (m_tables.Count() == 1) path += m_tables[0]->name;
    path += ".dbf";
    return path;
  }

  XString sql = m_selectPrefix.IsEmpty() ? XString("SELECT") : m_selectPrefix;
  if (sql[sql.Length() - 1] != ' ') sql += " ";
  if (m_distinct) sql += "DISTINCT ";
  AppendSelectList(sql);
  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Fields Finished:\n") + sql);
  AppendFrom(sql);
  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Tables Finished:\n") + sql);
  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Join Count: ") + XString(static_cast<int>(m_joins.Count())) +
                                             ":\n" + sql);
  for (ODBCJoin* join : m_joins) sql += XString(" ") + join->text + " ";
  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Joins Finished:\n") + sql);
  AppendWhere(sql);
  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Conditions Finished:\n") + sql);
  AppendGroupAndOrder(sql);
  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Orders Finished:\n") + sql);
  if (m_rowLimit != 0) sql += XString(" LIMIT ") + XString(static_cast<int>(m_rowLimit));

  m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery Finished:") + sql);
  m_aggregateField = nullptr;
  return sql;
}

void ODBCQuery::AppendSelectList(XString& sql) const {
  for (uint32_t i = 0; i < m_fields.Count(); ++i) {
    ODBCField* field = m_fields[i];
    if (i > 0) sql += ", ";
    if (field == m_aggregateField) sql += "MAX(";
    sql += QualifiedField(field);
    if (field == m_aggregateField) sql += ")";
  }
}

void ODBCQuery::AppendFrom(XString& sql) const {
  sql += " FROM ";
  for (uint32_t i = 0; i < m_tables.Count(); ++i) {
    ODBCTable* table = m_tables[i];
    if (i > 0) sql += ", ";
    sql += m_schema.GetQuoteTables() ? table->name.Quote() : table->name;
    if (table->alias != table->name) sql += XString(" ") + AliasText(table);
    // Reading without shared locks keeps the extract from blocking the SIS's own users.
    if ((GetDatabaseTypeInfo(m_connection.GetDatabaseType()).dialect & kNoLockHint) && m_joins.Count() == 0) {
      sql += " WITH (NOLOCK) ";
    }
  }
}

void ODBCQuery::AppendWhere(XString& sql) const {
  int32_t currentLevel = 0;
  int32_t openParentheses = 0;
  for (uint32_t i = 0; i < m_conditions.Count(); ++i) {
    ODBCCondition* condition = m_conditions[i];
    bool first = i == 0;
    if (first) {
      sql += " WHERE ";
    } else {
      sql += XString(" ") + condition->conjunction + " ";
    }
    if (currentLevel < condition->level) {
      sql += "(";
      ++openParentheses;
    }
    if (first && condition->conjunction.Length() > 0 && condition->conjunction[0] == '(') {
      sql += condition->conjunction + " ";
    }
    sql += QualifiedField(condition->field) + " " + condition->comparison + " ";
    if (condition->otherField) {
      sql += QualifiedField(condition->otherField);
    } else {
      sql += condition->value;
    }
    if (currentLevel > condition->level) {
      sql += ")";
      --openParentheses;
    }
    currentLevel = condition->level;
    m_log.ExtractLogWrite(kLogProprietary, XString("BuildQuery: Conditions:\n") + sql);
  }
  for (; openParentheses > 0; --openParentheses) sql += ")";
}

void ODBCQuery::AppendGroupAndOrder(XString& sql) const {
  if (m_groupBy.Count() > 0 || !m_aggregateField) {
    for (uint32_t i = 0; i < m_groupBy.Count(); ++i) {
      sql += i == 0 ? " GROUP BY " : ", ";
      sql += QualifiedField(m_groupBy[i]->field);
    }
  } else {
    // An aggregate without explicit grouping groups by every other selected field.
    bool first = true;
    for (ODBCField* field : m_fields) {
      if (field == m_aggregateField) continue;
      sql += first ? " GROUP BY " : ", ";
      sql += QualifiedField(field);
      first = false;
    }
  }
  for (uint32_t i = 0; i < m_orders.Count(); ++i) {
    ODBCOrder* order = m_orders[i];
    sql += i == 0 ? " ORDER BY " : ", ";
    sql += QualifiedField(order->field);
    if (order->descending) sql += " DESC";
  }
}

// ---- The attendance date window ----------------------------------------------------------

void ODBCQuery::FilterAttendance(int32_t fromDay, int32_t toDay) {
  if (!m_changeDateField) {
    if (m_warnNoChangeDate) m_log.ExtractLogWrite(kLogInfo, "FilterAttendance: There is no change date set! So cannot filter.");
    return;
  }
  // Each date window replaces the previous window's bounds; kept, they would narrow every
  // later window down to the days all windows share.
  RemoveAttendanceConditions();
  if (fromDay != -1 && fromDay != 0) {
    m_attendanceConditions.push_back(AddCondition(m_changeDateField, "AND", ">=", m_schema.SQLDate(fromDay), 0));
  }
  if (toDay != -1 && toDay != 0) {
    m_attendanceConditions.push_back(AddCondition(m_changeDateField, "AND", "<=", m_schema.SQLDate(toDay), 0));
  }
}

void ODBCQuery::RemoveAttendanceConditions() {
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
