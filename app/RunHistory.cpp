#include "app/RunHistory.h"

#include <cstdio>
#include <map>

#include "app/JsonText.h"
#include "foundation/ILog.h"
#include "foundation/XDateTime.h"
#include "foundation/XException.h"
#include "foundation/XFile.h"
#include "foundation/XFileSpec.h"
#include "os/Os.h"
#include "os/OsExclusiveFiles.h"
#include "os/OsFiles.h"
#include "os/OsSystem.h"
#include "os/OsTime.h"

namespace {

// How long an appending run waits for a trimming one before it appends without the lock.
constexpr int kLockWaitMilliseconds = 3000;
constexpr int kLockPollMilliseconds = 50;

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// The start of the line of every record of a school, as ToJsonLine writes it: counting a
// school's runs needs no parsing.
std::string SchoolKey(const XString& number, const XString& district) {
  return "{\"school\":" + JsonString(number) + ",\"district\":" + JsonString(district) + ",";
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The lock beside the history, taken within a short wait or not at all.
class HistoryLock {
 public:
  explicit HistoryLock(const XString& path) : m_path(path.ToStd()) {
    for (int waited = 0;; waited += kLockPollMilliseconds) {
      const os::LockResult result = os::TakeFileLock(m_path, std::to_string(os::CurrentProcessId()), m_handle);
      if (result == os::LockResult::kTaken) {
        m_held = true;
        return;
      }
      if (result == os::LockResult::kFailed || waited >= kLockWaitMilliseconds) return;
      os::SleepMilliseconds(kLockPollMilliseconds);
    }
  }
  ~HistoryLock() {
    if (m_held) os::ReleaseFileLock(m_handle, m_path);
  }
  bool Held() const { return m_held; }

 private:
  std::string m_path;
  os::FileHandle m_handle = os::kInvalidFile;
  bool m_held = false;
};

}  // namespace

std::string RunRecord::ToJsonLine() const {
  std::string json = SchoolKey(schoolNumber, district);
  json += "\"name\":" + JsonString(schoolName);
  json += ",\"importFolder\":" + JsonString(importFolder);
  json += ",\"start\":" + JsonString(start);
  json += ",\"end\":" + JsonString(end);
  json += ",\"durationSeconds\":" + Number(durationSeconds);
  json += ",\"outcome\":" + JsonString(outcome);
  json += ",\"exitCode\":" + std::to_string(exitCode);
  json += ",\"firstError\":" + JsonTextOrNull(firstError);
  json += ",\"tables\":{";
  for (size_t i = 0; i < tables.size(); ++i) {
    if (i) json += ",";
    json += JsonString(tables[i].first) + ":" + std::to_string(tables[i].second);
  }
  json += "},\"attendanceRowsSent\":" + std::to_string(attendanceRowsSent);
  json += ",\"updateFile\":" + JsonTextOrNull(updateFile);
  return json + "}\n";
}

bool RunRecord::FromJsonLine(const std::string& line, RunRecord& record) {
  JsonValue json;
  if (!JsonValue::Parse(line, json) || json.GetKind() != JsonValue::Kind::kObject) return false;
  const JsonValue* school = json.Member("school");
  const JsonValue* start = json.Member("start");
  const JsonValue* outcome = json.Member("outcome");
  for (const JsonValue* required : {school, start, outcome}) {
    if (!required || required->GetKind() != JsonValue::Kind::kString) return false;
  }
  int day = 0, millisecond = 0;
  if (!RunHistory::ParseIso(start->Text(), day, millisecond)) return false;
  RunRecord read;
  const auto text = [&](const char* name) {
    const JsonValue* value = json.Member(name);
    return value ? value->Text() : XString();
  };
  const auto number = [&](const char* name) {
    const JsonValue* value = json.Member(name);
    return value ? value->Number() : 0.0;
  };
  read.schoolNumber = school->Text();
  read.district = text("district");
  read.schoolName = text("name");
  read.importFolder = text("importFolder");
  read.start = start->Text();
  read.end = text("end");
  read.durationSeconds = number("durationSeconds");
  read.outcome = outcome->Text();
  read.exitCode = static_cast<int>(number("exitCode"));
  read.firstError = text("firstError");
  if (const JsonValue* tables = json.Member("tables")) {
    for (const auto& table : tables->Members()) {
      read.tables.emplace_back(XString(table.first), static_cast<int64_t>(table.second.Number()));
    }
  }
  read.attendanceRowsSent = static_cast<int64_t>(number("attendanceRowsSent"));
  read.updateFile = text("updateFile");
  record = std::move(read);
  return true;
}

RunHistory::RunHistory(const XString& folder)
    : m_path(folder + kFileName), m_lockPath(folder + kLockName) {}

XString RunHistory::IsoNow() { return Iso(XDateTime::Now()); }

XString RunHistory::Iso(const XDateTime& now) {
  int year = 0, month = 0, day = 0;
  XDate::ToYMD(now.Date(), year, month, day);
  const int seconds = now.Time() < 0 ? 0 : now.Time() / 1000;
  os::LocalTime local;
  local.year = year;
  local.month = month;
  local.day = day;
  local.hour = seconds / 3600;
  local.minute = seconds / 60 % 60;
  local.second = seconds % 60;
  const int offset = os::UtcOffsetMinutes(local);
  const int magnitude = offset < 0 ? -offset : offset;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", year, month, day, local.hour,
                local.minute, local.second, offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
  return XString(text);
}

bool RunHistory::ParseIso(const XString& text, int& day, int& millisecond) {
  int year = 0, month = 0, dayOfMonth = 0, hour = 0, minute = 0, second = 0;
  char separator = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &year, &month, &dayOfMonth, &separator, &hour, &minute,
                  &second) != 7 ||
      separator != 'T') {
    return false;
  }
  if (month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > 31 || hour > 23 || minute > 59 || second > 60) {
    return false;
  }
  day = XDate::FromYMD(year, month, dayOfMonth);
  millisecond = ((hour * 60 + minute) * 60 + second) * 1000;
  return day != XDate::kNone;
}

// True when the file's last byte is no line end: a record torn by a crash or a full disk. The
// next record must then begin a line of its own, or it would be lost with the torn one.
bool EndsInTornLine(const std::string& path) {
  const os::FileHandle file = os::OpenFile(path, os::kOpenRead);
  if (file == os::kInvalidFile) return false;
  char last = '\n';
  if (os::SeekFile(file, -1, 2)) {
    if (os::ReadFile(file, &last, 1) != 1) last = '\n';
  }
  os::CloseFile(file);
  return last != '\n';
}

void RunHistory::Append(const RunRecord& record, ILog* log) {
  HistoryLock lock(m_lockPath);
  const std::string line = (EndsInTornLine(m_path.ToStd()) ? "\n" : "") + record.ToJsonLine();
  const os::FileHandle file = os::OpenFile(m_path.ToStd(), os::kOpenAppendEach);
  if (file == os::kInvalidFile) {
    throw XException::Format(0, "Could not open the run history ( %d ): %s", os::LastError(), m_path.c_str());
  }
  // One write of the whole line: appends of other runs land before or after it, never inside.
  const bool written = os::WriteFile(file, line.data(), line.size());
  const int error = os::LastError();
  const bool closed = os::CloseFile(file);
  if (!written || !closed) {
    throw XException::Format(0, "Could not write the run history ( %d ): %s", written ? os::LastError() : error,
                             m_path.c_str());
  }
  if (!lock.Held()) {
    if (log) log->WriteFormat(kLogInfo, "Run history: not trimmed, another run holds %s", m_lockPath.c_str());
    return;
  }
  std::string bytes;
  if (!ReadBytes(bytes)) return;
  const std::string key = SchoolKey(record.schoolNumber, record.district);
  size_t runs = 0;
  for (size_t at = 0; (at = bytes.find(key, at)) != std::string::npos; at += key.size()) {
    if (at == 0 || bytes[at - 1] == '\n') ++runs;
  }
  if (runs > kRunsKept + kRunsKept / 10) Trim(log);
}

bool RunHistory::ReadBytes(std::string& bytes) const {
  bytes.clear();
  const os::FileHandle file = os::OpenFile(m_path.ToStd(), os::kOpenRead);
  if (file == os::kInvalidFile) return false;
  char buffer[65536];
  for (;;) {
    const int64_t n = os::ReadFile(file, buffer, sizeof buffer);
    if (n < 0) {
      os::CloseFile(file);
      throw XException::Format(0, "Could not read the run history ( %d ): %s", os::LastError(), m_path.c_str());
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  os::CloseFile(file);
  return true;
}

void RunHistory::Trim(ILog* log) const {
  try {
    std::string bytes;
    if (!ReadBytes(bytes)) return;
    std::vector<std::string> lines = Lines(bytes);
    std::vector<RunRecord> records(lines.size());
    std::vector<bool> readable(lines.size());
    std::map<std::string, size_t> runs;  // school key: runs still to skip before keeping
    for (size_t i = 0; i < lines.size(); ++i) {
      readable[i] = RunRecord::FromJsonLine(lines[i], records[i]);
      if (readable[i]) ++runs[SchoolKey(records[i].schoolNumber, records[i].district)];
    }
    for (auto& school : runs) school.second = school.second > kRunsKept ? school.second - kRunsKept : 0;
    std::string kept;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (!readable[i]) continue;
      size_t& skip = runs[SchoolKey(records[i].schoolNumber, records[i].district)];
      if (skip > 0) {
        --skip;
        continue;
      }
      kept += lines[i];
      kept += '\n';
    }
    XFile file;
    file.OpenReplacing(XFileSpec(m_path));
    file.Write(kept.data(), static_cast<uint32_t>(kept.size()));
    file.Commit();
  } catch (const std::exception& error) {
    if (log) log->WriteFormat(kLogWarning, "Run history: the oldest runs could not be removed: %s", error.what());
  }
}

std::vector<RunRecord> RunHistory::Read(std::vector<XString>* damaged) const {
  std::vector<RunRecord> records;
  std::string bytes;
  if (!ReadBytes(bytes)) return records;
  const std::vector<std::string> lines = Lines(bytes);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    RunRecord record;
    if (RunRecord::FromJsonLine(lines[i], record)) {
      records.push_back(std::move(record));
    } else if (damaged) {
      damaged->push_back(XString("line ") + XString(static_cast<int>(i + 1)) + " of " + m_path +
                         " is damaged; it is skipped.");
    }
  }
  return records;
}
