#include "data/ado/RowStore.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace ado {
namespace {

// A block closes when its arena or its cell count passes these sizes; a block's arena is
// addressed with 32-bit offsets.
constexpr size_t kBlockArenaBytes = 1u << 20;
constexpr size_t kBlockCells = 1u << 17;

uint64_t Pack(uint32_t offset, uint32_t size) { return (static_cast<uint64_t>(offset) << 32) | size; }
uint32_t OffsetOf(uint64_t bits) { return static_cast<uint32_t>(bits >> 32); }
uint32_t SizeOf(uint64_t bits) { return static_cast<uint32_t>(bits); }

}  // namespace

RowStore::RowStore(std::vector<ColumnInfo> columns) : m_columns(std::move(columns)) {}

size_t RowStore::MemoryBytes() const {
  size_t bytes = 0;
  for (const Block& block : m_blocks) {
    bytes += block.cells.capacity() * sizeof(uint64_t) + block.nulls.capacity() / 8 + block.arena.capacity();
  }
  return bytes;
}

void RowStore::BeginRow() {
  if (m_blocks.empty() || m_blocks.back().arena.size() >= kBlockArenaBytes ||
      m_blocks.back().cells.size() + m_columns.size() > kBlockCells) {
    if (!m_blocks.empty()) m_blocks.back().arena.shrink_to_fit();
    Block block;
    block.firstRow = m_rowCount;
    m_blocks.push_back(std::move(block));
  }
  ++m_blocks.back().rows;
  ++m_rowCount;
}

void RowStore::AddCell(uint64_t bits, bool isNull) {
  Block& block = m_blocks.back();
  block.cells.push_back(bits);
  block.nulls.push_back(isNull);
}

void RowStore::AddNull() { AddCell(0, true); }

void RowStore::AddInteger(int64_t value) { AddCell(static_cast<uint64_t>(value), false); }

void RowStore::AddReal(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  AddCell(bits, false);
}

std::string& RowStore::BeginVariable() {
  m_variableStart = m_blocks.back().arena.size();
  return m_blocks.back().arena;
}

void RowStore::EndVariable() {
  Block& block = m_blocks.back();
  const size_t size = block.arena.size() - m_variableStart;
  AddCell(Pack(static_cast<uint32_t>(m_variableStart), static_cast<uint32_t>(size)), false);
}

void RowStore::AddBytes(const char* data, size_t size) {
  BeginVariable().append(data, size);
  EndVariable();
}

const RowStore::Block& RowStore::BlockOf(int64_t row) const {
  const Block& last = m_blocks[m_lastBlock];
  if (row >= last.firstRow && row < last.firstRow + last.rows) return last;
  auto it = std::upper_bound(m_blocks.begin(), m_blocks.end(), row,
                             [](int64_t r, const Block& b) { return r < b.firstRow; });
  m_lastBlock = static_cast<size_t>(it - m_blocks.begin()) - 1;
  return m_blocks[m_lastBlock];
}

uint64_t RowStore::Cell(int64_t row, int32_t column, bool& isNull, const Block*& block) const {
  block = &BlockOf(row);
  const size_t index = static_cast<size_t>(row - block->firstRow) * m_columns.size() + static_cast<size_t>(column);
  isNull = block->nulls[index];
  return block->cells[index];
}

bool RowStore::IsNull(int64_t row, int32_t column) const {
  bool isNull;
  const Block* block;
  Cell(row, column, isNull, block);
  return isNull;
}

const char* RowStore::Bytes(int64_t row, int32_t column, uint32_t& size) const {
  bool isNull;
  const Block* block;
  uint64_t bits = Cell(row, column, isNull, block);
  const StorageKind kind = m_columns[static_cast<size_t>(column)].kind;
  size = 0;
  if (isNull || (kind != StorageKind::Text && kind != StorageKind::Decimal && kind != StorageKind::Binary)) {
    return nullptr;
  }
  size = SizeOf(bits);
  return block->arena.data() + OffsetOf(bits);
}

Variant RowStore::Value(int64_t row, int32_t column) const {
  bool isNull;
  const Block* block;
  const uint64_t bits = Cell(row, column, isNull, block);
  if (isNull) return Variant::Null();
  const ColumnInfo& info = m_columns[static_cast<size_t>(column)];
  switch (info.kind) {
    case StorageKind::Integer: {
      const int64_t value = static_cast<int64_t>(bits);
      // A value wider than the column claims (SQLite does not enforce declared types) is
      // handed out whole as VT_I8 rather than cut to the declared width.
      switch (info.integerType) {
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
      return Variant::Str(XString(block->arena.data() + OffsetOf(bits), SizeOf(bits)));
    case StorageKind::Decimal: {
      const char* text = block->arena.data() + OffsetOf(bits);
      Decimal decimal;
      if (Decimal::Parse(text, SizeOf(bits), decimal)) return Variant::Dec(decimal);
      return Variant::Str(XString(text, SizeOf(bits)));
    }
    case StorageKind::Binary:
      return Variant::Bytes(block->arena.data() + OffsetOf(bits), SizeOf(bits));
  }
  return Variant();
}

int32_t RowStore::ActualSize(int64_t row, int32_t column) const {
  bool isNull;
  const Block* block;
  const uint64_t bits = Cell(row, column, isNull, block);
  if (isNull) return 0;
  const ColumnInfo& info = m_columns[static_cast<size_t>(column)];
  switch (info.kind) {
    case StorageKind::Integer:
      return info.integerType == VT_UI1 ? 1 : info.integerType == VT_I2 ? 2 : info.integerType == VT_I4 ? 4 : 8;
    case StorageKind::Boolean:
      return 2;
    case StorageKind::Real:
    case StorageKind::Date:
      return 8;
    default:
      return static_cast<int32_t>(SizeOf(bits));
  }
}

}  // namespace ado
