// Reading a large SIS table through the data access against unixODBC's own command-line client
// reading the same SELECT from the same data source, in the same run.
//
// The benchmark writes a demo SIS database big enough that its largest table (the daily
// absences) holds about half a million rows, registers it as a user data source in a throwaway
// ODBC ini file (Driver=SQLite3, StepAPI=1), and then, for each table (by default the 95-column
// Student table and the long Absence table), round after round:
//   - the baseline: `isql -b -x0x09 DSN` with the SELECT on its standard input and its output
//     to /dev/null (one untimed run more, through a pipe, counts its rows);
//   - the data access: ODBCDataAccess, with the extraction engine's options, checks the table
//     and its fields in the database, builds the same SELECT from its query model, runs it and
//     reads every field of every row as text with the value reader the package writer uses.
// Each side runs in its own child process, so that wall time covers the whole read (start,
// connect, query, every row) and the peak resident memory reported by wait4 is that side's
// alone. The parent stays small (no ODBC, no SQLite of its own), because a forked child's peak
// starts from its parent's size.
//
//   data_bench [--students N] [--table NAME]... [--rounds N] [--baseline isql|iusql] [--keep]
//              [--postgres SERVER_ENV]
//
// --postgres reads the same tables from the PostgreSQL server whose settings file (build/pg/
// server.env of scripts/pg-server.sh) it names: the demo SIS is loaded into the server (its
// psql script through psql) and the data source is one of the server's Unicode driver, with a
// server cursor; the data access then uses the Postgres type, with quoted names, as the engine
// does against a server.
//
// Prints, per table, rows, seconds, CPU seconds, rows per second, the ratios data access /
// baseline (wall and CPU, medians of the rounds), the peak memory of both and the ratio of the
// data access's peak to the size of the result's text.
// Exits 0 unless something failed functionally (a child failed, or the row counts differ).
//
// Native only: it measures processes with fork, exec and wait4 directly, as a harness would.
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/Medians.h"
#include "bench/Process.h"
#include "data/DatabaseType.h"
#include "data/ODBCDataAccess.h"
#include "foundation/XLog.h"
#include "testsupport/TestDataSources.h"
#include "tools/demosis/DemoGenerator.h"
#include "tools/demosis/DemoSchema.h"
#include "tools/demosis/PostgresScript.h"

namespace {

using bench::Clock;
using bench::ExtensionModule;
using bench::ReadAll;
using bench::Since;
using bench::WriteAll;
constexpr const char* kDsn = "QvDataBench";

struct Options {
  int students = 60000;
  std::vector<std::string> tables;  // Student and Absence when none is named
  int rounds = 5;
  std::string baseline = "isql";
  bool keep = false;
  std::string postgresEnv;  // the server's settings file; empty for the SQLite data source
};

// Where the PostgreSQL data source points: the server's settings, read from its file.
testsupport::PostgresServer g_postgres;
bool g_onPostgres = false;

// What a measured child reports back through its pipe.
struct ChildReport {
  int ok = 0;
  int64_t rows = 0;
  int64_t lineFeeds = 0;   // LF characters inside the values (the baseline prints them raw)
  int64_t textBytes = 0;   // the text of every field of every row
  double connectSeconds = 0, schemaSeconds = 0, openSeconds = 0, readSeconds = 0;
  int64_t heapAfterOpen = 0;  // bytes in use by malloc once the query is open
  char error[512] = {};
};

struct Measured {
  double seconds = 0;
  double cpuSeconds = 0;
  long peakKb = 0;
  int64_t rows = 0;
  int64_t lines = 0;
  int64_t bytes = 0;
  ChildReport report;
};

[[noreturn]] void Die(const std::string& message) { bench::Die("data_bench", message); }

// Keeps nothing: the benchmark measures reading, not logging.
class SilentLog : public XLog {
 public:
  SilentLog() : XLog(kLogNone) { SetThrowLevel(kLogNone + 1); }
  void Emit(int32_t, const char*) override {}
};

// The data access as the extraction engine sets it up for the demo SIS: a "Lotus Notes" data
// source, and, with `verify`, the engine's options, under which the table and every field are
// probed in the database before they join the query.
struct BenchAccess {
  SilentLog log;
  XEngineLog engineLog{&log, &log};
  ODBCDataAccess db;
  std::vector<ODBCField*> fields;

  explicit BenchAccess(bool verify) : db(verify ? 0x01u | kVerifySchema : 0x01u, engineLog) {
    db.Connection().SetDatabaseType(g_onPostgres ? kDbPostgres : kDbLotusNotes);
    db.Schema().SetQuoteTables(g_onPostgres);
    db.Schema().SetQuoteFields(g_onPostgres);
    db.Connection().SetDataSource(kDsn);
  }
  // One field per column of the table.
  void DescribeQuery(const demosis::TableDef& table) {
    ODBCTable* t = db.Query().AddTable("", table.name.c_str(), "T");
    for (const demosis::ColumnDef& column : table.columns) fields.push_back(db.Query().AddField(column.name.c_str(), t, true));
  }
};

// ---- Children ---------------------------------------------------------------------------

// Runs `body` in a forked child that writes a ChildReport to a pipe, and measures the child:
// wall time from fork to exit, peak resident memory from wait4.
template <typename Body>
Measured RunChild(Body body) {
  int fds[2];
  if (::pipe(fds) != 0) Die("pipe failed");
  std::fflush(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = ::fork();
  if (pid < 0) Die("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    ChildReport report;
    try {
      body(report);
      report.ok = 1;
    } catch (const std::exception& error) {
      std::snprintf(report.error, sizeof report.error, "%s", error.what());
    } catch (...) {
      std::snprintf(report.error, sizeof report.error, "unknown exception");
    }
    WriteAll(fds[1], &report, sizeof report);
    ::_exit(report.ok ? 0 : 1);
  }
  ::close(fds[1]);
  Measured measured;
  const bool got = ReadAll(fds[0], &measured.report, sizeof measured.report);
  ::close(fds[0]);
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  measured.seconds = Since(start);
  measured.cpuSeconds = bench::CpuSeconds(usage);
  measured.peakKb = usage.ru_maxrss;
  if (!got) std::snprintf(measured.report.error, sizeof measured.report.error, "the child ended without a report");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) measured.report.ok = 0;
  measured.rows = measured.report.rows;
  return measured;
}

// The data access: connect, run the built query, read every field of every row as text.
Measured RunDataAccess(const demosis::TableDef& table) {
  return RunChild([&](ChildReport& report) {
    Clock::time_point t = Clock::now();
    BenchAccess access(true);
    ODBCDataAccess& db = access.db;
    db.Connect(db.Connection().BuildConnectionString(kDsn, nullptr, nullptr));
    report.connectSeconds = Since(t);

    t = Clock::now();
    access.DescribeQuery(table);
    report.schemaSeconds = Since(t);

    t = Clock::now();
    db.RunBuiltQuery();
    report.openSeconds = Since(t);
    {
      const struct mallinfo2 heap = mallinfo2();
      report.heapAfterOpen = static_cast<int64_t>(heap.uordblks + heap.hblkhd);  // the heap and mmapped blocks
    }

    t = Clock::now();
    int64_t rows = 0, bytes = 0, lineFeeds = 0;
    for (bool more = db.Reader().GetFirstRecord(); more; more = db.Reader().GetNextRecord()) {
      ++rows;
      for (ODBCField* field : access.fields) {
        // The reader every text value function of the package writer starts from.
        XString text = db.Reader().GetFieldText(field);
        bytes += text.Length();
        lineFeeds += std::count(text.c_str(), text.c_str() + text.Length(), '\n');
      }
    }
    report.readSeconds = Since(t);
    db.CloseQuery();
    db.Disconnect();
    report.rows = rows;
    report.textBytes = bytes;
    report.lineFeeds = lineFeeds;
  });
}

// The baseline: the command-line client with the query on its standard input. Timed, its output
// goes to /dev/null (a pipe would slow it down); counted, it comes through a pipe and its lines
// and bytes are counted, then dropped.
Measured RunBaseline(const Options& options, const std::string& queryFile, const std::string& errorFile,
                     bool count) {
  int out[2];
  if (count && ::pipe(out) != 0) Die("pipe failed");
  std::fflush(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = ::fork();
  if (pid < 0) Die("fork failed");
  if (pid == 0) {
    int in = ::open(queryFile.c_str(), O_RDONLY);
    int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int sink = count ? out[1] : ::open("/dev/null", O_WRONLY);
    if (in < 0 || err < 0 || sink < 0) ::_exit(126);
    ::dup2(in, 0);
    ::dup2(sink, 1);
    ::dup2(err, 2);
    if (count) ::close(out[0]);
    // -b: batch mode (no banner, no prompts); -x0x09: TAB between the values of a row.
    ::execlp(options.baseline.c_str(), options.baseline.c_str(), "-b", "-x0x09", kDsn, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  Measured measured;
  if (count) {
    ::close(out[1]);
    std::vector<char> buffer(1 << 16);
    for (;;) {
      ssize_t n = ::read(out[0], buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      measured.bytes += n;
      measured.lines += std::count(buffer.data(), buffer.data() + n, '\n');
    }
    ::close(out[0]);
  }
  int status = 0;
  struct rusage usage {};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  measured.seconds = Since(start);
  measured.cpuSeconds = bench::CpuSeconds(usage);
  measured.peakKb = usage.ru_maxrss;
  measured.report.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!measured.report.ok) {
    std::snprintf(measured.report.error, sizeof measured.report.error, "%s exited with status %d (see %s)",
                  options.baseline.c_str(), WIFEXITED(status) ? WEXITSTATUS(status) : -1, errorFile.c_str());
  }
  return measured;
}

// ---- Set-up -------------------------------------------------------------------------------

struct Setup {
  std::string folder, database, ini, errorFile;
};

// One table's query, in a file of its own for the baseline.
struct TableQuery {
  const demosis::TableDef* table = nullptr;
  std::string sql, queryFile;
  int64_t rows = 0;
};

// Generates the database and builds the SELECT of every table in a child, so that neither
// SQLite's nor the generator's memory stays in this process.
Setup Prepare(const Options& options, std::vector<TableQuery>& queries) {
  Setup setup;
  setup.folder = bench::MakeTempFolder("data_bench", "qv-data-bench");
  setup.database = setup.folder + "/meridane-demo.db";
  setup.ini = setup.folder + "/odbc.ini";
  setup.errorFile = setup.folder + "/baseline.err";

  if (g_onPostgres) {
    const std::string section = std::string("[") + kDsn + "]\nDriver=PostgreSQL Unicode\nServername=" + g_postgres.host +
                                "\nPort=" + g_postgres.port + "\nDatabase=" + g_postgres.database + "\nUsername=" +
                                g_postgres.user + "\nPassword=" + g_postgres.password +
                                "\nUseDeclareFetch=1\nFetch=1000\n";
    FILE* ini = std::fopen(setup.ini.c_str(), "w");
    if (!ini || std::fputs(section.c_str(), ini) < 0 || std::fclose(ini) != 0) Die("cannot write " + setup.ini);
    ::setenv("ODBCINI", setup.ini.c_str(), 1);
  } else {
    bench::RegisterDataSource("data_bench", setup.ini, kDsn, setup.database, ExtensionModule());
  }

  int fds[2];
  if (::pipe(fds) != 0) Die("pipe failed");
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    std::string reply;
    int code = 0;
    try {
      demosis::DemoOptions demo;
      demo.out = setup.database;
      demo.seed = 1;
      demo.students = options.students;
      demosis::DemoSummary summary = demosis::GenerateDemoDatabase(demo);
      if (g_onPostgres) {
        // The same SIS into the server, through its own client.
        const std::string script = setup.folder + "/sis.sql";
        demosis::WritePostgresScript(setup.database, script);
        bench::Launch psql;
        psql.argv = {"psql", "-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", g_postgres.host, "-p", g_postgres.port,
                     "-U", g_postgres.user, "-d", g_postgres.database, "-f", script};
        psql.err = setup.folder + "/psql.err";
        psql.env = {"PGPASSWORD=" + g_postgres.password};
        const bench::Measured loaded = bench::Run(psql);
        if (!loaded.ok) {
          throw std::runtime_error("loading the demo SIS into the server failed (" + loaded.error + ", see " +
                                   psql.err + ")");
        }
        ::unlink(script.c_str());
      }
      for (const TableQuery& query : queries) {
        int64_t rows = -1;
        for (const auto& [tableName, count] : summary.rows) {
          if (tableName == query.table->name) rows = count;
        }
        BenchAccess access(false);
        access.DescribeQuery(*query.table);
        reply += std::to_string(rows) + "\n" + access.db.Query().BuildQuery().ToStd() + "\n";
      }
    } catch (const std::exception& error) {
      reply = std::string("generating the demo SIS failed: ") + error.what();
      code = 1;
    }
    WriteAll(fds[1], reply.data(), reply.size());
    ::_exit(code);
  }
  ::close(fds[1]);
  std::string reply;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    reply.append(buffer, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Die(reply.empty() ? "the generator failed" : reply);
  size_t at = 0;
  for (TableQuery& query : queries) {
    const size_t rowsEnd = reply.find('\n', at);
    const size_t sqlEnd = rowsEnd == std::string::npos ? rowsEnd : reply.find('\n', rowsEnd + 1);
    if (sqlEnd == std::string::npos) Die("the query of " + query.table->name + " was not built");
    query.rows = std::atoll(reply.substr(at, rowsEnd - at).c_str());
    query.sql = reply.substr(rowsEnd + 1, sqlEnd - rowsEnd - 1);
    at = sqlEnd + 1;
    query.queryFile = setup.folder + "/" + query.table->name + ".sql";
    FILE* file = std::fopen(query.queryFile.c_str(), "w");
    if (!file || std::fprintf(file, "%s\n", query.sql.c_str()) < 0 || std::fclose(file) != 0) {
      Die("cannot write " + query.queryFile);
    }
  }
  return setup;
}

void RemoveFolder(const Setup& setup, const std::vector<TableQuery>& queries) {
  for (const TableQuery& query : queries) ::unlink(query.queryFile.c_str());
  for (const std::string& file : {setup.database, setup.ini, setup.errorFile}) ::unlink(file.c_str());
  ::rmdir(setup.folder.c_str());
}

// ---- Report -------------------------------------------------------------------------------

double Mb(double bytes) { return bytes / (1024.0 * 1024.0); }

void PrintRun(int round, const char* side, const Measured& m) {
  std::printf("  round %d  %-15s %9lld rows  %7.3f s  cpu %7.3f s  %10.0f rows/s  peak %7.1f MB", round, side,
              static_cast<long long>(m.rows), m.seconds, m.cpuSeconds,
              m.seconds > 0 ? static_cast<double>(m.rows) / m.seconds : 0.0, m.peakKb / 1024.0);
  if (m.report.connectSeconds + m.report.openSeconds + m.report.readSeconds > 0) {
    std::printf("  (connect %.3f s, schema checks %.3f s, open %.3f s, read %.3f s; heap after open %.1f MB)",
                m.report.connectSeconds, m.report.schemaSeconds, m.report.openSeconds, m.report.readSeconds, Mb(static_cast<double>(m.report.heapAfterOpen)));
  }
  std::printf("\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (arg == "--keep") {
      options.keep = true;
    } else if (arg == "--students" && value) {
      options.students = std::atoi(argv[++i]);
    } else if (arg == "--table" && value) {
      options.tables.push_back(argv[++i]);
    } else if (arg == "--rounds" && value) {
      options.rounds = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--baseline" && value) {
      options.baseline = argv[++i];
    } else if (arg == "--postgres" && value) {
      options.postgresEnv = argv[++i];
    } else {
      std::fprintf(stderr,
                   "usage: data_bench [--students N] [--table NAME]... [--rounds N] [--baseline isql|iusql] [--keep]\n"
                   "                  [--postgres SERVER_ENV]\n");
      return false;
    }
  }
  return options.students > 0;
}

bench::Measured AsMeasured(const Measured& m) {
  bench::Measured measured;
  measured.seconds = m.seconds;
  measured.cpuSeconds = m.cpuSeconds;
  measured.peakKb = m.peakKb;
  return measured;
}

// One table: an untimed, counted baseline run, then the rounds. Prints the rounds and the
// summary; false when a side failed or the row counts differ.
bool BenchTable(const Options& options, const Setup& setup, const TableQuery& query) {
  const demosis::TableDef& table = *query.table;
  std::printf("table %s: %lld rows, %zu columns\n", table.name.c_str(), static_cast<long long>(query.rows),
              table.columns.size());
  std::printf("  query: %s\n", query.sql.substr(0, 300).c_str());
  // The baseline prints one line per row, plus the line feeds inside values.
  Measured counted = RunBaseline(options, query.queryFile, setup.errorFile, true);
  if (!counted.report.ok) {
    std::fprintf(stderr, "data_bench: %s\n", counted.report.error);
    return false;
  }
  std::vector<bench::Measured> bases, ours;
  long peakBase = 0, peakOurs = 0;
  int64_t textBytes = 0;
  for (int round = 1; round <= options.rounds; ++round) {
    Measured base = RunBaseline(options, query.queryFile, setup.errorFile, false);
    Measured our = RunDataAccess(table);
    base.rows = counted.lines - our.report.lineFeeds;
    base.bytes = counted.bytes;
    PrintRun(round, options.baseline.c_str(), base);
    PrintRun(round, "ODBCDataAccess", our);
    if (!base.report.ok || !our.report.ok) {
      std::fprintf(stderr, "data_bench: %s\n", !base.report.ok ? base.report.error : our.report.error);
      return false;
    }
    if (base.rows != our.rows || our.rows != query.rows) {
      std::fprintf(stderr, "data_bench: row counts differ: %s %lld, ODBCDataAccess %lld, table %lld\n",
                   options.baseline.c_str(), static_cast<long long>(base.rows), static_cast<long long>(our.rows),
                   static_cast<long long>(query.rows));
      return false;
    }
    bases.push_back(AsMeasured(base));
    ours.push_back(AsMeasured(our));
    peakBase = std::max(peakBase, base.peakKb);
    peakOurs = std::max(peakOurs, our.peakKb);
    textBytes = our.report.textBytes;
  }
  const bench::Figures b = bench::MediansOf(bases), o = bench::MediansOf(ours);
  const double rows = static_cast<double>(query.rows);
  const double timeRatio = o.seconds / b.seconds;
  const double memoryRatio = (peakOurs * 1024.0) / static_cast<double>(std::max<int64_t>(textBytes, 1));
  std::printf("summary of %s (medians of %d rounds; highest peak):\n", table.name.c_str(), options.rounds);
  std::printf("  rows                          %lld (%zu columns)\n", static_cast<long long>(query.rows),
              table.columns.size());
  std::printf("  %-29s %.3f s  cpu %.3f s  %.0f rows/s  peak %.1f MB  (output %.1f MB)\n", options.baseline.c_str(),
              b.seconds, b.cpuSeconds, rows / b.seconds, peakBase / 1024.0, Mb(static_cast<double>(counted.bytes)));
  std::printf("  %-29s %.3f s  cpu %.3f s  %.0f rows/s  peak %.1f MB\n", "ODBCDataAccess", o.seconds, o.cpuSeconds,
              rows / o.seconds, peakOurs / 1024.0);
  const double cpuRatio = o.cpuSeconds / b.cpuSeconds;
  std::printf("  ratio (ours / %s)           %.2f wall, %.2f cpu  (target at most 1.00 cpu: %s)\n",
              options.baseline.c_str(), timeRatio, cpuRatio, cpuRatio <= 1.0 ? "met" : "missed");
  std::printf("  result text                   %.1f MB (%lld bytes, every field's text)\n",
              Mb(static_cast<double>(textBytes)), static_cast<long long>(textBytes));
  std::printf("  peak memory / result text     %.2f  (target at most 2.00: %s)\n", memoryRatio,
              memoryRatio <= 2.0 ? "met" : "missed");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return 2;
  if (!options.postgresEnv.empty()) {
    // The server's settings file, read as the tests read it.
    ::setenv("QV_PG_ENV", options.postgresEnv.c_str(), 1);
    std::string whyNot;
    if (!testsupport::FindPostgresServer(&g_postgres, &whyNot)) Die(whyNot);
    g_onPostgres = true;
  }
  if (options.tables.empty()) options.tables = {"Student", "Absence"};
  std::vector<TableQuery> queries;
  for (const std::string& name : options.tables) {
    TableQuery query;
    query.table = demosis::FindTable(name);
    if (!query.table) Die("the demo SIS has no table " + name);
    queries.push_back(query);
  }

  const Clock::time_point generating = Clock::now();
  Setup setup = Prepare(options, queries);
  std::printf("data_bench: demo SIS of %d students (%.1f s to write)\n", options.students, Since(generating));
  if (g_onPostgres) {
    std::printf("  data source [%s] in %s: Driver=PostgreSQL Unicode, %s:%s, UseDeclareFetch=1\n", kDsn,
                setup.ini.c_str(), g_postgres.host.c_str(), g_postgres.port.c_str());
  } else {
    std::printf("  data source [%s] in %s: Driver=SQLite3, StepAPI=1\n", kDsn, setup.ini.c_str());
  }

  bool failed = false;
  for (const TableQuery& query : queries) {
    if (!BenchTable(options, setup, query)) {
      failed = true;
      break;
    }
  }

  if (options.keep) {
    std::printf("  kept %s\n", setup.folder.c_str());
  } else {
    RemoveFolder(setup, queries);
  }
  return failed ? 1 : 0;
}
