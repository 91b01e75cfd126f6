// The steps that open and close every extraction: the connection settings and the connection,
// the package writer, and the lines that frame the extract log.
#include "engine/ExpEngine.h"

#include "foundation/XDate.h"
#include "foundation/XException.h"
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

void ExpEngine::StoreConnectionSettings(const char* dataSource, const char* userName,
                                        const char* password) {
  m_dataSourceName = dataSource;
  m_hasUserName = userName != nullptr;
  m_userName = userName;
  m_hasPassword = password != nullptr;
  m_password = password;
  m_data.Connection().SetDataSource(m_dataSourceName);
}

XString ExpEngine::BuildStoredConnectionString() {
  if (m_dataSourceName.IsEmpty()) {
    LogExtract(kLogError, kNoDataSourceMessage);
    throw XException(kNoDataSourceMessage);
  }
  XString dataSourceName = m_dataSourceName.Left(m_dataSourceName.Find(';'));
  dataSourceName.Trim();
  if (dataSourceName.IsEmpty()) {
    LogExtract(kLogError, kNoDataSourceBeforeDatabaseMessage);
    throw XException(kNoDataSourceBeforeDatabaseMessage);
  }
  // An absent user name or password differs from an empty one for some database types.
  XString text = m_data.Connection().BuildConnectionString(m_dataSourceName.c_str(),
                                                           m_hasUserName ? m_userName.c_str() : nullptr,
                                                           m_hasPassword ? m_password.c_str() : nullptr);
  for (const std::string& key : ODBCConnection::ValuesUnsafeInString(text)) {
    const char* value = key == "UID"   ? "The user name (option -u)"
                        : key == "PWD" ? "The password (option -w)"
                                       : "The data source (option -d)";
    XException error = XException::Format(0, kUnsafeConnectionValueMessage, value);
    LogExtract(kLogError, error.Text());
    throw error;
  }
  return text;
}

void ExpEngine::ConnectToSIS() { m_data.Connect(BuildStoredConnectionString()); }

XString ExpEngine::CurrentLogLevelName() const {
  const auto* log = dynamic_cast<const XLog*>(m_context.GetExtractLog());
  if (log == nullptr) log = dynamic_cast<const XLog*>(m_context.GetRunLog());
  return LogLevelName(log != nullptr ? log->WriteLevel() : kLogInfo);
}

void ExpEngine::StartRun(const ExtractSettings& settings) {
  XString connectionString = BuildStoredConnectionString();
  // Opens the extract log in the import folder; a changed bridge configuration cleans the
  // folder first.
  m_writer.Begin(settings, m_context.GetRunLog());
  LogExtract(kLogInfo, XString("Update Date is: ") + XDate::FormatDate(m_writer.Attendance().UpdateDate(),
                                                                       m_writer.HeaderSettings().m_dateFormat.c_str()));
  m_data.Connect(connectionString);

  LogExtract(kLogInfo, XString("Current Log Level: ") + CurrentLogLevelName());
  LogExtract(kLogInfo, XString("Database backend: ") + m_data.Connection().GetDatabaseTypeName());
  LogExtract(kLogInfo, XString("App Directory: ") + ProgramFolder());
  LogExtract(kLogInfo, XString("School Number: ") + m_pattern.Run().schoolNumber);
  LogExtract(kLogInfo, m_pattern.Run().inactiveCutoff == -1 ? "Inactive: Active Only" : "Inactive: Active and Inactive");
}

void ExpEngine::EndRun() {
  XEngineLog& log = m_context.EngineLog();
  log.RunLogWrite(kLogInfo, "Finished Extraction");
  LogExtract(kLogDebug, "Finishing Import");
  LogExtract(kLogDebug, "Disconnecting");
  m_data.Disconnect();
  LogExtract(kLogDebug, "Saving Bridge Config");
  m_writer.SaveSchoolConfig();
  LogExtract(kLogDebug, "Clearing Run Data");
  m_table.ClearColumns();
  m_writer.DeleteHeaders();
  LogExtract(kLogProgress, "Export complete.");
  m_context.EndProgress();
  LogExtract(kLogDebug, "End Extract Log");
  m_writer.EndExtractLog();
  log.RunLogWrite(kLogDebug, "Extract Log Ended");
  m_writer.Folder().Unlock();
}
