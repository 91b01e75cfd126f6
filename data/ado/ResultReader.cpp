#include "data/ado/ResultReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <memory>

#include "data/ado/Connection.h"
#include "data/ado/GuidText.h"
#include "data/ado/OdbcCall.h"
#include "data/ado/OleDate.h"
#include "data/ado/RowStore.h"

namespace ado {
namespace {

// Text columns up to this many characters are bound whole; wider ones (and those whose width
// the driver does not know) are long columns, bound with FetchOptions::longColumnBuffer.
constexpr SQLULEN kLongColumnChars = 4000;
// A block never holds more rows than this, however narrow they are.
constexpr size_t kMaxBlockRows = 4096;
// Chunk for reading a long value with SQLGetData.
constexpr size_t kGetDataChunkBytes = 64 * 1024;

// One result column as the driver describes it, and how it is bound and held.
struct ColumnPlan {
  ColumnInfo info;
  SQLSMALLINT cType = SQL_C_CHAR;
  size_t elementBytes = 0;  // one bound element, terminator included
  std::vector<uint64_t> buffer;   // rows * elementBytes, 8-byte aligned
  std::vector<SQLLEN> indicators;  // one per row
  bool guid = false;               // a GUID read as text
};

ComError StatementError(SQLRETURN rc, SQLHSTMT stmt, const char* function) {
  return odbc::MakeError(rc, SQL_HANDLE_STMT, stmt, function);
}

void CheckStmt(SQLRETURN rc, SQLHSTMT stmt, const char* function) {
  odbc::Check(rc, SQL_HANDLE_STMT, stmt, function);
}

DataType AdoTypeOf(SQLSMALLINT sqlType, bool isUnsigned) {
  switch (sqlType) {
    case SQL_CHAR: return adChar;
    case SQL_VARCHAR: return adVarChar;
    case SQL_LONGVARCHAR: return adLongVarChar;
    case SQL_WCHAR: return adWChar;
    case SQL_WVARCHAR: return adVarWChar;
    case SQL_WLONGVARCHAR: return adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC: return adNumeric;
    case SQL_SMALLINT: return isUnsigned ? adUnsignedSmallInt : adSmallInt;
    case SQL_INTEGER: return isUnsigned ? adUnsignedInt : adInteger;
    case SQL_TINYINT: return isUnsigned ? adUnsignedTinyInt : adTinyInt;
    case SQL_BIGINT: return isUnsigned ? adUnsignedBigInt : adBigInt;
    case SQL_REAL: return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE: return adDouble;
    case SQL_BIT: return adBoolean;
    case SQL_TYPE_DATE:
    case SQL_DATE: return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME: return adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return adDBTimeStamp;
    case SQL_BINARY: return adBinary;
    case SQL_VARBINARY: return adVarBinary;
    case SQL_LONGVARBINARY: return adLongVarBinary;
    case SQL_GUID: return adGUID;
    default: return adVarWChar;  // intervals and driver-specific types are read as text
  }
}

ColumnPlan PlanColumn(SQLHSTMT stmt, SQLUSMALLINT number, const FetchOptions& options) {
  SQLWCHAR name[512];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT sqlType = 0;
  SQLULEN columnSize = 0;
  SQLSMALLINT digits = 0;
  SQLSMALLINT nullable = SQL_NULLABLE_UNKNOWN;
  CheckStmt(odbc::SQLDescribeColW(stmt, number, name, static_cast<SQLSMALLINT>(sizeof name / sizeof name[0]),
                            &nameLength, &sqlType, &columnSize, &digits, &nullable),
            stmt, "SQLDescribeColW");
  SQLLEN isUnsigned = SQL_FALSE;
  if (sqlType == SQL_TINYINT || sqlType == SQL_SMALLINT || sqlType == SQL_INTEGER || sqlType == SQL_BIGINT) {
    // Not every driver answers this; signed is the safe reading then.
    if (!odbc::Succeeded(odbc::SQLColAttributeW(stmt, number, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned))) {
      isUnsigned = SQL_FALSE;
    }
  }

  ColumnPlan plan;
  ColumnInfo& info = plan.info;
  const size_t nameUnits = std::min<size_t>(nameLength < 0 ? 0 : static_cast<size_t>(nameLength),
                                            sizeof name / sizeof name[0] - 1);
  info.name = odbc::ToNarrow(name, nameUnits);
  info.type = AdoTypeOf(sqlType, isUnsigned == SQL_TRUE);
  info.definedSize = columnSize > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int32_t>(columnSize);
  if (nullable == SQL_NULLABLE) info.attributes |= adFldIsNullable | adFldMayBeNull;
  if (nullable == SQL_NULLABLE_UNKNOWN) info.attributes |= adFldMayBeNull;

  // Text is bound as 8-bit characters: plain ASCII, what most SIS values are, means the same
  // in the driver's character set and in the code page, and comes without a conversion to
  // UTF-16 and back. A value with any other byte is read again as UTF-16 (see FetchBound).
  auto textPlan = [&](StorageKind kind, SQLULEN chars, bool isLong) {
    info.kind = kind;
    plan.cType = SQL_C_CHAR;
    if (isLong) info.attributes |= adFldLong;
    const size_t bound = isLong ? std::max<size_t>(options.longColumnBuffer, 16) : static_cast<size_t>(chars);
    plan.elementBytes = bound + 1;
  };
  switch (info.type) {
    case adSmallInt:
    case adInteger:
    case adTinyInt:
    case adUnsignedTinyInt:
    case adUnsignedSmallInt:
    case adUnsignedInt:
    case adBigInt:
    case adUnsignedBigInt:
      info.kind = StorageKind::Integer;
      info.attributes |= adFldFixed;
      // A signed TINYINT widens to VT_I2: VT_I1 is a type the readers of values do not know.
      info.integerType = info.type == adUnsignedTinyInt ? VT_UI1
                         : info.type == adTinyInt || info.type == adSmallInt ? VT_I2
                         : info.type == adInteger || info.type == adUnsignedSmallInt ? VT_I4
                         : info.type == adUnsignedBigInt                           ? VT_UI8
                                                                                   : VT_I8;
      // An unsigned BIGINT is fetched unsigned: values from 2^63 on do not fit the signed type,
      // and the driver would fail the whole fetch on them.
      plan.cType = info.type == adUnsignedBigInt ? SQL_C_UBIGINT : SQL_C_SBIGINT;
      plan.elementBytes = sizeof(SQLBIGINT);
      break;
    case adBoolean:
      info.kind = StorageKind::Boolean;
      info.attributes |= adFldFixed;
      plan.cType = SQL_C_BIT;
      plan.elementBytes = 1;
      break;
    case adSingle:
    case adDouble:
      // Read as double even for REAL: SQLite keeps every REAL as a double, and a single-precision
      // copy would lose digits that the database holds.
      info.kind = StorageKind::Real;
      info.attributes |= adFldFixed;
      plan.cType = SQL_C_DOUBLE;
      plan.elementBytes = sizeof(SQLDOUBLE);
      break;
    case adDBDate:
    case adDBTimeStamp:
      info.kind = StorageKind::Date;
      info.attributes |= adFldFixed;
      plan.cType = SQL_C_TYPE_TIMESTAMP;
      plan.elementBytes = sizeof(SQL_TIMESTAMP_STRUCT);
      break;
    case adDBTime:
      info.kind = StorageKind::Date;
      info.attributes |= adFldFixed;
      plan.cType = SQL_C_TYPE_TIME;
      plan.elementBytes = sizeof(SQL_TIME_STRUCT);
      break;
    case adNumeric:
      // Precision digits, a sign, a point and a leading zero.
      textPlan(StorageKind::Decimal, columnSize > 0 && columnSize < 60 ? columnSize + 3 : 64, false);
      break;
    case adBinary:
    case adVarBinary:
    case adLongVarBinary: {
      info.kind = StorageKind::Binary;
      plan.cType = SQL_C_BINARY;
      const bool isLong = info.type == adLongVarBinary || columnSize == 0 || columnSize > kLongColumnChars;
      if (isLong) info.attributes |= adFldLong;
      plan.elementBytes = isLong ? std::max<size_t>(options.longColumnBuffer, 16) : static_cast<size_t>(columnSize);
      break;
    }
    case adGUID:
      // As text; StoreGuid gives it the form ADO shows, {...} in braces.
      textPlan(StorageKind::Text, 38, false);
      plan.guid = true;
      break;
    default: {
      const bool isLong = info.type == adLongVarChar || info.type == adLongVarWChar || columnSize == 0 ||
                          columnSize > kLongColumnChars;
      textPlan(StorageKind::Text, columnSize, isLong);
      break;
    }
  }
  return plan;
}

double DateOf(const SQL_TIMESTAMP_STRUCT& ts) {
  if (ts.year == 0 && ts.month == 0 && ts.day == 0) return 0.0;
  OleDateParts parts;
  parts.year = ts.year;
  parts.month = ts.month;
  parts.day = ts.day;
  parts.hour = ts.hour;
  parts.minute = ts.minute;
  parts.second = ts.second;
  parts.nanosecond = ts.fraction;
  return ToOleDate(parts);
}

double TimeOf(const SQL_TIME_STRUCT& time) {
  OleDateParts parts;  // the OLE epoch day carries a time of day alone
  parts.hour = time.hour;
  parts.minute = time.minute;
  parts.second = time.second;
  return ToOleDate(parts);
}

// Eight bytes at a time: every text value of every row passes here.
bool IsAscii(const char* text, size_t size) {
  size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    uint64_t word;
    std::memcpy(&word, text + i, sizeof word);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < size; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

// Appends UTF-16 text as narrow code-page text. Plain ASCII, what most SIS values are, is
// narrowed unit by unit.
void AppendWideText(std::string& out, const char16_t* wide, size_t units) {
  size_t ascii = 0;
  while (ascii < units && wide[ascii] < 0x80) ++ascii;
  if (ascii == units) {
    const size_t start = out.size();
    out.resize(start + units);
    for (size_t i = 0; i < units; ++i) out[start + i] = static_cast<char>(wide[i]);
    return;
  }
  odbc::AppendNarrow(out, wide, units);
}

// True when a failed SQLGetData(SQL_C_WCHAR) was refused for its C type: what a driver without
// wide-character reads answers (07006 restricted data type, HY003 invalid buffer type, HYC00
// not implemented).
bool RefusedWideRead(SQLHSTMT stmt) {
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLWCHAR message[8];
  SQLSMALLINT length = 0;
  for (SQLSMALLINT record = 1;; ++record) {
    const SQLRETURN rc = odbc::SQLGetDiagRecW(SQL_HANDLE_STMT, stmt, record, state, &native, message,
                                        static_cast<SQLSMALLINT>(sizeof message / sizeof message[0]), &length);
    if (!odbc::Succeeded(rc)) return false;
    const std::string code = odbc::ToNarrow(state, 5).ToStd();
    if (code == "07006" || code == "HY003" || code == "HYC00") return true;
  }
}

// Reads a whole character or binary value with SQLGetData in chunks, from its start, into
// `out` (replacing what it held); false for NULL. Text comes as UTF-16, whatever it was bound
// as, unless the connection reads text 8-bit (`narrowText`): then in the driver's code page,
// taken to be the program's; either way `out` holds narrow code-page text, a GUID in the form
// ADO shows. A driver that refuses the UTF-16 read turns `narrowText` on for the rest of the
// connection. The statement is positioned on the row already.
bool ReadLongValue(SQLHSTMT stmt, SQLUSMALLINT number, const ColumnPlan& plan, std::string& out, bool& narrowText) {
  const bool isText = plan.cType != SQL_C_BINARY;
  SQLSMALLINT cType = !isText ? SQL_C_BINARY : narrowText ? SQL_C_CHAR : SQL_C_WCHAR;
  SQLLEN terminator = !isText ? 0 : narrowText ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
  struct Chunk {  // not zero-filled: most values are far shorter than the chunk
    std::unique_ptr<char[]> bytes{new char[kGetDataChunkBytes]};
    char* data() { return bytes.get(); }
    static size_t size() { return kGetDataChunkBytes; }
  } chunk;
  std::u16string wide;
  out.clear();
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = odbc::SQLGetData(stmt, number, cType, chunk.data(), static_cast<SQLLEN>(chunk.size()), &indicator);
    if (rc == SQL_ERROR && cType == SQL_C_WCHAR && wide.empty() && RefusedWideRead(stmt)) {
      // Nothing of the value was read yet: read it again, and all text from now on, 8-bit.
      narrowText = true;
      cType = SQL_C_CHAR;
      terminator = 1;
      continue;
    }
    if (rc == SQL_NO_DATA) break;  // the previous chunk was the last
    CheckStmt(rc, stmt, "SQLGetData");
    if (indicator == SQL_NULL_DATA) return false;
    const SQLLEN room = static_cast<SQLLEN>(chunk.size()) - terminator;
    const bool more = indicator == SQL_NO_TOTAL || indicator > room;
    const size_t got = static_cast<size_t>(more ? room : indicator);
    if (cType == SQL_C_WCHAR) {
      wide.append(reinterpret_cast<const char16_t*>(chunk.data()), got / sizeof(char16_t));
    } else {
      out.append(chunk.data(), got);
    }
    if (!more) break;
  }
  if (cType == SQL_C_WCHAR) AppendWideText(out, wide.data(), wide.size());
  if (plan.guid) out = GuidText(out.data(), out.size());
  return true;
}

// The cell bits of a fixed-width value fetched as cType (integer, bit, double, timestamp or
// time), as RowStore keeps them: the integer, or the double's bits for reals, dates and times.
// False for any other C type. The bytes may sit anywhere in a buffer, hence memcpy.
bool FixedBits(SQLSMALLINT cType, const char* bytes, uint64_t& bits) {
  double real = 0.0;
  switch (cType) {
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:  // the bits; the column's VT_UI8 reads them unsigned
      std::memcpy(&bits, bytes, sizeof bits);
      return true;
    case SQL_C_BIT:
      bits = bytes[0] != 0;
      return true;
    case SQL_C_DOUBLE:
      std::memcpy(&real, bytes, sizeof real);
      break;
    case SQL_C_TYPE_TIMESTAMP: {
      SQL_TIMESTAMP_STRUCT v;
      std::memcpy(&v, bytes, sizeof v);
      real = DateOf(v);
      break;
    }
    case SQL_C_TYPE_TIME: {
      SQL_TIME_STRUCT v;
      std::memcpy(&v, bytes, sizeof v);
      real = TimeOf(v);
      break;
    }
    default:
      return false;
  }
  std::memcpy(&bits, &real, sizeof bits);
  return true;
}

// What SQLGetData can do besides reading unbound columns of a single-row rowset.
SQLUINTEGER GetDataExtensions(SQLHDBC dbc) {
  SQLUINTEGER extensions = 0;
  if (!odbc::Succeeded(odbc::SQLGetInfoW(dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr))) {
    return 0;
  }
  return extensions;
}

void SetRowArraySize(SQLHSTMT stmt, size_t rows) {
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rows)), 0),
            stmt, "SQLSetStmtAttrW");
}

}  // namespace

struct ResultReader::Plan : ColumnPlan {};

static_assert(sizeof(SQLULEN) == sizeof(uint64_t) && sizeof(SQLUSMALLINT) == sizeof(uint16_t),
              "the rowset counters are the ODBC types");

ResultReader::ResultReader() = default;

ResultReader::~ResultReader() {
  if (m_connection) m_connection->Unregister(this);
  EndStatement();
}

void ResultReader::EndStatement() {
  if (!m_stmt) return;
  m_cursorOpen = false;
  odbc::SQLFreeStmt(m_stmt.Get(), SQL_CLOSE);
  m_stmt.Reset();
}

void ResultReader::EndForConnection() {
  m_connection = nullptr;
  EndStatement();
}

std::unique_ptr<ResultReader> ResultReader::Execute(Connection& connection, const XString& sql,
                                                    const FetchOptions& options, int32_t maxRows) {
  SQLHDBC dbc = static_cast<SQLHDBC>(connection.OdbcHandle());
  std::unique_ptr<ResultReader> reader(new ResultReader());
  reader->m_maxRows = maxRows > 0 ? static_cast<size_t>(maxRows) : 0;
  reader->m_sql = odbc::ToWide(sql);
  odbc::Check(reader->m_stmt.Allocate(SQL_HANDLE_STMT, dbc), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
  reader->m_connection = &connection;
  connection.Register(reader.get());
  SQLHSTMT stmt = reader->m_stmt.Get();
  // A hint like the connection's timeouts: a driver without query timeouts still runs the query.
  const int32_t timeout = connection.GetCommandTimeout();
  odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout < 0 ? 0 : timeout)),
                  0);
  if (reader->m_maxRows > 0) {
    // A hint: the rows past the limit are never fetched either way.
    odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(maxRows)), 0);
  }
  reader->Run();
  SQLSMALLINT columnCount = 0;
  CheckStmt(odbc::SQLNumResultCols(stmt, &columnCount), stmt, "SQLNumResultCols");
  // A statement without a result set leaves the recordset closed, as ADO does.
  if (columnCount <= 0) return nullptr;

  // Room for the largest rowset, also the unbound ones that count and pass over rows.
  reader->m_status.assign(kMaxBlockRows, 0);
  std::vector<Plan>& plans = reader->m_plans;
  plans.reserve(static_cast<size_t>(columnCount));
  for (SQLSMALLINT c = 1; c <= columnCount; ++c) {
    plans.push_back(Plan{PlanColumn(stmt, static_cast<SQLUSMALLINT>(c), options)});
    reader->m_columns.push_back(plans.back().info);
  }
  reader->m_cells.resize(plans.size());
  reader->m_bits.resize(plans.size());
  reader->m_spill.resize(plans.size());

  // The cheapest means the driver allows. Rows come in blocks sized by the byte budget when no
  // value can outgrow its bound element (numbers and dates only), or when the driver lets
  // SQLGetData finish a long value inside a block (SQL_GD_BLOCK). Otherwise (the SQLite driver
  // reports every TEXT column as 65,536 characters long and cannot read inside a block) one
  // bound row per SQLFetch, with SQLGetData only for the values that did not fit; and for a
  // driver that cannot even read bound columns with SQLGetData, every value is read with
  // SQLGetData.
  const SQLUINTEGER extensions = GetDataExtensions(dbc);
  bool variable = false;
  size_t rowBytes = 0;
  for (const Plan& plan : plans) {
    variable = variable || plan.cType == SQL_C_CHAR || plan.cType == SQL_C_BINARY;
    rowBytes += plan.elementBytes + sizeof(SQLLEN);
  }
  const bool readsInsideBlocks = (extensions & SQL_GD_BLOCK) && (extensions & SQL_GD_BOUND);
  size_t blockRows = 0;
  if (options.bindColumns && options.blockCursor && (!variable || readsInsideBlocks)) {
    blockRows = std::clamp<size_t>(options.blockBytes / std::max<size_t>(rowBytes, 1), 1, kMaxBlockRows);
  } else if (options.bindColumns && (!variable || (extensions & SQL_GD_BOUND))) {
    blockRows = 1;
  }
  if (blockRows > 0) {
    if (reader->m_maxRows > 0) blockRows = std::min(blockRows, reader->m_maxRows);
    reader->m_blockRows = blockRows;
    reader->Bind();
  }
  return reader;
}

void ResultReader::Run() {
  SQLHSTMT stmt = m_stmt.Get();
  SQLRETURN rc = odbc::SQLExecDirectW(stmt, odbc::WidePtr(m_sql), SQL_NTS);
  odbc::Check(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirectW", true);
  m_cursorOpen = true;
  m_position = 0;
  m_fetched = 0;
  m_nextRow = 0;
}

void ResultReader::CloseCursor() {
  if (!m_cursorOpen) return;
  m_cursorOpen = false;
  odbc::SQLFreeStmt(m_stmt.Get(), SQL_CLOSE);
}

// Binds the columns into arrays of the block's rows.
void ResultReader::Bind() {
  SQLHSTMT stmt = m_stmt.Get();
  SQLULEN rows = static_cast<SQLULEN>(m_blockRows);
  if (!odbc::Succeeded(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0))) {
    rows = 1;
  }
  // The driver may have lowered the size (SQLSTATE 01S02): bind for what it will really use.
  SQLULEN granted = 0;
  if (odbc::Succeeded(odbc::SQLGetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) && granted > 0) {
    rows = std::min(rows, granted);
  }
  m_blockRows = static_cast<size_t>(rows);
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0), stmt,
            "SQLSetStmtAttrW");
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched, 0), stmt, "SQLSetStmtAttrW");
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_STATUS_PTR, m_status.data(), 0), stmt, "SQLSetStmtAttrW");
  for (size_t c = 0; c < m_plans.size(); ++c) {
    Plan& plan = m_plans[c];
    if (plan.buffer.empty()) {
      plan.buffer.assign((plan.elementBytes * rows + 7) / 8, 0);
      plan.indicators.assign(rows, 0);
    }
    CheckStmt(odbc::SQLBindCol(stmt, static_cast<SQLUSMALLINT>(c + 1), plan.cType, plan.buffer.data(),
                         static_cast<SQLLEN>(plan.elementBytes), plan.indicators.data()),
              stmt, "SQLBindCol");
  }
  m_bound = true;
}

void ResultReader::Unbind() {
  if (!m_bound) return;
  odbc::SQLFreeStmt(m_stmt.Get(), SQL_UNBIND);
  m_bound = false;
}

size_t ResultReader::RowsLeft() const {
  return m_maxRows == 0 ? SIZE_MAX : m_maxRows - std::min<size_t>(m_maxRows, static_cast<size_t>(m_position));
}

bool ResultReader::NextRow(size_t& row) {
  while (m_nextRow < m_fetched) {
    const SQLUSMALLINT status = m_status[m_nextRow++];
    if (status == SQL_ROW_NOROW) continue;
    // A row the driver could not deliver must not vanish silently from the result.
    if (status == SQL_ROW_ERROR) throw StatementError(SQL_ERROR, m_stmt.Get(), "SQLFetch");
    row = m_nextRow - 1;
    return true;
  }
  return false;
}

size_t ResultReader::TakeRows(size_t limit) {
  size_t taken = 0;
  size_t row = 0;
  while (taken < limit && NextRow(row)) ++taken;
  return taken;
}

bool ResultReader::Fetch() {
  SQLHSTMT stmt = m_stmt.Get();
  m_fetched = 0;
  m_nextRow = 0;
  const SQLRETURN rc = odbc::SQLFetch(stmt);
  if (rc == SQL_NO_DATA) return false;
  CheckStmt(rc, stmt, "SQLFetch");
  // Without a rowset array every fetch is one row.
  if (m_blockRows == 0) {
    m_fetched = 1;
    m_status[0] = SQL_ROW_SUCCESS;
  }
  return true;
}

// Takes row `r` of the bound rowset as the current row: each text or binary value stays in its
// bound element, except one longer than that element, or a text that is not plain ASCII
// (unless text is read 8-bit, see ReadLongValue), which is read again whole with SQLGetData
// into its column's spill buffer, after positioning on its row when the block holds more than
// one; so is a GUID, to give it the form ADO shows. A fixed-width value becomes its cell bits.
void ResultReader::HoldBoundRow(size_t r, bool& narrowText) {
  SQLHSTMT stmt = m_stmt.Get();
  bool positioned = false;
  for (size_t c = 0; c < m_plans.size(); ++c) {
    const Plan& plan = m_plans[c];
    CellRef& cell = m_cells[c];
    const SQLLEN indicator = plan.indicators[r];
    const char* element = reinterpret_cast<const char*>(plan.buffer.data()) + r * plan.elementBytes;
    cell.null = indicator == SQL_NULL_DATA;
    cell.data = element;
    cell.size = 0;
    if (cell.null) continue;
    if (plan.cType != SQL_C_CHAR && plan.cType != SQL_C_BINARY) {
      HoldFixed(c, element);
      continue;
    }
    const bool isText = plan.cType == SQL_C_CHAR;
    const SQLLEN room = static_cast<SQLLEN>(plan.elementBytes) - (isText ? 1 : 0);
    const bool whole = indicator != SQL_NO_TOTAL && indicator <= room;
    if (!whole || (isText && !narrowText && !IsAscii(element, static_cast<size_t>(indicator)))) {
      if (!positioned && m_blockRows > 1) {
        CheckStmt(odbc::SQLSetPos(stmt, static_cast<SQLSETPOSIROW>(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE), stmt,
                  "SQLSetPos");
        positioned = true;
      }
      HoldSpilled(c, ReadLongValue(stmt, static_cast<SQLUSMALLINT>(c + 1), plan, m_spill[c], narrowText));
    } else if (plan.guid) {
      m_spill[c] = GuidText(element, static_cast<size_t>(indicator));
      HoldSpilled(c, true);
    } else {
      cell.size = static_cast<uint32_t>(indicator);
    }
  }
}

// Takes the row the statement is on as the current row, reading it value by value with
// SQLGetData, in column order (what every ODBC driver supports), into the spill buffers.
void ResultReader::HoldRowByGetData(bool& narrowText) {
  SQLHSTMT stmt = m_stmt.Get();
  for (size_t c = 0; c < m_plans.size(); ++c) {
    const Plan& plan = m_plans[c];
    const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(c + 1);
    if (plan.cType == SQL_C_CHAR || plan.cType == SQL_C_BINARY) {
      HoldSpilled(c, ReadLongValue(stmt, number, plan, m_spill[c], narrowText));
      continue;
    }
    alignas(8) char value[32] = {};  // the largest fixed-width C type, a timestamp, takes 16
    SQLLEN indicator = 0;
    CheckStmt(odbc::SQLGetData(stmt, number, plan.cType, value, sizeof value, &indicator), stmt, "SQLGetData");
    m_cells[c].null = indicator == SQL_NULL_DATA;
    if (!m_cells[c].null) HoldFixed(c, value);
  }
}

void ResultReader::HoldFixed(size_t column, const char* element) {
  CellRef& cell = m_cells[column];
  cell.null = !FixedBits(m_plans[column].cType, element, m_bits[column]);
  cell.data = reinterpret_cast<const char*>(&m_bits[column]);
  cell.size = 0;
}

void ResultReader::HoldSpilled(size_t column, bool notNull) {
  const std::string& value = m_spill[column];
  m_cells[column] = CellRef{value.data(), static_cast<uint32_t>(value.size()), !notNull};
}

void ResultReader::StoreRow(RowStore& store) const { store.AddRow(m_cells.data()); }

bool ResultReader::HoldNext(bool& narrowText) {
  if (RowsLeft() == 0) {
    CloseCursor();
    return false;
  }
  size_t r = 0;
  while (!NextRow(r)) {
    if (!Fetch()) {
      CloseCursor();
      return false;
    }
  }
  if (m_blockRows == 0) {
    HoldRowByGetData(narrowText);
  } else {
    HoldBoundRow(r, narrowText);
  }
  ++m_position;
  return true;
}

bool ResultReader::Read(RowStore& store, size_t budgetBytes) {
  if (!m_cursorOpen) return false;
  bool narrowText = m_connection->NarrowTextReads();
  try {
    for (;;) {
      if (RowsLeft() == 0) {
        CloseCursor();
        break;
      }
      if (budgetBytes > 0 && store.RowCount() > 0 && store.HeldBytes() >= budgetBytes) {
        m_connection->SetNarrowTextReads(narrowText);
        return true;
      }
      if (!HoldNext(narrowText)) break;
      StoreRow(store);
    }
  } catch (...) {
    m_connection->SetNarrowTextReads(narrowText);
    throw;
  }
  m_connection->SetNarrowTextReads(narrowText);
  return false;
}

bool ResultReader::Step() {
  if (!m_cursorOpen) return false;
  bool narrowText = m_connection->NarrowTextReads();
  try {
    const bool held = HoldNext(narrowText);
    m_connection->SetNarrowTextReads(narrowText);
    return held;
  } catch (...) {
    m_connection->SetNarrowTextReads(narrowText);
    throw;
  }
}

// Fetches up to `limit` rows in unbound rowsets (the driver converts nothing) and returns how
// many there were; fewer than `limit` only at the end of the result.
int64_t ResultReader::PassOver(int64_t limit) {
  SQLHSTMT stmt = m_stmt.Get();
  int64_t passed = static_cast<int64_t>(TakeRows(static_cast<size_t>(limit)));
  if (passed >= limit) return passed;
  Unbind();
  size_t arraySize = m_blockRows;
  while (passed < limit) {
    if (m_blockRows > 0) {
      // Never a row more than asked for: the rows after the last one passed over are read next.
      const size_t wanted = static_cast<size_t>(std::min<int64_t>(limit - passed, kMaxBlockRows));
      if (wanted != arraySize) {
        SetRowArraySize(stmt, wanted);
        arraySize = wanted;
      }
    }
    if (!Fetch()) break;
    passed += static_cast<int64_t>(TakeRows(SIZE_MAX));
  }
  if (arraySize != m_blockRows) SetRowArraySize(stmt, m_blockRows);
  return passed;
}

int64_t ResultReader::CountRest() {
  if (!m_cursorOpen) return 0;
  const size_t left = RowsLeft();
  const int64_t counted = PassOver(left == SIZE_MAX ? INT64_MAX : static_cast<int64_t>(left));
  m_position += counted;
  CloseCursor();
  return counted;
}

void ResultReader::Restart(int64_t skip) {
  CloseCursor();
  Run();
  if (skip > 0) {
    m_position = PassOver(skip);
    if (m_position < skip) {
      CloseCursor();  // the result is shorter than it was
      return;
    }
  }
  if (m_blockRows > 0 && !m_bound) Bind();
}

}  // namespace ado
