// The generic data layer of the extraction engine: what the table-to-file layer and the
// extracts ask of a database, independent of how it is reached. ODBCDataAccess implements it.
// The connection and command timeouts live here because every data access has them.
#pragma once

#include <cstdint>
#include <vector>

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
