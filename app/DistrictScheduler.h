// Unattended extraction of every school of the site configuration: a file with one command line
// per school, in the form a command-line run reads, and one scheduled task that runs the file
// at 1:00 AM every school day (Monday to Friday).
//
// Both files are written beside the site configuration (the bridge data folder), which the
// user can write, unlike the folder of an installed program. Windows: "DistrictScheduling.bat",
// in the console code page that cmd.exe reads it in, run by a Task Scheduler task under the
// Windows account the user names; when the Tallyvox Connect updater is installed its update
// command follows the extracts. POSIX: "DistrictScheduling.sh", run by a line of the invoking
// user's crontab; each school's exit code and the
// copy of its run log are appended to "DistrictSchedulingSummary.txt" beside the script, so a
// failed school is visible the next morning. After the last school both files write the
// district's report page (RunReport.h) beside the site configuration.
#pragma once

#include <vector>

#include "foundation/XString.h"

class ILog;
class QvSchoolConf;
class QvSchoolConfDS;

class DistrictScheduler {
 public:
  static constexpr const char* kBatchFileName = "DistrictScheduling.bat";
  static constexpr const char* kShellScriptName = "DistrictScheduling.sh";
  static constexpr const char* kSummaryFileName = "DistrictSchedulingSummary.txt";
  static constexpr const char* kUpdaterPath =
      "C:\\Program Files\\Velkstrom Software\\Tallyvox Connect\\tvc_update.exe";

  // The stored connection values stand in for those an entry lacks. `executable` is the program
  // each line starts (the running one).
  DistrictScheduler(const QvSchoolConfDS& schools, const XString& storedDsn,
                    const XString& storedUser, const XString& storedPassword,
                    const XString& executable);

  // Where the updater would be; tests point it elsewhere.
  void SetUpdaterPath(const XString& path) { m_updaterPath = path; }
  bool HasUpdater() const;

  // "Velkstrom QvMeridane District Extract".
  static XString TaskName();
  // The names of the tasks earlier versions created: the district task, and per school one
  // extract and one attendance task under either family word.
  static std::vector<XString> OlderTaskNames(const QvSchoolConfDS& schools);

  // Every school must have an import folder that exists or that a run could create (the
  // nearest existing folder above it lets a folder be made), and values a command line can
  // carry (on Windows: in the console code page too); otherwise throws XException naming the
  // first school that does not.
  void CheckSchools() const;

  // One school's command line: the batch form (values in double quotes) and the sh form
  // (every argument quoted for sh). An entry under a district gets -t with it; the others'
  // lines carry no -t.
  XString CommandLineOf(const QvSchoolConf& school) const;
  XString ShellCommandOf(const QvSchoolConf& school) const;

  // The files' complete texts: the batch file in the console code page (throws XException
  // naming the school whose command line that page cannot carry), the script in the narrow
  // code page (it is written as UTF-8, as the shell hands arguments over).
  // After the schools (and the updater), a non-empty `reportPath` adds the line that writes
  // the district's report page there (--report).
  XString BatchFileText(const XString& reportPath = XString()) const;
  XString ShellScriptText(const XString& summaryPath, const XString& reportPath = XString()) const;

  // The whole scheduling after the account is known: checks the schools, writes the file of
  // this platform into `folder` (replacing it), removes the older tasks and registers the
  // task. Returns the message for the person who scheduled; throws XException with the
  // failing step's text, leaving the file as written.
  XString Schedule(const XString& folder, const XString& account, const XString& password,
                   ILog* log) const;
  // Removes the task; false when there was none.
  static bool Unschedule(const XString& account);

  // The message after scheduling, with the updater's sentence when it is installed.
  static XString ScheduledMessage(bool withUpdater);

  // The path of the file written by Schedule into `folder`.
  static XString ScriptPath(const XString& folder);

 private:
  struct Values {
    XString dsn, user, encodedPassword, folder, number, district;
  };
  Values ValuesOf(const QvSchoolConf& school) const;
  // Throws XException naming the value of the school's line that the console code page lacks.
  void CheckConsoleText(const QvSchoolConf& school) const;

  const QvSchoolConfDS& m_schools;
  XString m_dsn;
  XString m_user;
  XString m_password;
  XString m_executable;
  XString m_updaterPath = kUpdaterPath;
};
