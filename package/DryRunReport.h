// What a dry run of an extraction found, package table by package table: the SIS tables each
// one reads, how many rows its query would return, the optional columns the SIS lacks and the
// package fields and custom fields that are therefore left out, and the Fatal message that
// would end a real run. A writer that has a dry-run report writes no file: the extracts make
// their probes and declare their tables as in a real run, and the report records the outcome.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/XString.h"

class SISExpCustomFieldList;

class DryRunReport {
 public:
  struct Table {
    XString description;
    XString fileName;  // empty for a step of the run that writes no package table
    std::vector<XString> sisTables;
    bool counted = false;  // whether a query ran (AttCodes, for one, reads nothing)
    int64_t rows = 0;      // summed over the queries of the table
    std::vector<XString> fields;          // the package fields the table keeps
    std::vector<XString> missingColumns;  // "Table.Column" of optional columns the SIS lacks
    std::vector<XString> absentFields;    // package fields left out for a missing column
    std::vector<XString> absentCustomFields;  // custom field keys no table of the run offers
    std::vector<XString> droppedCustomFields;  // keys this table would have offered
    bool skipped = false;  // the extract skipped itself: the SIS lacks what it needs
    XString failure;       // the Fatal message that ends a run here
  };

  // A table of the run begins; what follows is recorded against it.
  void StartTable(const XString& description, const XString& fileName);
  // An extract that started no table at all.
  void AddSkipped(const XString& description, const XString& fileName);
  void AddSisTable(const XString& name);
  void AddField(const XString& name);
  void AddRows(int64_t rows);
  void MissingColumn(const XString& table, const XString& column);
  // A package field (and its custom field key, possibly empty) was not declared because its
  // column is missing.
  void DroppedField(const XString& packageField, const XString& customKey);
  // A run would end here with this message; the first one is the run's.
  void Fail(const XString& message);
  // Settles what is absent: a dropped package field that the table still declares (from
  // another column) is not absent, nor is a custom field that another table registered.
  void Complete(const SISExpCustomFieldList& registered);

  const std::vector<Table>& Tables() const { return m_tables; }
  bool EndsEarly() const { return !m_firstFailure.IsEmpty(); }
  const XString& FirstFailure() const { return m_firstFailure; }

 private:
  Table& Current();

  std::vector<Table> m_tables;
  std::vector<std::vector<XString>> m_droppedFields;  // per table, before Complete
  XString m_firstFailure;
};
