// What the options of a command-line run mean: each option read with its default, as the
// command-line run applies them to the school entry and the preferences.
#pragma once

#include <cstdint>

#include "app/CommandLine.h"
#include "foundation/XString.h"

class SISExpPrefs;

// One optional extract that option v can filter.
struct CommandLineFilter {
  char letter;           // its letter in the value of v
  const char* extract;   // the extract's name, as the run log shows it
  const char* prefName;  // the registry flag that keeps the last choice
};

// The nine filters in the order the run applies them.
inline constexpr int kCommandLineFilterCount = 9;
extern const CommandLineFilter kCommandLineFilters[kCommandLineFilterCount];

struct GatherChoice {
  bool demographic = true;
  bool attendance = true;
  bool all = true;  // set when a is absent or empty: gather both whatever the others say
};

class CommandLineOptions {
 public:
  explicit CommandLineOptions(const CommandLine& commandLine) : m_line(commandLine) {}

  // u: the SIS user name; the stored "User Name" when absent.
  XString UserName(const XString& stored) const;
  // z (encoded form, decoded here) before w (plain text) before the stored password (already
  // decoded by the caller).
  XString Password(const XString& stored) const;
  // d: the DSN; the stored "DSN" when absent.
  XString Dsn(const XString& stored) const;
  // n: the school number; empty when absent.
  XString SchoolNumber() const;
  // t: the district of the school entry; empty when absent.
  XString District() const;
  // p: the import folder, ending in a path separator; the entry's current folder when p is
  // absent or empty. An empty folder stays empty rather than becoming the root of the drive.
  XString ImportFolder(const XString& current) const;
  // y: the school year as text; empty when absent, or `stored` (the entry's year) for a run
  // that keeps what the window stored.
  XString SchoolYear() const;
  XString SchoolYear(const XString& stored) const;
  bool HasSchoolYear() const { return m_line.HasOption('y'); }
  // i: the raw text, and the cutoff it gives: a date "YYYYMMDD" gives its day number; "yes",
  // "y" or "true" in any case gives 1 (all inactive students); anything else -1 (active only).
  XString InactiveText() const;
  int32_t InactiveCutoff() const;
  // The cutoff of i, or `stored` (the entry's) when i is absent.
  int32_t InactiveCutoff(int32_t stored) const;
  bool HasInactive() const { return m_line.HasOption('i'); }
  static int32_t InactiveCutoffOf(const XString& text);
  // a: d demographic, a attendance; absent or empty gathers everything.
  GatherChoice Gathering() const;
  // v: flag n is true when the letter of kCommandLineFilters[n] occurs in the value (lower
  // case only).
  void Filters(bool (&flags)[kCommandLineFilterCount]) const;
  // q and r: true exactly when the value, or the stored text when absent (the registry's
  // "ExportStaff" / "LinkStaffToTch" text, "True" when missing), is "True".
  bool ExportStaff(const XString& stored) const;
  bool LinkStaffToTch(const XString& stored) const;

 private:
  CommandLine m_line;
};

// Keeps a command-line run's choices in the preferences, so that they persist after the run:
// the nine filter flags as numbers 0 or 1, "ExportStaff" and "LinkStaffToTch" as "True" or
// "False".
void WriteFilterPrefs(SISExpPrefs& prefs, const bool (&flags)[kCommandLineFilterCount]);
void WriteStaffPrefs(SISExpPrefs& prefs, bool exportStaff, bool linkStaffToTch);
