// Every school's state from the run history, for the morning look and for monitoring
// (--status [--json]): per school of the site configuration its last run, the outcome, the
// duration, the attendance rows sent, the nights since its last success and, after a failed
// night, the first error. The exit code sums it up: kAllGood when every school's last run
// succeeded within kOverdueHours, kAttention when one had warnings, was cancelled, is
// overdue or never ran, kFailed when one failed.
#pragma once

#include <string>
#include <vector>

#include "app/RunHistory.h"
#include "foundation/XDateTime.h"
#include "foundation/XString.h"

class QvSchoolConfDS;

class RunStatus {
 public:
  static constexpr int kAllGood = 0;
  static constexpr int kFailed = 1;
  static constexpr int kAttention = 2;
  static constexpr int kOverdueHours = 36;

  struct School {
    XString number;
    XString district;
    XString name;
    std::vector<const RunRecord*> runs;  // this school's records, oldest first
    const RunRecord* last = nullptr;
    const RunRecord* lastSuccess = nullptr;
    bool overdue = false;  // no run, or the last started more than kOverdueHours ago
    int nightsSinceSuccess = -1;  // calendar days from the last success to today; -1: none
    int code = kAllGood;          // this school's part of the exit code
  };

  // The schools of the site configuration, in its order, with their records; `now` is the
  // local time the ages are measured from.
  RunStatus(const QvSchoolConfDS& schools, const std::vector<RunRecord>& records, const XDateTime& now);

  const std::vector<School>& Schools() const { return m_schools; }
  int ExitCode() const { return m_exitCode; }
  const XDateTime& Now() const { return m_now; }

  // A header line, then one TAB-separated line per school.
  XString Text() const;
  // One JSON object (UTF-8): the time, the exit code, the schools, the damaged lines.
  std::string Json(const std::vector<XString>& damaged) const;

  // Milliseconds from the record's start (its local time as written) to `now`.
  static long long AgeMilliseconds(const RunRecord& record, const XDateTime& now);
  // The local day (XDate) a record's run started on; XDate::kNone for an unreadable start.
  static int DayOf(const RunRecord& record);
  // "1.4 s", "12 min 5 s", "1 h 02 min".
  static XString Duration(double seconds);

 private:
  std::vector<School> m_schools;
  XDateTime m_now;
  int m_exitCode = kAllGood;
};
