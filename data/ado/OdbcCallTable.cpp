#include "data/ado/OdbcCallTable.h"

#include <atomic>

#include "os/OsFileCalls.h"

namespace ado::odbc {
namespace {

const OdbcCalls kSystemCalls = {
    ::SQLAllocHandle,   ::SQLFreeHandle,   ::SQLFreeStmt,      ::SQLSetEnvAttr,    ::SQLSetConnectAttrW,
    ::SQLDriverConnectW, ::SQLConnectW,    ::SQLDisconnect,    ::SQLEndTran,       ::SQLGetInfoW,      ::SQLSetStmtAttrW,
    ::SQLGetStmtAttrW,  ::SQLExecDirectW,  ::SQLNumResultCols, ::SQLDescribeColW,  ::SQLColAttributeW,
    ::SQLBindCol,       ::SQLFetch,        ::SQLSetPos,        ::SQLGetData,       ::SQLGetDiagRecW};

std::atomic<const OdbcCalls*> g_calls{nullptr};

}  // namespace

const OdbcCalls& SystemOdbcCalls() { return kSystemCalls; }

const OdbcCalls& CurrentOdbcCalls() {
  const OdbcCalls* calls = g_calls.load(std::memory_order_acquire);
  if (calls != nullptr) return *calls;
  return os::FileCallsReplaced() ? AdmittingOdbcCalls() : kSystemCalls;
}

void UseOdbcCalls(const OdbcCalls* calls) { g_calls.store(calls, std::memory_order_release); }

}  // namespace ado::odbc
