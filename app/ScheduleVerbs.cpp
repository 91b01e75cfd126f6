#include "app/ScheduleVerbs.h"

#include <exception>
#include <string>

#include "app/BridgeFolders.h"
#include "app/BridgeIdentity.h"
#include "app/DistrictScheduler.h"
#include "app/MainWindow.h"
#include "os/OsScheduler.h"
#include "os/OsSystem.h"
#include "os/OsText.h"

namespace {

void Say(std::FILE* to, const XString& text) {
  // Console text as the other verbs write it: the code page where the console reads it.
  const std::string line = os::kTasksRunBatchFiles ? text.ToStd() : os::NarrowToUtf8(text.ToStd());
  std::fprintf(to, "%s\n", line.c_str());
}

// The folder of the file the task runs: beside the site configuration, as the window's button
// writes it; the folder of an installed program is not the user's to write.
XString ScriptFolder(MainWindow& app) { return app.BridgeDataFolder(); }

}  // namespace

int ScheduleVerbs::Schedule(MainWindow& app, std::FILE* out, std::FILE* err) {
  try {
    // Saved first, as the button does: a refused schedule still keeps the settings.
    app.Preferences().Save();
    app.Framework().SaveSiteConfiguration(app.BridgeDataFolder());

    XString account;
    std::string password;
    if (os::kTasksRunBatchFiles) {
      account = XString(os::UserName());
      if (!os::ReadSecretLine(password)) password.clear();
    }
    Prefs& prefs = app.Preferences();
    DistrictScheduler scheduler(app.Framework().Schools(), prefs.Dsn(), prefs.UserName(),
                                prefs.Password(), XString(os::ExecutablePath()));
    const XString message =
        scheduler.Schedule(ScriptFolder(app), account, XString(password), &app.RunLog());
    Say(out, message);
    Say(out, XString("Scheduled file: ") + DistrictScheduler::ScriptPath(ScriptFolder(app)));
    return 0;
  } catch (const std::exception& error) {
    app.RunLog().WriteFormat(kLogError, "Error: %s", error.what());
    Say(err, XString(bridge::kShortName) + ": " + error.what());
    return 1;
  }
}

int ScheduleVerbs::Unschedule(MainWindow& app, std::FILE* out, std::FILE* err) {
  try {
    if (DistrictScheduler::Unschedule(XString())) {
      Say(out, XString("Removed the scheduled task \"") + DistrictScheduler::TaskName() + "\".");
    } else {
      Say(out, XString("No task \"") + DistrictScheduler::TaskName() + "\" was scheduled.");
    }
    return 0;
  } catch (const std::exception& error) {
    app.RunLog().WriteFormat(kLogError, "Error: %s", error.what());
    Say(err, XString(bridge::kShortName) + ": " + error.what());
    return 1;
  }
}
