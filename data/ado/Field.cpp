#include "data/ado/Field.h"

#include <algorithm>

#include "data/ado/Recordset.h"
#include "data/ado/RowStore.h"

namespace ado {

Variant Field::Value() const {
  const int64_t row = m_owner->CurrentRecord();
  return m_owner->m_store->Value(row, m_index);
}

const char* Field::TextBytes(uint32_t& size) const {
  const int64_t row = m_owner->CurrentRecord();
  const RowStore& store = *m_owner->m_store;
  size = 0;
  if (store.Columns()[static_cast<size_t>(m_index)].kind != StorageKind::Text) return nullptr;
  return store.Bytes(row, m_index, size);
}

bool Field::IsText() const {
  const RowStore* store = m_owner->m_store.get();
  return store != nullptr && store->Columns()[static_cast<size_t>(m_index)].kind == StorageKind::Text;
}

bool Field::IsNull() const {
  const int64_t row = m_owner->CurrentRecord();
  return m_owner->m_store->IsNull(row, m_index);
}

int32_t Field::ActualSize() const {
  const int64_t row = m_owner->CurrentRecord();
  return m_owner->m_store->ActualSize(row, m_index);
}

Variant Field::GetChunk(int32_t size) {
  const int64_t row = m_owner->CurrentRecord();
  const RowStore& store = *m_owner->m_store;
  if (store.IsNull(row, m_index)) return Variant::Null();
  if (m_chunkRecord != row) {
    m_chunkRecord = row;
    m_chunkOffset = 0;
  }
  uint32_t length = 0;
  const char* bytes = store.Bytes(row, m_index, length);
  if (!bytes) return Value();  // a fixed-width value comes whole
  const uint32_t start = std::min(m_chunkOffset, length);
  const uint32_t count = std::min<uint32_t>(length - start, size < 0 ? 0u : static_cast<uint32_t>(size));
  m_chunkOffset = start + count;
  if (store.Columns()[static_cast<size_t>(m_index)].kind == StorageKind::Binary) {
    return Variant::Bytes(bytes + start, count);
  }
  return Variant::Str(XString(bytes + start, count));
}

}  // namespace ado
