// Internal to the ADO layer: the rows a client-side cursor has fetched, kept compact. Rows
// live in blocks; each block holds one 8-byte cell per value (the value itself for numbers
// and dates, an offset and length into the block's byte arena for text, decimals and binary),
// a null bit per cell, and the arena. No per-cell objects or allocations.
#pragma once

#include <cstdint>
#include <string>
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
  uint16_t integerType = VT_I4;  // for StorageKind::Integer: VT_I2, VT_I4, VT_I8 or VT_UI1
};

class RowStore {
 public:
  explicit RowStore(std::vector<ColumnInfo> columns);

  const std::vector<ColumnInfo>& Columns() const { return m_columns; }
  int64_t RowCount() const { return m_rowCount; }
  // Bytes held (cells, null bits and arenas), for benchmarks and tests of compactness.
  size_t MemoryBytes() const;

  // Building: BeginRow, then exactly one Add... per column in order.
  void BeginRow();
  void AddNull();
  void AddInteger(int64_t value);
  void AddReal(double value);  // Real and Date columns
  // Variable-length values: append the bytes to Arena() between BeginVariable and
  // EndVariable (or pass them to AddBytes).
  std::string& BeginVariable();
  void EndVariable();
  void AddBytes(const char* data, size_t size);

  // Reading.
  bool IsNull(int64_t row, int32_t column) const;
  Variant Value(int64_t row, int32_t column) const;
  // The arena bytes of a variable-length value (nullptr and 0 for NULL or fixed values).
  const char* Bytes(int64_t row, int32_t column, uint32_t& size) const;
  int32_t ActualSize(int64_t row, int32_t column) const;

 private:
  struct Block {
    int64_t firstRow = 0;
    uint32_t rows = 0;
    std::vector<uint64_t> cells;
    std::vector<bool> nulls;
    std::string arena;
  };
  void AddCell(uint64_t bits, bool isNull);
  const Block& BlockOf(int64_t row) const;
  uint64_t Cell(int64_t row, int32_t column, bool& isNull, const Block*& block) const;

  std::vector<ColumnInfo> m_columns;
  std::vector<Block> m_blocks;
  int64_t m_rowCount = 0;
  size_t m_variableStart = 0;
  mutable size_t m_lastBlock = 0;  // rows are read mostly in order: start the search here
};

}  // namespace ado
