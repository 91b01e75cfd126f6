// The raw ODBC calls of this layer, as one table. Every ODBC function that the layer calls
// goes through the table in use, under the function's own name in this namespace
// (odbc::SQLFetch and so on); by default that is the driver manager's own. A test puts a table
// of its own in its place to stand between the layer and the driver.
//
// While the file calls of the process are not the system's (os/OsFaults.h: a test's fault
// plan, or QV_FAULT in the environment), the layer uses the admitting table: each call but
// the diagnostics and the frees first asks os::AdmitCall(FaultKind::kOdbc, <function>), and a
// refused call returns SQL_ERROR with one diagnostic record of a lost link (SQLSTATE 08S01),
// as a driver would whose server went away. Otherwise the cost is one indirect call.
#pragma once

#ifdef _WIN32
#include <windows.h>  // MinGW's ODBC headers use the Windows types without declaring them
#endif

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace ado::odbc {

struct OdbcCalls {
  decltype(&::SQLAllocHandle) allocHandle;
  decltype(&::SQLFreeHandle) freeHandle;
  decltype(&::SQLFreeStmt) freeStmt;
  decltype(&::SQLSetEnvAttr) setEnvAttr;
  decltype(&::SQLSetConnectAttrW) setConnectAttr;
  decltype(&::SQLDriverConnectW) driverConnect;
  decltype(&::SQLConnectW) connect;
  decltype(&::SQLDisconnect) disconnect;
  decltype(&::SQLEndTran) endTran;
  decltype(&::SQLGetInfoW) getInfo;
  decltype(&::SQLSetStmtAttrW) setStmtAttr;
  decltype(&::SQLGetStmtAttrW) getStmtAttr;
  decltype(&::SQLExecDirectW) execDirect;
  decltype(&::SQLNumResultCols) numResultCols;
  decltype(&::SQLDescribeColW) describeCol;
  decltype(&::SQLColAttributeW) colAttribute;
  decltype(&::SQLBindCol) bindCol;
  decltype(&::SQLFetch) fetch;
  decltype(&::SQLSetPos) setPos;
  decltype(&::SQLGetData) getData;
  decltype(&::SQLGetDiagRecW) getDiagRec;
};

// The driver manager's calls.
const OdbcCalls& SystemOdbcCalls();
// The calls that ask the file calls in use first (see above).
const OdbcCalls& AdmittingOdbcCalls();

// The table in use: a test's, else the admitting one while the file calls are replaced, else
// the system's.
const OdbcCalls& CurrentOdbcCalls();
// Puts `calls` in use (nullptr: the choice above again). The table must outlive its use.
void UseOdbcCalls(const OdbcCalls* calls);

// The calls of the layer, by the names of the functions they stand for.
inline SQLRETURN SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
  return CurrentOdbcCalls().allocHandle(type, input, output);
}
inline SQLRETURN SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) { return CurrentOdbcCalls().freeHandle(type, handle); }
inline SQLRETURN SQLFreeStmt(SQLHSTMT stmt, SQLUSMALLINT option) { return CurrentOdbcCalls().freeStmt(stmt, option); }
inline SQLRETURN SQLSetEnvAttr(SQLHENV env, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return CurrentOdbcCalls().setEnvAttr(env, attribute, value, length);
}
inline SQLRETURN SQLSetConnectAttrW(SQLHDBC dbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return CurrentOdbcCalls().setConnectAttr(dbc, attribute, value, length);
}
inline SQLRETURN SQLDriverConnectW(SQLHDBC dbc, SQLHWND window, SQLWCHAR* in, SQLSMALLINT inLength, SQLWCHAR* out,
                                   SQLSMALLINT outMax, SQLSMALLINT* outLength, SQLUSMALLINT completion) {
  return CurrentOdbcCalls().driverConnect(dbc, window, in, inLength, out, outMax, outLength, completion);
}
inline SQLRETURN SQLConnectW(SQLHDBC dbc, SQLWCHAR* dsn, SQLSMALLINT dsnLength, SQLWCHAR* user,
                             SQLSMALLINT userLength, SQLWCHAR* password, SQLSMALLINT passwordLength) {
  return CurrentOdbcCalls().connect(dbc, dsn, dsnLength, user, userLength, password, passwordLength);
}
inline SQLRETURN SQLDisconnect(SQLHDBC dbc) { return CurrentOdbcCalls().disconnect(dbc); }
inline SQLRETURN SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
  return CurrentOdbcCalls().endTran(type, handle, completion);
}
inline SQLRETURN SQLGetInfoW(SQLHDBC dbc, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT max, SQLSMALLINT* length) {
  return CurrentOdbcCalls().getInfo(dbc, type, value, max, length);
}
inline SQLRETURN SQLSetStmtAttrW(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length) {
  return CurrentOdbcCalls().setStmtAttr(stmt, attribute, value, length);
}
inline SQLRETURN SQLGetStmtAttrW(SQLHSTMT stmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER max,
                                 SQLINTEGER* length) {
  return CurrentOdbcCalls().getStmtAttr(stmt, attribute, value, max, length);
}
inline SQLRETURN SQLExecDirectW(SQLHSTMT stmt, SQLWCHAR* text, SQLINTEGER length) {
  return CurrentOdbcCalls().execDirect(stmt, text, length);
}
inline SQLRETURN SQLNumResultCols(SQLHSTMT stmt, SQLSMALLINT* count) { return CurrentOdbcCalls().numResultCols(stmt, count); }
inline SQLRETURN SQLDescribeColW(SQLHSTMT stmt, SQLUSMALLINT number, SQLWCHAR* name, SQLSMALLINT max,
                                 SQLSMALLINT* nameLength, SQLSMALLINT* type, SQLULEN* size, SQLSMALLINT* digits,
                                 SQLSMALLINT* nullable) {
  return CurrentOdbcCalls().describeCol(stmt, number, name, max, nameLength, type, size, digits, nullable);
}
// The numeric attribute is an SQLLEN* in some driver managers' headers and an SQLPOINTER in
// others; the layer passes an SQLLEN's address, which converts to either.
inline SQLRETURN SQLColAttributeW(SQLHSTMT stmt, SQLUSMALLINT number, SQLUSMALLINT field, SQLPOINTER text,
                                  SQLSMALLINT max, SQLSMALLINT* length, SQLLEN* numeric) {
  return CurrentOdbcCalls().colAttribute(stmt, number, field, text, max, length, numeric);
}
inline SQLRETURN SQLBindCol(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT type, SQLPOINTER value, SQLLEN max,
                            SQLLEN* indicator) {
  return CurrentOdbcCalls().bindCol(stmt, number, type, value, max, indicator);
}
inline SQLRETURN SQLFetch(SQLHSTMT stmt) { return CurrentOdbcCalls().fetch(stmt); }
inline SQLRETURN SQLSetPos(SQLHSTMT stmt, SQLSETPOSIROW row, SQLUSMALLINT operation, SQLUSMALLINT lock) {
  return CurrentOdbcCalls().setPos(stmt, row, operation, lock);
}
inline SQLRETURN SQLGetData(SQLHSTMT stmt, SQLUSMALLINT number, SQLSMALLINT type, SQLPOINTER value, SQLLEN max,
                            SQLLEN* indicator) {
  return CurrentOdbcCalls().getData(stmt, number, type, value, max, indicator);
}
inline SQLRETURN SQLGetDiagRecW(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record, SQLWCHAR* state,
                                SQLINTEGER* native, SQLWCHAR* message, SQLSMALLINT max, SQLSMALLINT* length) {
  return CurrentOdbcCalls().getDiagRec(type, handle, record, state, native, message, max, length);
}

}  // namespace ado::odbc
