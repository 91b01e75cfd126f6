#include "data/ado/Field.h"

#include <algorithm>

#include "data/ado/Recordset.h"
#include "data/ado/RowStore.h"

namespace ado {

// Each reader finds the current record's value through the recordset's cell of it: in the rows
// it holds, or, streaming, in the rowset its reader fetched last.

Variant Field::Value() const { return RowStore::CellValue(m_info, m_owner->CurrentCell(m_index)); }

const char* Field::TextBytes(uint32_t& size) const {
  const CellRef& cell = m_owner->CurrentCell(m_index);
  size = 0;
  if (m_info.kind != StorageKind::Text || cell.null) return nullptr;
  size = cell.size;
  return cell.data;
}

bool Field::IsText() const { return m_owner->IsOpen() && m_info.kind == StorageKind::Text; }

bool Field::IsNull() const { return m_owner->CurrentCell(m_index).null; }

int32_t Field::ActualSize() const { return RowStore::CellSize(m_info, m_owner->CurrentCell(m_index)); }

Variant Field::GetChunk(int32_t size) {
  const int64_t row = m_owner->CurrentRecord();
  const CellRef& cell = m_owner->CurrentCell(m_index);
  if (cell.null) return Variant::Null();
  if (m_info.kind != StorageKind::Text && m_info.kind != StorageKind::Binary && m_info.kind != StorageKind::Decimal) {
    return Value();  // a fixed-width value comes whole
  }
  if (m_chunkRecord != row) {
    m_chunkRecord = row;
    m_chunkOffset = 0;
  }
  const uint32_t length = cell.size;
  const uint32_t start = std::min(m_chunkOffset, length);
  const uint32_t count = std::min<uint32_t>(length - start, size < 0 ? 0u : static_cast<uint32_t>(size));
  m_chunkOffset = start + count;
  if (m_info.kind == StorageKind::Binary) return Variant::Bytes(cell.data + start, count);
  return Variant::Str(XString(cell.data + start, count));
}

}  // namespace ado
