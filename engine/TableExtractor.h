// The table extraction loop: one query into one package table. An extract declares the
// table's output columns (AddColumn: the field joins the query, the column its value function,
// the header entry its name), then WriteTable runs the query through the data access and writes
// one line per record that passes the row filter, through the package writer's output for the
// current table; FinishTable closes the query and forgets the columns.
//
// It holds the data access and the writer of the engine, and the value functions' view of the
// current record (RowValues).
#pragma once

#include <cstdint>
#include <functional>

#include "data/ODBCDataAccess.h"
#include "engine/RowValues.h"
#include "engine/ValueFunctions.h"
#include "foundation/XString.h"
#include "package/ExportColumn.h"
#include "package/ExtractContext.h"
#include "package/QDEWriter.h"
#include "package/SISExpCustomField.h"

class XFile;

class TableExtractor {
 public:
  TableExtractor(ODBCDataAccess& data, QDEWriter& writer, ExtractContext& context);
  TableExtractor(const TableExtractor&) = delete;
  TableExtractor& operator=(const TableExtractor&) = delete;

  // Registers the next output column of the current table. With a table, the field is first
  // added to the query; when the data access refuses it (a missing optional field), nothing
  // is registered (no column, no header field, no custom field), so that the table file and
  // its header entry stay aligned, and null is returned. Without a table, `fieldName` is the
  // column's constant text. A header field name (not empty) is appended to the current header
  // entry; a custom field with a key is registered for the run (a known key is ignored).
  ExportColumn* AddColumn(DataAccessTable* table, const XString& fieldName, ValueFunction valueFunction,
                          int32_t command = kCommandNone, const XString& headerName = XString(),
                          const SISExpCustomField* customField = nullptr, bool required = false);
  // Runs the query of the current table and writes one line per record that passes the
  // filter (none: every record) into the table file, or into the update file in update mode.
  // A non-empty leading line is written first. Returns the number of lines written. A failure
  // discards the unfinished table file (the previous one stays) and ends the run with a
  // Fatal error naming the file and the query.
  int32_t WriteTable(const RowFilter& filter = nullptr, const XString& leadingLine = XString());
  // Runs the built query (when `run`) and sets the progress total to its record count; true
  // when it ran. In a dry run the rows are only counted into the report, and the answer is
  // false. A failure ends the run with a Fatal error naming the query's SQL text.
  bool OpenQuery(bool run);
  // Closes the query (which clears the model), forgets the columns and ends the table.
  void FinishTable();

  // The columns of the current table, in output order.
  void ClearColumns();
  uint32_t ColumnCount() const { return m_columns.Count(); }
  ExportColumn* Column(uint32_t index) const { return m_columns.At(index); }
  // The line writer of the table being written; none outside WriteTable.
  XFile* TableWriter() const { return m_tableWriter; }
  // Command 4 of a column: the hook may write extra values through TableWriter().
  void SetColumnHook(std::function<void(DataAccessField* field)> hook) { m_hook = std::move(hook); }
  // What the value functions read.
  RowValues& Values() { return m_values; }

 private:
  void WriteColumns(XFile& out, bool traceFirstLine);
  [[noreturn]] void FailTable(int32_t lines, const char* errorText);
  [[noreturn]] void FailQuery(bool known, const XString& errorText);

  ODBCDataAccess& m_data;
  QDEWriter& m_writer;
  ExtractContext& m_context;
  RowValues m_values;
  ExportColumnList m_columns;
  XFile* m_tableWriter = nullptr;
  std::function<void(DataAccessField* field)> m_hook;
};
