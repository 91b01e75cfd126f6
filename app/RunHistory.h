// The run history: one record per extraction run (command line, window or scheduled), kept in
// "QvMeridaneRunHistory.jsonl" in the bridge data folder, one JSON object per line, so that a
// district can see every school's nights in one place (--status, --report) and other programs
// can read it.
//
// A record is appended as one line in one write to a file opened for appending only, so two
// runs ending at once never interleave and a crash leaves at most one damaged last line (the
// next record begins a line of its own after it); a
// line that cannot be read is skipped with a warning naming it. The history keeps the last
// kRunsKept runs of each school: when a school's runs pass that by a tenth, the file is
// rewritten without the oldest ones, under a lock file beside it that every appending run
// takes as well (a run that cannot get it within a few seconds still appends its record and
// leaves the trimming to a later run).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/XString.h"

class ILog;
class XDateTime;

struct RunRecord {
  // The outcomes, as written.
  static constexpr const char* kSucceeded = "succeeded";
  static constexpr const char* kWarnings = "succeeded with warnings";
  static constexpr const char* kFailed = "failed";
  static constexpr const char* kCancelled = "cancelled";

  XString schoolNumber;
  XString district;
  XString schoolName;
  XString importFolder;
  XString start;  // ISO 8601 local time with its offset: 2026-03-18T01:00:04+01:00
  XString end;
  double durationSeconds = 0;
  XString outcome;
  int exitCode = 0;
  XString firstError;  // the Error line that ended a run that did not succeed ("Error: ...")
  std::vector<std::pair<XString, int64_t>> tables;  // table file, rows
  int64_t attendanceRowsSent = 0;
  XString updateFile;  // empty when the run sent no update file

  bool Succeeded() const { return outcome == kSucceeded || outcome == kWarnings; }
  bool SameSchool(const RunRecord& other) const {
    return schoolNumber == other.schoolNumber && district == other.district;
  }

  // One line of JSON (UTF-8) with its line end.
  std::string ToJsonLine() const;
  // False when the line is no JSON object with the school number, start and outcome.
  static bool FromJsonLine(const std::string& line, RunRecord& record);
};

class RunHistory {
 public:
  static constexpr const char* kFileName = "QvMeridaneRunHistory.jsonl";
  static constexpr const char* kLockName = "QvMeridaneRunHistory.lock";
  static constexpr size_t kRunsKept = 400;

  // `folder`: the bridge data folder, ending in the path separator.
  explicit RunHistory(const XString& folder);

  const XString& Path() const { return m_path; }

  // Appends the record, then trims the file when the record's school has too many runs.
  // Throws XException naming the file when the record could not be written; a trim that
  // fails or cannot get the lock is written to `log` (may be null) and leaves the file as it was.
  void Append(const RunRecord& record, ILog* log);

  // Every readable record, oldest first. Each damaged line adds a text to `damaged` naming its
  // line number and the file. A missing file is an empty history.
  std::vector<RunRecord> Read(std::vector<XString>* damaged) const;

  // A local time in ISO 8601 with its offset from UTC; IsoNow: the clock's (XDateTime::Now).
  static XString Iso(const XDateTime& local);
  static XString IsoNow();
  // The day number (XDate) and the milliseconds of the day of such a text, as it was written
  // (the local time of the run's machine); false when it is no such text.
  static bool ParseIso(const XString& text, int& day, int& millisecond);

 private:
  // Keeps the last kRunsKept runs of every school (damaged lines are dropped) and replaces the
  // file with the result; the caller holds the lock.
  void Trim(ILog* log) const;
  bool ReadBytes(std::string& bytes) const;

  XString m_path;
  XString m_lockPath;
};
