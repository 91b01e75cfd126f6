// An ADO-shaped recordset over ODBC with a client-side cursor: Open executes the SQL and
// fetches every row, in blocks sized by a byte budget, into compact storage; the cursor then
// knows its RecordCount, moves with MoveFirst / MoveNext and reports BOF / EOF; Fields are
// found by position or by case-insensitive name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/ado/AdoTypes.h"
#include "data/ado/Field.h"
#include "foundation/XString.h"

namespace ado {

class Connection;
class RowStore;

// How Open fetches. The defaults suit every driver; tests and benchmarks vary them.
struct FetchOptions {
  // Bytes of bound buffers per fetch block; the rows per block follow from the row width.
  size_t blockBytes = 1u << 20;
  // Characters bound for a long text column (and bytes for a long binary one); longer values
  // are completed with SQLGetData.
  size_t longColumnBuffer = 512;
  // Fetch many rows per call where that is safe: for results of numbers and dates only, and
  // for drivers that can read the rest of a long value inside a block (SQL_GD_BLOCK).
  bool blockCursor = true;
  // Bind columns (one SQLFetch fills them); when false, or when the driver cannot read bound
  // columns with SQLGetData, every value is read with SQLGetData.
  bool bindColumns = true;
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Properties, set before Open. Every cursor is a client-side static cursor: a forward-only
  // request still allows MoveFirst, and the lock type is recorded only (the cursor reads).
  CursorLocation GetCursorLocation() const { return m_cursorLocation; }
  void SetCursorLocation(CursorLocation location) { m_cursorLocation = location; }
  CursorType GetCursorType() const { return m_cursorType; }
  void SetCursorType(CursorType type) { m_cursorType = type; }
  LockType GetLockType() const { return m_lockType; }
  // The most records Open keeps, 0 for all (ADO's MaxRecords). A query that only has to open,
  // or to show its first record, sets 1: the client-side cursor would otherwise read the
  // whole result.
  int32_t GetMaxRecords() const { return m_maxRecords; }
  void SetMaxRecords(int32_t count) { m_maxRecords = count < 0 ? 0 : count; }
  void SetFetchOptions(const FetchOptions& options) { m_options = options; }

  // Executes the SQL on the connection with its CommandTimeout and fetches all rows (or the
  // first MaxRecords). Throws ComError (the connection's Errors collection then holds the
  // diagnostics) when the connection is closed, the statement fails or a fetch fails; the
  // recordset stays closed.
  // Afterwards the cursor is on the first record, or at BOF and EOF when there is none.
  void Open(const XString& sql, Connection& connection, CursorType cursorType = adOpenUnspecified,
            LockType lockType = adLockUnspecified, int32_t options = adCmdText);
  void Close();  // throws ComError (adErrObjectClosed) when not open
  ObjectState State() const { return m_store ? adStateOpen : adStateClosed; }

  // Movement and position; each throws ComError (adErrObjectClosed) when closed.
  int32_t RecordCount() const;
  bool IsBOF() const;
  bool IsEOF() const;
  // Throws adErrNoCurrentRecord on an empty recordset.
  void MoveFirst();
  // Throws adErrNoCurrentRecord when already at EOF.
  void MoveNext();
  // The current record's index (0-based), -1 at BOF, RecordCount() at EOF.
  int64_t AbsolutePosition() const { return m_position; }

  // Fields. Item by index throws adErrItemNotFound (ComError) when out of range; by name
  // (case-insensitive) it does too, while FindField answers null.
  int32_t FieldCount() const { return static_cast<int32_t>(m_fields.size()); }
  Field& GetField(int32_t index);
  Field& GetField(const char* name);
  Field* FindField(const char* name);

 private:
  friend class Field;
  void RequireOpen() const;
  // The current record's index, or throws adErrNoCurrentRecord.
  int64_t CurrentRecord() const;

  CursorLocation m_cursorLocation = adUseServer;
  CursorType m_cursorType = adOpenForwardOnly;
  LockType m_lockType = adLockReadOnly;
  int32_t m_maxRecords = 0;
  FetchOptions m_options;
  std::unique_ptr<RowStore> m_store;
  std::vector<Field> m_fields;
  int64_t m_position = -1;
};

}  // namespace ado
