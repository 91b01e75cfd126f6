// The table extraction loop: the columns of a table, opening its query, writing its lines.
#include "engine/TableExtractor.h"

#include <exception>
#include <new>
#include <optional>

#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XLog.h"
#include "package/DryRunReport.h"

namespace {

// The name under which the per-column trace shows a column.
XString TraceName(const ExportColumn& column) {
  return column.Field() != nullptr ? column.Text() : XString("**Blank FieldName**");
}

XString Decimal(int32_t value) { return XString(static_cast<int>(value)); }

}  // namespace

TableExtractor::TableExtractor(ODBCDataAccess& data, QDEWriter& writer, ExtractContext& context)
    : m_data(data), m_writer(writer), m_context(context),
      m_values(data, writer.HeaderSettings(), context.EngineLog()) {}

void TableExtractor::ClearColumns() {
  m_values.SetCurrentColumn(nullptr);
  m_columns.DeleteAll();
}

ExportColumn* TableExtractor::AddColumn(DataAccessTable* table, const XString& fieldName,
                                        ValueFunction valueFunction, int32_t command,
                                        const XString& headerName,
                                        const SISExpCustomField* customField, bool required) {
  DataAccessField* field = nullptr;
  if (table != nullptr) {
    field = m_data.Query().AddField(fieldName, table, required);
    if (field == nullptr) {  // refused: the header stays aligned with the lines
      if (DryRunReport* dryRun = m_writer.DryRun()) {
        dryRun->DroppedField(headerName, customField != nullptr ? customField->Key() : XString());
      }
      return nullptr;
    }
  }
  // A plain function is called straight from the column; anything else through its wrapper.
  ExportColumn::ValueFunction bound;
  RowValues& values = m_values;
  if (auto* const* plain = valueFunction.target<XString (*)(RowValues&, ExportColumn&)>()) {
    XString (*function)(RowValues&, ExportColumn&) = *plain;
    bound = [&values, function](ExportColumn& column) { return function(values, column); };
  } else if (valueFunction) {
    bound = [&values, valueFunction = std::move(valueFunction)](ExportColumn& column) {
      return valueFunction(values, column);
    };
  }
  ExportColumn* column = m_columns.Add(
      new ExportColumn(field, field != nullptr ? field->Name() : fieldName, std::move(bound), command));
  if (!headerName.IsEmpty()) m_writer.AddHeaderField(headerName);
  if (customField != nullptr && !customField->Key().IsEmpty()) {
    m_writer.RegisterCustomField(customField->Key(), customField->Title(), customField->Command(),
                                 customField->Format());
  }
  return column;
}

bool TableExtractor::OpenQuery(bool run) {
  XEngineLog& log = m_context.EngineLog();
  log.ExtractLogWrite(kLogDebug, XString("Opening ") + m_writer.TableDescription() + " table/query.");
  if (!run) return false;

  bool known = true;
  XString errorText;
  try {
    if (DryRunReport* dryRun = m_writer.DryRun()) {
      // Counted, not read: no record is current afterwards, so the loops write nothing.
      dryRun->AddRows(m_data.CountBuiltQuery());
      return false;
    }
    m_data.RunBuiltQuery();
    log.ExtractLogWrite(kLogDebug, "Ran query");
    m_context.SetProgressTotal(m_data.Reader().GetRecordCount());
    log.ExtractLogWrite(kLogDebug, XString("Opened ") + m_writer.TableDescription() + " table/query.");
    return true;
  } catch (const XException& error) {
    errorText = error.Text();
  } catch (const std::bad_alloc&) {
    errorText = "Failed to allocate memory.";
  } catch (const std::exception& error) {
    errorText = error.what();
  } catch (...) {
    known = false;
  }
  FailQuery(known, errorText);
}

void TableExtractor::FailQuery(bool known, const XString& errorText) {
  XString sql;
  try {
    sql = m_data.Query().BuildQuery();
  } catch (const XException&) {
    // The message still says what failed.
  }
  XEngineLog& log = m_context.EngineLog();
  if (known && !errorText.IsEmpty()) {
    log.Error(kLogFatal, XString("Failed with error [") + errorText + "] while parsing query: " + sql);
  }
  log.Error(kLogFatal, XString("Failed with unknown error while parsing query: ") + sql);
}

void TableExtractor::FinishTable() {
  m_data.CloseQuery();
  ClearColumns();
  m_writer.EndTable();
}


int32_t TableExtractor::WriteTable(const RowFilter& filter, const XString& leadingLine) {
  XEngineLog& log = m_context.EngineLog();
  log.ExtractLogWrite(kLogVerboseDebug, "Opening Table");
  OpenQuery(true);

  int32_t lines = 0;
  try {
    log.ExtractLogWrite(kLogDebug, (XString("Writing ") + m_writer.TableFileName()).c_str());
    const bool toUpdateFile = m_writer.IsUpdating() && m_writer.UpdateFile() != nullptr;
    XFile* out = nullptr;
    if (toUpdateFile) {
      log.ExtractLogWrite(kLogDebug, "Writing QDU File");
      out = &m_writer.OpenTableOutput();  // writes the table's header entry first
      log.ExtractLogWrite(kLogDebug, "Wrote Current Header");
    } else {
      log.ExtractLogWrite(kLogDebug, "Writing QDE File");
      out = &m_writer.OpenTableOutput();
      log.ExtractLogWrite(kLogDebug, "Opened QDE FIle");
    }
    m_tableWriter = out;
    if (!leadingLine.IsEmpty()) {
      out->WriteRaw(leadingLine.c_str());
      out->EndLine();
    }

    m_context.ResetProgressCount();
    log.ExtractLogWrite(kLogVerboseDebug, "Generating QDE Entries");
    bool firstRecord = true;
    RecordReader& reader = m_data.Reader();
    for (bool more = reader.GetFirstRecord(); more; more = reader.GetNextRecord()) {
      if (firstRecord) {
        log.ExtractLogWrite(kLogDebug, "Generating First QDE Entry");
        firstRecord = false;
      }
      // Every fetched record counts, also one the filter rejects: the bar follows the query.
      m_context.CountProgressItem();
      if (filter && !filter()) continue;
      ++lines;
      if (lines == 1) log.ExtractLogWrite(kLogDebug, "Line Passed Filter");
      WriteColumns(*out, lines == 1);
      out->EndLine();
    }

    if (toUpdateFile) {
      log.ExtractLogWrite(kLogDebug, "Writing qdu footer");
      m_writer.CloseTableOutput();
      m_tableWriter = nullptr;
      log.ExtractLogWrite(kLogDebug, (XString("Finished QDU File. Lines= ") + Decimal(lines)).c_str());
    } else {
      log.ExtractLogWrite(kLogDebug, "Closing Table file");
      m_writer.CloseTableOutput();
      m_tableWriter = nullptr;
      m_writer.Tally().tables.emplace_back(m_writer.TableFileName(), lines);
      log.ExtractLogWrite(kLogDebug, (XString("Closed Table File. Lines= ") + Decimal(lines)).c_str());
    }
  } catch (const XException& error) {
    FailTable(lines, error.Text());
  } catch (const std::bad_alloc&) {
    FailTable(lines, "Failed to allocate memory.");
  } catch (const std::exception& error) {
    FailTable(lines, error.what());
  } catch (...) {
    FailTable(lines, nullptr);
  }
  log.ExtractLogWrite(kLogDebug, (XString("Wrote ") + m_writer.TableFileName()).c_str());
  return lines;
}

void TableExtractor::WriteColumns(XFile& out, bool trace) {
  XEngineLog& log = m_context.EngineLog();
  for (ExportColumn* column : m_columns) {
    m_values.SetCurrentColumn(column);
    // Named only on the traced first line: an empty name would still cost an allocation for
    // every value of every row.
    std::optional<XString> name;
    if (trace) {
      name.emplace(TraceName(*column));
      log.ExtractLogWrite(kLogDebug, "Getting curColumns field...");
      log.ExtractLogWrite(kLogProprietary, (XString("Processing Field = ") + *name).c_str());
    }
    if (column->HasValueFunction()) {
      if (trace) log.ExtractLogWrite(kLogDebug, "Getting valueStr");
      XString value = column->Value();
      if (trace) log.ExtractLogWrite(kLogDebug, "Got valueStr");
      out.WriteField(value);
      if (trace) log.ExtractLogWrite(kLogProprietary, (XString("Wrote = ") + *name).c_str());
      continue;
    }
    if (trace) log.ExtractLogWrite(kLogDebug, "Getting command");
    const int32_t command = column->Command();
    if (trace) log.ExtractLogWrite(kLogDebug, "Got command");
    switch (command) {
      case kCommandText:
        out.WriteField(column->Text());
        break;
      case kCommandLineBreak:
        out.EndLine();
        break;
      case kCommandHook:
        if (m_hook) m_hook(column->Field());
        break;
      default:
        break;  // no value and no separator
    }
    if (trace) {
      log.ExtractLogWrite(kLogDebug, (XString("Wrote Default Value Command ") + Decimal(command) +
                                      " for " + *name).c_str());
      log.ExtractLogWrite(kLogDebug, (XString("Wrote the value = ") + column->Text()).c_str());
    }
  }
  m_values.SetCurrentColumn(nullptr);
}

void TableExtractor::FailTable(int32_t lines, const char* errorText) {
  m_values.SetCurrentColumn(nullptr);
  m_tableWriter = nullptr;
  XString text = errorText != nullptr ? XString(errorText) : XString();
  // A Cancel on the progress display is the user's decision, not a writing failure: it ends
  // the run with its own message.
  const bool cancelled = m_context.IsCancelRequested();
  // Also when the destination could not even be opened: a half-made table file goes.
  // The run ends here. A half-written update file is discarded rather than left for the
  // importing tool (its rows are sent again by the next run); a half-written table file goes
  // and the previous complete one stays.
  m_writer.AbandonTableOutput();
  if (cancelled) throw XException(text);

  XEngineLog& log = m_context.EngineLog();
  log.ExtractLogWrite(kLogDebug, (XString("Error writing line= ") + Decimal(lines)).c_str());
  XString sql;
  try {
    sql = m_data.Query().BuildQuery();
  } catch (const XException&) {
    // The message still names the file.
  }
  XString message;
  if (!text.IsEmpty()) {
    message = XString("Failed with error [") + text + "] while writing file [" + m_writer.TableFileName() +
              "] with query: " + sql;
  } else {
    message = XString("Failed with unknown error while writing file [") + m_writer.TableFileName() +
              "] with query: " + sql;
  }
  log.Error(kLogFatal, message.c_str());
}
