// The steps that open and close every extraction: the package writer, the connection and the
// lines that frame the extract log.
#include "engine/ExpEngine.h"

#include "foundation/XDate.h"
#include "foundation/XFileSpec.h"
#include "foundation/XLog.h"
#include "os/OsSystem.h"

namespace {

// The folder of the running program, with its trailing separator.
XString ProgramFolder() {
  XFileSpec program(os::ExecutablePath().c_str());
  return program.FolderPath();
}

}  // namespace

XString ExpEngine::CurrentLogLevelName() const {
  const auto* log = dynamic_cast<const XLog*>(GetExtractLog());
  if (log == nullptr) log = dynamic_cast<const XLog*>(GetRunLog());
  return LogLevelName(log != nullptr ? log->WriteLevel() : kLogInfo);
}

void ExpEngine::StartRun(const ExtractSettings& settings) {
  XString connectionString = BuildStoredConnectionString();
  // Opens the extract log in the import folder; a changed bridge configuration cleans the
  // folder first.
  Begin(settings, GetRunLog());
  LogExtract(kLogInfo, XString("Update Date is: ") +
                           XDate::FormatDate(AttUpdateDate(), HeaderSettings().m_dateFormat.c_str()));
  Connect(connectionString);

  LogExtract(kLogInfo, XString("Current Log Level: ") + CurrentLogLevelName());
  LogExtract(kLogInfo, XString("Database backend: ") + GetDatabaseTypeName());
  LogExtract(kLogInfo, XString("App Directory: ") + ProgramFolder());
  LogExtract(kLogInfo, XString("School Number: ") + m_schoolNumber);
  LogExtract(kLogInfo, m_inactiveCutoff == -1 ? "Inactive: Active Only" : "Inactive: Active and Inactive");
}

void ExpEngine::EndRun() {
  LogRun(kLogInfo, "Finished Extraction");
  LogExtract(kLogDebug, "Finishing Import");
  LogExtract(kLogDebug, "Disconnecting");
  Disconnect();
  LogExtract(kLogDebug, "Saving Bridge Config");
  SaveSchoolConfig();
  LogExtract(kLogDebug, "Clearing Run Data");
  ClearRunData();
  LogExtract(kLogProgress, "Export complete.");
  EndProgress();
  LogExtract(kLogDebug, "End Extract Log");
  EndExtractLog();
  LogRun(kLogDebug, "Extract Log Ended");
  UnlockImportFolder();
}

void ExpEngine::WriteAttendanceFromStore() {
  CreateStudentDailyAttendanceFromDB();
  CreateStudentPeriodAttendanceFromDB();
}
