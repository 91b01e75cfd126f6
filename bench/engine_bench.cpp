// The command-line run of a large school, as the scheduler starts it, against the floors and
// the command-line clients running the same SELECT statements on the same database, in the same
// rounds.
//
// The benchmark writes a demo SIS of a large school (5,000 students by default) with a full
// school year of attendance (the year starting 20 August 2024), registers it as a user data
// source in a throwaway ODBC ini file (Driver=SQLite3, StepAPI=1, LoadExt= the strict-names
// extension), fixes "now" at the afternoon of the school year's last day (QV_FIXED_NOW), and:
//   - once, untimed: the extraction in a child of this process with its extract log at level
//     0, where the data access writes the text of every query it runs right after "Running
//     Query"; those lines are the statements the other sides run. The program's first run of
//     the first round must write the same rows as this extraction, or the bench says so;
//   - round after round, interleaved, each side its own process:
//       first run:    the program (QvMeridane -d<dsn> -n101 -p<import>) with a site configuration
//                     of its own (settings hives, application data, run log) and a fresh
//                     import folder: every fsync and preference write of a real night counts;
//       second run:   the program again on the same site and import folder (only the last
//                     days of attendance are read again);
//       ODBC floor:   odbc_floor, the same driver, every column bound as text, a buffered file;
//       C-API floor:  capi_floor, the SQLite C API, every column of every row read as text;
//       isql:         unixODBC's isql on the same data source, `-b -x0x09`, to /dev/null;
//       sqlite3:      the SQLite shell, `.mode tabs`, each statement's rows into a file;
//   - once, untimed, when strace is there: a first and a second run under `strace -f -c`,
//     counting fsync, fdatasync and sync_file_range calls.
// Every figure is the median of the rounds: wall time from fork to exit, CPU time (user and
// system) and peak resident memory from wait4.
//
//   engine_bench [--students N] [--seed N] [--year-start YYYY-MM-DD] [--rounds N]
//                [--only-program] [--row] [--windows EXE --wine-prefix DIR] [--profile]
//                [--keep]
//
// --only-program runs the program's first and second runs alone; --row then prints one
// tab-separated line (students, wall, cpu and peak MiB of the first run, then of the second).
// --windows compares the Windows build under Wine (scripts/wine-run.sh, in the prefix DIR) with
// the native program on the same runs; Wine's CPU time is that of the whole process tree,
// its server included (stopped after each run, then reaped). --profile runs one first run under
// callgrind and prints the ten functions with the most instructions of their own.
// --against PROGRAM runs another build of the program (an older one, say) in the same rounds,
// first and second runs on a site of its own, and prints ours against it.
// Nothing is asserted on speed: exits 0 unless something failed functionally.
//
// Native only: it measures processes with fork, exec and wait4 directly, as a harness would.
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/LineReader.h"
#include "bench/Medians.h"
#include "bench/Process.h"
#include "bench/StatementLog.h"
#include "bench/SyscallSummary.h"
#include "engine/ExpEngine.h"
#include "engine/ExtractSettings.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XFileSpec.h"
#include "foundation/XLog.h"
#include "foundation/XLogFile.h"
#include "foundation/XProgress.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "package/QDEApplication.h"
#include "testsupport/TempDir.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

using bench::Clock;
using bench::Figures;
using bench::ForEachLine;
using bench::Launch;
using bench::Measured;
using bench::ReadToEnd;
using bench::Since;
using bench::WriteAll;
constexpr const char* kDsn = "QvEngineBench";
constexpr const char* kSchool = "101";
constexpr const char* kBaseName = "QvMeridane";

struct Options {
  int students = 5000;
  uint64_t seed = 2026;
  std::string yearStart = "2024-08-20";
  int rounds = 5;
  bool onlyProgram = false;
  bool row = false;
  bool profile = false;
  bool keep = false;
  std::string windowsExe;
  std::string winePrefix;
  std::string against;  // another build of the program, run in the same rounds
};

[[noreturn]] void Die(const std::string& message) { bench::Die("engine_bench", message); }

void WriteFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
    Die("cannot write " + path);
  }
}

void MakeFolder(const std::string& path) {
  if (!os::CreateOneDirectory(path)) Die("cannot create " + path);
}

// Creates every missing folder of a path.
void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    MakeFolder(path.substr(0, slash));
  }
  MakeFolder(path);
}

// Removes a file or a folder with everything in it (links as links); nothing when absent.
void RemoveTree(const std::string& path) {
  if (os::IsDirectory(path) && !os::IsLink(path)) {
    os::RemoveDirectoryTree(path);
  } else {
    os::DeleteFilePath(path);
  }
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsExecutable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

// The program named, or found in PATH; empty when there is none.
std::string FindProgram(const std::string& name) {
  if (name.find('/') != std::string::npos) return IsExecutable(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (size_t at = 0; at <= folders.size();) {
    size_t colon = folders.find(':', at);
    if (colon == std::string::npos) colon = folders.size();
    const std::string candidate = folders.substr(at, colon - at) + "/" + name;
    if (colon > at && IsExecutable(candidate)) return candidate;
    at = colon + 1;
  }
  return std::string();
}

// ---- The capture: the extraction in a child, logs at level 0 ----------------------------

class QuietProgress : public XProgress {
 public:
  void ShowStepText(const char*) override {}
  void SetRange(int32_t) override {}
  void SetPosition(int32_t) override {}
};

struct Environment {
  std::string folder, database, ini, runs;
  XDateTime now;
  std::string fixedNow;  // QV_FIXED_NOW of the program's runs
};

// The calls the command-line run makes, with the settings its site configuration gives (no
// district, no school year, inactive students by the default cutoff): a new engine, the
// connection and the school validated, then the whole extraction with both gather flags.
Measured Capture(const Environment& env, const std::string& importFolder, const std::string& runLogPath) {
  int fds[2];
  if (::pipe(fds) != 0) Die("pipe failed");
  std::fflush(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = ::fork();
  if (pid < 0) Die("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    std::string reply;
    int code = 1;
    try {
      XDateTime::SetFixedNow(env.now);
      XLogFile runLog("QvMeridane Run Log", XFileSpec(runLogPath.c_str()), kLogProprietary);
      runLog.Begin();
      QuietProgress progress;
      {
        ExpEngine engine;
        QDEApplication& identity = engine.Context().Application();
        identity.m_fullName = "Velkstrom Data Extractor for Meridane";
        identity.m_version = "1.1.2.1";
        identity.m_creatorId = "Meridane_DE";
        identity.m_fileBaseName = kBaseName;
        identity.m_maker = "Velkstrom Software";
        identity.m_buildDate = XDate::FromYMD(2024, 8, 1);
        engine.Context().SetRunLog(&runLog);

        ExtractSettings settings;
        settings.m_importFolder = importFolder.c_str();
        settings.m_schoolNumber = kSchool;
        settings.m_dsn = kDsn;
        settings.m_inactiveCutoff = -1;
        if (!engine.ValidateConnection(kDsn, "", "")) throw XException("ValidateConnection answered false");
        if (!engine.ValidateSchoolNumber(kDsn, "", "", kSchool)) throw XException("ValidateSchoolNumber answered false");
        engine.PerformExtract(&progress, kDsn, "", "", settings, true, true);
      }
      runLog.End();
      reply = "ok\n";
      code = 0;
    } catch (const std::exception& error) {
      reply = std::string("the extraction failed: ") + error.what() + "\n";
    } catch (...) {
      reply = "the extraction failed with an unknown exception\n";
    }
    WriteAll(fds[1], reply.data(), reply.size());
    ::_exit(code);
  }
  ::close(fds[1]);
  const std::string reply = ReadToEnd(fds[0]);
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  Measured measured;
  measured.seconds = Since(start);
  measured.ok = reply == "ok\n" && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!measured.ok) measured.error = reply.empty() ? "the extraction child ended without a reply" : reply;
  return measured;
}

// What an extraction wrote: the rows of the table files, and the attendance rows of the update
// files (their lines between a section's field-name line and the "*" that ends the section).
struct Package {
  int tableFiles = 0;
  int64_t tableRows = 0;
  int updateFiles = 0;
  int64_t attendanceRows = 0;
  bool operator==(const Package& other) const {
    return tableFiles == other.tableFiles && tableRows == other.tableRows && updateFiles == other.updateFiles &&
           attendanceRows == other.attendanceRows;
  }
};

Package CountPackage(const std::string& importFolder) {
  Package package;
  std::vector<std::string> names;
  os::ListDirectory(importFolder, names);
  for (const std::string& name : names) {
    const std::string path = importFolder + name;
    if (EndsWith(name, ".qef")) {
      ++package.tableFiles;
      ForEachLine(path, [&](const std::string&) { ++package.tableRows; });
    } else if (EndsWith(name, ".QDU")) {
      ++package.updateFiles;
      bool inSection = false;
      ForEachLine(path, [&](const std::string& line) {
        if (line.compare(0, 9, "AttStdRef") == 0) {
          inSection = true;
        } else if (line == "*") {
          inSection = false;
        } else if (inSection) {
          ++package.attendanceRows;
        }
      });
    }
  }
  return package;
}

std::string Describe(const Package& p) {
  return std::to_string(p.tableFiles) + " table files (" + std::to_string(p.tableRows) + " rows), " +
         std::to_string(p.updateFiles) + " update files (" + std::to_string(p.attendanceRows) + " attendance rows)";
}

// ---- Set-up -------------------------------------------------------------------------------

// Writes the database in a child, so that neither SQLite's nor the generator's memory stays in
// this process. Returns the generator's summary lines ("yearEnd" first).
std::vector<std::string> Generate(const Options& options, const std::string& database) {
  int fds[2];
  if (::pipe(fds) != 0) Die("pipe failed");
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid < 0) Die("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    std::string reply;
    int code = 0;
    try {
      demosis::DemoOptions demo;
      demo.out = database;
      demo.seed = options.seed;
      demo.students = options.students;
      demo.yearStart = options.yearStart;
      const demosis::DemoSummary summary = demosis::GenerateDemoDatabase(demo);
      reply = summary.yearEnd + "\n" + summary.schoolYear + "\n";
      for (const auto& [table, rows] : summary.rows) reply += table + "\t" + std::to_string(rows) + "\n";
    } catch (const std::exception& error) {
      reply = std::string("generating the demo SIS failed: ") + error.what();
      code = 1;
    }
    WriteAll(fds[1], reply.data(), reply.size());
    ::_exit(code);
  }
  ::close(fds[1]);
  const std::string reply = ReadToEnd(fds[0]);
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Die(reply.empty() ? "the generator failed" : reply);
  std::vector<std::string> lines;
  for (size_t at = 0, lf; (lf = reply.find('\n', at)) != std::string::npos; at = lf + 1) lines.push_back(reply.substr(at, lf - at));
  if (lines.size() < 2) Die("the generator gave no summary");
  return lines;
}

Environment Prepare(const Options& options, std::vector<std::string>& summary) {
  Environment env;
  env.folder = bench::MakeTempFolder("engine_bench", "qv-engine-bench");
  env.database = env.folder + "/meridane-demo.db";
  env.ini = env.folder + "/odbc.ini";
  env.runs = env.folder + "/runs/";
  MakeFolder(env.runs);

  // The extension makes a double-quoted unknown name an error, as on a real SIS.
  const std::string extension = bench::ExtensionModule();
  if (extension.empty()) Die("the strict-names extension (qv_sisdqs) was not built");
  bench::RegisterDataSource("engine_bench", env.ini, kDsn, env.database, extension);
  // Nothing of the capture's settings lands in the user's own folders.
  for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "QV_MACHINE_HIVE_DIR"}) {
    const std::string folder = env.folder + "/capture-" + variable;
    MakeFolder(folder);
    ::setenv(variable, folder.c_str(), 1);
  }
  ::unsetenv("QV_FAULT");
  ::unsetenv("QV_CRASH_AFTER_WRITES");

  summary = Generate(options, env.database);
  int year = 0, month = 0, day = 0;
  if (std::sscanf(summary[0].c_str(), "%d-%d-%d", &year, &month, &day) != 3) Die("bad school year end " + summary[0]);
  // The afternoon of the last school day: the attendance windows cover the whole year.
  env.now = XDateTime(XDate::FromYMD(year, month, day), XTime::FromHMS(16, 0, 0));
  env.fixedNow = summary[0] + " 16:00:00";
  return env;
}

// The site configuration of one school reading the data source; the import folder comes from
// the command line.
std::string SiteConfiguration() {
  return std::string(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<QvSchoolConfFile>\n\t<QvSchoolConf Import=\"1\" "
             "SISName=\"Meridane_DE\" SISImportFolder=\"\" SchoolNumber=\"") +
         kSchool + "\" SISSchoolName=\"Bench School\" SISSchoolDistrict=\"\" SISDSN=\"" + kDsn +
         "\" />\n</QvSchoolConfFile>\n";
}

// A site of the native program: its settings hives, application data (with the site
// configuration) and import folder, all new, under `folder`.
struct Site {
  std::string import;
  std::vector<std::string> env;
};

Site NativeSite(const Environment& env, const std::string& folder) {
  RemoveTree(folder);
  MakeFolder(folder);
  Site site;
  site.import = folder + "/import/";
  MakeFolder(site.import);
  MakeFolders(folder + "/data/Quorvane/QvMeridane");
  MakeFolder(folder + "/config");
  MakeFolder(folder + "/machine");
  WriteFile(folder + "/data/Quorvane/QvMeridane/QvConfig.xml", SiteConfiguration());
  site.env = {"XDG_CONFIG_HOME=" + folder + "/config", "XDG_DATA_HOME=" + folder + "/data",
              "QV_MACHINE_HIVE_DIR=" + folder + "/machine", "QV_FIXED_NOW=" + env.fixedNow};
  return site;
}

Launch ProgramRun(const std::string& program, const Site& site, const std::string& err) {
  Launch launch;
  launch.argv = {program, std::string("-d") + kDsn, std::string("-n") + kSchool, "-p" + site.import};
  launch.err = err;
  launch.env = site.env;
  return launch;
}

// The program's failures beyond its exit code: an incomplete package.
bool CheckPackage(const std::string& import, Package& written, std::string& error) {
  written = CountPackage(import);
  if (written.tableFiles == 21 && written.updateFiles >= 1 && written.tableRows > 0 && written.attendanceRows > 0) {
    return true;
  }
  error = "incomplete package in " + import + ": " + Describe(written);
  return false;
}

// ---- Report -------------------------------------------------------------------------------

double Mib(double kb) { return kb / 1024.0; }

void PrintFigures(const char* name, const Figures& f) {
  std::printf("  %-26s %8.3f s  cpu %8.3f s  peak %7.1f MiB\n", name, f.seconds, f.cpuSeconds, Mib(f.peakKb));
}

void PrintRatio(const char* name, const Figures& a, const Figures& b, const char* target = nullptr,
                double limit = 0) {
  const double cpu = a.cpuSeconds / b.cpuSeconds;
  std::printf("  %-30s %6.2f wall  %6.2f cpu  %6.2f peak", name, a.seconds / b.seconds, cpu, a.peakKb / b.peakKb);
  // Targets are stated in CPU time: the wall time of a shared machine says little.
  if (target) std::printf("  (%s %.2f cpu: %s)", target, limit, cpu <= limit ? "met" : "missed");
  std::printf("\n");
}

void PrintRound(int round, const char* name, const Measured& m) {
  std::printf("  round %d  %-14s %7.3f s  cpu %7.3f s  %6.1f MiB\n", round, name, m.seconds, m.cpuSeconds,
              Mib(static_cast<double>(m.peakKb)));
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--keep") {
      options.keep = true;
    } else if (arg == "--only-program") {
      options.onlyProgram = true;
    } else if (arg == "--row") {
      options.row = true;
    } else if (arg == "--profile") {
      options.profile = true;
    } else if (arg == "--students" && value) {
      options.students = std::atoi(argv[++i]);
    } else if (arg == "--seed" && value) {
      options.seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--year-start" && value) {
      options.yearStart = argv[++i];
    } else if (arg == "--rounds" && value) {
      options.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--windows" && value) {
      options.windowsExe = argv[++i];
    } else if (arg == "--wine-prefix" && value) {
      options.winePrefix = argv[++i];
    } else if (arg == "--against" && value) {
      options.against = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: engine_bench [--students N] [--seed N] [--year-start YYYY-MM-DD] [--rounds N]\n"
                   "                    [--only-program] [--row] [--windows EXE --wine-prefix DIR] [--profile] "
                   "[--keep]\n"
                   "                    [--against PROGRAM]\n");
      return false;
    }
  }
  return options.students > 0 && (options.windowsExe.empty() || !options.winePrefix.empty());
}

// ---- Sides --------------------------------------------------------------------------------

// The fsync-like calls of a first and a second run, counted by strace over the whole process.
void CountFsyncs(const Environment& env, const std::string& strace) {
  const Site site = NativeSite(env, env.runs + "strace");
  int64_t counts[2] = {};
  for (int run = 0; run < 2; ++run) {
    const std::string summary = env.runs + "strace" + std::to_string(run + 1) + ".txt";
    Launch launch = ProgramRun(QV_PROGRAM, site, env.runs + "strace-run.err");
    launch.argv.insert(launch.argv.begin(),
                       {strace, "-f", "-c", "-e", "trace=fsync,fdatasync,sync_file_range", "-o", summary});
    const Measured m = bench::Run(launch);
    if (!m.ok) {
      std::printf("  fsyncs: the run under strace failed (%s)\n", m.error.c_str());
      return;
    }
    const std::string text = testsupport::ReadAll(summary);
    for (const char* call : {"fsync", "fdatasync", "sync_file_range"}) counts[run] += bench::CallsOf(text, call);
  }
  std::printf("  fsyncs per run                 first %lld, second %lld  (fsync, fdatasync and sync_file_range "
              "calls of the whole process, strace -f -c, one untimed run each)\n",
              static_cast<long long>(counts[0]), static_cast<long long>(counts[1]));
}

// One first run under callgrind; prints the ten functions with the most instructions of
// their own.
void Profile(const Environment& env) {
  const std::string valgrind = FindProgram("valgrind"), annotate = FindProgram("callgrind_annotate");
  if (valgrind.empty() || annotate.empty()) {
    std::printf("profile: valgrind or callgrind_annotate is not installed\n");
    return;
  }
  const Site site = NativeSite(env, env.runs + "profile");
  const std::string out = env.folder + "/callgrind.out";
  Launch launch = ProgramRun(QV_PROGRAM, site, env.runs + "profile.err");
  launch.argv.insert(launch.argv.begin(), {valgrind, "--tool=callgrind", "--callgrind-out-file=" + out});
  const Measured m = bench::Run(launch);
  if (!m.ok) {
    std::printf("profile: the run under callgrind failed (%s)\n", m.error.c_str());
    return;
  }
  Launch report;
  report.argv = {annotate, "--inclusive=no", out};
  report.out = env.folder + "/callgrind.txt";
  if (!bench::Run(report).ok) {
    std::printf("profile: callgrind_annotate failed\n");
    return;
  }
  // The table of functions follows the header line that names the event ("Ir").
  std::printf("profile: a first run under callgrind (%.1f s), the top ten by instructions of their own:\n",
              m.seconds);
  int printed = 0;
  bool inTable = false;
  ForEachLine(report.out, [&](const std::string& line) {
    if (printed >= 10) return;
    if (!inTable) {
      inTable = line.find("file:function") != std::string::npos;
      if (inTable || line.find("PROGRAM TOTALS") != std::string::npos) std::printf("  %s\n", line.c_str());
      return;
    }
    if (line.find_first_not_of(" -") == std::string::npos) return;
    std::printf("  %s\n", line.substr(0, 200).c_str());
    ++printed;
  });
}

// The Windows program under Wine against the native program, first and second runs.
int CompareWindows(const Options& options, const Environment& env) {
  bench::BecomeSubreaper();
  const std::string wineRun = std::string(QV_SOURCE_DIR) + "/scripts/wine-run.sh";
  const std::string wineserver = IsExecutable("/usr/lib/wine/wineserver") ? "/usr/lib/wine/wineserver" : "wineserver";
  const char* user = std::getenv("USER");
  std::string userName = user && *user ? user : "";
  if (userName.empty()) {
    if (const passwd* entry = ::getpwuid(::getuid())) userName = entry->pw_name;
  }
  const std::string prefixEnv = "QV_WINEPREFIX=" + options.winePrefix;
  const std::string appData = options.winePrefix + "/drive_c/users/" + userName + "/AppData/Roaming/Quorvane/QvMeridane";
  Launch stop;
  stop.argv = {wineserver, "-k"};
  stop.env = {"WINEPREFIX=" + options.winePrefix};

  // The Windows program keeps its application data inside the prefix: a fresh site there.
  auto wineSite = [&](const std::string& folder) {
    RemoveTree(appData);
    MakeFolders(appData);
    WriteFile(appData + "/QvConfig.xml", SiteConfiguration());
    RemoveTree(folder);
    MakeFolder(folder);
    Site site;
    site.import = folder + "/import/";
    MakeFolder(site.import);
    site.env = {prefixEnv, "QV_FIXED_NOW=" + env.fixedNow};
    return site;
  };
  auto wineRunOf = [&](const Site& site, const std::string& err) {
    Launch launch;
    std::string windowsPath = "Z:" + site.import;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    launch.argv = {wineRun, options.windowsExe, std::string("-d") + kDsn, std::string("-n") + kSchool,
                   "-p" + windowsPath};
    launch.err = err;
    launch.env = site.env;
    return launch;
  };

  // Untimed: the prefix made when it is new, the program's files read once, the run checked.
  {
    const Clock::time_point start = Clock::now();
    const Site site = wineSite(env.runs + "wine-warm");
    const Measured warm = bench::RunTree(wineRunOf(site, env.runs + "wine-warm.err"), stop);
    Package written;
    std::string error = warm.error;
    if (!warm.ok || !CheckPackage(site.import, written, error)) Die("the Windows program failed: " + error);
    std::printf("  Wine prefix %s ready, a warm-up run done (%.1f s)\n", options.winePrefix.c_str(), Since(start));
  }

  // Wine's own start and stop (its loader, wineserver and services) with a program that does
  // nothing: Wine's built-in command interpreter told to exit. Measured in the same rounds.
  Launch idle;
  idle.argv = {wineRun, "cmd", "/c", "exit"};
  idle.env = {prefixEnv};
  idle.err = env.runs + "wine-idle.err";

  std::vector<Measured> native[2], wine[2], idles;
  for (int round = 1; round <= options.rounds; ++round) {
    const Measured i = bench::RunTree(idle, stop);
    PrintRound(round, "Wine, nothing", i);
    if (!i.ok) Die("Wine's command interpreter failed: " + i.error);
    idles.push_back(i);
    const Site nativeSite = NativeSite(env, env.runs + "native");
    const Site site = wineSite(env.runs + "wine");
    for (int run = 0; run < 2; ++run) {
      const Measured n = bench::Run(ProgramRun(QV_PROGRAM, nativeSite, env.runs + "native.err"));
      const Measured w = bench::RunTree(wineRunOf(site, env.runs + "wine.err"), stop);
      PrintRound(round, run == 0 ? "native first" : "native second", n);
      PrintRound(round, run == 0 ? "Wine first" : "Wine second", w);
      if (!n.ok || !w.ok) Die(!n.ok ? n.error : w.error);
      Package written;
      std::string error;
      if (run == 0 && (!CheckPackage(nativeSite.import, written, error) || !CheckPackage(site.import, written, error))) {
        Die(error);
      }
      native[run].push_back(n);
      wine[run].push_back(w);
    }
  }
  const Figures nf = bench::MediansOf(native[0]), ns = bench::MediansOf(native[1]);
  const Figures wf = bench::MediansOf(wine[0]), ws = bench::MediansOf(wine[1]);
  std::printf("summary (medians of %d interleaved rounds; %d students):\n", options.rounds, options.students);
  PrintFigures("native, first run", nf);
  PrintFigures("Wine, first run", wf);
  PrintFigures("native, second run", ns);
  PrintFigures("Wine, second run", ws);
  const Figures idleFigures = bench::MediansOf(idles);
  PrintFigures("Wine, a program doing nothing", idleFigures);
  PrintRatio("Wine / native, first run", wf, nf, "target at most", 1.4);
  PrintRatio("Wine / native, second run", ws, ns);
  // The program's own share: Wine's start and stop taken off (on Windows there is none).
  auto withoutStart = [&](const Figures& w) {
    Figures own = w;
    own.seconds = std::max(0.0, w.seconds - idleFigures.seconds);
    own.cpuSeconds = std::max(0.0, w.cpuSeconds - idleFigures.cpuSeconds);
    return own;
  };
  PrintRatio("  without Wine's start, first", withoutStart(wf), nf, "target at most", 1.4);
  PrintRatio("  without Wine's start, second", withoutStart(ws), ns);
  std::printf("  (Wine's figures cover the whole process tree: the loader, the program, wineserver and the\n"
              "   services Wine starts, stopped with wineserver -k after each run; its peak is the largest one.\n"
              "   \"Without Wine's start\" takes off the median of Wine running its command interpreter to\n"
              "   exit at once, measured the same way in the same rounds; the peak ratio stays as measured)\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;

  const Clock::time_point generating = Clock::now();
  std::vector<std::string> summary;
  Environment env = Prepare(options, summary);
  if (!options.row) {
    std::printf("engine_bench: demo SIS of %d students, school year %s from %s (%.1f s to write)\n", options.students,
                summary[1].c_str(), options.yearStart.c_str(), Since(generating));
    for (size_t i = 2; i < summary.size(); ++i) std::printf("  %s rows\n", summary[i].c_str());
    std::printf("  data source [%s] in %s: Driver=SQLite3, StepAPI=1, LoadExt=qv_sisdqs\n", kDsn, env.ini.c_str());
    std::printf("  now fixed at %s (the last school day); the program: %s\n", env.fixedNow.c_str(), QV_PROGRAM);
  }
  auto finish = [&](int code) {
    if (options.keep) {
      std::printf("  kept %s\n", env.folder.c_str());
    } else {
      RemoveTree(env.folder);
    }
    return code;
  };

  if (options.profile) {
    Profile(env);
    return finish(0);
  }
  if (!options.windowsExe.empty()) return finish(CompareWindows(options, env));

  // The statements: one untimed extraction with its logs at level 0 (not needed when the program
  // runs alone).
  const std::string capture = env.runs + "capture/";
  MakeFolder(capture);
  bench::Statements statements;
  Package capturedPackage;
  std::string error;
  if (!options.onlyProgram) {
    const Measured captured = Capture(env, capture, env.runs + "capture-run-log.txt");
    if (!captured.ok) Die(captured.error);
    if (!bench::ReadStatements(capture + kBaseName + "ExtractLog.txt", statements, error)) Die(error);
    if (statements.select.empty()) Die("the level-0 extract log names no statement");
    capturedPackage = CountPackage(capture);
  }
  if (!options.row && !options.onlyProgram) {
    std::printf("  statements: %zu SELECTs taken from the level-0 extract log (\"Running Query\" lines), of which %d\n"
                "  table-definition dumps that the baselines read with LIMIT 1 as the extraction keeps one record;\n"
                "  %d schema probes (one record each) not repeated by the baselines\n",
                statements.select.size(), statements.dumps, statements.probes);
  }

  // The scripts of the other sides.
  const std::string shellOut = env.folder + "/shell/";
  MakeFolder(shellOut);
  std::string shellScript = ".mode tabs\n";
  std::string lines;
  for (size_t i = 0; i < statements.select.size(); ++i) {
    shellScript += ".output " + shellOut + "q" + std::to_string(i + 1) + ".tsv\n" + statements.select[i] + ";\n";
    lines += statements.select[i] + "\n";
  }
  shellScript += ".output stdout\n";
  const std::string shellFile = env.folder + "/statements.sqlite3";
  const std::string linesFile = env.folder + "/statements.sql";
  WriteFile(shellFile, shellScript);
  WriteFile(linesFile, lines);
  Launch shell, isql, odbcFloor, capiFloor;
  shell.argv = {"sqlite3", "-batch", "-bail", env.database};
  shell.in = shellFile;
  shell.err = env.folder + "/sqlite3.err";
  isql.argv = {"isql", "-b", "-x0x09", kDsn};
  isql.in = linesFile;
  isql.err = env.folder + "/isql.err";
  odbcFloor.argv = {QV_ODBC_FLOOR, kDsn, linesFile, env.folder + "/odbc-floor.tsv"};
  odbcFloor.out = env.folder + "/odbc-floor.out";
  odbcFloor.err = env.folder + "/odbc-floor.err";
  capiFloor.argv = {QV_CAPI_FLOOR, env.database, linesFile};
  capiFloor.out = env.folder + "/capi-floor.out";
  capiFloor.err = env.folder + "/capi-floor.err";

  bool failed = false;
  std::vector<Measured> first, second, shells, isqls, odbcFloors, capiFloors, otherFirst, otherSecond;
  Package package;
  for (int round = 1; round <= options.rounds && !failed; ++round) {
    const Site site = NativeSite(env, env.runs + "round" + std::to_string(round));
    std::vector<std::pair<const char*, Measured>> measured;
    if (!options.onlyProgram) {
      measured.emplace_back("sqlite3 shell", bench::Run(shell));
      measured.emplace_back("isql", bench::Run(isql));
      measured.emplace_back("ODBC floor", bench::Run(odbcFloor));
      measured.emplace_back("C-API floor", bench::Run(capiFloor));
    }
    measured.emplace_back("first run", bench::Run(ProgramRun(QV_PROGRAM, site, env.runs + "first.err")));
    Package written;
    if (measured.back().second.ok && !CheckPackage(site.import, written, measured.back().second.error)) {
      measured.back().second.ok = false;
    }
    measured.emplace_back("second run", bench::Run(ProgramRun(QV_PROGRAM, site, env.runs + "second.err")));
    if (!options.against.empty()) {
      const Site other = NativeSite(env, env.runs + "round" + std::to_string(round) + "/against");
      measured.emplace_back("other first", bench::Run(ProgramRun(options.against, other, env.runs + "other-first.err")));
      measured.emplace_back("other second", bench::Run(ProgramRun(options.against, other, env.runs + "other-second.err")));
    }
    // isql reports a failed statement on its error output and still exits 0.
    struct stat errInfo {};
    for (auto& [name, m] : measured) {
      if (!options.row) PrintRound(round, name, m);
      if (m.ok && std::string(name) == "isql" && ::stat(isql.err.c_str(), &errInfo) == 0 && errInfo.st_size > 0) {
        m.ok = false;
        m.error = "isql reported errors (see " + isql.err + ")";
      }
      if (!m.ok) {
        std::fprintf(stderr, "engine_bench: %s: %s\n", name, m.error.c_str());
        failed = true;
      }
    }
    if (failed) break;
    if (round == 1 && !options.onlyProgram && !(written == capturedPackage)) {
      std::printf("  note: the program's first run wrote %s; the capture wrote %s: the statements may differ\n",
                  Describe(written).c_str(), Describe(capturedPackage).c_str());
    }
    if (round > 1 && !(written == package)) {
      std::fprintf(stderr, "engine_bench: round %d wrote other rows than round 1\n", round);
      failed = true;
      break;
    }
    package = written;
    for (auto& [name, m] : measured) {
      const std::string side = name;
      (side == "first run"       ? first
       : side == "second run"    ? second
       : side == "other first"   ? otherFirst
       : side == "other second"  ? otherSecond
       : side == "sqlite3 shell" ? shells
       : side == "isql"          ? isqls
       : side == "ODBC floor"    ? odbcFloors
                                 : capiFloors)
          .push_back(m);
    }
    if (!options.keep) RemoveTree(env.runs + "round" + std::to_string(round));
  }
  if (failed) return finish(1);

  const Figures f1 = bench::MediansOf(first), f2 = bench::MediansOf(second);
  if (options.row) {
    std::printf("%d\t%.3f\t%.3f\t%.1f\t%.3f\t%.3f\t%.1f\n", options.students, f1.seconds, f1.cpuSeconds,
                Mib(f1.peakKb), f2.seconds, f2.cpuSeconds, Mib(f2.peakKb));
    return finish(0);
  }
  std::printf("summary (medians of %d interleaved rounds; wall, CPU user+sys, peak resident):\n", options.rounds);
  std::printf("  students                   %d\n", options.students);
  std::printf("  rows written               %lld  (%lld in %d table files, %lld attendance rows in the update file)\n",
              static_cast<long long>(package.tableRows + package.attendanceRows),
              static_cast<long long>(package.tableRows), package.tableFiles,
              static_cast<long long>(package.attendanceRows));
  PrintFigures("ours, first run", f1);
  PrintFigures("ours, second run", f2);
  if (!options.onlyProgram) {
    const Figures odbc = bench::MediansOf(odbcFloors), capi = bench::MediansOf(capiFloors);
    const Figures is = bench::MediansOf(isqls), sh = bench::MediansOf(shells);
    std::printf("  rows selected              %s", testsupport::ReadAll(capiFloor.out).c_str());
    PrintFigures("ODBC floor", odbc);
    PrintFigures("C-API floor", capi);
    PrintFigures("isql", is);
    PrintFigures("sqlite3 shell", sh);
    std::printf("ratios (ours = the first run):\n");
    PrintRatio("ours / ODBC floor", f1, odbc, "target at most", 1.6);
    PrintRatio("ours / isql", f1, is, "target at most", 1.35);
    PrintRatio("ours / sqlite3 shell", f1, sh, "target at most", 2.5);
    PrintRatio("ours / C-API floor", f1, capi);
  } else {
    std::printf("ratios:\n");
  }
  PrintRatio("second run / first run", f2, f1, "target at most", 0.35);
  if (!options.against.empty()) {
    const Figures o1 = bench::MediansOf(otherFirst), o2 = bench::MediansOf(otherSecond);
    std::printf("against %s:\n", options.against.c_str());
    PrintFigures("other, first run", o1);
    PrintFigures("other, second run", o2);
    PrintRatio("ours / other, first run", f1, o1);
    PrintRatio("ours / other, second run", f2, o2);
  }
  // The memory budget: 40 MiB up to 5,000 students, 64 MiB for the largest schools.
  const double peakLimit = options.students <= 5000 ? 40.0 : 64.0;
  std::printf("  peak of the first run          %.1f MiB (target at most %.0f MiB: %s)\n", Mib(f1.peakKb),
              peakLimit, Mib(f1.peakKb) <= peakLimit ? "met" : "missed");
  if (const std::string strace = FindProgram("strace"); !strace.empty()) {
    CountFsyncs(env, strace);
  } else {
    std::printf("  fsyncs per run                 not counted (strace is not installed)\n");
  }
  // Every peak includes this process's resident size at fork, which the kernel carries over an
  // exec into the child's high-water mark.
  struct rusage self {};
  ::getrusage(RUSAGE_SELF, &self);
  std::printf("  (every peak includes the launcher's own %.1f MiB, carried into its children)\n",
              Mib(static_cast<double>(self.ru_maxrss)));
  return finish(0);
}
