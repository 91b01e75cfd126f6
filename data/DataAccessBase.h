// The generic data layer of the extraction engine: what the table-to-file layer and the
// extracts ask of a database, independent of how it is reached. ODBCDataAccess implements it.
// The connection and command timeouts live here because every data access has them.
#pragma once

#include <cstdint>
#include <vector>

#include "data/EngineMember.h"
#include "data/ODBCQueryModel.h"
#include "foundation/XDateTime.h"
#include "foundation/XString.h"
#include "package/QDEWriter.h"

// A field's raw bytes.
using ByteBuffer = std::vector<uint8_t>;

class DataAccessBase : public QDEWriter {
 public:
  DataAccessBase() = default;
  ~DataAccessBase() override = default;

  int32_t GetConnectionTimeout() const { return m_connectionTimeout; }
  void SetConnectionTimeout(int32_t seconds) { m_connectionTimeout = seconds; }
  int32_t GetCommandTimeout() const { return m_commandTimeout; }
  void SetCommandTimeout(int32_t seconds) { m_commandTimeout = seconds; }

  // Attendance change-date filter (adds conditions to the query) and its reset.
  virtual void FilterAttendance(int32_t fromDay, int32_t toDay) = 0;
  virtual void ClearAttendanceChangeDates() = 0;

  // Record movement: false when there is no (further) record or on error.
  virtual bool GetFirstRecord() = 0;
  virtual bool GetNextRecord() = 0;

  // The query model: cleared between extracts, built into SQL text.
  virtual void ClearQuery() = 0;
  virtual XString BuildQuery() = 0;
  // Runs the built query; closing also clears the model.
  virtual bool RunBuiltQuery() = 0;
  // The number of rows the built query returns, counted by the database; a failure throws as
  // running the query itself would.
  virtual int64_t CountBuiltQuery() = 0;
  virtual void CloseQuery() = 0;
  virtual int32_t GetRecordCount() = 0;

  // Adds a field of a table to the select list; null when it was left out.
  virtual DataAccessField* AddField(const XString& fieldName, DataAccessTable* table, bool required) = 0;

  // Field readers. A null handle (an optional field that was left out) gives the reader's
  // empty result, never an error.
  virtual XString GetFieldText(DataAccessField* field) = 0;       // value as text
  virtual XString GetFieldTrimmed(DataAccessField* field) = 0;    // trimmed, TABs removed
  virtual XString GetFieldClean(DataAccessField* field) = 0;      // trimmed, CR/LF as blanks
  virtual ByteBuffer GetFieldBytes(DataAccessField* field) = 0;
  virtual int32_t GetFieldDate(DataAccessField* field) = 0;       // day number, -1 none
  virtual XDateTime GetFieldDateTime(DataAccessField* field) = 0;
  virtual int32_t GetFieldTime(DataAccessField* field) = 0;       // ms since midnight, -1 none
  virtual int32_t GetFieldInteger(DataAccessField* field) = 0;
  virtual int64_t GetFieldLong(DataAccessField* field) = 0;
  virtual float GetFieldFloat(DataAccessField* field) = 0;
  virtual double GetFieldDouble(DataAccessField* field) = 0;
  virtual bool GetFieldBool(DataAccessField* field) = 0;
  virtual XString GetFieldBoolText(DataAccessField* field) = 0;   // "1" / "0"
  virtual bool GetFieldIsNull(DataAccessField* field) = 0;
  virtual XString GetFieldZeroBlank(DataAccessField* field) = 0;  // trimmed, "0" as empty
  virtual XString GetFieldNABlank(DataAccessField* field) = 0;    // trimmed, "N/A" as empty
  virtual XString GetFieldCleanZeroBlank(DataAccessField* field) = 0;
  virtual int32_t GetFieldDate1900None(DataAccessField* field) = 0;  // 1900-01-01 as none

  virtual XString BuildConnectionString(const char* dataSource, const char* userName,
                                        const char* password) = 0;

  // ---- Output columns, opening the query and value functions (DataAccessBaseColumns.cpp) ----
  // A value function turns the current row's value of its column into the field's text; a
  // row filter decides whether the current row is written. Both are member operations of the
  // engine: the ones below, or an engine's own.
  using ValueFunction = EngineMember<XString(ExportColumn& column)>;
  using RowFilter = EngineMember<bool()>;

  // Registers the next output column of the current table. With a table, the field is first
  // added to the query; when the data access refuses it (a missing optional field), nothing
  // is registered (no column, no header field, no custom field), so that the table file and
  // its header entry stay aligned, and null is returned. Without a table, `fieldName` is the
  // column's constant text. A header field name (not empty) is appended to the current header
  // entry; a custom field with a key is registered for the run (a known key is ignored).
  ExportColumn* AddColumn(DataAccessTable* table, const XString& fieldName,
                          ValueFunction valueFunction, int32_t command = kCommandNone,
                          const XString& headerName = XString(),
                          const SISExpCustomField* customField = nullptr, bool required = false);
  // Writes the current table through its columns; returns the number of lines written.
  int32_t WriteTable(RowFilter filter = nullptr, const XString& leadingLine = XString());
  // Runs the built query (when `run`) and sets the progress total to its record count; true
  // when it ran. In a dry run the rows are only counted into the report, and the answer is
  // false. A failure ends the run with a Fatal error naming the query's SQL text.
  bool OpenQuery(bool run) override;
  // Closes the query (which clears the model), clears the columns and ends the table.
  void FinishTable();

  // Value functions. "Text" is the field's trimmed text (TABs removed), trimmed once more.
  virtual XString GetString(ExportColumn& column);
  virtual XString GetStringUpper(ExportColumn& column);
  virtual XString GetStringQuoted(ExportColumn& column);
  virtual XString GetStringZeroBlank(ExportColumn& column);
  virtual XString BlankZero(const XString& text);
  virtual XString GetStringNABlank(ExportColumn& column);
  virtual XString GetPhone(ExportColumn& column);
  virtual XString GetStringOneLine(ExportColumn& column);
  // The text (or the field's text when it is empty) with TAB, CR and LF as blanks. Without a
  // field, the current column's.
  virtual XString CleanText(const XString& text, DataAccessField* field = nullptr);
  virtual XString GetCurrency(ExportColumn& column);
  virtual XString GetDate(ExportColumn& column);
  // Empty for 1 January 1900. Without a field, the current column's.
  virtual XString GetDateOf(ExportColumn& column);
  virtual XString GetDateOf(DataAccessField* field);
  virtual XString GetDateZeroBlank(ExportColumn& column);
  virtual XString GetTime(ExportColumn& column);
  virtual XString GetDateTime(ExportColumn& column);
  virtual XString GetInteger(ExportColumn& column);
  virtual XString GetIntegerZeroBlank(ExportColumn& column);
  virtual XString GetIntegerZeroBlank(DataAccessField* field);
  virtual XString GetYesNo(ExportColumn& column);
  virtual XString GetYesNo(bool value);
  virtual XString GetNoYes(ExportColumn& column);
  virtual XString GetNoYes(DataAccessField* field);
  virtual XString GetYesBlank(ExportColumn& column);
  virtual XString GetYesBlank(bool value);
  virtual XString GetYesBlank(DataAccessField* field);
  virtual XString GetBoolDigit(ExportColumn& column);
  virtual XString GetYesNoDigit(ExportColumn& column);
  virtual bool IsYesText(ExportColumn& column);
  virtual XString GetFloat(ExportColumn& column);
  virtual XString GetWholeNumber(ExportColumn& column);
  virtual XString GetWholeNumber(DataAccessField* field);
  virtual XString GetGradeScaleKey(ExportColumn& column);
  virtual XString GetGradeScaleKey(const XString& text);

  // "1" for 1, yes, y; "0" for 0, no, n (case ignored); "" for anything else.
  static XString YesNoDigit(const XString& text);
  // The field's text as the value functions use it.
  XString ValueText(DataAccessField* field);

 protected:
  // The engine's logging rule: extract log (time-prefixed, run-log fallback), run log, and
  // log-then-throw.
  void LogExtract(int32_t level, const XString& text) { EngineLog().ExtractLogWrite(level, text.c_str()); }
  void LogRun(int32_t level, const XString& text) { EngineLog().RunLogWrite(level, text.c_str()); }
  [[noreturn]] void Fail(int32_t level, const XString& text) { EngineLog().Error(level, text.c_str()); }

 private:
  int32_t m_connectionTimeout = 15;
  int32_t m_commandTimeout = 30;
};
