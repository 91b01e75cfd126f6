#include "app/DistrictScheduler.h"

#include <string>
#include <utility>

#include "app/BridgeIdentity.h"
#include "app/PasswordCodec.h"
#include "app/QvSchoolConf.h"
#include "app/QvSchoolConfDS.h"
#include "app/RunReport.h"
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

// Text for a REM line of a batch file. cmd expands percent signs before it sees REM (a "%~" there
// stops the whole file), and a caret at the end of a line joins the next line to the comment,
// which would skip the school's command line: percent signs are doubled (cmd shows one) and a
// closing caret is followed by a blank.
std::string BatchComment(const std::string& text) {
  std::string comment;
  for (char c : text) {
    comment += c;
    if (c == '%') comment += '%';
  }
  if (!comment.empty() && comment.back() == '^') comment += ' ';
  return os::NarrowToConsole(comment);
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

// True when an extraction could use the folder: it is a folder, or it does not exist yet and
// the nearest folder above it that does exist lets a folder be made in it (a run makes every
// missing level). The check makes and removes a folder of its own there, as that is the one
// test the system's permissions answer exactly.
bool RunCouldUse(const std::string& folder) {
  if (os::IsDirectory(folder)) return true;
  const std::string volume = os::VolumeOf(folder);
  if (volume.empty() || !os::IsDirectory(volume)) return false;
  std::string above = folder;
  while (!above.empty() && above.back() == os::kPathSeparator) above.pop_back();
  if (os::PathExists(above)) return false;  // a file, which no run replaces by a folder
  for (;;) {
    const size_t cut = above.rfind(os::kPathSeparator);
    if (cut == std::string::npos || cut + 1 < volume.size()) return false;
    above.erase(cut + 1 == volume.size() ? cut + 1 : cut);
    if (os::PathExists(above)) break;
  }
  if (!os::IsDirectory(above)) return false;
  if (above.back() != os::kPathSeparator) above += os::kPathSeparator;
  for (int n = 0; n < 100; ++n) {
    const std::string probe = above + "QvMeridane schedule check " + std::to_string(n);
    if (os::PathExists(probe)) continue;
    if (!os::CreateOneDirectory(probe)) return false;
    os::RemoveDirectoryTree(probe);
    return true;
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
  values.district = school.m_district;
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
    if (!RunCouldUse(school->m_importFolder.ToStd())) {
      throw XException(XString("The import folder of the school ") + SchoolLabel(*school) +
                       " does not exist: " + school->m_importFolder);
    }
    const Values values = ValuesOf(*school);
    // The command line has no way to carry these inside a quoted value.
    for (const XString* value :
         {&values.dsn, &values.user, &values.folder, &values.number, &values.district}) {
      if (CarriesLineEndOrQuote(*value)) {
        throw XException(XString("The school ") + SchoolLabel(*school) +
                         " has a DSN, user name, import folder, number or district with a double"
                         " quote or a line break, which a scheduled command line cannot carry.");
      }
    }
    if (os::kTasksRunBatchFiles) CheckConsoleText(*school);
  }
}

void DistrictScheduler::CheckConsoleText(const QvSchoolConf& school) const {
  // cmd.exe reads a batch file in the console code page: a value with a character that page
  // lacks would reach the program as some other text (another folder, another DSN).
  const XString page(os::ConsoleCodePageName());
  std::string unused;
  if (!os::NarrowToConsoleExact(m_executable.ToStd(), unused)) {
    throw XException(XString("The program's path has a character that the console code page ") + page +
                     " lacks, so a scheduled batch file could not start it: " + m_executable);
  }
  const Values values = ValuesOf(school);
  const std::pair<const char*, const XString*> named[] = {{"DSN", &values.dsn},
                                                          {"user name", &values.user},
                                                          {"import folder", &values.folder},
                                                          {"school number", &values.number},
                                                          {"district", &values.district}};
  for (const auto& [what, value] : named) {
    if (os::NarrowToConsoleExact(value->ToStd(), unused)) continue;
    throw XException(XString("The ") + what + " of the school " + SchoolLabel(school) +
                     " has a character that the console code page " + page +
                     " lacks, so a scheduled batch file could not hand it to the program as written: " +
                     *value);
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
  // Only for an entry under a district: the lines of the other schools stay as they were.
  if (!values.district.IsEmpty()) line += " -t" + quoted(values.district);
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

XString DistrictScheduler::BatchFileText(const XString& reportPath) const {
  std::string text;
  text += std::string("REM District Scheduling") + kCrlf;
  text += std::string("REM Each line below is the command needed to extract the data from your SIS for "
                      "each of the listed schools.") + kCrlf;
  text += std::string(kCrlf) + kCrlf;
  // In the console code page, as cmd.exe reads it: the command lines exactly (a school whose
  // values that page lacks is refused by name), the comments as near as the page allows.
  for (const QvSchoolConf* school : m_schools) {
    text += "REM Extract Data for: " + BatchComment(OneLine(school->m_schoolName)) + kCrlf + kCrlf;
    std::string line;
    if (!os::NarrowToConsoleExact(CommandLineOf(*school).ToStd(), line)) {
      CheckConsoleText(*school);
      throw XException(XString("The command line of the school ") + SchoolLabel(*school) +
                       " has a character that the console code page " + os::ConsoleCodePageName().c_str() +
                       " lacks.");
    }
    text += line + kCrlf + kCrlf;
    text += "REM Information about this extract can be found in " +
            BatchComment(OneLine(school->m_importFolder) + bridge::kShortName + "ExtractLog.txt") + kCrlf;
    text += std::string(kCrlf) + kCrlf + kCrlf;
  }
  if (HasUpdater()) {
    std::string updater;
    if (!os::NarrowToConsoleExact(m_updaterPath.ToStd(), updater)) {
      throw XException(XString("The updater's path has a character that the console code page ") +
                       os::ConsoleCodePageName().c_str() + " lacks: " + m_updaterPath);
    }
    text += std::string("REM Auto Schedule TVC Update Command") + kCrlf;
    text += updater + kCrlf;
  }
  if (!reportPath.IsEmpty()) {
    std::string line;
    if (!os::NarrowToConsoleExact(BatchQuoted(m_executable) + " --report " + BatchQuoted(reportPath), line)) {
      throw XException(XString("The report's path has a character that the console code page ") +
                       os::ConsoleCodePageName().c_str() + " lacks: " + reportPath);
    }
    text += std::string(kCrlf) + "REM The district's report of the last nights of every school" + kCrlf;
    text += line + kCrlf;
  }
  return XString(text);
}

XString DistrictScheduler::ShellScriptText(const XString& summaryPath, const XString& reportPath) const {
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
  if (!reportPath.IsEmpty()) {
    text += "# The district's report of the last nights of every school\n";
    text += ShellQuoted(m_executable) + " --report " + ShellQuoted(reportPath) + " >> \"$summary\" 2>&1\n";
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
      WriteWhole(path, BatchFileText(folder + RunReport::kFileName).ToStd());
    } else {
      WriteWhole(path, os::NarrowToUtf8(ShellScriptText(folder + kSummaryFileName, folder + RunReport::kFileName).ToStd()));
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
