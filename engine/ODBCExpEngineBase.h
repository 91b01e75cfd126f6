// The layer between the generic SIS data access and a SIS engine: it knows the window that
// owns the engine, so that a value rejected while settings are checked can be shown to the
// user, and falls back to the run log when the engine runs without a window.
#pragma once

#include <cstdint>

#include "data/ODBCDataAccess.h"
#include "foundation/XString.h"

// What the owner window offers the engine: its display of a validation error (a message and
// the offending value).
class IValidateErrorDisplay {
 public:
  virtual ~IValidateErrorDisplay() = default;
  virtual void ShowValidateError(const char* message, const char* value) = 0;
};

class ODBCExpEngineBase : public ODBCDataAccess {
 public:
  explicit ODBCExpEngineBase(uint32_t accessOptions) : ODBCDataAccess(accessOptions) {}
  ~ODBCExpEngineBase() override = default;

  // Hands message and value to the owner window; without one logs to the run log at Debug.
  virtual void ShowValidateError(const XString& message, const XString& value);

  IValidateErrorDisplay* GetOwner() const { return m_owner; }
  void SetOwner(IValidateErrorDisplay* owner) { m_owner = owner; }

 private:
  IValidateErrorDisplay* m_owner = nullptr;  // not owned
};
