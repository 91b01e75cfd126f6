// The bridge layer of the application object: the bridge preferences, the run log and its
// level, and saving both configurations at exit.
#pragma once

#include <memory>

#include "app/Prefs.h"
#include "app/QvBaseApp.h"
#include "app/RunLogClaim.h"
#include "foundation/XLogFile.h"

class SISBaseApp : public QvBaseApp {
 public:
  // Opens the run log (in the run log folder, or at `runLogPath` when given; another file of
  // its series while another run writes that one, see RunLogClaim), loads the
  // preferences, sets the log level from them and from the marker files of the program folder,
  // and loads the site configuration.
  explicit SISBaseApp(const XString& runLogPath = XString());
  // Saves what SaveConfiguration saves, unless it was called.
  ~SISBaseApp() override;

  // Saves the preferences ("Saved prefs.") and the site configuration (not in a command-line
  // run whose site configuration could not be read), once. A save that fails is logged as an
  // Error line and the other is still made; false when either failed, so that a run whose
  // settings were not kept can end as failed.
  bool SaveConfiguration();
  // What the first failed save of SaveConfiguration said (empty when both were kept).
  const XString& SaveFailure() const { return m_saveFailure; }

  Prefs& Preferences() { return *m_prefs; }
  XLogFile& RunLog() { return *m_runLog; }

  // QvMeridaneRunLog.txt
  static XString RunLogFileName();
  static XString RunLogTitle();

 private:
  std::unique_ptr<RunLogClaim> m_runLogClaim;  // outlives the run log: held until the last line
  std::unique_ptr<XLogFile> m_runLog;
  std::unique_ptr<Prefs> m_prefs;
  bool m_saved = false;
  XString m_saveFailure;
};
