// The attendance of an update run into the package: for each kind, the rows of the change
// store that are new or changed go into the current output (the update file), one table per
// header value, and are marked as sent in a store transaction that the writer's
// CompleteUpdateFile commits once the update file is complete on the disk. A failure of the
// output rolls the marks back and passes on.
#pragma once

#include "package/QDEWriter.h"

class AttendanceExport {
 public:
  explicit AttendanceExport(QDEWriter& writer) : m_writer(writer) {}

  // Daily attendance (time frames), else period attendance.
  void WriteChanges(bool daily);

 private:
  // One table of the export: the rows under `header`. True when the marking failed.
  bool WriteHeader(bool daily, const AttendanceRecorder::ExportPlan& plan, const XString& header);

  QDEWriter& m_writer;
};
