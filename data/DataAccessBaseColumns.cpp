// The data access side of the table extraction loop: registering output columns, opening the
// query of a table, and the value functions that turn a field of the current row into text.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#include "data/DataAccessBase.h"
#include "data/PhoneNumber.h"
#include "foundation/XDate.h"
#include "foundation/XException.h"
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

// ---- Columns and tables -------------------------------------------------------------------

ExportColumn* DataAccessBase::AddColumn(DataAccessTable* table, const XString& fieldName,
                                        ValueFunction valueFunction, int32_t command,
                                        const XString& headerName,
                                        const SISExpCustomField* customField, bool required) {
  // Bound before the field joins the query: a value function of another engine class must not
  // leave a field in the select list without its column.
  ExportColumn::ValueFunction bound;
  try {
    bound = valueFunction.Bind(this);
  } catch (const XException& error) {
    Fail(kLogFatal, XString(error.Text()) + " Field: " + fieldName);
  }

  DataAccessField* field = nullptr;
  if (table != nullptr) {
    field = AddField(fieldName, table, required);
    if (field == nullptr) {  // refused: the header stays aligned with the lines
      if (DryRunReport* dryRun = DryRun()) {
        dryRun->DroppedField(headerName, customField != nullptr ? customField->Key() : XString());
      }
      return nullptr;
    }
  }
  ExportColumn* column =
      AppendColumn(field, field != nullptr ? field->Name() : fieldName, std::move(bound), command);
  if (!headerName.IsEmpty()) AddHeaderField(headerName);
  if (customField != nullptr && !customField->Key().IsEmpty()) {
    RegisterCustomField(customField->Key(), customField->Title(), customField->Command(),
                        customField->Format());
  }
  return column;
}

int32_t DataAccessBase::WriteTable(RowFilter filter, const XString& leadingLine) {
  std::function<bool()> bound;
  try {
    bound = filter.Bind(this);
  } catch (const XException& error) {
    Fail(kLogFatal, XString(error.Text()) + " Table: " + TableDescription());
  }
  return WriteTableRows(leadingLine, bound);
}

bool DataAccessBase::OpenQuery(bool run) {
  LogExtract(kLogDebug, XString("Opening ") + TableDescription() + " table/query.");
  if (!run) return false;

  bool known = true;
  XString errorText;
  try {
    if (DryRunReport* dryRun = DryRun()) {
      // Counted, not read: no record is current afterwards, so the loops write nothing.
      dryRun->AddRows(CountBuiltQuery());
      return false;
    }
    if (!RunBuiltQuery()) return false;
    LogExtract(kLogDebug, "Ran query");
    SetProgressTotal(GetRecordCount());
    LogExtract(kLogDebug, XString("Opened ") + TableDescription() + " table/query.");
    return true;
  } catch (const XException& error) {
    errorText = error.Text();
  } catch (const std::bad_alloc&) {
    errorText = "Failed to allocate memory.";
  } catch (const std::exception& error) {
    errorText = error.what();
  } catch (...) {
    known = false;
  }

  XString sql;
  try {
    sql = BuildQuery();
  } catch (const XException&) {
    // The message still says what failed.
  }
  if (known && !errorText.IsEmpty()) {
    Fail(kLogFatal, XString("Failed with error [") + errorText + "] while parsing query: " + sql);
  }
  Fail(kLogFatal, XString("Failed with unknown error while parsing query: ") + sql);
}

void DataAccessBase::FinishTable() {
  CloseQuery();
  ClearColumns();
  EndTable();
}

// ---- Value functions ----------------------------------------------------------------------

XString DataAccessBase::ValueText(DataAccessField* field) {
  XString text = GetFieldTrimmed(field);
  text.Trim();
  return text;
}

XString DataAccessBase::GetString(ExportColumn& column) { return ValueText(column.Field()); }

XString DataAccessBase::GetStringUpper(ExportColumn& column) {
  XString text = ValueText(column.Field());
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

XString DataAccessBase::GetStringQuoted(ExportColumn& column) {
  return ValueText(column.Field()).Quote();
}

XString DataAccessBase::GetStringZeroBlank(ExportColumn& column) {
  XString text = ValueText(column.Field());
  EmptyIf(text, "0");
  return text;
}

XString DataAccessBase::BlankZero(const XString& text) { return text == "0" ? XString() : text; }

XString DataAccessBase::GetStringNABlank(ExportColumn& column) {
  XString text = ValueText(column.Field());
  EmptyIf(text, "N/A");
  return text;
}

XString DataAccessBase::GetPhone(ExportColumn& column) {
  XString text = ValueText(column.Field());
  EmptyIf(text, "N/A");
  XString message;
  XString phone = PhoneNumber::Format(text, message);
  if (!message.IsEmpty()) LogExtract(kLogInfo, message);
  return phone;
}

XString DataAccessBase::GetStringOneLine(ExportColumn& column) {
  XString text = ValueText(column.Field());
  BlankOut(text, "\r\n");
  return text;
}

XString DataAccessBase::CleanText(const XString& text, DataAccessField* field) {
  if (field == nullptr && CurrentColumn() != nullptr) field = CurrentColumn()->Field();
  XString clean = text.IsEmpty() ? ValueText(field) : text;
  BlankOut(clean, "\t\r\n");
  return clean;
}

XString DataAccessBase::GetCurrency(ExportColumn& column) {
  XString text = ValueText(column.Field());
  if (text == "0") return XString("$0.00");
  return XString("$ ") + text;
}

XString DataAccessBase::GetDate(ExportColumn& column) {
  return XDate::FormatDate(GetFieldDate(column.Field()), HeaderSettings().m_dateFormat.c_str());
}

XString DataAccessBase::GetDateOf(ExportColumn& column) { return GetDateOf(column.Field()); }

XString DataAccessBase::GetDateOf(DataAccessField* field) {
  if (field == nullptr && CurrentColumn() != nullptr) field = CurrentColumn()->Field();
  int day = GetFieldDate(field);
  if (day == kDay1900) return XString();
  return XDate::FormatDate(day, HeaderSettings().m_dateFormat.c_str());
}

XString DataAccessBase::GetDateZeroBlank(ExportColumn& column) {
  return BlankZero(GetDate(column));
}

XString DataAccessBase::GetTime(ExportColumn& column) {
  return XTime::FormatTime(GetFieldTime(column.Field()), HeaderSettings().m_timeFormat.c_str());
}

XString DataAccessBase::GetDateTime(ExportColumn& column) {
  return GetFieldDateTime(column.Field()).Format(HeaderSettings().m_dateTimeFormat.c_str());
}

XString DataAccessBase::GetInteger(ExportColumn& column) {
  return XString(static_cast<int>(GetFieldInteger(column.Field())));
}

XString DataAccessBase::GetIntegerZeroBlank(ExportColumn& column) {
  return GetIntegerZeroBlank(column.Field());
}

XString DataAccessBase::GetIntegerZeroBlank(DataAccessField* field) {
  return BlankZero(XString(static_cast<int>(GetFieldInteger(field))));
}

XString DataAccessBase::GetYesNo(ExportColumn& column) {
  return GetYesNo(GetFieldBool(column.Field()));
}

XString DataAccessBase::GetYesNo(bool value) { return XString(value ? "Yes" : "No"); }

XString DataAccessBase::GetNoYes(ExportColumn& column) { return GetNoYes(column.Field()); }

XString DataAccessBase::GetNoYes(DataAccessField* field) {
  return XString(GetFieldBool(field) ? "No" : "Yes");
}

XString DataAccessBase::GetYesBlank(ExportColumn& column) { return GetYesBlank(column.Field()); }

XString DataAccessBase::GetYesBlank(bool value) { return value ? XString("Yes") : XString(); }

XString DataAccessBase::GetYesBlank(DataAccessField* field) {
  return GetYesBlank(GetFieldBool(field));
}

XString DataAccessBase::GetBoolDigit(ExportColumn& column) {
  return XString(GetFieldBool(column.Field()) ? "1" : "0");
}

XString DataAccessBase::YesNoDigit(const XString& text) {
  if (text.IsEmpty() || text == "1" || text == "0") return text;
  if (text.CompareNoCase("yes") == 0 || text.CompareNoCase("y") == 0) return XString("1");
  if (text.CompareNoCase("no") == 0 || text.CompareNoCase("n") == 0) return XString("0");
  return XString();
}

XString DataAccessBase::GetYesNoDigit(ExportColumn& column) {
  return YesNoDigit(ValueText(column.Field()));
}

bool DataAccessBase::IsYesText(ExportColumn& column) { return GetYesNoDigit(column) == "1"; }

XString DataAccessBase::GetFloat(ExportColumn& column) {
  XString text;
  text.Format(64, "%f", static_cast<double>(GetFieldFloat(column.Field())));
  return text;
}

XString DataAccessBase::GetWholeNumber(ExportColumn& column) {
  return GetWholeNumber(column.Field());
}

XString DataAccessBase::GetWholeNumber(DataAccessField* field) {
  // Halves round away from zero on every build: the C libraries differ on "%.0f" of 2.5,
  // and the package must carry the same bytes everywhere.
  XString text;
  text.Format(64, "%.0f", std::round(static_cast<double>(GetFieldFloat(field))));
  return text;
}

XString DataAccessBase::GetGradeScaleKey(ExportColumn& column) {
  return GetGradeScaleKey(ValueText(column.Field()));
}

XString DataAccessBase::GetGradeScaleKey(const XString& text) { return XString("gs_") + text; }
