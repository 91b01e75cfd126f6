// The report of `QvMeridane --check`: what a dry run of a school's extraction found, as text
// for a person or as JSON for a script. Both hold the same facts: per package table the SIS
// tables, the rows its queries would read, the fields it keeps, the optional columns the SIS
// lacks and the package and custom fields left out for them, and the message that would end
// a run early.
#pragma once

#include "foundation/XString.h"
#include "package/DryRunReport.h"

struct CheckFacts {
  XString dsn;
  XString databaseType;  // "Lotus Notes" or "MSSQL"
  XString schoolNumber;
  XString schoolYear;    // "2008-2009"
  bool activeOnly = true;
  bool inSiteConfiguration = false;  // a run finds the school's entry (empty district)
  XString failure;  // a run would end with this message before any table (the school check)
};

class CheckReport {
 public:
  // Lines ending in "\n"; the last one says whether a run would succeed.
  static XString Text(const CheckFacts& facts, const DryRunReport& report);
  // One JSON object, UTF-8, ending in "\n".
  static std::string Json(const CheckFacts& facts, const DryRunReport& report);
  // The message that would end a run, or empty.
  static XString Failure(const CheckFacts& facts, const DryRunReport& report);
};
