// Internal to the ADO layer: the rows a client-side cursor has fetched, kept compact. Rows
// live in blocks; each block holds one 8-byte cell per fixed-width value (the value itself for
// numbers and dates), a null bit per value, and a byte arena with the variable-length values
// (text, decimals and binary) of each row in column order, each preceded by its length as a
// variable-length integer (one byte up to 127), plus the arena offset where each row starts.
// No per-cell objects or allocations, and no per-value offsets: for the short and often empty
// texts a SIS holds, those would outweigh the text itself. The cursor reads one row after
// another, so the value positions of the row last read are kept decoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/ado/AdoTypes.h"
#include "data/ado/Variant.h"
#include "foundation/XString.h"

namespace ado {

// How a column's values are held and which VARIANT they become.
enum class StorageKind : uint8_t {
  Integer,  // int64 in the cell; Variant of the column's integer VT (widened to VT_I8 if needed)
  Boolean,  // 0 or 1 in the cell; VT_BOOL
  Real,     // double in the cell; VT_R8
  Date,     // OLE date in the cell; VT_DATE
  Text,     // narrow code-page bytes in the arena; VT_BSTR
  Decimal,  // the number's text in the arena; VT_DECIMAL (VT_BSTR when it exceeds 96 bits)
  Binary,   // bytes in the arena; VT_UI1 | VT_ARRAY
};

struct ColumnInfo {
  XString name;
  DataType type = adEmpty;
  int32_t definedSize = 0;
  int32_t attributes = 0;
  StorageKind kind = StorageKind::Text;
  uint16_t integerType = VT_I4;  // for StorageKind::Integer: VT_I2, VT_I4, VT_I8, VT_UI1 or VT_UI8
};

// Where one value of a row lies: for a fixed-width column its 8 cell bits (the int64 or the
// double's bits, as StorageKind says), for a variable-length one its bytes and their length;
// and whether it is NULL.
struct CellRef {
  const char* data = nullptr;
  uint32_t size = 0;
  bool null = true;
};

class RowStore {
 public:
  // `firstRow` numbers the first row stored: a cursor that holds a part of its result at a
  // time reads every part by the rows' positions in the whole result.
  explicit RowStore(std::vector<ColumnInfo> columns, int64_t firstRow = 0);

  const std::vector<ColumnInfo>& Columns() const { return m_columns; }
  int64_t FirstRow() const { return m_firstRow; }
  int64_t RowCount() const { return m_rowCount; }
  // Bytes held (cells, null bits and arenas), for benchmarks and tests of compactness.
  size_t MemoryBytes() const;
  // The same while rows are added, kept up to date as blocks open and close (cheap enough to
  // ask after every row).
  size_t HeldBytes() const;

  // Building: BeginRow, then exactly one Add... per column in order.
  void BeginRow();
  void AddNull();
  void AddInteger(int64_t value);  // Integer and Boolean columns
  void AddReal(double value);      // Real and Date columns
  // Variable-length values (Text, Decimal and Binary columns): either AddBytes, or write at
  // most `capacity` bytes at the pointer BeginVariable returns and commit `size` of them with
  // EndVariable, with no other call between the two.
  void AddBytes(const char* data, size_t size);
  char* BeginVariable(size_t capacity);
  void EndVariable(size_t size);
  // A whole row at once, from one cell per column (fixed-width values as their cell bits):
  // what BeginRow and one Add... per column give, in one reservation.
  void AddRow(const CellRef* cells);
  // After the last row: gives back what the last block reserved beyond its rows.
  void Finish();

  // Reading.
  bool IsNull(int64_t row, int32_t column) const;
  Variant Value(int64_t row, int32_t column) const;
  // The arena bytes of a variable-length value (nullptr and 0 for NULL or fixed values).
  const char* Bytes(int64_t row, int32_t column, uint32_t& size) const;
  int32_t ActualSize(int64_t row, int32_t column) const;
  // Where each value of a row lies, one cell per column into `cells`: a reader of the row's
  // values finds them all at once. Valid until rows are added.
  void RowCells(int64_t row, CellRef* cells) const;

  // The Variant of a value of `info`'s column: from its cell bits for a fixed-width column,
  // from its bytes for a variable-length one (what Value hands out for a stored value).
  static Variant ValueOf(const ColumnInfo& info, uint64_t bits, const char* bytes, uint32_t size);
  // ActualSize of a fixed-width value of `info`'s column; -1 for a variable-length column.
  static int32_t FixedSize(const ColumnInfo& info);
  // The same from a cell: the Variant of its value, and its ActualSize.
  static Variant CellValue(const ColumnInfo& info, const CellRef& cell);
  static int32_t CellSize(const ColumnInfo& info, const CellRef& cell);

 private:
  // One bit per value, 64 to a word: cheaper to add to and to read than a vector of bool.
  struct NullBits {
    std::vector<uint64_t> words;
    size_t count = 0;
    void reserve(size_t bits) { words.reserve((bits + 63) / 64); }
    void push_back(bool bit) {
      if (count % 64 == 0) words.push_back(0);
      words.back() |= static_cast<uint64_t>(bit) << (count % 64);
      ++count;
    }
    // The low `n` (at most 64) bits of `bits`, lowest first.
    void append(uint64_t bits, size_t n) {
      const size_t shift = count % 64;
      if (shift == 0) {
        words.push_back(bits);
      } else {
        words.back() |= bits << shift;
        if (shift + n > 64) words.push_back(bits >> (64 - shift));
      }
      count += n;
    }
    bool operator[](size_t i) const { return (words[i / 64] >> (i % 64)) & 1; }
    size_t capacity() const { return words.capacity() * 64; }
  };
  struct Block {
    int64_t firstRow = 0;
    uint32_t rows = 0;
    uint32_t capacity = 0;            // rows reserved
    std::vector<uint64_t> fixed;      // rows x fixed-width columns
    std::vector<uint32_t> rowStarts;  // per row: where its variable-length values start
    NullBits nulls;                   // rows x columns
    std::vector<char> arena;
  };
  // Where a value lives: its block, its null bit, and its index in `fixed` or, for a
  // variable-length value, among the variable-length values of its row.
  struct Slot {
    const Block* block;
    size_t nullIndex;
    size_t index;
    bool variable;
  };
  void StartBlock();
  void FinishBlock();
  // Makes room for `size` more arena bytes, growing by half (not doubling) past the estimate.
  void ReserveArena(size_t size);
  void AddFixed(uint64_t bits, bool isNull);
  // Appends a variable-length value (its length, then its bytes) and counts it.
  void AddVariable(const char* data, size_t size, bool isNull);
  static size_t BytesOf(const Block& block);
  const Block& BlockOf(int64_t row) const;
  Slot Locate(int64_t row, int32_t column) const;
  // The arena bytes of a variable-length slot.
  const char* SlotBytes(const Slot& slot, uint32_t& size) const;
  // Decodes where the variable-length values of a row lie, unless that row is decoded already.
  void DecodeRow(const Block& block, int64_t row) const;

  std::vector<ColumnInfo> m_columns;
  std::vector<uint8_t> m_isVariable;  // per column
  std::vector<uint32_t> m_slotOf;   // per column: its index among the fixed or variable columns
  size_t m_fixedColumns = 0;
  size_t m_variableColumns = 0;
  uint32_t m_rowsPerBlock = 1;
  std::vector<Block> m_blocks;
  int64_t m_firstRow = 0;
  int64_t m_rowCount = 0;
  size_t m_finishedBlocks = 0;      // blocks [0, m_finishedBlocks) are closed and counted in
  size_t m_finishedBytes = 0;       // m_finishedBytes
  uint64_t m_closedRows = 0;        // rows and arena bytes of the closed blocks, to size the next
  uint64_t m_closedArenaBytes = 0;
  size_t m_column = 0;             // the column the next Add... fills
  size_t m_variableStart = 0;      // arena size at BeginVariable
  mutable size_t m_lastBlock = 0;  // rows are read mostly in order: start the search here
  mutable int64_t m_decodedRow = -1;
  mutable std::vector<uint32_t> m_decodedOffsets;  // per variable-length column of that row
  mutable std::vector<uint32_t> m_decodedLengths;
};

}  // namespace ado
