#include "data/ado/OdbcCall.h"

#include <vector>

#include "data/ado/AdoTypes.h"
#include "os/OsText.h"

namespace ado::odbc {

Errors ReadDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle, const char* function) {
  Errors errors;
  if (!handle) return errors;
  std::vector<SQLWCHAR> message(1024);
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = odbc::SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                  static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      // The message did not fit: ask again for the same record with room for all of it.
      message.resize(static_cast<size_t>(length) + 1);
      rc = odbc::SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                          static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(rc)) break;
    Error error;
    error.number = kHresultFail;
    error.sqlState = ToNarrow(state, 5);
    error.nativeError = native;
    size_t units = length < 0 ? 0 : static_cast<size_t>(length);
    if (units >= message.size()) units = message.size() - 1;
    error.description = ToNarrow(message.data(), units);
    error.source = function;
    errors.push_back(std::move(error));
  }
  return errors;
}

ComError MakeError(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* function) {
  Errors errors = rc == SQL_INVALID_HANDLE ? Errors() : ReadDiagnostics(handleType, handle, function);
  XString description;
  if (rc == SQL_INVALID_HANDLE) {
    description.Format(256, "%s was given an invalid handle.", function);
  } else if (rc == SQL_NO_DATA) {
    description.Format(256, "%s returned no data.", function);
  } else if (rc == SQL_NEED_DATA || rc == SQL_STILL_EXECUTING) {
    description.Format(256, "%s returned the unexpected code %d.", function, static_cast<int>(rc));
  } else if (errors.empty()) {
    description.Format(256, "%s failed without a diagnostic record.", function);
  }
  return ComError(kHresultFail, function, description, std::move(errors));
}

std::u16string ToWide(const XString& text) { return os::NarrowToWide(text.ToStd()); }

void AppendNarrow(std::string& out, const char16_t* wide, size_t units) {
  size_t i = 0;
  while (i < units && wide[i] < 0x80) ++i;
  out.reserve(out.size() + units);
  for (size_t k = 0; k < i; ++k) out.push_back(static_cast<char>(wide[k]));
  if (i < units) out += os::WideToNarrow(std::u16string(wide + i, units - i));
}

XString ToNarrow(const SQLWCHAR* wide, size_t units) {
  std::string out;
  AppendNarrow(out, reinterpret_cast<const char16_t*>(wide), units);
  return XString(out);
}

}  // namespace ado::odbc
