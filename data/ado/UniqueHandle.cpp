#include "data/ado/UniqueHandle.h"

#include <type_traits>

#include "data/ado/OdbcCallTable.h"

namespace ado::odbc {

static_assert(std::is_same_v<SQLHANDLE, void*>, "an ODBC handle is a void*");
static_assert(std::is_same_v<SQLSMALLINT, int16_t> && std::is_same_v<SQLRETURN, int16_t>,
              "handle types and return codes are 16-bit");

UniqueHandle& UniqueHandle::operator=(UniqueHandle&& other) noexcept {
  if (this != &other) {
    Reset();
    m_type = other.m_type;
    m_handle = other.Release();
  }
  return *this;
}

int16_t UniqueHandle::Allocate(int16_t type, void* input) {
  Reset();
  SQLHANDLE handle = SQL_NULL_HANDLE;
  const SQLRETURN rc = SQLAllocHandle(type, input, &handle);
  if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
    m_type = type;
    m_handle = handle;
  }
  return rc;
}

int16_t UniqueHandle::Reset() {
  if (!m_handle) return SQL_SUCCESS;
  return SQLFreeHandle(m_type, Release());
}

void UniqueHandle::Reset(int16_t type, void* handle) {
  Reset();
  m_type = type;
  m_handle = handle;
}

}  // namespace ado::odbc
