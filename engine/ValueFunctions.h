// The value functions of output columns: each makes the text of a package field from the
// current record (RowValues) and its column's source field. The extracts name them when they
// declare their columns; the Meridane extracts add their own (ExtractSteps.h). "Text" below is
// the field's trimmed text (TABs removed), trimmed once more.
#pragma once

#include <functional>

#include "engine/RowValues.h"
#include "foundation/XString.h"
#include "package/ExportColumn.h"

// A value function, and the row filter that decides whether the current record is written.
using ValueFunction = std::function<XString(RowValues& row, ExportColumn& column)>;
using RowFilter = std::function<bool()>;

XString GetString(RowValues& row, ExportColumn& column);
XString GetStringUpper(RowValues& row, ExportColumn& column);  // byte-wise, C locale
XString GetStringQuoted(RowValues& row, ExportColumn& column);
XString GetStringZeroBlank(RowValues& row, ExportColumn& column);  // "0" as empty
XString GetStringNABlank(RowValues& row, ExportColumn& column);    // "N/A" as empty
// A phone number in the package's form (PhoneNumber); what the formatter says is logged.
XString GetPhone(RowValues& row, ExportColumn& column);
// The text with CR and LF as blanks.
XString GetStringOneLine(RowValues& row, ExportColumn& column);
XString GetCurrency(RowValues& row, ExportColumn& column);  // "$0.00" for 0, else "$ " + text
XString GetDate(RowValues& row, ExportColumn& column);      // the package's date format
XString GetDateOf(RowValues& row, ExportColumn& column);    // empty for 1 January 1900
XString GetDateZeroBlank(RowValues& row, ExportColumn& column);
XString GetTime(RowValues& row, ExportColumn& column);
XString GetDateTime(RowValues& row, ExportColumn& column);
XString GetInteger(RowValues& row, ExportColumn& column);
XString GetIntegerZeroBlank(RowValues& row, ExportColumn& column);
XString GetYesNo(RowValues& row, ExportColumn& column);     // truth value: "Yes" / "No"
XString GetNoYes(RowValues& row, ExportColumn& column);     // the reverse
XString GetYesBlank(RowValues& row, ExportColumn& column);  // "Yes" / ""
XString GetBoolDigit(RowValues& row, ExportColumn& column);  // "1" / "0"
XString GetYesNoDigit(RowValues& row, ExportColumn& column);  // YesNoDigit of the text
bool IsYesText(RowValues& row, ExportColumn& column);
XString GetFloat(RowValues& row, ExportColumn& column);        // "%f"
XString GetWholeNumber(RowValues& row, ExportColumn& column);  // halves away from zero
XString GetGradeScaleKey(RowValues& row, ExportColumn& column);  // "gs_" + text

// The same rules for a field, a truth value or a text of the caller's. A null field reads as
// the current column's where noted.
XString DateOfField(RowValues& row, DataAccessField* field);  // none: the current column's
XString IntegerZeroBlankOf(RowValues& row, DataAccessField* field);
XString NoYesOf(RowValues& row, DataAccessField* field);
XString YesBlankOf(RowValues& row, DataAccessField* field);
XString WholeNumberOf(RowValues& row, DataAccessField* field);
// The text (or, when it is empty, the field's text; no field: the current column's) with TAB,
// CR and LF as blanks.
XString CleanText(RowValues& row, const XString& text, DataAccessField* field = nullptr);
XString YesNoText(bool value);
XString YesBlankText(bool value);
XString BlankZero(const XString& text);
XString GradeScaleKeyOf(const XString& text);
// "1" for 1, yes, y; "0" for 0, no, n (case ignored); "" for anything else.
XString YesNoDigit(const XString& text);
