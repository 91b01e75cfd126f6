// The package writer: the files of an import package in the import folder, and the run's
// package state. Its parts, each in its own file:
//  - the package files (QDEWriter.cpp): table files, the package header, update files, in the
//    byte format of PackageFormat.h;
//  - a run's Begin and Finish (QDEWriterRun.cpp);
//  - the import folder and its housekeeping: the member ImportFolder (ImportFolder.h), reached
//    through Folder();
//  - the attendance change store: the member AttendanceRecorder (AttendanceRecorder.h),
//    reached through Attendance(); AttendanceExport writes its changed rows through the writer.
// The run log and the progress display reach it through the run's ExtractContext.
//
// A full export: Reset, then per table StartTable, header fields, OpenTableOutput, one data
// line per row, CloseTableOutput; after the last table WritePackageHeader. An update run:
// BeginUpdateFile, the same per-table sequence (the tables then go inline into the update
// file), EndUpdateFile.
//
// The table loop (engine/TableExtractor.h) writes each row's values through the XFile that
// OpenTableOutput returns (WriteField per value, EndLine per line); on a failure it calls
// AbandonTableOutput.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/XDateTime.h"
#include "foundation/XFileSpec.h"
#include "foundation/XLogFile.h"
#include "foundation/XOwnedVector.h"
#include "foundation/XString.h"
#include "package/AttendanceRecorder.h"
#include "package/DryRunReport.h"
#include "package/ExtractContext.h"
#include "package/ImportFolder.h"
#include "package/QDEHeaderSettings.h"
#include "package/RunTally.h"
#include "package/SISExpCustomField.h"
#include "package/SISExpHeader.h"
#include "package/SchoolConfig.h"

class XFile;

class QDEWriter {
 public:
  explicit QDEWriter(ExtractContext& context);
  // Deletes the headers; a table file still being written is discarded (the previous one
  // stays) and an open update file is closed.
  ~QDEWriter();
  QDEWriter(const QDEWriter&) = delete;
  QDEWriter& operator=(const QDEWriter&) = delete;

  QDEHeaderSettings& HeaderSettings() { return m_settings; }
  const QDEHeaderSettings& HeaderSettings() const { return m_settings; }

  // The import folder and its housekeeping; the attendance change store.
  ::ImportFolder& Folder() { return m_importFolder; }
  AttendanceRecorder& Attendance() { return m_attendance; }

  // A dry run (with a report) writes no file and touches no import folder or change store:
  // table outputs discard what they are given, the data access counts the rows of each query
  // instead of reading them, and the report records every table, field and probe outcome.
  // Null ends it.
  void SetDryRun(DryRunReport* report) { m_dryRun = report; }
  DryRunReport* DryRun() const { return m_dryRun; }

  // Full export: leaves update mode and forgets the header entries of earlier tables.
  void Reset();
  // Deletes the header entries.
  void DeleteHeaders();

  // Makes a table current: its description and file name, the progress text
  // "Reading <description>...", and a new header entry (CurrentHeader) for its fields.
  void StartTable(const XString& description, const XString& fileName);
  // The recorder's Start for an attendance kind (the store opened in the import folder first;
  // a store made anew cleans the folder), then the kind's package table. Only codes of the
  // readable days (XDate::kNone: that end open) are blanked; see AttendanceRecorder::Start.
  void StartAttTable(const XString& kind, int firstReadable = XDate::kNone, int lastReadable = XDate::kNone);
  const XString& TableDescription() const { return m_tableDescription; }
  const XString& TableFileName() const { return m_tableFileName; }
  SISExpHeader* CurrentHeader() const { return m_currentHeader; }
  const XVector<SISExpHeader>& Headers() const { return m_headers; }
  // Appends a header field to the current header entry (none: ignored).
  void AddHeaderField(const XString& name);
  // Completes the progress bar and logs "Finished <description> table/query.".
  void EndTable();

  // Registers a custom field of the run; a key already registered keeps its first
  // registration. True when it was added.
  bool RegisterCustomField(const XString& key, const XString& title, const XString& command,
                           const XString& format);
  const SISExpCustomFieldList& CustomFields() const { return m_customFields; }

  // The destination of the current table's data lines. In update mode: the update file, after
  // the current header entry has been written into it. Otherwise: the table file in the import
  // folder, written under a temporary name so that the previous complete file stays until
  // CloseTableOutput replaces it.
  XFile& OpenTableOutput();
  // Update mode: writes the table terminator. Otherwise: moves the completed table file over
  // the previous one.
  void CloseTableOutput();
  // After a failure: a table file being written is discarded (the previous one stays); in
  // update mode the update file is discarded (see AbandonUpdateFile).
  void AbandonTableOutput();

  // Writes the package header file (<file base name>.QDE) from the header entries and the
  // custom fields; it replaces the previous one only once complete.
  void WritePackageHeader();

  // Enters update mode: names the update file "Update YYYYMMDDHHNNSS.QDU" for the current
  // second, or, when the newest update file in the folder is not older (two runs in one
  // second, a clock gone back: logged at Warning), for the second after that file's; writes
  // its comment block, update pragma (stamped with the name's time), pragma section and
  // banner. The file is written under a temporary name
  // (XFile::OpenReplacing); the import tool sees it only once it is complete. Returns the
  // name it is meant to get.
  XFileSpec BeginUpdateFile();
  // Completes the update file: flushed to the disk and moved to its name, or to the next free
  // second's if that name was taken meanwhile (an existing update file is never overwritten);
  // then leaves update mode. LastUpdateFile names it.
  void EndUpdateFile();
  // After a failure: discards the update file (a torn one would be read by the import tool)
  // and leaves update mode.
  void AbandonUpdateFile();
  const XFileSpec& LastUpdateFile() const { return m_lastUpdateFile; }
  bool IsUpdating() const { return m_updating; }
  // The update file being written; none outside update mode.
  XFile* UpdateFile() const { return m_updateFile.get(); }

  // ---- The attendance of an update run ----
  // Ends an update run: flushes the update file to the disk, closes it, and only then commits
  // the marks of the rows written into it. Call it instead of EndUpdateFile after the
  // attendance export; without pending marks it is EndUpdateFile.
  void CompleteUpdateFile();
  // Rows of attendance written into the current table output; they count as sent once the
  // update file holding them is complete (a full table file: at once).
  void TallyAttendanceRows(int64_t rows);
  // Counts one row of the current table in the progress display.
  void CountProgressItem() { m_context.CountProgressItem(); }

  // ---- The run (QDEWriterRun.cpp) ----
  // Starts the writer for a run: the run log, the import folder of the configuration and its
  // lock (waiting for another run into it; failing when that does not end), the removal of
  // killed runs' unfinished files, the housekeeping of a changed bridge configuration, then
  // the extract log "<base name>ExtractLog.txt" in the import folder, which the writer owns
  // until Finish.
  void Begin(const BridgeConfiguration& configuration, ILog* runLog);
  // Ends the run: saves the school configuration, deletes the header entries, logs
  // "Export complete.", releases the extract log and unlocks the import folder.
  void Finish();
  // Ends a run that failed: discards an unfinished update file, rolls back what the store
  // had not committed and closes it, releases the extract log and unlocks the import folder.
  void AbandonRun();
  // Completes a pending update file (see CompleteUpdateFile), then writes "SchoolConfig.xml"
  // with the thirteen keys of the run.
  void SaveSchoolConfig();
  // Ends and releases the extract log that Begin opened (nothing when there is none).
  void EndExtractLog();
  // What this run wrote so far (Begin starts it anew); the extract log's part is added when
  // the extract log ends.
  RunTally& Tally() { return m_tally; }

 private:
  void CloseUpdateFile();
  // The time of the newest update file in the import folder; invalid when there is none.
  XDateTime NewestUpdateFileTime() const;

  ExtractContext& m_context;
  QDEHeaderSettings m_settings;
  bool m_updating = false;
  std::unique_ptr<XFile> m_updateFile;
  XFileSpec m_lastUpdateFile;
  std::unique_ptr<XFile> m_tableFile;
  XString m_tableDescription;
  XString m_tableFileName;
  XOwnedVector<SISExpHeader> m_headers;
  SISExpHeader* m_currentHeader = nullptr;
  SISExpCustomFieldList m_customFields;
  DryRunReport* m_dryRun = nullptr;  // not owned
  RunTally m_tally;
  int64_t m_attendanceInUpdate = 0;  // rows in the update file being written
  std::unique_ptr<XLogFile> m_ownExtractLog;

  // The recorder first: the import folder keeps a reference to it.
  AttendanceRecorder m_attendance;
  ::ImportFolder m_importFolder;
};
