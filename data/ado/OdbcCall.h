// Internal to the ADO layer: the ODBC headers, the table the calls go through (odbc::SQL...,
// OdbcCallTable.h), and the one place where ODBC return codes are checked. Every call goes through Check, which turns a failure into a ComError carrying the
// handle's diagnostic records (SQLSTATE, native code, message).
//
// Only the wide ("W") entry points are used for calls that take text: the "A" entry points of
// Wine's odbc32 are not implemented and end the process.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <string>

#include "data/ado/ComError.h"
#include "data/ado/OdbcCallTable.h"

namespace ado::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "ODBC wide characters must be UTF-16");

// The handle's diagnostic records, each tagged with the failing function's name.
Errors ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const char* function);

// A ComError for a failed call: E_FAIL with the diagnostics, or a text of its own when the
// driver left none (an invalid handle, a driver manager without diagnostics).
ComError MakeError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* function);

inline bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

// Returns rc when it is SQL_SUCCESS, SQL_SUCCESS_WITH_INFO or (only when noDataIsValid)
// SQL_NO_DATA; throws the call's ComError otherwise.
inline SQLRETURN Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* function,
                       bool noDataIsValid = false) {
  if (Succeeded(rc) || (noDataIsValid && rc == SQL_NO_DATA)) return rc;
  throw MakeError(rc, handleType, handle, function);
}

// UTF-16 for the W entry points, from narrow code-page text.
std::u16string ToWide(const XString& text);
inline SQLWCHAR* WidePtr(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

// Appends UTF-16 text to narrow code-page bytes; plain ASCII, the common case, is copied
// without a converter round trip.
void AppendNarrow(std::string& out, const char16_t* wide, size_t units);
XString ToNarrow(const SQLWCHAR* wide, size_t units);

}  // namespace ado::odbc
