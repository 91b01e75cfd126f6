// A whole extraction of a large school against two command-line clients running the same
// SELECT statements on the same database, in the same run.
//
// The benchmark writes a demo SIS of a large school (5,000 students by default) with a full
// school year of attendance (the year starting 20 August 2024), registers it as a user data
// source in a throwaway ODBC ini file (Driver=SQLite3, StepAPI=1, LoadExt= the strict-names
// extension), fixes "now" at the afternoon of the school year's last day, and then:
//   - once, untimed: the extraction with its logs at level 0 ("Proprietary"), where the data
//     access writes the text of every query it runs into the extract log right after
//     "Running Query"; those lines are the statements the baselines run;
//   - round after round, each side in its own child process:
//       ours:       the command-line run's calls: ValidateConnection, ValidateSchoolNumber and
//                   PerformExtract with both gather flags into a fresh import folder, logs at
//                   Info as a normal run has them;
//       sqlite3:    Debian's SQLite shell on the same database file, `.mode tabs`, each
//                   statement's rows into its own file with `.output FILE`;
//       isql:       unixODBC's isql on the same data source, `-b -x0x09`, output to /dev/null.
// Wall time runs from fork to exit, so it covers start-up, connecting and every row; the peak
// resident memory comes from wait4. The parent stays small (no ODBC, no SQLite of its own), as a
// forked child's peak starts from its parent's size.
//
//   engine_bench [--students N] [--seed N] [--year-start YYYY-MM-DD] [--rounds N] [--steps]
//                [--keep]
//
// Prints students, rows written, seconds of each side, the ratios ours/isql and
// ours/sqlite3-shell, and the peak memory of each (MiB). --steps adds the time of each step of
// the extraction (from its progress texts). Exits 0 unless something failed functionally.
//
// Native only: it measures processes with fork, exec and wait4 directly, as a harness would.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/ExpEngine.h"
#include "engine/ExtractSettings.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XFileSpec.h"
#include "foundation/XLog.h"
#include "foundation/XLogFile.h"
#include "foundation/XProgress.h"
#include "foundation/XTime.h"
#include "package/QDEApplication.h"
#include "tools/demosis/DemoGenerator.h"

namespace {

using bench::Clock;
using bench::ExtensionModule;
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
  int rounds = 3;
  bool steps = false;
  bool keep = false;
};

[[noreturn]] void Die(const std::string& message) { bench::Die("engine_bench", message); }

void WriteFile(const std::string& path, const std::string& text) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fclose(file) != 0) {
    Die("cannot write " + path);
  }
}

void MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) Die("cannot create " + path);
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveTree(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    for (const std::string& name : ListFolder(path)) RemoveTree(path + "/" + name);
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
  }
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Calls `line` with every line of a file (without CR LF), reading it in blocks so that the
// parent's memory stays flat.
template <typename LineFunction>
bool ForEachLine(const std::string& path, LineFunction line) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::string current;
  char buffer[1 << 16];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    for (size_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') {
        if (!current.empty() && current.back() == '\r') current.pop_back();
        line(current);
        current.clear();
      } else if (current.size() < 4096 || buffer[i] == '\r') {
        current.push_back(buffer[i]);  // long lines are only counted, not kept whole
      }
    }
  }
  if (!current.empty()) line(current);
  std::fclose(file);
  return true;
}

// ---- Measured processes -------------------------------------------------------------------

struct Measured {
  bool ok = false;
  double seconds = 0;
  double cpuSeconds = 0;  // user and system time: less disturbed by other load on the machine
  long peakKb = 0;
  std::string error;
};

// Waits for a child and takes its wall time and peak resident memory.
void Reap(pid_t pid, Clock::time_point start, Measured& measured) {
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  measured.seconds = Since(start);
  measured.peakKb = usage.ru_maxrss;
  measured.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  measured.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!measured.ok && measured.error.empty()) {
    measured.error = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                       : "killed by signal " + std::to_string(WTERMSIG(status));
  }
}

// Runs a program with its standard input, output and error redirected to files.
Measured RunProgram(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
                    const std::string& err) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  std::fflush(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = ::fork();
  if (pid < 0) Die("fork failed");
  if (pid == 0) {
    int inFd = ::open(in.c_str(), O_RDONLY);
    int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (inFd < 0 || outFd < 0 || errFd < 0) ::_exit(126);
    ::dup2(inFd, 0);
    ::dup2(outFd, 1);
    ::dup2(errFd, 2);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  Measured measured;
  Reap(pid, start, measured);
  if (!measured.ok) measured.error = argv[0] + ": " + measured.error + " (see " + err + ")";
  return measured;
}

// ---- Our extraction, in a child ---------------------------------------------------------

// The time each step of the run took, from the progress texts the engine shows.
class StepTimer : public XProgress {
 public:
  void ShowStepText(const char* text) override {
    Mark();
    m_text = text ? text : "";
  }
  void SetRange(int32_t) override {}
  void SetPosition(int32_t) override {}
  void Mark() {
    const Clock::time_point now = Clock::now();
    if (!m_text.empty()) {
      m_steps += m_text + "\t" + std::to_string(std::chrono::duration<double>(now - m_start).count()) + "\n";
    }
    m_start = now;
    m_text.clear();
  }
  const std::string& Steps() const { return m_steps; }

 private:
  Clock::time_point m_start = Clock::now();
  std::string m_text;
  std::string m_steps;
};

struct Environment {
  std::string folder, database, ini, runs;
  XDateTime now;
};

// One run as the command line makes it, in a forked child: a new engine, the connection and
// the school validated, then the whole extraction. The child sends back "ok" or the error,
// then its step times.
Measured RunExtraction(const Environment& env, const std::string& importFolder, const std::string& runLogPath,
                       int32_t logLevel, std::string& steps) {
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
      XLogFile runLog("QvMeridane Run Log", XFileSpec(runLogPath.c_str()), logLevel);
      runLog.Begin();
      StepTimer progress;
      {
        ExpEngine engine;
        QDEApplication& identity = engine.Application();
        identity.m_fullName = "Velkstrom Data Extractor for Meridane";
        identity.m_version = "1.1.2.1";
        identity.m_creatorId = "Meridane_DE";
        identity.m_fileBaseName = kBaseName;
        identity.m_maker = "Velkstrom Software";
        identity.m_buildDate = XDate::FromYMD(2024, 8, 1);
        engine.SetRunLog(&runLog);

        ExtractSettings settings;
        settings.m_importFolder = importFolder.c_str();
        settings.m_district = "Springfield";
        settings.m_schoolNumber = kSchool;
        settings.m_dsn = kDsn;
        settings.m_inactiveCutoff = -1;
        if (!engine.ValidateConnection(kDsn, "", "")) throw XException("ValidateConnection answered false");
        if (!engine.ValidateSchoolNumber(kDsn, "", "", kSchool)) throw XException("ValidateSchoolNumber answered false");
        engine.PerformExtract(&progress, kDsn, "", "", settings, true, true);
      }
      progress.Mark();
      runLog.End();
      reply = "ok\n" + progress.Steps();
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
  Measured measured;
  Reap(pid, start, measured);
  if (reply.compare(0, 3, "ok\n") == 0) {
    steps = reply.substr(3);
  } else {
    measured.ok = false;
    measured.error = reply.empty() ? "the extraction child ended without a reply (" + measured.error + ")"
                                   : reply.substr(0, reply.size() - 1);
  }
  return measured;
}

// What the extraction wrote: the rows of the table files, and the attendance rows of the update
// file (its lines between a section's field-name line and the "*" that ends the section).
struct Package {
  int tableFiles = 0;
  int64_t tableRows = 0;
  int updateFiles = 0;
  int64_t attendanceRows = 0;
};

Package CountPackage(const std::string& importFolder) {
  Package package;
  for (const std::string& name : ListFolder(importFolder)) {
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

// The statements of the SIS that the extraction ran: at level 0 the data access writes the text
// of every query it runs on the line after "Running Query". Schema probes are not among them
// (they have lines of their own and fetch one record at most).
struct Statements {
  std::vector<std::string> select;
  int probes = 0;
  int dumps = 0;
};

// The diagnostic table-definition dump, "SELECT * FROM <table>": the extraction keeps one record
// of it (only the columns are listed), so the baselines read it with LIMIT 1.
bool IsTableDump(const std::string& sql) {
  static const std::string kPrefix = "SELECT * FROM ";
  if (sql.compare(0, kPrefix.size(), kPrefix) != 0 || sql.size() == kPrefix.size()) return false;
  for (size_t i = kPrefix.size(); i < sql.size(); ++i) {
    const char c = sql[i];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return true;
}

// Lines below Info carry the time of writing in front: "DD/MM/YYYY|HH:NN:SS ".
std::string WithoutTimePrefix(const std::string& line) {
  static const char kShape[] = "99/99/9999|99:99:99 ";
  const size_t length = sizeof kShape - 1;
  if (line.size() < length) return line;
  for (size_t i = 0; i < length; ++i) {
    const bool digit = line[i] >= '0' && line[i] <= '9';
    if (kShape[i] == '9' ? !digit : line[i] != kShape[i]) return line;
  }
  return line.substr(length);
}

Statements ReadStatements(const std::string& extractLog) {
  Statements statements;
  bool next = false;
  const bool read = ForEachLine(extractLog, [&](const std::string& logLine) {
    const std::string line = WithoutTimePrefix(logLine);
    if (next) statements.select.push_back(line);
    next = line == "Running Query";
    if (line.compare(0, 19, "Table Exists query:") == 0 || line.compare(0, 19, "Field Exists query:") == 0) {
      ++statements.probes;
    }
  });
  if (!read) Die("cannot read " + extractLog);
  for (const std::string& sql : statements.select) {
    if (sql.size() < 7 || strncasecmp(sql.c_str(), "SELECT ", 7) != 0) {
      Die("the line after \"Running Query\" is not a SELECT: " + sql.substr(0, 200));
    }
    if (sql.size() >= 4096) Die("a statement longer than the line reader keeps: " + sql.substr(0, 200));
  }
  for (std::string& sql : statements.select) {
    if (IsTableDump(sql)) {
      sql += " LIMIT 1";
      ++statements.dumps;
    }
  }
  return statements;
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
  const std::string extension = ExtensionModule();
  if (extension.empty()) Die("the strict-names extension (qv_sisdqs) was not built");
  bench::RegisterDataSource("engine_bench", env.ini, kDsn, env.database, extension);
  // The program's own settings and application data stay inside the throwaway folder.
  for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "QV_MACHINE_HIVE_DIR"}) {
    const std::string folder = env.folder + "/" + variable;
    MakeFolder(folder);
    ::setenv(variable, folder.c_str(), 1);
  }

  summary = Generate(options, env.database);
  int year = 0, month = 0, day = 0;
  if (std::sscanf(summary[0].c_str(), "%d-%d-%d", &year, &month, &day) != 3) Die("bad school year end " + summary[0]);
  // The afternoon of the last school day: the attendance windows cover the whole year.
  env.now = XDateTime(XDate::FromYMD(year, month, day), XTime::FromHMS(16, 0, 0));
  return env;
}

// ---- Report -------------------------------------------------------------------------------

double Mib(long kb) { return kb / 1024.0; }

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--keep") {
      options.keep = true;
    } else if (arg == "--steps") {
      options.steps = true;
    } else if (arg == "--students" && value) {
      options.students = std::atoi(argv[++i]);
    } else if (arg == "--seed" && value) {
      options.seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--year-start" && value) {
      options.yearStart = argv[++i];
    } else if (arg == "--rounds" && value) {
      options.rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr,
                   "usage: engine_bench [--students N] [--seed N] [--year-start YYYY-MM-DD] [--rounds N] [--steps] "
                   "[--keep]\n");
      return false;
    }
  }
  return options.students > 0;
}

struct Best {
  double seconds = 1e30;
  double cpuSeconds = 1e30;
  long peakKb = 0;
  void Add(const Measured& m) {
    seconds = std::min(seconds, m.seconds);
    cpuSeconds = std::min(cpuSeconds, m.cpuSeconds);
    peakKb = std::max(peakKb, m.peakKb);
  }
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;

  const Clock::time_point generating = Clock::now();
  std::vector<std::string> summary;
  Environment env = Prepare(options, summary);
  std::printf("engine_bench: demo SIS of %d students, school year %s from %s (%.1f s to write)\n", options.students,
              summary[1].c_str(), options.yearStart.c_str(), Since(generating));
  for (size_t i = 2; i < summary.size(); ++i) std::printf("  %s rows\n", summary[i].c_str());
  std::printf("  data source [%s] in %s: Driver=SQLite3, StepAPI=1, LoadExt=qv_sisdqs\n", kDsn, env.ini.c_str());
  std::printf("  now fixed at %s 16:00 (the last school day)\n", summary[0].c_str());

  // The statements: one untimed extraction with its logs at level 0.
  const std::string capture = env.runs + "capture/";
  MakeFolder(capture);
  std::string steps;
  Measured captured = RunExtraction(env, capture, env.runs + "capture-run-log.txt", kLogProprietary, steps);
  if (!captured.ok) Die(captured.error);
  const Statements statements = ReadStatements(capture + kBaseName + "ExtractLog.txt");
  if (statements.select.empty()) Die("the level-0 extract log names no statement");
  std::printf("  statements: %zu SELECTs taken from the level-0 extract log (\"Running Query\" lines), of which %d\n"
              "  table-definition dumps that the baselines read with LIMIT 1 as the extraction keeps one record;\n"
              "  %d schema probes (one record each) not repeated by the baselines\n",
              statements.select.size(), statements.dumps, statements.probes);

  // The baselines' scripts.
  const std::string shellOut = env.folder + "/shell/";
  MakeFolder(shellOut);
  std::string shellScript = ".mode tabs\n";
  std::string isqlScript;
  for (size_t i = 0; i < statements.select.size(); ++i) {
    shellScript += ".output " + shellOut + "q" + std::to_string(i + 1) + ".tsv\n" + statements.select[i] + ";\n";
    isqlScript += statements.select[i] + "\n";
  }
  shellScript += ".output stdout\n";
  const std::string shellFile = env.folder + "/statements.sqlite3";
  const std::string isqlFile = env.folder + "/statements.isql";
  WriteFile(shellFile, shellScript);
  WriteFile(isqlFile, isqlScript);
  const std::vector<std::string> shellArgs = {"sqlite3", "-batch", "-bail", env.database};
  const std::vector<std::string> isqlArgs = {"isql", "-b", "-x0x09", kDsn};
  const std::string shellErr = env.folder + "/sqlite3.err", isqlErr = env.folder + "/isql.err";

  bool failed = false;
  Best ours, shell, isql;
  Package package;
  std::string lastSteps;
  for (int round = 1; round <= options.rounds && !failed; ++round) {
    const std::string import = env.runs + "round" + std::to_string(round) + "/";
    MakeFolder(import);
    Measured a = RunProgram(shellArgs, shellFile, "/dev/null", shellErr);
    Measured b = RunProgram(isqlArgs, isqlFile, "/dev/null", isqlErr);
    Measured m = RunExtraction(env, import, env.runs + "run-log.txt", kLogInfo, lastSteps);
    // isql reports a failed statement on its error output and still exits 0.
    struct stat errInfo {};
    if (b.ok && ::stat(isqlErr.c_str(), &errInfo) == 0 && errInfo.st_size > 0) {
      b.ok = false;
      b.error = "isql reported errors (see " + isqlErr + ")";
    }
    std::printf("  round %d  ours %6.3f s (cpu %6.3f) %5.1f MiB   sqlite3 shell %6.3f s (cpu %6.3f) %5.1f MiB   "
                "isql %6.3f s (cpu %6.3f) %5.1f MiB\n",
                round, m.seconds, m.cpuSeconds, Mib(m.peakKb), a.seconds, a.cpuSeconds, Mib(a.peakKb), b.seconds,
                b.cpuSeconds, Mib(b.peakKb));
    for (const Measured* side : {&m, &a, &b}) {
      if (!side->ok) {
        std::fprintf(stderr, "engine_bench: %s\n", side->error.c_str());
        failed = true;
      }
    }
    if (failed) break;
    const Package written = CountPackage(import);
    if (written.tableFiles != 21 || written.updateFiles != 1 || written.tableRows == 0 || written.attendanceRows == 0) {
      std::fprintf(stderr, "engine_bench: incomplete package in %s: %d table files (%lld rows), %d update files (%lld rows)\n",
                   import.c_str(), written.tableFiles, static_cast<long long>(written.tableRows), written.updateFiles,
                   static_cast<long long>(written.attendanceRows));
      failed = true;
      break;
    }
    if (round > 1 && (written.tableRows != package.tableRows || written.attendanceRows != package.attendanceRows)) {
      std::fprintf(stderr, "engine_bench: round %d wrote other rows than round 1\n", round);
      failed = true;
      break;
    }
    package = written;
    ours.Add(m);
    shell.Add(a);
    isql.Add(b);
    if (!options.keep) RemoveTree(import);
  }

  if (!failed) {
    int64_t selected = 0;
    for (const std::string& name : ListFolder(shellOut)) {
      ForEachLine(shellOut + name, [&](const std::string&) { ++selected; });
    }
    std::printf("summary (best time and highest peak of %d rounds):\n", options.rounds);
    std::printf("  students                 %d\n", options.students);
    std::printf("  rows written             %lld  (%lld in %d table files, %lld attendance rows in the update file)\n",
                static_cast<long long>(package.tableRows + package.attendanceRows),
                static_cast<long long>(package.tableRows), package.tableFiles,
                static_cast<long long>(package.attendanceRows));
    std::printf("  rows selected            %lld  (lines of the shell's output files, %zu statements)\n",
                static_cast<long long>(selected), statements.select.size());
    std::printf("  ours (PerformExtract)    %7.3f s  cpu %7.3f s  peak %6.1f MiB  (target under 64 MiB: %s)\n",
                ours.seconds, ours.cpuSeconds, Mib(ours.peakKb), Mib(ours.peakKb) < 64.0 ? "met" : "missed");
    std::printf("  sqlite3 shell            %7.3f s  cpu %7.3f s  peak %6.1f MiB\n", shell.seconds, shell.cpuSeconds,
                Mib(shell.peakKb));
    std::printf("  isql                     %7.3f s  cpu %7.3f s  peak %6.1f MiB\n", isql.seconds, isql.cpuSeconds,
                Mib(isql.peakKb));
    const double vsIsql = ours.seconds / isql.seconds, vsShell = ours.seconds / shell.seconds;
    std::printf("  ours / isql              %.2f wall, %.2f cpu  (target at most 1.00: %s)\n", vsIsql,
                ours.cpuSeconds / isql.cpuSeconds, vsIsql <= 1.0 ? "met" : "missed");
    std::printf("  ours / sqlite3 shell     %.2f wall, %.2f cpu  (target at most 3.00: %s)\n", vsShell,
                ours.cpuSeconds / shell.cpuSeconds, vsShell <= 3.0 ? "met" : "missed");
    // The peaks of the baselines include this process's own resident size at fork, which the
    // kernel carries over an exec into the child's high-water mark.
    struct rusage self {};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf("  (every peak includes the launcher's own %.1f MiB, carried into its children)\n", Mib(self.ru_maxrss));
    if (options.steps) {
      std::printf("steps of the last run (seconds, from the progress texts):\n");
      for (size_t at = 0, lf; (lf = lastSteps.find('\n', at)) != std::string::npos; at = lf + 1) {
        const std::string line = lastSteps.substr(at, lf - at);
        const size_t tab = line.find('\t');
        std::printf("  %-40s %s\n", line.substr(0, tab).c_str(), line.substr(tab + 1).c_str());
      }
    }
  }

  if (options.keep) {
    std::printf("  kept %s\n", env.folder.c_str());
  } else {
    RemoveTree(env.folder);
  }
  return failed ? 1 : 0;
}
