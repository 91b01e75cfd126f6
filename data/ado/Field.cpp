#include "data/ado/Field.h"

#include <algorithm>

#include "data/ado/Recordset.h"
#include "data/ado/ResultReader.h"
#include "data/ado/RowStore.h"

namespace ado {

// Each reader below finds the current record's value in the rows the recordset holds, or, for
// a streaming recordset, in the rowset its reader fetched last.

Variant Field::Value() const {
  const int64_t row = m_owner->CurrentRecord();
  if (m_owner->m_streamOpen) return m_owner->m_reader->Value(m_index);
  return m_owner->m_store->Value(row, m_index);
}

const char* Field::TextBytes(uint32_t& size) const {
  const int64_t row = m_owner->CurrentRecord();
  size = 0;
  if (m_kind != StorageKind::Text) return nullptr;
  if (m_owner->m_streamOpen) return m_owner->m_reader->Bytes(m_index, size);
  return m_owner->m_store->Bytes(row, m_index, size);
}

bool Field::IsText() const { return m_owner->IsOpen() && m_kind == StorageKind::Text; }

bool Field::IsNull() const {
  const int64_t row = m_owner->CurrentRecord();
  if (m_owner->m_streamOpen) return m_owner->m_reader->IsNull(m_index);
  return m_owner->m_store->IsNull(row, m_index);
}

int32_t Field::ActualSize() const {
  const int64_t row = m_owner->CurrentRecord();
  if (m_owner->m_streamOpen) return m_owner->m_reader->ActualSize(m_index);
  return m_owner->m_store->ActualSize(row, m_index);
}

Variant Field::GetChunk(int32_t size) {
  const int64_t row = m_owner->CurrentRecord();
  if (IsNull()) return Variant::Null();
  if (m_chunkRecord != row) {
    m_chunkRecord = row;
    m_chunkOffset = 0;
  }
  uint32_t length = 0;
  const char* bytes = m_owner->m_streamOpen ? m_owner->m_reader->Bytes(m_index, length)
                                            : m_owner->m_store->Bytes(row, m_index, length);
  if (!bytes) return Value();  // a fixed-width value comes whole
  const uint32_t start = std::min(m_chunkOffset, length);
  const uint32_t count = std::min<uint32_t>(length - start, size < 0 ? 0u : static_cast<uint32_t>(size));
  m_chunkOffset = start + count;
  if (m_kind == StorageKind::Binary) return Variant::Bytes(bytes + start, count);
  return Variant::Str(XString(bytes + start, count));
}

}  // namespace ado
