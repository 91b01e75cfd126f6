#include "os/OsText.h"

#include <windows.h>

#include <stdexcept>

namespace os {

std::string CodePageName() { return "CP" + std::to_string(GetACP()); }

std::string WideToNarrow(const std::u16string& wide) {
  if (wide.empty()) return std::string();
  const wchar_t* src = reinterpret_cast<const wchar_t*>(wide.data());
  int n = WideCharToMultiByte(CP_ACP, 0, src, static_cast<int>(wide.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, src, static_cast<int>(wide.size()), out.data(), n, nullptr,
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
