// The constants of the ADO object model that the data access relies on, with ADO's own
// numbers, so that code written against ADO reads the same over this ODBC layer.
#pragma once

#include <cstdint>

namespace ado {

// Connection and Recordset State.
enum ObjectState : int32_t { adStateClosed = 0, adStateOpen = 1 };

// Connection Mode. Over ODBC, adModeRead asks the driver for a read-only connection; the
// share modes have no ODBC counterpart and are kept only as the property's value.
enum ConnectMode : int32_t {
  adModeUnknown = 0,
  adModeRead = 1,
  adModeWrite = 2,
  adModeReadWrite = 3,
  adModeShareDenyRead = 4,
  adModeShareDenyWrite = 8,
  adModeShareExclusive = 12,
  adModeShareDenyNone = 16,
};

// Recordset CursorLocation, CursorType, LockType and the Open options.
enum CursorLocation : int32_t { adUseServer = 2, adUseClient = 3 };
enum CursorType : int32_t {
  adOpenUnspecified = -1,
  adOpenForwardOnly = 0,
  adOpenKeyset = 1,
  adOpenDynamic = 2,
  adOpenStatic = 3,
};
enum LockType : int32_t {
  adLockUnspecified = -1,
  adLockReadOnly = 1,
  adLockPessimistic = 2,
  adLockOptimistic = 3,
  adLockBatchOptimistic = 4,
};
enum CommandType : int32_t { adCmdUnspecified = -1, adCmdText = 1 };

// Field Type (DataTypeEnum).
enum DataType : int32_t {
  adEmpty = 0,
  adSmallInt = 2,
  adInteger = 3,
  adSingle = 4,
  adDouble = 5,
  adCurrency = 6,
  adDate = 7,
  adBSTR = 8,
  adBoolean = 11,
  adDecimal = 14,
  adTinyInt = 16,
  adUnsignedTinyInt = 17,
  adUnsignedSmallInt = 18,
  adUnsignedInt = 19,
  adBigInt = 20,
  adUnsignedBigInt = 21,
  adGUID = 72,
  adBinary = 128,
  adChar = 129,
  adWChar = 130,
  adNumeric = 131,
  adDBDate = 133,
  adDBTime = 134,
  adDBTimeStamp = 135,
  adVarChar = 200,
  adLongVarChar = 201,
  adVarWChar = 202,
  adLongVarWChar = 203,
  adVarBinary = 204,
  adLongVarBinary = 205,
};

// Field Attributes (FieldAttributeEnum), a bit set.
enum FieldAttribute : int32_t {
  adFldFixed = 0x10,
  adFldIsNullable = 0x20,
  adFldMayBeNull = 0x40,
  adFldLong = 0x80,
};

// Field Status (FieldStatusEnum): the values a field of a read-only client cursor can have.
enum FieldStatus : int32_t {
  adFieldOK = 0,
  adFieldCantConvertValue = 2,
  adFieldIsNull = 3,
  adFieldTruncated = 4,
  adFieldSignMismatch = 5,
  adFieldDataOverflow = 6,
  adFieldUnavailable = 8,
};

// The HRESULTs that ADO raises for the failures this layer reproduces.
constexpr int32_t kHresultFail = static_cast<int32_t>(0x80004005);            // E_FAIL
constexpr int32_t kHresultNoCurrentRecord = static_cast<int32_t>(0x800A0BCD);  // adErrNoCurrentRecord
constexpr int32_t kHresultObjectClosed = static_cast<int32_t>(0x800A0E78);     // adErrObjectClosed
constexpr int32_t kHresultItemNotFound = static_cast<int32_t>(0x800A0CC1);     // adErrItemNotFound
constexpr int32_t kHresultProviderNotFound = static_cast<int32_t>(0x800A0E7A); // adErrProviderNotFound

// The standard message of the HRESULTs this layer raises (what FormatMessage gives on Windows).
inline const char* HResultMeaning(int32_t hresult) {
  switch (static_cast<uint32_t>(hresult)) {
    case 0x80004005u: return "Unspecified error";
    case 0x800A0BCDu: return "Either BOF or EOF is True, or the current record has been deleted.";
    case 0x800A0E78u: return "Operation is not allowed when the object is closed.";
    case 0x800A0CC1u: return "Item cannot be found in the collection corresponding to the requested name or ordinal.";
    case 0x800A0E7Au: return "Provider cannot be found. It may not be properly installed.";
    default: return "Unknown error";
  }
}

}  // namespace ado
