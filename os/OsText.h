// Conversions between the system code page and UTF-16 / UTF-8.
#pragma once

#include <string>

namespace os {

// Wide (UTF-16) text to the narrow code page. A character outside the code page becomes the
// default character '?'; the result has one narrow character per UTF-16 code unit
// (a surrogate pair gives two).
std::string WideToNarrow(const std::u16string& wide);

// Narrow code-page text to UTF-16, one code unit per narrow character. Throws
// std::runtime_error when the conversion itself is unavailable.
std::u16string NarrowToWide(const std::string& narrow);

// UTF-8 to the narrow code page and back (file names on POSIX, text from drivers that speak
// UTF-8). Unmappable characters become '?'.
std::string Utf8ToNarrow(const std::string& utf8);
std::string NarrowToUtf8(const std::string& narrow);

// Name of the narrow code page ("CP1252" unless QV_CODEPAGE says otherwise on POSIX; the ANSI
// code page on Windows, e.g. "CP1252").
std::string CodePageName();

}  // namespace os
