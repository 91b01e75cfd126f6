// The changed attendance rows into the package: the writer's side of each table, the store's
// rows and marks through the recorder.
#include "package/AttendanceExport.h"

#include "foundation/XFile.h"

void AttendanceExport::WriteChanges(bool daily) {
  AttendanceRecorder& recorder = m_writer.Attendance();
  const AttendanceRecorder::ExportPlan plan = recorder.BeginExport(daily);
  if (plan.headers.empty()) return;
  bool anyMarkFailed = false;
  for (const XString& header : plan.headers) {
    if (WriteHeader(daily, plan, header)) anyMarkFailed = true;
  }
  recorder.EndExport(daily, anyMarkFailed);
}

bool AttendanceExport::WriteHeader(bool daily, const AttendanceRecorder::ExportPlan& plan, const XString& header) {
  AttendanceRecorder& recorder = m_writer.Attendance();
  m_writer.StartTable(plan.description, plan.fileName);
  for (const char* field : {"AttStdRef", "AttDate", header.c_str(), "AttAttCodeRef", "AttExcused", "AttAbs",
                            "AttTardy", "AttTruant", "AttDiscipline"}) {
    m_writer.AddHeaderField(field);
  }
  recorder.LogExportQuery(daily, header);

  bool markFailed = false;
  try {
    XFile& out = m_writer.OpenTableOutput();
    const XFileSpec marked = out.Spec();
    const int64_t written =
        recorder.ExportRows(daily, header, plan.canMark, m_writer.IsUpdating() ? &marked : nullptr, out,
                            m_writer.HeaderSettings().m_dateFormat, [this] { m_writer.CountProgressItem(); },
                            markFailed);
    m_writer.CloseTableOutput();
    m_writer.TallyAttendanceRows(written);
    // Without an update file the table file is complete and on the disk once closed.
    if (!m_writer.IsUpdating()) recorder.CommitMarks();
  } catch (...) {
    // The update file did not get its rows: none of this run's marks may stand.
    recorder.RollbackMarks();
    m_writer.AbandonTableOutput();
    throw;
  }
  recorder.NoteExported();
  m_writer.EndTable();
  return markFailed;
}
