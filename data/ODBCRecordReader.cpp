// Running queries, moving through their records and reading values.
#include "data/ODBCRecordReader.h"

#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "data/ado/Connection.h"
#include "data/ado/Recordset.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XDigits.h"
#include "foundation/XException.h"

using ado::Variant;

namespace {

// The mantissa's low 64 bits with its sign, scaled: the precision an OLE decimal keeps here.
double DecimalValue(const ado::Decimal& decimal) {
  double value = static_cast<double>(decimal.lo64) / std::pow(10.0, decimal.scale);
  return decimal.negative ? -value : value;
}

// A real read as an integer: its whole part, clamped to the 64-bit range (a conversion of a
// value outside it is undefined); not a number reads as 0.
int64_t RealToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775807.0) return INT64_MAX;
  if (value <= -9223372036854775808.0) return INT64_MIN;
  return static_cast<int64_t>(value);
}

__extension__ typedef unsigned __int128 Wide;

// "%.4f" of a finite value under 1e14, without its trailing zeros and point, computed from the
// value's exact binary fraction: what a correctly rounding printf writes, at a fraction of its
// cost (grades and other reals pass here for every row). A value exactly halfway between two
// results answers false and goes through snprintf, as the C libraries round those differently.
bool ExactFixed4(double value, char* text, uint32_t& length) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e14) return false;
  uint64_t units = 0;  // the magnitude in ten-thousandths, rounded to nearest
  if (value != 0.0) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
    const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    const int shift = 53 - exponent;  // |value| = mantissa / 2^shift
    if (shift <= 0) {
      units = (mantissa << -shift) * 10000u;
    } else if (shift < 68) {
      const Wide scaled = static_cast<Wide>(mantissa) * 10000u;
      const Wide rest = scaled & ((static_cast<Wide>(1) << shift) - 1);
      const Wide half = static_cast<Wide>(1) << (shift - 1);
      if (rest == half) return false;
      units = static_cast<uint64_t>(scaled >> shift) + (rest > half ? 1u : 0u);
    }
    // From 68 on, mantissa * 10000 < 2^67 is under half a unit: the value rounds to 0.
  }
  char* p = text;
  if (std::signbit(value)) *p++ = '-';
  p = xdigits::PutInteger(p, static_cast<int64_t>(units / 10000u));
  length = static_cast<uint32_t>(p - text);
  uint32_t fraction = static_cast<uint32_t>(units % 10000u);
  if (fraction != 0) {
    int places = 4;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --places;
    }
    text[length++] = '.';
    for (int place = places - 1; place >= 0; --place) {
      text[length + static_cast<uint32_t>(place)] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    length += static_cast<uint32_t>(places);
  }
  return true;
}

// "%.4f" without its trailing zeros and point, cut at 63 characters as a 64-byte format
// buffer cuts it; formatted on the stack, so the text is allocated once.
XString FloatText(double value) {
  char text[64];
  uint32_t exact = 0;
  if (ExactFixed4(value, text, exact)) return XString(text, exact);
  const int n = std::snprintf(text, sizeof text, "%.4f", value);
  uint32_t length = n < 0 ? 0 : static_cast<uint32_t>(n) >= sizeof text ? sizeof text - 1 : static_cast<uint32_t>(n);
  while (length > 0 && text[length - 1] == '0') --length;
  while (length > 0 && text[length - 1] == '.') --length;
  return XString(text, length);
}

// Decimal digits of an integer, as "%d" and "%lld" write them, without a format call.
XString IntegerText(int64_t value) { return xdigits::IntegerText(value); }

// The text without leading and trailing white space (isspace) and without tabs, made in one
// allocation: what Trim then RemoveChars("\t") give, for every text value of every row.
XString TrimmedText(const char* bytes, uint32_t size) {
  uint32_t begin = 0, end = size;
  while (begin < end && std::isspace(static_cast<unsigned char>(bytes[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(bytes[end - 1]))) --end;
  const char* start = bytes + begin;
  const uint32_t length = end - begin;
  if (std::memchr(start, '\t', length) == nullptr) return XString(start, length);
  std::string kept;
  kept.reserve(length);
  for (uint32_t i = 0; i < length; ++i) {
    if (start[i] != '\t') kept += start[i];
  }
  return XString(kept);
}

// A date value as "YYYY/MM/DD HH:NN:SS", the text XDateTime::Format gives for that pattern,
// written directly: every date of every row passes here, and the general pattern formatter
// costs more than fetching the row did.
XString OleDateText(double oleDate) {
  const XDateTime value = XDateTime::FromOleDate(oleDate);
  if (value.Date() < 0 || value.Time() < 0) return XString();
  int year, month, day;
  XDate::ToYMD(value.Date(), year, month, day);
  char text[40];
  char* p = xdigits::PutDate(text, year, month, day, '/', 1);
  *p++ = ' ';
  p = xdigits::PutTime(p, value.Time());
  return XString(text, static_cast<uint32_t>(p - text));
}

bool HasLineBreak(const XString& text) {
  return std::memchr(text.c_str(), '\r', text.Length()) != nullptr ||
         std::memchr(text.c_str(), '\n', text.Length()) != nullptr;
}

XString CleanLineBreaks(const XString& text) {
  std::string s = text.ToStd();
  for (char& c : s) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return XString(s);
}

// The field a handle names in the open recordset: by select-list position, or by name.
ado::Field& LocateField(ado::Recordset& recordset, const ODBCField* field, bool byName) {
  if (byName) return recordset.GetField(field->name.c_str());
  return recordset.GetField(static_cast<int16_t>(field->position));
}

}  // namespace

// ---- Value conversions ------------------------------------------------------------------

XString ODBCRecordReader::VariantToText(const Variant& value) {
  switch (value.Type()) {
    case ado::VT_I2: return IntegerText(value.GetI2());
    case ado::VT_I4: return IntegerText(value.GetI4());
    case ado::VT_UI1: return IntegerText(value.GetUI1());
    case ado::VT_I8: return IntegerText(value.GetI8());
    case ado::VT_UI8: return XString(std::to_string(value.GetUI8()));
    case ado::VT_R4: return FloatText(value.GetR4());
    case ado::VT_R8: return FloatText(value.GetR8());
    case ado::VT_DECIMAL: return FloatText(DecimalValue(value.GetDecimal()));
    case ado::VT_DATE: return OleDateText(value.GetDate());
    case ado::VT_BSTR: return value.GetStr();
    case ado::VT_BOOL: return XString(value.GetBool() ? "True" : "False");
    default: return XString();  // VT_EMPTY, VT_NULL, VT_CY, VT_I1, arrays
  }
}

int64_t ODBCRecordReader::VariantToInteger(const Variant& value) {
  switch (value.Type()) {
    case ado::VT_I2: return value.GetI2();
    case ado::VT_I4: return value.GetI4();
    case ado::VT_UI1: return value.GetUI1();
    case ado::VT_I8: return value.GetI8();
    case ado::VT_UI8: return static_cast<int64_t>(value.GetUI8());  // from 2^63 on, as the 64 bits
    case ado::VT_R4: return RealToInteger(value.GetR4());
    case ado::VT_R8: return RealToInteger(value.GetR8());
    case ado::VT_DECIMAL: return RealToInteger(DecimalValue(value.GetDecimal()));
    case ado::VT_BOOL: return value.GetBool() ? 1 : 0;
    case ado::VT_BSTR: {
      // Only plain unsigned digits count; "12a", " 12" and "-3" are 0.
      const XString& text = value.GetStr();
      if (!text.IsDigits()) return 0;
      unsigned long long number = std::strtoull(text.c_str(), nullptr, 10);
      return number > static_cast<unsigned long long>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(number);
    }
    default: return 0;
  }
}

double ODBCRecordReader::VariantToDouble(const Variant& value) {
  switch (value.Type()) {
    case ado::VT_I2: return value.GetI2();
    case ado::VT_I4: return value.GetI4();
    case ado::VT_UI1: return value.GetUI1();
    case ado::VT_I8: return static_cast<double>(value.GetI8());
    case ado::VT_UI8: return static_cast<double>(value.GetUI8());
    case ado::VT_R4: return value.GetR4();
    case ado::VT_R8: return value.GetR8();
    case ado::VT_DECIMAL: return DecimalValue(value.GetDecimal());
    case ado::VT_BOOL: return value.GetBool() ? 1.0 : 0.0;
    case ado::VT_BSTR: {
      const XString& text = value.GetStr();
      if (!text.IsDecimal()) return 0.0;
      return std::atof(text.c_str());
    }
    default: return 0.0;
  }
}

bool ODBCRecordReader::VariantToBool(const Variant& value) {
  switch (value.Type()) {
    case ado::VT_I2: return value.GetI2() != 0;
    case ado::VT_I4: return value.GetI4() != 0;
    case ado::VT_UI1: return value.GetUI1() != 0;
    case ado::VT_BOOL: return value.GetBool();
    case ado::VT_R4: return value.GetR4() != 0.0f;
    case ado::VT_R8: return value.GetR8() != 0.0;
    case ado::VT_I8: return value.GetI8() != 0;
    case ado::VT_UI8: return value.GetUI8() != 0;
    case ado::VT_DECIMAL: return value.GetDecimal().lo64 != 0;
    case ado::VT_BSTR: {
      const XString& text = value.GetStr();
      return !text.IsEmpty() && text != "0";
    }
    default: return false;
  }
}

// ---- Errors -------------------------------------------------------------------------------

const char* ODBCRecordReader::FieldStatusText(int32_t status) {
  switch (status) {
    case 0: return "adFieldOK - OK.";
    case 2: return "adFieldCantConvertValue - The field cannot be retrieved or stored without loss of data.";
    case 3: return "adFieldIsNull - The provider returned a VARIANT value of type VT_NULL and that the field is not empty.";
    case 4: return "adFieldTruncated - Variable-length data was truncated when reading from the data source.";
    case 5: return "adFieldSignMismatch - The data value returned by the provider was signed but the data type of the ADO field value was unsigned.";
    case 6: return "adFieldDataOverflow - The data returned from the provider overflowed the data type of the field.";
    case 7: return "adFieldCantCreate - The field could not be added because the provider exceeded a limitation.";
    case 8: return "adFieldUnavailable - The provider could not determine the value when reading from the data source.";
    case 9: return "adFieldPermissionDenied - The field cannot be modified because it is defined as read-only.";
    case 10: return "adFieldIntegrityViolation - The field cannot be modified because it is a calculated or derived entity.";
    case 11: return "adFieldSchemaViolation - The value violated the data source schema constraint for the field.";
    case 12: return "adFieldBadStatus - An invalid status value was sent from ADO to the OLE DB provider.";
    case 13: return "adFieldDefault - The default value for the field was used when setting data.";
    case 15: return "adFieldIgnore - This field was skipped when setting data values in the source.";
    case 16: return "adFieldDoesNotExist - The field specified does not exist.";
    case 17: return "adFieldInvalidURL - The data source URL contains invalid characters.";
    case 18: return "adFieldResourceLocked - The operation failed because the data source is locked by another process.";
    case 19: return "adFieldResourceExists - The operation failed because an object already exists at the destination URL.";
    case 20: return "adFieldCannotComplete - The server of the URL specified by Source could not complete the operation.";
    case 21: return "adFieldVolumeNotFound - The provider is unable to locate the storage volume indicated by the URL.";
    case 22: return "adFieldOutOfSpace - The provider is unable to obtain enough storage space to complete the operation.";
    case 23: return "adFieldCannotDeleteSource - During a move operation, a tree or subtree was moved but the source could not be deleted.";
    case 24: return "adFieldReadOnly - The field in the data source is defined as read-only.";
    case 25: return "adFieldResourceOutOfScope - The source or destination URL is outside the scope of the current record.";
    case 26: return "adFieldAlreadyExists - The specified field already exists.";
    case 0x10000: return "adFieldPendingInsert - The Append operation caused the status to be set; the field is marked for insertion.";
    case 0x20000: return "adFieldPendingDelete - The Delete operation caused the status to be set; the field is marked for deletion.";
    case 0x40000: return "adFieldPendingChange - The field has been deleted and then re-added, or its value has changed.";
    case 0x80000: return "adFieldPendingUnknown - The provider cannot determine what operation caused the field status to be set.";
    case 0x100000: return "adFieldPendingUnknownDelete - The provider cannot determine what operation caused the field status to be set, and the field will be deleted.";
    default: return "Undefined field status.";
  }
}

const char* ODBCRecordReader::DataTypeName(int32_t type) {
  switch (type) {
    case 0: return "Empty";
    case 2: return "SmallInt";
    case 3: return "Integer";
    case 4: return "Single";
    case 5: return "Double";
    case 6: return "Currency";
    case 7: return "Date";
    case 8: return "BSTR";
    case 9: return "Dispatch";
    case 10: return "Error";
    case 11: return "Boolean";
    case 12: return "Variant";
    case 13: return "Unknown";
    case 14: return "Decimal";
    case 16: return "TinyInt";
    case 17: return "UnsignedTinyInt";
    case 18: return "UnsignedSmallInt";
    case 19: return "UnsignedInt";
    case 20: return "Big Int";
    case 21: return "UnsignedBigInt";
    case 64: return "File Time";
    case 72: return "GUID";
    case 128: return "Binary";
    case 129: return "Char";
    case 130: return "WChar";
    case 131: return "Numeric";
    case 132: return "User Defined";
    case 133: return "DBDate";
    case 134: return "DBTime";
    case 135: return "DBTimeStamp";
    case 136: return "Chapter";
    case 138: return "Prop Variant";
    case 139: return "Var Numeric";
    case 200: return "VarChar";
    case 201: return "LongVarChar";
    case 202: return "VarWChar";
    case 203: return "LongVarWChar";
    case 204: return "VarBinary";
    case 205: return "LongVarBinary";
    case 0x2000: return "Array";
    default: return "UNKNOWN!";
  }
}

// ---- Running ------------------------------------------------------------------------------

ODBCRecordReader::ODBCRecordReader(ODBCConnection& connection, XEngineLog& log)
    : m_connection(connection), m_log(log) {}

ODBCRecordReader::~ODBCRecordReader() {
  try {
    m_recordset.reset();
  } catch (...) {
  }
}

bool ODBCRecordReader::FieldsByName() const { return (m_connection.GetAccessOptions() & kFieldsByName) != 0; }

void ODBCRecordReader::Adopt(std::unique_ptr<ado::Recordset> recordset) { m_recordset = std::move(recordset); }

void ODBCRecordReader::RunQuery(const XString& sql) {
  m_log.ExtractLogWrite(kLogDebug, "Running Query");

  try {
    m_recordset = std::make_unique<ado::Recordset>();
  } catch (const std::bad_alloc&) {
    throw XException::Format(0, "Failed to create query object for: %s", sql.c_str());
  }
  m_log.ExtractLogWrite(kLogProprietary, sql);
  m_log.RunLogWrite(kLogProprietary, sql);

  try {
    m_recordset->SetCursorLocation(ado::adUseClient);
    m_recordset->SetCursorType(ado::adOpenStatic);
    m_connection.Ado().ClearErrors();
    m_recordset->Open(sql, m_connection.Ado(),
                      (m_connection.GetAccessOptions() & kForwardOnly) ? ado::adOpenForwardOnly : ado::adOpenStatic,
                      (m_connection.GetAccessOptions() & kPessimisticLock) ? ado::adLockPessimistic : ado::adLockReadOnly,
                      ado::adCmdText);
  } catch (const ado::ComError& error) {
    XString text = m_connection.ComErrorText(error);
    m_log.RunLogWrite(kLogProprietary, XString("RunQuery: While executing: ") + sql + ", " + text);
    throw XException::Format(0, "While executing query: %s", text.c_str());
  }
}

int64_t ODBCRecordReader::CountQuery(const XString& sql) {
  const XString count = XString("SELECT COUNT(*) FROM (") + sql + ") QvCount";
  m_log.ExtractLogWrite(kLogProprietary, count);
  try {
    ado::Recordset counter;
    counter.Open(count, m_connection.Ado(), ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    int64_t rows = 0;
    if (!(counter.IsEOF() && counter.IsBOF())) {
      counter.MoveFirst();
      if (!counter.IsEOF()) rows = VariantToInteger(counter.GetField(0).Value());
    }
    counter.Close();
    return rows;
  } catch (const ado::ComError& error) {
    m_log.ExtractLogWrite(kLogDebug, XString("CountBuiltQuery: ") + m_connection.ComErrorText(error));
  }
  // A dialect that cannot count a derived table: the query itself runs, as a run would run it
  // (failing with the same message), and its records are counted. The model stays.
  RunQuery(sql);
  const int32_t rows = GetRecordCount();
  if (m_recordset && m_recordset->State() == ado::adStateOpen) m_recordset->Close();
  m_recordset.reset();
  return rows;
}

void ODBCRecordReader::CloseQuery() {
  if (m_recordset && m_recordset->State() == ado::adStateOpen) m_recordset->Close();
  m_recordset.reset();
}

bool ODBCRecordReader::HasOpenQuery() const { return m_recordset && m_recordset->State() == ado::adStateOpen; }

bool ODBCRecordReader::GetFirstRecord() {
  if (!HasOpenQuery()) return false;
  try {
    if (m_recordset->IsEOF() && m_recordset->IsBOF()) return false;
    m_recordset->MoveFirst();
    return !m_recordset->IsEOF();
  } catch (const ado::ComError& error) {
    m_log.ExtractLogWrite(kLogDebug, XString("GetFirstRecord Error: ") + error.Description());
    // Going back to the first record of a large result runs its query again: a failure there
    // ends the reading as a failure, not as an empty result.
    if (error.HResult() != ado::kHresultNoCurrentRecord) ThrowReadError(m_connection.ComErrorText(error));
  } catch (const XException&) {
    throw;
  } catch (...) {
    m_log.ExtractLogWrite(kLogDebug, "GetFirstRecord Error: Unknown");
  }
  return false;
}

bool ODBCRecordReader::GetNextRecord() {
  if (!HasOpenQuery()) return false;
  try {
    m_recordset->MoveNext();
    return !m_recordset->IsEOF();
  } catch (const ado::ComError& error) {
    // A large result is fetched as the cursor moves: a fetch that fails is an error, never
    // the end of the records. Moving on from the end is the end.
    if (error.HResult() != ado::kHresultNoCurrentRecord) ThrowReadError(m_connection.ComErrorText(error));
    return false;
  }
}

void ODBCRecordReader::ThrowReadError(const XString& errorText) {
  m_log.RunLogWrite(kLogProprietary, XString("While reading the records of the query: ") + errorText);
  throw XException::Format(0, "While reading the records of the query: %s", errorText.c_str());
}

int32_t ODBCRecordReader::GetRecordCount() {
  if (!HasOpenQuery()) return 0;
  int32_t count;
  try {
    count = m_recordset->RecordCount();
  } catch (const ado::ComError& error) {
    const XString text = m_connection.ComErrorText(error);
    m_log.ExtractLogWrite(kLogDebug, XString("GetRecordCount: ") + text);
    // A large result is counted by fetching the rest of it: a fetch that fails is an error.
    if (error.HResult() != ado::kHresultObjectClosed) ThrowReadError(text);
    count = -1;
  }
  m_log.ExtractLogWrite(kLogDebug, "GetRecordCount: Finishing Getting Record Count.");
  m_log.ExtractLogWrite(kLogDebug, "GetRecordCount: Validating RecordCount.");
  if (count == -1) {
    m_log.ExtractLogWrite(kLogDebug, "GetRecordCount: Lets determine record count manually.");
    count = 0;
    for (bool more = GetFirstRecord(); more; more = GetNextRecord()) ++count;
  } else {
    m_log.ExtractLogWrite(kLogDebug, "GetRecordCount: Driver supports RecordCount");
  }
  m_log.ExtractLogWrite(kLogDebug, XString("GetRecordCount: Found Record Count of ") + XString(static_cast<int>(count)));
  return count;
}

int32_t ODBCRecordReader::GetFieldCount() const { return HasOpenQuery() ? m_recordset->FieldCount() : 0; }

XString ODBCRecordReader::GetFieldName(int32_t index) const {
  if (!HasOpenQuery() || index < 0 || index >= m_recordset->FieldCount()) return XString();
  return m_recordset->GetField(index).Name();
}

XString ODBCRecordReader::GetFieldTypeName(int32_t index) const {
  if (!HasOpenQuery() || index < 0 || index >= m_recordset->FieldCount()) return XString(DataTypeName(-1));
  return XString(DataTypeName(m_recordset->GetField(index).Type()));
}

// ---- Readers ------------------------------------------------------------------------------

void ODBCRecordReader::ThrowFieldError(ODBCField* field, const ado::ComError& error) {
  // A field that cannot even be located has no status of its own.
  int32_t status = 16;  // adFieldDoesNotExist
  if (HasOpenQuery()) {
    ado::Field* located = FieldsByName()
                              ? m_recordset->FindField(field->name.c_str())
                              : (field->position >= 0 && field->position < m_recordset->FieldCount()
                                     ? &m_recordset->GetField(field->position)
                                     : nullptr);
    if (located) status = located->Status();
  }
  XString text = m_connection.ComErrorText(error) + " Field Status: " + FieldStatusText(status);
  throw XException(text, status);
}

Variant ODBCRecordReader::ReadValue(ODBCField* field) {
  try {
    if (!m_recordset) throw ado::ComError(ado::kHresultObjectClosed, "Recordset", ado::HResultMeaning(ado::kHresultObjectClosed));
    return LocateField(*m_recordset, field, FieldsByName()).Value();
  } catch (const ado::ComError& error) {
    ThrowFieldError(field, error);
  }
}

const char* ODBCRecordReader::ReadTextBytes(ODBCField* field, uint32_t& size, bool& isText) {
  size = 0;
  isText = false;
  if (!m_recordset) return nullptr;
  try {
    const ado::Field& column = LocateField(*m_recordset, field, FieldsByName());
    const char* bytes = column.TextBytes(size);
    isText = column.IsText();
    return bytes;
  } catch (const ado::ComError& error) {
    ThrowFieldError(field, error);
  }
}

XString ODBCRecordReader::GetFieldText(DataAccessField* field) {
  if (!field) return XString();
  auto* handle = static_cast<ODBCField*>(field);
  // Text, the most common value, comes straight from the fetched row, without a Variant; so
  // does a NULL of a text column (the text of a NULL is empty).
  uint32_t size = 0;
  bool isText = false;
  if (const char* bytes = ReadTextBytes(handle, size, isText)) return XString(bytes, size);
  if (isText) return XString();
  Variant value = ReadValue(handle);
  if (value.Type() == ado::VT_BSTR) return value.TakeStr();
  return VariantToText(value);
}

XString ODBCRecordReader::GetFieldTrimmed(DataAccessField* field) {
  if (!field) return XString();
  auto* handle = static_cast<ODBCField*>(field);
  // Trimmed from the row's bytes: the value's text is made once, not copied and then edited.
  uint32_t size = 0;
  bool isText = false;
  if (const char* bytes = ReadTextBytes(handle, size, isText)) return TrimmedText(bytes, size);
  if (isText) return XString();  // NULL
  Variant value = ReadValue(handle);
  if (value.Type() == ado::VT_BSTR) return TrimmedText(value.GetStr().c_str(), value.GetStr().Length());
  // Numbers, dates and truth values are written without blanks at either end or tabs.
  return VariantToText(value);
}

XString ODBCRecordReader::GetFieldClean(DataAccessField* field) {
  // No field, or an XBase source, reads as empty text already.
  XString text = GetFieldTrimmed(field);
  text.Trim();
  if (HasLineBreak(text)) text = CleanLineBreaks(text);
  return text;
}

ByteBuffer ODBCRecordReader::GetFieldBytes(DataAccessField* handle) {
  ByteBuffer bytes;
  if (!handle) return bytes;
  auto* field = static_cast<ODBCField*>(handle);
  try {
    if (!m_recordset) return bytes;
    ado::Field& column = LocateField(*m_recordset, field, FieldsByName());
    int32_t size = column.ActualSize();
    Variant value = (column.Attributes() & ado::adFldLong) ? column.GetChunk(size) : column.Value();
    if (value.IsArray()) {
      const std::vector<uint8_t>& data = value.GetBytes();
      size_t count = size >= 0 && static_cast<size_t>(size) < data.size() ? static_cast<size_t>(size) : data.size();
      bytes.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(count));
    } else if (!value.IsNull()) {
      XString text = value.Type() == ado::VT_BSTR ? value.GetStr() : VariantToText(value);
      bytes.assign(text.c_str(), text.c_str() + text.Length());
    }
  } catch (...) {
    m_log.RunLogWrite(kLogVerboseDebug, XString("Could not read ByteArray Field value from ") + field->name);
    bytes.clear();
  }
  return bytes;
}

int32_t ODBCRecordReader::GetFieldDate(DataAccessField* field) {
  if (!field) return -1;
  Variant value = ReadValue(static_cast<ODBCField*>(field));
  if (value.Type() != ado::VT_DATE || value.GetDate() == 0.0) return -1;
  return XDateTime::FromOleDate(value.GetDate()).Date();
}

XDateTime ODBCRecordReader::GetFieldDateTime(DataAccessField* field) {
  if (!field) return XDateTime();
  Variant value = ReadValue(static_cast<ODBCField*>(field));
  if (value.Type() != ado::VT_DATE) return XDateTime();
  return XDateTime::FromOleDate(value.GetDate());
}

int32_t ODBCRecordReader::GetFieldTime(DataAccessField* field) {
  if (!field) return -1;
  Variant value = ReadValue(static_cast<ODBCField*>(field));
  if (value.Type() != ado::VT_DATE || value.GetDate() == 0.0) return -1;
  return XDateTime::FromOleDate(value.GetDate()).Time();
}

int32_t ODBCRecordReader::GetFieldInteger(DataAccessField* field) {
  if (!field) return 0;
  // Clamped to the 32-bit range, as the 64-bit read clamps reals.
  int64_t value = VariantToInteger(ReadValue(static_cast<ODBCField*>(field)));
  return static_cast<int32_t>(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
}

int64_t ODBCRecordReader::GetFieldLong(DataAccessField* field) {
  if (!field) return 0;
  return VariantToInteger(ReadValue(static_cast<ODBCField*>(field)));
}

float ODBCRecordReader::GetFieldFloat(DataAccessField* field) {
  if (!field) return 0.0f;
  return static_cast<float>(VariantToDouble(ReadValue(static_cast<ODBCField*>(field))));
}

double ODBCRecordReader::GetFieldDouble(DataAccessField* field) {
  if (!field) return 0.0;
  return VariantToDouble(ReadValue(static_cast<ODBCField*>(field)));
}

bool ODBCRecordReader::GetFieldBool(DataAccessField* field) {
  if (!field) return false;
  return VariantToBool(ReadValue(static_cast<ODBCField*>(field)));
}

XString ODBCRecordReader::GetFieldBoolText(DataAccessField* field) {
  if (!field) return XString();
  return XString(GetFieldBool(field) ? "1" : "0");
}

bool ODBCRecordReader::GetFieldIsNull(DataAccessField* field) {
  if (!field) return true;
  return ReadValue(static_cast<ODBCField*>(field)).Type() == ado::VT_NULL;
}

XString ODBCRecordReader::GetFieldZeroBlank(DataAccessField* field) {
  if (!field) return XString();
  XString text = GetFieldTrimmed(field);
  return text == "0" ? XString() : text;
}

XString ODBCRecordReader::GetFieldNABlank(DataAccessField* field) {
  if (!field) return XString();
  XString text = GetFieldTrimmed(field);
  return text == "N/A" ? XString() : text;
}

XString ODBCRecordReader::GetFieldCleanZeroBlank(DataAccessField* field) {
  if (!field) return XString();
  XString text = GetFieldClean(field);
  text.Trim();
  return text == "0" ? XString() : text;
}

int32_t ODBCRecordReader::GetFieldDate1900None(DataAccessField* field) {
  if (!field) return -1;
  int32_t day = GetFieldDate(field);
  return day == 109573 ? -1 : day;
}
