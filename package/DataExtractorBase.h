// Root of the extraction engine's class chain: holds the run log and the extract log that every
// layer above writes its diagnostics to.
#pragma once

#include <cstdint>

#include "foundation/ILog.h"
#include "foundation/XEngineLog.h"

class DataExtractorBase {
 public:
  DataExtractorBase() = default;
  virtual ~DataExtractorBase() = default;

  ILog* GetRunLog() const { return m_log.RunLog(); }
  void SetRunLog(ILog* log) { m_log.SetRunLog(log); }
  ILog* GetExtractLog() const { return m_log.ExtractLog(); }
  void SetExtractLog(ILog* log) { m_log.SetExtractLog(log); }

 protected:
  // The engine's logging rule over the two logs (extract log with run-log fallback).
  XEngineLog& EngineLog() { return m_log; }

 private:
  XEngineLog m_log;
};
