#include "app/DistrictScheduler.h"

#include <string>

#include "app/BridgeIdentity.h"
#include "app/PasswordCodec.h"
#include "app/QvSchoolConf.h"
#include "app/QvSchoolConfDS.h"
#include "app/SISBaseApp.h"
#include "foundation/ILog.h"
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "os/OsFiles.h"
#include "os/OsScheduler.h"
#include "os/OsShellWord.h"
#include "os/OsText.h"

namespace {

constexpr const char* kCrlf = "\r\n";

// Text for a comment line: a line end inside a school's name must not start a line of its own,
// which the batch file or the shell would run.
std::string OneLine(const XString& text) {
  std::string line = text.ToStd();
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

// A value between double quotes in a batch file: cmd expands %name% even inside quotes, and a
// doubled percent sign reaches the program as one.
std::string BatchQuoted(const XString& value) {
  std::string quoted = "\"";
  for (char c : value.ToStd()) {
    quoted += c;
    if (c == '%') quoted += '%';
  }
  return quoted + "\"";
}

std::string ShellQuoted(const XString& text) { return os::ShellQuoted(text.ToStd()); }

XString SchoolLabel(const QvSchoolConf& school) {
  return XString("\"") + school.m_schoolName + "\" (School Number " + school.m_schoolNumber + ")";
}

bool CarriesLineEndOrQuote(const XString& value) {
  for (char c : value.ToStd()) {
    if (c == '"' || c == '\r' || c == '\n') return true;
  }
  return false;
}

void WriteWhole(const XString& path, const std::string& bytes) {
  XFile file;
  file.OpenReplacing(XFileSpec(path));
  file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  file.Commit();
}

}  // namespace

DistrictScheduler::DistrictScheduler(const QvSchoolConfDS& schools, const XString& storedDsn,
                                     const XString& storedUser, const XString& storedPassword,
                                     const XString& executable)
    : m_schools(schools),
      m_dsn(storedDsn),
      m_user(storedUser),
      m_password(storedPassword),
      m_executable(executable) {}

bool DistrictScheduler::HasUpdater() const {
  return os::PathExists(m_updaterPath.ToStd()) && !os::IsDirectory(m_updaterPath.ToStd());
}

XString DistrictScheduler::TaskName() {
  return XString("Velkstrom ") + bridge::kShortName + " District Extract";
}

std::vector<XString> DistrictScheduler::OlderTaskNames(const QvSchoolConfDS& schools) {
  std::vector<XString> names;
  for (const QvSchoolConf* school : schools) {
    for (const char* word : {"Quorvane", "Velkstrom"}) {
      const XString stem = XString(word) + " " + bridge::kShortName + " " + school->m_schoolName +
                           " (" + school->m_schoolNumber + ")";
      names.push_back(stem + " Extract");
      names.push_back(stem + " Attendance Extract");
    }
  }
  names.push_back(XString("Quorvane ") + bridge::kShortName + " District Extract");
  return names;
}

DistrictScheduler::Values DistrictScheduler::ValuesOf(const QvSchoolConf& school) const {
  Values values;
  values.dsn = school.m_dsn.IsEmpty() ? m_dsn : school.m_dsn;
  values.user = school.m_userName.IsEmpty() ? m_user : school.m_userName;
  values.encodedPassword =
      PasswordCodec::Encode(school.m_password.IsEmpty() ? m_password : school.m_password);
  values.folder = school.m_importFolder;
  values.number = school.m_schoolNumber;
  return values;
}

void DistrictScheduler::CheckSchools() const {
  if (m_schools.Count() == 0) {
    throw XException("There are no schools to schedule; add a school first.");
  }
  for (const QvSchoolConf* school : m_schools) {
    if (school->m_importFolder.IsEmpty()) {
      throw XException(XString("The school ") + SchoolLabel(*school) +
                       " has no import folder; choose one before scheduling.");
    }
    if (!os::IsDirectory(school->m_importFolder.ToStd())) {
      throw XException(XString("The import folder of the school ") + SchoolLabel(*school) +
                       " does not exist: " + school->m_importFolder);
    }
    const Values values = ValuesOf(*school);
    // The command line has no way to carry these inside a quoted value.
    for (const XString* value : {&values.dsn, &values.user, &values.folder, &values.number}) {
      if (CarriesLineEndOrQuote(*value)) {
        throw XException(XString("The school ") + SchoolLabel(*school) +
                         " has a DSN, user name, import folder or number with a double quote or"
                         " a line break, which a scheduled command line cannot carry.");
      }
    }
  }
}

namespace {

// One school's command line, every value quoted by `quoted` for the shell that reads it.
template <typename Values, typename Quote>
XString CommandLineWith(const XString& executable, const Values& values, Quote quoted) {
  std::string line = quoted(executable);
  line += " -d" + quoted(values.dsn);
  line += " -u" + quoted(values.user);
  line += " -z" + quoted(values.encodedPassword);
  line += " -p" + quoted(values.folder);
  line += " -n" + quoted(values.number);
  line += " -a" + quoted(XString("ad"));
  return XString(line);
}

}  // namespace

XString DistrictScheduler::CommandLineOf(const QvSchoolConf& school) const {
  return CommandLineWith(m_executable, ValuesOf(school), BatchQuoted);
}

XString DistrictScheduler::ShellCommandOf(const QvSchoolConf& school) const {
  return CommandLineWith(m_executable, ValuesOf(school), [](const XString& text) { return ShellQuoted(text); });
}

XString DistrictScheduler::BatchFileText() const {
  std::string text;
  text += std::string("REM District Scheduling") + kCrlf;
  text += std::string("REM Each line below is the command needed to extract the data from your SIS for "
                      "each of the listed schools.") + kCrlf;
  text += std::string(kCrlf) + kCrlf;
  for (const QvSchoolConf* school : m_schools) {
    text += "REM Extract Data for: " + OneLine(school->m_schoolName) + kCrlf + kCrlf;
    text += CommandLineOf(*school).ToStd() + kCrlf + kCrlf;
    text += "REM Information about this extract can be found in " + OneLine(school->m_importFolder) +
            bridge::kShortName + "ExtractLog.txt" + kCrlf;
    text += std::string(kCrlf) + kCrlf + kCrlf;
  }
  if (HasUpdater()) {
    text += std::string("REM Auto Schedule TVC Update Command") + kCrlf;
    text += m_updaterPath.ToStd() + kCrlf;
  }
  return XString(text);
}

XString DistrictScheduler::ShellScriptText(const XString& summaryPath) const {
  std::string text;
  text += "#!/bin/sh\n";
  text += "# District Scheduling\n";
  text += "# Each line below is the command needed to extract the data from your SIS for each of "
          "the listed schools.\n";
  text += "# After each extract its exit code (0: it succeeded) and the copy of its run log are\n";
  text += "# added to the summary file.\n\n";
  text += "summary=" + ShellQuoted(summaryPath) + "\n";
  text += "printf 'District extract of %s\\n' \"$(date '+%Y-%m-%d %H:%M:%S')\" >> \"$summary\"\n\n";
  const std::string runLog = SISBaseApp::RunLogFileName().ToStd();
  for (const QvSchoolConf* school : m_schools) {
    text += "# Extract Data for: " + OneLine(school->m_schoolName) + "\n\n";
    text += ShellCommandOf(*school).ToStd() + "\n";
    text += "printf '%s: exit %s, run log %s\\n' " +
            ShellQuoted(school->m_schoolNumber + " " + school->m_schoolName) + " \"$?\" " +
            ShellQuoted(school->m_importFolder + runLog.c_str()) + " >> \"$summary\"\n\n";
    text += "# Information about this extract can be found in " + OneLine(school->m_importFolder) +
            bridge::kShortName + "ExtractLog.txt\n\n\n";
  }
  return XString(text);
}

XString DistrictScheduler::ScriptPath(const XString& folder) {
  return folder + (os::kTasksRunBatchFiles ? kBatchFileName : kShellScriptName);
}

XString DistrictScheduler::Schedule(const XString& folder, const XString& account,
                                    const XString& password, ILog* log) const {
  CheckSchools();
  const XString path = ScriptPath(folder);
  try {
    if (os::kTasksRunBatchFiles) {
      WriteWhole(path, BatchFileText().ToStd());
    } else {
      WriteWhole(path, os::NarrowToUtf8(ShellScriptText(folder + kSummaryFileName).ToStd()));
      if (!os::MakeOwnerOnlyScript(path.ToStd())) {
        throw XException(XString("Could not make the script runnable: ") + path);
      }
    }
    for (const XString& name : OlderTaskNames(m_schools)) {
      os::DeleteScheduledTask(name.ToStd(), account.ToStd());
    }
    os::WeeklyTask task;
    task.application = path.ToStd();
    task.workingDirectory = folder.ToStd();
    task.account = account.ToStd();
    task.password = password.ToStd();
    task.days = os::kMondayToFriday;
    task.hour = 1;
    task.minute = 0;
    os::ScheduleWeeklyTask(TaskName().ToStd(), task);
  } catch (const os::SchedulerError& error) {
    throw XException(error.what());
  }
  if (log) log->Write(kLogInfo, (XString("Schedule: Scheduled ") + TaskName()).c_str());
  return ScheduledMessage(os::kTasksRunBatchFiles && HasUpdater());
}

bool DistrictScheduler::Unschedule(const XString& account) {
  try {
    return os::DeleteScheduledTask(TaskName().ToStd(), account.ToStd());
  } catch (const os::SchedulerError& error) {
    throw XException(error.what());
  }
}

XString DistrictScheduler::ScheduledMessage(bool withUpdater) {
  XString message("Export for District has been scheduled for 1:00 AM every school day.");
  if (withUpdater) {
    message += " Your Tallyvox Connect Update has also been scheduled to occur immediately following "
               "the extracts.";
  }
  return message;
}
