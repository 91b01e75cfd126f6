#include "app/SISBaseApp.h"

#include "app/BridgeFolders.h"
#include "app/BridgeIdentity.h"
#include "foundation/XException.h"

XString SISBaseApp::RunLogFileName() { return XString(bridge::kShortName) + "RunLog.txt"; }

XString SISBaseApp::RunLogTitle() {
  return XString(bridge::kTitle) + " " + bridge::kVersion + " Last Run Log";
}

SISBaseApp::SISBaseApp(const XString& runLogPath) {
  XString path = runLogPath.IsEmpty() ? BridgeFolders::RunLogFolder() + RunLogFileName() : runLogPath;
  // Another run may be writing the run log at this moment: this one then writes its own file.
  m_runLogClaim = std::make_unique<RunLogClaim>(path);
  m_runLog = std::make_unique<XLogFile>(RunLogTitle(), XFileSpec(m_runLogClaim->Path()), kLogInfo);
  // The run log records errors; it never raises them.
  m_runLog->SetThrowLevel(kLogNone);
  m_runLog->Begin();
  if (m_runLogClaim->TookAnother()) {
    m_runLog->WriteFormat(kLogWarning, "The run log %s is in use by another run; this run writes %s.", path.c_str(),
                          m_runLogClaim->Path().c_str());
  }

  m_prefs = std::make_unique<Prefs>();
  m_prefs->Load();
  m_runLog->Write(kLogInfo, "Loaded prefs.");

  m_runLog->SetWriteLevel(m_prefs->LogLevel());
  m_runLog->WriteFormat(kLogInfo, "Set Default Log Level: %s", LogLevelName(m_prefs->LogLevel()));
  // The marker files of the program folder decide, and no marker means Info; the result is
  // written back. So removing "quiet.txt" makes the next start write again.
  m_runLog->SetWriteLevelFromFiles(m_programFolder, bridge::kVersion);
  m_prefs->SetLogLevel(m_runLog->WriteLevel());
  m_runLog->WriteFormat(kLogInfo, "Set Log LevelFromFile: %s", LogLevelName(m_runLog->WriteLevel()));

  m_runLog->Write(kLogInfo, "Loading Qv Framework");
  try {
    m_bridgeDataFolder = BridgeFolders::BridgeDataFolder(*m_prefs, m_runLog.get());
    m_productDataFolder = BridgeFolders::ProductDataFolder();
  } catch (const std::exception& e) {
    // A data folder that cannot be had (a preference naming a path the code page cannot hold,
    // a folder that cannot be created) ends the start; the run log says why.
    m_runLog->WriteFormat(kLogError, "Error: %s", e.what());
    throw;
  }
  Framework().SetLog(m_runLog.get());
  Framework().LoadFramework(m_productDataFolder, m_bridgeDataFolder);
}

bool SISBaseApp::SaveConfiguration() {
  if (m_saved) return true;
  m_saved = true;
  bool saved = true;
  try {
    m_prefs->Save();
    m_runLog->Write(kLogInfo, "Saved prefs.");
  } catch (const std::exception& e) {
    m_runLog->WriteFormat(kLogError, "Error: %s", e.what());
    m_saveFailure = e.what();
    saved = false;
  }
  if (CommandLineMode() && !Framework().UnreadableConfiguration().IsEmpty()) {
    // The list is empty only because the file could not be read: saving it would replace the
    // site's schools with nothing, and the next school of a batch would fail without a cause.
    m_runLog->Write(kLogError, "Site configuration not saved: it could not be read at start.");
  } else {
    try {
      Framework().SaveSiteConfiguration(m_bridgeDataFolder);
    } catch (const std::exception& e) {
      m_runLog->WriteFormat(kLogError, "Error: %s", e.what());
      if (m_saveFailure.IsEmpty()) m_saveFailure = e.what();
      saved = false;
    }
  }
  return saved;
}

SISBaseApp::~SISBaseApp() {
  // Saving at exit must not throw out of a destructor.
  SaveConfiguration();
  Framework().SetLog(nullptr);
}
