#include "package/QDEWriter.h"

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/XDate.h"
#include "foundation/XFile.h"
#include "foundation/XPrefs.h"
#include "foundation/XTime.h"
#include "os/OsFiles.h"
#include "package/PackageFormat.h"

using namespace PackageFormat;

namespace {

constexpr char kSeparator = '\t';

// The package writes no quotes around values.
std::unique_ptr<XFile> NewPackageFile() { return std::make_unique<XFile>(kSeparator, "", ""); }

// The clock's second: update files are named to the second, and a time within the newest
// file's second must count as that second.
XDateTime WholeSecond(const XDateTime& time) {
  return XDateTime(time.Date(), time.Time() - time.Time() % 1000);
}

XDateTime AddOneSecond(const XDateTime& time) {
  int ms = time.Time() + 1000;
  int date = time.Date();
  if (ms >= XTime::kMsPerDay) {
    ms -= XTime::kMsPerDay;
    date = XDate::AddDays(date, 1);
  }
  return XDateTime(date, ms);
}

}  // namespace

QDEWriter::QDEWriter(ExtractContext& context)
    : m_context(context), m_headers(16), m_attendance(context.EngineLog()),
      m_importFolder(context.EngineLog(), m_attendance) {}

QDEWriter::~QDEWriter() {
  m_tableFile.reset();  // an uncommitted table file is discarded
  AbandonUpdateFile();  // and so is an update file never completed
  DeleteHeaders();
}

void QDEWriter::Reset() {
  m_updating = false;
  DeleteHeaders();
}

void QDEWriter::DeleteHeaders() {
  m_headers.DeleteAll();
  m_currentHeader = nullptr;
}

void QDEWriter::StartTable(const XString& description, const XString& fileName) {
  m_tableDescription = description;
  m_tableFileName = fileName;
  m_context.ShowProgressText(XString("Reading ") + description + "...");
  m_context.ResetProgressCount();
  m_currentHeader = m_headers.Add(new SISExpHeader(description, fileName));
  if (m_dryRun) m_dryRun->StartTable(description, fileName);
}

void QDEWriter::StartAttTable(const XString& kind, int firstReadable, int lastReadable) {
  // The store lives in the import folder, which a dry run leaves alone; its windows start
  // as a first run's do, on the school's first day.
  if (m_dryRun) {
    m_attendance.SetUpdateDate(XDate::kNone);
  } else {
    // A store that could not be read and had no copy knows nothing of what was sent: the
    // folder starts a new history, as after a change of configuration, before any row counts.
    if (!m_attendance.Store().IsOpen() && m_attendance.OpenStore(m_importFolder.Spec(), m_importFolder.Spec()) &&
        m_attendance.Store().StartedAnew()) {
      m_importFolder.Clean();
    }
    m_attendance.Start(kind, m_importFolder.Spec(), HeaderSettings().m_dateFormat, firstReadable,
                       lastReadable);
  }
  StartTable(AttendanceRecorder::TableDescription(kind), AttendanceRecorder::TableFileName(kind));
}

void QDEWriter::AddHeaderField(const XString& name) {
  if (m_currentHeader == nullptr) return;
  m_currentHeader->AddField(name);
  if (m_dryRun) m_dryRun->AddField(name);
}

bool QDEWriter::RegisterCustomField(const XString& key, const XString& title,
                                    const XString& command, const XString& format) {
  return m_customFields.Register(key, title, command, format);
}

XFile& QDEWriter::OpenTableOutput() {
  if (m_dryRun) {
    m_tableFile = NewPackageFile();
    m_tableFile->OpenDiscarding();
    return *m_tableFile;
  }
  if (m_updating && m_updateFile) {
    if (m_currentHeader != nullptr) m_currentHeader->WriteEntry(*m_updateFile);
    return *m_updateFile;
  }
  m_tableFile = NewPackageFile();
  m_tableFile->OpenReplacing(m_importFolder.File(m_tableFileName));
  return *m_tableFile;
}

void QDEWriter::CloseTableOutput() {
  if (m_updating && m_updateFile) {
    WriteTerminator(*m_updateFile);
    return;
  }
  if (!m_tableFile) return;
  std::unique_ptr<XFile> file = std::move(m_tableFile);
  if (m_dryRun) return;  // the discarding output has nothing to commit
  file->Commit();
}

void QDEWriter::AbandonTableOutput() {
  if (m_updating && m_updateFile) {
    AbandonUpdateFile();
    return;
  }
  if (m_tableFile) {
    m_tableFile->Abandon();
    m_tableFile.reset();
  }
}

void QDEWriter::WritePackageHeader() {
  std::unique_ptr<XFile> file = NewPackageFile();
  file->OpenReplacing(m_importFolder.File(m_context.Application().m_fileBaseName + kHeaderExtension));
  WriteCommentBlock(*file, m_context.Application());
  WritePragmaSection(*file, m_settings, m_context.Application(), m_context.EngineLog());

  WriteRuleLine(*file);
  file->WriteRaw("// Custom Fields ");
  file->EndLine();
  file->WriteRaw("//");
  file->EndLine();
  file->EndLine();
  m_customFields.WriteLines(*file);
  file->EndLine();

  WriteFilesBanner(*file);
  for (const SISExpHeader* header : m_headers) {
    // A table without header fields cannot be read by the importer: it is left out.
    if (header->FieldCount() == 0) continue;
    header->WriteEntry(*file);
    header->WriteInclude(*file);
    WriteTerminator(*file);
  }
  file->Commit();
}

XFileSpec QDEWriter::BeginUpdateFile() {
  CloseUpdateFile();
  // The import tool applies update files in the order of their names, so a new one is named
  // after the newest one in the folder: when two runs share a second, and when the clock went
  // back (the repeated hour of a daylight-saving change, a correction), which would otherwise
  // have the older changes applied last. An existing update file is never overwritten either.
  const XDateTime now = WholeSecond(XDateTime::Now());
  XDateTime nameTime = now;
  const XDateTime newest = NewestUpdateFileTime();
  if (newest.IsValid() && !(newest < now)) {
    nameTime = AddOneSecond(newest);
    if (now < newest) {
      m_context.EngineLog().ExtractLogWrite(
          kLogWarning, (XString("BeginUpdateFile: The clock is behind the newest update file in the import folder (") +
                        UpdateFileName(newest) + "): this update file is named " + UpdateFileName(nameTime) +
                        " instead of " + UpdateFileName(now) + ", so that it is applied after it.")
                           .c_str());
    }
  }
  XFileSpec spec = m_importFolder.File(UpdateFileName(nameTime));

  std::unique_ptr<XFile> file = NewPackageFile();
  file->OpenReplacing(spec);
  WriteCommentBlock(*file, m_context.Application());
  // The stamp is the name's time, so that stamps sort as the names do and every update file
  // carries its own.
  WritePragma(*file, "update", {TimeStamp(nameTime).c_str()});
  WritePragmaSection(*file, m_settings, m_context.Application(), m_context.EngineLog());
  WriteFilesBanner(*file);
  m_updateFile = std::move(file);
  m_updating = true;
  return spec;
}

void QDEWriter::EndUpdateFile() { CloseUpdateFile(); }

void QDEWriter::CloseUpdateFile() {
  m_updating = false;
  if (!m_updateFile) return;
  std::unique_ptr<XFile> file = std::move(m_updateFile);
  m_lastUpdateFile = file->CommitNew([](const XFileSpec& taken) {
    // The taken name's second plus one.
    XDateTime time;
    if (!UpdateFileTime(taken.FileName(), time)) time = XDateTime::Now();
    XFileSpec next = taken;
    next.SetFileName(UpdateFileName(AddOneSecond(time)).c_str());
    return next;
  });
  m_tally.updateFile = m_lastUpdateFile.FileName();
  m_tally.attendanceRowsSent += m_attendanceInUpdate;
  m_attendanceInUpdate = 0;
}

void QDEWriter::TallyAttendanceRows(int64_t rows) {
  if (m_updating) {
    m_attendanceInUpdate += rows;
  } else {
    m_tally.attendanceRowsSent += rows;
  }
}

void QDEWriter::AbandonUpdateFile() {
  m_updating = false;
  m_attendanceInUpdate = 0;  // never reached the import tool
  if (!m_updateFile) return;
  std::unique_ptr<XFile> file = std::move(m_updateFile);
  file->Abandon();
}

XDateTime QDEWriter::NewestUpdateFileTime() const {
  std::string folder = m_importFolder.Spec().Path().ToStd();
  if (folder.size() > 1 && folder.back() == os::kPathSeparator) folder.pop_back();
  std::vector<std::string> names;
  os::ListDirectory(folder, names);
  XDateTime newest;
  for (const std::string& name : names) {
    XDateTime time;
    if (UpdateFileTime(XString(name.c_str()), time) && (!newest.IsValid() || newest < time)) newest = time;
  }
  return newest;
}

// ---- The end of an update run and of a table ----------------------------------------------------------------

void QDEWriter::CompleteUpdateFile() {
  try {
    // Written whole, on the disk and under its own name before any mark counts.
    EndUpdateFile();
  } catch (...) {
    m_attendance.RollbackMarks();
    throw;
  }
  m_attendance.CommitSentMarks();
}

void QDEWriter::EndTable() {
  m_context.CompleteProgress();
  m_context.EngineLog().ExtractLogWrite(kLogDebug, XString("Finished ") + m_tableDescription + " table/query.");
}
