#include "os/OsRegistry.h"

#include <windows.h>

#include <vector>

#include "os/OsText.h"

namespace os {
namespace {

std::wstring Wide(const std::string& narrow) {
  std::u16string w = NarrowToWide(narrow);
  return std::wstring(w.begin(), w.end());
}

HKEY Root(Hive hive) { return hive == Hive::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

HKEY H(const RegistryKey& key) { return reinterpret_cast<HKEY>(key.handle); }

}  // namespace

int OpenRegistryKey(Hive hive, const std::string& path, bool read, bool write, RegistryKey& key) {
  key = RegistryKey{};
  key.hive = hive;
  key.path = path;
  REGSAM access = (read ? KEY_READ : 0) | (write ? KEY_WRITE : 0);
  HKEY handle = nullptr;
  // Opening creates a missing key, for reading as well as for writing.
  LONG rc = RegCreateKeyExW(Root(hive), Wide(path).c_str(), 0, nullptr, 0, access, nullptr,
                            &handle, nullptr);
  if (rc != ERROR_SUCCESS && !write) rc = RegOpenKeyExW(Root(hive), Wide(path).c_str(), 0, access, &handle);
  if (rc != ERROR_SUCCESS) return static_cast<int>(rc);
  key.handle = reinterpret_cast<intptr_t>(handle);
  key.writable = write;
  key.open = true;
  return 0;
}

void CloseRegistryKey(RegistryKey& key) {
  if (key.open) RegCloseKey(H(key));
  key.open = false;
  key.handle = 0;
}

bool ReadRegistryDword(const RegistryKey& key, const std::string& name, uint32_t& value) {
  if (!key.open) return false;
  DWORD type = 0, data = 0, size = sizeof data;
  LONG rc = RegQueryValueExW(H(key), Wide(name).c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(&data), &size);
  if (rc != ERROR_SUCCESS || type != REG_DWORD) return false;
  value = data;
  return true;
}

bool ReadRegistryString(const RegistryKey& key, const std::string& name, std::string& value, bool* exact) {
  if (!key.open) return false;
  std::wstring wname = Wide(name);
  // First into a buffer of MAX_PATH wide characters; a longer value again into a buffer of the
  // size the registry reports.
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD type = 0, size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  LONG rc = RegQueryValueExW(H(key), wname.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (rc == ERROR_MORE_DATA) {
    buffer.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(H(key), wname.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(buffer.data()), &size);
  }
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  size_t chars = size / sizeof(wchar_t);
  while (chars > 0 && buffer[chars - 1] == L'\0') --chars;
  std::u16string text(reinterpret_cast<const char16_t*>(buffer.data()), chars);
  if (exact) {
    *exact = WideToNarrowExact(text, value);
    if (!*exact) value = WideToNarrowNamed(text);
    return true;
  }
  value = WideToNarrow(text);
  return true;
}

std::string RegistryLocation(Hive hive, const std::string& path) {
  std::string location = hive == Hive::kCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
  return path.empty() ? location : location + "\\" + path;
}

int WriteRegistryDword(const RegistryKey& key, const std::string& name, uint32_t value) {
  DWORD data = value;
  return static_cast<int>(RegSetValueExW(H(key), Wide(name).c_str(), 0, REG_DWORD,
                                         reinterpret_cast<const BYTE*>(&data), sizeof data));
}

int WriteRegistryString(const RegistryKey& key, const std::string& name, const std::string& value) {
  std::wstring data = Wide(value);
  return static_cast<int>(RegSetValueExW(H(key), Wide(name).c_str(), 0, REG_SZ,
                                         reinterpret_cast<const BYTE*>(data.c_str()),
                                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))));
}

int WriteRegistryValues(const RegistryKey& key, const std::vector<RegistryValue>& values) {
  // The system registry keeps its own writes; each value goes in as it comes.
  for (const RegistryValue& value : values) {
    int rc = value.isDword ? WriteRegistryDword(key, value.name, value.dword)
                           : WriteRegistryString(key, value.name, value.text);
    if (rc != 0) return rc;
  }
  return 0;
}

}  // namespace os
