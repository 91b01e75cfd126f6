// The value functions that turn a field of the current row into the text of a package field.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/ValueFunctions.h"

#include "data/PhoneNumber.h"
#include "foundation/XDate.h"
#include "foundation/XTime.h"

namespace {

// Every character of `set` replaced by a blank, in place; a text without any (the usual
// case) is left as it is, without a copy.
void BlankOut(XString& text, const char* set) {
  const char* bytes = text.c_str();
  uint32_t first = 0;
  while (first < text.Length() && (bytes[first] == '\0' || std::strchr(set, bytes[first]) == nullptr)) ++first;
  if (first == text.Length()) return;
  std::string s = text.ToStd();
  for (size_t i = first; i < s.size(); ++i) {
    if (s[i] != '\0' && std::strchr(set, s[i]) != nullptr) s[i] = ' ';
  }
  text = XString(s);
}

// The text emptied when it equals `value`.
void EmptyIf(XString& text, const char* value) {
  if (text == value) text = XString();
}

// 1 January 1900: what many SIS databases store for "no date".
constexpr int kDay1900 = 109573;

}  // namespace

// ---- Value functions ----------------------------------------------------------------------

XString GetString(RowValues& row, ExportColumn& column) { return row.Text(column.Field()); }

XString GetStringUpper(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  // Byte by byte in the C locale: the same bytes on every machine, whatever its code page.
  const char* bytes = text.c_str();
  uint32_t first = 0;
  while (first < text.Length() && std::toupper(static_cast<unsigned char>(bytes[first])) == static_cast<unsigned char>(bytes[first])) ++first;
  if (first < text.Length()) {
    std::string upper = text.ToStd();
    for (size_t i = first; i < upper.size(); ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
    text = XString(upper);
  }
  return text;
}

XString GetStringQuoted(RowValues& row, ExportColumn& column) {
  return row.Text(column.Field()).Quote();
}

XString GetStringZeroBlank(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  EmptyIf(text, "0");
  return text;
}

XString BlankZero(const XString& text) { return text == "0" ? XString() : text; }

XString GetStringNABlank(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  EmptyIf(text, "N/A");
  return text;
}

XString GetPhone(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  EmptyIf(text, "N/A");
  XString message;
  XString phone = PhoneNumber::Format(text, message);
  if (!message.IsEmpty()) row.Log().ExtractLogWrite(kLogInfo, message);
  return phone;
}

XString GetStringOneLine(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  BlankOut(text, "\r\n");
  return text;
}

XString CleanText(RowValues& row, const XString& text, DataAccessField* field) {
  if (field == nullptr && row.CurrentColumn() != nullptr) field = row.CurrentColumn()->Field();
  XString clean = text.IsEmpty() ? row.Text(field) : text;
  BlankOut(clean, "\t\r\n");
  return clean;
}

XString GetCurrency(RowValues& row, ExportColumn& column) {
  XString text = row.Text(column.Field());
  if (text == "0") return XString("$0.00");
  return XString("$ ") + text;
}

XString GetDate(RowValues& row, ExportColumn& column) {
  return XDate::FormatDate(row.Reader().GetFieldDate(column.Field()), row.Formats().m_dateFormat.c_str());
}

XString GetDateOf(RowValues& row, ExportColumn& column) { return DateOfField(row, column.Field()); }

XString DateOfField(RowValues& row, DataAccessField* field) {
  if (field == nullptr && row.CurrentColumn() != nullptr) field = row.CurrentColumn()->Field();
  int day = row.Reader().GetFieldDate(field);
  if (day == kDay1900) return XString();
  return XDate::FormatDate(day, row.Formats().m_dateFormat.c_str());
}

XString GetDateZeroBlank(RowValues& row, ExportColumn& column) {
  return BlankZero(GetDate(row, column));
}

XString GetTime(RowValues& row, ExportColumn& column) {
  return XTime::FormatTime(row.Reader().GetFieldTime(column.Field()), row.Formats().m_timeFormat.c_str());
}

XString GetDateTime(RowValues& row, ExportColumn& column) {
  return row.Reader().GetFieldDateTime(column.Field()).Format(row.Formats().m_dateTimeFormat.c_str());
}

XString GetInteger(RowValues& row, ExportColumn& column) {
  return XString(static_cast<int>(row.Reader().GetFieldInteger(column.Field())));
}

XString GetIntegerZeroBlank(RowValues& row, ExportColumn& column) {
  return IntegerZeroBlankOf(row, column.Field());
}

XString IntegerZeroBlankOf(RowValues& row, DataAccessField* field) {
  return BlankZero(XString(static_cast<int>(row.Reader().GetFieldInteger(field))));
}

XString GetYesNo(RowValues& row, ExportColumn& column) {
  return YesNoText(row.Reader().GetFieldBool(column.Field()));
}

XString YesNoText(bool value) { return XString(value ? "Yes" : "No"); }

XString GetNoYes(RowValues& row, ExportColumn& column) { return NoYesOf(row, column.Field()); }

XString NoYesOf(RowValues& row, DataAccessField* field) {
  return XString(row.Reader().GetFieldBool(field) ? "No" : "Yes");
}

XString GetYesBlank(RowValues& row, ExportColumn& column) { return YesBlankOf(row, column.Field()); }

XString YesBlankText(bool value) { return value ? XString("Yes") : XString(); }

XString YesBlankOf(RowValues& row, DataAccessField* field) {
  return YesBlankText(row.Reader().GetFieldBool(field));
}

XString GetBoolDigit(RowValues& row, ExportColumn& column) {
  return XString(row.Reader().GetFieldBool(column.Field()) ? "1" : "0");
}

XString YesNoDigit(const XString& text) {
  if (text.IsEmpty() || text == "1" || text == "0") return text;
  if (text.CompareNoCase("yes") == 0 || text.CompareNoCase("y") == 0) return XString("1");
  if (text.CompareNoCase("no") == 0 || text.CompareNoCase("n") == 0) return XString("0");
  return XString();
}

XString GetYesNoDigit(RowValues& row, ExportColumn& column) {
  return YesNoDigit(row.Text(column.Field()));
}

bool IsYesText(RowValues& row, ExportColumn& column) { return GetYesNoDigit(row, column) == "1"; }

XString GetFloat(RowValues& row, ExportColumn& column) {
  XString text;
  text.Format(64, "%f", static_cast<double>(row.Reader().GetFieldFloat(column.Field())));
  return text;
}

XString GetWholeNumber(RowValues& row, ExportColumn& column) {
  return WholeNumberOf(row, column.Field());
}

XString WholeNumberOf(RowValues& row, DataAccessField* field) {
  // Halves round away from zero on every build: the C libraries differ on "%.0f" of 2.5,
  // and the package must carry the same bytes everywhere.
  XString text;
  text.Format(64, "%.0f", std::round(static_cast<double>(row.Reader().GetFieldFloat(field))));
  return text;
}

XString GetGradeScaleKey(RowValues& row, ExportColumn& column) {
  return GradeScaleKeyOf(row.Text(column.Field()));
}

XString GradeScaleKeyOf(const XString& text) { return XString("gs_") + text; }
