#include "engine/ODBCExpEngineBase.h"

void ODBCExpEngineBase::ShowValidateError(const XString& message, const XString& value) {
  if (m_owner != nullptr) {
    m_owner->ShowValidateError(message.c_str(), value.c_str());
    return;
  }
  LogRun(kLogDebug, XString("No Owner set in ODBCExpEngineBase.  Could not ShowValidateError: errMsg=") +
                        message + " value=" + value);
}

void ODBCExpEngineBase::BeginExtract(const XString& description, const XString& fileName) {
  StartTable(description, fileName);
  ClearColumns();
  ClearQuery();
}

void ODBCExpEngineBase::BeginAttendanceExtract(const XString& kind, int32_t firstReadable, int32_t lastReadable) {
  StartAttTable(kind, firstReadable, lastReadable);
  ClearColumns();
  ClearQuery();
}
