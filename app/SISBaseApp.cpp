#include "app/SISBaseApp.h"

#include "app/BridgeFolders.h"
#include "app/BridgeIdentity.h"
#include "foundation/XException.h"
#include "os/OsFiles.h"

bool SISBaseApp::HasLevelMarker(const XString& folder) {
  for (const char* name : {"proprietary.txt", "verbosedebug.txt", "debug.txt", "quiet.txt"}) {
    if (os::PathExists((folder + name).ToStd())) return true;
  }
  return false;
}

XString SISBaseApp::RunLogFileName() { return XString(bridge::kShortName) + "RunLog.txt"; }

XString SISBaseApp::RunLogTitle() {
  return XString(bridge::kTitle) + " " + bridge::kVersion + " Last Run Log";
}

SISBaseApp::SISBaseApp(const XString& runLogPath) {
  XString path = runLogPath.IsEmpty() ? BridgeFolders::RunLogFolder() + RunLogFileName() : runLogPath;
  m_runLog = std::make_unique<XLogFile>(RunLogTitle(), XFileSpec(path), kLogInfo);
  // The run log records errors; it never raises them.
  m_runLog->SetThrowLevel(kLogNone);
  m_runLog->Begin();

  m_prefs = std::make_unique<Prefs>();
  m_prefs->Load();
  m_runLog->Write(kLogInfo, "Loaded prefs.");

  m_runLog->SetWriteLevel(m_prefs->LogLevel());
  m_runLog->WriteFormat(kLogInfo, "Set Default Log Level: %s", LogLevelName(m_prefs->LogLevel()));
  // A marker file in the program folder overrides the preference, and the result is kept. Without
  // any marker the preference stands: reading "no marker" as Info would make the preference
  // meaningless, since every start would write Info back into it.
  if (HasLevelMarker(m_programFolder)) {
    m_runLog->SetWriteLevelFromFiles(m_programFolder, bridge::kVersion);
  }
  m_prefs->SetLogLevel(m_runLog->WriteLevel());
  m_runLog->WriteFormat(kLogInfo, "Set Log LevelFromFile: %s", LogLevelName(m_runLog->WriteLevel()));

  m_runLog->Write(kLogInfo, "Loading Qv Framework");
  m_bridgeDataFolder = BridgeFolders::BridgeDataFolder(*m_prefs, m_runLog.get());
  m_productDataFolder = BridgeFolders::ProductDataFolder();
  Framework().SetLog(m_runLog.get());
  Framework().LoadFramework(m_productDataFolder, m_bridgeDataFolder);
}

SISBaseApp::~SISBaseApp() {
  // Saving at exit must not throw out of a destructor: a failure is logged and the other
  // configuration is still saved.
  try {
    m_prefs->Save();
    m_runLog->Write(kLogInfo, "Saved prefs.");
  } catch (const std::exception& e) {
    m_runLog->WriteFormat(kLogError, "Error: %s", e.what());
  }
  try {
    Framework().SaveSiteConfiguration(m_bridgeDataFolder);
  } catch (const std::exception& e) {
    m_runLog->WriteFormat(kLogError, "Error: %s", e.what());
  }
  Framework().SetLog(nullptr);
}
