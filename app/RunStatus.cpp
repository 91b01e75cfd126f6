#include "app/RunStatus.h"

#include <cstdio>

#include "app/JsonText.h"
#include "app/QvSchoolConf.h"
#include "app/QvSchoolConfDS.h"

namespace {

constexpr long long kDayMilliseconds = 86400000LL;

// Worse outcomes win: a failure over anything that needs a look, that over all good.
int Worse(int a, int b) {
  const auto rank = [](int code) { return code == RunStatus::kFailed ? 2 : code == RunStatus::kAttention ? 1 : 0; };
  return rank(a) >= rank(b) ? a : b;
}

std::string JsonNumber(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

RunStatus::RunStatus(const QvSchoolConfDS& schools, const std::vector<RunRecord>& records, const XDateTime& now)
    : m_now(now) {
  for (const QvSchoolConf* entry : schools) {
    School school;
    school.number = entry->m_schoolNumber;
    school.district = entry->m_district;
    school.name = entry->m_schoolName;
    for (const RunRecord& record : records) {
      if (record.schoolNumber != school.number || record.district != school.district) continue;
      school.runs.push_back(&record);
      school.last = &record;
      if (record.Succeeded()) school.lastSuccess = &record;
    }
    if (school.lastSuccess) {
      const int day = DayOf(*school.lastSuccess);
      if (day != XDate::kNone) school.nightsSinceSuccess = now.Date() - day;
    }
    school.overdue = !school.last || AgeMilliseconds(*school.last, now) > kOverdueHours * 3600000LL;
    if (school.last && school.last->outcome == RunRecord::kFailed) {
      school.code = kFailed;
    } else if (school.overdue || !school.last || school.last->outcome != RunRecord::kSucceeded) {
      school.code = kAttention;
    }
    m_exitCode = Worse(m_exitCode, school.code);
    m_schools.push_back(std::move(school));
  }
}

int RunStatus::DayOf(const RunRecord& record) {
  int day = XDate::kNone, millisecond = 0;
  return RunHistory::ParseIso(record.start, day, millisecond) ? day : XDate::kNone;
}

long long RunStatus::AgeMilliseconds(const RunRecord& record, const XDateTime& now) {
  int day = XDate::kNone, millisecond = 0;
  if (!RunHistory::ParseIso(record.start, day, millisecond)) return kDayMilliseconds * 365000;
  const long long then = day * kDayMilliseconds + millisecond;
  const long long at = now.Date() * kDayMilliseconds + (now.Time() < 0 ? 0 : now.Time());
  return at - then;
}

XString RunStatus::Duration(double seconds) {
  char text[48];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else if (seconds < 3600) {
    const long whole = static_cast<long>(seconds + 0.5);
    std::snprintf(text, sizeof text, "%ld min %ld s", whole / 60, whole % 60);
  } else {
    const long minutes = static_cast<long>(seconds / 60 + 0.5);
    std::snprintf(text, sizeof text, "%ld h %02ld min", minutes / 60, minutes % 60);
  }
  return XString(text);
}

XString RunStatus::Text() const {
  XString text("school\tname\tdistrict\tlast run\toutcome\tduration\tattendance rows sent\t"
               "nights since last success\tfirst error\n");
  for (const School& school : m_schools) {
    text += school.number + "\t" + school.name + "\t" + school.district + "\t";
    if (!school.last) {
      text += "never\tno run\t\t\t";
      text += school.lastSuccess ? XString(school.nightsSinceSuccess) : XString("never");
      text += "\t\n";
      continue;
    }
    const RunRecord& last = *school.last;
    text += last.start + "\t" + last.outcome + (school.overdue ? ", overdue" : "") + "\t" +
            Duration(last.durationSeconds) + "\t" + XString(static_cast<int64_t>(last.attendanceRowsSent)) + "\t";
    text += school.lastSuccess ? XString(school.nightsSinceSuccess) : XString("never");
    text += "\t";
    if (!last.Succeeded()) {
      // One line per school, whatever the error's text held.
      std::string error = last.firstError.ToStd();
      for (char& c : error) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
      }
      text += XString(error);
    }
    text += "\n";
  }
  return text;
}

std::string RunStatus::Json(const std::vector<XString>& damaged) const {
  std::string json = "{\"now\":" + JsonString(RunHistory::Iso(m_now));
  json += ",\"exitCode\":" + std::to_string(m_exitCode);
  json += ",\"overdueHours\":" + std::to_string(kOverdueHours);
  json += ",\"schools\":[";
  for (size_t i = 0; i < m_schools.size(); ++i) {
    const School& school = m_schools[i];
    const RunRecord* last = school.last;
    if (i) json += ",";
    json += "\n{\"school\":" + JsonString(school.number);
    json += ",\"district\":" + JsonString(school.district);
    json += ",\"name\":" + JsonString(school.name);
    json += ",\"lastRun\":" + (last ? JsonString(last->start) : std::string("null"));
    json += ",\"outcome\":" + (last ? JsonString(last->outcome) : std::string("null"));
    json += ",\"overdue\":" + std::string(school.overdue ? "true" : "false");
    json += ",\"durationSeconds\":" + (last ? JsonNumber(last->durationSeconds) : std::string("null"));
    json += ",\"attendanceRowsSent\":" + (last ? std::to_string(last->attendanceRowsSent) : std::string("null"));
    json += ",\"nightsSinceSuccess\":" +
            (school.lastSuccess ? std::to_string(school.nightsSinceSuccess) : std::string("null"));
    json += ",\"firstError\":" +
            (last && !last->Succeeded() && !last->firstError.IsEmpty() ? JsonString(last->firstError)
                                                                       : std::string("null"));
    json += ",\"status\":" + std::to_string(school.code) + "}";
  }
  json += "],\"damagedLines\":[";
  for (size_t i = 0; i < damaged.size(); ++i) {
    if (i) json += ",";
    json += JsonString(damaged[i]);
  }
  return json + "]}\n";
}
