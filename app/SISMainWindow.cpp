#include "app/SISMainWindow.h"

#include <string>

#include "app/BridgeIdentity.h"
#include "app/QvSchoolConf.h"
#include "app/RunHistory.h"
#include "foundation/XCLIProgress.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XFileSpec.h"
#include "os/OsFiles.h"
#include "os/OsTime.h"
#include "package/QDEApplication.h"

namespace {

const char* YesNo(bool value) { return value ? "Yes" : "No"; }

}  // namespace

SISMainWindow::SISMainWindow(const XString& runLogPath) : SISBaseApp(runLogPath) {
  RunLog().Write(kLogInfo, "Creating ExpEngine.");
  try {
    m_engine = std::make_unique<ExpEngine>(this);
  } catch (const std::exception& e) {
    // The run log is open by now: the failure belongs in it, as every later one does.
    RunLog().WriteFormat(kLogError, "Error: %s", e.what());
    throw;
  }
  m_engine->Context().SetRunLog(&RunLog());
  QDEApplication& identity = m_engine->Context().Application();
  identity.m_fullName = bridge::kTitle;
  identity.m_version = bridge::kVersion;
  identity.m_creatorId = bridge::kIdentifier;
  identity.m_fileBaseName = bridge::kShortName;
  identity.m_maker = bridge::kMaker;
  identity.m_buildDate = QDEApplication::DateFromCompiler(__DATE__);
}

SISMainWindow::~SISMainWindow() = default;

QvSchoolConf* SISMainWindow::CurrentSchool() {
  int32_t nth = Preferences().SchoolNth();
  QvSchoolConfDS& schools = Framework().Schools();
  return nth >= 0 && static_cast<uint32_t>(nth) < schools.Count() ? schools.At(static_cast<uint32_t>(nth)) : nullptr;
}

void SISMainWindow::ShowValidateError(const char* message, const char* value) {
  RunLog().WriteFormat(kLogWarning, "%s %s", message ? message : "", value ? value : "");
}

bool SISMainWindow::ProcessCommandLine(const CommandLine& commandLine) {
  XLogFile& log = RunLog();
  m_runSchool = nullptr;
  m_copyFolder = XString();
  m_failureReason = XString();
  m_failureLine = XString();
  BeginRunRecord();
  m_recordNumber = commandLine.GetOption('n', "");
  m_recordDistrict = commandLine.GetOption('t', "");
  try {
    SetCommandLineMode(true);
    log.Write(kLogInfo, "Running via the command line.");
    log.WriteFormat(kLogInfo, "Processing Command Line: %s", commandLine.MaskedText().c_str());
    for (const XString& warning : commandLine.Warnings()) log.Write(kLogWarning, warning);
    commandLine.RequireRepresentable();
    CommandLineOptions options(commandLine);
    const XString& unreadable = Framework().UnreadableConfiguration();
    if (!unreadable.IsEmpty()) Fail("The site configuration could not be read.", unreadable);
    QvSchoolConf* entry = nullptr;
    ApplyOptions(options, entry);
    log.Write(kLogInfo, "End Command Line Processing, ready to Execute.");
    Execute(*entry);
    log.Write(kLogInfo, "Returned from Execute.");
    EndRunRecord(nullptr);
    CopyRunLog();
    return true;
  } catch (const std::exception& e) {
    log.WriteFormat(kLogError, "Error: %s", e.what());
    if (!m_failureReason.IsEmpty()) log.Write(kLogError, m_failureReason);
    EndRunRecord(e.what());
    CopyRunLog();
    XString line = XString(bridge::kShortName) + ": " + e.what();
    if (!m_failureReason.IsEmpty()) line += XString(" ") + m_failureReason;
    line += XString(" Run log: ") + log.Path().Path();
    if (!m_runLogCopy.IsEmpty()) line += XString(" (copy: ") + m_runLogCopy + ")";
    // One line, whatever the driver's text held.
    std::string flat = line.ToStd();
    for (char& c : flat) {
      if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    m_failureLine = XString(flat);
    if (CommandLineMode() && !m_runLogCopy.IsEmpty()) ShowRunLogCopy();
    return false;
  }
}

void SISMainWindow::Fail(const XString& error, const XString& reason) {
  m_failureReason = reason;
  throw XException(error);
}

QvSchoolConf& SISMainWindow::FindSchool(const XString& schoolNumber, const XString& district) {
  QvSchoolConfDS& schools = Framework().Schools();
  QvSchoolConf* found = schools.Find(schoolNumber, district);
  if (found) {
    int sharing = 0;
    for (const QvSchoolConf* school : schools) {
      sharing += school->m_schoolNumber == schoolNumber && school->m_district == district;
    }
    if (sharing > 1) {
      const XString under = district.IsEmpty() ? XString("an empty District")
                                               : XString("the District \"") + district + "\"";
      RunLog().WriteFormat(kLogWarning,
                           "%d entries of the site configuration have the School Number \"%s\" and %s; "
                           "the run takes the first: \"%s\" (import folder \"%s\").",
                           sharing, schoolNumber.c_str(), under.c_str(), found->m_schoolName.c_str(),
                           found->m_importFolder.c_str());
    }
    return *found;
  }
  XString error;
  error.Format(static_cast<uint32_t>(schoolNumber.Length() + district.Length() + 128),
               "No school in the site configuration has the School Number \"%s\" and the District \"%s\".",
               schoolNumber.c_str(), district.c_str());
  for (const QvSchoolConf* school : schools) {
    if (school->m_schoolNumber != schoolNumber) continue;
    XString reason;
    reason.Format(static_cast<uint32_t>(schoolNumber.Length() + school->m_district.Length() + 160),
                  "The School Number \"%s\" is there under the District \"%s\"; name that district "
                  "with -t.",
                  schoolNumber.c_str(), school->m_district.c_str());
    Fail(error, reason);
  }
  Fail(error, XString());
}

void SISMainWindow::ShowRunLogCopy() {
  // A failure to open the copy changes nothing: the run has already failed and been logged.
  try {
    XFileSpec(m_runLogCopy).Run();
  } catch (const std::exception&) {
  }
}

void SISMainWindow::ApplyOptions(const CommandLineOptions& options, QvSchoolConf*& entry) {
  XLogFile& log = RunLog();
  Prefs& prefs = Preferences();

  XString user = options.UserName(prefs.UserName());
  log.Write(kLogInfo, user.IsEmpty() ? "Username is blank." : "Username: Not blank (not displayed here)");
  XString password = options.Password(prefs.Password());
  log.Write(kLogInfo, password.IsEmpty() ? "Password is blank." : "Password: Not blank (not displayed here)");
  XString dsn = options.Dsn(prefs.Dsn());
  if (dsn.IsEmpty()) {
    log.Write(kLogInfo, "DSN is blank.");
    throw XException(ExpEngine::kNoDataSourceMessage);
  } else {
    log.WriteFormat(kLogInfo, "DSN:\"%s\"", dsn.c_str());
  }

  // The school and its import folder come before the connection test: the run log's copy goes
  // only into the folder of the school that runs, once that folder has passed its check, and a
  // night whose connection fails must still leave its log there.
  XString schoolNumber = options.SchoolNumber();
  log.WriteFormat(kLogInfo, "School Number: \"%s\"", schoolNumber.c_str());
  const XString district = options.District();
  if (!district.IsEmpty()) log.WriteFormat(kLogInfo, "District: \"%s\"", district.c_str());
  entry = &FindSchool(schoolNumber, district);
  m_runSchool = entry;

  // The entry keeps a folder only once it has passed: the site configuration is saved with it.
  XString folder = options.ImportFolder(entry->m_importFolder);
  if (folder.IsEmpty()) {
    throw XException::Format(0, "Import Folder is not set for school %s", schoolNumber.c_str());
  }
  if (!m_engine->Writer().Folder().Validate(folder)) {
    Fail(XString("Import Folder does not exist: ") + folder, m_engine->Writer().Folder().Failure());
  }
  entry->m_importFolder = folder;
  m_copyFolder = folder;
  log.WriteFormat(kLogInfo, "QDE Folder: \"%s\"", folder.c_str());

  const Validation connection = m_engine->ValidateConnection(dsn, user, password);
  if (!connection) {
    XString error;
    error.Format(256, "Error connecting to %s Database, please check your information.", bridge::kTitle);
    Fail(error, connection.Failure());
  }

  const Validation school = m_engine->ValidateSchoolNumber(dsn, user, password, schoolNumber);
  if (!school) {
    XString error;
    error.Format(static_cast<uint32_t>(schoolNumber.Length() + 64), "Invalid School Number '%s', See log for details.",
                 schoolNumber.c_str());
    Fail(error, school.Failure());
  }
  entry->m_dsn = dsn;
  entry->m_userName = user;
  entry->m_password = password;

  // Without -y and -i the entry keeps the year and rule it has (those the window stored): the
  // package writer compares them with the last package's, and a change cleans the folder.
  entry->m_schoolYear = options.SchoolYear(entry->m_schoolYear);
  log.WriteFormat(kLogInfo, "School Year: \"%s\"%s", entry->m_schoolYear.c_str(),
                  options.HasSchoolYear() ? "" : " (the school's stored year)");

  entry->m_inactiveCutoff = options.InactiveCutoff(entry->m_inactiveCutoff);
  if (options.HasInactive()) {
    log.WriteFormat(kLogInfo, "Include Inactive Students: %s", options.InactiveText().c_str());
  } else {
    log.WriteFormat(kLogInfo, "Include Inactive Students: %s (the school's stored rule)",
                    entry->m_inactiveCutoff == -1 ? "no" : "yes");
  }

  GatherChoice gathering = options.Gathering();
  m_gatherDemographic = gathering.demographic;
  m_gatherAttendance = gathering.attendance;
  m_gatherAll = gathering.all;
  log.WriteFormat(kLogInfo, "Gathering: %s%s", m_gatherDemographic ? "Demographic: " : "",
                  m_gatherAttendance ? "Attendance " : "");

  // The switches of the command line are saved together: each hive is written once.
  XPrefs::Writes writes(prefs);
  options.Filters(m_filters);
  for (int i = 0; i < kCommandLineFilterCount; ++i) {
    log.WriteFormat(kLogInfo, "Filtering: %s", m_filters[i] ? kCommandLineFilters[i].extract : "");
    prefs.SetFlag(kCommandLineFilters[i].prefName, m_filters[i]);
  }

  m_exportStaff = options.ExportStaff(prefs.ExportStaff() ? "True" : "False");
  prefs.SetExportStaff(m_exportStaff);
  log.WriteFormat(kLogInfo, "Export Staff: \"%s\"", YesNo(m_exportStaff));
  m_linkStaffToTch = options.LinkStaffToTch(prefs.LinkStaffToTch() ? "True" : "False");
  prefs.SetLinkStaffToTch(m_linkStaffToTch);
  log.WriteFormat(kLogInfo, "Link Staff To Tch: \"%s\"", YesNo(m_linkStaffToTch));
  writes.Commit();
}

void SISMainWindow::Execute(QvSchoolConf& entry) {
  if (m_runSchool != &entry || m_copyFolder != entry.m_importFolder) {
    // A run of the window: its school's folder is checked here, before the copy may go there.
    m_copyFolder = XString();
    if (!entry.m_importFolder.IsEmpty() && m_engine->Writer().Folder().Validate(entry.m_importFolder)) {
      m_copyFolder = entry.m_importFolder;
    }
  }
  m_runSchool = &entry;
  XCLIDualProgress console(nullptr, &RunLog());
  XProgress* progress = m_progress ? m_progress : &console;

  ExtractSettings settings;
  settings.m_importFolder = entry.m_importFolder;
  settings.m_district = entry.m_district;
  settings.m_schoolNumber = entry.m_schoolNumber;
  settings.m_schoolYear = entry.m_schoolYear;
  settings.m_dsn = entry.m_dsn;
  settings.m_masterFile = Preferences().MasterFile();
  settings.m_masterFolder = Preferences().MasterFolder();
  settings.m_securityFile = Preferences().SecurityFile();
  settings.m_inactiveCutoff = entry.m_inactiveCutoff;

  bool demographic = m_gatherAll || m_gatherDemographic;
  bool attendance = m_gatherAll || m_gatherAttendance;
  try {
    m_engine->PerformExtract(progress, entry.m_dsn, entry.m_userName, entry.m_password, settings,
                             demographic, attendance);
  } catch (...) {
    m_stopped = progress->StopRequested();
    // Nothing of the failed run may stay half done or hold the import folder.
    m_engine->Writer().AbandonRun();
    throw;
  }
  // The school's change store is not held between runs (the window lives on after one): a
  // command-line run must be able to clean the folder, and the next run opens its own school's.
  try {
    m_engine->Writer().Attendance().Store().Close();
  } catch (const std::exception& e) {
    RunLog().WriteFormat(kLogError, "Error: %s", e.what());
  }
  // The tables went out; attendance that the store could not keep fails the run, so that the
  // scheduler reports it (the next run reads those days again).
  if (m_engine->Writer().Attendance().Failed()) throw XException(m_engine->Writer().Attendance().Failure());
}

void SISMainWindow::CopyRunLog() {
  XLogFile& log = RunLog();
  m_runLogCopy = XString();  // a failed copy must not leave an older run's copy to be shown
  log.Write(kLogInfo, "Getting Current School");
  if (!m_runSchool || m_copyFolder.IsEmpty()) {
    // Another school's folder (the one the preferences point at) holds that school's own copy,
    // and a folder that failed its check, or none at all ("\"), is no place for it.
    log.Write(kLogInfo, "Run log not copied: no import folder of this run has passed its check.");
    return;
  }
  try {
    log.Write(kLogInfo, "Getting Extract Folder");
    XFileSpec target = XFileSpec::Folder(m_copyFolder);
    log.Write(kLogInfo, "Getting FileName");
    target.SetFileName(RunLogFileName());
    log.Write(kLogInfo, "Copying to Import Folder");
    log.Path().CopyTo(target);
    m_runLogCopy = target.Path();
    log.Write(kLogInfo, "Copied Run Log");
    log.Write(kLogInfo, XDateTime::Now().Format("WWW, MMM DD, YYYY: HH:NN:SS AA") + "\r\n");
  } catch (const std::exception&) {
    log.Write(kLogError, "An Error Occured While Copying Run Log to Import Folder");
  }
}

void SISMainWindow::BeginRunRecord() {
  m_recordStart = RunHistory::IsoNow();
  m_recordStartTick = os::TickCount();
  m_recordNumber = XString();
  m_recordDistrict = XString();
  m_stopped = false;
  m_runSchool = nullptr;
  m_failureReason = XString();
  RunLog().ResetTally();
  m_engine->Writer().Tally() = RunTally();
}

void SISMainWindow::EndRunRecord(const char* error) {
  XLogFile& log = RunLog();
  RunRecord record;
  const QvSchoolConf* school = m_runSchool;
  if (!school) school = Framework().Schools().Find(m_recordNumber, m_recordDistrict);
  record.schoolNumber = school ? school->m_schoolNumber : m_recordNumber;
  record.district = school ? school->m_district : m_recordDistrict;
  if (school) {
    record.schoolName = school->m_schoolName;
    record.importFolder = school->m_importFolder;
  }
  record.start = m_recordStart;
  record.end = RunHistory::IsoNow();
  record.durationSeconds = static_cast<double>(os::TickCount() - m_recordStartTick) / 1000.0;
  const RunTally& tally = m_engine->Writer().Tally();
  for (const auto& table : tally.tables) record.tables.emplace_back(table.first, table.second);
  record.attendanceRowsSent = tally.attendanceRowsSent;
  record.updateFile = tally.updateFile;
  // The Error line that ended the run, as the run log holds it. Not the run's first line at
  // level Error: the import folder's cleaning logs each of its steps at that level.
  if (error) {
    record.outcome = m_stopped ? RunRecord::kCancelled : RunRecord::kFailed;
    record.exitCode = 1;
    record.firstError = XString("Error: ") + error;
    if (!m_failureReason.IsEmpty()) record.firstError += XString(" ") + m_failureReason;
  } else {
    record.outcome = log.WarningCount() + tally.extractLogWarnings > 0 ? RunRecord::kWarnings : RunRecord::kSucceeded;
    record.exitCode = 0;
  }
  try {
    RunHistory(BridgeDataFolder()).Append(record, &log);
  } catch (const std::exception& failure) {
    log.WriteFormat(kLogWarning, "Run history: this run's record was not kept: %s", failure.what());
  }
}
