// The registry: named values under key paths in two hives, the current user's and the
// machine's. On Windows this is the system registry; on POSIX a file-backed store with the same
// keys, value names and types: the user hive in $XDG_CONFIG_HOME/QvRegistry/user.reg (default
// ~/.config), the machine hive in /etc/QvRegistry/machine.reg (QV_MACHINE_HIVE_DIR overrides
// the folder, for tests). Key paths and value names compare without case, as on Windows. The
// hives may hold encoded passwords: the files are the owner's alone (0600), and the folders
// the program creates for them too (0700).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

enum class Hive { kCurrentUser, kLocalMachine };

struct RegistryKey {
  Hive hive = Hive::kCurrentUser;
  std::string path;      // without leading or trailing separator
  intptr_t handle = 0;   // the system's key handle on Windows
  bool writable = false;
  bool open = false;
};

// Opens the key, creating it when missing and `write` is set. Returns 0 or the system's error
// code (then key.open stays false).
int OpenRegistryKey(Hive hive, const std::string& path, bool read, bool write, RegistryKey& key);
void CloseRegistryKey(RegistryKey& key);

// Value names are narrow code-page text; texts are narrow too (UTF-16 in the Windows registry).
// Readers return false when the value is missing or of another type. A stored text holding
// characters that the code page lacks reads with each of them as '?'; when `exact` is given it
// is set false for such a text, which then reads with those characters named (<U+XXXX>) so
// that a message can show what is stored.
bool ReadRegistryDword(const RegistryKey& key, const std::string& name, uint32_t& value);
bool ReadRegistryString(const RegistryKey& key, const std::string& name, std::string& value,
                        bool* exact = nullptr);
// Where the values of the hive's key are kept, for messages: the hive file on POSIX, the key's
// full name on Windows ("HKEY_CURRENT_USER\Software\...").
std::string RegistryLocation(Hive hive, const std::string& path);
// Writers return 0 or the system's error code.
int WriteRegistryDword(const RegistryKey& key, const std::string& name, uint32_t value);
int WriteRegistryString(const RegistryKey& key, const std::string& name, const std::string& value);

// A named value for WriteRegistryValues: a REG_DWORD when isDword, else a REG_SZ text.
struct RegistryValue {
  std::string name;
  bool isDword = false;
  uint32_t dword = 0;
  std::string text;
};
// Writes the values in order, as the single writers would one after the other; a file-backed
// hive is rewritten once for all of them. Returns 0 or the system's error code (the first).
int WriteRegistryValues(const RegistryKey& key, const std::vector<RegistryValue>& values);

}  // namespace os
