// The table extraction loop (one query into one package table) and the writer's part of a
// run's lifecycle: Begin opens the extract log, Finish releases it.
#include <exception>
#include <new>
#include <optional>

#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XLog.h"
#include "foundation/XProgress.h"
#include "package/QDEWriter.h"

namespace {

// The name under which the per-column trace shows a column.
XString TraceName(const ExportColumn& column) {
  return column.Field() != nullptr ? column.Text() : XString("**Blank FieldName**");
}

XString Decimal(int32_t value) { return XString(static_cast<int>(value)); }

}  // namespace

// ---- Columns ------------------------------------------------------------------------------

ExportColumn* QDEWriter::AppendColumn(DataAccessField* field, const XString& text,
                                      ExportColumn::ValueFunction valueFunction,
                                      int32_t command) {
  return m_columns.Add(new ExportColumn(field, text, std::move(valueFunction), command));
}

void QDEWriter::ClearColumns() {
  m_currentColumn = nullptr;
  m_columns.DeleteAll();
}

// ---- Writing a table ----------------------------------------------------------------------

int32_t QDEWriter::WriteTableRows(const XString& leadingLine,
                                  const std::function<bool()>& filter) {
  XEngineLog& log = EngineLog();
  log.ExtractLogWrite(kLogVerboseDebug, "Opening Table");
  OpenQuery(true);

  int32_t lines = 0;
  try {
    log.ExtractLogWrite(kLogDebug, (XString("Writing ") + m_tableFileName).c_str());
    const bool toUpdateFile = m_updating && m_updateFile;
    XFile* out = nullptr;
    if (toUpdateFile) {
      log.ExtractLogWrite(kLogDebug, "Writing QDU File");
      out = &OpenTableOutput();  // writes the table's header entry first
      log.ExtractLogWrite(kLogDebug, "Wrote Current Header");
    } else {
      log.ExtractLogWrite(kLogDebug, "Writing QDE File");
      out = &OpenTableOutput();
      log.ExtractLogWrite(kLogDebug, "Opened QDE FIle");
    }
    m_tableWriter = out;
    if (!leadingLine.IsEmpty()) {
      out->WriteRaw(leadingLine.c_str());
      out->EndLine();
    }

    ResetProgressCount();
    log.ExtractLogWrite(kLogVerboseDebug, "Generating QDE Entries");
    bool firstRecord = true;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) {
      if (firstRecord) {
        log.ExtractLogWrite(kLogDebug, "Generating First QDE Entry");
        firstRecord = false;
      }
      // Every fetched record counts, also one the filter rejects: the bar follows the query.
      CountProgressItem();
      if (filter && !filter()) continue;
      ++lines;
      if (lines == 1) log.ExtractLogWrite(kLogDebug, "Line Passed Filter");
      WriteColumns(*out, lines == 1);
      out->EndLine();
    }

    if (toUpdateFile) {
      log.ExtractLogWrite(kLogDebug, "Writing qdu footer");
      CloseTableOutput();
      m_tableWriter = nullptr;
      log.ExtractLogWrite(kLogDebug, (XString("Finished QDU File. Lines= ") + Decimal(lines)).c_str());
    } else {
      log.ExtractLogWrite(kLogDebug, "Closing Table file");
      CloseTableOutput();
      m_tableWriter = nullptr;
      m_tally.tables.emplace_back(m_tableFileName, lines);
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
  log.ExtractLogWrite(kLogDebug, (XString("Wrote ") + m_tableFileName).c_str());
  return lines;
}

void QDEWriter::WriteColumns(XFile& out, bool trace) {
  XEngineLog& log = EngineLog();
  for (ExportColumn* column : m_columns) {
    m_currentColumn = column;
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
        ColumnHook(column->Field());
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
  m_currentColumn = nullptr;
}

void QDEWriter::FailTable(int32_t lines, const char* errorText) {
  m_currentColumn = nullptr;
  m_tableWriter = nullptr;
  XString text = errorText != nullptr ? XString(errorText) : XString();
  // A Cancel on the progress display is the user's decision, not a writing failure: it ends
  // the run with its own message.
  const bool cancelled = IsCancelRequested();
  // Also when the destination could not even be opened: a half-made table file goes.
  // The run ends here. A half-written update file is discarded rather than left for the
  // importing tool (its rows are sent again by the next run); a half-written table file goes
  // and the previous complete one stays.
  AbandonTableOutput();
  if (cancelled) throw XException(text);

  XEngineLog& log = EngineLog();
  log.ExtractLogWrite(kLogDebug, (XString("Error writing line= ") + Decimal(lines)).c_str());
  XString sql;
  try {
    sql = BuildQuery();
  } catch (const XException&) {
    // The message still names the file.
  }
  XString message;
  if (!text.IsEmpty()) {
    message = XString("Failed with error [") + text + "] while writing file [" + m_tableFileName +
              "] with query: " + sql;
  } else {
    message = XString("Failed with unknown error while writing file [") + m_tableFileName +
              "] with query: " + sql;
  }
  log.Error(kLogFatal, message.c_str());
}

void QDEWriter::EndTable() {
  CompleteProgress();
  EngineLog().ExtractLogWrite(
      kLogDebug, (XString("Finished ") + m_tableDescription + " table/query.").c_str());
}

bool QDEWriter::IsCancelRequested() const {
  for (const XProgress* progress = GetProgress(); progress != nullptr; progress = progress->Parent()) {
    if (progress->StopRequested()) return true;
  }
  return false;
}
