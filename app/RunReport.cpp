#include "app/RunReport.h"

#include <algorithm>
#include <cstdio>

#include "app/BridgeIdentity.h"
#include "foundation/XDate.h"
#include "foundation/XDateTime.h"
#include "foundation/XFile.h"
#include "foundation/XFileSpec.h"
#include "os/OsText.h"

namespace {

// Text for the page: UTF-8 with the characters that HTML gives a meaning escaped.
std::string Html(const XString& text) {
  const std::string utf8 = os::NarrowToUtf8(text.ToStd());
  std::string html;
  for (char c : utf8) {
    switch (c) {
      case '&': html += "&amp;"; break;
      case '<': html += "&lt;"; break;
      case '>': html += "&gt;"; break;
      case '"': html += "&quot;"; break;
      case '\'': html += "&#39;"; break;
      default: html += c;
    }
  }
  return html;
}

std::string Text(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

XString DayText(int day) {
  int year = 0, month = 0, dayOfMonth = 0;
  XDate::ToYMD(day, year, month, dayOfMonth);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, dayOfMonth);
  return XString(text);
}

// The class of a night on the strip, and its word for the tooltip and the legend.
struct NightLook {
  const char* css;
  const char* word;
};

NightLook LookOf(const RunRecord* record) {
  if (!record) return {"none", "no run"};
  if (record->outcome == RunRecord::kSucceeded) return {"ok", "succeeded"};
  if (record->outcome == RunRecord::kWarnings) return {"warn", "succeeded with warnings"};
  if (record->outcome == RunRecord::kCancelled) return {"cancel", "cancelled"};
  return {"fail", "failed"};
}

constexpr int kCell = 14;  // width of one night on the strip
constexpr int kStripHeight = 22;
constexpr int kTrendWidth = 180;
constexpr int kTrendHeight = 34;

// The last run that started on each of the kNights nights up to today, oldest night first.
std::vector<const RunRecord*> Nights(const RunStatus::School& school, int today) {
  std::vector<const RunRecord*> nights(RunReport::kNights, nullptr);
  for (const RunRecord* record : school.runs) {
    const int day = RunStatus::DayOf(*record);
    const int index = RunReport::kNights - 1 - (today - day);
    if (day == XDate::kNone || index < 0 || index >= RunReport::kNights) continue;
    nights[static_cast<size_t>(index)] = record;
  }
  return nights;
}

std::string Strip(const std::vector<const RunRecord*>& nights, int today) {
  std::string svg = "<svg class=\"strip\" width=\"" + std::to_string(kCell * RunReport::kNights) +
                    "\" height=\"" + std::to_string(kStripHeight) + "\" role=\"img\" aria-label=\"last " +
                    std::to_string(RunReport::kNights) + " nights\">";
  for (int i = 0; i < RunReport::kNights; ++i) {
    const RunRecord* record = nights[static_cast<size_t>(i)];
    const NightLook look = LookOf(record);
    const int day = today - (RunReport::kNights - 1 - i);
    std::string tip = Html(DayText(day)) + ": " + look.word;
    if (record) tip += ", " + Html(RunStatus::Duration(record->durationSeconds));
    if (record && !record->Succeeded() && !record->firstError.IsEmpty()) tip += "; " + Html(record->firstError);
    svg += "<rect class=\"" + std::string(look.css) + "\" x=\"" + std::to_string(i * kCell + 1) +
           "\" y=\"1\" width=\"" + std::to_string(kCell - 2) + "\" height=\"" + std::to_string(kStripHeight - 2) +
           "\" rx=\"2\"><title>" + tip + "</title></rect>";
  }
  return svg + "</svg>";
}

// A line over the nights that had a run, scaled to the largest value, with that value written
// beside it.
std::string Trend(const std::vector<const RunRecord*>& nights, bool attendance) {
  double largest = 0;
  for (const RunRecord* record : nights) {
    if (!record) continue;
    largest = std::max(largest, attendance ? static_cast<double>(record->attendanceRowsSent) : record->durationSeconds);
  }
  std::string svg = "<svg class=\"trend\" width=\"" + std::to_string(kTrendWidth) + "\" height=\"" +
                    std::to_string(kTrendHeight) + "\" role=\"img\">";
  svg += "<line class=\"axis\" x1=\"0\" y1=\"" + std::to_string(kTrendHeight - 1) + "\" x2=\"" +
         std::to_string(kTrendWidth) + "\" y2=\"" + std::to_string(kTrendHeight - 1) + "\"/>";
  std::string points;
  std::string dots;
  const double step = static_cast<double>(kTrendWidth - 8) / (RunReport::kNights - 1);
  for (int i = 0; i < RunReport::kNights; ++i) {
    const RunRecord* record = nights[static_cast<size_t>(i)];
    if (!record) continue;
    const double value = attendance ? static_cast<double>(record->attendanceRowsSent) : record->durationSeconds;
    const double x = 4 + i * step;
    const double y = (kTrendHeight - 4) - (largest > 0 ? value / largest * (kTrendHeight - 8) : 0);
    points += Text("%.1f,", x) + Text("%.1f ", y);
    const std::string shown = attendance ? Text("%.0f rows", value) : Html(RunStatus::Duration(value));
    dots += "<circle cx=\"" + Text("%.1f", x) + "\" cy=\"" + Text("%.1f", y) + "\" r=\"1.8\"><title>" + shown +
            "</title></circle>";
  }
  if (!points.empty()) svg += "<polyline points=\"" + points + "\"/>" + dots;
  svg += "</svg>";
  const std::string top = attendance ? Text("%.0f", largest) : Html(RunStatus::Duration(largest));
  return svg + "<span class=\"top\">max " + top + "</span>";
}

const char* kStyle =
    "body{font:14px/1.4 'Segoe UI',Arial,sans-serif;margin:24px;color:#1d2433;background:#fff}"
    "h1{font-size:20px;margin:0 0 4px}h2{font-size:16px;margin:28px 0 8px}"
    ".meta{color:#5a6478;margin-bottom:14px}"
    "table{border-collapse:collapse}th,td{padding:6px 10px;border-bottom:1px solid #e3e6ec;text-align:left;"
    "vertical-align:middle}th{font-size:12px;color:#5a6478;font-weight:600}"
    "td.num{text-align:right;font-variant-numeric:tabular-nums}"
    ".ok{fill:#2e9d57}.warn{fill:#e0a526}.fail{fill:#cf3a3a}.cancel{fill:#7b6fb0}.none{fill:#dde1e8}"
    ".badge{display:inline-block;padding:1px 8px;border-radius:9px;color:#fff;font-size:12px}"
    ".b-ok{background:#2e9d57}.b-warn{background:#c98e12}.b-fail{background:#cf3a3a}"
    ".b-cancel{background:#7b6fb0}.b-none{background:#8a93a3}"
    ".trend polyline{fill:none;stroke:#3563b0;stroke-width:1.5}.trend circle{fill:#3563b0}"
    ".trend .axis{stroke:#c4cad4}.top{font-size:11px;color:#5a6478;margin-left:4px}"
    ".legend svg{vertical-align:middle;margin:0 4px 0 12px}"
    "td.when,.when{white-space:nowrap}"
    ".err{font-family:Consolas,monospace;font-size:12px;color:#8a1f1f}"
    ".damaged{color:#8a1f1f}";

}  // namespace

std::string RunReport::Html(const RunStatus& status, const std::vector<XString>& damaged) {
  const int today = status.Now().Date();
  int good = 0, attention = 0, failed = 0;
  for (const RunStatus::School& school : status.Schools()) {
    (school.code == RunStatus::kFailed ? failed : school.code == RunStatus::kAttention ? attention : good)++;
  }
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">";
  // No script, and nothing the page may load from elsewhere.
  html += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">";
  html += "<title>" + ::Html(XString(bridge::kShortName)) + " district runs</title><style>";
  html += kStyle;
  html += "</style></head><body>\n";
  html += "<h1>" + ::Html(XString(bridge::kTitle)) + ": district runs</h1>\n";
  html += "<div class=\"meta\">Made " + ::Html(RunHistory::Iso(status.Now())) + " &middot; " +
          std::to_string(status.Schools().size()) + " schools: " + std::to_string(good) + " good, " +
          std::to_string(attention) + " to look at, " + std::to_string(failed) + " failed</div>\n";
  html += "<div class=\"legend\">Last " + std::to_string(kNights) + " nights, oldest first:";
  const NightLook looks[] = {{"ok", "succeeded"}, {"warn", "with warnings"}, {"fail", "failed"},
                             {"cancel", "cancelled"}, {"none", "no run"}};
  for (const NightLook& look : looks) {
    html += "<svg width=\"12\" height=\"12\"><rect class=\"" + std::string(look.css) +
            "\" width=\"12\" height=\"12\" rx=\"2\"/></svg>" + look.word;
  }
  html += "</div>\n";

  html += "<h2>Schools</h2>\n<table><tr><th>School</th><th>Last run</th><th>Nights</th>"
          "<th>Run time</th><th>Attendance rows sent</th><th class=\"num\">Since success</th></tr>\n";
  std::vector<std::pair<const RunStatus::School*, const RunRecord*>> failures;
  for (const RunStatus::School& school : status.Schools()) {
    const std::vector<const RunRecord*> nights = Nights(school, today);
    const NightLook look = LookOf(school.last);
    html += "<tr><td><b>" + ::Html(school.name) + "</b><br><small>" + ::Html(school.number);
    if (!school.district.IsEmpty()) html += " &middot; " + ::Html(school.district);
    html += "</small></td><td><span class=\"badge b-" + std::string(look.css) + "\">" + look.word + "</span>";
    if (school.overdue && school.last) html += " <span class=\"badge b-warn\">overdue</span>";
    if (school.last) html += "<br><small class=\"when\">" + ::Html(school.last->start) + "</small>";
    html += "</td><td>" + Strip(nights, today) + "</td><td>" + Trend(nights, false) + "</td><td>" +
            Trend(nights, true) + "</td><td class=\"num\">" +
            (school.lastSuccess ? std::to_string(school.nightsSinceSuccess) + " nights" : std::string("never")) +
            "</td></tr>\n";
    for (const RunRecord* record : school.runs) {
      const int day = RunStatus::DayOf(*record);
      if (!record->Succeeded() && day != XDate::kNone && today - day < kNights) failures.emplace_back(&school, record);
    }
  }
  html += "</table>\n";

  html += "<h2>Failures of the last " + std::to_string(kNights) + " nights</h2>\n";
  if (failures.empty()) {
    html += "<p>None.</p>\n";
  } else {
    std::sort(failures.begin(), failures.end(), [](const auto& a, const auto& b) {
      return a.second->start.ToStd() > b.second->start.ToStd();
    });
    html += "<table><tr><th>Started</th><th>School</th><th>Outcome</th><th>First error</th></tr>\n";
    for (const auto& [school, record] : failures) {
      html += "<tr><td class=\"when\">" + ::Html(record->start) + "</td><td>" + ::Html(school->name) + " (" +
              ::Html(school->number) + ")</td><td>" + ::Html(record->outcome) + "</td><td class=\"err\">" +
              ::Html(record->firstError) + "</td></tr>\n";
    }
    html += "</table>\n";
  }
  if (!damaged.empty()) {
    html += "<h2>Damaged lines of the run history</h2>\n<ul class=\"damaged\">";
    for (const XString& line : damaged) html += "<li>" + ::Html(line) + "</li>";
    html += "</ul>\n";
  }
  html += "</body></html>\n";
  return html;
}

void RunReport::Write(const XString& path, const std::string& html) {
  XFile file;
  file.OpenReplacing(XFileSpec(path));
  file.Write(html.data(), static_cast<uint32_t>(html.size()));
  file.Commit();
}

std::vector<XString> RunReport::Make(const QvSchoolConfDS& schools, const XString& bridgeFolder,
                                     const XString& path) {
  std::vector<XString> damaged;
  const std::vector<RunRecord> records = RunHistory(bridgeFolder).Read(&damaged);
  const RunStatus status(schools, records, XDateTime::Now());
  Write(path, Html(status, damaged));
  return damaged;
}
