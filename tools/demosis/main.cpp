// qv_demosis: writes a Meridane-shaped demo SIS database.
//
//   qv_demosis --out FILE [--seed N] [--students N] [--schools N] [--year-start YYYY-MM-DD]
//              [--without TABLE[.COLUMN]]... [--postgres-script SCRIPT]
//   qv_demosis --out FILE --tiny [--without TABLE[.COLUMN]]... [--postgres-script SCRIPT]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/XException.h"
#include "tools/demosis/DemoGenerator.h"
#include "tools/demosis/PostgresScript.h"

namespace {

int Usage(const char* error) {
  if (error) std::fprintf(stderr, "qv_demosis: %s\n", error);
  std::fprintf(error ? stderr : stdout,
               "usage: qv_demosis --out FILE [--seed N] [--students N] [--schools N]\n"
               "                  [--year-start YYYY-MM-DD] [--without TABLE[.COLUMN]]...\n"
               "                  [--postgres-script SCRIPT]\n"
               "       qv_demosis --out FILE --tiny [--without TABLE[.COLUMN]]... [--postgres-script SCRIPT]\n"
               "Writes a Meridane-shaped SQLite database. The same options give the same file;\n"
               "--tiny writes the fixed content of tools/demosis/DemoContent.h (school year\n"
               "2008-2009). --without leaves a table or a column out, once per entry.\n"
               "--postgres-script also writes a psql script that loads the same SIS into a\n"
               "PostgreSQL database (mixed-case quoted names, server column types).\n");
  return error ? 2 : 0;
}

bool ParseNumber(const char* text, unsigned long long& value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return *end == '\0' && text[0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
  demosis::DemoOptions options;
  std::string postgresScript;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    unsigned long long number = 0;
    if (arg == "-h" || arg == "--help") return Usage(nullptr);
    if (arg == "--tiny") {
      options.tiny = true;
      continue;
    }
    if (!value) return Usage(("missing value after " + arg).c_str());
    ++i;
    if (arg == "--postgres-script") {
      postgresScript = value;
    } else if (arg == "--out") {
      options.out = value;
    } else if (arg == "--year-start") {
      options.yearStart = value;
    } else if (arg == "--without") {
      options.without.push_back(value);
    } else if (arg == "--seed" || arg == "--students" || arg == "--schools") {
      if (!ParseNumber(value, number)) return Usage(("not a number: " + arg + " " + value).c_str());
      if (arg == "--seed") options.seed = number;
      else if (number > 10000000) return Usage(("too large: " + arg + " " + value).c_str());
      else if (arg == "--students") options.students = static_cast<int>(number);
      else options.schools = static_cast<int>(number);
    } else {
      return Usage(("unknown option " + arg).c_str());
    }
  }
  if (options.out.empty()) return Usage("--out FILE is required");
  try {
    const demosis::DemoSummary summary = demosis::GenerateDemoDatabase(options);
    std::printf("%s: school year %s (%s to %s)\n", options.out.c_str(), summary.schoolYear.c_str(),
                summary.yearStart.c_str(), summary.yearEnd.c_str());
    for (const auto& [table, rows] : summary.rows)
      std::printf("  %-18s %lld rows\n", table.c_str(), static_cast<long long>(rows));
    if (!postgresScript.empty()) {
      demosis::WritePostgresScript(options.out, postgresScript);
      std::printf("%s: the same SIS as a psql script\n", postgresScript.c_str());
    }
  } catch (const XException& e) {
    std::fprintf(stderr, "qv_demosis: %s\n", e.what());
    return 1;
  }
  return 0;
}
