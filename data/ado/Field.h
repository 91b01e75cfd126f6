// One column of an open Recordset, read at the recordset's current record: Name, Type,
// DefinedSize, Attributes, Value, ActualSize, GetChunk and Status, as ADO's Field offers them.
#pragma once

#include <cstdint>

#include "data/ado/AdoTypes.h"
#include "data/ado/RowStore.h"
#include "data/ado/Variant.h"
#include "foundation/XString.h"

namespace ado {

class Recordset;

class Field {
 public:
  const XString& Name() const { return m_name; }
  DataType Type() const { return m_type; }
  // Column size in characters (text) or bytes (binary), as the driver describes it.
  int32_t DefinedSize() const { return m_definedSize; }
  int32_t Attributes() const { return m_attributes; }
  int32_t Index() const { return m_index; }

  // The value at the current record. Throws ComError (adErrNoCurrentRecord) when the
  // recordset is at BOF or EOF, or adErrObjectClosed when it is closed.
  Variant Value() const;
  bool IsNull() const;
  // The bytes of a text value at the current record, without making a Variant (the reader of
  // every text column calls this for every row); null for NULL and for values of other kinds.
  // Throws as Value does.
  const char* TextBytes(uint32_t& size) const;
  // True for a column whose values TextBytes gives: for such a column its null answer means
  // NULL, which a reader can then take as empty text without making a Variant.
  bool IsText() const;
  // Bytes of the value at the current record: narrow characters for text, bytes for binary,
  // the size of the fixed-width value otherwise, 0 for NULL.
  int32_t ActualSize() const;
  // Up to size bytes of a long value, continuing where the previous GetChunk on the same
  // record stopped (as ADO does); text gives VT_BSTR, binary VT_UI1 | VT_ARRAY, NULL VT_NULL,
  // and a chunk past the end an empty value of the same kind.
  Variant GetChunk(int32_t size);
  // adFieldOK for every value a read-only client cursor has fetched.
  FieldStatus Status() const { return adFieldOK; }

 private:
  friend class Recordset;
  Field(Recordset* owner, int32_t index, const ColumnInfo& info)
      : m_owner(owner), m_index(index), m_name(info.name), m_type(info.type), m_definedSize(info.definedSize),
        m_attributes(info.attributes), m_info(info) {}

  Recordset* m_owner;
  int32_t m_index;
  XString m_name;
  DataType m_type;
  int32_t m_definedSize;
  int32_t m_attributes;
  ColumnInfo m_info;  // how its values are held
  // GetChunk's read position within the current record's value.
  int64_t m_chunkRecord = -1;
  uint32_t m_chunkOffset = 0;
};

}  // namespace ado
