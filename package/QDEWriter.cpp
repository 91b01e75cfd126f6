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

namespace {

constexpr char kSeparator = '\t';

// The package writes no quotes around values.
std::unique_ptr<XFile> NewPackageFile() { return std::make_unique<XFile>(kSeparator, "", ""); }

void WriteLine(XFile& file, const XString& text) {
  file.Write(text);
  file.EndLine();
}

void WriteFlagPragma(XFile& file, bool on, const char* keyword) {
  if (on) QDEWriter::WritePragma(file, keyword);
}

void WriteTextPragma(XFile& file, const XString& value, const char* keyword) {
  if (!value.IsEmpty()) QDEWriter::WritePragma(file, keyword, {value.c_str()});
}

void WriteCountPragma(XFile& file, int32_t value, const char* keyword) {
  if (value != 0) QDEWriter::WritePragma(file, keyword, {XString(value).c_str()});
}

// The date and the time are formatted apart: a month name written by the date pass must not
// be read as time tokens by the time pass.
XString FormatGenerated(const XDateTime& now) {
  XString text = XDate::FormatDate(now.Date(), "MMM DD, YYYY");
  text += " ";
  text += XTime::FormatTime(now.Time(), "HH:NN:SS");
  return text;
}

// The clock's second: update files are named to the second, and a time within the newest
// file's second must count as that second.
XDateTime WholeSecond(const XDateTime& time) {
  return XDateTime(time.Date(), time.Time() - time.Time() % 1000);
}

bool EqualsNoCase(const char* a, const char* b, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// Reads `count` decimal digits; false when one is not a digit.
bool ReadDigits(const char*& text, int count, int& value) {
  value = 0;
  for (int i = 0; i < count; ++i, ++text) {
    if (*text < '0' || *text > '9') return false;
    value = value * 10 + (*text - '0');
  }
  return true;
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

QDEWriter::QDEWriter() : m_headers(16), m_attendance(EngineLog()), m_importFolder(EngineLog(), m_attendance) {}

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

SISExpHeader* QDEWriter::StartTable(const XString& description, const XString& fileName) {
  m_tableDescription = description;
  m_tableFileName = fileName;
  ShowProgressText(XString("Reading ") + description + "...");
  ResetProgressCount();
  m_currentHeader = m_headers.Add(new SISExpHeader(description, fileName));
  if (m_dryRun) m_dryRun->StartTable(description, fileName);
  return m_currentHeader;
}

void QDEWriter::StartAttTable(const XString& kind, int firstReadable, int lastReadable) {
  // The store lives in the import folder, which a dry run leaves alone; its windows start
  // as a first run's do, on the school's first day.
  if (m_dryRun) {
    m_attendance.SetUpdateDate(XDate::kNone);
  } else {
    // A store that could not be read and had no copy knows nothing of what was sent: the
    // folder starts a new history, as after a change of configuration, before any row counts.
    if (!m_attendance.Store().IsOpen() && m_attendance.OpenStore(ImportFolder(), ImportFolder()) &&
        m_attendance.Store().StartedAnew()) {
      m_importFolder.Clean();
    }
    m_attendance.Start(kind, ImportFolder(), HeaderSettings().m_dateFormat, firstReadable,
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
  m_tableFile->OpenReplacing(ImportFile(m_tableFileName));
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
  file->OpenReplacing(ImportFile(Application().m_fileBaseName + kHeaderExtension));
  WriteCommentBlock(*file);
  WritePragmaSection(*file);

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
      EngineLog().ExtractLogWrite(
          kLogWarning, (XString("BeginUpdateFile: The clock is behind the newest update file in the import folder (") +
                        UpdateFileName(newest) + "): this update file is named " + UpdateFileName(nameTime) +
                        " instead of " + UpdateFileName(now) + ", so that it is applied after it.")
                           .c_str());
    }
  }
  XFileSpec spec = ImportFile(UpdateFileName(nameTime));

  std::unique_ptr<XFile> file = NewPackageFile();
  file->OpenReplacing(spec);
  WriteCommentBlock(*file);
  // The stamp is the name's time, so that stamps sort as the names do and every update file
  // carries its own.
  WritePragma(*file, "update", {TimeStamp(nameTime).c_str()});
  WritePragmaSection(*file);
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

void QDEWriter::WriteRuleLine(XFile& file) {
  static const std::string kRule(91, '/');
  file.WriteRaw(kRule.c_str());
  file.EndLine();
}

void QDEWriter::WritePragma(XFile& file, const char* keyword,
                            std::initializer_list<const char*> arguments) {
  XString line = "#pragma ";
  line += keyword;
  for (const char* argument : arguments) {
    line += " \"";
    line += argument;
    line += "\"";
  }
  WriteLine(file, line);
  file.EndLine();
}

void QDEWriter::WriteTerminator(XFile& file) {
  file.WriteRaw("*");
  file.EndLine();
  file.EndLine();
}

void QDEWriter::WriteFilesBanner(XFile& file) {
  WriteRuleLine(file);
  file.WriteRaw("// Import Files and Headers");
  file.EndLine();
  file.WriteRaw("//");
  file.EndLine();
  file.EndLine();
}

void QDEWriter::WriteCommentBlock(XFile& file) const {
  const QDEApplication& app = Application();
  WriteRuleLine(file);
  WriteLine(file, XString("// ") + app.m_fullName);
  WriteLine(file, XString("// ") + app.m_version);
  WriteLine(file, XString("// ") + XDate::FormatDate(app.m_buildDate, "MMM DD, YYYY"));
  WriteLine(file, "// ");
  WriteLine(file, XString("// Generated : ") + FormatGenerated(XDateTime::Now()));
  WriteRuleLine(file);
  file.EndLine();
  WriteRuleLine(file);
  WriteLine(file, XString("// ") + app.Notice() + " ");
  WriteRuleLine(file);
  file.EndLine();
  WriteRuleLine(file);
  WriteLine(file, "// WARNING!");
  WriteLine(file, XString("// This file is generated automatically by the ") + app.m_fullName +
                      ".");
  WriteLine(file, "//  Do not edit this file directly. ");
  WriteRuleLine(file);
  file.EndLine();
}

void QDEWriter::WritePragmaSection(XFile& file) {
  const QDEHeaderSettings& s = m_settings;
  const QDEApplication& app = Application();
  WritePragma(file, "creator", {app.m_creatorId.c_str(), app.m_version.c_str()});
  WriteTextPragma(file, s.m_exportSource, "exportsource");
  WriteFlagPragma(file, s.m_verify, "verify");
  WritePragma(file, "exportdate", {XDate::FormatDate(XDate::Today(), s.m_dateFormat).c_str()});
  WriteTextPragma(file, s.m_schoolName, "schoolname");
  WriteTextPragma(file, s.m_nameFormat, "nameformat");
  WritePragma(file, "dateformat", {s.m_dateFormat.c_str()});
  WritePragma(file, "timeformat", {s.m_timeFormat.c_str()});
  WritePragma(file, "datetimeformat", {s.m_dateTimeFormat.c_str()});
  WriteFlagPragma(file, s.m_gradesDontCreateSections, "gradesdontcreatesections");
  WriteFlagPragma(file, s.m_attendanceDoesntCreateDates, "attendancedoesntcreatedates");
  WriteFlagPragma(file, s.m_termsAreBins, "termsarebins");
  if (s.m_crsKeyInSecKey) {
    EngineLog().Error(kLogFatal, "CrsKeyInSecKey Pragma is deprecated. Do not use!");
  }
  WriteCountPragma(file, s.m_maxExpectedTimeSlots, "maxexpectedtimeslots");
  WriteCountPragma(file, s.m_maxExpectedDays, "maxexpecteddays");
  WriteCountPragma(file, s.m_maxExpectedTerms, "maxexpectedterms");
  WriteCountPragma(file, s.m_maxExpectedPeriods, "maxexpectedperiods");
  WriteCountPragma(file, s.m_maxExpectedBins, "maxexpectedbins");
  if (!s.m_quotes.IsEmpty()) {
    // The quote characters themselves: they cannot be written between quotes.
    WriteLine(file, XString("#pragma quotes ") + s.m_quotes);
    file.EndLine();
  }
  WriteFlagPragma(file, s.m_showInfo, "showinfo");
  if (s.m_minVersion != 0) {
    WritePragma(file, "minversion", {XPrefVersion::Format(s.m_minVersion).c_str()});
  }
}

XString QDEWriter::TimeStamp(const XDateTime& time) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  XDate::ToYMD(time.Date(), year, month, day);
  XTime::ToHMS(time.Time(), hour, minute, second, ms);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", year, month, day, hour, minute,
                second);
  return XString(text);
}

XString QDEWriter::UpdateFileName(const XDateTime& time) {
  return XString("Update ") + TimeStamp(time) + kUpdateExtension;
}

bool QDEWriter::UpdateFileTime(const XString& name, XDateTime& time) {
  static constexpr size_t kPrefix = 7, kStamp = 14, kExtension = 4;
  if (name.Length() != kPrefix + kStamp + kExtension) return false;
  const char* text = name.c_str();
  // The folder listing of Windows matches names without regard to case.
  if (!EqualsNoCase(text, "Update ", kPrefix) || !EqualsNoCase(text + kPrefix + kStamp, kUpdateExtension, kExtension)) {
    return false;
  }
  const char* digits = text + kPrefix;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadDigits(digits, 4, year) || !ReadDigits(digits, 2, month) || !ReadDigits(digits, 2, day) ||
      !ReadDigits(digits, 2, hour) || !ReadDigits(digits, 2, minute) || !ReadDigits(digits, 2, second)) {
    return false;
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  // A day that does not exist (month 13, 31 April, before 1600) comes back as another one.
  const int date = XDate::FromYMD(year, month, day);
  int y = 0, m = 0, d = 0;
  XDate::ToYMD(date, y, m, d);
  if (y != year || m != month || d != day) return false;
  time = XDateTime(date, XTime::FromHMS(hour, minute, second));
  return true;
}

XDateTime QDEWriter::NewestUpdateFileTime() const {
  std::string folder = ImportFolder().Path().ToStd();
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
