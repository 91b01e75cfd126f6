#include "app/CheckReport.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/JsonText.h"

namespace {

XString Joined(const std::vector<XString>& items) {
  XString text;
  for (const XString& item : items) {
    if (!text.IsEmpty()) text += ", ";
    text += item;
  }
  return text;
}

std::string JsonList(const std::vector<XString>& items) {
  std::string json = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) json += ",";
    json += JsonString(items[i]);
  }
  return json + "]";
}

}  // namespace

XString CheckReport::Failure(const CheckFacts& facts, const DryRunReport& report) {
  return !facts.failure.IsEmpty() ? facts.failure : report.FirstFailure();
}

XString CheckReport::Text(const CheckFacts& facts, const DryRunReport& report) {
  XString text = XString("Check of school ") + facts.schoolNumber + " on data source \"" +
                 facts.dsn + "\" (" + facts.databaseType + "), school year " + facts.schoolYear +
                 (facts.activeOnly ? ", active students only" : ", active and inactive students") +
                 ".\n";
  if (!facts.inSiteConfiguration) {
    text += "The site configuration has no entry for this school; add it with --add-school "
            "before a run.\n";
  }
  text += "\n";
  for (const DryRunReport::Table& table : report.Tables()) {
    text += table.fileName.IsEmpty() ? table.description
                                     : table.fileName + " (" + table.description + ")";
    text += ":";
    if (table.skipped) {
      text += " skipped: the SIS lacks the columns this table is made from.\n";
      continue;
    }
    if (!table.sisTables.empty()) text += XString(" from ") + Joined(table.sisTables);
    if (table.counted) {
      text += XString(", ") + XString(static_cast<int64_t>(table.rows)) +
              (table.rows == 1 ? " row" : " rows");
    } else if (table.sisTables.empty() && table.failure.IsEmpty()) {
      text += " reads nothing from the SIS";
    }
    text += "\n";
    if (!table.missingColumns.empty()) {
      text += XString("  missing optional columns: ") + Joined(table.missingColumns) + "\n";
    }
    if (!table.absentFields.empty()) {
      text += XString("  absent package fields: ") + Joined(table.absentFields) + "\n";
    }
    if (!table.absentCustomFields.empty()) {
      text += XString("  absent custom fields: ") + Joined(table.absentCustomFields) + "\n";
    }
    if (!table.failure.IsEmpty()) text += XString("  ends the run: ") + table.failure + "\n";
  }
  const XString failure = Failure(facts, report);
  text += "\n";
  text += failure.IsEmpty() ? XString("A run would succeed.\n")
                            : XString("A run would end early: ") + failure + "\n";
  return text;
}

std::string CheckReport::Json(const CheckFacts& facts, const DryRunReport& report) {
  const XString failure = Failure(facts, report);
  std::string json = "{";
  json += "\"dsn\":" + JsonString(facts.dsn);
  json += ",\"databaseType\":" + JsonString(facts.databaseType);
  json += ",\"school\":" + JsonString(facts.schoolNumber);
  json += ",\"schoolYear\":" + JsonString(facts.schoolYear);
  json += std::string(",\"activeOnly\":") + (facts.activeOnly ? "true" : "false");
  json += std::string(",\"inSiteConfiguration\":") + (facts.inSiteConfiguration ? "true" : "false");
  json += std::string(",\"endsEarly\":") + (failure.IsEmpty() ? "false" : "true");
  json += ",\"message\":" + JsonTextOrNull(failure);
  json += ",\"tables\":[";
  bool first = true;
  for (const DryRunReport::Table& table : report.Tables()) {
    if (!first) json += ",";
    first = false;
    json += "{\"file\":" + JsonTextOrNull(table.fileName);
    json += ",\"description\":" + JsonString(table.description);
    json += ",\"sisTables\":" + JsonList(table.sisTables);
    json += ",\"rows\":" + (table.counted ? std::to_string(table.rows) : std::string("null"));
    json += std::string(",\"skipped\":") + (table.skipped ? "true" : "false");
    json += ",\"fields\":" + JsonList(table.fields);
    json += ",\"missingColumns\":" + JsonList(table.missingColumns);
    json += ",\"absentFields\":" + JsonList(table.absentFields);
    json += ",\"absentCustomFields\":" + JsonList(table.absentCustomFields);
    json += ",\"failure\":" + JsonTextOrNull(table.failure);
    json += "}";
  }
  json += "]}\n";
  return json;
}
