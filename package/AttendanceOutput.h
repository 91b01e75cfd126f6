// What the attendance recorder needs of the package to write the changed rows: a table of the
// current output with its header fields, the line writer of that table, the package's date
// format, the progress count, and the end of the update file. The package writer (QDEWriter)
// provides it.
#pragma once

#include <cstdint>

#include "foundation/XString.h"

class XFile;

class AttendanceOutput {
 public:
  virtual ~AttendanceOutput() = default;

  // Makes a table current (description, file name, a new header entry); the progress count
  // starts again.
  virtual void StartTable(const XString& description, const XString& fileName) = 0;
  // Appends a field to the current table's header entry.
  virtual void AddHeaderField(const XString& name) = 0;
  // The current table's line writer: the update file in update mode, else the table file.
  virtual XFile& OpenTableOutput() = 0;
  virtual void CloseTableOutput() = 0;
  virtual void AbandonTableOutput() = 0;
  // Ends the current table in the progress display and the extract log.
  virtual void EndTable() = 0;
  virtual bool IsUpdating() const = 0;
  // Rows written into the current table output (see QDEWriter::TallyAttendanceRows).
  virtual void TallyAttendanceRows(int64_t rows) = 0;
  // The package's date pattern.
  virtual const XString& DateFormat() const = 0;
  virtual void CountProgressItem() = 0;
  // Completes the update file: on the disk and under its name.
  virtual void EndUpdateFile() = 0;
};
