// The package writer's part of a run: Begin (import folder, housekeeping of a changed bridge
// configuration, the extract log) and Finish (the school configuration, the header entries,
// the extract log).
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XLog.h"
#include "foundation/XLogFile.h"
#include "foundation/XProgress.h"
#include "package/QDEWriter.h"

void QDEWriter::Begin(const BridgeConfiguration& configuration, ILog* runLog) {
  m_context.SetRunLog(runLog);
  XEngineLog& log = m_context.EngineLog();
  log.RunLogWrite(kLogInfo, "Starting QDE Writer");
  m_importFolder.Set(configuration.m_importFolder);
  // The custom fields are those of this run's extracts: a column that a run drops (a field
  // missing from the SIS) must not be announced by the previous run's registration.
  m_customFields.DeleteAll();

  // The extract log of an earlier run must not receive this run's lines: the housekeeping
  // logs to the run log until the new extract log is open.
  EndExtractLog();
  m_tally = RunTally();
  m_attendanceInUpdate = 0;
  m_attendance.ResetFailure();
  // Nothing is written into the folder before the lock is held.
  if (!configuration.m_importFolder.IsEmpty()) {
    // A wait for another run is said once, where the progress shows its steps and in the run
    // log; while it lasts the progress display stays alive and its Cancel ends the wait.
    bool told = false;
    auto waiting = [&](const XString& started, const XString& process) {
      XProgress* progress = m_context.GetProgress();
      if (!told) {
        told = true;
        // The time first: a long folder path must not push it out of a caption.
        XString text = XString("Waiting for another run, started ") + started + " (process " + process +
                       "), to finish in the import folder " + configuration.m_importFolder + ".";
        log.RunLogWrite(kLogInfo, text.c_str());
        if (progress != nullptr) progress->ShowStepText(text.c_str());
      }
      if (progress != nullptr) {
        progress->Redraw();
        progress->CheckForStop();
      }
    };
    try {
      m_importFolder.Lock(m_context.Application().m_fileBaseName, waiting);
    } catch (const XException& e) {
      log.Error(kLogFatal, e.what());
    }
    m_importFolder.RemoveLeftovers();
  }
  // Compares "SchoolConfig.xml" with the configuration, logs the outcome and, when it
  // changed, cleans the import folder and forgets the attendance update date.
  m_importFolder.CheckBridgeConfiguration(configuration, m_context.Application().m_version);

  const QDEApplication& app = m_context.Application();
  XString title = app.m_fullName + " " + app.m_version + " Extract Log";
  // The extract log writes what the run log writes: the log level is the run's.
  auto* runLogLevels = dynamic_cast<XLog*>(runLog);
  int32_t level = runLogLevels != nullptr ? runLogLevels->WriteLevel() : kLogInfo;
  auto extractLog = std::make_unique<XLogFile>(
      title, m_importFolder.File(app.m_fileBaseName + "ExtractLog.txt"), level);
  extractLog->Begin();
  m_ownExtractLog = std::move(extractLog);
  m_context.SetExtractLog(m_ownExtractLog.get());
  log.ExtractLogWrite(kLogInfo, (XString("Import Folder: ") + m_importFolder.Spec().Path()).c_str());
}

void QDEWriter::Finish() {
  SaveSchoolConfig();
  DeleteHeaders();
  m_context.EngineLog().ExtractLogWrite(kLogInfo, "Export complete.");
  EndExtractLog();
  m_importFolder.Unlock();
}

void QDEWriter::AbandonRun() {
  m_tableFile.reset();
  AbandonUpdateFile();
  // Not committed, not kept: the next run records and sends these rows again.
  try {
    m_attendance.Store().Close();
  } catch (const XException&) {
    // Closing a connection whose last statement failed: its transaction is rolled back.
  }
  DeleteHeaders();
  EndExtractLog();
  m_importFolder.Unlock();
}

void QDEWriter::SaveSchoolConfig() {
  // The rows marked as sent become so only with a complete update file on the disk.
  if (m_attendance.MarksPending() || IsUpdating()) CompleteUpdateFile();
  m_importFolder.SaveSchoolConfig(m_context.Application().m_version);
}

void QDEWriter::EndExtractLog() {
  if (!m_ownExtractLog) return;
  if (m_context.GetExtractLog() == m_ownExtractLog.get()) m_context.SetExtractLog(nullptr);
  std::unique_ptr<XLogFile> extractLog = std::move(m_ownExtractLog);
  m_tally.extractLogWarnings += extractLog->WarningCount();
  extractLog->End();
}
