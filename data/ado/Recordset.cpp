#include "data/ado/Recordset.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "data/ado/Connection.h"
#include "data/ado/ResultReader.h"
#include "data/ado/RowStore.h"

namespace ado {
namespace {

ComError NoCurrentRecord() {
  return ComError(kHresultNoCurrentRecord, "Recordset", HResultMeaning(kHresultNoCurrentRecord));
}

}  // namespace

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const XString& sql, Connection& connection, CursorType cursorType, LockType lockType,
                     int32_t options) {
  if (m_store) {
    connection.Raise(ComError(kHresultFail, "Recordset", "The recordset is already open."));
  }
  if (cursorType != adOpenUnspecified) m_cursorType = cursorType;
  if (lockType != adLockUnspecified) m_lockType = lockType;
  connection.ClearErrors();
  if (!connection.OdbcHandle()) {
    connection.Raise(ComError(kHresultObjectClosed, "Recordset",
                              "The connection cannot be used to perform this operation: it is closed."));
  }

  std::unique_ptr<ResultReader> reader;
  std::unique_ptr<RowStore> store;
  bool onRecord = false;
  try {
    reader = ResultReader::Execute(connection, sql, m_options, m_maxRecords);
    // A statement without a result set leaves the recordset closed, as ADO does.
    if (!reader) return;
    if (m_streaming) {
      onRecord = reader->Step();
    } else {
      store = std::make_unique<RowStore>(reader->Columns());
      const bool more = reader->Read(*store, m_options.heldBytes);
      store->Finish();
      // A result held whole needs its statement no more.
      if (!more) reader.reset();
    }
  } catch (const ComError& error) {
    connection.Raise(error);
  }

  m_store = std::move(store);
  m_cellsRow = -1;
  m_reader = std::move(reader);
  m_streamOpen = m_streaming;
  m_onRecord = onRecord;
  m_sql = m_reader ? sql : XString();
  m_connection = &connection;
  if (m_streamOpen) {
    m_ended = !onRecord;
    m_total = onRecord ? -1 : 0;
  } else {
    m_ended = !m_reader;
    m_total = m_reader ? -1 : m_store->RowCount();
  }
  m_fields.clear();
  const std::vector<ColumnInfo>& columns = m_store ? m_store->Columns() : m_reader->Columns();
  m_cells.assign(columns.size(), CellRef());
  for (size_t c = 0; c < columns.size(); ++c) m_fields.push_back(Field(this, static_cast<int32_t>(c), columns[c]));
  m_position = 0;
  (void)options;  // every command is text
}

void Recordset::Close() {
  RequireOpen();
  m_store.reset();
  m_cellsRow = -1;
  m_reader.reset();
  m_streamOpen = false;
  m_onRecord = false;
  m_sql = XString();
  m_fields.clear();
  m_position = -1;
}

void Recordset::RequireOpen() const {
  if (!IsOpen()) {
    throw ComError(kHresultObjectClosed, "Recordset", HResultMeaning(kHresultObjectClosed));
  }
}

int64_t Recordset::HeldEnd() const { return m_store->FirstRow() + m_store->RowCount(); }

int64_t Recordset::CurrentRecord() const {
  RequireOpen();
  if (m_streamOpen) {
    if (!m_onRecord) throw NoCurrentRecord();
    return m_position;
  }
  if (m_position < m_store->FirstRow() || m_position >= HeldEnd()) throw NoCurrentRecord();
  return m_position;
}

const CellRef& Recordset::FindCell(int32_t column) const {
  const int64_t row = CurrentRecord();
  if (m_streamOpen) return m_reader->Held(column);
  if (m_cellsRow != row) {
    m_store->RowCells(row, m_cells.data());
    m_cellsRow = row;
  }
  return m_cells[static_cast<size_t>(column)];
}

void Recordset::RaiseReadError(const ComError& error) const {
  if (m_reader && m_reader->Orphaned()) throw error;
  m_connection->Raise(error);
}

void Recordset::HoldFrom(int64_t first) {
  if (m_reader->Orphaned()) {
    throw ComError(kHresultObjectClosed, "Recordset",
                   "The connection of the recordset was closed: its remaining records cannot be read.");
  }
  // The held rows go first, so that no more than one part is held at any time. Should the
  // fetch fail, the cursor is left at EOF of what it holds: nothing.
  const std::vector<ColumnInfo> columns = m_store->Columns();
  m_store = std::make_unique<RowStore>(columns, first);
  m_cellsRow = -1;
  m_ended = true;
  try {
    if (!m_reader->CursorOpen() || m_reader->Position() != first) m_reader->Restart(first);
    auto store = std::make_unique<RowStore>(columns, first);
    const bool more = m_reader->Read(*store, m_options.heldBytes);
    store->Finish();
    m_store = std::move(store);
    m_cellsRow = -1;
    m_ended = !more;
  } catch (const ComError& error) {
    RaiseReadError(error);
  }
}

int64_t Recordset::CountedByDatabase() const {
  try {
    std::unique_ptr<ResultReader> counter = ResultReader::Execute(
        *m_connection, XString("SELECT COUNT(*) FROM (") + m_sql + ") QvRecordCount", FetchOptions(), 0);
    if (!counter) return -1;
    RowStore store(counter->Columns());
    counter->Read(store, 0);
    store.Finish();
    if (store.RowCount() != 1 || store.Columns().size() != 1) return -1;
    const Variant value = store.Value(0, 0);
    switch (value.Type()) {
      case VT_I2: return value.GetI2();
      case VT_I4: return value.GetI4();
      case VT_I8: return value.GetI8();
      case VT_UI8: return static_cast<int64_t>(value.GetUI8());
      default: return -1;
    }
  } catch (const ComError&) {
    return -1;
  }
}

int32_t Recordset::StreamedCount() {
  // Not known until the result was read to its end. Counting it needs its rows: the rows from
  // the current record on are held, as a recordset that does not stream holds them.
  if (m_total < 0) {
    StopStreaming();
    return RecordCount();
  }
  return static_cast<int32_t>(std::min<int64_t>(m_total, 0x7FFFFFFF));
}

void Recordset::StopStreaming() {
  const std::vector<ColumnInfo> columns = m_reader->Columns();
  const bool onRecord = m_onRecord;
  m_streamOpen = false;
  m_onRecord = false;
  // Should the reading fail, nothing is held: the cursor is at EOF.
  m_store = std::make_unique<RowStore>(columns, m_position);
  m_cellsRow = -1;
  m_ended = true;
  try {
    if (m_reader->Orphaned()) {
      throw ComError(kHresultObjectClosed, "Recordset",
                     "The connection of the recordset was closed: its records cannot be counted.");
    }
    auto store = std::make_unique<RowStore>(columns, m_position);
    bool more = false;
    if (onRecord) {
      m_reader->StoreHeld(*store);
      more = m_reader->Read(*store, m_options.heldBytes);
    }
    store->Finish();
    m_store = std::move(store);
    m_cellsRow = -1;
    m_ended = !more;
  } catch (const ComError& error) {
    RaiseReadError(error);
  }
  // Held whole from the first record: the statement is needed no more.
  if (m_ended && m_store->FirstRow() == 0) m_reader.reset();
}

int32_t Recordset::RecordCount() {
  RequireOpen();
  if (m_streamOpen) return StreamedCount();
  if (m_total < 0 && !m_ended && !m_reader->Orphaned()) {
    // The database's own count reads no row twice; it cannot be less than the rows seen, and
    // MaxRecords caps it as it caps the reading.
    int64_t counted = CountedByDatabase();
    if (counted >= 0) {
      counted = std::max(counted, HeldEnd());
      if (m_maxRecords > 0) counted = std::min<int64_t>(counted, m_maxRecords);
      m_total = counted;
    }
  }
  if (m_total < 0) {
    // A result held in parts: the rows before and in the held part, and the rest counted once.
    int64_t rest = 0;
    if (!m_ended) {
      try {
        if (m_reader->Orphaned()) {
          throw ComError(kHresultObjectClosed, "Recordset",
                         "The connection of the recordset was closed: its records cannot be counted.");
        }
        rest = m_reader->Position() - HeldEnd() + m_reader->CountRest();
      } catch (const ComError& error) {
        RaiseReadError(error);
      }
      m_ended = rest == 0;
    }
    m_total = HeldEnd() + rest;
  }
  return static_cast<int32_t>(std::min<int64_t>(m_total, 0x7FFFFFFF));
}

bool Recordset::IsBOF() const {
  RequireOpen();
  if (m_streamOpen) return m_position < 0 || m_total == 0;
  return m_position < 0 || (m_store->FirstRow() == 0 && m_store->RowCount() == 0);
}

bool Recordset::IsEOF() const {
  RequireOpen();
  if (m_streamOpen) return !m_onRecord && m_position >= 0;
  return m_position >= HeldEnd();
}

void Recordset::StreamFromStart() {
  if (m_onRecord && m_position == 0) return;
  if (m_total == 0) throw NoCurrentRecord();
  // Should the statement fail to run again, the cursor is left at EOF.
  m_onRecord = false;
  m_position = 0;
  try {
    if (m_reader->Orphaned()) {
      throw ComError(kHresultObjectClosed, "Recordset",
                     "The connection of the recordset was closed: its remaining records cannot be read.");
    }
    m_reader->Restart(0);
    m_onRecord = m_reader->Step();
  } catch (const ComError& error) {
    RaiseReadError(error);
  }
  if (!m_onRecord) throw NoCurrentRecord();
}

void Recordset::MoveFirst() {
  RequireOpen();
  if (m_streamOpen) {
    StreamFromStart();
    return;
  }
  if (m_store->FirstRow() > 0) HoldFrom(0);
  if (m_store->RowCount() == 0) throw NoCurrentRecord();
  m_position = 0;
}

void Recordset::MoveNext() {
  RequireOpen();
  if (m_streamOpen) {
    if (!m_onRecord) throw NoCurrentRecord();
    ++m_position;
    m_onRecord = false;
    try {
      if (m_reader->Orphaned()) {
        throw ComError(kHresultObjectClosed, "Recordset",
                       "The connection of the recordset was closed: its remaining records cannot be read.");
      }
      m_onRecord = m_reader->Step();
    } catch (const ComError& error) {
      RaiseReadError(error);
    }
    if (!m_onRecord && m_total < 0) m_total = m_position;
    return;
  }
  if (m_position >= HeldEnd()) throw NoCurrentRecord();
  ++m_position;
  if (m_position == HeldEnd() && !m_ended) HoldFrom(m_position);
}

Field& Recordset::GetField(int32_t index) {
  RequireOpen();
  if (index < 0 || index >= FieldCount()) {
    XString text;
    text.Format(128, "Item cannot be found in the collection: there is no field at position %d.", static_cast<int>(index));
    throw ComError(kHresultItemNotFound, "Fields", text);
  }
  return m_fields[static_cast<size_t>(index)];
}

Field* Recordset::FindField(const char* name) {
  if (!IsOpen() || !name) return nullptr;
  for (Field& field : m_fields) {
    if (field.Name().CompareNoCase(name) == 0) return &field;
  }
  return nullptr;
}

Field& Recordset::GetField(const char* name) {
  RequireOpen();
  Field* field = FindField(name);
  if (!field) {
    XString text;
    text.Format(static_cast<uint32_t>(std::strlen(name ? name : "") + 96),
                "Item cannot be found in the collection: there is no field named \"%s\".", name ? name : "");
    throw ComError(kHresultItemNotFound, "Fields", text);
  }
  return *field;
}

}  // namespace ado
