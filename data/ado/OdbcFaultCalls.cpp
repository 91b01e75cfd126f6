// The admitting table of ODBC calls (OdbcCallTable.h): every call but the diagnostics and the
// frees asks the file calls in use first. A refused call is not made; it returns SQL_ERROR,
// and the diagnostics of its handle then read one record of a lost link until the next call
// that is made. Frees are never refused: a handle that is not freed would only leak.
#include <cstring>
#include <string>
#include <tuple>

#include "data/ado/OdbcCallTable.h"
#include "os/OsFileCalls.h"

namespace ado::odbc {
namespace {

const OdbcCalls& System() { return SystemOdbcCalls(); }

// The refused call of this thread whose diagnostics have not been replaced by a later call.
struct Refusal {
  SQLHANDLE handle = nullptr;
  std::u16string message;
};
thread_local Refusal t_refusal;

// True when the call may go ahead; otherwise remembers the refusal for the diagnostics of
// `handle` (the handle the caller reads them from).
bool Admit(const char* function, SQLHANDLE handle) {
  if (os::AdmitCall(os::FaultKind::kOdbc, function)) {
    t_refusal.handle = nullptr;
    return true;
  }
  t_refusal.handle = handle;
  const std::string text =
      std::string("[QvMeridane] Communication link failure: ") + function + " failed (a fault on purpose).";
  t_refusal.message.assign(text.begin(), text.end());
  return false;
}

SQLRETURN SQL_API AllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  if (!Admit("SQLAllocHandle", input)) return SQL_ERROR;
  return System().allocHandle(type, input, output);
}

SQLRETURN SQL_API FreeHandle(SQLSMALLINT type, SQLHANDLE handle) { return System().freeHandle(type, handle); }

SQLRETURN SQL_API FreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) { return System().freeStmt(stmt, option); }

SQLRETURN SQL_API SetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  if (!Admit("SQLSetEnvAttr", env)) return SQL_ERROR;
  return System().setEnvAttr(env, attribute, value, length);
}

SQLRETURN SQL_API SetConnectAttr(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  if (!Admit("SQLSetConnectAttrW", dbc)) return SQL_ERROR;
  return System().setConnectAttr(dbc, attribute, value, length);
}

SQLRETURN SQL_API DriverConnect(SQLHDBC dbc, SQLHWND window, SQLWCHAR* in, SQLSMALLINT inLength, SQLWCHAR* out,
                                SQLSMALLINT outMax, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  if (!Admit("SQLDriverConnectW", dbc)) return SQL_ERROR;
  return System().driverConnect(dbc, window, in, inLength, out, outMax, outLength, completion);
}

SQLRETURN SQL_API Connect(SQLHDBC dbc, SQLWCHAR* dsn, SQLSMALLINT dsnLength, SQLWCHAR* user, SQLSMALLINT userLength,
                          SQLWCHAR* password, SQLSMALLINT passwordLength) {
  if (!Admit("SQLConnectW", dbc)) return SQL_ERROR;
  return System().connect(dbc, dsn, dsnLength, user, userLength, password, passwordLength);
}

SQLRETURN SQL_API Disconnect(SQLHDBC dbc) {
  if (!Admit("SQLDisconnect", dbc)) return SQL_ERROR;
  return System().disconnect(dbc);
}

SQLRETURN SQL_API EndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  if (!Admit("SQLEndTran", handle)) return SQL_ERROR;
  return System().endTran(type, handle, completion);
}

SQLRETURN SQL_API GetInfo(SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max, SQLSMALLINT* length) {
  if (!Admit("SQLGetInfoW", dbc)) return SQL_ERROR;
  return System().getInfo(dbc, type, value, max, length);
}

SQLRETURN SQL_API SetStmtAttr(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  if (!Admit("SQLSetStmtAttrW", stmt)) return SQL_ERROR;
  return System().setStmtAttr(stmt, attribute, value, length);
}

SQLRETURN SQL_API GetStmtAttr(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER max,
                              SQLINTEGER* length) {
  if (!Admit("SQLGetStmtAttrW", stmt)) return SQL_ERROR;
  return System().getStmtAttr(stmt, attribute, value, max, length);
}

SQLRETURN SQL_API ExecDirect(SQLHSTMT stmt, SQLWCHAR* text, SQLINTEGER length) {
  if (!Admit("SQLExecDirectW", stmt)) return SQL_ERROR;
  return System().execDirect(stmt, text, length);
}

SQLRETURN SQL_API NumResultCols(SQLHSTMT stmt, SQLSMALLINT* count) {
  if (!Admit("SQLNumResultCols", stmt)) return SQL_ERROR;
  return System().numResultCols(stmt, count);
}

SQLRETURN SQL_API DescribeCol(SQLHSTMT stmt, SQLUSMALLINT number, SQLWCHAR* name, SQLSMALLINT max,
                              SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                              SQLSMALLINT* nullable) {
  if (!Admit("SQLDescribeColW", stmt)) return SQL_ERROR;
  return System().describeCol(stmt, number, name, max, nameLength, type, size, digits, nullable);
}

// The numeric attribute is an SQLLEN* in some driver managers' headers and an SQLPOINTER in
// others: the parameter takes the type of the table's member.
template <typename Numeric>
SQLRETURN SQL_API ColAttribute(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                               SQLSMALLINT max, SQLSMALLINT* length, Numeric numeric) {
  if (!Admit("SQLColAttributeW", stmt)) return SQL_ERROR;
  return System().colAttribute(stmt, number, field, text, max, length, numeric);
}

SQLRETURN SQL_API BindCol(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT type, SQLPOINTER value, SQLLEN max,
                          SQLLEN* indicator) {
  if (!Admit("SQLBindCol", stmt)) return SQL_ERROR;
  return System().bindCol(stmt, number, type, value, max, indicator);
}

SQLRETURN SQL_API Fetch(SQLHSTMT stmt) {
  if (!Admit("SQLFetch", stmt)) return SQL_ERROR;
  return System().fetch(stmt);
}

SQLRETURN SQL_API SetPos(SQLHSTMT stmt, SQLSETPOSIROW row, SQLUSMALLINT operation, SQLUSMALLINT lock) {
  if (!Admit("SQLSetPos", stmt)) return SQL_ERROR;
  return System().setPos(stmt, row, operation, lock);
}

SQLRETURN SQL_API GetData(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT type, SQLPOINTER value, SQLLEN max,
                          SQLLEN* indicator) {
  if (!Admit("SQLGetData", stmt)) return SQL_ERROR;
  return System().getData(stmt, number, type, value, max, indicator);
}

// The refused call's record for its handle; the driver's records otherwise.
SQLRETURN SQL_API GetDiagRec(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                             SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  if (t_refusal.handle == nullptr || handle != t_refusal.handle) {
    return System().getDiagRec(type, handle, record, state, native, message, max, length);
  }
  if (record != 1) return SQL_NO_DATA;
  static const char kState[] = "08S01";
  if (state != nullptr) {
    for (size_t i = 0; i < sizeof kState; ++i) state[i] = static_cast<SQLWCHAR>(kState[i]);
  }
  if (native != nullptr) *native = 0;
  const std::u16string& text = t_refusal.message;
  if (length != nullptr) *length = static_cast<SQLSMALLINT>(text.size());
  if (message == nullptr || max <= 0) return SQL_SUCCESS_WITH_INFO;
  const size_t units = text.size() < static_cast<size_t>(max) ? text.size() : static_cast<size_t>(max) - 1;
  std::memcpy(message, text.data(), units * sizeof(SQLWCHAR));
  message[units] = 0;
  return units < text.size() ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

template <typename Function> struct NumericOf;
template <typename R, typename... A> struct NumericOf<R(SQL_API*)(A...)> {
  using Type = std::tuple_element_t<sizeof...(A) - 1, std::tuple<A...>>;
};

const OdbcCalls kAdmittingCalls = {
    AllocHandle,   FreeHandle,          FreeStmt,          SetEnvAttr,
    SetConnectAttr, DriverConnect,      Connect,           Disconnect,        EndTran,
    GetInfo,       SetStmtAttr,         GetStmtAttr,       ExecDirect,
    NumResultCols, DescribeCol,         ColAttribute<NumericOf<decltype(OdbcCalls::colAttribute)>::Type>,
    BindCol,       Fetch,               SetPos,            GetData,
    GetDiagRec};

}  // namespace

const OdbcCalls& AdmittingOdbcCalls() { return kAdmittingCalls; }

}  // namespace ado::odbc
