// The pieces of the import package's byte format that every package file shares: the file
// extensions, the rule line, the pragma lines, the table terminator, the banner before the
// list of table files, and the names and time stamps of update files. Lines end in CR LF and
// values are written without quoting or escaping (see XFile).
#pragma once

#include <initializer_list>

#include "foundation/XDateTime.h"
#include "foundation/XEngineLog.h"
#include "foundation/XString.h"
#include "package/QDEApplication.h"
#include "package/QDEHeaderSettings.h"

class XFile;

namespace PackageFormat {

inline constexpr const char* kTableExtension = ".qef";
inline constexpr const char* kHeaderExtension = ".QDE";
inline constexpr const char* kUpdateExtension = ".QDU";

// 91 slashes.
void WriteRuleLine(XFile& file);
// "#pragma <keyword>", each argument after a space in double quotes (unescaped), then an
// empty line.
void WritePragma(XFile& file, const char* keyword, std::initializer_list<const char*> arguments = {});
// "*" and an empty line: the end of a table in an update file and of a header entry.
void WriteTerminator(XFile& file);
void WriteFilesBanner(XFile& file);
// The comment block that opens the package header and every update file: the program, its
// version and build date, the time of writing, the notice and the warning not to edit.
void WriteCommentBlock(XFile& file, const QDEApplication& app);
// The pragmas of the header settings in their fixed order. The deprecated course-key setting
// ends the writing with a Fatal error at its place in the order.
void WritePragmaSection(XFile& file, const QDEHeaderSettings& settings, const QDEApplication& app,
                        XEngineLog& log);

// "YYYYMMDDHHNNSS" of a date-time.
XString TimeStamp(const XDateTime& time);
// "Update " + TimeStamp + ".QDU".
XString UpdateFileName(const XDateTime& time);
// The time an update file's name holds (prefix and extension in any case); false for any
// other name.
bool UpdateFileTime(const XString& name, XDateTime& time);

}  // namespace PackageFormat
