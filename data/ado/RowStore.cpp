#include "data/ado/RowStore.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace ado {
namespace {

// A block closes when it holds this many values or its arena passes this size. Offsets within
// a block's arena are 32-bit.
constexpr size_t kBlockCells = 1u << 17;
constexpr size_t kBlockArenaBytes = 1u << 20;
// Rows of the first block; later blocks start from the bytes per row seen so far.
constexpr uint64_t kFirstBlockRows = 64;

bool IsVariableKind(StorageKind kind) {
  return kind == StorageKind::Text || kind == StorageKind::Decimal || kind == StorageKind::Binary;
}

// Variable-length integers: seven bits a byte, lowest first, the top bit set on every byte but
// the last.
size_t LengthBytes(size_t value) {
  size_t n = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++n;
  }
  return n;
}

void PutLength(char* out, size_t value) {
  while (value >= 0x80) {
    *out++ = static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  *out = static_cast<char>(value);
}

uint32_t GetLength(const char*& in) {
  uint32_t value = 0;
  for (int shift = 0;; shift += 7) {
    const auto byte = static_cast<unsigned char>(*in++);
    value |= static_cast<uint32_t>(byte & 0x7F) << shift;
    if (!(byte & 0x80)) return value;
  }
}

// Gives back what a closed block reserved and did not use, when that is worth a copy.
template <typename T>
void Trim(std::vector<T>& v) {
  if (v.capacity() - v.size() > v.size() / 16) v.shrink_to_fit();
}

}  // namespace

RowStore::RowStore(std::vector<ColumnInfo> columns, int64_t firstRow)
    : m_columns(std::move(columns)), m_firstRow(firstRow) {
  for (const ColumnInfo& column : m_columns) {
    const bool variable = IsVariableKind(column.kind);
    m_isVariable.push_back(variable);
    m_slotOf.push_back(static_cast<uint32_t>(variable ? m_variableColumns++ : m_fixedColumns++));
  }
  m_rowsPerBlock = static_cast<uint32_t>(std::max<size_t>(1, kBlockCells / std::max<size_t>(1, m_columns.size())));
  m_decodedOffsets.resize(m_variableColumns);
  m_decodedLengths.resize(m_variableColumns);
}

size_t RowStore::BytesOf(const Block& block) {
  return block.fixed.capacity() * sizeof(uint64_t) + block.rowStarts.capacity() * sizeof(uint32_t) +
         block.nulls.capacity() / 8 + block.arena.capacity();
}

size_t RowStore::MemoryBytes() const {
  size_t bytes = 0;
  for (const Block& block : m_blocks) bytes += BytesOf(block);
  return bytes;
}

size_t RowStore::HeldBytes() const {
  size_t bytes = m_finishedBytes;
  for (size_t b = m_finishedBlocks; b < m_blocks.size(); ++b) bytes += BytesOf(m_blocks[b]);
  return bytes;
}

void RowStore::StartBlock() {
  // Blocks start small and double up to their full size, so that a result of a few rows
  // reserves little, and each is reserved exactly: growing by doubling would leave up to half
  // of every block unused.
  const uint32_t rows = static_cast<uint32_t>(
      std::min<uint64_t>(m_rowsPerBlock, std::max<uint64_t>(kFirstBlockRows, static_cast<uint64_t>(m_rowCount))));
  uint64_t arena = static_cast<uint64_t>(rows) * m_variableColumns * 8;
  if (m_closedRows > 0) {
    const uint64_t estimate = m_closedArenaBytes * rows / m_closedRows;
    arena = std::min<uint64_t>(estimate + estimate / 32 + 64, kBlockArenaBytes + kBlockArenaBytes / 8);
  }
  Block block;
  block.firstRow = m_firstRow + m_rowCount;
  block.capacity = rows;
  block.fixed.reserve(rows * m_fixedColumns);
  if (m_variableColumns > 0) block.rowStarts.reserve(rows);
  block.nulls.reserve(rows * m_columns.size());
  block.arena.reserve(static_cast<size_t>(arena));
  m_blocks.push_back(std::move(block));
}

void RowStore::FinishBlock() {
  Block& block = m_blocks.back();
  m_closedRows += block.rows;
  m_closedArenaBytes += block.arena.size();
  Trim(block.fixed);
  Trim(block.rowStarts);
  Trim(block.nulls.words);
  Trim(block.arena);
  m_finishedBytes += BytesOf(block);
  m_finishedBlocks = m_blocks.size();
}

void RowStore::Finish() {
  if (m_finishedBlocks < m_blocks.size()) FinishBlock();
}

void RowStore::BeginRow() {
  if (m_blocks.empty() || m_blocks.back().rows >= m_blocks.back().capacity ||
      m_blocks.back().arena.size() >= kBlockArenaBytes) {
    if (!m_blocks.empty()) FinishBlock();
    StartBlock();
  }
  Block& block = m_blocks.back();
  if (m_variableColumns > 0) block.rowStarts.push_back(static_cast<uint32_t>(block.arena.size()));
  ++block.rows;
  ++m_rowCount;
  m_column = 0;
  m_decodedRow = -1;  // the blocks may move
}

void RowStore::AddRow(const CellRef* cells) {
  BeginRow();
  const size_t columns = m_columns.size();
  size_t bytes = 0;
  for (size_t c = 0; c < columns; ++c) {
    if (!m_isVariable[c]) continue;
    const size_t size = cells[c].null ? 0 : cells[c].size;
    bytes += LengthBytes(size) + size;
  }
  ReserveArena(bytes);
  Block& block = m_blocks.back();
  const size_t at = block.arena.size();
  block.arena.resize(at + bytes);
  char* out = block.arena.data() + at;
  uint64_t nullBits = 0;  // the row's, 64 columns at a time
  for (size_t c = 0; c < columns; ++c) {
    const CellRef& cell = cells[c];
    nullBits |= static_cast<uint64_t>(cell.null) << (c % 64);
    if (c % 64 == 63 || c + 1 == columns) {
      block.nulls.append(nullBits, c % 64 + 1);
      nullBits = 0;
    }
    if (m_isVariable[c]) {
      // A null variable-length value is an empty one, so that the values after it are found.
      const size_t size = cell.null ? 0 : cell.size;
      PutLength(out, size);
      out += LengthBytes(size);
      if (size > 0) std::memcpy(out, cell.data, size);
      out += size;
    } else {
      uint64_t bits = 0;
      if (!cell.null) std::memcpy(&bits, cell.data, sizeof bits);
      block.fixed.push_back(bits);
    }
  }
  m_column = columns;
}

void RowStore::AddFixed(uint64_t bits, bool isNull) {
  Block& block = m_blocks.back();
  block.fixed.push_back(bits);
  block.nulls.push_back(isNull);
  ++m_column;
}

void RowStore::AddVariable(const char* data, size_t size, bool isNull) {
  // The length and the bytes appended in one reservation, neither zero-filled first.
  char length[16];
  const size_t lengthBytes = LengthBytes(size);
  PutLength(length, size);
  ReserveArena(lengthBytes + size);
  Block& block = m_blocks.back();
  block.arena.insert(block.arena.end(), length, length + lengthBytes);
  block.arena.insert(block.arena.end(), data, data + size);
  block.nulls.push_back(isNull);
  ++m_column;
}

void RowStore::AddNull() {
  // A null variable-length value is an empty one, so that the values after it are found.
  if (m_isVariable[m_column]) {
    AddVariable("", 0, true);
  } else {
    AddFixed(0, true);
  }
}

void RowStore::AddInteger(int64_t value) { AddFixed(static_cast<uint64_t>(value), false); }

void RowStore::AddReal(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  AddFixed(bits, false);
}

void RowStore::ReserveArena(size_t size) {
  std::vector<char>& arena = m_blocks.back().arena;
  if (arena.size() + size <= arena.capacity()) return;
  arena.reserve(std::max(arena.size() + size, arena.capacity() + arena.capacity() / 2));
}

void RowStore::AddBytes(const char* data, size_t size) { AddVariable(data, size, false); }

char* RowStore::BeginVariable(size_t capacity) {
  // One byte for the length, which is all a value under 128 bytes needs.
  ReserveArena(capacity + 1);
  std::vector<char>& arena = m_blocks.back().arena;
  m_variableStart = arena.size();
  arena.resize(m_variableStart + 1 + capacity);
  return arena.data() + m_variableStart + 1;
}

void RowStore::EndVariable(size_t size) {
  std::vector<char>& arena = m_blocks.back().arena;
  const size_t lengthBytes = LengthBytes(size);
  if (lengthBytes > 1) {
    // A longer value moves up to make room for its longer length.
    arena.resize(std::max(arena.size(), m_variableStart + lengthBytes + size));
    std::memmove(arena.data() + m_variableStart + lengthBytes, arena.data() + m_variableStart + 1, size);
  }
  PutLength(arena.data() + m_variableStart, size);
  arena.resize(m_variableStart + lengthBytes + size);
  m_blocks.back().nulls.push_back(false);
  ++m_column;
}

const RowStore::Block& RowStore::BlockOf(int64_t row) const {
  const Block& last = m_blocks[m_lastBlock];
  if (row >= last.firstRow && row < last.firstRow + last.rows) return last;
  auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                             [](int64_t r, const Block& b) { return r < b.firstRow; });
  m_lastBlock = static_cast<size_t>(it - m_blocks.begin()) - 1;
  return m_blocks[m_lastBlock];
}

RowStore::Slot RowStore::Locate(int64_t row, int32_t column) const {
  const Block& block = BlockOf(row);
  const size_t r = static_cast<size_t>(row - block.firstRow);
  const size_t c = static_cast<size_t>(column);
  const bool variable = m_isVariable[c];
  if (variable) DecodeRow(block, row);
  return Slot{&block, r * m_columns.size() + c, variable ? m_slotOf[c] : r * m_fixedColumns + m_slotOf[c], variable};
}

void RowStore::DecodeRow(const Block& block, int64_t row) const {
  if (row == m_decodedRow) return;
  const char* base = block.arena.data();
  const char* p = base + block.rowStarts[static_cast<size_t>(row - block.firstRow)];
  for (size_t v = 0; v < m_variableColumns; ++v) {
    const uint32_t size = GetLength(p);
    m_decodedOffsets[v] = static_cast<uint32_t>(p - base);
    m_decodedLengths[v] = size;
    p += size;
  }
  m_decodedRow = row;
}

const char* RowStore::SlotBytes(const Slot& slot, uint32_t& size) const {
  size = m_decodedLengths[slot.index];
  return slot.block->arena.data() + m_decodedOffsets[slot.index];
}

bool RowStore::IsNull(int64_t row, int32_t column) const {
  const Slot slot = Locate(row, column);
  return slot.block->nulls[slot.nullIndex];
}

const char* RowStore::Bytes(int64_t row, int32_t column, uint32_t& size) const {
  const Slot slot = Locate(row, column);
  size = 0;
  if (slot.block->nulls[slot.nullIndex] || !slot.variable) return nullptr;
  return SlotBytes(slot, size);
}

Variant RowStore::Value(int64_t row, int32_t column) const {
  const Slot slot = Locate(row, column);
  if (slot.block->nulls[slot.nullIndex]) return Variant::Null();
  uint32_t size = 0;
  const char* bytes = slot.variable ? SlotBytes(slot, size) : nullptr;
  const uint64_t bits = slot.variable ? 0 : slot.block->fixed[slot.index];
  return ValueOf(m_columns[static_cast<size_t>(column)], bits, bytes, size);
}

Variant RowStore::ValueOf(const ColumnInfo& info, uint64_t bits, const char* bytes, uint32_t size) {
  switch (info.kind) {
    case StorageKind::Integer: {
      const int64_t value = static_cast<int64_t>(bits);
      // A value wider than the column claims (SQLite does not enforce declared types) is
      // handed out whole as VT_I8 rather than cut to the declared width.
      switch (info.integerType) {
        case VT_UI8:
          return Variant::UI8(bits);  // an unsigned BIGINT keeps its 64 bits
        case VT_UI1:
          if (value >= 0 && value <= 255) return Variant::UI1(static_cast<uint8_t>(value));
          break;
        case VT_I2:
          if (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max()) {
            return Variant::I2(static_cast<int16_t>(value));
          }
          break;
        case VT_I4:
          if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max()) {
            return Variant::I4(static_cast<int32_t>(value));
          }
          break;
        default:
          break;
      }
      return Variant::I8(value);
    }
    case StorageKind::Boolean:
      return Variant::Bool(bits != 0);
    case StorageKind::Real:
    case StorageKind::Date: {
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return info.kind == StorageKind::Real ? Variant::R8(value) : Variant::Date(value);
    }
    case StorageKind::Text:
      return Variant::Str(XString(bytes, size));
    case StorageKind::Decimal: {
      Decimal decimal;
      if (Decimal::Parse(bytes, size, decimal)) return Variant::Dec(decimal);
      return Variant::Str(XString(bytes, size));
    }
    case StorageKind::Binary:
      return Variant::Bytes(bytes, size);
  }
  return Variant();
}

int32_t RowStore::FixedSize(const ColumnInfo& info) {
  switch (info.kind) {
    case StorageKind::Integer:
      return info.integerType == VT_UI1 ? 1 : info.integerType == VT_I2 ? 2 : info.integerType == VT_I4 ? 4 : 8;
    case StorageKind::Boolean:
      return 2;
    case StorageKind::Real:
    case StorageKind::Date:
      return 8;
    default:
      return -1;
  }
}

Variant RowStore::CellValue(const ColumnInfo& info, const CellRef& cell) {
  if (cell.null) return Variant::Null();
  if (IsVariableKind(info.kind)) return ValueOf(info, 0, cell.data, cell.size);
  uint64_t bits;
  std::memcpy(&bits, cell.data, sizeof bits);
  return ValueOf(info, bits, nullptr, 0);
}

int32_t RowStore::CellSize(const ColumnInfo& info, const CellRef& cell) {
  if (cell.null) return 0;
  const int32_t fixed = FixedSize(info);
  return fixed >= 0 ? fixed : static_cast<int32_t>(cell.size);
}

void RowStore::RowCells(int64_t row, CellRef* cells) const {
  const Block& block = BlockOf(row);
  const size_t r = static_cast<size_t>(row - block.firstRow);
  const char* variable = m_variableColumns > 0 ? block.arena.data() + block.rowStarts[r] : nullptr;
  const uint64_t* fixed = block.fixed.data() + r * m_fixedColumns;
  size_t nullIndex = r * m_columns.size();
  for (size_t c = 0; c < m_columns.size(); ++c, ++nullIndex) {
    CellRef& cell = cells[c];
    cell.null = block.nulls[nullIndex];
    if (m_isVariable[c]) {
      cell.size = GetLength(variable);
      cell.data = variable;
      variable += cell.size;
    } else {
      cell.size = 0;
      cell.data = reinterpret_cast<const char*>(fixed++);
    }
  }
}

int32_t RowStore::ActualSize(int64_t row, int32_t column) const {
  const Slot slot = Locate(row, column);
  if (slot.block->nulls[slot.nullIndex]) return 0;
  if (!slot.variable) return FixedSize(m_columns[static_cast<size_t>(column)]);
  uint32_t size = 0;
  SlotBytes(slot, size);
  return static_cast<int32_t>(size);
}

}  // namespace ado
