// The pieces of the package's byte format (see PackageFormat.h).
#include "package/PackageFormat.h"

#include <cctype>
#include <cstdio>
#include <string>

#include "foundation/XDate.h"
#include "foundation/XFile.h"
#include "foundation/XPrefs.h"
#include "foundation/XTime.h"

namespace {

void WriteLine(XFile& file, const XString& text) {
  file.Write(text);
  file.EndLine();
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

void WriteFlagPragma(XFile& file, bool on, const char* keyword) {
  if (on) PackageFormat::WritePragma(file, keyword);
}

void WriteTextPragma(XFile& file, const XString& value, const char* keyword) {
  if (!value.IsEmpty()) PackageFormat::WritePragma(file, keyword, {value.c_str()});
}

void WriteCountPragma(XFile& file, int32_t value, const char* keyword) {
  if (value != 0) PackageFormat::WritePragma(file, keyword, {XString(value).c_str()});
}

// The date and the time are formatted apart: a month name written by the date pass must not
// be read as time tokens by the time pass.
XString FormatGenerated(const XDateTime& now) {
  XString text = XDate::FormatDate(now.Date(), "MMM DD, YYYY");
  text += " ";
  text += XTime::FormatTime(now.Time(), "HH:NN:SS");
  return text;
}

}  // namespace

void PackageFormat::WriteRuleLine(XFile& file) {
  static const std::string kRule(91, '/');
  file.WriteRaw(kRule.c_str());
  file.EndLine();
}

void PackageFormat::WritePragma(XFile& file, const char* keyword,
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

void PackageFormat::WriteTerminator(XFile& file) {
  file.WriteRaw("*");
  file.EndLine();
  file.EndLine();
}

void PackageFormat::WriteFilesBanner(XFile& file) {
  WriteRuleLine(file);
  file.WriteRaw("// Import Files and Headers");
  file.EndLine();
  file.WriteRaw("//");
  file.EndLine();
  file.EndLine();
}

XString PackageFormat::TimeStamp(const XDateTime& time) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  XDate::ToYMD(time.Date(), year, month, day);
  XTime::ToHMS(time.Time(), hour, minute, second, ms);
  char text[32];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", year, month, day, hour, minute,
                second);
  return XString(text);
}

XString PackageFormat::UpdateFileName(const XDateTime& time) {
  return XString("Update ") + TimeStamp(time) + kUpdateExtension;
}

bool PackageFormat::UpdateFileTime(const XString& name, XDateTime& time) {
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

void PackageFormat::WriteCommentBlock(XFile& file, const QDEApplication& app) {
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

void PackageFormat::WritePragmaSection(XFile& file, const QDEHeaderSettings& s, const QDEApplication& app,
                                       XEngineLog& log) {
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
    log.Error(kLogFatal, "CrsKeyInSecKey Pragma is deprecated. Do not use!");
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
