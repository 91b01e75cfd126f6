// What a value function reads when it makes the text of a package field: the current record
// of the open query (through the data access's reader), the package's date and time formats,
// the extract log, and the column being written. The table extractor keeps one for the run.
#pragma once

#include "data/ODBCDataAccess.h"
#include "data/RecordReader.h"
#include "foundation/XEngineLog.h"
#include "foundation/XString.h"
#include "package/ExportColumn.h"
#include "package/QDEHeaderSettings.h"

class RowValues {
 public:
  RowValues(ODBCDataAccess& data, const QDEHeaderSettings& formats, XEngineLog& log)
      : m_data(data), m_formats(formats), m_log(log) {}

  RecordReader& Reader() const { return m_data.Reader(); }
  const QDEHeaderSettings& Formats() const { return m_formats; }
  XEngineLog& Log() const { return m_log; }

  // The field's text as the value functions use it: the trimmed text (TABs removed), trimmed
  // once more. A null field reads as empty.
  XString Text(DataAccessField* field) const {
    XString text = m_data.Reader().GetFieldTrimmed(field);
    text.Trim();
    return text;
  }

  // The column whose value is being made while a line is written; none outside.
  ExportColumn* CurrentColumn() const { return m_currentColumn; }
  void SetCurrentColumn(ExportColumn* column) { m_currentColumn = column; }

 private:
  ODBCDataAccess& m_data;
  const QDEHeaderSettings& m_formats;
  XEngineLog& m_log;
  ExportColumn* m_currentColumn = nullptr;
};
