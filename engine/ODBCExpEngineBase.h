// The layer between the generic SIS data access and a SIS engine: it knows the window that
// owns the engine, so that a value rejected while settings are checked can be shown to the
// user, and falls back to the run log when the engine runs without a window. It also opens
// each extract of an engine on a clean slate.
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

  // Opens an extract: makes its table current (StartTable: description, file name, progress
  // text, header entry) and forgets the output columns and the query of the previous one.
  void BeginExtract(const XString& description, const XString& fileName);
  // The same for an attendance extract of a kind (StartAttTable), which can read back the
  // codes of the days from `firstReadable` to `lastReadable`.
  void BeginAttendanceExtract(const XString& kind, int32_t firstReadable, int32_t lastReadable);

 private:
  IValidateErrorDisplay* m_owner = nullptr;  // not owned
};
