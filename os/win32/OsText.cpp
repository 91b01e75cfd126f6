#include "os/OsText.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

namespace os {
namespace {

std::u16string Utf8ToWide(const std::string& utf8, DWORD flags) {
  if (utf8.empty()) return std::u16string();
  int n = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return std::u16string();
  std::u16string wide(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, flags, utf8.data(), static_cast<int>(utf8.size()),
                      reinterpret_cast<wchar_t*>(wide.data()), n);
  return wide;
}

}  // namespace

bool WideToNarrowExact(const std::u16string& wide, std::string& narrow) {
  if (wide.empty()) {
    narrow.clear();
    return true;
  }
  const wchar_t* src = reinterpret_cast<const wchar_t*>(wide.data());
  const int units = static_cast<int>(wide.size());
  // With a UTF-8 ANSI code page every character has its bytes and only broken surrogates fail;
  // the other code pages report a character they lack through the default-character flag, and
  // must not quietly put a look-alike letter in its place.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  int n = WideCharToMultiByte(CP_ACP, flags, src, units, nullptr, 0, nullptr, usedDefaultOut);
  if (n <= 0 || usedDefault) return false;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, src, units, out.data(), n, nullptr, usedDefaultOut);
  if (usedDefault) return false;
  narrow = std::move(out);
  return true;
}

bool Utf8ToNarrowExact(const std::string& utf8, std::string& narrow) {
  if (utf8.empty()) {
    narrow.clear();
    return true;
  }
  std::u16string wide = Utf8ToWide(utf8, MB_ERR_INVALID_CHARS);
  return !wide.empty() && WideToNarrowExact(wide, narrow);
}

bool NarrowToUtf8Exact(const std::string& narrow, std::string& utf8) {
  utf8 = NarrowToUtf8(narrow);
  return true;
}

std::string WideToNarrowNamed(const std::u16string& wide) {
  std::string out;
  for (size_t i = 0; i < wide.size();) {
    size_t n = (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size()) ? 2 : 1;
    std::u16string unit = wide.substr(i, n);
    std::string narrow;
    if (WideToNarrowExact(unit, narrow)) {
      out += narrow;
    } else {
      unsigned cp = n == 2 ? 0x10000u + ((unit[0] - 0xD800u) << 10) + (unit[1] - 0xDC00u) : unit[0];
      char label[16];
      std::snprintf(label, sizeof label, "<U+%04X>", cp);
      out += label;
    }
    i += n;
  }
  return out;
}

std::string Utf8ToNarrowNamed(const std::string& utf8) { return WideToNarrowNamed(Utf8ToWide(utf8, 0)); }

std::string CodePageName() { return "CP" + std::to_string(GetACP()); }

std::string ConsoleCodePageName() { return "CP" + std::to_string(GetOEMCP()); }

namespace {

// The text in the console (OEM) code page; `exact` refuses a character the page lacks instead
// of writing the default character, and no page is allowed a look-alike letter.
bool ToConsole(const std::string& narrow, bool exact, std::string& console) {
  if (narrow.empty()) {
    console.clear();
    return true;
  }
  const std::u16string wide = NarrowToWide(narrow);
  const wchar_t* src = reinterpret_cast<const wchar_t*>(wide.data());
  const int units = static_cast<int>(wide.size());
  const bool utf8 = GetOEMCP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(CP_OEMCP, flags, src, units, nullptr, 0, nullptr, usedDefaultOut);
  if (n <= 0 || (exact && usedDefault)) return false;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_OEMCP, flags, src, units, out.data(), n, nullptr, usedDefaultOut);
  if (exact && usedDefault) return false;
  console = std::move(out);
  return true;
}

}  // namespace

bool NarrowToConsoleExact(const std::string& narrow, std::string& console) {
  return ToConsole(narrow, true, console);
}

std::string NarrowToConsole(const std::string& narrow) {
  std::string console;
  return ToConsole(narrow, false, console) ? console : std::string();
}

std::string WideToNarrow(const std::u16string& wide) {
  if (wide.empty()) return std::string();
  const wchar_t* src = reinterpret_cast<const wchar_t*>(wide.data());
  // Without WC_NO_BEST_FIT_CHARS the system writes a look-alike letter for a character the code
  // page lacks (an omega becomes an O): a folder would then name another folder, and the
  // package would carry other bytes than the POSIX build writes. The default character '?'
  // stands in for it instead. A UTF-8 ANSI code page has every character and takes no flags.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* defaultChar = utf8 ? nullptr : "?";
  int n = WideCharToMultiByte(CP_ACP, flags, src, static_cast<int>(wide.size()), nullptr, 0, defaultChar,
                              nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, flags, src, static_cast<int>(wide.size()), out.data(), n, defaultChar,
                      nullptr);
  return out;
}

std::u16string NarrowToWide(const std::string& narrow) {
  if (narrow.empty()) return std::u16string();
  int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr,
                              0);
  if (n <= 0) throw std::runtime_error("MultiByteToWideChar failed");
  std::u16string out(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()),
                      reinterpret_cast<wchar_t*>(out.data()), n);
  return out;
}

std::string Utf8ToNarrow(const std::string& utf8) {
  if (utf8.empty()) return std::string();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::u16string wide(static_cast<size_t>(n), u'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                      reinterpret_cast<wchar_t*>(wide.data()), n);
  return WideToNarrow(wide);
}

std::string NarrowToUtf8(const std::string& narrow) {
  std::u16string wide = NarrowToWide(narrow);
  if (wide.empty()) return std::string();
  const wchar_t* src = reinterpret_cast<const wchar_t*>(wide.data());
  int n = WideCharToMultiByte(CP_UTF8, 0, src, static_cast<int>(wide.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, src, static_cast<int>(wide.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

}  // namespace os
