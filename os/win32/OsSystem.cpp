#include "os/OsSystem.h"

#include <windows.h>
#include <lm.h>
#include <shellapi.h>
#include <shlobj.h>

#include "os/OsText.h"

namespace os {
namespace {

std::wstring Wide(const std::string& narrow) {
  std::u16string w = NarrowToWide(narrow);
  return std::wstring(w.begin(), w.end());
}

std::string Narrow(const wchar_t* text, size_t n) {
  return WideToNarrow(std::u16string(reinterpret_cast<const char16_t*>(text), n));
}

}  // namespace

std::string OperatingSystemName() {
  static const std::string name = [] {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&info)) return std::string("Unknown");
#pragma GCC diagnostic pop
    DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
    if (info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
      if (minor == 0) return std::string("Windows 95");
      if (minor == 10) return std::string("Windows 98");
      if (minor == 90) return std::string("Windows ME");
      return std::string("Unknown");
    }
    if (info.dwPlatformId != VER_PLATFORM_WIN32_NT) return std::string("Unknown");
    if (major <= 4) return std::string("Windows NT");
    if (major == 5 && minor == 0) return std::string("Windows 2000");
    if (major == 5 && minor == 1) return std::string("Windows XP");
    if (major == 5 && minor == 2) return std::string("Windows 2003");
    if (major == 6 && minor == 0) return std::string("Windows Vista");
    return std::string("Windows");
  }();
  return name;
}

int ShellOpen(const std::string& path) {
  HINSTANCE rc = ShellExecuteW(nullptr, L"open", Wide(path).c_str(), nullptr, nullptr,
                               SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(rc));
}

std::string GetEnv(const std::string& name) {
  wchar_t buffer[32768];
  DWORD n = GetEnvironmentVariableW(Wide(name).c_str(), buffer, 32768);
  if (n == 0 || n >= 32768) return std::string();
  return Narrow(buffer, n);
}

void SetEnv(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(Wide(name).c_str(), value.empty() ? nullptr : Wide(value).c_str());
}

std::string ExpandEnvironment(const std::string& text) {
  std::wstring wide = Wide(text);
  DWORD n = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
  if (n == 0) return text;
  std::wstring expanded(n, L'\0');
  n = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), n);
  if (n == 0) return text;
  return Narrow(expanded.c_str(), n - 1);  // the count holds the terminating null
}

std::string ExecutablePath() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
  return Narrow(buffer, n);
}

std::string AppDataFolder() {
  wchar_t buffer[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buffer))) return std::string();
  return Narrow(buffer, wcslen(buffer));
}

std::string UserName() {
  wchar_t buffer[257];
  DWORD n = 257;
  if (!GetUserNameW(buffer, &n) || n == 0) return std::string();
  return Narrow(buffer, n - 1);
}

std::string LogonDomain() {
  LPBYTE buffer = nullptr;
  if (NetWkstaUserGetInfo(nullptr, 1, &buffer) != NERR_Success || buffer == nullptr) {
    return std::string();
  }
  const wchar_t* domain = reinterpret_cast<WKSTA_USER_INFO_1*>(buffer)->wkui1_logon_domain;
  std::string name = domain ? Narrow(domain, wcslen(domain)) : std::string();
  NetApiBufferFree(buffer);
  return name;
}

int LastError() { return static_cast<int>(GetLastError()); }

void SetSystemError(int error) { ::SetLastError(static_cast<DWORD>(error)); }

std::string ErrorMessage(int code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(code), 0,
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n ? Narrow(text, n) : std::string();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

}  // namespace os

namespace os {

std::string RawCommandLine() { return WideToNarrow(RawCommandLineWide()); }

std::u16string RawCommandLineWide() {
  const wchar_t* line = GetCommandLineW();
  if (!line) return std::u16string();
  // Skip the program's own name: a quoted name runs to the closing quote, an unquoted one to
  // the first blank or tab. Only the one separator after it is dropped, so that a command line
  // of nothing but blanks stays non-empty and still selects the command-line run.
  const wchar_t* p = line;
  if (*p == L'"') {
    ++p;
    while (*p && *p != L'"') ++p;
    if (*p == L'"') ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  if (*p == L' ' || *p == L'\t') ++p;
  return std::u16string(reinterpret_cast<const char16_t*>(p), wcslen(p));
}

}  // namespace os

namespace os {

bool ReadSecretLine(std::string& line) {
  line.clear();
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode)) {
    // A console: read wide characters with the echo off.
    SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::wstring wide;
    wchar_t c = 0;
    DWORD got = 0;
    bool any = false;
    while (ReadConsoleW(input, &c, 1, &got, nullptr) && got == 1) {
      any = true;
      if (c == L'\n') break;
      if (c != L'\r') wide += c;
    }
    SetConsoleMode(input, mode);
    line = Narrow(wide.data(), wide.size());
    return any;
  }
  // A pipe or a file: bytes in the code page.
  char c = 0;
  DWORD got = 0;
  bool any = false;
  while (ReadFile(input, &c, 1, &got, nullptr) && got == 1) {
    any = true;
    if (c == '\n') break;
    if (c != '\r') line += c;
  }
  return any;
}

}  // namespace os
