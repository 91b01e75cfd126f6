#include "package/DryRunReport.h"

#include <algorithm>

#include "package/SISExpCustomField.h"

namespace {

bool Contains(const std::vector<XString>& list, const XString& text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

void AddOnce(std::vector<XString>& list, const XString& text) {
  if (!text.IsEmpty() && !Contains(list, text)) list.push_back(text);
}

}  // namespace

void DryRunReport::StartTable(const XString& description, const XString& fileName) {
  Table table;
  table.description = description;
  table.fileName = fileName;
  m_tables.push_back(table);
  m_droppedFields.emplace_back();
}

void DryRunReport::AddSkipped(const XString& description, const XString& fileName) {
  StartTable(description, fileName);
  m_tables.back().skipped = true;
}

DryRunReport::Table& DryRunReport::Current() {
  // Something recorded before any table (the connection's own probes) belongs to the run.
  if (m_tables.empty()) StartTable("Connection", "");
  return m_tables.back();
}

void DryRunReport::AddSisTable(const XString& name) { AddOnce(Current().sisTables, name); }

void DryRunReport::AddField(const XString& name) { Current().fields.push_back(name); }

void DryRunReport::AddRows(int64_t rows) {
  Table& table = Current();
  table.counted = true;
  table.rows += rows;
}

void DryRunReport::MissingColumn(const XString& table, const XString& column) {
  AddOnce(Current().missingColumns, table + "." + column);
}

void DryRunReport::DroppedField(const XString& packageField, const XString& customKey) {
  Current();
  AddOnce(m_droppedFields.back(), packageField);
  AddOnce(m_tables.back().droppedCustomFields, customKey);
}

void DryRunReport::Fail(const XString& message) {
  Table& table = Current();
  if (table.failure.IsEmpty()) table.failure = message;
  if (m_firstFailure.IsEmpty()) m_firstFailure = message;
}

void DryRunReport::Complete(const SISExpCustomFieldList& registered) {
  for (size_t i = 0; i < m_tables.size(); ++i) {
    Table& table = m_tables[i];
    table.absentFields.clear();
    table.absentCustomFields.clear();
    for (const XString& field : m_droppedFields[i]) {
      if (!Contains(table.fields, field)) table.absentFields.push_back(field);
    }
    for (const XString& key : table.droppedCustomFields) {
      if (!registered.HasKey(key)) table.absentCustomFields.push_back(key);
    }
  }
}
