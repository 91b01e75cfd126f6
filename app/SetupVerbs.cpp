#include "app/SetupVerbs.h"

#include <cstring>
#include <memory>
#include <string>

#include "app/BridgeFolders.h"
#include "app/BridgeIdentity.h"
#include "app/CheckReport.h"
#include "app/CommandLineOptions.h"
#include "app/MainWindow.h"
#include "app/QvSchoolConf.h"
#include "app/RunHistory.h"
#include "app/RunReport.h"
#include "app/RunStatus.h"
#include "app/ScheduleVerbs.h"
#include "engine/SchoolYear.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "os/OsText.h"

namespace {

constexpr const char* kVerbs[] = {"--schools", "--add-school", "--remove-school", "--list", "--check",
                                  "--schedule", "--unschedule", "--status", "--report"};
constexpr const char* kJson = "--json";

// A verb's failure: its exit code and its message for standard error.
struct VerbFailure {
  int code;
  XString message;
};

bool IsLongOption(const XString& token) {
  return token.Length() > 2 && token[0] == '-' && token[1] == '-';
}

bool HasToken(const CommandLine& line, const char* wanted) {
  for (const XString& token : line.Tokens()) {
    if (token.CompareNoCase(wanted) == 0) return true;
  }
  return false;
}

// Console text: the code page on Windows, where the console reads it; UTF-8 elsewhere, as the
// arguments came in.
std::string ForConsole(const XString& text) {
#if defined(_WIN32)
  return text.ToStd();
#else
  return os::NarrowToUtf8(text.ToStd());
#endif
}

// The verbs over one application object: its preferences, site configuration and engine.
class Verbs {
 public:
  Verbs(MainWindow& app, const CommandLine& line, std::FILE* out)
      : m_app(app), m_options(line), m_line(line), m_out(out) {
    Prefs& prefs = app.Preferences();
    m_dsn = m_options.Dsn(prefs.Dsn());
    m_user = m_options.UserName(prefs.UserName());
    m_password = m_options.Password(prefs.Password());
  }

  int Schools() {
    Connect();
    ExpEngine::SchoolList schools;
    if (!Engine().LoadSchoolList(schools, m_dsn.c_str(), m_user.c_str(), m_password.c_str())) {
      throw VerbFailure{SetupVerbs::kFailed,
                        XString("Could not read the schools of the SIS; see ") + LogPath()};
    }
    for (const auto& school : schools) Print(school.first + "\t" + school.second + "\n");
    return SetupVerbs::kOk;
  }

  int AddSchool() {
    const XString number = RequiredSchoolNumber("--add-school");
    const XString folder = m_options.ImportFolder(XString());
    if (folder.IsEmpty()) {
      throw VerbFailure{SetupVerbs::kUsage, "--add-school needs the import folder: -p<folder>"};
    }
    // What a run checks, in the run's order and with the run's messages.
    Connect();
    if (!Engine().Writer().Folder().Validate(folder)) {
      throw VerbFailure{SetupVerbs::kFailed, XString("Import Folder does not exist: ") + folder};
    }
    ValidateSchool(number);
    const XString name = SchoolName(number);

    QvFramework& site = m_app.Framework();
    QvSchoolConfDS& schools = site.Schools();
    auto entry = std::make_unique<QvSchoolConf>();
    QvSchoolConf* existing = schools.Find(number, XString());
    const bool replacing = existing != nullptr;
    KeptCurrentSchool current(m_app);
    if (existing) {
      // Settings only the window edits (photos, key masks, the attendance change time) stay.
      *entry = *existing;
      current.Moving(existing);
      schools.Remove(schools.IndexOf(existing));
    }
    const QvSIS& sis = site.DefaultSIS();
    entry->m_sisName = sis.m_name;
    entry->m_sis = &sis;
    entry->m_importFolder = folder;
    entry->m_schoolNumber = number;
    entry->m_schoolName = name;
    entry->m_district = XString();
    entry->m_schoolYear = m_line.HasOption('y') ? m_options.SchoolYear() : DefaultSchoolYear();
    entry->m_userName = m_user;
    entry->m_password = m_password;
    entry->m_inactiveCutoff = m_options.InactiveCutoff();
    entry->m_dsn = m_dsn;
    QvSchoolConf* added = entry.get();
    schools.Add(std::move(entry));
    current.Moved(added);
    Save();
    Print(XString(replacing ? "Replaced" : "Added") + " school " + number + " \"" + name +
          "\" with the import folder " + folder + "\n");
    return SetupVerbs::kOk;
  }

  int RemoveSchool() {
    const XString number = RequiredSchoolNumber("--remove-school");
    QvSchoolConfDS& schools = m_app.Framework().Schools();
    QvSchoolConf* existing = schools.Find(number, XString());
    if (!existing) {
      // The text a run gives for a school it cannot find.
      throw VerbFailure{SetupVerbs::kFailed,
                        XString("No school in the site configuration has the School Number \"") +
                            number + "\" and the District \"\"."};
    }
    const XString name = existing->m_schoolName;
    KeptCurrentSchool current(m_app);
    current.Moving(existing);
    schools.Remove(schools.IndexOf(existing));
    current.Moved(nullptr);
    Save();
    Print(XString("Removed school ") + number + " \"" + name + "\"\n");
    return SetupVerbs::kOk;
  }

  int List() {
    for (const QvSchoolConf* school : m_app.Framework().Schools()) {
      Print(school->m_schoolNumber + "\t" + school->m_schoolName + "\t" + school->m_district +
            "\t" + school->m_dsn + "\t" + school->m_importFolder + "\n");
    }
    return SetupVerbs::kOk;
  }

  int Status(bool json, std::FILE* err) {
    std::vector<XString> damaged;
    const std::vector<RunRecord> records = ReadHistory(damaged, err);
    const RunStatus status(m_app.Framework().Schools(), records, XDateTime::Now());
    if (json) {
      const std::string text = status.Json(damaged);
      std::fwrite(text.data(), 1, text.size(), m_out);
    } else {
      Print(status.Text());
    }
    return status.ExitCode();
  }

  int Report(const XString& path, std::FILE* err) {
    const std::vector<XString> damaged = RunReport::Make(m_app.Framework().Schools(), m_app.BridgeDataFolder(), path);
    Damaged(damaged, err);
    m_app.RunLog().WriteFormat(kLogInfo, "Report: wrote %s", path.c_str());
    Print(XString("Wrote ") + path + "\n");
    return SetupVerbs::kOk;
  }

  int Check(bool json, std::FILE* err) {
    CheckFacts facts;
    facts.schoolNumber = RequiredSchoolNumber("--check");
    facts.dsn = m_dsn;
    const int32_t cutoff = m_options.InactiveCutoff();
    facts.activeOnly = cutoff == -1;
    facts.schoolYear = SchoolYearOf(XDateTime::Now().Date());
    facts.inSiteConfiguration = m_app.Framework().Schools().Find(facts.schoolNumber, XString()) != nullptr;
    Connect();
    facts.databaseType = Engine().Data().Connection().GetDatabaseTypeName();

    DryRunReport report;
    if (!Engine().ValidateSchoolNumber(m_dsn.c_str(), m_user.c_str(), m_password.c_str(),
                                       facts.schoolNumber.c_str())) {
      facts.failure = InvalidSchoolMessage(facts.schoolNumber);
    } else {
      try {
        Engine().DryRunExtract(report, m_dsn.c_str(), m_user.c_str(), m_password.c_str(),
                               facts.schoolNumber, cutoff);
      } catch (const std::exception& error) {
        throw VerbFailure{SetupVerbs::kFailed, XString(error.what())};
      }
    }

    if (json) {
      const std::string text = CheckReport::Json(facts, report);
      std::fwrite(text.data(), 1, text.size(), m_out);
    } else {
      Print(CheckReport::Text(facts, report));
    }
    const XString failure = CheckReport::Failure(facts, report);
    if (failure.IsEmpty()) return SetupVerbs::kOk;
    std::fprintf(err, "%s: %s\n", bridge::kShortName, ForConsole(failure).c_str());
    return SetupVerbs::kEndsEarly;
  }

 private:
  // Keeps "SchoolNth" on the entry it named while the list is reordered: adding a school
  // sorts it in by district and name, so the positions after it move.
  class KeptCurrentSchool {
   public:
    explicit KeptCurrentSchool(MainWindow& app) : m_app(app), m_current(app.CurrentSchool()) {}
    // The entry is about to leave the list (it may be the current one).
    void Moving(const QvSchoolConf* entry) {
      if (entry == m_current) {
        m_current = nullptr;
        m_wasCurrent = true;
      }
    }
    // The list is complete again; `replacement` takes the place of the entry that left.
    void Moved(const QvSchoolConf* replacement) {
      const QvSchoolConf* current = m_wasCurrent ? replacement : m_current;
      QvSchoolConfDS& schools = m_app.Framework().Schools();
      uint32_t index = current ? schools.IndexOf(current) : 0;
      if (index >= schools.Count()) index = 0;
      m_app.Preferences().SetSchoolNth(static_cast<int32_t>(index));
    }

   private:
    MainWindow& m_app;
    const QvSchoolConf* m_current;
    bool m_wasCurrent = false;
  };

  ExpEngine& Engine() { return m_app.Engine(); }

  // The run history of the bridge data folder; each damaged line is a warning on `err` and in
  // the log.
  std::vector<RunRecord> ReadHistory(std::vector<XString>& damaged, std::FILE* err) {
    const std::vector<RunRecord> records = RunHistory(m_app.BridgeDataFolder()).Read(&damaged);
    Damaged(damaged, err);
    return records;
  }

  void Damaged(const std::vector<XString>& damaged, std::FILE* err) {
    for (const XString& line : damaged) {
      m_app.RunLog().Write(kLogWarning, line.c_str());
      std::fprintf(err, "%s: warning: %s\n", bridge::kShortName, ForConsole(line).c_str());
    }
  }

  XString LogPath() { return m_app.RunLog().Path().Path(); }

  void Print(const XString& text) { std::fputs(ForConsole(text).c_str(), m_out); }

  XString RequiredSchoolNumber(const char* verb) {
    const XString number = m_options.SchoolNumber();
    if (number.IsEmpty()) {
      throw VerbFailure{SetupVerbs::kUsage, XString(verb) + " needs the school number: -n<number>"};
    }
    return number;
  }

  static XString InvalidSchoolMessage(const XString& number) {
    return XString("Invalid School Number '") + number + "', See log for details.";
  }

  void Connect() {
    if (!Engine().ValidateConnection(m_dsn.c_str(), m_user.c_str(), m_password.c_str())) {
      // The text a run gives; the log holds the driver's reason.
      throw VerbFailure{SetupVerbs::kFailed,
                        XString("Error connecting to ") + bridge::kTitle +
                            " Database, please check your information." +
                            " (data source \"" + m_dsn + "\"; see " + LogPath() + ")"};
    }
  }

  void ValidateSchool(const XString& number) {
    if (!Engine().ValidateSchoolNumber(m_dsn.c_str(), m_user.c_str(), m_password.c_str(),
                                       number.c_str())) {
      throw VerbFailure{SetupVerbs::kFailed, InvalidSchoolMessage(number)};
    }
  }

  // The name the SIS gives the school (its first profile row), as the window's school list
  // shows it.
  XString SchoolName(const XString& number) {
    ExpEngine::SchoolList schools;
    Engine().LoadSchoolList(schools, m_dsn.c_str(), m_user.c_str(), m_password.c_str());
    for (const auto& school : schools) {
      if (school.first == number) return school.second;
    }
    return XString();
  }

  // The school year that starts in the current one, by its first calendar year (a year turns
  // on the 1st of July), as the window fills in a school without one.
  static XString DefaultSchoolYear() {
    int year = 0, month = 0, day = 0;
    XDate::ToYMD(XDateTime::Now().Date(), year, month, day);
    return XString(month >= 7 ? year : year - 1);
  }

  void Save() {
    try {
      m_app.Framework().SaveSiteConfiguration(m_app.BridgeDataFolder());
    } catch (const XException& error) {
      throw VerbFailure{SetupVerbs::kFailed, XString(error.Text())};
    }
  }

  MainWindow& m_app;
  CommandLineOptions m_options;
  const CommandLine& m_line;
  std::FILE* m_out;
  XString m_dsn;
  XString m_user;
  XString m_password;
};

}  // namespace

const char* SetupVerbs::VerbOf(const CommandLine& line) {
  // A verb comes first. A long option later on belongs to a batch command line, which reads
  // it (and warns about it) as it always has.
  const std::vector<XString>& tokens = line.Tokens();
  if (tokens.empty()) return nullptr;
  const XString& first = tokens.front();
  if (!IsLongOption(first) || first.CompareNoCase("--help") == 0) return nullptr;
  for (const char* verb : kVerbs) {
    if (first.CompareNoCase(verb) == 0) return verb;
  }
  return "";  // a long option that names no verb
}

int SetupVerbs::Run(const CommandLine& line, std::FILE* out, std::FILE* err) {
  const char* verb = VerbOf(line);
  const bool json = HasToken(line, kJson);
  try {
    if (verb == nullptr || *verb == '\0') {
      throw VerbFailure{kUsage, "unknown option; QvMeridane --help lists the verbs"};
    }
    if (json && std::strcmp(verb, "--check") != 0 && std::strcmp(verb, "--status") != 0) {
      throw VerbFailure{kUsage, "--json goes with --check and --status only"};
    }
    XString reportPath;
    if (std::strcmp(verb, "--report") == 0) {
      // The page's file follows the verb as its own argument.
      const std::vector<XString>& tokens = line.Tokens();
      if (tokens.size() < 2 || tokens[1].IsEmpty() || tokens[1][0] == '-') {
        throw VerbFailure{kUsage, "--report needs the file to write: --report FILE"};
      }
      reportPath = tokens[1];
    }
    int verbs = 0;
    for (const XString& token : line.Tokens()) {
      for (const char* known : kVerbs) verbs += token.CompareNoCase(known) == 0 ? 1 : 0;
    }
    if (verbs > 1) throw VerbFailure{kUsage, "one verb at a time"};

    MainWindow app(BridgeFolders::RunLogFolder() + bridge::kShortName + "SetupLog.txt");
    app.SetCommandLineMode(true);
    app.RunLog().WriteFormat(kLogInfo, "Setup verb: %s", line.MaskedText().c_str());
    if (std::strcmp(verb, "--schedule") == 0) return ScheduleVerbs::Schedule(app, out, err);
    if (std::strcmp(verb, "--unschedule") == 0) return ScheduleVerbs::Unschedule(app, out, err);
    Verbs verbs_(app, line, out);
    if (std::strcmp(verb, "--schools") == 0) return verbs_.Schools();
    if (std::strcmp(verb, "--add-school") == 0) return verbs_.AddSchool();
    if (std::strcmp(verb, "--remove-school") == 0) return verbs_.RemoveSchool();
    if (std::strcmp(verb, "--list") == 0) return verbs_.List();
    if (std::strcmp(verb, "--status") == 0) return verbs_.Status(json, err);
    if (std::strcmp(verb, "--report") == 0) return verbs_.Report(reportPath, err);
    return verbs_.Check(json, err);
  } catch (const VerbFailure& failure) {
    std::fprintf(err, "%s: %s\n", bridge::kShortName, ForConsole(failure.message).c_str());
    return failure.code;
  } catch (const std::exception& error) {
    std::fprintf(err, "%s: %s\n", bridge::kShortName, ForConsole(XString(error.what())).c_str());
    return kFailed;
  }
}

XString SetupVerbs::HelpText() {
  return XString(
      "Setting up and checking schools (long options; -d -u -w -z as above):\n"
      "  --schools -d<dsn>          the SIS's schools, one per line: number TAB name\n"
      "  --add-school -d<dsn> -n<number> -p<folder> [-i<rule>] [-y<year>]\n"
      "                             checks the school against the SIS and the import folder,\n"
      "                             then adds its entry to the site configuration (empty\n"
      "                             district); a school already there is replaced\n"
      "  --remove-school -n<number> removes the school's entry\n"
      "  --list                     the site configuration's entries: number TAB name TAB\n"
      "                             district TAB dsn TAB import folder\n"
      "  --check -d<dsn> -n<number> [-i<rule>] [--json]\n"
      "                             a dry run that writes nothing: per package table the rows\n"
      "                             it would read, the optional SIS columns that are missing\n"
      "                             and the package fields left out for them\n"
      "  --schedule                 every school of the site configuration, unattended at\n"
      "                             1:00 AM Monday to Friday with the stored connection values:\n"
      "                             Linux: DistrictScheduling.sh beside the site configuration\n"
      "                             and one line in the invoking user's crontab, each night's\n"
      "                             exit codes in DistrictSchedulingSummary.txt beside it;\n"
      "                             Windows: DistrictScheduling.bat beside the site\n"
      "                             configuration and a Task Scheduler task under the current\n"
      "                             user (its password as one line on standard input)\n"
      "  --unschedule               removes that crontab line or task\n"
      "  --status [--json]          per school of the site configuration, from the run history\n"
      "                             (QvMeridaneRunHistory.jsonl beside the site configuration):\n"
      "                             last run, outcome, duration, attendance rows sent, nights\n"
      "                             since the last success, the first error of a failed night\n"
      "  --report FILE              the same as one HTML page (no script, nothing fetched):\n"
      "                             the last 30 nights of each school as a strip, the trend of\n"
      "                             run time and attendance rows, the failures with their error\n"
      "  Exit codes: 0 done (--check: a run would succeed; --status: every school's last run\n"
      "  succeeded within 36 hours), 1 failed (--check: the SIS cannot be reached; --status: a\n"
      "  school's last run failed), 2 --check: a run would end early (its message on standard\n"
      "  error); --status: a school's last run had warnings, was cancelled or is overdue (none\n"
      "  within 36 hours), 64 unknown verb or missing option. Errors go to standard error.\n");
}
