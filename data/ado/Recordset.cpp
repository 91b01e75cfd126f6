#include "data/ado/Recordset.h"

#include <algorithm>
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

// Frees the statement however Open ends: the fetched rows are the only copy kept.
struct StatementHandle {
  SQLHSTMT stmt = SQL_NULL_HSTMT;
  ~StatementHandle() {
    if (stmt) {
      odbc::SQLFreeStmt(stmt, SQL_CLOSE);
      odbc::SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
  }
};

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

bool IsAscii(const char* text, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  }
  return true;
}

// Stores UTF-16 text as narrow code-page text. Plain ASCII, what most SIS values are, is
// narrowed straight into the store.
void AddWideText(RowStore& store, const char16_t* wide, size_t units) {
  size_t ascii = 0;
  while (ascii < units && wide[ascii] < 0x80) ++ascii;
  if (ascii == units) {
    char* out = store.BeginVariable(units);
    for (size_t i = 0; i < units; ++i) out[i] = static_cast<char>(wide[i]);
    store.EndVariable(units);
    return;
  }
  std::string narrow;
  odbc::AppendNarrow(narrow, wide, units);
  store.AddBytes(narrow.data(), narrow.size());
}

// Stores a GUID read as text in the form ADO shows.
void AddGuidText(RowStore& store, const char* text, size_t size) {
  const std::string guid = GuidText(text, size);
  store.AddBytes(guid.data(), guid.size());
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

// Reads a whole character or binary value with SQLGetData in chunks, from its start, into the
// store. Text comes as UTF-16, whatever it was bound as, unless the connection reads text
// 8-bit (`narrowText`): then in the driver's code page, taken to be the program's. A driver
// that refuses the UTF-16 read turns `narrowText` on for the rest of the connection. The
// statement is positioned on the row already.
void ReadLongValue(SQLHSTMT stmt, SQLUSMALLINT number, const ColumnPlan& plan, RowStore& store, bool& narrowText) {
  const bool isText = plan.cType != SQL_C_BINARY;
  SQLSMALLINT cType = !isText ? SQL_C_BINARY : narrowText ? SQL_C_CHAR : SQL_C_WCHAR;
  SQLLEN terminator = !isText ? 0 : narrowText ? 1 : static_cast<SQLLEN>(sizeof(SQLWCHAR));
  struct Chunk {  // not zero-filled: most values are far shorter than the chunk
    std::unique_ptr<char[]> bytes{new char[kGetDataChunkBytes]};
    char* data() { return bytes.get(); }
    static size_t size() { return kGetDataChunkBytes; }
  } chunk;
  std::u16string wide;
  std::string bytes;
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
    if (indicator == SQL_NULL_DATA) {
      store.AddNull();
      return;
    }
    const SQLLEN room = static_cast<SQLLEN>(chunk.size()) - terminator;
    const bool more = indicator == SQL_NO_TOTAL || indicator > room;
    const size_t got = static_cast<size_t>(more ? room : indicator);
    if (cType == SQL_C_WCHAR) {
      wide.append(reinterpret_cast<const char16_t*>(chunk.data()), got / sizeof(char16_t));
    } else {
      bytes.append(chunk.data(), got);
    }
    if (!more) break;
  }
  if (cType == SQL_C_WCHAR) {
    if (!plan.guid) {
      AddWideText(store, wide.data(), wide.size());
      return;
    }
    odbc::AppendNarrow(bytes, wide.data(), wide.size());
  }
  if (plan.guid) {
    AddGuidText(store, bytes.data(), bytes.size());
  } else {
    store.AddBytes(bytes.data(), bytes.size());
  }
}

// Stores a fixed-width value (integer, bit, double, timestamp or time), fetched as cType, from
// its bytes; any other C type stores NULL. The bytes may sit anywhere in a buffer, hence memcpy.
void StoreFixedValue(SQLSMALLINT cType, const char* bytes, RowStore& store) {
  switch (cType) {
    case SQL_C_SBIGINT: {
      SQLBIGINT v;
      std::memcpy(&v, bytes, sizeof v);
      store.AddInteger(v);
      break;
    }
    case SQL_C_UBIGINT: {
      SQLUBIGINT v;
      std::memcpy(&v, bytes, sizeof v);
      store.AddInteger(static_cast<int64_t>(v));  // the bits; the column's VT_UI8 reads them unsigned
      break;
    }
    case SQL_C_BIT:
      store.AddInteger(bytes[0] != 0);
      break;
    case SQL_C_DOUBLE: {
      SQLDOUBLE v;
      std::memcpy(&v, bytes, sizeof v);
      store.AddReal(v);
      break;
    }
    case SQL_C_TYPE_TIMESTAMP: {
      SQL_TIMESTAMP_STRUCT v;
      std::memcpy(&v, bytes, sizeof v);
      store.AddReal(DateOf(v));
      break;
    }
    case SQL_C_TYPE_TIME: {
      SQL_TIME_STRUCT v;
      std::memcpy(&v, bytes, sizeof v);
      store.AddReal(TimeOf(v));
      break;
    }
    default:
      store.AddNull();
      break;
  }
}

// Reads a fixed-width value of the current row with SQLGetData.
void ReadFixedValue(SQLHSTMT stmt, SQLUSMALLINT number, const ColumnPlan& plan, RowStore& store) {
  alignas(8) char value[32] = {};
  SQLLEN indicator = 0;
  CheckStmt(odbc::SQLGetData(stmt, number, plan.cType, value, sizeof value, &indicator), stmt, "SQLGetData");
  if (indicator == SQL_NULL_DATA) {
    store.AddNull();
    return;
  }
  StoreFixedValue(plan.cType, value, store);
}

// Fetches the whole result (or its first maxRows rows when not 0), one row per SQLFetch, every
// value with SQLGetData in column order: what every ODBC driver supports.
void FetchRowByRow(SQLHSTMT stmt, std::vector<ColumnPlan>& plans, RowStore& store, size_t maxRows,
                   bool& narrowText) {
  while (maxRows == 0 || static_cast<size_t>(store.RowCount()) < maxRows) {
    SQLRETURN rc = odbc::SQLFetch(stmt);
    if (rc == SQL_NO_DATA) return;
    CheckStmt(rc, stmt, "SQLFetch");
    store.BeginRow();
    for (size_t c = 0; c < plans.size(); ++c) {
      const SQLUSMALLINT number = static_cast<SQLUSMALLINT>(c + 1);
      if (plans[c].cType == SQL_C_CHAR || plans[c].cType == SQL_C_BINARY) {
        ReadLongValue(stmt, number, plans[c], store, narrowText);
      } else {
        ReadFixedValue(stmt, number, plans[c], store);
      }
    }
  }
}

// Fetches the whole result (or its first maxRows rows when not 0) into bound column arrays,
// `rows` rows per SQLFetch. A value longer than its bound element, or a text that is not plain
// ASCII (unless text is read 8-bit, see ReadLongValue), is read again whole with SQLGetData,
// after positioning on its row when the block holds more than one.
void FetchBound(SQLHSTMT stmt, std::vector<ColumnPlan>& plans, RowStore& store, size_t blockRows, size_t maxRows,
                bool& narrowText) {
  if (maxRows > 0) blockRows = std::min(blockRows, maxRows);
  SQLULEN rows = static_cast<SQLULEN>(blockRows);
  if (!odbc::Succeeded(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0))) {
    rows = 1;
  }
  // The driver may have lowered the size (SQLSTATE 01S02): bind for what it will really use.
  SQLULEN granted = 0;
  if (odbc::Succeeded(odbc::SQLGetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &granted, 0, nullptr)) && granted > 0) {
    rows = std::min(rows, granted);
  }
  SQLULEN fetched = 0;
  std::vector<SQLUSMALLINT> status(rows);
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0), stmt,
            "SQLSetStmtAttrW");
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0), stmt, "SQLSetStmtAttrW");
  CheckStmt(odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_STATUS_PTR, status.data(), 0), stmt, "SQLSetStmtAttrW");

  for (size_t c = 0; c < plans.size(); ++c) {
    ColumnPlan& plan = plans[c];
    plan.buffer.assign((plan.elementBytes * rows + 7) / 8, 0);
    plan.indicators.assign(rows, 0);
    CheckStmt(odbc::SQLBindCol(stmt, static_cast<SQLUSMALLINT>(c + 1), plan.cType, plan.buffer.data(),
                         static_cast<SQLLEN>(plan.elementBytes), plan.indicators.data()),
              stmt, "SQLBindCol");
  }

  while (maxRows == 0 || static_cast<size_t>(store.RowCount()) < maxRows) {
    SQLRETURN rc = odbc::SQLFetch(stmt);
    if (rc == SQL_NO_DATA) break;
    CheckStmt(rc, stmt, "SQLFetch");
    for (SQLULEN r = 0; r < fetched; ++r) {
      if (maxRows > 0 && static_cast<size_t>(store.RowCount()) >= maxRows) break;
      if (status[r] == SQL_ROW_NOROW) continue;
      // A row the driver could not deliver must not vanish silently from the result.
      if (status[r] == SQL_ROW_ERROR) throw StatementError(SQL_ERROR, stmt, "SQLFetch");
      store.BeginRow();
      bool positioned = false;
      for (size_t c = 0; c < plans.size(); ++c) {
        const ColumnPlan& plan = plans[c];
        const SQLLEN indicator = plan.indicators[r];
        const char* element = reinterpret_cast<const char*>(plan.buffer.data()) + r * plan.elementBytes;
        if (indicator == SQL_NULL_DATA) {
          store.AddNull();
          continue;
        }
        if (plan.cType != SQL_C_CHAR && plan.cType != SQL_C_BINARY) {
          StoreFixedValue(plan.cType, element, store);
          continue;
        }
        const bool isText = plan.cType == SQL_C_CHAR;
        const SQLLEN room = static_cast<SQLLEN>(plan.elementBytes) - (isText ? 1 : 0);
        const bool whole = indicator != SQL_NO_TOTAL && indicator <= room;
        if (!whole || (isText && !narrowText && !IsAscii(element, static_cast<size_t>(indicator)))) {
          if (!positioned && rows > 1) {
            CheckStmt(odbc::SQLSetPos(stmt, static_cast<SQLSETPOSIROW>(r + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE), stmt,
                      "SQLSetPos");
            positioned = true;
          }
          ReadLongValue(stmt, static_cast<SQLUSMALLINT>(c + 1), plan, store, narrowText);
        } else if (plan.guid) {
          AddGuidText(store, element, static_cast<size_t>(indicator));
        } else {
          store.AddBytes(element, static_cast<size_t>(indicator));
        }
      }
    }
  }
  odbc::SQLFreeStmt(stmt, SQL_UNBIND);
}

// What SQLGetData can do besides reading unbound columns of a single-row rowset.
SQLUINTEGER GetDataExtensions(SQLHDBC dbc) {
  SQLUINTEGER extensions = 0;
  if (!odbc::Succeeded(odbc::SQLGetInfoW(dbc, SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr))) {
    return 0;
  }
  return extensions;
}

// Reads the result by the cheapest means the driver allows. Rows come in blocks sized by the
// byte budget when no value can outgrow its bound element (numbers and dates only), or when
// the driver lets SQLGetData finish a long value inside a block (SQL_GD_BLOCK). Otherwise
// (the SQLite driver reports every TEXT column as 65,536 characters long and cannot read
// inside a block) one bound row per SQLFetch, with SQLGetData only for the values that did
// not fit; and for a driver that cannot even read bound columns with SQLGetData, every value
// is read with SQLGetData.
void FetchAll(SQLHDBC dbc, SQLHSTMT stmt, std::vector<ColumnPlan>& plans, RowStore& store,
              const FetchOptions& options, size_t maxRows, bool& narrowText) {
  const SQLUINTEGER extensions = GetDataExtensions(dbc);
  bool variable = false;
  size_t rowBytes = 0;
  for (const ColumnPlan& plan : plans) {
    variable = variable || plan.cType == SQL_C_CHAR || plan.cType == SQL_C_BINARY;
    rowBytes += plan.elementBytes + sizeof(SQLLEN);
  }
  const bool readsInsideBlocks = (extensions & SQL_GD_BLOCK) && (extensions & SQL_GD_BOUND);
  if (options.bindColumns && options.blockCursor && (!variable || readsInsideBlocks)) {
    FetchBound(stmt, plans, store, std::clamp<size_t>(options.blockBytes / std::max<size_t>(rowBytes, 1), 1, kMaxBlockRows),
               maxRows, narrowText);
  } else if (options.bindColumns && (!variable || (extensions & SQL_GD_BOUND))) {
    FetchBound(stmt, plans, store, 1, maxRows, narrowText);
  } else {
    FetchRowByRow(stmt, plans, store, maxRows, narrowText);
  }
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
  SQLHDBC dbc = static_cast<SQLHDBC>(connection.OdbcHandle());
  if (!dbc) {
    connection.Raise(ComError(kHresultObjectClosed, "Recordset",
                              "The connection cannot be used to perform this operation: it is closed."));
  }

  std::unique_ptr<RowStore> store;
  try {
    StatementHandle statement;
    odbc::Check(odbc::SQLAllocHandle(SQL_HANDLE_STMT, dbc, &statement.stmt), SQL_HANDLE_DBC, dbc, "SQLAllocHandle");
    SQLHSTMT stmt = statement.stmt;
    // A hint like the connection's timeouts: a driver without query timeouts still runs the query.
    const int32_t timeout = connection.GetCommandTimeout();
    odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeout < 0 ? 0 : timeout)),
                    0);

    if (m_maxRecords > 0) {
      // A hint: the rows past the limit are never fetched either way.
      odbc::SQLSetStmtAttrW(stmt, SQL_ATTR_MAX_ROWS, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_maxRecords)), 0);
    }

    std::u16string text = odbc::ToWide(sql);
    SQLRETURN rc = odbc::SQLExecDirectW(stmt, odbc::WidePtr(text), SQL_NTS);
    odbc::Check(rc, SQL_HANDLE_STMT, stmt, "SQLExecDirectW", true);
    SQLSMALLINT columnCount = 0;
    CheckStmt(odbc::SQLNumResultCols(stmt, &columnCount), stmt, "SQLNumResultCols");
    // A statement without a result set leaves the recordset closed, as ADO does.
    if (columnCount <= 0) return;

    std::vector<ColumnPlan> plans;
    plans.reserve(static_cast<size_t>(columnCount));
    for (SQLSMALLINT c = 1; c <= columnCount; ++c) plans.push_back(PlanColumn(stmt, static_cast<SQLUSMALLINT>(c), m_options));
    std::vector<ColumnInfo> infos;
    for (const ColumnPlan& plan : plans) infos.push_back(plan.info);
    store = std::make_unique<RowStore>(std::move(infos));

    bool narrowText = connection.NarrowTextReads();
    try {
      FetchAll(dbc, stmt, plans, *store, m_options, static_cast<size_t>(m_maxRecords), narrowText);
    } catch (...) {
      connection.SetNarrowTextReads(narrowText);
      throw;
    }
    connection.SetNarrowTextReads(narrowText);
    store->Finish();
  } catch (const ComError& error) {
    connection.Raise(error);
  }

  m_store = std::move(store);
  m_fields.clear();
  const std::vector<ColumnInfo>& columns = m_store->Columns();
  for (size_t c = 0; c < columns.size(); ++c) {
    const ColumnInfo& info = columns[c];
    m_fields.push_back(Field(this, static_cast<int32_t>(c), info.name, info.type, info.definedSize, info.attributes));
  }
  m_position = 0;
  (void)options;  // every command is text
}

void Recordset::Close() {
  RequireOpen();
  m_store.reset();
  m_fields.clear();
  m_position = -1;
}

void Recordset::RequireOpen() const {
  if (!m_store) {
    throw ComError(kHresultObjectClosed, "Recordset", "Operation is not allowed when the object is closed.");
  }
}

int64_t Recordset::CurrentRecord() const {
  RequireOpen();
  if (m_position < 0 || m_position >= m_store->RowCount()) {
    throw ComError(kHresultNoCurrentRecord, "Recordset",
                   "Either BOF or EOF is True, or the current record has been deleted.");
  }
  return m_position;
}

int32_t Recordset::RecordCount() const {
  RequireOpen();
  return static_cast<int32_t>(std::min<int64_t>(m_store->RowCount(), 0x7FFFFFFF));
}

bool Recordset::IsBOF() const {
  RequireOpen();
  return m_position < 0 || m_store->RowCount() == 0;
}

bool Recordset::IsEOF() const {
  RequireOpen();
  return m_position >= m_store->RowCount();
}

void Recordset::MoveFirst() {
  RequireOpen();
  if (m_store->RowCount() == 0) {
    throw ComError(kHresultNoCurrentRecord, "Recordset",
                   "Either BOF or EOF is True, or the current record has been deleted.");
  }
  m_position = 0;
}

void Recordset::MoveNext() {
  RequireOpen();
  if (m_position >= m_store->RowCount()) {
    throw ComError(kHresultNoCurrentRecord, "Recordset",
                   "Either BOF or EOF is True, or the current record has been deleted.");
  }
  ++m_position;
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
  if (!m_store || !name) return nullptr;
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
