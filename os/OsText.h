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

// Exact conversions into the code page: false (and `narrow` left as it was) when a character
// has no exact counterpart there. No '?' and no look-alike ("best fit") letter is ever put in
// its place, so a path converted this way names the same file or nothing.
bool WideToNarrowExact(const std::u16string& wide, std::string& narrow);
bool Utf8ToNarrowExact(const std::string& utf8, std::string& narrow);

// Code page to UTF-8, exactly (a byte the code page leaves undefined fails).
bool NarrowToUtf8Exact(const std::string& narrow, std::string& utf8);

// Text for a message that must name something the code page cannot hold: the characters the
// code page has are converted, each other one is written as <U+XXXX>.
std::string WideToNarrowNamed(const std::u16string& wide);
std::string Utf8ToNarrowNamed(const std::string& utf8);

// Name of the narrow code page ("CP1252" unless QV_CODEPAGE says otherwise on POSIX; the ANSI
// code page on Windows, e.g. "CP1252").
std::string CodePageName();

// The console code page, in which cmd.exe reads a batch file ("CP437", "CP850", ...): the OEM
// code page on Windows; on POSIX, where no batch file runs, QV_OEMCODEPAGE or CP437 (the page
// paired with Windows-1252).
std::string ConsoleCodePageName();

// Narrow code-page text to the console code page, exactly: false (and `console` left as it
// was) when a character has no exact counterpart there; no look-alike is put in its place.
bool NarrowToConsoleExact(const std::string& narrow, std::string& console);
// The same for text that only needs to be readable: '?' for each character the page lacks.
std::string NarrowToConsole(const std::string& narrow);

// The code page's name as an XML declaration or an HTTP header gives it ("windows-1252" for
// CP1252, "UTF-8" for CP65001, "Shift_JIS" for CP932); a name that is no "CP" number is given
// as it is.
std::string CodePageCharsetName();

}  // namespace os
