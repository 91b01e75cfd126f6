// Internal to the ADO layer: the owner of one ODBC handle (an environment, a connection or a
// statement). It frees the handle with the call table's SQLFreeHandle (OdbcCallTable.h) when it
// is destroyed or reset, moves but never copies, and forgets the handle once it asked for it to
// be freed, whatever the driver manager answered: no handle is ever freed twice.
//
// The owner frees, nothing more: what must come first (closing a statement's cursor,
// disconnecting a connection) is its holder's to do before it resets the owner. The header
// names the handle as void* and its type as a short, as the ODBC headers do, so that the
// layer's public headers need not include them.
#pragma once

#include <cstdint>

namespace ado::odbc {

class UniqueHandle {
 public:
  UniqueHandle() = default;
  // Takes `handle` of `type` (SQL_HANDLE_ENV, SQL_HANDLE_DBC, SQL_HANDLE_STMT) into its care.
  UniqueHandle(int16_t type, void* handle) : m_type(type), m_handle(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : m_type(other.m_type), m_handle(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept;
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  // Allocates a handle of `type` on `input` (null for an environment, the environment for a
  // connection, the connection for a statement), freeing the one held first. Returns
  // SQLAllocHandle's result; the new handle is held only when it succeeded.
  int16_t Allocate(int16_t type, void* input);

  void* Get() const { return m_handle; }
  int16_t Type() const { return m_type; }
  explicit operator bool() const { return m_handle != nullptr; }

  // Gives the handle up without freeing it: the caller frees it now.
  void* Release() {
    void* handle = m_handle;
    m_handle = nullptr;
    return handle;
  }
  // Frees the handle held, if any, and holds none. Returns SQLFreeHandle's result
  // (SQL_SUCCESS when nothing was held).
  int16_t Reset();
  // Frees the handle held, then takes `handle` of `type`.
  void Reset(int16_t type, void* handle);

 private:
  int16_t m_type = 0;
  void* m_handle = nullptr;
};

}  // namespace ado::odbc
