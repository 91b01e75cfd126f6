// Internal to the ADO layer: one executed statement and the reading of its result, row by row
// in place or into a RowStore, by the cheapest means the driver allows (bound blocks, bound
// single rows, or SQLGetData for every value). The recordset reads the result piece by piece: a result that
// fits its byte budget is read whole at Open; a larger one is read a budget at a time as the
// cursor moves; where the database cannot count it, its rest is counted once without being
// kept, and read again from the start (re-executing the statement) when the cursor goes back
// or past the counted part.
//
// The reader owns its statement handle and frees it when it is destroyed. While it holds one
// it is registered with its connection, which ends the statement (EndForConnection) when it
// closes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/ado/Recordset.h"
#include "data/ado/RowStore.h"
#include "data/ado/UniqueHandle.h"
#include "foundation/XString.h"

namespace ado {

class Connection;

class ResultReader {
 public:
  // Executes `sql` on the open connection with its CommandTimeout. Returns null when the
  // statement has no result set (it is freed then). `maxRows` (0 for all) caps the rows the
  // reader ever delivers. Throws ComError without recording it in the connection.
  static std::unique_ptr<ResultReader> Execute(Connection& connection, const XString& sql,
                                               const FetchOptions& options, int32_t maxRows);
  ~ResultReader();
  ResultReader(const ResultReader&) = delete;
  ResultReader& operator=(const ResultReader&) = delete;

  const std::vector<ColumnInfo>& Columns() const { return m_columns; }

  // Appends the next rows to `store` until the result ends (returns false: nothing is left,
  // and the cursor is closed) or the store holds `budgetBytes` (returns true: rows remain).
  // A budget of 0 reads to the end. A failed fetch throws ComError: a result is never cut
  // short silently.
  bool Read(RowStore& store, size_t budgetBytes);
  // Reading in place, for a recordset that streams its result: moves to the next row and keeps
  // its values where they were fetched (see HoldBoundRow). False when the result ends (the
  // cursor is closed then). Throws ComError when a fetch fails.
  bool Step();
  // The values of the row Step moved to, one cell per column, valid until the next Step,
  // Read, CountRest or Restart: as RowStore::RowCells gives them once stored.
  const CellRef& Held(int32_t column) const { return m_cells[static_cast<size_t>(column)]; }
  // Appends the row Step moved to to the store.
  void StoreHeld(RowStore& store) const { StoreRow(store); }

  // Counts the rows not read yet without keeping them, and closes the cursor; reading on
  // then needs Restart. Throws ComError when a fetch fails.
  int64_t CountRest();
  // Runs the statement again and passes over its first `skip` rows, so that Read goes on
  // from there. Throws ComError.
  void Restart(int64_t skip);
  // Rows delivered (read, counted or passed over) since the statement last ran.
  int64_t Position() const { return m_position; }
  // False once the result was read to its end or counted: reading on then needs Restart.
  bool CursorOpen() const { return m_cursorOpen; }
  // True once the connection the statement belongs to was closed: the statement was ended then,
  // and of the reader only Columns and the row held (Held) may be used.
  bool Orphaned() const { return !m_stmt; }

  // Per column: how it is bound and fetched (defined with the reading code).
  struct Plan;

 private:
  friend class Connection;
  ResultReader();
  // Closes the statement's cursor and frees the statement; nothing when it has none.
  void EndStatement();
  // The connection closes: ends the statement and forgets the connection.
  void EndForConnection();
  void Run();
  void Bind();
  void Unbind();
  void CloseCursor();
  // Fetches the next rowset; false at the end of the result.
  bool Fetch();
  // The next row of the rowset fetched last; false when none is left. Throws for a row the
  // driver reports as failed.
  bool NextRow(size_t& row);
  size_t TakeRows(size_t limit);
  // Moves to the next row of the result and holds its values in m_cells; false at its end.
  bool HoldNext(bool& narrowText);
  void HoldBoundRow(size_t row, bool& narrowText);
  void HoldRowByGetData(bool& narrowText);
  // Holds the value read into the column's spill buffer, or NULL.
  void HoldSpilled(size_t column, bool notNull);
  // Holds a fixed-width value fetched as its column's C type, converted to its cell bits.
  void HoldFixed(size_t column, const char* element);
  // Appends the row held to the store.
  void StoreRow(RowStore& store) const;
  // Fetches up to `limit` rows without keeping them; fewer only at the end of the result.
  int64_t PassOver(int64_t limit);
  // The rows MaxRecords still allows (SIZE_MAX without a limit).
  size_t RowsLeft() const;

  // Null once the connection ended the statement.
  Connection* m_connection = nullptr;
  odbc::UniqueHandle m_stmt;
  std::u16string m_sql;
  std::vector<ColumnInfo> m_columns;
  std::vector<Plan> m_plans;
  // 0: SQLGetData for every value; 1: one bound row per fetch; more: bound blocks.
  size_t m_blockRows = 0;
  size_t m_maxRows = 0;
  int64_t m_position = 0;
  bool m_cursorOpen = false;
  bool m_bound = false;
  // The rowset last fetched in bound blocks: its rows, their status, and the next one to read.
  uint64_t m_fetched = 0;
  std::vector<uint16_t> m_status;
  size_t m_nextRow = 0;
  // The current row's values: where each lies (its bound element, its column's spill buffer,
  // or for a fixed-width value its converted bits), and whether it is NULL.
  std::vector<CellRef> m_cells;
  std::vector<uint64_t> m_bits;
  std::vector<std::string> m_spill;
};

}  // namespace ado
