// The package writer: the object the data access and the engine extend to write an import
// package. Its parts, each in its own file:
//  - the package files and their byte format (QDEWriter.cpp): table files, the package header,
//    update files; CR LF line ends, TAB-separated values, no quoting or escaping (a line end
//    inside a value is written as a blank, by the line writer);
//  - the table extraction loop (QDEWriterTable.cpp) and a run's Begin and Finish
//    (QDEWriterRun.cpp);
//  - the import folder and its housekeeping: the member ImportFolder (ImportFolder.h);
//  - the attendance change store: the member AttendanceRecorder (AttendanceRecorder.h), with
//    its store (AttendanceStore.h), its SQL (AttendanceStatements.h) and its row
//    (AttendanceRow.h).
// The operations of the two members keep their names here as one-line forwards, so that the
// layers above drive one object.
//
// A full export: Reset, then per table StartTable, header fields, OpenTableOutput, one data
// line per row, CloseTableOutput; after the last table WritePackageHeader. An update run:
// BeginUpdateFile, the same per-table sequence (the tables then go inline into the update
// file), EndUpdateFile.
//
// The table loop above this layer runs the query and writes each row's values through the
// XFile that OpenTableOutput returns (WriteField per value, EndLine per line), using the record
// hooks below, which the data access implements. On a failure it calls AbandonTableOutput.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

#include "foundation/XDateTime.h"
#include "foundation/XFileSpec.h"
#include "foundation/XLogFile.h"
#include "foundation/XString.h"
#include "foundation/XOwnedVector.h"
#include "package/AttendanceRecorder.h"
#include "package/AttendanceRow.h"
#include "package/AttendanceStore.h"
#include "package/DataExtractorBase.h"
#include "package/DryRunReport.h"
#include "package/ExportColumn.h"
#include "package/ImportFolder.h"
#include "package/QDEHeaderSettings.h"
#include "package/RunTally.h"
#include "package/SchoolConfig.h"
#include "package/SISExpCustomField.h"
#include "package/SISExpHeader.h"

class XFile;
class DataAccessField;

class QDEWriter : public DataExtractorBase {
 public:
  static constexpr const char* kTableExtension = ".qef";
  static constexpr const char* kHeaderExtension = ".QDE";
  static constexpr const char* kUpdateExtension = ".QDU";

  QDEWriter();
  // Deletes the headers; a table file still being written is discarded (the previous one
  // stays) and an open update file is closed.
  ~QDEWriter() override;

  QDEHeaderSettings& HeaderSettings() { return m_settings; }
  const QDEHeaderSettings& HeaderSettings() const { return m_settings; }

  void SetImportFolder(const XString& folder) { m_importFolder.Set(folder); }
  const XFileSpec& ImportFolder() const { return m_importFolder.Spec(); }
  // The import folder joined with a file name.
  XFileSpec ImportFile(const XString& name) const { return m_importFolder.File(name); }

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
  // "Reading <description>...", and a new header entry (returned) for its fields.
  SISExpHeader* StartTable(const XString& description, const XString& fileName);
  const XString& TableDescription() const { return m_tableDescription; }
  const XString& TableFileName() const { return m_tableFileName; }
  SISExpHeader* CurrentHeader() const { return m_currentHeader; }
  const XVector<SISExpHeader>& Headers() const { return m_headers; }
  // Appends a header field to the current header entry (none: ignored).
  void AddHeaderField(const XString& name);

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
  XFile* UpdateFile() const { return m_updateFile.get(); }

  // The pieces of the byte format.
  static void WriteRuleLine(XFile& file);
  // "#pragma <keyword>", each argument after a space in double quotes (unescaped), then an
  // empty line.
  static void WritePragma(XFile& file, const char* keyword,
                          std::initializer_list<const char*> arguments = {});
  // "*" and an empty line: the end of a table in an update file and of a header entry.
  static void WriteTerminator(XFile& file);
  static void WriteFilesBanner(XFile& file);
  void WriteCommentBlock(XFile& file) const;
  // The pragmas of the header settings in their fixed order. The deprecated course-key
  // setting ends the writing with a Fatal error at its place in the order.
  void WritePragmaSection(XFile& file);

  // "YYYYMMDDHHNNSS" of a date-time.
  static XString TimeStamp(const XDateTime& time);
  // "Update " + TimeStamp + ".QDU".
  static XString UpdateFileName(const XDateTime& time);
  // The time an update file's name holds (prefix and extension in any case); false for any
  // other name.
  static bool UpdateFileTime(const XString& name, XDateTime& time);

  // ---- The import folder's housekeeping (ImportFolder) ----
  bool BridgeConfigurationChanged(const BridgeConfiguration& config) {
    return m_importFolder.BridgeConfigurationChanged(config, Application().m_version);
  }
  // The Begin step: logs the decision and cleans a changed folder.
  bool CheckBridgeConfiguration(const BridgeConfiguration& config) {
    return m_importFolder.CheckBridgeConfiguration(config, Application().m_version);
  }
  void CleanImportFolder() { m_importFolder.Clean(); }
  // The Finish step: completes a pending update file (see CompleteUpdateFile), then writes
  // "SchoolConfig.xml" with the thirteen keys of the run.
  void SaveSchoolConfig();
  bool ValidateImportFolder(const XString& path) { return m_importFolder.Validate(path); }
  const XString& ImportFolderFailure() const { return m_importFolder.Failure(); }
  const BridgeConfiguration& GetBridgeConfiguration() const { return m_importFolder.Configuration(); }
  const XString& GlobalFolder() const { return m_importFolder.GlobalFolder(); }

  // ---- The attendance change store (AttendanceRecorder) ----
  // The recorder's Start, then the kind's package table. Only codes of the readable days
  // (XDate::kNone: that end open) are blanked; see AttendanceRecorder::Start.
  void StartAttTable(const XString& kind, int firstReadable = XDate::kNone, int lastReadable = XDate::kNone);
  void UpsertAttendance(const AttendanceRow& row) { m_attendance.Record(row); }
  void BeginAttTransaction() {
    if (!m_dryRun) m_attendance.BeginRecording();
  }
  void CommitAttTransaction() {
    if (!m_dryRun) m_attendance.CommitRecording();
  }
  void CreateStudentDailyAttendanceFromDB() { m_attendance.ExportChanges(true, *this); }
  void CreateStudentPeriodAttendanceFromDB() { m_attendance.ExportChanges(false, *this); }
  // Ends an update run: flushes the update file to the disk, closes it, and only then commits
  // the marks of the rows written into it. Call it instead of EndUpdateFile after the
  // attendance export; without pending marks it is EndUpdateFile.
  void CompleteUpdateFile() { m_attendance.CompleteUpdateFile(*this); }
  bool CheckAttUpdateTime(const XString& table) { return m_attendance.CheckUpdateTime(table); }
  void DropAttTableWhenDue(const XString& table) { m_attendance.DropTableWhenDue(table); }
  void CloseAndDeleteAttStore() { m_attendance.CloseAndDelete(ImportFolder()); }
  void ForgetAttUpdateDate() { m_attendance.SetUpdateDate(XDate::kNone); }
  int AttUpdateDate() const { return m_attendance.UpdateDate(); }
  void SetAttUpdateDate(int day) { m_attendance.SetUpdateDate(day); }
  const XDateTime& AttReferenceTime() const { return m_attendance.ReferenceTime(); }
  const XString& AttOverlap() const { return m_attendance.Overlap(); }
  AttendanceStore& AttStore() { return m_attendance.Store(); }

 protected:
  // Record hooks of the table loop; the data access overrides them. Without a data access
  // there is no record.
  virtual bool GetFirstRecord() { return false; }
  virtual bool GetNextRecord() { return false; }

  // ---- The table extraction loop and the run (QDEWriterTable.cpp, QDEWriterRun.cpp) ----
 public:
  // The columns of the current table, in output order (owned).
  ExportColumn* AppendColumn(DataAccessField* field, const XString& text,
                             ExportColumn::ValueFunction valueFunction, int32_t command);
  void ClearColumns();
  uint32_t ColumnCount() const { return m_columns.Count(); }
  ExportColumn* Column(uint32_t index) const { return m_columns.At(index); }
  // The column whose value is being produced while a line is written.
  ExportColumn* CurrentColumn() const { return m_currentColumn; }

  // Runs the query of the current table and writes one line per record that passes the
  // filter (none: every record) into the table file, or into the update file in update mode.
  // A non-empty leading line is written first. Returns the number of lines written. A failure
  // discards the unfinished table file (the previous one stays) and ends the run with a
  // Fatal error naming the file and the query.
  int32_t WriteTableRows(const XString& leadingLine, const std::function<bool()>& filter);
  // The line writer of the table being written; none outside WriteTableRows.
  XFile* TableWriter() const { return m_tableWriter; }
  // Completes the progress bar and logs "Finished <description> table/query.".
  void EndTable();

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
  // The import folder's lock (ImportFolderLock), taken by Begin.
  void UnlockImportFolder() { m_importFolder.Unlock(); }
  bool ImportFolderLocked() const { return m_importFolder.IsLocked(); }
  // Whether a statement of the attendance store failed in the run, and the first failure.
  bool AttStoreFailed() const { return m_attendance.Failed(); }
  const XString& AttStoreFailure() const { return m_attendance.Failure(); }
  // What this run wrote so far (Begin starts it anew); the extract log's part is added when
  // the extract log ends.
  const RunTally& Tally() const { return m_tally; }
  void ResetTally() { m_tally = RunTally(); }
  // Rows of attendance written into the current table output; they count as sent once the
  // update file holding them is complete (a full table file: at once).
  void TallyAttendanceRows(int64_t rows);
  // Releases the data of a run: the columns and the header entries.
  void ClearRunData();
  // Ends and releases the extract log that Begin opened (nothing when there is none).
  void EndExtractLog();

 protected:
  // Opening the current query (the data access implements it): true when it ran.
  virtual bool OpenQuery(bool run) { return false; }
  // The SQL text of the current query, for error messages.
  virtual XString BuildQuery() { return XString(); }
  // Command 4 of a column: an engine may write extra values here through TableWriter().
  virtual void ColumnHook(DataAccessField* field) {}

 private:
  void WriteColumns(XFile& out, bool traceFirstLine);
  // True when the user asked the progress display (or one of its parents) to stop.
  bool IsCancelRequested() const;
  [[noreturn]] void FailTable(int32_t lines, const char* errorText);

  ExportColumnList m_columns;
  ExportColumn* m_currentColumn = nullptr;
  XFile* m_tableWriter = nullptr;
  std::unique_ptr<XLogFile> m_ownExtractLog;

 private:
  void CloseUpdateFile();
  // The time of the newest update file in the import folder; invalid when there is none.
  XDateTime NewestUpdateFileTime() const;

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

  // The recorder first: the import folder keeps a reference to it.
  AttendanceRecorder m_attendance;
  ::ImportFolder m_importFolder;
};
