// An ADO-shaped recordset over ODBC with a client-side cursor: Open executes the SQL and
// fetches the rows, in blocks sized by a byte budget, into compact storage; the cursor knows
// its RecordCount, moves with MoveFirst / MoveNext and reports BOF / EOF; Fields are found by
// position or by case-insensitive name.
//
// The rows held at once are bounded, not the result: a result larger than
// FetchOptions::heldBytes is held a part at a time. Open holds its first part; moving past a
// part's last row drops it and fetches the next; RecordCount asks the database for the count
// on a second statement (SELECT COUNT(*) of the query as a derived table), and only where the
// driver or the query refuses that, counts the rest once by fetching it without holding it;
// MoveFirst, or reading on after such a fetched count, runs the statement again (as ADO's
// forward-only cursors do) and passes over the rows already seen. Until such a result has been
// read to its end its statement stays open on the connection.
//
// A streaming recordset (SetStreaming) holds no rows at all: its values are read where the
// driver fetched them, in the rowset of the current record, which costs neither a copy nor a
// search per value; MoveFirst after moving on runs the statement again. It is for a caller that
// reads forward from the first record without asking the count: RecordCount needs the rows,
// so it holds them from the current record on, as a recordset that does not stream holds them
// (and costs as much), and the recordset goes on so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "data/ado/AdoTypes.h"
#include "data/ado/ComError.h"
#include "data/ado/Field.h"
#include "data/ado/RowStore.h"
#include "foundation/XString.h"

namespace ado {

class Connection;
class ResultReader;

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
  // Bytes of rows the recordset holds at once (0: the whole result, however large). A result
  // within it is read whole at Open and its statement freed at once.
  size_t heldBytes = 8u << 20;
};

class Recordset {
 public:
  Recordset();
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // Properties, set before Open. Every cursor is a client-side static cursor: a forward-only
  // request still allows MoveFirst, and the lock type is recorded only (the cursor reads).
  // A result larger than the held bytes is read on as the cursor moves (see above).
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
  // Streaming, set before Open (see above); off by default.
  bool GetStreaming() const { return m_streaming; }
  void SetStreaming(bool streaming) { m_streaming = streaming; }

  // Executes the SQL on the connection with its CommandTimeout and fetches the rows (or the
  // first MaxRecords), all of them or the first held bytes' worth. Throws ComError (the
  // connection's Errors collection then holds the diagnostics) when the connection is closed,
  // the statement fails or a fetch fails; the recordset stays closed.
  // Afterwards the cursor is on the first record, or at BOF and EOF when there is none.
  void Open(const XString& sql, Connection& connection, CursorType cursorType = adOpenUnspecified,
            LockType lockType = adLockUnspecified, int32_t options = adCmdText);
  void Close();  // throws ComError (adErrObjectClosed) when not open
  ObjectState State() const { return IsOpen() ? adStateOpen : adStateClosed; }

  // Movement and position; each throws ComError (adErrObjectClosed) when closed. Where rows
  // have to be fetched (RecordCount and the moves of a result held in parts), a failed fetch
  // throws its ComError: a result is never cut short silently. After such a failure the
  // cursor is at EOF.
  int32_t RecordCount();
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
  bool IsOpen() const { return m_store || m_streamOpen; }
  void RequireOpen() const;
  // The current record's index, or throws adErrNoCurrentRecord.
  int64_t CurrentRecord() const;
  // The first row after the held ones.
  int64_t HeldEnd() const;
  // Drops the held rows and holds the next part from row `first` on.
  void HoldFrom(int64_t first);
  // Records a failure of the reader in the connection's Errors and rethrows it.
  [[noreturn]] void RaiseReadError(const ComError& error) const;
  // The rows of a result held in parts as the database counts them on a second statement,
  // so that the result's own cursor stays where it is; -1 when the driver or the query
  // refuses (a connection with one active result at a time, a query that cannot be a
  // derived table).
  int64_t CountedByDatabase() const;
  // The current record's value in the column, found once per record (the rows held are
  // searched once for all of its values). Throws as CurrentRecord.
  const CellRef& CurrentCell(int32_t column) const {
    if (m_cellsRow >= 0 && m_cellsRow == m_position) return m_cells[static_cast<size_t>(column)];
    return FindCell(column);
  }
  const CellRef& FindCell(int32_t column) const;
  // Streaming: the record count, and MoveFirst (see above).
  int32_t StreamedCount();
  void StreamFromStart();
  // Turns a streaming recordset into one that holds its rows, from the current record on.
  void StopStreaming();

  CursorLocation m_cursorLocation = adUseServer;
  CursorType m_cursorType = adOpenForwardOnly;
  LockType m_lockType = adLockReadOnly;
  int32_t m_maxRecords = 0;
  FetchOptions m_options;
  // The rows held: the whole result, or a part of it from m_store->FirstRow() on.
  std::unique_ptr<RowStore> m_store;
  // The statement of a result larger than the held bytes; null for a result held whole.
  std::unique_ptr<ResultReader> m_reader;
  XString m_sql;  // the statement of a result held in parts, for its count
  Connection* m_connection = nullptr;
  // For a result held in parts: no rows follow the held ones; and the rows counted (-1 before
  // RecordCount counted them).
  mutable bool m_ended = true;
  mutable int64_t m_total = -1;
  std::vector<Field> m_fields;
  int64_t m_position = -1;
  bool m_streaming = false;
  // A streaming result is open (m_store stays null), and the reader holds the current record
  // m_position (false at BOF and EOF).
  bool m_streamOpen = false;
  bool m_onRecord = false;
  // The cells of record m_cellsRow of the rows held (-1: none). Whatever replaces the rows
  // held or closes the recordset sets it to -1.
  mutable std::vector<CellRef> m_cells;
  mutable int64_t m_cellsRow = -1;
};

}  // namespace ado
