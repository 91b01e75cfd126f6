// What the table extraction loop and the value functions ask of the open query: moving through
// its records and reading the current record's values. Two readers exist: the ODBC reader
// (ODBCRecordReader) and, for a database type read as files without a driver, NoRecordReader,
// which has no record. The data access chooses one when it connects.
#pragma once

#include <cstdint>
#include <vector>

#include "data/ODBCQueryModel.h"
#include "foundation/XDateTime.h"
#include "foundation/XString.h"

// A field's raw bytes.
using ByteBuffer = std::vector<uint8_t>;

class RecordReader {
 public:
  virtual ~RecordReader() = default;

  // Runs the SQL text as the open query (closing the previous one); throws on failure.
  virtual void RunQuery(const XString& sql) = 0;
  // Closes the open query, if any.
  // The number of rows the SQL text returns, counted by the database; leaves no query open.
  virtual int64_t CountQuery(const XString& sql) = 0;
  virtual void CloseQuery() = 0;
  virtual bool HasOpenQuery() const = 0;
  // Record movement: false when there is no (further) record or on error.
  virtual bool GetFirstRecord() = 0;
  virtual bool GetNextRecord() = 0;
  virtual int32_t GetRecordCount() = 0;

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

  // The open query's columns (0 when no query is open).
  virtual int32_t GetFieldCount() const = 0;
  virtual XString GetFieldName(int32_t index) const = 0;
  virtual XString GetFieldTypeName(int32_t index) const = 0;
};
