// The district's nights on one page (--report FILE, and after the district schedule's last
// school): a self-contained HTML page, with no script and nothing fetched from elsewhere, that
// shows per school of the site configuration its last kNights nights as a strip (succeeded,
// with warnings, failed, cancelled, no run), the trend of its run time and of the attendance
// rows it sent, and the failures of those nights with their first error.
#pragma once

#include <string>
#include <vector>

#include "app/RunStatus.h"
#include "foundation/XString.h"

class QvSchoolConfDS;

class RunReport {
 public:
  static constexpr int kNights = 30;
  // The name the district schedule gives the page, beside the site configuration.
  static constexpr const char* kFileName = "QvMeridaneReport.html";

  // The page in UTF-8.
  static std::string Html(const RunStatus& status, const std::vector<XString>& damaged);
  // Writes the page to `path` whole (the previous page stays until the new one is complete);
  // throws XException naming the file.
  static void Write(const XString& path, const std::string& html);
  // The whole of it: reads the run history of `bridgeFolder`, and writes the page of the
  // schools, as of now, to `path`. Returns the damaged lines of the history, which it skipped.
  static std::vector<XString> Make(const QvSchoolConfDS& schools, const XString& bridgeFolder, const XString& path);
};
